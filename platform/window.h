// The window-system layer: window classes, windows with numbered messages,
// one message queue per thread, timers and painting.
//
// Windows belong to the thread that created them. Input from the toolkit is
// turned into messages posted to that thread's queue; a thread takes them
// out with PlatformGetMessage / PlatformPeekMessage and hands them to the
// window procedure with PlatformDispatchMessage. Order of retrieval:
// posted and input messages first, then the quit message, then one paint
// message for an invalid window of the thread, then due timers. So paints
// and timers only come while nothing else is waiting.
//
// The toolkit itself runs on a private thread of the layer; every toolkit
// call is made there, so any thread may create windows and pump its queue.
// The public headers hold no toolkit types.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlatformWindowRecord;
using HWND = PlatformWindowRecord*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

using PlatformWndProc = LRESULT (*)(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Called for WM_TIMER of a timer that was given a procedure.
using PlatformTimerProc = void (*)(HWND window, uint32_t message, uintptr_t id, uint32_t time);

// Message numbers (the Win32 values).
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_ENABLE = 0x000A;
inline constexpr uint32_t WM_SETTEXT = 0x000C;
inline constexpr uint32_t WM_GETTEXT = 0x000D;
inline constexpr uint32_t WM_GETTEXTLENGTH = 0x000E;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr uint32_t WM_SETICON = 0x0080;  // wParam ICON_BIG or ICON_SMALL, lParam a PlatformIcon*
inline constexpr uint32_t WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_INITDIALOG = 0x0110;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_VSCROLL = 0x0115;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_QUERYNEWPALETTE = 0x030F;
inline constexpr uint32_t WM_PALETTECHANGED = 0x0311;
inline constexpr uint32_t WM_USER = 0x0400;

// WM_SETICON sizes: the default window procedure shows the icon in the
// window's frame and task bar entry and returns the one set before.
inline constexpr uint32_t ICON_SMALL = 0;
inline constexpr uint32_t ICON_BIG = 1;

// Window styles.
inline constexpr uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;

// Class styles.
inline constexpr uint32_t CS_DBLCLKS = 0x0008;

// Key-state flags of mouse messages (wParam).
inline constexpr uint32_t MK_LBUTTON = 0x01;
inline constexpr uint32_t MK_RBUTTON = 0x02;
inline constexpr uint32_t MK_SHIFT = 0x04;
inline constexpr uint32_t MK_CONTROL = 0x08;
inline constexpr uint32_t MK_MBUTTON = 0x10;

// WM_SIZE types.
inline constexpr uint32_t SIZE_RESTORED = 0;
inline constexpr uint32_t SIZE_MINIMIZED = 1;
inline constexpr uint32_t SIZE_MAXIMIZED = 2;

// WM_ACTIVATE states.
inline constexpr uint32_t WA_INACTIVE = 0;
inline constexpr uint32_t WA_ACTIVE = 1;

// PlatformShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_RESTORE = 9;

// PlatformSetWindowPos flags and the window record of WM_WINDOWPOSCHANGED.
inline constexpr uint32_t SWP_NOSIZE = 0x0001;
inline constexpr uint32_t SWP_NOMOVE = 0x0002;
inline constexpr uint32_t SWP_NOZORDER = 0x0004;
inline constexpr uint32_t SWP_NOREDRAW = 0x0008;
#define HWND_TOP (static_cast<HWND>(nullptr))
struct PlatformWindowPos {
    HWND window;
    HWND insertAfter;
    int x, y, cx, cy;
    uint32_t flags;  // SWP_NOSIZE set when the size did not change
};

// PlatformPeekMessage removal flags.
inline constexpr uint32_t PM_NOREMOVE = 0;
inline constexpr uint32_t PM_REMOVE = 1;

// Default position and size for PlatformCreateWindow.
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Standard cursors (PlatformWindowClass::cursor).
inline constexpr int IDC_ARROW = 32512;

// Background of a class: none, or the dialog face colour.
inline constexpr int PLATFORM_BRUSH_NONE = 0;
inline constexpr int PLATFORM_BRUSH_FACE = 1;

struct PlatformMessage {
    HWND window;
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    uint32_t time;
    int x, y;  // pointer position when the message was made
    uint32_t character;  // key-down messages: the character TranslateMessage makes, or 0
};

struct PlatformWindowClass {
    uint32_t style;
    PlatformWndProc procedure;
    void* instance;
    int icon;        // resource id, or 0
    int cursor;      // IDC_ARROW or 0
    int background;  // PLATFORM_BRUSH_*
    const char* className;
};

struct PlatformRect {
    int left, top, right, bottom;  // right and bottom exclusive, as in Win32
};

struct PlatformPaint {
    struct PlatformDC* dc;
    PlatformRect area;
};

// Helpers for packed parameters.
inline uint32_t LOWORD(uintptr_t v) { return static_cast<uint32_t>(v & 0xFFFFu); }
inline uint32_t HIWORD(uintptr_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFFu); }
inline WPARAM MAKEWPARAM(uint32_t low, uint32_t high) { return (low & 0xFFFFu) | ((high & 0xFFFFu) << 16); }
inline LPARAM MAKELPARAM(uint32_t low, uint32_t high) {
    return static_cast<LPARAM>(static_cast<uint32_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16)));
}

// 1 when a display could be opened (done once, on first use). Without one,
// windows can't be created; queues, timers and threads still work.
int PlatformHaveDisplay();

// Classes: 1 on success; 0 when the name is taken or the record is incomplete.
int PlatformRegisterClass(const PlatformWindowClass* windowClass);
int PlatformUnregisterClass(const char* className);

// Creates a window of a registered class. A WS_CHILD window lies inside its
// parent's client area; others are top-level (the parent becomes the owner).
// WM_CREATE is sent before it returns (a result of -1 destroys the window
// and gives null). Built-in control classes are listed in dialog.h.
HWND PlatformCreateWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                          int y, int width, int height, HWND parent, int id, void* instance, void* param);
// Sends WM_DESTROY to the window's children and then to the window, stops
// its timers and drops its queued messages. Returns 1, or 0 for a dead handle.
int PlatformDestroyWindow(HWND window);
int PlatformIsWindow(HWND window);
int PlatformIsWindowVisible(HWND window);
int PlatformShowWindow(HWND window, int command);
int PlatformIsIconic(HWND window);
int PlatformEnableWindow(HWND window, int enable);
int PlatformIsWindowEnabled(HWND window);
int PlatformSetForegroundWindow(HWND window);
// Moves and/or sizes; sends WM_WINDOWPOSCHANGED (and WM_SIZE when the size
// changed). insertAfter HWND_TOP with no SWP_NOZORDER raises the window
// among its siblings.
int PlatformSetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags);
// Screen rectangle of the whole window / client size at 0, 0.
int PlatformGetWindowRect(HWND window, PlatformRect* rect);
int PlatformGetClientRect(HWND window, PlatformRect* rect);
// The outer size a top-level window needs for a client rectangle (the
// toolkit draws frames outside the client area, so nothing is added; on
// Windows the frame of the style is added).
int PlatformAdjustWindowRect(PlatformRect* rect, uint32_t style, int menu);
HWND PlatformGetParent(HWND window);
int PlatformGetDlgCtrlID(HWND window);
HWND PlatformGetDlgItem(HWND dialog, int id);
int PlatformSetWindowText(HWND window, const char* text);
// Copies at most size - 1 characters; returns the length copied.
int PlatformGetWindowText(HWND window, char* buffer, int size);
// The first top-level window of the class (or any class when null) whose
// title matches (any title when null).
HWND PlatformFindWindow(const char* className, const char* title);
// Screen width and height of the primary screen (640 x 480 without a display).
int PlatformScreenWidth();
int PlatformScreenHeight();

// Messages. SendMessage calls the procedure at once, on the calling thread.
LRESULT PlatformSendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Appends to the queue of the window's thread (the calling thread for a
// null window, which gives a thread message). 0 for a dead handle.
int PlatformPostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
int PlatformPostThreadMessage(uint32_t threadId, uint32_t message, WPARAM wParam, LPARAM lParam);
void PlatformPostQuitMessage(int exitCode);
// Waits for a message of the calling thread; 0 when it is WM_QUIT (its code
// in wParam), 1 otherwise. window: only messages for that window (null: all).
int PlatformGetMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last);
// Does not wait; 1 when a message was found. PM_REMOVE takes it out.
int PlatformPeekMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last, uint32_t remove);
// Waits until a message is there, without taking it.
int PlatformWaitMessage();
// The same with a time-out, as MsgWaitForMultipleObjects(0, null, FALSE,
// milliseconds, QS_ALLINPUT) waits: 1 as soon as a message is there, 0 when
// the time ran out first.
int PlatformWaitMessageTimeout(uint32_t milliseconds);
// Key-down messages that carry a character post WM_CHAR (WM_SYSCHAR with Alt).
int PlatformTranslateMessage(const PlatformMessage* message);
// Calls the window procedure (or a timer's procedure); returns its result.
LRESULT PlatformDispatchMessage(const PlatformMessage* message);
LRESULT PlatformDefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// An id for the calling thread (for PlatformPostThreadMessage).
uint32_t PlatformCurrentThreadId();

// Painting. An invalid window gets one WM_PAINT when its thread's queue is
// empty; PlatformBeginPaint validates it. erase is accepted and ignored.
int PlatformInvalidateRect(HWND window, const PlatformRect* rect, int erase);
inline int PlatformInvalidate(HWND window) { return PlatformInvalidateRect(window, nullptr, 0); }
int PlatformValidateRect(HWND window, const PlatformRect* rect);
// Sends WM_PAINT now when the window is invalid.
int PlatformUpdateWindow(HWND window);
struct PlatformDC* PlatformBeginPaint(HWND window, PlatformPaint* paint);
int PlatformEndPaint(HWND window, const PlatformPaint* paint);

// Timers. A window timer is keyed by (window, id); setting it again restarts
// it. A thread timer (null window) gets a new id, returned. WM_TIMER comes
// with wParam = id and lParam = the procedure (or 0).
uintptr_t PlatformSetTimer(HWND window, uintptr_t id, uint32_t milliseconds, PlatformTimerProc procedure);
int PlatformKillTimer(HWND window, uintptr_t id);
