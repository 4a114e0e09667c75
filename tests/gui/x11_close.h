#pragma once

// Asks a top-level window to close as a window manager does (WM_DELETE_WINDOW).
bool SendDeleteWindow(unsigned long window);
// The width of the first image in the window's _NET_WM_ICON, or 0 without one.
long IconWidth(unsigned long window);
