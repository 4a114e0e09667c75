#include "tools/grib/common.h"

int GribCmd_Script(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "script: not available yet"); }
