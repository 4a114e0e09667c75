// The input side of the GRIB environment: the key-code ring ("typeahead")
// and the mouse-event ring, the window procedure of the library's own
// window, the key poll, debug output, thread start and the software-cursor
// thread with its cross-thread lock.
//
// Rings hold at most capacity - 1 entries; a full ring drops new entries.
// Nothing in the program reads them: a consumer would take slot tail and
// advance tail modulo the capacity.
#pragma once

#include <cstdint>

#include "grib/env/env.h"
#include "platform/window.h"

// Key codes beyond plain characters.
inline constexpr uint32_t GRIB_KEY_F1 = 131;  // .. 142 for F12
inline constexpr uint32_t GRIB_KEY_INSERT = 143;
inline constexpr uint32_t GRIB_KEY_DELETE = 144;
inline constexpr uint32_t GRIB_KEY_HOME = 145;
inline constexpr uint32_t GRIB_KEY_END = 146;
inline constexpr uint32_t GRIB_KEY_PAGEUP = 147;
inline constexpr uint32_t GRIB_KEY_PAGEDOWN = 148;
inline constexpr uint32_t GRIB_KEY_LEFT = 149;
inline constexpr uint32_t GRIB_KEY_UP = 150;
inline constexpr uint32_t GRIB_KEY_RIGHT = 151;
inline constexpr uint32_t GRIB_KEY_DOWN = 152;
inline constexpr uint32_t GRIB_KEY_PAUSE = 153;
inline constexpr uint32_t GRIB_KEY_SHIFT = 154;    // poll only
inline constexpr uint32_t GRIB_KEY_CONTROL = 155;  // poll only
inline constexpr uint32_t GRIB_KEY_ALT = 156;      // poll only
inline constexpr uint32_t GRIB_KEY_CTRL_A = 200;   // .. 225 for Ctrl+Z
inline constexpr uint32_t GRIB_KEY_CTRL_0 = 226;   // .. 235 for Ctrl+9

// The cursor thread's owner tag of the cursor lock ('MOUS').
inline constexpr uint32_t GRIB_CURSOR_LOCK_TAG = 0x4D4F5553;

// The window procedure of the library's own top-level window.
LRESULT GRIB_WindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Registers the class "GRIB Window" with GRIB_WindowProc. Only the input
// mode of the environment uses it; the viewer never does. 1 on success
// (also when it is already registered).
int GRIB_RegisterWindowClass(void* instance);

// Creates the mouse ring ("MOUSE EVENTS", capacity x 24 bytes) and the
// save-under buffers, resets the state and starts the cursor thread when
// startThread is 1. This is the inputStart hook of GRIB_Startup (see
// GRIB_InstallDisplayHooks); a second start reuses the blocks of the first.
void GRIB_InputStart(uint32_t mouseCapacity, int startThread);
// Capacity clamped to 1..30 (above 30 with a debug message); empties the ring.
void GRIB_SetTypeahead(uint32_t capacity);
void GRIB_ResetTypeahead();
void GRIB_ResetMouseEvents();
// Appends a key code; "~" (126) toggles the console hook instead.
void GRIB_PushKey(uint32_t code);
// Maps a key-down message's virtual key to a key code and pushes it.
void GRIB_TranslateKey(uint32_t virtualKey, int systemKey);
void GRIB_PushMouseEvent(const GribMouseRecord* event);
void GRIB_GetMouseState(GribMouseRecord* out);
void GRIB_SetMouseState(const GribMouseRecord* state);
// 1 while the key of code 149..152 or 154..156 is down, else 0.
int GRIB_KeyDown(uint32_t code);

// printf-style text to standard error while the debug flag (0x0800) is on;
// at most 255 characters.
void GRIB_DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Starts a detached thread; 1 on success.
int GRIB_StartThread(void (*procedure)(void*), uint32_t stackSize, void* argument);
// Starts the cursor thread (128 KiB stack) for env; 1 on success. The
// thread redraws the cursor about 30 times a second until env->cursorStop
// is set, then clears it again and ends.
int GRIB_StartCursorThread(GribEnvironment* env);

// The cursor lock. Acquire returns 1 when the caller took the lock and must
// release it, 0 when the caller already held it under the same tag (a
// nested hold, which must not release).
int GRIB_AcquireCursorLock(uint32_t tag);
void GRIB_ReleaseCursorLock();

// Hooks of a fuller environment; here they do nothing and return 0.
int GRIB_RealizePalette();
int GRIB_ShowConsole(int on);
