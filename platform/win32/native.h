// The Windows side of the window-system layer sees both vocabularies: the
// layer's own (its HWND, message numbers and helpers, declared first) and
// the real API's. The real window handle is NativeHWND; the layer's HWND is
// that handle cast, so a window made here is a real window everywhere.
#pragma once

#include "platform/platform.h"

// The layer's HWND_TOP and windows.h's differ only in spelling.
#undef HWND_TOP
#define HWND NativeHWND
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shlobj.h>
#undef HWND

inline NativeHWND NativeWindow(HWND window) { return reinterpret_cast<NativeHWND>(window); }
inline HWND LayerWindow(NativeHWND window) { return reinterpret_cast<HWND>(window); }
