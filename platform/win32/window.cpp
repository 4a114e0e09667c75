// Classes, windows, message queues, timers and painting: the layer's calls
// are the real ones, with the layer's window procedures behind one thunk.
#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/win32/layer.h"

namespace {

// Class atom -> the layer's procedure. The thunk caches it in the class's
// extra bytes on a class's first message, which SetClassLongPtr needs a
// window for.
std::mutex& ClassLock() {
    static std::mutex lock;
    return lock;
}
std::map<ATOM, PlatformWndProc>& ClassProcedures() {
    static auto* procedures = new std::map<ATOM, PlatformWndProc>;
    return *procedures;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

PlatformWndProc ProcedureOf(NativeHWND window) {
    auto procedure = reinterpret_cast<PlatformWndProc>(GetClassLongPtrA(window, 0));
    if (procedure) return procedure;
    ATOM atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    {
        std::lock_guard<std::mutex> lock(ClassLock());
        auto found = ClassProcedures().find(atom);
        if (found == ClassProcedures().end()) return nullptr;
        procedure = found->second;
    }
    SetClassLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(procedure));
    return procedure;
}

LRESULT CALLBACK Thunk(NativeHWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformWndProc procedure = ProcedureOf(window);
    if (!procedure) return DefWindowProcA(window, message, wParam, lParam);
    // The layer's WM_CREATE carries the creation parameter itself.
    if (message == WM_CREATE)
        lParam = reinterpret_cast<LPARAM>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (message == WM_NCDESTROY) platform::ForgetPresented(window);
    return procedure(LayerWindow(window), message, wParam, lParam);
}

// The character TranslateMessage would make of a key press (Latin-1 only),
// without disturbing a pending dead key.
uint32_t KeyCharacter(const MSG& m) {
    if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) return 0;
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return 0;
    // Alt alone does not change the character (WM_SYSCHAR has the plain one).
    if (m.message == WM_SYSKEYDOWN && !(keys[VK_CONTROL] & 0x80)) keys[VK_MENU] = 0;
    WCHAR text[4];
    UINT scan = static_cast<UINT>((m.lParam >> 16) & 0xFF);
    int n = ToUnicode(static_cast<UINT>(m.wParam), scan, keys, text, 4, 4);
    return n == 1 && text[0] < 256 ? text[0] : 0;
}

void FromNative(const MSG& m, PlatformMessage* out) {
    *out = PlatformMessage{LayerWindow(m.hwnd), m.message, m.wParam, m.lParam, static_cast<uint32_t>(m.time),
                           static_cast<int>(m.pt.x), static_cast<int>(m.pt.y), KeyCharacter(m)};
}

MSG ToNative(const PlatformMessage& m) {
    MSG native{};
    native.hwnd = NativeWindow(m.window);
    native.message = m.message;
    native.wParam = m.wParam;
    native.lParam = m.lParam;
    native.time = m.time;
    native.pt.x = m.x;
    native.pt.y = m.y;
    return native;
}

RECT* Native(PlatformRect* rect) { return reinterpret_cast<RECT*>(rect); }
const RECT* Native(const PlatformRect* rect) { return reinterpret_cast<const RECT*>(rect); }

}  // namespace

static_assert(sizeof(PlatformRect) == sizeof(RECT));
static_assert(sizeof(PlatformWindowPos) == sizeof(WINDOWPOS) &&
                  offsetof(PlatformWindowPos, flags) == offsetof(WINDOWPOS, flags),
              "WM_WINDOWPOSCHANGED passes the real record through");

int PlatformHaveDisplay() { return GetSystemMetrics(SM_CXSCREEN) > 0 ? 1 : 0; }

int PlatformRegisterClass(const PlatformWindowClass* windowClass) {
    if (!windowClass || !windowClass->className || !*windowClass->className || !windowClass->procedure) return 0;
    WNDCLASSEXA native{};
    native.cbSize = sizeof native;
    native.style = windowClass->style;
    native.lpfnWndProc = Thunk;
    native.cbClsExtra = sizeof(LONG_PTR);
    native.hInstance = Instance();
    if (windowClass->icon) {
        native.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(windowClass->icon));
        if (!native.hIcon) native.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    }
    if (windowClass->cursor) native.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(windowClass->cursor));
    if (windowClass->background == PLATFORM_BRUSH_FACE)
        native.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    native.lpszClassName = windowClass->className;
    std::lock_guard<std::mutex> lock(ClassLock());
    ATOM atom = RegisterClassExA(&native);
    if (!atom) return 0;
    ClassProcedures()[atom] = windowClass->procedure;
    return 1;
}

int PlatformUnregisterClass(const char* className) {
    if (!className) return 0;
    WNDCLASSEXA native{};
    native.cbSize = sizeof native;
    std::lock_guard<std::mutex> lock(ClassLock());
    ATOM atom = static_cast<ATOM>(GetClassInfoExA(Instance(), className, &native));
    if (!atom || !UnregisterClassA(className, Instance())) return 0;
    ClassProcedures().erase(atom);
    return 1;
}

HWND PlatformCreateWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                          int y, int width, int height, HWND parent, int id, void*, void* param) {
    if (!className) return nullptr;
    // A top-level window's "menu" would be a menu handle, not an id.
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<intptr_t>(id)) : nullptr;
    return LayerWindow(CreateWindowExA(exStyle, className, title ? title : "", style, x, y, width, height,
                                       NativeWindow(parent), menu, Instance(), param));
}

int PlatformDestroyWindow(HWND window) { return DestroyWindow(NativeWindow(window)) ? 1 : 0; }
int PlatformIsWindow(HWND window) { return window && IsWindow(NativeWindow(window)) ? 1 : 0; }
int PlatformIsWindowVisible(HWND window) { return IsWindowVisible(NativeWindow(window)) ? 1 : 0; }
int PlatformShowWindow(HWND window, int command) { return ShowWindow(NativeWindow(window), command) ? 1 : 0; }
int PlatformIsIconic(HWND window) { return IsIconic(NativeWindow(window)) ? 1 : 0; }
int PlatformEnableWindow(HWND window, int enable) { return EnableWindow(NativeWindow(window), enable) ? 1 : 0; }
int PlatformIsWindowEnabled(HWND window) { return IsWindowEnabled(NativeWindow(window)) ? 1 : 0; }
int PlatformSetForegroundWindow(HWND window) { return SetForegroundWindow(NativeWindow(window)) ? 1 : 0; }

int PlatformSetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags) {
    return SetWindowPos(NativeWindow(window), NativeWindow(insertAfter), x, y, width, height, flags) ? 1 : 0;
}

int PlatformGetWindowRect(HWND window, PlatformRect* rect) {
    return rect && GetWindowRect(NativeWindow(window), Native(rect)) ? 1 : 0;
}
int PlatformGetClientRect(HWND window, PlatformRect* rect) {
    return rect && GetClientRect(NativeWindow(window), Native(rect)) ? 1 : 0;
}
int PlatformAdjustWindowRect(PlatformRect* rect, uint32_t style, int menu) {
    return rect && AdjustWindowRect(Native(rect), style, menu) ? 1 : 0;
}

HWND PlatformGetParent(HWND window) {
    NativeHWND native = NativeWindow(window);
    // The layer's parent of a top-level window is its owner.
    if (!(GetWindowLongPtrA(native, GWL_STYLE) & WS_CHILD)) return LayerWindow(GetWindow(native, GW_OWNER));
    return LayerWindow(GetAncestor(native, GA_PARENT));
}
int PlatformGetDlgCtrlID(HWND window) { return GetDlgCtrlID(NativeWindow(window)); }
HWND PlatformGetDlgItem(HWND dialog, int id) { return LayerWindow(GetDlgItem(NativeWindow(dialog), id)); }
int PlatformSetWindowText(HWND window, const char* text) {
    return SetWindowTextA(NativeWindow(window), text ? text : "") ? 1 : 0;
}
int PlatformGetWindowText(HWND window, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return GetWindowTextA(NativeWindow(window), buffer, size);
}
HWND PlatformFindWindow(const char* className, const char* title) {
    return LayerWindow(FindWindowA(className, title));
}
int PlatformScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int PlatformScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

LRESULT PlatformSendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(NativeWindow(window), message, wParam, lParam);
}
int PlatformPostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(NativeWindow(window), message, wParam, lParam) ? 1 : 0;
}
int PlatformPostThreadMessage(uint32_t threadId, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return PostThreadMessageA(threadId, message, wParam, lParam) ? 1 : 0;
}
void PlatformPostQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

int PlatformGetMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last) {
    MSG m{};
    BOOL got = GetMessageA(&m, NativeWindow(window), first, last);
    if (message) FromNative(m, message);
    // -1 (a dead filter window) ends a loop like WM_QUIT rather than spinning it.
    return got > 0 ? 1 : 0;
}

int PlatformPeekMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last, uint32_t remove) {
    MSG m{};
    if (!PeekMessageA(&m, NativeWindow(window), first, last, remove)) return 0;
    if (message) FromNative(m, message);
    return 1;
}

int PlatformWaitMessageTimeout(uint32_t milliseconds) {
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) return 1;
    // MWMO_INPUTAVAILABLE: messages seen but left in the queue count too.
    DWORD r = MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return r == WAIT_OBJECT_0 ? 1 : 0;
}
int PlatformWaitMessage() { return PlatformWaitMessageTimeout(INFINITE); }

int PlatformTranslateMessage(const PlatformMessage* message) {
    if (!message || !message->character) return 0;
    MSG m = ToNative(*message);
    return TranslateMessage(&m) ? 1 : 0;
}

LRESULT PlatformDispatchMessage(const PlatformMessage* message) {
    if (!message) return 0;
    MSG m = ToNative(*message);
    return DispatchMessageA(&m);
}

LRESULT PlatformDefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(NativeWindow(window), message, wParam, lParam);
}

uint32_t PlatformCurrentThreadId() { return GetCurrentThreadId(); }

int PlatformInvalidateRect(HWND window, const PlatformRect* rect, int erase) {
    return InvalidateRect(NativeWindow(window), Native(rect), erase) ? 1 : 0;
}
int PlatformValidateRect(HWND window, const PlatformRect* rect) {
    return ValidateRect(NativeWindow(window), Native(rect)) ? 1 : 0;
}
int PlatformUpdateWindow(HWND window) { return UpdateWindow(NativeWindow(window)) ? 1 : 0; }

uintptr_t PlatformSetTimer(HWND window, uintptr_t id, uint32_t milliseconds, PlatformTimerProc procedure) {
    // The layer's timer procedure has TIMERPROC's shape, with the layer's HWND.
    auto native = reinterpret_cast<TIMERPROC>(reinterpret_cast<void (*)()>(procedure));
    return SetTimer(NativeWindow(window), id, milliseconds, procedure ? native : nullptr);
}
int PlatformKillTimer(HWND window, uintptr_t id) { return KillTimer(NativeWindow(window), id) ? 1 : 0; }
