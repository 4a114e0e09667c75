// Internal records of the window-system layer (not for use outside platform/).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/window.h"

class Fl_Widget;
struct PlatformBitmap;
struct PlatformIcon;

namespace platform {

struct Timer {
    HWND window;
    uintptr_t id;
    uint32_t period;
    PlatformTimerProc procedure;
    uint64_t due;  // milliseconds, 64-bit clock
};

// The message queue of one thread. Guarded by its own mutex, which is the
// innermost lock of the layer.
struct ThreadQueue {
    uint32_t id = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<PlatformMessage> posted;
    bool quit = false;
    int quitCode = 0;
    bool paintHint = false;  // some window of this thread may be invalid
    std::vector<Timer> timers;
};

enum class Kind { Generic, Dialog, Button, ListBox, Edit, Static, TrackBar };

struct ListBoxState {
    std::vector<std::string> items;
    int selection = -1;
    int top = 0;
};

struct TrackBarState {
    int minimum = 0, maximum = 100, position = 0, line = 1, page = 0;
};

}  // namespace platform

// One window. Records are never freed, so a stale handle can always be
// checked against the live set without touching freed memory.
struct PlatformWindowRecord {
    bool live = true;
    platform::Kind kind = platform::Kind::Generic;
    std::string className;
    uint32_t classStyle = 0;
    int background = PLATFORM_BRUSH_NONE;
    PlatformWndProc procedure = nullptr;
    HWND parent = nullptr;  // parent of a child, owner of a top-level window
    std::vector<HWND> children;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int id = 0;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;  // child: in the parent's client area; top-level: screen
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    bool invalid = false;
    std::shared_ptr<platform::ThreadQueue> owner;
    Fl_Widget* widget = nullptr;  // touched on the toolkit thread only
    std::atomic<bool> redrawQueued{false};

    // Dialogs.
    PlatformDlgProc dialogProcedure = nullptr;
    bool dialogEnded = false;
    intptr_t dialogResult = 0;
    PlatformBaseUnits units{6, 13};
    int fontSize = 11;

    // Controls.
    bool pushed = false;   // button held down (toolkit thread writes)
    bool checked = false;  // radio buttons
    bool forcedPushed = false;  // BM_SETSTATE
    PlatformBitmap* bitmap = nullptr;
    PlatformIcon* icon = nullptr;  // WM_SETICON
    platform::ListBoxState list;
    platform::TrackBarState track;

    // The picture the last block copy left in the window (RGB).
    std::vector<uint8_t> picture;
    int pictureWidth = 0, pictureHeight = 0;
    uint32_t presents = 0;
};

namespace platform {

// The state lock: guards every window record and the window table. Never
// held while waiting for the toolkit thread or calling a procedure.
std::recursive_mutex& StateLock();
// Live check; call with the state lock held.
bool IsLive(HWND window);
void RegisterWindow(HWND window);
std::vector<HWND>& AllWindows();

std::shared_ptr<ThreadQueue> CurrentQueue();
std::shared_ptr<ThreadQueue> QueueById(uint32_t id);
void PostTo(ThreadQueue& queue, const PlatformMessage& message);
void HintPaint(ThreadQueue& queue);

// Runs the function on the toolkit thread and waits for it (at once when
// called there). RunOnUiAsync does not wait.
void RunOnUi(const std::function<void()>& function);
void RunOnUiAsync(std::function<void()> function);
bool OnUiThread();
bool DisplayOpen();  // starts the toolkit thread on first use

uint64_t Milliseconds64();

// Toolkit side of a window: create / destroy the widget (toolkit thread).
void CreateGenericWidget(HWND window);
void DestroyWidget(HWND window);
// Marks the window for a toolkit redraw (any thread).
void RequestRedraw(HWND window);
// Posts an input message for the window from the toolkit thread.
void PostInput(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, uint32_t character = 0);
// Screen position of the window's client origin (state lock held).
void ClientOrigin(HWND window, int* x, int* y);

// Dialog and control procedures (controls.cpp).
LRESULT DialogWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT ControlProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
void CreateControlWidget(HWND window);
bool IsControlClass(const std::string& name, Kind* kind);
// WM_SETICON of a top-level window; returns the icon set before.
PlatformIcon* SetWindowIcon(HWND window, PlatformIcon* icon);

// Case-insensitive ASCII comparison.
int CompareNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

}  // namespace platform

namespace platform {

// Makes a window record of a kind, links it to its parent and creates its
// toolkit widget (no WM_CREATE). Null when the parent is dead.
HWND NewWindow(Kind kind, const std::string& className, const char* text, uint32_t style, uint32_t exStyle,
               int x, int y, int width, int height, HWND parent, int id, PlatformWndProc procedure,
               uint32_t classStyle, int background);
// Where the window's client origin lies in the coordinates of the toolkit
// window that holds its widget (state lock held).
void WidgetOrigin(HWND window, int* x, int* y);
// The toolkit group a child's widget goes into (toolkit thread, state lock held).
Fl_Widget* ContainerOf(HWND parent);
// 1 when the window and all its ancestors are shown and not minimised
// (state lock held).
bool IsShowing(HWND window);

}  // namespace platform
