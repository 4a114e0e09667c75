// Internal helpers of the drawing operations: the target (null means the
// screen) and the clip rectangle kept inside the bitmap.
#pragma once

#include <algorithm>
#include <cstdint>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/raster/target.h"

namespace gribdraw {

using Target = GribTarget;

// Wide rectangles for the clipping arithmetic, so that positions near the
// ends of the 32-bit range cannot overflow.
struct Rect64 {
    int64_t left, top, right, bottom;
    bool empty() const { return right < left || bottom < top; }
};

inline void ClipRects64(Rect64& source, Rect64& destination, const Rect64& clip) {
    if (destination.left < clip.left) {
        source.left += clip.left - destination.left;
        destination.left = clip.left;
    }
    if (destination.right > clip.right) {
        source.right -= destination.right - clip.right;
        destination.right = clip.right;
    }
    if (destination.top < clip.top) {
        source.top += clip.top - destination.top;
        destination.top = clip.top;
    }
    if (destination.bottom > clip.bottom) {
        source.bottom -= destination.bottom - clip.bottom;
        destination.bottom = clip.bottom;
    }
}

// The bitmap's clip rectangle, kept inside the bitmap so that a clip set
// larger than the pixels can never send a write outside them.
inline Rect64 ClipOf(const GribBitmap* bitmap) {
    Rect64 clip{bitmap->clipLeft, bitmap->clipTop, bitmap->clipRight, bitmap->clipBottom};
    clip.left = std::max<int64_t>(clip.left, 0);
    clip.top = std::max<int64_t>(clip.top, 0);
    clip.right = std::min<int64_t>(clip.right, int64_t{bitmap->width} - 1);
    clip.bottom = std::min<int64_t>(clip.bottom, int64_t{bitmap->height} - 1);
    return clip;
}

inline GribRect Narrow(const Rect64& r) {
    auto n = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return GribRect{n(r.left), n(r.top), n(r.right), n(r.bottom)};
}

}  // namespace gribdraw
