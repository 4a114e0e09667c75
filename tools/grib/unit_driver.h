// What grib render and grib export share: the viewer's start-up data path
// without windows, and the action-button presses given as ID@K.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/units.h"
#include "tools/grib/common.h"

using ToolPresses = std::vector<std::pair<int, long>>;  // button id, frame or tick

// The --press option: ID@K with one of the four action buttons.
std::function<bool(const char*)> ToolTakePress(ToolPresses& into);

// PATH made absolute against the current folder, before a chdir.
std::string ToolAbsolute(const std::string& path);

// Enters FOLDER (when given), loads the game as the viewer does, with no
// sounds and seeded random sources, and makes UNIT (units\UNIT.fbi, the
// extension optional) the current one. Null after saying why ("COMMAND: ...");
// *status is then the exit status. ViewerReset undoes it.
ViewerUnit* ToolStartUnit(const std::string& folder, const std::string& unit, long seed, bool antialias,
                          const char* command, int* status);
