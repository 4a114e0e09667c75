// Reading and writing 8-bit images (PNG or PCX, chosen by extension) for the
// image and gaf commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ToolImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;   // palette indices, width × height
    std::vector<uint8_t> palette;  // 1,024 bytes, or empty when unknown
};

bool ToolHasExtension(const std::string& path, const char* extension);

// The 256 greys, for a model drawn or exported without its game's palette.
std::vector<uint8_t> ToolGreyPalette();

// PCX: indices as stored, palette from the file. PNG: mapped onto palette
// (required), pixels with alpha below 128 become transparentIndex (when
// 0-255). Status GRIB_EXIT_OK, or the exit code after reporting.
int ToolReadImage(const std::string& path, const std::vector<uint8_t>& palette, int transparentIndex,
                  ToolImage* out);
// Writes .png or .pcx with the image's palette. Status as above.
int ToolWriteImage(const std::string& path, const ToolImage& image);
