// Hand-made fonts for the text tests, in tagged blocks as the library loads
// them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "grib/env/env.h"

namespace drawtest {

// Glyph rows as text ('#' set, anything else clear), all of one width.
using GlyphRows = std::vector<std::string>;

inline std::vector<uint8_t> FontBytes(uint8_t height, uint8_t verticalOffset, uint8_t first,
                                      const std::map<uint8_t, GlyphRows>& glyphs, uint8_t last = 0) {
    for (const auto& [code, rows] : glyphs) last = std::max(last, code);
    std::vector<uint8_t> font = {height, 0, verticalOffset, first};
    const size_t table = font.size();
    font.resize(table + 2 * (last - first + 1), 0);
    for (const auto& [code, rows] : glyphs) {
        const size_t offset = font.size();
        font[table + 2 * (code - first)] = static_cast<uint8_t>(offset);
        font[table + 2 * (code - first) + 1] = static_cast<uint8_t>(offset >> 8);
        const size_t width = rows.empty() ? 0 : rows[0].size();
        font.push_back(static_cast<uint8_t>(width));
        std::vector<uint8_t> bits((width * height + 7) / 8, 0);
        size_t bit = 0;
        for (const std::string& row : rows)
            for (char c : row) {
                if (c == '#') bits[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
                ++bit;
            }
        font.insert(font.end(), bits.begin(), bits.end());
    }
    return font;
}

// A font's bytes in a tagged block; freed with the object.
struct FontBlock {
    uint8_t* block = nullptr;
    explicit FontBlock(const std::vector<uint8_t>& bytes) {
        block = static_cast<uint8_t*>(GRIB_Alloc("Font", bytes.size()));
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    }
    ~FontBlock() { GRIB_Free(block); }
    FontBlock(const FontBlock&) = delete;
    FontBlock& operator=(const FontBlock&) = delete;
};

}  // namespace drawtest
