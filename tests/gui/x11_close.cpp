#include "tests/gui/x11_close.h"

#include <X11/Xlib.h>

bool SendDeleteWindow(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return true;
}

long IconWidth(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long width = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 2, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success && data && count >= 2 && format == 32)
        width = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    XCloseDisplay(display);
    return width;
}
