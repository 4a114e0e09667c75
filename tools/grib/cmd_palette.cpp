#include "tools/grib/common.h"

int GribCmd_Palette(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "palette: not available yet"); }
