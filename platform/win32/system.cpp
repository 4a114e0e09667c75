// Threads, events, the console control handler, time, keys, the shell and
// sound, on the real API (a PlatformEvent is an event HANDLE).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/layer.h"

#include <shellapi.h>

namespace {

struct ThreadStart {
    PlatformThreadProc procedure;
    void* argument;
};

DWORD WINAPI RunThread(void* start) {
    ThreadStart s = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    s.procedure(s.argument);
    return 0;
}

std::atomic<PlatformCtrlHandler> g_ctrlHandler{nullptr};
std::atomic<bool> g_ctrlInstalled{false};

BOOL WINAPI CtrlTrampoline(DWORD type) {
    PlatformCtrlHandler handler = g_ctrlHandler.load();
    return handler && handler(type) ? TRUE : FALSE;
}

// The viewer is a windowed program: when its output is not redirected it
// writes to the console it was started from, if any (--help, --version).
[[maybe_unused]] const bool g_consoleAttached = [] {
    if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    return std::freopen("CONOUT$", "w", stdout) && std::freopen("CONOUT$", "w", stderr);
}();

}  // namespace

int PlatformStartThread(PlatformThreadProc procedure, size_t stackSize, void* argument) {
    if (!procedure) return 0;
    auto* start = new (std::nothrow) ThreadStart{procedure, argument};
    if (!start) return 0;
    HANDLE thread = CreateThread(nullptr, stackSize, RunThread, start,
                                 stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) {
        delete start;
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

int PlatformRaiseThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) ? 1 : 0;
}

PlatformEvent* PlatformCreateEvent(int manualReset, int initialState) {
    return reinterpret_cast<PlatformEvent*>(CreateEventA(nullptr, manualReset != 0, initialState != 0, nullptr));
}
int PlatformSetEvent(PlatformEvent* event) { return event && SetEvent(reinterpret_cast<HANDLE>(event)) ? 1 : 0; }
int PlatformResetEvent(PlatformEvent* event) {
    return event && ResetEvent(reinterpret_cast<HANDLE>(event)) ? 1 : 0;
}
int PlatformWaitEvent(PlatformEvent* event, uint32_t milliseconds) {
    if (!event) return 0;
    return WaitForSingleObject(reinterpret_cast<HANDLE>(event), milliseconds) == WAIT_OBJECT_0 ? 1 : 0;
}
void PlatformCloseEvent(PlatformEvent* event) {
    if (event) CloseHandle(reinterpret_cast<HANDLE>(event));
}

int PlatformSetCtrlHandler(PlatformCtrlHandler handler) {
    g_ctrlHandler.store(handler);
    if (handler && !g_ctrlInstalled.load()) {
        if (!SetConsoleCtrlHandler(CtrlTrampoline, TRUE)) return 0;
        g_ctrlInstalled.store(true);
    } else if (!handler && g_ctrlInstalled.load()) {
        if (!SetConsoleCtrlHandler(CtrlTrampoline, FALSE)) return 0;
        g_ctrlInstalled.store(false);
    }
    return 1;
}

uint32_t PlatformTickCount() { return GetTickCount(); }
void PlatformSleep(uint32_t milliseconds) { Sleep(milliseconds); }

int16_t PlatformKeyState(int virtualKey) { return GetAsyncKeyState(virtualKey); }

int PlatformCursorPos(int* x, int* y) {
    POINT p{};
    int ok = GetCursorPos(&p) ? 1 : 0;
    if (x) *x = ok ? p.x : 0;
    if (y) *y = ok ? p.y : 0;
    return ok;
}

// ---- the shell ----

// SHOWCASE_OPENER names another opener (tests use it to see what is opened).
const char* PlatformShellOpenerCommand() {
    const char* custom = std::getenv("SHOWCASE_OPENER");
    return custom && *custom ? custom : "ShellExecute";
}

int PlatformShellOpen(const char* target) {
    if (!target || !*target) return 0;
    std::string address = target;
    if (address.size() >= 4 && _strnicmp(address.c_str(), "www.", 4) == 0) address = "http://" + address;
    const char* custom = std::getenv("SHOWCASE_OPENER");
    if (!custom || !*custom) {
        auto r = reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return r > 32 ? 1 : 0;
    }
    std::string line = std::string("\"") + custom + "\" \"" + address + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

// ---- sound ----

namespace {

struct Sound {
    std::mutex mutex;
    // PlaySound reads the image while it plays; the one before is kept too
    // in case the stopped sound still holds it for a moment.
    std::vector<uint8_t> images[2];
    int current = 0;
    ULONGLONG until = 0;
};

Sound& Audio() {
    static auto* sound = new Sound;
    return *sound;
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The playing time of a PCM .wav image in milliseconds, or -1 when the image
// is not one.
long long WavDuration(const uint8_t* bytes, size_t size) {
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return -1;
    uint32_t bytesPerSecond = 0;
    uint16_t format = 0;
    for (size_t at = 12; at + 8 <= size;) {
        uint32_t length = Le32(bytes + at + 4);
        size_t body = at + 8;
        if (length > size - body) return -1;
        if (std::memcmp(bytes + at, "fmt ", 4) == 0) {
            if (length < 16) return -1;
            format = static_cast<uint16_t>(bytes[body] | (bytes[body + 1] << 8));
            bytesPerSecond = Le32(bytes + body + 8);
        } else if (std::memcmp(bytes + at, "data", 4) == 0) {
            if (format != 1 || bytesPerSecond == 0) return -1;
            return static_cast<long long>(length) * 1000 / bytesPerSecond;
        }
        at = body + length + (length & 1u);
    }
    return -1;
}

}  // namespace

int PlatformPlaySound(const void* image, size_t size, uint32_t) {
    Sound& sound = Audio();
    std::lock_guard<std::mutex> lock(sound.mutex);
    if (waveOutGetNumDevs() == 0) return 0;
    if (!image) {
        PlaySoundA(nullptr, nullptr, 0);
        sound.until = 0;
        return 1;
    }
    const auto* bytes = static_cast<const uint8_t*>(image);
    if (size == 0) {
        // The RIFF header names the length of the rest.
        if (std::memcmp(bytes, "RIFF", 4) != 0) return 0;
        uint32_t length = Le32(bytes + 4);
        if (length > 0x7FFFFFF0u) return 0;
        size = static_cast<size_t>(length) + 8u;
    }
    long long duration = WavDuration(bytes, size);
    if (duration < 0) return 0;
    PlaySoundA(nullptr, nullptr, 0);
    sound.until = 0;
    int next = 1 - sound.current;
    try {
        sound.images[next].assign(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    sound.current = next;
    if (!PlaySoundA(reinterpret_cast<LPCSTR>(sound.images[next].data()), nullptr,
                    SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
        return 0;
    sound.until = GetTickCount64() + static_cast<ULONGLONG>(duration);
    return 1;
}

int PlatformSoundPlaying() {
    Sound& sound = Audio();
    std::lock_guard<std::mutex> lock(sound.mutex);
    return GetTickCount64() < sound.until ? 1 : 0;
}
