#include "kit/image/pcx_writer.h"

#include <cstddef>

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

std::vector<uint8_t> KitWritePCX(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch,
                                 const uint8_t* rgb) {
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version
    out[2] = 1;   // run-length encoding
    out[3] = 8;   // bits per pixel
    Put16(out, 8, width ? width - 1 : 0);
    Put16(out, 10, height ? height - 1 : 0);
    Put16(out, 12, 72);
    Put16(out, 14, 72);
    out[65] = 1;  // planes
    // Rows of exactly width bytes, no padding: the game reads rows of width
    // bytes whatever the header says, so a padded odd width would skew there.
    Put16(out, 66, width);
    Put16(out, 68, 1);  // colour palette
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* line = pixels + static_cast<size_t>(y) * pitch;
        // Runs never cross a line; bytes of 0xC0 and above need a run code.
        for (uint32_t x = 0; x < width;) {
            uint8_t v = line[x];
            uint32_t n = 1;
            while (x + n < width && n < 63 && line[x + n] == v) ++n;
            if (n > 1 || v >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | n));
            out.push_back(v);
            x += n;
        }
    }
    out.push_back(12);
    out.insert(out.end(), rgb, rgb + 768);
    return out;
}

std::vector<uint8_t> KitWritePCXPalette(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch,
                                        const uint8_t* palette) {
    uint8_t rgb[768];
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = palette[i * 4 + c];
    return KitWritePCX(pixels, width, height, pitch, rgb);
}
