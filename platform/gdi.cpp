// Device contexts, DIB sections, palettes, the block copy to a window, the
// system colours and screenshots.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/internal.h"

struct PlatformDib {
    int width = 0;
    int height = 0;
    bool topDown = true;
    uint32_t pitch = 0;
    std::vector<uint8_t> pixels;
    PlatformRgbQuad colours[256]{};
};

struct PlatformPalette {
    PlatformPaletteEntry entries[256]{};
    int count = 0;
};

struct PlatformDC {
    bool memory = false;
    HWND window = nullptr;
    PlatformDib* selected = nullptr;
    PlatformPalette* palette = nullptr;
};

using namespace platform;

PlatformDC* PlatformGetDC(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return nullptr;
    auto* dc = new (std::nothrow) PlatformDC;
    if (dc) dc->window = window;
    return dc;
}

int PlatformReleaseDC(HWND, PlatformDC* dc) {
    if (!dc || dc->memory) return 0;
    delete dc;
    return 1;
}

PlatformDC* PlatformCreateCompatibleDC(PlatformDC* reference) {
    if (!reference) return nullptr;
    if (!reference->memory) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(reference->window)) return nullptr;
    }
    auto* dc = new (std::nothrow) PlatformDC;
    if (dc) dc->memory = true;
    return dc;
}

int PlatformDeleteDC(PlatformDC* dc) {
    if (!dc) return 0;
    delete dc;
    return 1;
}

PlatformDib* PlatformCreateDIBSection(PlatformDC*, int width, int height, const PlatformRgbQuad* colours,
                                      uint8_t** bits) {
    if (bits) *bits = nullptr;
    int h = height < 0 ? -height : height;
    // 16384 pixels a side is far beyond any window; it keeps the sizes in range.
    if (width <= 0 || h <= 0 || width > 16384 || h > 16384) return nullptr;
    auto* dib = new (std::nothrow) PlatformDib;
    if (!dib) return nullptr;
    dib->width = width;
    dib->height = h;
    dib->topDown = height < 0;
    dib->pitch = (static_cast<uint32_t>(width) + 3u) & ~3u;
    try {
        dib->pixels.assign(static_cast<size_t>(dib->pitch) * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        delete dib;
        return nullptr;
    }
    if (colours) std::memcpy(dib->colours, colours, sizeof dib->colours);
    if (bits) *bits = dib->pixels.data();
    return dib;
}

int PlatformDeleteDib(PlatformDib* dib) {
    if (!dib) return 0;
    delete dib;
    return 1;
}

PlatformDib* PlatformSelectDib(PlatformDC* dc, PlatformDib* dib) {
    if (!dc || !dc->memory) return nullptr;
    PlatformDib* old = dc->selected;
    dc->selected = dib;
    return old;
}

PlatformPalette* PlatformCreatePalette(const PlatformPaletteEntry* entries, int count) {
    if (!entries || count <= 0 || count > 256) return nullptr;
    auto* palette = new (std::nothrow) PlatformPalette;
    if (!palette) return nullptr;
    std::memcpy(palette->entries, entries, sizeof(PlatformPaletteEntry) * static_cast<size_t>(count));
    palette->count = count;
    return palette;
}

int PlatformDeletePalette(PlatformPalette* palette) {
    if (!palette) return 0;
    delete palette;
    return 1;
}

PlatformPalette* PlatformSelectPalette(PlatformDC* dc, PlatformPalette* palette, int) {
    if (!dc) return nullptr;
    PlatformPalette* old = dc->palette;
    dc->palette = palette;
    return old;
}

int PlatformRealizePalette(PlatformDC* dc) { return dc && dc->palette ? dc->palette->count : 0; }

int PlatformBitBlt(PlatformDC* destination, int x, int y, int width, int height, PlatformDC* source, int sx,
                   int sy) {
    if (!destination || !source || destination->memory || !source->memory || !source->selected) return 0;
    const PlatformDib& dib = *source->selected;
    HWND window = destination->window;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    int pw = std::max(window->width, 1), ph = std::max(window->height, 1);
    if (window->pictureWidth != pw || window->pictureHeight != ph || window->picture.empty()) {
        window->picture.assign(static_cast<size_t>(pw) * static_cast<size_t>(ph) * 3u, 0);
        window->pictureWidth = pw;
        window->pictureHeight = ph;
    }
    uint32_t rgb[256];
    for (int i = 0; i < 256; ++i) {
        const PlatformRgbQuad& q = dib.colours[i];
        rgb[i] = (uint32_t{q.red} << 16) | (uint32_t{q.green} << 8) | q.blue;
    }
    for (int r = 0; r < height; ++r) {
        int srcRow = sy + r, dstRow = y + r;
        if (srcRow < 0 || srcRow >= dib.height || dstRow < 0 || dstRow >= ph) continue;
        int storedRow = dib.topDown ? srcRow : dib.height - 1 - srcRow;
        const uint8_t* in = dib.pixels.data() + static_cast<size_t>(storedRow) * dib.pitch;
        uint8_t* out = window->picture.data() + static_cast<size_t>(dstRow) * static_cast<size_t>(pw) * 3u;
        for (int c = 0; c < width; ++c) {
            int srcCol = sx + c, dstCol = x + c;
            if (srcCol < 0 || srcCol >= dib.width || dstCol < 0 || dstCol >= pw) continue;
            uint32_t colour = rgb[in[srcCol]];
            uint8_t* p = out + static_cast<size_t>(dstCol) * 3u;
            p[0] = static_cast<uint8_t>(colour >> 16);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour);
        }
    }
    ++window->presents;
    if (window->widget || DisplayOpen()) RequestRedraw(window);
    return 1;
}

int PlatformReadWindowPixels(HWND window, int* width, int* height, uint8_t* rgb, size_t size) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window) || window->picture.empty()) return 0;
    if (width) *width = window->pictureWidth;
    if (height) *height = window->pictureHeight;
    if (rgb) std::memcpy(rgb, window->picture.data(), std::min(size, window->picture.size()));
    return 1;
}

uint32_t PlatformWindowPresentCount(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) ? window->presents : 0;
}

uint32_t PlatformGetSysColor(int index) {
    Fl_Color colour;
    switch (index) {
        case COLOR_BTNFACE: colour = FL_BACKGROUND_COLOR; break;
        case COLOR_BTNSHADOW: colour = FL_DARK3; break;
        case COLOR_BTNHIGHLIGHT: colour = FL_LIGHT1; break;
        default: return 0;
    }
    uchar r = 0, g = 0, b = 0;
    if (DisplayOpen()) RunOnUi([&] { Fl::get_color(colour, r, g, b); });
    else Fl::get_color(colour, r, g, b);
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16);
}

int PlatformCaptureWindow(HWND window, int* width, int* height, uint8_t* rgb, size_t size) {
    if (!DisplayOpen()) return 0;
    int result = 0;
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window) || !window->widget) return;
        Fl_Widget* widget = window->widget;
        Fl_Window* top = widget->as_window() ? widget->as_window() : widget->window();
        if (!top || !top->shown() || !widget->visible_r()) return;
        Fl::flush();
        XSync(fl_display, False);
        int x = widget->as_window() ? 0 : widget->x();
        int y = widget->as_window() ? 0 : widget->y();
        int w = widget->w(), h = widget->h();
        if (width) *width = w;
        if (height) *height = h;
        if (!rgb) {
            result = 1;
            return;
        }
        if (size < static_cast<size_t>(w) * static_cast<size_t>(h) * 3u) return;
        XImage* image = XGetImage(fl_display, fl_xid(top), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                  AllPlanes, ZPixmap);
        if (!image) return;
        auto shift = [](unsigned long mask) {
            int n = 0;
            while (mask && !(mask & 1)) mask >>= 1, ++n;
            return n;
        };
        int rs = shift(image->red_mask), gs = shift(image->green_mask), bs = shift(image->blue_mask);
        for (int row = 0; row < h; ++row) {
            for (int col = 0; col < w; ++col) {
                unsigned long pixel = XGetPixel(image, col, row);
                uint8_t* out = rgb + (static_cast<size_t>(row) * static_cast<size_t>(w) + static_cast<size_t>(col)) * 3u;
                out[0] = static_cast<uint8_t>((pixel & image->red_mask) >> rs);
                out[1] = static_cast<uint8_t>((pixel & image->green_mask) >> gs);
                out[2] = static_cast<uint8_t>((pixel & image->blue_mask) >> bs);
            }
        }
        XDestroyImage(image);
        result = 1;
    });
    return result;
}
