// The .bmp decoder both sides of the layer build PlatformLoadBitmap on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// The greys 128, 192 and 223 of a bitmap that asks for the desktop's 3-D
// colours, and what they become (red, green, blue each).
struct Bmp3DColours {
    uint8_t shadow[3], face[3], light[3];
};

// An uncompressed 1, 4, 8 or 24-bit .bmp from memory as RGB, rows top
// first; every length is checked against size. Empty when it is no such
// bitmap. With colours, the three greys are replaced.
std::vector<uint8_t> DecodeBmp(const void* data, size_t size, const Bmp3DColours* colours, int* width,
                               int* height);

}  // namespace platform
