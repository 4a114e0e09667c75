// The windowed viewer: start-up, the main window and its message loop, the
// loading box, the main panel and the About box.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct GribBitmap;

// Start-up: returns only when the main window class can't be registered
// (with 0); otherwise the process ends inside GRIB_Shutdown (status 1).
int ViewerStartup(void* instance, void* previousInstance, const char* commandLine, int showMode);

// Appends one argument per blank- or tab-separated word (or double-quoted
// run) of the text to g_viewer.arguments.
void SplitCommandLine(const char* text);
// The switches N (toggles scaling by screen width) and "kelpo" (hidden keys).
void ApplySwitches();

// After a signal asked for the end: the shutdown steps, as after the loop
// (does not return). Nothing when no signal came.
void EndIfQuitRequested();

LRESULT MainWndProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
void CreateViewWindow();
// The view window's callbacks (DrawView and ViewEvents) and the default
// procedure the frame driver hands the rest to.
int ViewDraw(HWND window, GribBitmap* surface, uint32_t elapsed);
LRESULT ViewWindowEvents(HWND window, uint32_t message, WPARAM first, LPARAM second);
intptr_t ViewDefaultProc(void* window, uint32_t message, uintptr_t first, intptr_t second);

// The loading box runs dialog 104 on a thread of its own.
void StartLoadingBox();
void CloseLoadingBox();
void ShowLoadingStatus(const char* text);

intptr_t MainDlgProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam);
void UpdatePanel();
// Seams of the frame driver that read and write panel buttons.
int PanelButtonState(int controlId);
void SetPanelButtonText(int controlId, const char* text);

intptr_t AboutDlgProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam);
int DrawLogo(HWND window, GribBitmap* surface, uint32_t elapsed);

// Test-only introspection: with SHOWCASE_TRACE set in the environment the
// program writes "trace: ..." lines to standard error (see docs/viewer.md).
bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// Writes the panel line when it changed since the last one.
void TracePanel();
// Writes the full state when SIGUSR1 has asked for it since the last call.
void TraceServiceRequest();
// The screen rectangle of a window as "x y w h".
std::string TraceRect(HWND window);
// Counts frames drawn while tracing (the view's draw callback then wraps DrawView).
int TracedDrawView(HWND window, GribBitmap* surface, uint32_t elapsed);
void TraceIdle();
// The view's event callback while tracing: ViewEvents, then a "view" line
// for each mouse message it handled.
LRESULT TracedViewEvents(HWND window, uint32_t message, WPARAM first, LPARAM second);
// "frames=N idle=N": frames drawn and idle passes of the loop so far.
std::string TraceCounters();
