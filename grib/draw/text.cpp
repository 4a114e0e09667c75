#include <algorithm>
#include <string_view>

#include "grib/draw/draw.h"
#include "grib/draw/target.h"
#include "grib/env/bytes.h"
#include "grib/env/env.h"

namespace {

// Font layout: u8 height, u8 unused, u8 vertical offset, u8 first code, then
// one u16 glyph offset per code from the first on (0 = no glyph). A glyph is
// u8 width followed by width × height bits, most significant bit first.
struct Glyph {
    uint32_t width = 0;
    const uint8_t* bits = nullptr;
};

struct Font {
    const uint8_t* bytes = nullptr;
    size_t size = 0;

    explicit Font(const uint8_t* font) : bytes(font), size(GRIB_BlockSize(font)) {}
    uint32_t height() const { return size >= 1 ? bytes[0] : 0; }
    uint32_t verticalOffset() const { return size >= 3 ? bytes[2] : 0; }

    // A glyph whose offset or bitmap lies outside the block is missing.
    bool find(uint8_t code, Glyph& glyph) const {
        if (size < 4 || code < bytes[3]) return false;
        const size_t slot = 4 + 2 * size_t{static_cast<uint8_t>(code - bytes[3])};
        if (slot + 2 > size) return false;
        const size_t offset = GribBytes{bytes, size}.U16(slot);
        if (offset == 0 || offset >= size) return false;
        const size_t width = bytes[offset];
        const size_t bitBytes = (width * height() + 7) / 8;
        if (bitBytes > size - offset - 1) return false;
        glyph.width = static_cast<uint32_t>(width);
        glyph.bits = bytes + offset + 1;
        return true;
    }
};

// The characters drawn: up to the first NUL or line feed.
std::string_view Line(const char* text) {
    std::string_view line(text);
    return line.substr(0, line.find('\n'));
}

}  // namespace

void GRIB_SetTextColours(int32_t foreground, int32_t background) {
    GribEnvironment* env = GRIB_GetEnvironment();
    if (foreground != -1) env->textForeground = static_cast<uint32_t>(foreground);
    if (background != -1) env->textBackground = static_cast<uint32_t>(background);
}

void GRIB_SetTextTransparent(uint32_t colour) { GRIB_GetEnvironment()->textTransparent = colour; }

void GRIB_SetFont(const uint8_t* font) {
    if (font) GRIB_GetEnvironment()->font = font;
}

int32_t GRIB_FontHeight() {
    const uint8_t* font = GRIB_GetEnvironment()->font;
    return font ? static_cast<int32_t>(Font(font).height()) : 0;
}

int32_t GRIB_TextWidth(const uint8_t* font, const char* text) {
    if (!font || !text) return 0;
    const Font f(font);
    int64_t width = 0;
    Glyph glyph;
    for (char c : Line(text))
        if (f.find(static_cast<uint8_t>(c), glyph)) width += glyph.width;
    // Only a text of millions of characters reaches this; no clip holds it.
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

void GRIB_DrawText(GribBitmap* bitmap, const char* text, int32_t x, int32_t y) {
    const GribEnvironment* env = GRIB_GetEnvironment();
    if (!text || !env->font) return;
    gribdraw::Target target(bitmap);
    if (!target.ok()) return;
    const Font font(env->font);
    const int64_t height = font.height();
    const int64_t width = GRIB_TextWidth(env->font, text);
    const gribdraw::Rect64 clip = gribdraw::ClipOf(target.get());
    const int64_t right = x + width, bottom = y + height;
    auto between = [](int64_t v, int64_t low, int64_t high) { return v >= low && v <= high; };
    if (!(between(x, clip.left, clip.right) && between(right, clip.left, clip.right) &&
          between(y, clip.top, clip.bottom) && between(bottom, clip.top, clip.bottom)))
        return;

    const uint32_t foreground = env->textForeground, background = env->textBackground;
    const uint32_t transparent = env->textTransparent;
    GribBitmap* out = target.get();
    // The box test above covers every glyph pixel unless the font has a
    // vertical offset; rows lifted above the clip by it are not drawn.
    const int64_t firstRow = y - static_cast<int64_t>(font.verticalOffset());
    int64_t column = x;
    Glyph glyph;
    for (char c : Line(text)) {
        if (!font.find(static_cast<uint8_t>(c), glyph)) continue;
        size_t bit = 0;
        for (int64_t r = 0; r < height; ++r) {
            const int64_t row = firstRow + r;
            if (row < clip.top || row > clip.bottom) {
                bit += glyph.width;
                continue;
            }
            uint8_t* pixels = out->pixels + static_cast<size_t>(row) * out->pitch;
            for (uint32_t i = 0; i < glyph.width; ++i, ++bit) {
                const bool set = (glyph.bits[bit >> 3] >> (7 - (bit & 7))) & 1;
                const uint32_t colour = set ? foreground : background;
                const int64_t px = column + i;
                if (colour == transparent || px < clip.left || px > clip.right) continue;
                pixels[px] = static_cast<uint8_t>(colour);
            }
        }
        column += glyph.width;
    }
}

void GRIB_DrawTextCentred(GribBitmap* bitmap, const char* text, int32_t y) {
    int64_t width;
    {
        gribdraw::Target target(bitmap);
        if (!target.ok()) return;
        width = target.get()->width;
    }
    const int64_t x = (width - GRIB_TextWidth(GRIB_GetEnvironment()->font, text)) >> 1;
    GRIB_DrawText(bitmap, text, static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)), y);
}
