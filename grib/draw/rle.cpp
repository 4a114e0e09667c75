#include <algorithm>

#include "grib/draw/draw.h"
#include "grib/env/bytes.h"

namespace {

// Walks the run-length rows of the source rectangle. Every read stays inside
// rows[0, size): a row whose byte count or codes run past the data is cut
// there, and decoding of a row stops at the rectangle's right edge, so codes
// that describe more pixels than the row holds are never followed.
template <typename Write>
void WalkRle(uint8_t* pixels, uint32_t pitch, int32_t x, int32_t y, const uint8_t* rows, size_t size,
             const GribRect* rect, Write write) {
    if (!pixels || !rows || !rect) return;
    if (rect->left < 0 || rect->top < 0 || rect->right < rect->left || rect->bottom < rect->top) return;
    const size_t left = static_cast<size_t>(rect->left);
    const size_t end = static_cast<size_t>(rect->right) + 1;  // one past the last drawn source column

    size_t pos = 0;
    auto rowLength = [&](size_t at, size_t& length) {
        const GribBytes bytes{rows, size};
        if (!bytes.Has(at, 2)) return false;
        length = bytes.U16(at);
        return true;
    };
    size_t length = 0;
    for (int32_t r = 0; r < rect->top; ++r) {
        if (!rowLength(pos, length)) return;
        pos += 2 + length;
    }
    const int64_t rowCount = int64_t{rect->bottom} - rect->top + 1;
    for (int64_t r = 0; r < rowCount; ++r) {
        if (!rowLength(pos, length)) return;
        size_t code = pos + 2;
        const size_t rowEnd = std::min(size, code + length);
        pos = code + length;
        uint8_t* out = pixels + static_cast<size_t>(y + r) * pitch + x;

        size_t column = 0;  // source column of the next pixel the codes describe
        while (column < end && code < rowEnd) {
            const uint8_t b = rows[code++];
            if (b & 1) {
                column += b >> 1;
                continue;
            }
            size_t count = (b >> 2) + 1;
            const bool repeat = (b & 2) != 0;
            const uint8_t* source = rows + code;
            if (repeat) {
                if (code >= rowEnd) break;
                ++code;
            } else {
                count = std::min(count, rowEnd - code);
                code += count;
            }
            // The part of [column, column + count) inside [left, end).
            const size_t from = std::max(column, left);
            const size_t to = std::min(column + count, end);
            if (repeat) {
                for (size_t c = from; c < to; ++c) write(out[c - left], source[0]);
            } else {
                for (size_t c = from; c < to; ++c) write(out[c - left], source[c - column]);
            }
            column += count;
        }
    }
}

}  // namespace

void GRIB_DrawRle(uint8_t* pixels, uint32_t pitch, int32_t x, int32_t y, const uint8_t* rows, size_t rowsSize,
                  const GribRect* sourceRect) {
    WalkRle(pixels, pitch, x, y, rows, rowsSize, sourceRect, [](uint8_t& d, uint8_t s) { d = s; });
}

void GRIB_DrawRleAlpha(uint8_t* pixels, uint32_t pitch, int32_t x, int32_t y, const uint8_t* rows,
                       size_t rowsSize, const GribRect* sourceRect, const uint8_t* table) {
    if (!table) return;
    WalkRle(pixels, pitch, x, y, rows, rowsSize, sourceRect,
            [table](uint8_t& d, uint8_t s) { d = table[s * 256 + d]; });
}
