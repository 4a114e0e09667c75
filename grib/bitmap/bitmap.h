// The 8-bit bitmap record on which all drawing works, and the image frame
// header used for textures, sprites and depth-tested render targets.
#pragma once

#include <cstddef>
#include <cstdint>

struct GribBitmap {
    uint32_t width;
    uint32_t height;
    uint32_t pitch;
    uint8_t* pixels;
    int16_t originX;
    int16_t originY;
    int32_t clipLeft;
    int32_t clipTop;
    int32_t clipRight;
    int32_t clipBottom;
    uint32_t flags;  // bit 0: valid
};

enum : uint32_t { GRIB_BITMAP_VALID = 0x1 };

// An image frame. In files it is 24 bytes with a 4-byte data offset; in
// memory data and depth are native pointers. dataSize bounds what data
// points at, so run-length rows and sub-image arrays are never followed past
// their block: raw pixels are drawn only when dataSize is 0 (width × height
// trusted) or at least width × height; run-length rows are read up to
// dataSize bytes; a sub-image list holds at most dataSize / sizeof(pointer)
// entries.
struct GribImage {
    uint16_t width;
    uint16_t height;
    int16_t originX;
    int16_t originY;
    uint8_t transparent;
    uint8_t compressed;
    uint8_t subImageCount;
    uint8_t translucent;
    uint32_t reserved;
    const uint8_t* data;  // pixels, run-length rows, or GribImage* const[subImageCount]
    uint8_t* depth;
    size_t dataSize;
};

GribBitmap* GRIB_CreateBitmap(const char* tag, uint32_t width, uint32_t height);
void GRIB_InitBitmap(GribBitmap* bitmap, uint32_t width, uint32_t height, uint32_t pitch, uint8_t* pixels);
void GRIB_FreeBitmap(GribBitmap* bitmap);
int GRIB_ClearBitmap(GribBitmap* bitmap, uint8_t index);
void GRIB_ResetClip(GribBitmap* bitmap);
int GRIB_LockScreen(GribBitmap* out);
int GRIB_UnlockScreen(GribBitmap* locked);
void GRIB_ImageFromBitmap(GribImage* image, const GribBitmap* bitmap);
