// Builds the alpha and shade tables for a palette (256 entries of red,
// green, blue, flags).
#pragma once

#include <cstdint>
#include <vector>

// 65,536 bytes: entry s × 256 + d is the palette colour nearest to the even
// mix of colours s and d.
std::vector<uint8_t> KitMakeAlphaTable(const uint8_t* palette);

// 32 rows of 256 bytes. Row 16 keeps every colour; rows below darken it
// evenly down to black at row 0, rows above mix it toward white (row 31 is
// 15/32 of the way).
enum { KIT_SHADE_LEVELS = 32, KIT_SHADE_UNCHANGED = 16 };
std::vector<uint8_t> KitMakeShadeTable(const uint8_t* palette);
