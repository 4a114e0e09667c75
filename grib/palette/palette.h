// The 256-colour palette and the lookup tables kept in the environment:
// alpha (translucency), shade (lighting), and the unused light, gray and blue
// tables.
#pragma once

#include <cstddef>
#include <cstdint>

struct GribEnvironment;

enum : size_t {
    GRIB_PALETTE_SIZE = 1024,  // 256 entries of red, green, blue, flags
    GRIB_ALPHA_TABLE_SIZE = 65536,
    GRIB_SHADE_TABLE_SIZE = 8192,
    GRIB_LIGHT_TABLE_SIZE = 8192,
    GRIB_GRAY_TABLE_SIZE = 256,
    GRIB_BLUE_TABLE_SIZE = 256,
};

// Each allocates its table once (a later call keeps the first block);
// 1 on success, 0 when the allocation failed.
int GRIB_AllocAlphaTable(GribEnvironment* env);
int GRIB_AllocShadeTable(GribEnvironment* env);
int GRIB_AllocLightTable(GribEnvironment* env);
int GRIB_AllocGrayTable(GribEnvironment* env);
int GRIB_AllocBlueTable(GribEnvironment* env);

// Copy a whole table into the environment when its flag is set (and the
// table is allocated); nothing happens otherwise. size is the number of bytes
// the caller holds: a buffer shorter than the table is refused (result 0) and
// never read. 1 otherwise.
int GRIB_SetAlphaTable(const void* table, size_t size);
int GRIB_SetShadeTable(const void* table, size_t size);

// Load a table file through the file system and pass it to the setter above.
// 0 when the file is missing or shorter than the table (nothing copied).
int GRIB_LoadAlphaTable(const char* path);
int GRIB_LoadShadeTable(const char* path);

// The index of the palette entry nearest to colour (red in bits 0-7, green
// 8-15, blue 16-23) by squared distance; ties go to the lowest index and the
// flags byte is ignored.
int GRIB_NearestColor(const uint8_t* palette, uint32_t colour);

inline uint32_t GRIB_RGB(uint8_t red, uint8_t green, uint8_t blue) {
    return red | (uint32_t{green} << 8) | (uint32_t{blue} << 16);
}
