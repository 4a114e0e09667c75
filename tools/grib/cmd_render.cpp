#include "tools/grib/common.h"

int GribCmd_Render(int, char**) { return ToolFail(GRIB_EXIT_BAD_INPUT, "render: not available yet"); }
