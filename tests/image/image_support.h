// Shared helpers of the image tests: hand-made PCX files and a palette.
#pragma once

#include <cstdint>
#include <vector>

#include "grib/image/textures.h"

namespace imagetest {

// A PCX file: header (id bytes as given), the data bytes, a 0x0C marker and
// a colour map whose entry i is (i, 255 - i, i / 2).
inline std::vector<uint8_t> MakePCX(uint16_t width, uint16_t height, const std::vector<uint8_t>& data,
                                    uint8_t manufacturer = 10, uint8_t version = 5, uint16_t xmin = 0,
                                    uint16_t ymin = 0) {
    std::vector<uint8_t> f;
    f.reserve(128 + data.size() + 769);
    f.resize(128, 0);
    f[0] = manufacturer;
    f[1] = version;
    f[2] = 1;
    f[3] = 8;
    auto put = [&](size_t at, uint16_t v) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    put(4, xmin);
    put(6, ymin);
    put(8, static_cast<uint16_t>(xmin + width - 1));
    put(10, static_cast<uint16_t>(ymin + height - 1));
    f[65] = 1;
    put(66, width);
    for (uint8_t b : data) f.push_back(b);
    f.push_back(12);
    for (int i = 0; i < 256; ++i) {
        f.push_back(static_cast<uint8_t>(i));
        f.push_back(static_cast<uint8_t>(255 - i));
        f.push_back(static_cast<uint8_t>(i / 2));
    }
    return f;
}

inline std::vector<uint8_t> Body(const GribDecodedPCX& pcx) {
    return std::vector<uint8_t>(pcx.body, pcx.body + static_cast<size_t>(pcx.width) * pcx.height);
}

// A palette of 1,024 bytes with distinct colours.
inline std::vector<uint8_t> TestPalette() {
    std::vector<uint8_t> p(1024);
    for (int i = 0; i < 256; ++i) {
        p[i * 4] = static_cast<uint8_t>(i);
        p[i * 4 + 1] = static_cast<uint8_t>((i * 37) & 0xFF);
        p[i * 4 + 2] = static_cast<uint8_t>(255 - i);
    }
    return p;
}

}  // namespace imagetest
