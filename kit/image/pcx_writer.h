// Writes 8-bit PCX images: one plane, run-length rows, 256-colour map.
#pragma once

#include <cstdint>
#include <vector>

// pixels: height rows of pitch bytes (the first width of each are written);
// rgb: 256 × red, green, blue.
std::vector<uint8_t> KitWritePCX(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch,
                                 const uint8_t* rgb);
// The same with a palette of 256 entries of red, green, blue, flags.
std::vector<uint8_t> KitWritePCXPalette(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch,
                                        const uint8_t* palette);
