#include "grib/bitmap/bitmap.h"

#include <cstring>

#include "grib/env/env.h"

GribBitmap* GRIB_CreateBitmap(const char* tag, uint32_t width, uint32_t height) {
    uint64_t pixels = static_cast<uint64_t>(width) * height;
    if (pixels > (uint64_t{1} << 31)) return nullptr;
    auto* bitmap = static_cast<GribBitmap*>(GRIB_Alloc(tag, sizeof(GribBitmap) + static_cast<size_t>(pixels)));
    if (!bitmap) return nullptr;
    bitmap->flags = 0;
    GRIB_InitBitmap(bitmap, width, height, width, reinterpret_cast<uint8_t*>(bitmap + 1));
    return bitmap;
}

void GRIB_InitBitmap(GribBitmap* bitmap, uint32_t width, uint32_t height, uint32_t pitch, uint8_t* pixels) {
    if (!bitmap) return;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->pitch = pitch;
    bitmap->pixels = pixels;
    bitmap->originX = 0;
    bitmap->originY = 0;
    bitmap->flags |= GRIB_BITMAP_VALID;
    GRIB_ResetClip(bitmap);
}

void GRIB_FreeBitmap(GribBitmap* bitmap) {
    if (bitmap && (bitmap->flags & GRIB_BITMAP_VALID)) GRIB_Free(bitmap);
}

int GRIB_ClearBitmap(GribBitmap* bitmap, uint8_t index) {
    GribBitmap screen;
    GribBitmap* target = bitmap;
    if (!target) {
        if (!GRIB_LockScreen(&screen)) return 1;
        target = &screen;
    }
    if ((target->flags & GRIB_BITMAP_VALID) && target->pixels)
        std::memset(target->pixels, index, static_cast<size_t>(target->height) * target->pitch);
    if (!bitmap) GRIB_UnlockScreen(&screen);
    return 1;
}

void GRIB_ResetClip(GribBitmap* bitmap) {
    if (!bitmap) return;
    bitmap->clipLeft = 0;
    bitmap->clipTop = 0;
    bitmap->clipRight = static_cast<int32_t>(bitmap->width) - 1;
    bitmap->clipBottom = static_cast<int32_t>(bitmap->height) - 1;
}

int GRIB_LockScreen(GribBitmap* out) {
    GribEnvironment* env = GRIB_GetEnvironment();
    if (!out || !env->surfacePresent || !env->currentSurface) return 0;
    *out = *env->currentSurface;
    return 1;
}

int GRIB_UnlockScreen(GribBitmap*) { return 1; }

void GRIB_ImageFromBitmap(GribImage* image, const GribBitmap* bitmap) {
    if (!image || !bitmap) return;
    image->width = static_cast<uint16_t>(bitmap->pitch);
    image->height = static_cast<uint16_t>(bitmap->height);
    image->originX = bitmap->originX;
    image->originY = bitmap->originY;
    image->transparent = 255;
    image->compressed = 0;
    image->subImageCount = 0;
    image->translucent = 0;
    image->data = bitmap->pixels;
    image->dataSize = static_cast<size_t>(bitmap->pitch) * bitmap->height;
}
