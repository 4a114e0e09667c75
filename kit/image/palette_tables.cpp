#include "kit/image/palette_tables.h"

#include "grib/palette/palette.h"

std::vector<uint8_t> KitMakeAlphaTable(const uint8_t* palette) {
    std::vector<uint8_t> table(GRIB_ALPHA_TABLE_SIZE);
    // The mix is symmetric: compute each pair once.
    for (int s = 0; s < 256; ++s)
        for (int d = s; d < 256; ++d) {
            const uint8_t* a = palette + s * 4;
            const uint8_t* b = palette + d * 4;
            uint32_t mix = GRIB_RGB(static_cast<uint8_t>((a[0] + b[0] + 1) / 2),
                                    static_cast<uint8_t>((a[1] + b[1] + 1) / 2),
                                    static_cast<uint8_t>((a[2] + b[2] + 1) / 2));
            uint8_t index = static_cast<uint8_t>(GRIB_NearestColor(palette, mix));
            table[static_cast<size_t>(s) * 256 + d] = index;
            table[static_cast<size_t>(d) * 256 + s] = index;
        }
    return table;
}

std::vector<uint8_t> KitMakeShadeTable(const uint8_t* palette) {
    std::vector<uint8_t> table(GRIB_SHADE_TABLE_SIZE);
    for (int level = 0; level < KIT_SHADE_LEVELS; ++level)
        for (int c = 0; c < 256; ++c) {
            uint8_t rgb[3];
            for (int k = 0; k < 3; ++k) {
                int v = palette[c * 4 + k];
                if (level <= KIT_SHADE_UNCHANGED) v = v * level / KIT_SHADE_UNCHANGED;
                else v += (255 - v) * (level - KIT_SHADE_UNCHANGED) / 32;
                rgb[k] = static_cast<uint8_t>(v);
            }
            // The unchanged row maps every index to itself, even where the
            // palette holds the same colour twice.
            table[static_cast<size_t>(level) * 256 + c] =
                level == KIT_SHADE_UNCHANGED
                    ? static_cast<uint8_t>(c)
                    : static_cast<uint8_t>(GRIB_NearestColor(palette, GRIB_RGB(rgb[0], rgb[1], rgb[2])));
        }
    return table;
}
