#include "grib/input/input.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "grib/bitmap/bitmap.h"
#include "platform/system.h"

namespace {

bool g_classRegistered;

bool Append(uint32_t capacity, uint32_t& head, uint32_t tail) {
    if (capacity == 0) return false;
    uint32_t next = (head + 1) % capacity;
    if (next == tail) return false;
    return true;
}

void Advance(uint32_t capacity, uint32_t& head) {
    head += 1;
    if (head >= capacity) head = 0;
}

void StoreMouse(uint32_t message, WPARAM wParam, LPARAM lParam, uint32_t doubleClick, bool queue) {
    GribEnvironment* env = GRIB_GetEnvironment();
    GribMouseRecord record{LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam)),
                           static_cast<uint32_t>(wParam), GRIB_Ticks(), message, doubleClick};
    env->mouse = record;
    if (queue) GRIB_PushMouseEvent(&record);
}

}  // namespace

void GRIB_ResetTypeahead() {
    GribEnvironment* env = GRIB_GetEnvironment();
    env->typeaheadHead = env->typeaheadTail = 0;
}

void GRIB_ResetMouseEvents() {
    GribEnvironment* env = GRIB_GetEnvironment();
    env->mouseHead = env->mouseTail = 0;
}

void GRIB_SetTypeahead(uint32_t capacity) {
    if (capacity > uint32_t{GRIB_TYPEAHEAD_MAX}) {
        GRIB_DebugPrint("Typeahead buffer set to maximum!\n");
        capacity = uint32_t{GRIB_TYPEAHEAD_MAX};
    }
    // A ring of no slots would divide by zero.
    if (capacity < 1) capacity = 1;
    GRIB_GetEnvironment()->typeaheadCapacity = capacity;
    GRIB_ResetTypeahead();
}

void GRIB_PushKey(uint32_t code) {
    GribEnvironment* env = GRIB_GetEnvironment();
    if (code == '~') {
        GRIB_ShowConsole((env->flags & GRIB_FLAG_CONSOLE) ? 0 : 1);
        return;
    }
    uint32_t capacity = std::min<uint32_t>(env->typeaheadCapacity, GRIB_TYPEAHEAD_MAX);
    if (!Append(capacity, env->typeaheadHead, env->typeaheadTail)) return;
    env->typeahead[env->typeaheadHead] = code;
    Advance(capacity, env->typeaheadHead);
}

void GRIB_PushMouseEvent(const GribMouseRecord* event) {
    GribEnvironment* env = GRIB_GetEnvironment();
    if (!event || !env->mouseEvents) return;
    if (!Append(env->mouseCapacity, env->mouseHead, env->mouseTail)) return;
    env->mouseEvents[env->mouseHead] = *event;
    Advance(env->mouseCapacity, env->mouseHead);
}

void GRIB_GetMouseState(GribMouseRecord* out) {
    if (out) *out = GRIB_GetEnvironment()->mouse;
}

void GRIB_SetMouseState(const GribMouseRecord* state) {
    if (state) GRIB_GetEnvironment()->mouse = *state;
}

void GRIB_TranslateKey(uint32_t vk, int systemKey) {
    switch (vk) {
        case VK_PAUSE: GRIB_PushKey(GRIB_KEY_PAUSE); return;
        case VK_PRIOR: GRIB_PushKey(GRIB_KEY_PAGEUP); return;
        case VK_NEXT: GRIB_PushKey(GRIB_KEY_PAGEDOWN); return;
        case VK_END: GRIB_PushKey(GRIB_KEY_END); return;
        case VK_HOME: GRIB_PushKey(GRIB_KEY_HOME); return;
        case VK_LEFT: GRIB_PushKey(GRIB_KEY_LEFT); return;
        case VK_UP: GRIB_PushKey(GRIB_KEY_UP); return;
        case VK_RIGHT: GRIB_PushKey(GRIB_KEY_RIGHT); return;
        case VK_DOWN: GRIB_PushKey(GRIB_KEY_DOWN); return;
        case VK_INSERT: GRIB_PushKey(GRIB_KEY_INSERT); return;
        case VK_DELETE: GRIB_PushKey(GRIB_KEY_DELETE); return;
        default: break;
    }
    if (vk >= VK_F1 && vk <= VK_F12) {
        GRIB_PushKey(GRIB_KEY_F1 + (vk - VK_F1));
        return;
    }
    int ctrl = GRIB_KeyDown(GRIB_KEY_CONTROL);
    if (!systemKey && !ctrl) return;
    if (vk >= '0' && vk <= '9') {
        GRIB_PushKey(ctrl ? vk + 178 : vk);
    } else if (vk >= 'A' && vk <= 'Z') {
        GRIB_PushKey(ctrl ? vk + 135 : vk + 32);
    } else if (vk >= 186 && vk <= 192) {
        GRIB_PushKey(static_cast<uint8_t>(";=,-./`"[vk - 186]));
    } else if (vk >= 219 && vk <= 222) {
        GRIB_PushKey(static_cast<uint8_t>("[\\]'"[vk - 219]));
    }
}

int GRIB_KeyDown(uint32_t code) {
    int vk;
    switch (code) {
        case GRIB_KEY_LEFT: vk = VK_LEFT; break;
        case GRIB_KEY_UP: vk = VK_UP; break;
        case GRIB_KEY_RIGHT: vk = VK_RIGHT; break;
        case GRIB_KEY_DOWN: vk = VK_DOWN; break;
        case GRIB_KEY_SHIFT: vk = VK_SHIFT; break;
        case GRIB_KEY_CONTROL: vk = VK_CONTROL; break;
        case GRIB_KEY_ALT: vk = VK_MENU; break;
        default: return 0;
    }
    uint16_t state = static_cast<uint16_t>(PlatformKeyState(vk));
    return (state & 0xFFFEu) ? 1 : 0;
}

void GRIB_InputStart(uint32_t mouseCapacity, int startThread) {
    GribEnvironment* env = GRIB_GetEnvironment();
    // The environment's start-up has just reset the byte count; blocks kept
    // from an earlier start are counted again.
    if (env->mouseEvents && GRIB_BlockSize(env->mouseEvents) >= size_t{mouseCapacity} * sizeof(GribMouseRecord)) {
        env->allocatedBytes += static_cast<uint32_t>(GRIB_BlockSize(env->mouseEvents));
    } else {
        env->mouseEvents = static_cast<GribMouseRecord*>(
            GRIB_Alloc("MOUSE EVENTS", size_t{mouseCapacity} * sizeof(GribMouseRecord)));
    }
    env->mouseCapacity = env->mouseEvents ? mouseCapacity : 0;
    GRIB_ResetMouseEvents();
    env->cursorImage = nullptr;
    static const char* const tags[3] = {"SAVEMOUSE 1", "SAVEMOUSE 2", "SAVEMOUSE 3"};
    for (int i = 0; i < 3; ++i) {
        if (env->saveUnder[i]) {
            env->allocatedBytes += static_cast<uint32_t>(GRIB_BlockSize(env->saveUnder[i]));
            GRIB_InitBitmap(env->saveUnder[i], 1600, 1, 1600, env->saveUnder[i]->pixels);
        } else {
            env->saveUnder[i] = GRIB_CreateBitmap(tags[i], 1600, 1);
        }
    }
    __atomic_store_n(&env->cursorStop, 0u, __ATOMIC_RELEASE);
    if (startThread == 1) GRIB_StartCursorThread(env);
}

void GRIB_DebugPrint(const char* format, ...) {
    if (!(GRIB_GetEnvironment()->flags & GRIB_FLAG_DEBUG) || !format) return;
    char buffer[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    std::fputs(buffer, stderr);
}

int GRIB_StartThread(void (*procedure)(void*), uint32_t stackSize, void* argument) {
    return PlatformStartThread(procedure, stackSize, argument) ? 1 : 0;
}

int GRIB_RealizePalette() { return 0; }
int GRIB_ShowConsole(int) { return 0; }

LRESULT GRIB_WindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    GribEnvironment* env = GRIB_GetEnvironment();
    switch (message) {
        case WM_CREATE:
            return 0;
        case WM_DESTROY:
            if (env->flags & GRIB_FLAG_CONSOLE) GRIB_ShowConsole(0);
            PlatformPostQuitMessage(0);
            return 0;
        case WM_ACTIVATE:
            env->active = LOWORD(wParam) != 0 ? 1 : 0;
            return 0;
        case WM_KEYDOWN:
            GRIB_TranslateKey(static_cast<uint32_t>(wParam), 0);
            return 0;
        case WM_CHAR:
            GRIB_PushKey(static_cast<uint32_t>(wParam));
            return 0;
        case WM_SYSKEYDOWN:
            GRIB_TranslateKey(static_cast<uint32_t>(wParam), 1);
            return PlatformDefWindowProc(window, message, wParam, lParam);
        case WM_MOUSEMOVE:
            StoreMouse(message, wParam, lParam, 0, false);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            StoreMouse(message, wParam, lParam, 0, true);
            return 0;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
            StoreMouse(message, wParam, lParam, 1, true);
            return 0;
        case WM_QUERYNEWPALETTE:
            GRIB_DebugPrint("WM_QUERYNEWPALETTE\n");
            return GRIB_RealizePalette();
        case WM_PALETTECHANGED:
            GRIB_DebugPrint("WM_PALETTECHANGED\n");
            if (reinterpret_cast<void*>(wParam) != env->mainWindow) GRIB_RealizePalette();
            return 0;
        default:
            return PlatformDefWindowProc(window, message, wParam, lParam);
    }
}

int GRIB_RegisterWindowClass(void* instance) {
    if (g_classRegistered) return 1;
    PlatformWindowClass wc{CS_DBLCLKS, GRIB_WindowProc, instance, 0, IDC_ARROW, PLATFORM_BRUSH_NONE, "GRIB Window"};
    if (!PlatformRegisterClass(&wc)) return 0;
    g_classRegistered = true;
    return 1;
}
