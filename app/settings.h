// The viewer's settings and the temporary palette file.
#pragma once

#include <cstdint>

// Reads section RESOURCES of gamedata\showcase.tdf into the settings of
// g_viewer; a missing file, section or key is fatal.
void ReadViewerSettings();

// Writes the game palette with the 20 system colours at indices 0-9 and
// 246-255 to a new temporary file and stores its name in
// g_viewer.tempPaletteName. Failures are fatal.
void MakeTempPalette();
// Deletes the temporary palette file, if any; safe to call at any time.
void DeleteTempPalette();

// The platform's 20 system colours (red, green, blue) in default-palette
// order.
extern const uint8_t kSystemColours[20][3];
