// The close request a window manager sends (WM_DELETE_WINDOW), for a display
// without one.
#pragma once

bool SendDeleteWindow(unsigned long window);
