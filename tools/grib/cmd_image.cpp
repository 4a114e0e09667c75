#include "tools/grib/common.h"

int GribCmd_Image(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "image: not available yet"); }
