// The loading box: dialog 104 with its own thread and message loop, so that
// Abort works while the main thread is busy loading.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "resources/resources.h"

namespace {

// Shared with the box thread: written by one side, read by the other.
std::atomic<bool> g_boxActive{false};
std::atomic<HWND> g_box{nullptr};
std::atomic<bool> g_closeRequested{false};

// Test-only: milliseconds to linger after each status text, so that a test
// can press Abort at a chosen point of loading.
uint32_t StatusDelay() {
    static const uint32_t delay = [] {
        const char* text = std::getenv("SHOWCASE_TEST_LOAD_DELAY");
        return text ? uint32_t(std::strtoul(text, nullptr, 10)) : 0u;
    }();
    return delay;
}

intptr_t LoadingBoxProc(HWND, uint32_t message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_ABORT)) {
        Trace("abort");
        // The main thread may be anywhere in loading: leave at once. Only the
        // temporary palette file would outlive us, so it goes first.
        if (g_viewer.tempPaletteName[0]) std::remove(g_viewer.tempPaletteName);
        std::fflush(nullptr);
        std::_Exit(-1);
    }
    return 0;
}

void LoadingBoxThread(void*) {
    HWND box = PlatformCreateDialog(ShowcaseDialog(IDD_LOADING), nullptr, LoadingBoxProc);
    g_box = box;
    if (box) {
        Trace("loading-box open %s abort %s", TraceRect(box).c_str(),
              TraceRect(PlatformGetDlgItem(box, IDC_ABORT)).c_str());
        PlatformMessage message{};
        while (!g_closeRequested && PlatformGetMessage(&message, nullptr, 0, 0)) {
            PlatformTranslateMessage(&message);
            PlatformDispatchMessage(&message);
        }
        g_box = nullptr;
        PlatformDestroyWindow(box);
        Trace("loading-box closed");
    }
    g_closeRequested = false;
    g_boxActive = false;
}

}  // namespace

void StartLoadingBox() {
    g_boxActive = true;
    if (!PlatformStartThread(LoadingBoxThread, 0, nullptr)) {
        g_boxActive = false;
        return;
    }
    // Give the box a moment to appear, so that its status line shows the
    // loading steps; a box that can't be made ends its thread at once.
    for (int waited = 0; waited < 3000 && g_boxActive && !g_box; waited += 10) PlatformSleep(10);
}

void ShowLoadingStatus(const char* text) {
    EndIfQuitRequested();
    HWND box = g_box;
    if (!box) return;
    PlatformSetDlgItemText(box, IDC_LOADING_STATUS, text);
    if (TraceEnabled()) {
        char shown[300];
        PlatformGetDlgItemText(box, IDC_LOADING_STATUS, shown, sizeof shown);
        Trace("status %s", shown);
    }
    for (uint32_t waited = 0; waited < StatusDelay(); waited += 10) {
        PlatformSleep(10);
        EndIfQuitRequested();
    }
}

void CloseLoadingBox() {
    if (!g_boxActive) return;
    g_closeRequested = true;
    // The box may not exist yet when loading fails early: keep waking its
    // loop until the thread has seen the request.
    while (g_closeRequested) {
        if (HWND box = g_box) PlatformPostMessage(box, WM_NULL, 0, 0);
        PlatformSleep(10);
    }
}
