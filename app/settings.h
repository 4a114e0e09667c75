// The viewer's settings, the temporary palette file and the side
// backgrounds.
#pragma once

#include <cstdint>

struct GribBitmap;

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

// Loads both side backgrounds (fatal when either is missing) and fits them
// to width × height.
void LoadBackgrounds(int32_t width, int32_t height);
// Replaces *slot by a width × height copy; nothing when it already has that
// size (or there is no image).
void FitImage(GribBitmap** slot, int32_t width, int32_t height);
