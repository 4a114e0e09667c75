// Bitmaps for bitmap buttons and icons for window frames on Windows: a
// PlatformBitmap is an HBITMAP and a PlatformIcon an HICON, so BM_SETIMAGE
// and WM_SETICON pass them to the real controls and frames unchanged.
#include <vector>

#include "platform/win32/native.h"

namespace {

// A top-down DIB section of 32-bit pixels, its bits in *bits.
HBITMAP NewSection(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

uint32_t Read32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The greys LoadImage's LR_LOADMAP3DCOLORS replaces.
void Map3D(uint8_t* rgb) {
    struct Pair {
        uint8_t grey;
        int colour;
    };
    static constexpr Pair pairs[] = {{128, COLOR_3DSHADOW}, {192, COLOR_3DFACE}, {223, COLOR_3DLIGHT}};
    for (const Pair& p : pairs) {
        if (rgb[0] == p.grey && rgb[1] == p.grey && rgb[2] == p.grey) {
            COLORREF c = GetSysColor(p.colour);
            rgb[0] = GetRValue(c);
            rgb[1] = GetGValue(c);
            rgb[2] = GetBValue(c);
            return;
        }
    }
}

}  // namespace

PlatformBitmap* PlatformCreateBitmap(int width, int height, const uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || !rgb) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = NewSection(width, height, &bits);
    if (!bitmap || !bits) return nullptr;
    auto* out = static_cast<uint8_t*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        out[i * 4] = rgb[i * 3 + 2];
        out[i * 4 + 1] = rgb[i * 3 + 1];
        out[i * 4 + 2] = rgb[i * 3];
        out[i * 4 + 3] = 0;
    }
    GdiFlush();
    return reinterpret_cast<PlatformBitmap*>(bitmap);
}

PlatformBitmap* PlatformLoadBitmap(const void* data, size_t size, int map3DColors) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    uint32_t pixelOffset = Read32(bytes + 10);
    uint32_t headerSize = Read32(bytes + 14);
    if (headerSize < 40 || headerSize > size - 14u) return nullptr;
    int32_t width = static_cast<int32_t>(Read32(bytes + 18));
    int32_t height = static_cast<int32_t>(Read32(bytes + 22));
    uint16_t planes = Read16(bytes + 26);
    uint16_t bits = Read16(bytes + 28);
    uint32_t compression = Read32(bytes + 30);
    uint32_t used = Read32(bytes + 46);
    if (planes != 1 || compression != BI_RGB || width <= 0 || width > 4096 || height == 0 || height < -4096 ||
        height > 4096)
        return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return nullptr;
    bool topDown = height < 0;
    int rows = topDown ? -height : height;
    uint32_t colours = bits == 24 ? 0 : (used ? used : (1u << bits));
    if (colours > 256) return nullptr;
    size_t tableAt = 14u + headerSize;
    if (colours * 4u > size - tableAt) return nullptr;
    size_t stride = ((static_cast<size_t>(width) * bits + 31u) / 32u) * 4u;
    if (pixelOffset > size || stride * static_cast<size_t>(rows) > size - pixelOffset) return nullptr;
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
            if (map3DColors) Map3D(out);
        }
    }
    return PlatformCreateBitmap(width, rows, rgb.data());
}

void PlatformDeleteBitmap(PlatformBitmap* bitmap) {
    if (bitmap) DeleteObject(reinterpret_cast<HBITMAP>(bitmap));
}

PlatformIcon* PlatformCreateIcon(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !rgba) return nullptr;
    void* bits = nullptr;
    HBITMAP colour = NewSection(width, height, &bits);
    if (!colour || !bits) return nullptr;
    auto* out = static_cast<uint8_t*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        out[i * 4] = rgba[i * 4 + 2];
        out[i * 4 + 1] = rgba[i * 4 + 1];
        out[i * 4 + 2] = rgba[i * 4];
        out[i * 4 + 3] = rgba[i * 4 + 3];
    }
    GdiFlush();
    // With an alpha channel the mask only matters where alpha is ignored:
    // all clear (zeros) lets the colours show.
    std::vector<uint8_t> maskBits(static_cast<size_t>((width + 15) / 16 * 2) * static_cast<size_t>(height), 0);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
    HICON icon = nullptr;
    if (mask) {
        ICONINFO info{TRUE, 0, 0, mask, colour};
        icon = CreateIconIndirect(&info);
        DeleteObject(mask);
    }
    DeleteObject(colour);
    return reinterpret_cast<PlatformIcon*>(icon);
}

void PlatformDestroyIcon(PlatformIcon* icon) {
    if (icon) DestroyIcon(reinterpret_cast<HICON>(icon));
}
