// Device contexts, 8-bit DIB sections, logical palettes and the block copy
// that presents a bitmap in a window.
//
// A window context (PlatformBeginPaint, PlatformGetDC) stands for the
// window's client area; a memory context holds one selected DIB section.
// PlatformBitBlt from a memory context to a window context converts the
// DIB's palette indices through its colour table and shows the result in the
// window (the window keeps the picture until the next copy). The display is
// true colour: selecting and realising a palette is accepted and has no
// further effect, the colours come from the DIB's table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window.h"

struct PlatformDC;
struct PlatformDib;
struct PlatformPalette;

struct PlatformRgbQuad {
    uint8_t blue, green, red, reserved;
};
struct PlatformPaletteEntry {
    uint8_t red, green, blue, flags;
};

// The client-area context of a window; release it with PlatformReleaseDC.
PlatformDC* PlatformGetDC(HWND window);
int PlatformReleaseDC(HWND window, PlatformDC* dc);
// A memory context; null when the reference context is null or dead.
PlatformDC* PlatformCreateCompatibleDC(PlatformDC* reference);
int PlatformDeleteDC(PlatformDC* dc);

// An 8-bit DIB: height < 0 means rows top-down. colours: 256 entries (null:
// all black). *bits receives the pixels (pitch = width rounded up to 4).
// Null when the size is zero or too large or memory runs out.
PlatformDib* PlatformCreateDIBSection(PlatformDC* dc, int width, int height, const PlatformRgbQuad* colours,
                                      uint8_t** bits);
int PlatformDeleteDib(PlatformDib* dib);
// Selects the DIB into a memory context; returns the one selected before.
PlatformDib* PlatformSelectDib(PlatformDC* dc, PlatformDib* dib);

// A logical palette of 256 entries (version 0x300).
PlatformPalette* PlatformCreatePalette(const PlatformPaletteEntry* entries, int count);
int PlatformDeletePalette(PlatformPalette* palette);
PlatformPalette* PlatformSelectPalette(PlatformDC* dc, PlatformPalette* palette, int background);
int PlatformRealizePalette(PlatformDC* dc);

// Copies width x height pixels from the source context at (sx, sy) to the
// destination at (x, y) (a plain source copy). 1 on success.
int PlatformBitBlt(PlatformDC* destination, int x, int y, int width, int height, PlatformDC* source, int sx,
                   int sy);

// What a window shows now, as RGB (3 bytes per pixel, rows top first), for
// tests and screenshots. Returns 0 when the window shows no copied picture.
int PlatformReadWindowPixels(HWND window, int* width, int* height, uint8_t* rgb, size_t size);
// What the screen shows of a window now, controls included (RGB, rows top
// first), read back from the display after pending drawing is done; for
// screenshots. 0 without a display or when the window is not shown; size
// must hold width x height x 3 bytes (a null rgb asks only for the size).
int PlatformCaptureWindow(HWND window, int* width, int* height, uint8_t* rgb, size_t size);
// How many block copies reached the window since it was created.
uint32_t PlatformWindowPresentCount(HWND window);

// The desktop's colours, as GetSysColor gives them (0x00BBGGRR): the face,
// shadow and highlight of buttons and dialogs; 0 for other indices.
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
uint32_t PlatformGetSysColor(int index);
