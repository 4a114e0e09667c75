#include <algorithm>
#include <cmath>

#include "grib/draw/draw.h"
#include "grib/draw/target.h"
#include "grib/env/env.h"

namespace {

using gribdraw::Rect64;

const uint8_t* AlphaTable() { return GRIB_GetEnvironment()->alphaTable; }

bool AlphaEnabled() {
    const GribEnvironment* env = GRIB_GetEnvironment();
    return (env->flags & GRIB_FLAG_ALPHA) && env->alphaTable;
}

// The sub-image list of an image, bounded by its data size.
size_t SubImageCount(const GribImage* image) {
    return std::min<size_t>(image->subImageCount, image->dataSize / sizeof(const GribImage*));
}
const GribImage* SubImage(const GribImage* image, size_t index) {
    return reinterpret_cast<const GribImage* const*>(image->data)[index];
}

// Raw pixels are usable when width × height of them are there.
bool RawUsable(const GribImage* image) {
    if (!image->data || image->compressed) return false;
    return image->dataSize == 0 || image->dataSize >= size_t{image->width} * image->height;
}

// The frame as a bitmap (pitch = width) for the rectangle copies; the copies
// only read it.
GribBitmap ImageBitmap(const GribImage* image) {
    GribBitmap view{};
    view.width = image->width;
    view.height = image->height;
    view.pitch = image->width;
    view.pixels = const_cast<uint8_t*>(image->data);
    view.flags = GRIB_BITMAP_VALID;
    return view;
}

// Places and clips a single frame; false when nothing of it is visible.
bool PlaceImage(const GribBitmap* target, const GribImage* image, int32_t x, int32_t y, GribRect& source,
                GribRect& destination) {
    if (image->width == 0 || image->height == 0) return false;
    int64_t left = int64_t{x} - image->originX, top = int64_t{y} - image->originY;
    Rect64 dst{left, top, left + image->width - 1, top + image->height - 1};
    Rect64 src{0, 0, image->width - 1, image->height - 1};
    gribdraw::ClipRects64(src, dst, gribdraw::ClipOf(target));
    if (dst.empty() || src.empty()) return false;
    source = gribdraw::Narrow(src);
    destination = gribdraw::Narrow(dst);
    return true;
}

void DrawSingle(GribBitmap* target, const GribImage* image, int32_t x, int32_t y, const uint8_t* alpha) {
    GribRect source, destination;
    if (!PlaceImage(target, image, x, y, source, destination)) return;
    if (image->compressed) {
        if (!image->data) return;
        if (alpha)
            GRIB_DrawRleAlpha(target->pixels, target->pitch, destination.left, destination.top, image->data,
                              image->dataSize, &source, alpha);
        else
            GRIB_DrawRle(target->pixels, target->pitch, destination.left, destination.top, image->data,
                         image->dataSize, &source);
        return;
    }
    if (!RawUsable(image)) return;
    GribBitmap view = ImageBitmap(image);
    if (alpha)
        GRIB_CopyRectAlpha(target, &view, &source, destination.left, destination.top, image->transparent, alpha);
    else
        GRIB_CopyRectKeyed(target, &view, &source, destination.left, destination.top, image->transparent);
}

template <typename Write>
void ScaleRow(uint8_t* out, int64_t count, const uint8_t* texels, int64_t u, int64_t stepU, int64_t lastU, uint8_t key,
              Write write) {
    for (int64_t i = 0; i < count; ++i, u += stepU) {
        const uint8_t texel = texels[std::min(u >> 16, lastU)];
        if (texel != key) write(out[i], texel);
    }
}

void DrawScaledSingle(GribBitmap* target, const GribImage* image, int32_t x, int32_t y, double sx, double sy,
                      const uint8_t* alpha) {
    if (!RawUsable(image) || image->width == 0 || image->height == 0) return;
    const double scaledW = image->width * sx, scaledH = image->height * sy;
    // Sizes beyond any bitmap are refused along with the sub-pixel ones
    // (and NaN, which fails every comparison).
    constexpr double kLimit = 1u << 30;
    if (!(scaledW >= 1 && scaledH >= 1 && scaledW < kLimit && scaledH < kLimit)) return;
    const int64_t W = static_cast<int64_t>(scaledW), H = static_cast<int64_t>(scaledH);
    const double ox = std::trunc(image->originX * sx), oy = std::trunc(image->originY * sy);
    if (!(std::fabs(ox) < kLimit && std::fabs(oy) < kLimit)) return;
    const int64_t left = int64_t{x} - static_cast<int64_t>(ox), top = int64_t{y} - static_cast<int64_t>(oy);
    Rect64 dst{left, top, left + W - 1, top + H - 1};
    Rect64 src{0, 0, W - 1, H - 1};
    const int64_t stepU = (int64_t{image->width} * 65536) / W;
    const int64_t stepV = (int64_t{image->height} * 65536) / H;
    gribdraw::ClipRects64(src, dst, gribdraw::ClipOf(target));
    if (dst.empty() || src.empty()) return;
    const int64_t texLeft = static_cast<int64_t>(src.left / sx);
    const int64_t texTop = static_cast<int64_t>(src.top / sy);
    // Rounding of the back-mapping could land one texel past the edge; the
    // lookups are held inside the frame.
    const int64_t lastU = image->width - 1, lastV = image->height - 1;
    const uint8_t key = image->transparent;
    int64_t v = texTop * 65536;
    for (int64_t row = dst.top; row <= dst.bottom; ++row, v += stepV) {
        const uint8_t* texels = image->data + static_cast<size_t>(std::min(v >> 16, lastV)) * image->width;
        uint8_t* out = target->pixels + static_cast<size_t>(row) * target->pitch + dst.left;
        const int64_t count = dst.right - dst.left + 1;
        if (alpha)
            ScaleRow(out, count, texels, texLeft * 65536, stepU, lastU, key,
                     [alpha](uint8_t& d, uint8_t texel) { d = alpha[texel * 256 + d]; });
        else
            ScaleRow(out, count, texels, texLeft * 65536, stepU, lastU, key, [](uint8_t& d, uint8_t texel) { d = texel; });
    }
}

enum class Mode { Plain, Translucent, Scaled, ScaledTranslucent };

// Sub-images are drawn at the same place, each by its own flag (or all
// translucent in the translucent modes). Lists nested inside sub-images are
// not followed: no loader resolves them.
void DrawAny(GribBitmap* bitmap, const GribImage* image, int32_t x, int32_t y, double sx, double sy, Mode mode,
             bool nested) {
    if (!image) return;
    gribdraw::Target target(bitmap);
    if (!target.ok()) return;
    if (image->subImageCount) {
        if (nested || !image->data) return;
        const size_t count = SubImageCount(image);
        for (size_t i = 0; i < count; ++i) {
            const GribImage* sub = SubImage(image, i);
            if (!sub) continue;
            Mode subMode = mode;
            if (sub->translucent && mode == Mode::Plain) subMode = Mode::Translucent;
            if (sub->translucent && mode == Mode::Scaled) subMode = Mode::ScaledTranslucent;
            DrawAny(target.get(), sub, x, y, sx, sy, subMode, true);
        }
        return;
    }
    switch (mode) {
        case Mode::Plain:
            DrawSingle(target.get(), image, x, y, nullptr);
            break;
        case Mode::Translucent:
            if (AlphaEnabled()) DrawSingle(target.get(), image, x, y, AlphaTable());
            break;
        case Mode::Scaled:
            DrawScaledSingle(target.get(), image, x, y, sx, sy, nullptr);
            break;
        case Mode::ScaledTranslucent:
            if (AlphaTable()) DrawScaledSingle(target.get(), image, x, y, sx, sy, AlphaTable());
            break;
    }
}

}  // namespace

void GRIB_ClipRects(GribRect* source, GribRect* destination, const GribRect* clip) {
    if (!source || !destination || !clip) return;
    Rect64 src{source->left, source->top, source->right, source->bottom};
    Rect64 dst{destination->left, destination->top, destination->right, destination->bottom};
    gribdraw::ClipRects64(src, dst, Rect64{clip->left, clip->top, clip->right, clip->bottom});
    *source = gribdraw::Narrow(src);
    *destination = gribdraw::Narrow(dst);
}

int GRIB_RectInside(const GribRect* a, const GribRect* b) {
    if (!a || !b) return 0;
    auto between = [](int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; };
    return between(a->left, b->left, b->right) && between(a->right, b->left, b->right) &&
                   between(a->top, b->top, b->bottom) && between(a->bottom, b->top, b->bottom)
               ? 1
               : 0;
}

void GRIB_DrawImage(GribBitmap* target, const GribImage* image, int32_t x, int32_t y) {
    DrawAny(target, image, x, y, 1, 1, Mode::Plain, false);
}

void GRIB_DrawImageTranslucent(GribBitmap* target, const GribImage* image, int32_t x, int32_t y) {
    if (!AlphaEnabled()) return;
    DrawAny(target, image, x, y, 1, 1, Mode::Translucent, false);
}

void GRIB_DrawImageScaled(GribBitmap* target, const GribImage* image, int32_t x, int32_t y, double scaleX,
                          double scaleY) {
    DrawAny(target, image, x, y, scaleX, scaleY, Mode::Scaled, false);
}

void GRIB_DrawImageScaledTranslucent(GribBitmap* target, const GribImage* image, int32_t x, int32_t y,
                                     double scaleX, double scaleY) {
    DrawAny(target, image, x, y, scaleX, scaleY, Mode::ScaledTranslucent, false);
}

void GRIB_HalveImage(const GribImage* source, GribImage* destination) {
    const uint8_t* alpha = AlphaTable();
    if (!alpha || !source || !destination || !RawUsable(source) || !RawUsable(destination)) return;
    // A destination larger than half the source is halved only as far as the
    // source reaches.
    const size_t width = std::min<size_t>(destination->width, source->width / 2);
    const size_t height = std::min<size_t>(destination->height, source->height / 2);
    const size_t stride = source->width;
    // The destination frame's pixels are written in place.
    uint8_t* out = const_cast<uint8_t*>(destination->data);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* top = source->data + 2 * y * stride;
        const uint8_t* bottom = top + stride;
        uint8_t* row = out + y * destination->width;
        for (size_t x = 0; x < width; ++x) {
            const uint8_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
            row[x] = alpha[alpha[a * 256 + b] * 256 + alpha[c * 256 + d]];
        }
    }
}
