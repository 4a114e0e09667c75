// What the viewer's core needs from the program around it: panel buttons,
// the clock, the view window's default procedure, sound, the fatal-error box
// and the loading box. The windowed viewer fills the record with the
// platform's functions at start-up, the grib tool and the tests with their
// own; a null field keeps the default each describes, so ViewerHooks{} is a
// program without windows or sound.
#pragma once

#include <cstddef>
#include <cstdint>

// A view window's event procedure with the window as an opaque handle (the
// platform's window procedure, in the platform's integer types).
using ViewerWindowProc = intptr_t (*)(void* window, uint32_t message, uintptr_t first, intptr_t second);

// Flags of the sound call: the platform's own values.
enum : uint32_t {
    VIEWER_SOUND_ASYNC = 0x0001,
    VIEWER_SOUND_MEMORY = 0x0004,
    VIEWER_SOUND_NOWAIT = 0x2000,
};

struct ViewerHooks {
    // The button state of a panel control (4 while held down); default 0.
    int (*buttonState)(int controlId);
    // Sets the text of a panel button; default nothing.
    void (*setButtonText)(int controlId, const char* text);
    // The millisecond counter; default GRIB_Milliseconds.
    uint32_t (*milliseconds)();
    // Messages the view does not handle; default 0.
    ViewerWindowProc viewDefaultProc;
    // Plays a .wav image from memory (image, size, flags) or stops the sound
    // (null image); default nothing.
    int (*playSound)(const void* image, size_t size, uint32_t flags);
    // Shows a fatal error (the windowed viewer closes the loading box and
    // shows its message box); default "Fatal Error: <message>" on standard
    // error. FatalError ends the process once it returns.
    void (*fatalError)(const char* message);
    // The loading box's status line; default nothing.
    void (*loadingStatus)(const char* text);
};

extern ViewerHooks g_viewerHooks;
