// PNG files for the grib tool, always through a 256-colour palette
// (256 entries of red, green, blue, flags).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes an 8-bit indexed PNG with the palette as its colour table (with
// libpng; the Windows build, which has stb's coder, writes a 24-bit PNG of
// the pixels' palette colours).
bool PngWriteIndexed(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint32_t pitch, const uint8_t* palette, std::string* error);

struct PngIndexed {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width × height palette indices
};

// Reads a PNG of any colour type and maps it onto the palette: an indexed PNG
// whose colours all equal the palette's at the same indices keeps its
// indices; every other pixel becomes GRIB_NearestColor of its colour (the
// Windows build sees colours only, so of equal palette entries the first
// wins).
// Pixels with alpha below 128 become transparentIndex when it is 0-255.
bool PngReadIndexed(const std::string& path, const uint8_t* palette, int transparentIndex, PngIndexed* out,
                    std::string* error);

// Reads a palette file (the first 1,024 bytes: 256 × red, green, blue,
// flags) into palette.
bool ToolLoadPalette(const std::string& path, std::vector<uint8_t>& palette, std::string* error);
