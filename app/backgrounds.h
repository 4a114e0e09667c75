// The side backgrounds: loaded on first use and kept at the view's size.
#pragma once

#include <cstdint>

struct GribBitmap;

// Loads both side backgrounds (fatal when either is missing) and fits them
// to width × height.
void LoadBackgrounds(int32_t width, int32_t height);
// Replaces *slot by a width × height copy; nothing when it already has that
// size (or there is no image).
void FitImage(GribBitmap** slot, int32_t width, int32_t height);
