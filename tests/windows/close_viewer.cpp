// Asks the viewer's main window to close, as the desktop's close button
// would: the end-to-end check under Wine runs it beside showcase.exe.
// Exit status 0 when the request was posted, 1 when there is no viewer.
#include <windows.h>

int main() {
    HWND main = FindWindowA("Showcase", nullptr);
    return main && PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
}
