// Converts BDF bitmap fonts (the X11 text format) to the library's 1-bit
// font format: u8 height, u8 unused, u8 vertical offset, u8 first code,
// u16 glyph offsets, glyphs of u8 width plus bit-packed rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BdfFontOptions {
    // Store the vertical offset that puts the baseline row (the bottom row of
    // undescending letters) on the row text is drawn at; otherwise that row is
    // the top of the glyph cells.
    bool baseline = false;
};

struct BdfFontInfo {
    int glyphs = 0;     // glyphs stored
    int firstCode = 0;  // lowest and highest stored character code
    int lastCode = 0;
    int height = 0;     // glyph rows
    int verticalOffset = 0;
};

// Characters with codes 0-255 are converted; each glyph cell is its advance
// width wide and the font bounding box tall, with the glyph's bitmap placed
// by its bounding box (pixels outside the cell are dropped). Returns false
// with a message in error when the text is not a usable BDF font.
bool BdfToFont(std::string_view bdf, std::vector<uint8_t>& font, std::string& error,
               const BdfFontOptions& options = {}, BdfFontInfo* info = nullptr);
