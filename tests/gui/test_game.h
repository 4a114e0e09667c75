// The game folder the GUI tests and ./run.sh start the viewer on: a few
// hand-made units of each side with different abilities, plus filler ARM
// units so that the unit list scrolls.
#pragma once

#include <string>

struct GuiGameOptions {
    int fillerUnits = 30;        // extra ARM units "Rover 01" ...
    bool withSettings = true;    // gamedata\showcase.tdf
    bool lightWaveDetail = false;  // the Alpha Tank's model: a loose LightWave object with a detail polygon
};

// Writes the game into folder (made if needed); false with a message.
bool BuildGuiGame(const std::string& folder, const GuiGameOptions& options, std::string* error);
