// Bitmaps for bitmap buttons and icons for window frames on Windows: a
// PlatformBitmap is an HBITMAP and a PlatformIcon an HICON, so BM_SETIMAGE
// and WM_SETICON pass them to the real controls and frames unchanged.
#include <utility>
#include <vector>

#include "platform/bmp_internal.h"
#include "platform/win32/native.h"

namespace {

// A top-down DIB section of 32-bit pixels made from RGB (channels 3) or
// RGBA (channels 4) pixels, rows top first.
HBITMAP NewSection(int width, int height, const uint8_t* pixels, int channels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section) DeleteObject(section);
        return nullptr;
    }
    auto* out = static_cast<uint8_t*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i, pixels += channels, out += 4) {
        out[0] = pixels[2];
        out[1] = pixels[1];
        out[2] = pixels[0];
        out[3] = channels == 4 ? pixels[3] : 0;
    }
    GdiFlush();
    return section;
}

}  // namespace

PlatformBitmap* PlatformCreateBitmap(int width, int height, const uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || !rgb) return nullptr;
    return reinterpret_cast<PlatformBitmap*>(NewSection(width, height, rgb, 3));
}

PlatformBitmap* PlatformLoadBitmap(const void* data, size_t size, int map3DColors) {
    // The greys LoadImage's LR_LOADMAP3DCOLORS replaces, and with what.
    platform::Bmp3DColours map{};
    const std::pair<uint8_t*, int> targets[] = {
        {map.shadow, COLOR_3DSHADOW}, {map.face, COLOR_3DFACE}, {map.light, COLOR_3DLIGHT}};
    for (auto [rgb, index] : targets) {
        COLORREF c = GetSysColor(index);
        rgb[0] = GetRValue(c);
        rgb[1] = GetGValue(c);
        rgb[2] = GetBValue(c);
    }
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = platform::DecodeBmp(data, size, map3DColors ? &map : nullptr, &width, &height);
    return rgb.empty() ? nullptr : PlatformCreateBitmap(width, height, rgb.data());
}

void PlatformDeleteBitmap(PlatformBitmap* bitmap) {
    if (bitmap) DeleteObject(reinterpret_cast<HBITMAP>(bitmap));
}

PlatformIcon* PlatformCreateIcon(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !rgba) return nullptr;
    HBITMAP colour = NewSection(width, height, rgba, 4);
    if (!colour) return nullptr;
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
