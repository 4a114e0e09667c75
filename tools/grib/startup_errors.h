// Start-up failures of the viewer's data path in grib units and grib render.
#pragma once

// From now on a failure prints "grib: <the viewer's message>" and exits with
// 1 when the game file it names (or the temporary folder) is not there, and
// with 2 when the file is there but can't be used (damaged, a section or key
// missing).
void ToolReportStartupFailures();
