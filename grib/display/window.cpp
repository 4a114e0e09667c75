#include "grib/display/window.h"

#include <cstdlib>
#include <cstring>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "platform/dialog.h"

namespace {

GribSurfaceSlot g_slots[GRIB_SURFACE_SLOTS];
void* g_instance;
int g_creating = -1;
uintptr_t g_globalTimer;
bool g_classRegistered;

GribSurfaceSlot* SlotFor(HWND window) {
    for (GribSurfaceSlot& slot : g_slots)
        if (slot.used && slot.window == window) return &slot;
    if (g_creating >= 0) return &g_slots[g_creating];
    return nullptr;
}

uint32_t Elapsed(GribSurfaceSlot& slot) {
    uint32_t now = GRIB_Ticks();
    uint32_t elapsed = now - slot.lastTick;
    slot.lastTick = now;
    return elapsed;
}

void Present(GribSurfaceSlot& slot, PlatformDC* dc) {
    if (slot.palette) {
        PlatformSelectPalette(dc, slot.palette, 0);
        PlatformRealizePalette(dc);
    }
    PlatformBitBlt(dc, 0, 0, slot.width, slot.height, slot.memoryContext, 0, 0);
}

void Fail(HWND window, const char* text) {
    PlatformMessageBox(window, text, nullptr, MB_OK);
    PlatformPostQuitMessage(-1);
}

// Builds the memory context and DIB section; false after a failure box.
bool BuildBitmap(GribSurfaceSlot& slot, HWND window, PlatformDC* paintDC) {
    slot.memoryContext = PlatformCreateCompatibleDC(paintDC);
    if (!slot.memoryContext) {
        Fail(window, "CreateCompatibleDC Failed!");
        return false;
    }
    PlatformRgbQuad colours[256];
    for (int i = 0; i < 256; ++i) {
        if (slot.paletteCopy) {
            const PlatformPaletteEntry& e = slot.paletteCopy[i];
            colours[i] = PlatformRgbQuad{e.blue, e.green, e.red, 0};
        } else {
            // Without a palette the indices show as a grey ramp.
            uint8_t v = static_cast<uint8_t>(i);
            colours[i] = PlatformRgbQuad{v, v, v, 0};
        }
    }
    uint8_t* bits = nullptr;
    slot.dib = PlatformCreateDIBSection(slot.memoryContext, slot.width, -slot.height, colours, &bits);
    if (!slot.dib) {
        PlatformDeleteDC(slot.memoryContext);
        slot.memoryContext = nullptr;
        Fail(window, "CreateDIBSection Failed!");
        return false;
    }
    slot.dibPixels = bits;
    GRIB_InitBitmap(&slot.bitmap, static_cast<uint32_t>(slot.width), static_cast<uint32_t>(slot.height), slot.pitch,
                    bits);
    PlatformSelectDib(slot.memoryContext, slot.dib);
    return true;
}

void ReleaseBitmap(GribSurfaceSlot& slot) {
    if (slot.memoryContext) PlatformDeleteDC(slot.memoryContext);
    if (slot.dib) PlatformDeleteDib(slot.dib);
    slot.memoryContext = nullptr;
    slot.dib = nullptr;
    slot.dibPixels = nullptr;
    slot.bitmap.pixels = nullptr;
    slot.bitmap.flags &= ~GRIB_BITMAP_VALID;
}

uint32_t RoundPitch(int32_t width) { return (static_cast<uint32_t>(width) + 3u) & ~3u; }

void ReadPalette(GribSurfaceSlot& slot, const char* path) {
    FileHandle* file = GRIB_Open(path);
    if (!file) return;
    PlatformPaletteEntry entries[256];
    // A file shorter than a palette leaves the window without one.
    if (GRIB_Read(file, entries, sizeof entries) == static_cast<int32_t>(sizeof entries)) {
        auto* copy = static_cast<PlatformPaletteEntry*>(std::malloc(sizeof entries));
        if (copy) {
            std::memcpy(copy, entries, sizeof entries);
            slot.paletteCopy = copy;
            slot.palette = PlatformCreatePalette(entries, 256);
        }
    }
    GRIB_Close(file);
}

void ShowBox(const char* caption, const char* text) {
    PlatformMessageBox(static_cast<HWND>(GRIB_GetEnvironment()->mainWindow), text, caption, MB_OK);
}

}  // namespace

uint32_t GRIB_TimerPeriod(uint32_t timerMode) {
    switch (timerMode) {
        case 3: return 1000;
        case 6: return 100;
        case 9: return 1;
        default: return 0;
    }
}

const GribSurfaceSlot* GRIB_SurfaceSlot(int index) {
    return index >= 0 && index < GRIB_SURFACE_SLOTS ? &g_slots[index] : nullptr;
}

int GRIB_SurfaceSlotOf(HWND window) {
    for (int i = 0; i < GRIB_SURFACE_SLOTS; ++i)
        if (g_slots[i].used && g_slots[i].window == window) return i;
    return -1;
}

HWND GRIB_CreateSurfaceWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height, GribDrawCallback draw,
                              GribEventCallback events, uint32_t timerMode, const char* palettePath) {
    int index = -1;
    for (int i = 0; i < GRIB_SURFACE_SLOTS && index < 0; ++i)
        if (!g_slots[i].used) index = i;
    if (index < 0) return nullptr;
    GribSurfaceSlot& slot = g_slots[index];
    uintptr_t oldTimer = slot.timerId;
    slot = GribSurfaceSlot{};
    slot.timerId = oldTimer;
    slot.width = width;
    slot.height = height;
    slot.pitch = RoundPitch(width);
    g_creating = index;
    HWND window = PlatformCreateWindow(0, GRIB_SURFACE_CLASS, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                       0, g_instance, nullptr);
    g_creating = -1;
    if (!window) return nullptr;
    slot.used = 1;
    slot.window = window;
    slot.memoryContext = nullptr;
    slot.width = width;
    slot.height = height;
    slot.pitch = RoundPitch(width);
    slot.palette = nullptr;
    slot.paletteCopy = nullptr;
    if (palettePath) ReadPalette(slot, palettePath);
    slot.draw = draw;
    slot.events = events;
    slot.timerMode = timerMode;
    slot.lastTick = GRIB_Ticks();
    slot.tickPending = 0;
    slot.framePending = 0;
    // A mode without a timer leaves none running: a stale id from the slot's
    // previous window would name a timer that is not there.
    slot.timerId = 0;
    if (uint32_t period = GRIB_TimerPeriod(timerMode))
        slot.timerId = PlatformSetTimer(window, 1, period, GRIB_SurfaceTimerProc);
    return window;
}

LRESULT GRIB_SurfaceWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    GribSurfaceSlot* slot = SlotFor(window);
    if (!slot) return PlatformDefWindowProc(window, message, wParam, lParam);
    bool handled = true;
    switch (message) {
        case WM_PAINT: {
            PlatformPaint paint{};
            PlatformDC* dc = PlatformBeginPaint(window, &paint);
            bool ready = slot->memoryContext != nullptr || BuildBitmap(*slot, window, dc);
            if (ready && slot->draw) {
                slot->draw(window, &slot->bitmap, Elapsed(*slot));
                Present(*slot, dc);
            }
            PlatformEndPaint(window, &paint);
            slot->framePending = 0;
            return 0;
        }
        case GRIB_FRAME_MESSAGE:
            if (slot->memoryContext) {
                if (slot->draw && slot->draw(window, &slot->bitmap, Elapsed(*slot))) {
                    PlatformDC* dc = PlatformGetDC(window);
                    Present(*slot, dc);
                    PlatformReleaseDC(window, dc);
                }
                slot->framePending = 0;
                return 0;
            }
            PlatformInvalidateRect(window, nullptr, 0);
            PlatformUpdateWindow(window);
            break;
        case WM_WINDOWPOSCHANGED: {
            auto* pos = reinterpret_cast<const PlatformWindowPos*>(lParam);
            if (pos && !(pos->flags & SWP_NOSIZE)) {
                slot->width = pos->cx < 4 ? 4 : pos->cx;
                slot->height = pos->cy < 4 ? 4 : pos->cy;
                slot->pitch = RoundPitch(slot->width);
                ReleaseBitmap(*slot);
                PlatformInvalidateRect(window, nullptr, 0);
                PlatformUpdateWindow(window);
            }
            break;
        }
        case WM_MOUSEMOVE:
            slot->mouseX = static_cast<int32_t>(LOWORD(static_cast<uintptr_t>(lParam)));
            slot->mouseY = static_cast<int32_t>(HIWORD(static_cast<uintptr_t>(lParam)));
            break;
        case WM_CREATE:
            break;
        case WM_DESTROY:
            if (slot->timerId) {
                PlatformKillTimer(window, 1);
                slot->timerId = 0;
            }
            ReleaseBitmap(*slot);
            if (slot->palette) PlatformDeletePalette(slot->palette);
            slot->palette = nullptr;
            std::free(slot->paletteCopy);
            slot->paletteCopy = nullptr;
            slot->used = 0;
            break;
        default:
            handled = false;
            break;
    }
    if (slot->events) return slot->events(window, message, wParam, lParam);
    return handled ? 0 : PlatformDefWindowProc(window, message, wParam, lParam);
}

void GRIB_SurfaceTimerProc(HWND window, uint32_t, uintptr_t, uint32_t) {
    if (!window) {
        for (GribSurfaceSlot& slot : g_slots) {
            if (slot.used && slot.tickPending && !slot.framePending) {
                slot.tickPending = 0;
                slot.framePending = 1;
                PlatformPostMessage(slot.window, GRIB_FRAME_MESSAGE, 0, 0);
            }
        }
        return;
    }
    for (GribSurfaceSlot& slot : g_slots) {
        if (slot.used && slot.window == window) {
            slot.tickPending = 1;
            return;
        }
    }
}

int GRIB_DisplayStartup(void* instance, uint32_t timerMode) {
    for (GribSurfaceSlot& slot : g_slots) slot.used = 0;
    g_instance = instance;
    if (!g_classRegistered) {
        PlatformWindowClass wc{0, GRIB_SurfaceWindowProc, instance, 0, IDC_ARROW, PLATFORM_BRUSH_NONE,
                               GRIB_SURFACE_CLASS};
        if (!PlatformHaveDisplay() || !PlatformRegisterClass(&wc)) return 0;
        g_classRegistered = true;
    }
    if (g_globalTimer) {
        PlatformKillTimer(nullptr, g_globalTimer);
        g_globalTimer = 0;
    }
    if (uint32_t period = GRIB_TimerPeriod(timerMode))
        g_globalTimer = PlatformSetTimer(nullptr, 0, period, GRIB_SurfaceTimerProc);
    return 1;
}

void GRIB_DisplayShutdown() {
    if (g_globalTimer) PlatformKillTimer(nullptr, g_globalTimer);
    g_globalTimer = 0;
}

void GRIB_InstallDisplayHooks(void (*inputStart)(uint32_t mouseCapacity, int startThread)) {
    GribPlatformHooks hooks{};
    hooks.displayStartup = GRIB_DisplayStartup;
    hooks.displayShutdown = GRIB_DisplayShutdown;
    hooks.inputStart = inputStart;
    hooks.messageBox = ShowBox;
    GRIB_SetPlatformHooks(&hooks);
}
