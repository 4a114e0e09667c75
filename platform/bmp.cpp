#include "platform/bmp_internal.h"

#include <utility>

namespace platform {

namespace {

uint32_t Read32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Map3D(const Bmp3DColours& map, uint8_t* rgb) {
    const std::pair<uint8_t, const uint8_t*> pairs[] = {{128, map.shadow}, {192, map.face}, {223, map.light}};
    for (const auto& [grey, colour] : pairs) {
        if (rgb[0] == grey && rgb[1] == grey && rgb[2] == grey) {
            rgb[0] = colour[0];
            rgb[1] = colour[1];
            rgb[2] = colour[2];
            return;
        }
    }
}

}  // namespace

std::vector<uint8_t> DecodeBmp(const void* data, size_t size, const Bmp3DColours* map, int* widthOut,
                               int* heightOut) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return {};
    uint32_t pixelOffset = Read32(bytes + 10);
    uint32_t headerSize = Read32(bytes + 14);
    if (headerSize < 40 || headerSize > size - 14u) return {};
    int32_t width = static_cast<int32_t>(Read32(bytes + 18));
    int32_t height = static_cast<int32_t>(Read32(bytes + 22));
    uint16_t planes = Read16(bytes + 26);
    uint16_t bits = Read16(bytes + 28);
    uint32_t compression = Read32(bytes + 30);
    uint32_t used = Read32(bytes + 46);
    if (planes != 1 || compression != 0 || width <= 0 || width > 4096 || height == 0 || height < -4096 ||
        height > 4096)
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return {};
    bool topDown = height < 0;
    int rows = topDown ? -height : height;
    uint32_t colours = bits == 24 ? 0 : (used ? used : (1u << bits));
    if (colours > 256) return {};
    size_t tableAt = 14u + headerSize;
    if (colours * 4u > size - tableAt) return {};
    size_t stride = ((static_cast<size_t>(width) * bits + 31u) / 32u) * 4u;
    if (pixelOffset > size || stride * static_cast<size_t>(rows) > size - pixelOffset) return {};
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(rows) * 3u);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* row = bytes + pixelOffset + stride * static_cast<size_t>(topDown ? r : rows - 1 - r);
        for (int c = 0; c < width; ++c) {
            uint8_t* out =
                rgb.data() + (static_cast<size_t>(r) * static_cast<size_t>(width) + static_cast<size_t>(c)) * 3u;
            if (bits == 24) {
                out[0] = row[c * 3 + 2];
                out[1] = row[c * 3 + 1];
                out[2] = row[c * 3];
            } else {
                uint32_t index;
                if (bits == 8) index = row[c];
                else if (bits == 4) index = (row[c / 2] >> ((c & 1) ? 0 : 4)) & 0xF;
                else index = (row[c / 8] >> (7 - (c & 7))) & 1;
                if (index >= colours) index = 0;
                const uint8_t* entry = bytes + tableAt + index * 4u;
                out[0] = entry[2];
                out[1] = entry[1];
                out[2] = entry[0];
            }
            if (map) Map3D(*map, out);
        }
    }
    *widthOut = width;
    *heightOut = rows;
    return rgb;
}

}  // namespace platform
