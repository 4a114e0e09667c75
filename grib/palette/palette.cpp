#include "grib/palette/palette.h"

#include <cstring>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"

namespace {

int AllocTable(uint8_t*& table, const char* tag, size_t size) {
    if (table) return 1;
    table = static_cast<uint8_t*>(GRIB_Alloc(tag, size));
    return table ? 1 : 0;
}

int SetTable(uint8_t* table, uint16_t flag, const void* data, size_t size, size_t tableSize) {
    if (!data || size < tableSize) return 0;
    const GribEnvironment* env = GRIB_GetEnvironment();
    if ((env->flags & flag) && table) std::memcpy(table, data, tableSize);
    return 1;
}

int LoadTable(const char* path, int (*set)(const void*, size_t)) {
    int32_t length = -1;
    void* block = GRIB_LoadFile(path, &length);
    if (!block) return 0;
    int ok = set(block, length > 0 ? static_cast<size_t>(length) : 0);
    GRIB_Free(block);
    return ok;
}

}  // namespace

int GRIB_AllocAlphaTable(GribEnvironment* env) { return AllocTable(env->alphaTable, "ALPHA TABLE", GRIB_ALPHA_TABLE_SIZE); }
int GRIB_AllocShadeTable(GribEnvironment* env) { return AllocTable(env->shadeTable, "SHADE TABLE", GRIB_SHADE_TABLE_SIZE); }
int GRIB_AllocLightTable(GribEnvironment* env) { return AllocTable(env->lightTable, "LIGHT TABLE", GRIB_LIGHT_TABLE_SIZE); }
int GRIB_AllocGrayTable(GribEnvironment* env) { return AllocTable(env->grayTable, "GRAY TABLE", GRIB_GRAY_TABLE_SIZE); }
int GRIB_AllocBlueTable(GribEnvironment* env) { return AllocTable(env->blueTable, "BLUE TABLE", GRIB_BLUE_TABLE_SIZE); }

int GRIB_SetAlphaTable(const void* table, size_t size) {
    return SetTable(GRIB_GetEnvironment()->alphaTable, GRIB_FLAG_ALPHA, table, size, GRIB_ALPHA_TABLE_SIZE);
}

int GRIB_SetShadeTable(const void* table, size_t size) {
    return SetTable(GRIB_GetEnvironment()->shadeTable, GRIB_FLAG_SHADE, table, size, GRIB_SHADE_TABLE_SIZE);
}

int GRIB_LoadAlphaTable(const char* path) { return LoadTable(path, GRIB_SetAlphaTable); }
int GRIB_LoadShadeTable(const char* path) { return LoadTable(path, GRIB_SetShadeTable); }

int GRIB_NearestColor(const uint8_t* palette, uint32_t colour) {
    const int red = static_cast<int>(colour & 0xFF);
    const int green = static_cast<int>((colour >> 8) & 0xFF);
    const int blue = static_cast<int>((colour >> 16) & 0xFF);
    int best = 1000000000;
    int bestIndex = 0;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = palette + i * 4;
        int dr = e[0] - red, dg = e[1] - green, db = e[2] - blue;
        int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}
