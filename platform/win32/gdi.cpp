// Device contexts, DIB sections, palettes and block copies are the real GDI
// objects (a PlatformDC is an HDC, a PlatformDib an HBITMAP, a
// PlatformPalette an HPALETTE). What a copy left in a window is kept here
// too, since a window's pixels can't be read back reliably.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/win32/layer.h"

namespace {

HDC Native(PlatformDC* dc) { return reinterpret_cast<HDC>(dc); }

struct Presented {
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    uint32_t count = 0;
};

std::mutex& PresentLock() {
    static std::mutex lock;
    return lock;
}
std::map<NativeHWND, Presented>& PresentedWindows() {
    static auto* windows = new std::map<NativeHWND, Presented>;
    return *windows;
}

// The DIB sections made top-down: GetObject reports every height positive.
std::set<HBITMAP>& TopDownDibs() {
    static auto* dibs = new std::set<HBITMAP>;
    return *dibs;
}

// The 8-bit DIB section selected into a memory context, or false.
bool SelectedDib(HDC dc, DIBSECTION* section) {
    auto bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    if (!bitmap || GetObjectA(bitmap, sizeof *section, section) != sizeof *section) return false;
    return section->dsBm.bmBits && section->dsBm.bmBitsPixel == 8;
}

// Converts what a copy put in the window through the DIB's colour table into
// the window's record (client-sized, as the window shows it).
void Record(NativeHWND window, HDC source, int x, int y, int width, int height, int sx, int sy) {
    RECT client{};
    GetClientRect(window, &client);
    int pw = std::max<int>(client.right, 1), ph = std::max<int>(client.bottom, 1);
    DIBSECTION dib{};
    bool indexed = SelectedDib(source, &dib);
    RGBQUAD table[256]{};
    if (indexed) GetDIBColorTable(source, 0, 256, table);
    std::lock_guard<std::mutex> lock(PresentLock());
    bool topDown = indexed && TopDownDibs().count(static_cast<HBITMAP>(GetCurrentObject(source, OBJ_BITMAP)));
    Presented& p = PresentedWindows()[window];
    ++p.count;
    if (!indexed) return;
    if (p.width != pw || p.height != ph || p.rgb.empty()) {
        p.rgb.assign(static_cast<size_t>(pw) * static_cast<size_t>(ph) * 3u, 0);
        p.width = pw;
        p.height = ph;
    }
    GdiFlush();
    int dw = dib.dsBm.bmWidth, dh = dib.dsBm.bmHeight;
    auto* bits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
    for (int r = 0; r < height; ++r) {
        int srcRow = sy + r, dstRow = y + r;
        if (srcRow < 0 || srcRow >= dh || dstRow < 0 || dstRow >= ph) continue;
        int stored = topDown ? srcRow : dh - 1 - srcRow;
        const uint8_t* in = bits + static_cast<size_t>(stored) * static_cast<size_t>(dib.dsBm.bmWidthBytes);
        uint8_t* out = p.rgb.data() + static_cast<size_t>(dstRow) * static_cast<size_t>(pw) * 3u;
        for (int c = 0; c < width; ++c) {
            int srcCol = sx + c, dstCol = x + c;
            if (srcCol < 0 || srcCol >= dw || dstCol < 0 || dstCol >= pw) continue;
            const RGBQUAD& q = table[in[srcCol]];
            uint8_t* o = out + static_cast<size_t>(dstCol) * 3u;
            o[0] = q.rgbRed;
            o[1] = q.rgbGreen;
            o[2] = q.rgbBlue;
        }
    }
}

}  // namespace

static_assert(sizeof(PlatformRgbQuad) == sizeof(RGBQUAD) && sizeof(PlatformPaletteEntry) == sizeof(PALETTEENTRY));

namespace platform {

void ForgetPresented(NativeHWND window) {
    std::lock_guard<std::mutex> lock(PresentLock());
    PresentedWindows().erase(window);
}

}  // namespace platform

PlatformDC* PlatformGetDC(HWND window) {
    if (!window) return nullptr;
    return reinterpret_cast<PlatformDC*>(GetDC(NativeWindow(window)));
}
int PlatformReleaseDC(HWND window, PlatformDC* dc) {
    return dc && ReleaseDC(NativeWindow(window), Native(dc)) ? 1 : 0;
}

PlatformDC* PlatformCreateCompatibleDC(PlatformDC* reference) {
    if (!reference || !GetObjectType(Native(reference))) return nullptr;
    return reinterpret_cast<PlatformDC*>(CreateCompatibleDC(Native(reference)));
}
int PlatformDeleteDC(PlatformDC* dc) { return dc && DeleteDC(Native(dc)) ? 1 : 0; }

PlatformDib* PlatformCreateDIBSection(PlatformDC* dc, int width, int height, const PlatformRgbQuad* colours,
                                      uint8_t** bits) {
    if (bits) *bits = nullptr;
    int h = height < 0 ? -height : height;
    // 16384 a side is far beyond any window and keeps the sizes in range.
    if (width <= 0 || h <= 0 || width > 16384 || h > 16384) return nullptr;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    if (colours) std::memcpy(info.colours, colours, sizeof info.colours);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc ? Native(dc) : nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &pixels, nullptr, 0);
    if (!bitmap) return nullptr;
    if (bits) *bits = static_cast<uint8_t*>(pixels);
    if (height < 0) {
        std::lock_guard<std::mutex> lock(PresentLock());
        TopDownDibs().insert(bitmap);
    }
    return reinterpret_cast<PlatformDib*>(bitmap);
}
int PlatformDeleteDib(PlatformDib* dib) {
    if (!dib || !DeleteObject(reinterpret_cast<HBITMAP>(dib))) return 0;
    std::lock_guard<std::mutex> lock(PresentLock());
    TopDownDibs().erase(reinterpret_cast<HBITMAP>(dib));
    return 1;
}
PlatformDib* PlatformSelectDib(PlatformDC* dc, PlatformDib* dib) {
    if (!dc || !dib) return nullptr;
    return reinterpret_cast<PlatformDib*>(SelectObject(Native(dc), reinterpret_cast<HBITMAP>(dib)));
}

PlatformPalette* PlatformCreatePalette(const PlatformPaletteEntry* entries, int count) {
    if (!entries || count <= 0 || count > 256) return nullptr;
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } logical{};
    logical.version = 0x300;
    logical.count = static_cast<WORD>(count);
    std::memcpy(logical.entries, entries, sizeof(PALETTEENTRY) * static_cast<size_t>(count));
    return reinterpret_cast<PlatformPalette*>(CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical)));
}
int PlatformDeletePalette(PlatformPalette* palette) {
    return palette && DeleteObject(reinterpret_cast<HPALETTE>(palette)) ? 1 : 0;
}
PlatformPalette* PlatformSelectPalette(PlatformDC* dc, PlatformPalette* palette, int background) {
    if (!dc || !palette) return nullptr;
    return reinterpret_cast<PlatformPalette*>(
        SelectPalette(Native(dc), reinterpret_cast<HPALETTE>(palette), background));
}
int PlatformRealizePalette(PlatformDC* dc) {
    if (!dc) return 0;
    UINT mapped = RealizePalette(Native(dc));
    return mapped == GDI_ERROR ? 0 : static_cast<int>(mapped);
}

int PlatformBitBlt(PlatformDC* destination, int x, int y, int width, int height, PlatformDC* source, int sx,
                   int sy) {
    if (!destination || !source) return 0;
    if (!BitBlt(Native(destination), x, y, width, height, Native(source), sx, sy, SRCCOPY)) return 0;
    if (NativeHWND window = WindowFromDC(Native(destination)))
        Record(window, Native(source), x, y, width, height, sx, sy);
    return 1;
}

PlatformDC* PlatformBeginPaint(HWND window, PlatformPaint* paint) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(NativeWindow(window), &ps);
    if (paint) {
        paint->dc = reinterpret_cast<PlatformDC*>(dc);
        paint->area = PlatformRect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
    }
    return reinterpret_cast<PlatformDC*>(dc);
}
int PlatformEndPaint(HWND window, const PlatformPaint* paint) {
    if (!paint) return 0;
    // EndPaint needs only the context (and releases it).
    PAINTSTRUCT ps{};
    ps.hdc = Native(paint->dc);
    ps.rcPaint = RECT{paint->area.left, paint->area.top, paint->area.right, paint->area.bottom};
    return EndPaint(NativeWindow(window), &ps) ? 1 : 0;
}

int PlatformReadWindowPixels(HWND window, int* width, int* height, uint8_t* rgb, size_t size) {
    if (!PlatformIsWindow(window)) return 0;
    std::lock_guard<std::mutex> lock(PresentLock());
    auto found = PresentedWindows().find(NativeWindow(window));
    if (found == PresentedWindows().end() || found->second.rgb.empty()) return 0;
    const Presented& p = found->second;
    if (width) *width = p.width;
    if (height) *height = p.height;
    if (rgb) std::memcpy(rgb, p.rgb.data(), std::min(size, p.rgb.size()));
    return 1;
}

uint32_t PlatformWindowPresentCount(HWND window) {
    if (!PlatformIsWindow(window)) return 0;
    std::lock_guard<std::mutex> lock(PresentLock());
    auto found = PresentedWindows().find(NativeWindow(window));
    return found == PresentedWindows().end() ? 0 : found->second.count;
}

int PlatformCaptureWindow(HWND window, int* width, int* height, uint8_t* rgb, size_t size) {
    NativeHWND native = NativeWindow(window);
    if (!window || !IsWindowVisible(native) || IsIconic(GetAncestor(native, GA_ROOT))) return 0;
    // Pending paints first, so that the capture shows the current state.
    RedrawWindow(native, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    RECT client{};
    GetClientRect(native, &client);
    int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return 0;
    if (width) *width = w;
    if (height) *height = h;
    if (!rgb) return 1;
    if (size < static_cast<size_t>(w) * static_cast<size_t>(h) * 3u) return 0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HDC screen = GetDC(native);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    int result = 0;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY)) {
            GdiFlush();
            const uint8_t* in = static_cast<const uint8_t*>(pixels);
            for (size_t i = 0, n = static_cast<size_t>(w) * static_cast<size_t>(h); i < n; ++i) {
                rgb[i * 3] = in[i * 4 + 2];
                rgb[i * 3 + 1] = in[i * 4 + 1];
                rgb[i * 3 + 2] = in[i * 4];
            }
            result = 1;
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(native, screen);
    return result;
}

uint32_t PlatformGetSysColor(int index) {
    if (index != COLOR_BTNFACE && index != COLOR_BTNSHADOW && index != COLOR_BTNHIGHLIGHT) return 0;
    return GetSysColor(index);
}
