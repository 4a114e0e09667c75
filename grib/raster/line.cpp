// Lines: clip against the clip rectangle (inclusive), then against the
// bitmap's extent, then Bresenham.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "grib/raster/raster.h"
#include "grib/raster/target.h"

namespace {

// v + (a × b) / c, the product formed before dividing (truncating toward
// zero); far-away endpoints saturate instead of overflowing.
inline int32_t AddMulDiv(int32_t v, int64_t a, int64_t b, int64_t c) {
    __int128 q = static_cast<__int128>(a) * b / c + v;
    return static_cast<int32_t>(std::clamp<__int128>(q, INT32_MIN, INT32_MAX));
}

// The eight clip-rectangle steps; false when the segment is rejected.
bool ClipToRect(const GribBitmap& b, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) {
    const int32_t L = b.clipLeft, T = b.clipTop, R = b.clipRight, B = b.clipBottom;
    const int32_t ox0 = x0, oy0 = y0, ox1 = x1, oy1 = y1;
    const int64_t dx = int64_t{ox1} - ox0, dy = int64_t{oy1} - oy0;
    if (x0 < L) {
        if (ox1 < ox0 || dx == 0) return false;
        y0 = AddMulDiv(y0, L - int64_t{x0}, dy, dx);
        x0 = L;
    }
    if (y0 < T) {
        if (oy1 <= oy0) return false;
        x0 = AddMulDiv(x0, T - int64_t{y0}, dx, dy);
        y0 = T;
    }
    if (x0 > R) {
        if (ox1 >= ox0 || dx == 0) return false;
        y0 = AddMulDiv(y0, R - int64_t{x0}, dy, dx);
        x0 = R;
    }
    if (y0 > B) {
        if (oy1 >= oy0) return false;
        x0 = AddMulDiv(x0, B - int64_t{y0}, dx, dy);
        y0 = B;
    }
    if (x1 < L) {
        if (ox1 >= ox0 || dx == 0) return false;
        y1 = AddMulDiv(y1, L - int64_t{x1}, dy, dx);
        x1 = L;
    }
    if (y1 < T) {
        if (oy1 >= oy0) return false;
        x1 = AddMulDiv(x1, T - int64_t{y1}, dx, dy);
        y1 = T;
    }
    if (x1 > R) {
        if (ox1 < ox0 || dx == 0) return false;
        y1 = AddMulDiv(y1, R - int64_t{x1}, dy, dx);
        x1 = R;
    }
    if (y1 > B) {
        if (oy1 <= oy0) return false;
        x1 = AddMulDiv(x1, B - int64_t{y1}, dx, dy);
        y1 = B;
    }
    return true;
}

// Moves one coordinate onto [0, limit) when outside; the other coordinate
// follows the line.
inline void MoveOnto(int32_t& a, int32_t& other, int32_t limit, int64_t da, int64_t dother) {
    if (a < 0) {
        other = AddMulDiv(other, 0 - int64_t{a}, dother, da);
        a = 0;
    } else if (a >= limit) {
        other = AddMulDiv(other, int64_t{limit} - 1 - a, dother, da);
        a = limit - 1;
    }
}

// The bitmap-extent clip. A segment still outside after a few rounds (which
// truncation can cause at far-away endpoints) is dropped rather than looped on.
bool ClipToExtent(int32_t W, int32_t H, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) {
    auto inside = [&] { return x0 >= 0 && x1 >= 0 && x0 < W && x1 < W && y0 >= 0 && y1 >= 0 && y0 < H && y1 < H; };
    for (int round = 0; !inside(); ++round) {
        if (round == 8) return false;
        int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
        if (dx >= 0 && (x0 >= W || x1 < 0)) return false;
        if (dx < 0 && (x0 < 0 || x1 >= W)) return false;
        if (dy >= 0 && (y0 >= H || y1 < 0)) return false;
        if (dy < 0 && (y0 < 0 || y1 >= H)) return false;
        if (dx != 0) MoveOnto(x0, y0, W, dx, dy);
        if (dy != 0) MoveOnto(y0, x0, H, dy, dx);
        if (dx != 0) MoveOnto(x1, y1, W, dx, dy);
        if (dy != 0) MoveOnto(y1, x1, H, dy, dx);
    }
    return true;
}

void Bresenham(const GribBitmap& b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t colour) {
    const size_t pitch = b.pitch;
    if (x0 == x1) {
        int32_t top = std::min(y0, y1), n = std::abs(y1 - y0) + 1;
        uint8_t* p = b.pixels + pitch * static_cast<size_t>(top) + x0;
        for (int32_t i = 0; i < n; ++i, p += pitch) *p = colour;
        return;
    }
    if (y0 == y1) {
        int32_t left = std::min(x0, x1);
        std::memset(b.pixels + pitch * static_cast<size_t>(y0) + left, colour, static_cast<size_t>(std::abs(x1 - x0)) + 1);
        return;
    }
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int32_t dx = x1 - x0, dy = std::abs(y1 - y0);
    const ptrdiff_t rowStep = y1 < y0 ? -static_cast<ptrdiff_t>(pitch) : static_cast<ptrdiff_t>(pitch);
    uint8_t* p = b.pixels + pitch * static_cast<size_t>(y0) + x0;
    const bool xMajor = dx >= dy;
    const int32_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const ptrdiff_t majorStep = xMajor ? 1 : rowStep, minorStep = xMajor ? rowStep : 1;
    int32_t decision = 2 * minor - major;
    for (int32_t i = 0; i <= major; ++i) {
        *p = colour;
        if (decision < 0) {
            decision += 2 * minor;
        } else {
            decision += 2 * (minor - major);
            p += minorStep;
        }
        p += majorStep;
    }
}

void ClipAndDraw(const GribBitmap& b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t colour) {
    if (!(b.flags & GRIB_BITMAP_VALID) || !b.pixels) return;
    int32_t W = static_cast<int32_t>(std::min<uint32_t>(std::min(b.width, b.pitch), INT32_MAX / 2));
    int32_t H = static_cast<int32_t>(std::min<uint32_t>(b.height, INT32_MAX / 2));
    if (W <= 0 || H <= 0) return;
    if (!ClipToRect(b, x0, y0, x1, y1)) return;
    if (!ClipToExtent(W, H, x0, y0, x1, y1)) return;
    Bresenham(b, x0, y0, x1, y1, colour);
}

}  // namespace

int GRIB_DrawLine(GribBitmap* target, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t colour) {
    GribTarget b(target);
    if (!b.get()) return 0;
    ClipAndDraw(*b.get(), x0, y0, x1, y1, colour);
    return 1;
}

int GRIB_DrawPolyline(GribBitmap* target, const int32_t* points, int32_t count, uint8_t colour) {
    GribTarget b(target);
    if (!b.get()) return 0;
    for (int32_t i = 0; points && i + 1 < count; ++i)
        ClipAndDraw(*b.get(), points[2 * i], points[2 * i + 1], points[2 * i + 2], points[2 * i + 3], colour);
    return 1;
}
