#include "tools/grib/common.h"

int GribCmd_Tdf(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "tdf: not available yet"); }
