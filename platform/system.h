// Threads, events, time, the key poll, the shell and sound.
#pragma once

#include <cstddef>
#include <cstdint>

// Starts a detached thread running procedure(argument) with the stack size
// in bytes (0: the default). 1 on success.
using PlatformThreadProc = void (*)(void* argument);
int PlatformStartThread(PlatformThreadProc procedure, size_t stackSize, void* argument);
// Asks for the highest normal priority for the calling thread; 1 when the
// system granted it (an unprivileged process usually can't raise it).
int PlatformRaiseThreadPriority();

// Events: auto-reset ones wake one waiter and reset themselves.
struct PlatformEvent;
PlatformEvent* PlatformCreateEvent(int manualReset, int initialState);
int PlatformSetEvent(PlatformEvent* event);
int PlatformResetEvent(PlatformEvent* event);
// Waits for the event; milliseconds 0xFFFFFFFF waits forever. 1 when
// signalled, 0 on time-out.
int PlatformWaitEvent(PlatformEvent* event, uint32_t milliseconds);
void PlatformCloseEvent(PlatformEvent* event);

// What ends the program from outside, as SetConsoleCtrlHandler reports it:
// SIGINT arrives as CTRL_C_EVENT, SIGHUP as CTRL_CLOSE_EVENT and SIGTERM as
// CTRL_SHUTDOWN_EVENT. Once a handler is set these signals no longer end the
// process; the handler runs on a thread of the layer (never inside the
// signal), once per signal. A handler that returns 0 lets the signal end the
// process as it would have. A null handler restores the default. 1 on success.
inline constexpr uint32_t CTRL_C_EVENT = 0;
inline constexpr uint32_t CTRL_CLOSE_EVENT = 2;
inline constexpr uint32_t CTRL_SHUTDOWN_EVENT = 6;
using PlatformCtrlHandler = int (*)(uint32_t ctrlType);
int PlatformSetCtrlHandler(PlatformCtrlHandler handler);

// A monotonic millisecond counter kept to 32 bits (it wraps).
uint32_t PlatformTickCount();
void PlatformSleep(uint32_t milliseconds);

// Virtual-key codes of the keys the program polls.
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_PAUSE = 0x13;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F12 = 0x7B;
// The live state of a key, as GetAsyncKeyState gives it: 0x8000 set while the
// key is down. 0 without a display.
int16_t PlatformKeyState(int virtualKey);

// The pointer position in screen coordinates; 0 (and 0, 0) without a display.
int PlatformCursorPos(int* x, int* y);

// Opens a document or web address with the desktop's opener (xdg-open;
// ShellExecute on Windows), without waiting; a target that starts with
// "www." gets "http://" in front.
// 1 when the opener could be started.
int PlatformShellOpen(const char* target);
// The opener PlatformShellOpen runs: $SHOWCASE_OPENER when set, else xdg-open
// ("ShellExecute" on Windows).
const char* PlatformShellOpenerCommand();

// Sound flags (the Win32 values).
inline constexpr uint32_t SND_ASYNC = 0x0001;
inline constexpr uint32_t SND_MEMORY = 0x0004;
inline constexpr uint32_t SND_NOWAIT = 0x2000;
// Plays a whole .wav file image from memory asynchronously, replacing the
// sound that plays. A null image stops the sound. Returns 1 when a sound was
// started or stopped; 0 when the image is not a playable .wav or there is no
// audio device (then nothing happens). size 0: read the size from the RIFF
// header.
int PlatformPlaySound(const void* image, size_t size, uint32_t flags);
// 1 while a sound is playing.
int PlatformSoundPlaying();
