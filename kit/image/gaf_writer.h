// Writes GAF files: named entries of frames with durations and a loop flag;
// frames raw or run-length encoded, or made of sub-images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KitGafImage {
    uint16_t width = 0;
    uint16_t height = 0;
    int16_t originX = 0;
    int16_t originY = 0;
    uint8_t transparent = 0;
    bool compress = false;    // run-length rows; transparent pixels become skips
    uint8_t translucent = 0;  // a sub-image drawn through the alpha table
    std::vector<uint8_t> pixels;          // width × height, row 0 first
    std::vector<KitGafImage> subImages;   // when given, pixels are not used
};

struct KitGafFrame {
    KitGafImage image;
    uint16_t duration = 1;  // ticks
};

struct KitGafEntry {
    std::string name;  // up to 31 characters are kept
    bool loop = true;
    std::vector<KitGafFrame> frames;
};

std::vector<uint8_t> KitWriteGAF(const std::vector<KitGafEntry>& entries);

// Run-length rows of a width × height image: per row a u16 byte count and its
// codes (odd: skip n >> 1; n & 2: repeat the next byte (n >> 2) + 1 times;
// else copy the next (n >> 2) + 1 bytes).
std::vector<uint8_t> KitEncodeRows(const uint8_t* pixels, uint32_t width, uint32_t height, uint8_t transparent);

// Decodes run-length rows of rowsSize bytes into width × height pixels;
// skipped pixels get fill. Codes running past a row or the data are cut;
// false when the data ended early or a row held codes past its width.
bool KitDecodeRows(const uint8_t* rows, size_t rowsSize, uint32_t width, uint32_t height, uint8_t fill,
                   std::vector<uint8_t>& pixels);
