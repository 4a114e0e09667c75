#include "tools/grib/common.h"

int GribCmd_Demo(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: not available yet"); }
