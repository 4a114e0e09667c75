// The frame driver's view callbacks on the platform's window types: the
// core takes the window as an opaque handle and names the few message
// numbers and flags it handles itself.
#include "app/frame.h"
#include "app/hooks.h"
#include "app/window/viewer_window.h"

static_assert(VIEW_MOUSE_MOVE == WM_MOUSEMOVE && VIEW_LEFT_BUTTON_DOWN == WM_LBUTTONDOWN &&
              VIEW_LEFT_BUTTON_UP == WM_LBUTTONUP && VIEW_LEFT_BUTTON_HELD == MK_LBUTTON);
static_assert(VIEWER_SOUND_ASYNC == SND_ASYNC && VIEWER_SOUND_MEMORY == SND_MEMORY &&
              VIEWER_SOUND_NOWAIT == SND_NOWAIT);
static_assert(sizeof(WPARAM) == sizeof(uintptr_t) && sizeof(LPARAM) == sizeof(intptr_t) &&
              sizeof(LRESULT) == sizeof(intptr_t));

int ViewDraw(HWND window, GribBitmap* surface, uint32_t elapsed) { return DrawView(window, surface, elapsed); }

LRESULT ViewWindowEvents(HWND window, uint32_t message, WPARAM first, LPARAM second) {
    return ViewEvents(window, message, first, second);
}

intptr_t ViewDefaultProc(void* window, uint32_t message, uintptr_t first, intptr_t second) {
    return PlatformDefWindowProc(static_cast<HWND>(window), message, first, second);
}
