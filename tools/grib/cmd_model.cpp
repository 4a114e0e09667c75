#include "tools/grib/common.h"

int GribCmd_Model(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "model: not available yet"); }
