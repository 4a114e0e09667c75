#include "tools/grib/common.h"

int GribCmd_Gaf(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "gaf: not available yet"); }
