#include <algorithm>
#include <cstring>

#include "grib/draw/draw.h"
#include "grib/draw/target.h"

namespace {

using gribdraw::Rect64;

// The unclipped copies trust their rectangles, but a rectangle reaching past
// either bitmap is still cut to both so that no byte outside them is touched.
// Returns false when nothing is left.
bool BoundCopy(const GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect, int32_t x,
               int32_t y, Rect64& src, int64_t& dx, int64_t& dy) {
    if (!destination || !source || !sourceRect || !destination->pixels || !source->pixels) return false;
    src = {sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
    dx = x;
    dy = y;
    auto cutLeading = [](int64_t& srcStart, int64_t& dstStart) {
        int64_t shift = std::max<int64_t>({0, -srcStart, -dstStart});
        srcStart += shift;
        dstStart += shift;
    };
    cutLeading(src.left, dx);
    cutLeading(src.top, dy);
    src.right = std::min<int64_t>({src.right, int64_t{source->width} - 1, src.left + destination->width - 1 - dx});
    src.bottom =
        std::min<int64_t>({src.bottom, int64_t{source->height} - 1, src.top + destination->height - 1 - dy});
    return !src.empty();
}

template <typename Write>
void CopyRect(GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect, int32_t x, int32_t y,
              Write write) {
    Rect64 src;
    int64_t dx, dy;
    if (!BoundCopy(destination, source, sourceRect, x, y, src, dx, dy)) return;
    size_t width = static_cast<size_t>(src.right - src.left + 1);
    for (int64_t row = src.top; row <= src.bottom; ++row) {
        const uint8_t* s = source->pixels + static_cast<size_t>(row) * source->pitch + static_cast<size_t>(src.left);
        uint8_t* d = destination->pixels + static_cast<size_t>(dy + row - src.top) * destination->pitch +
                     static_cast<size_t>(dx);
        for (size_t i = 0; i < width; ++i) write(d[i], s[i]);
    }
}

}  // namespace

void GRIB_Blit(GribBitmap* destination, const GribBitmap* source, int32_t x, int32_t y) {
    if (!destination || !source || !destination->pixels || !source->pixels) return;
    const int64_t dw = destination->width, dh = destination->height;
    const int64_t sw = source->width, sh = source->height;
    const int64_t px = x, py = y;
    if (px >= dw || py >= dh || -px >= sw || -py >= sh) return;
    int64_t dstX = px >= 0 ? px : 0, srcX = px >= 0 ? 0 : -px;
    int64_t dstY = py >= 0 ? py : 0, srcY = py >= 0 ? 0 : -py;
    int64_t width = px >= 0 ? std::min(sw, dw - px) : std::min(sw + px, dw);
    int64_t height = py >= 0 ? std::min(sh, dh - py) : std::min(sh + py, dh);
    if (width <= 0 || height <= 0) return;
    // memmove: the screen may be copied onto itself.
    for (int64_t row = 0; row < height; ++row) {
        std::memmove(destination->pixels + static_cast<size_t>(dstY + row) * destination->pitch + dstX,
                     source->pixels + static_cast<size_t>(srcY + row) * source->pitch + srcX,
                     static_cast<size_t>(width));
    }
}

void GRIB_CopyRectKeyed(GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect, int32_t x,
                        int32_t y, uint8_t key) {
    CopyRect(destination, source, sourceRect, x, y, [key](uint8_t& d, uint8_t s) {
        if (s != key) d = s;
    });
}

void GRIB_CopyRectAlpha(GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect, int32_t x,
                        int32_t y, uint8_t key, const uint8_t* table) {
    if (!table) return;
    CopyRect(destination, source, sourceRect, x, y, [key, table](uint8_t& d, uint8_t s) {
        if (s != key) d = table[s * 256 + d];
    });
}

void GRIB_BlitToScreen(GribBitmap* destination, const GribBitmap* source, int32_t x, int32_t y) {
    gribdraw::Target to(destination);
    gribdraw::Target from(const_cast<GribBitmap*>(source));
    if (!to.ok() || !from.ok()) return;
    int64_t px = x, py = y;
    if (source) {
        px -= source->originX;
        py -= source->originY;
    }
    auto narrow = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    GRIB_Blit(to.get(), from.get(), narrow(px), narrow(py));
}
