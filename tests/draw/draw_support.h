// Shared set-up of the drawing tests: bitmaps over vectors, frames and fonts
// built by hand, a recognisable alpha table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "tests/support/support.h"

namespace drawtest {

// An asymmetric mix, so that swapped source and destination show.
inline uint8_t Mix(uint8_t s, uint8_t d) { return static_cast<uint8_t>(s * 7 + d * 3 + 1); }

// A bitmap whose pixels live in a vector; pitch may exceed the width so that
// writes into the padding show.
struct Canvas {
    std::vector<uint8_t> pixels;
    GribBitmap bitmap{};

    Canvas(uint32_t width, uint32_t height, uint8_t fill = 0, uint32_t pitch = 0) {
        pixels.assign(static_cast<size_t>(pitch ? pitch : width) * height, fill);
        GRIB_InitBitmap(&bitmap, width, height, pitch ? pitch : width, pixels.data());
    }
    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * bitmap.pitch + x]; }
    Canvas& clip(int32_t l, int32_t t, int32_t r, int32_t b) {
        std::tie(bitmap.clipLeft, bitmap.clipTop, bitmap.clipRight, bitmap.clipBottom) = std::tie(l, t, r, b);
        return *this;
    }
    // Rows as text, one character per pixel ('.' for 0, else 'a' + value - 1,
    // values above 26 as '#'): readable failure messages.
    std::string picture() const {
        std::string out;
        for (uint32_t i = 0; i < bitmap.width * bitmap.height; ++i) {
            uint8_t v = at(int(i % bitmap.width), int(i / bitmap.width));
            out += v == 0 ? '.' : v <= 26 ? static_cast<char>('a' + v - 1) : '#';
            if (i % bitmap.width == bitmap.width - 1) out += '\n';
        }
        return out;
    }
};

// A frame over its own bytes: raw pixels, or run-length rows when compressed.
struct Frame {
    std::vector<uint8_t> bytes;
    GribImage image{};

    Frame(uint16_t width, uint16_t height, std::vector<uint8_t> data, uint8_t transparent = 0, bool rle = false)
        : bytes(std::move(data)) {
        image.width = width;
        image.height = height;
        image.transparent = transparent;
        image.compressed = rle;
        image.data = bytes.data();
        image.dataSize = bytes.size();
    }
};

// A frame made of sub-images.
struct Layered {
    std::vector<const GribImage*> list;
    GribImage image{};

    explicit Layered(std::vector<const GribImage*> subs) : list(std::move(subs)) {
        image.subImageCount = static_cast<uint8_t>(list.size());
        image.data = reinterpret_cast<const uint8_t*>(list.data());
        image.dataSize = list.size() * sizeof(list[0]);
    }
};

// Builds run-length rows: each row a list of codes and their bytes.
inline std::vector<uint8_t> RleRows(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> out;
    for (const auto& row : rows) {
        out.push_back(static_cast<uint8_t>(row.size() & 0xFF));
        out.push_back(static_cast<uint8_t>(row.size() >> 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
inline uint8_t Skip(int n) { return static_cast<uint8_t>(n << 1 | 1); }
inline uint8_t Repeat(int n) { return static_cast<uint8_t>((n - 1) << 2 | 2); }
inline uint8_t Copy(int n) { return static_cast<uint8_t>((n - 1) << 2); }

// Glyph rows as text ('#' set, anything else clear), all of one width.
using GlyphRows = std::vector<std::string>;

inline std::vector<uint8_t> FontBytes(uint8_t height, uint8_t verticalOffset, uint8_t first,
                                      const std::map<uint8_t, GlyphRows>& glyphs) {
    uint8_t last = first;
    for (const auto& [code, rows] : glyphs) last = std::max(last, code);
    std::vector<uint8_t> font = {height, 0, verticalOffset, first};
    font.resize(4 + 2 * (last - first + 1), 0);
    for (const auto& [code, rows] : glyphs) {
        font[4 + 2 * (code - first)] = static_cast<uint8_t>(font.size());
        font[4 + 2 * (code - first) + 1] = static_cast<uint8_t>(font.size() >> 8);
        const size_t width = rows.empty() ? 0 : rows[0].size();
        font.push_back(static_cast<uint8_t>(width));
        std::vector<uint8_t> bits((width * height + 7) / 8, 0);
        size_t bit = 0;
        for (const std::string& row : rows)
            for (char c : row) bits[bit / 8] |= static_cast<uint8_t>(c == '#' ? 0x80 >> (bit % 8) : 0), ++bit;
        font.insert(font.end(), bits.begin(), bits.end());
    }
    return font;
}

// A font's bytes in a tagged block; freed with the object.
struct FontBlock {
    uint8_t* block;
    explicit FontBlock(const std::vector<uint8_t>& bytes) : block(static_cast<uint8_t*>(GRIB_Alloc("Font", bytes.size()))) {
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    }
    ~FontBlock() { GRIB_Free(block); }
    FontBlock(const FontBlock&) = delete;
};

// Starts the library with a clean drawing state: no screen, no alpha table,
// no font.
class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        env = GRIB_GetEnvironment();
        Clean();
        env->textForeground = env->textBackground = env->textTransparent = 0;
    }
    void TearDown() override {
        Clean();
        if (alpha) GRIB_Free(alpha);
    }
    void Clean() {
        env->alphaTable = nullptr;
        env->flags &= static_cast<uint16_t>(~GRIB_FLAG_ALPHA);
        env->surfacePresent = 0;
        env->currentSurface = nullptr;
        env->font = nullptr;
    }
    // Installs the Mix table as the alpha table; with the flag unless told not.
    void InstallAlpha(bool withFlag = true) {
        alpha = static_cast<uint8_t*>(GRIB_Alloc("ALPHA TABLE", 65536));
        for (int i = 0; i < 65536; ++i) alpha[i] = Mix(static_cast<uint8_t>(i / 256), static_cast<uint8_t>(i % 256));
        env->alphaTable = alpha;
        if (withFlag) env->flags |= GRIB_FLAG_ALPHA;
    }
    void InstallScreen(GribBitmap* screen) {
        env->currentSurface = screen;
        env->surfacePresent = 1;
    }

    GribEnvironment* env = nullptr;
    uint8_t* alpha = nullptr;
};

}  // namespace drawtest
