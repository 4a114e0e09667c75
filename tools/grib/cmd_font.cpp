#include "tools/grib/common.h"

int GribCmd_Font(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "font: not available yet"); }
