#include "tools/grib/common.h"

int GribCmd_Vfs(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "vfs: not available yet"); }
