#include "tools/grib/common.h"

int GribCmd_Archive(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "archive: not available yet"); }
