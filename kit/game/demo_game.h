// The demo game: the hand-written sources of a folder (unit definitions,
// models, scripts, weapons and the viewer's settings) and art made here
// (palette and tables, backgrounds, logo, textures, sounds), spread over the
// archives the viewer mounts so that their order matters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kit/game/game_builder.h"

struct KitDemoOptions {
    // Holds units/NAME.fbi, objects3d/OBJECT.txt (or .obj), scripts/NAME.asm,
    // gamedata/weapons.tdf and gamedata/showcase.tdf.
    std::string source;
    std::vector<uint8_t> font;  // the game's font; empty: KitGameFont()
    int generatedUnits = 0;     // ARMGnnnn and CORGnnnn units in Generated.GRB, for scale tests
};

// Results of KitBuildDemoGame; the numbers are the grib tool's exit statuses.
enum { KIT_DEMO_BUILT = 0, KIT_DEMO_MISSING = 1, KIT_DEMO_BAD = 2 };

// Fills game with the demo game and counts its units. KIT_DEMO_MISSING when a
// source can't be read, KIT_DEMO_BAD when one does not build; error then
// names the file. The text data is read through the library, which must be
// started.
int KitBuildDemoGame(const KitDemoOptions& options, KitGame& game, int* unitCount, std::string* error);
// Writes it into the folder (made as needed) and drops a Generated.GRB left
// there by an earlier build when this one has no generated units.
bool KitWriteDemoGame(const KitGame& game, const std::string& folder, std::string* error);
