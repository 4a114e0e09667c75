#include "tools/grib/common.h"

int GribCmd_Units(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "units: not available yet"); }
