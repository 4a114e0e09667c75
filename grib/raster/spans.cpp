// The span routines: one scanline of a polygon, per-pixel rules of each
// variant, texel fetch by shift for power-of-two widths.
#include <algorithm>
#include <cstring>

#include "grib/raster/raster_internal.h"

namespace grib_raster {
namespace {

struct SpanState {
    uint8_t* dst;
    uint8_t* zbuf;
    int32_t n;
    int32_t u, v, d, l;
    int32_t du, dv, dd, dl;
};

inline uint8_t ShadeOf(const uint8_t* shade, int32_t light, uint8_t colour) {
    int32_t level = light >> 16;
    level = std::clamp(level, 0, 31);
    return shade[level * 256 + colour];
}

// SHIFT: 3..7 fetch by shift, 0 by multiply, -1 by multiply with the
// coordinates clamped into the texture (spans whose interpolated
// coordinates leave the texture, which only hostile vertices produce).
template <int SHIFT>
inline uint8_t Texel(const SpanTexture& t, int32_t u, int32_t v) {
    if constexpr (SHIFT == 3) {
        return t.data[((v >> 16) << 3) + (u >> 16)];
    } else if constexpr (SHIFT >= 4) {
        constexpr uint32_t mask = ~((uint32_t{1} << (16 + SHIFT)) - 1);
        uint32_t index = (((static_cast<uint32_t>(v) << SHIFT) & mask) + static_cast<uint32_t>(u)) >> 16;
        return t.data[index];
    } else if constexpr (SHIFT == 0) {
        return t.data[(v >> 16) * t.width + (u >> 16)];
    } else {
        int32_t tu = std::clamp(u >> 16, 0, t.width - 1);
        int32_t tv = std::clamp(v >> 16, 0, t.rows - 1);
        return t.data[tv * t.width + tu];
    }
}

template <bool TEX, bool DEPTH, bool LIT, int SHIFT>
void Loop(SpanState s, const SpanTexture* t, uint8_t colour, const uint8_t* shade) {
    for (int32_t k = 0; k < s.n; ++k) {
        uint8_t src;
        if constexpr (TEX)
            src = Texel<SHIFT>(*t, s.u, s.v);
        else
            src = colour;
        if constexpr (DEPTH) {
            uint8_t d = static_cast<uint8_t>(s.d >> 16);
            if (s.zbuf[k] <= d) {
                if constexpr (LIT)
                    s.dst[k] = ShadeOf(shade, s.l, src);
                else
                    s.dst[k] = src;
                s.zbuf[k] = d;
            }
        } else {
            if constexpr (LIT)
                s.dst[k] = ShadeOf(shade, s.l, src);
            else
                s.dst[k] = src;
        }
        if constexpr (TEX) {
            s.u = Add(s.u, s.du);
            s.v = Add(s.v, s.dv);
        }
        if constexpr (DEPTH) s.d = Add(s.d, s.dd);
        if constexpr (LIT) s.l = Add(s.l, s.dl);
    }
}

// True when every texel the span reads lies inside the texture.
bool InsideTexture(const SpanState& s, const SpanTexture& t) {
    auto inside = [](int64_t first, int64_t step, int64_t n, int64_t limit) {
        int64_t last = first + step * (n - 1);
        int64_t lo = std::min(first, last), hi = std::max(first, last);
        return lo >= 0 && (hi >> 16) < limit;
    };
    return inside(s.u, s.du, s.n, t.width) && inside(s.v, s.dv, s.n, t.rows);
}

template <bool DEPTH, bool LIT>
void TextureLoop(const SpanState& s, const SpanTexture& t, const uint8_t* shade) {
    if (!InsideTexture(s, t)) return Loop<true, DEPTH, LIT, -1>(s, &t, 0, shade);
    switch (t.width) {
        case 8: return Loop<true, DEPTH, LIT, 3>(s, &t, 0, shade);
        case 16: return Loop<true, DEPTH, LIT, 4>(s, &t, 0, shade);
        case 32: return Loop<true, DEPTH, LIT, 5>(s, &t, 0, shade);
        case 64: return Loop<true, DEPTH, LIT, 6>(s, &t, 0, shade);
        case 128: return Loop<true, DEPTH, LIT, 7>(s, &t, 0, shade);
        default: return Loop<true, DEPTH, LIT, 0>(s, &t, 0, shade);
    }
}

}  // namespace

void RunSpan(SpanKind kind, int32_t y, const SpanRow& row, const SpanTarget& target, const SpanTexture* texture,
             uint8_t colour, const uint8_t* shade) {
    int32_t width0 = row.rightX - row.leftX;
    if (width0 <= 0) return;
    SpanState s{};
    s.u = row.leftU;
    s.v = row.leftV;
    s.d = row.leftDepth;
    s.l = row.leftLight;
    s.du = Div(Sub(row.rightU, row.leftU), width0);
    s.dv = Div(Sub(row.rightV, row.leftV), width0);
    s.dd = Div(Sub(row.rightDepth, row.leftDepth), width0);
    s.dl = Div(Sub(row.rightLight, row.leftLight), width0);
    int32_t left = row.leftX;
    int32_t right = row.rightX;
    if (left < target.clipLeft) {
        int32_t k = target.clipLeft - left;
        s.u = Add(s.u, Mul(k, s.du));
        s.v = Add(s.v, Mul(k, s.dv));
        s.d = Add(s.d, Mul(k, s.dd));
        s.l = Add(s.l, Mul(k, s.dl));
        left = target.clipLeft;
    }
    right = std::min(right, target.clipRight);
    s.n = right - left;
    if (s.n <= 0) return;
    size_t offset = static_cast<size_t>(target.stride) * static_cast<size_t>(y) + static_cast<size_t>(left);
    s.dst = target.pixels + offset;
    s.zbuf = target.depth ? target.depth + offset : nullptr;
    bool depth = s.zbuf != nullptr;
    switch (kind) {
        case SpanKind::Flat:
            std::memset(s.dst, colour, static_cast<size_t>(s.n));
            return;
        case SpanKind::FlatZ:
            return depth ? Loop<false, true, false, 0>(s, nullptr, colour, shade)
                         : Loop<false, false, false, 0>(s, nullptr, colour, shade);
        case SpanKind::FlatZLit:
            if (!shade)  // no shade table loaded: unlit
                return depth ? Loop<false, true, false, 0>(s, nullptr, colour, shade)
                             : Loop<false, false, false, 0>(s, nullptr, colour, shade);
            return depth ? Loop<false, true, true, 0>(s, nullptr, colour, shade)
                         : Loop<false, false, true, 0>(s, nullptr, colour, shade);
        case SpanKind::Texture:
            return TextureLoop<false, false>(s, *texture, shade);
        case SpanKind::TextureZ:
            return depth ? TextureLoop<true, false>(s, *texture, shade) : TextureLoop<false, false>(s, *texture, shade);
        case SpanKind::TextureZLit:
            if (!depth) return TextureLoop<false, false>(s, *texture, shade);
            if (!shade) return TextureLoop<true, false>(s, *texture, shade);
            return TextureLoop<true, true>(s, *texture, shade);
    }
}

}  // namespace grib_raster
