// Shared between the edge walker and the span routines.
#pragma once

#include <cstdint>

#include "grib/raster/raster.h"

namespace grib_raster {

// Wrapping 32-bit arithmetic: the fixed-point values are 32-bit by contract,
// and hostile coordinates must not turn into undefined behaviour.
inline int32_t Add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t Sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t Mul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
inline int32_t Fix(int32_t a) { return Mul(a, 65536); }
// Signed 32-bit division truncating toward zero; d > 0 or the quotient fits.
inline int32_t Div(int32_t n, int32_t d) {
    if (d == -1) return Sub(0, n);
    return n / d;
}

// Where a span goes. clipLeft is inclusive, clipRight exclusive.
struct SpanTarget {
    uint8_t* pixels;
    int32_t stride;
    uint8_t* depth;  // null: no depth test
    int32_t clipLeft;
    int32_t clipRight;
};

struct SpanTexture {
    const uint8_t* data;
    int32_t width;  // texel row stride
    int32_t rows;   // rows that lie inside the data
};

enum class SpanKind { Flat, FlatZ, FlatZLit, Texture, TextureZ, TextureZLit };

void RunSpan(SpanKind kind, int32_t y, const SpanRow& row, const SpanTarget& target, const SpanTexture* texture,
             uint8_t colour, const uint8_t* shade);

}  // namespace grib_raster
