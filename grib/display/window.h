// The surface window: a child window of the class "GRIBWIN Window" that owns
// an 8-bit DIB section with a palette, asks a draw callback for each frame
// and copies the result to its client area.
//
// Frames come from paints (a paint always shows the bitmap) and from the
// frame message GRIB_FRAME_MESSAGE (shown only when the callback returns
// nonzero). The bitmap is made on the first paint and again after each
// resize, so a callback must not keep its pixel pointer across calls.
// Timer modes (global and per window): 0 none, 3 1000 ms, 6 100 ms, 9 1 ms.
// A window's own timer marks it as wanting a frame; the global timer hands
// out frame messages, never a second one while the first is pending.
#pragma once

#include <cstdint>

#include "grib/bitmap/bitmap.h"
#include "platform/gdi.h"
#include "platform/window.h"

inline constexpr uint32_t GRIB_FRAME_MESSAGE = 0x557;
inline constexpr int GRIB_SURFACE_SLOTS = 16;
inline constexpr const char* GRIB_SURFACE_CLASS = "GRIBWIN Window";

// Draw callback: (window, the slot's bitmap, elapsed ticks since the previous
// call) -> nonzero when the bitmap changed and must be shown.
using GribDrawCallback = int (*)(HWND window, GribBitmap* bitmap, uint32_t elapsed);
// Event callback: gets the window's messages (see GRIB_SurfaceWindowProc).
using GribEventCallback = LRESULT (*)(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

struct GribSurfaceSlot {
    uint32_t used;
    HWND window;
    GribDrawCallback draw;
    GribEventCallback events;
    int32_t width;
    int32_t height;
    uint32_t pitch;
    PlatformDC* memoryContext;
    GribBitmap bitmap;
    PlatformDib* dib;
    PlatformPalette* palette;
    uint8_t* dibPixels;
    PlatformPaletteEntry* paletteCopy;  // 256 entries from the plain heap, or null
    uint32_t timerMode;
    uint32_t lastTick;
    int32_t mouseX;
    int32_t mouseY;
    uintptr_t timerId;
    uint32_t tickPending;
    uint32_t framePending;
};

// A child window of parent at x, y with the given size; palettePath names a
// 1,024-byte palette file (256 x red, green, blue, flags) read through the
// file system, or null. Null when all 16 slots are in use or the window
// can't be made.
HWND GRIB_CreateSurfaceWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                              GribDrawCallback draw, GribEventCallback events, uint32_t timerMode,
                              const char* palettePath);

// The window procedure of the class. Paints never reach the event callback,
// nor do frame messages once the bitmap exists; every other message does,
// and the callback's result is returned.
LRESULT GRIB_SurfaceWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// The timer procedure of the global (null window) and per-window timers.
void GRIB_SurfaceTimerProc(HWND window, uint32_t message, uintptr_t id, uint32_t time);

// The slot table, for inspection: null for an index outside 0..15.
const GribSurfaceSlot* GRIB_SurfaceSlot(int index);
// The slot index of a surface window, or -1.
int GRIB_SurfaceSlotOf(HWND window);
// The period in milliseconds of a timer mode, 0 for none.
uint32_t GRIB_TimerPeriod(uint32_t timerMode);

// The display half of the library's start-up and shut-down: frees every
// slot, registers the window class (registering again in the same process
// is accepted) and starts the global timer for the mode; 0 when the class
// can't be registered (no display). The shut-down stops the global timer.
int GRIB_DisplayStartup(void* instance, uint32_t timerMode);
void GRIB_DisplayShutdown();
// Installs GRIB_DisplayStartup, GRIB_DisplayShutdown, a message box owned by
// the environment's main window, and inputStart (GRIB_InputStart from
// grib/input, or null) as the environment's platform hooks.
void GRIB_InstallDisplayHooks(void (*inputStart)(uint32_t mouseCapacity, int startThread));
