// Threads, events, time, the key poll, the shell opener and sound.
#include <FL/Fl.H>
#include <FL/Enumerations.H>
#include <SDL.h>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/internal.h"
#include "platform/system.h"

extern char** environ;

using namespace platform;

// ---- threads and events ----

namespace {

struct ThreadStart {
    PlatformThreadProc procedure;
    void* argument;
};

void* ThreadMain(void* data) {
    ThreadStart start = *static_cast<ThreadStart*>(data);
    delete static_cast<ThreadStart*>(data);
    start.procedure(start.argument);
    return nullptr;
}

}  // namespace

int PlatformStartThread(PlatformThreadProc procedure, size_t stackSize, void* argument) {
    if (!procedure) return 0;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return 0;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize) {
        size_t size = std::max<size_t>(stackSize, PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attributes, size);
    }
    auto* start = new ThreadStart{procedure, argument};
    pthread_t thread;
    int result = pthread_create(&thread, &attributes, ThreadMain, start);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        delete start;
        return 0;
    }
    return 1;
}

int PlatformRaiseThreadPriority() {
    // Normal threads have one static priority here; all a thread can ask for
    // is the round-robin class, which needs privileges.
    sched_param parameter{};
    parameter.sched_priority = sched_get_priority_min(SCHED_RR);
    return pthread_setschedparam(pthread_self(), SCHED_RR, &parameter) == 0 ? 1 : 0;
}

struct PlatformEvent {
    std::mutex mutex;
    std::condition_variable cv;
    bool manual = false;
    bool signalled = false;
};

PlatformEvent* PlatformCreateEvent(int manualReset, int initialState) {
    auto* event = new PlatformEvent;
    event->manual = manualReset != 0;
    event->signalled = initialState != 0;
    return event;
}

int PlatformSetEvent(PlatformEvent* event) {
    if (!event) return 0;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    if (event->manual) event->cv.notify_all();
    else event->cv.notify_one();
    return 1;
}

int PlatformResetEvent(PlatformEvent* event) {
    if (!event) return 0;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
    return 1;
}

int PlatformWaitEvent(PlatformEvent* event, uint32_t milliseconds) {
    if (!event) return 0;
    std::unique_lock<std::mutex> lock(event->mutex);
    auto ready = [&] { return event->signalled; };
    if (milliseconds == 0xFFFFFFFFu) event->cv.wait(lock, ready);
    else if (!event->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) return 0;
    if (!event->manual) event->signalled = false;
    return 1;
}

void PlatformCloseEvent(PlatformEvent* event) { delete event; }

// ---- time ----

uint32_t PlatformTickCount() { return static_cast<uint32_t>(Milliseconds64()); }

void PlatformSleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// ---- the key poll ----

int16_t PlatformKeyState(int virtualKey) {
    int keys[2] = {0, 0};
    if (virtualKey >= 'A' && virtualKey <= 'Z') keys[0] = virtualKey - 'A' + 'a';
    else if (virtualKey >= '0' && virtualKey <= '9') keys[0] = virtualKey;
    else if (virtualKey >= VK_F1 && virtualKey <= VK_F12) keys[0] = FL_F + 1 + (virtualKey - VK_F1);
    else {
        switch (virtualKey) {
            case VK_LBUTTON: keys[0] = FL_Button + 1; break;
            case VK_SHIFT: keys[0] = FL_Shift_L; keys[1] = FL_Shift_R; break;
            case VK_CONTROL: keys[0] = FL_Control_L; keys[1] = FL_Control_R; break;
            case VK_MENU: keys[0] = FL_Alt_L; keys[1] = FL_Alt_R; break;
            case VK_PAUSE: keys[0] = FL_Pause; break;
            case VK_PRIOR: keys[0] = FL_Page_Up; break;
            case VK_NEXT: keys[0] = FL_Page_Down; break;
            case VK_END: keys[0] = FL_End; break;
            case VK_HOME: keys[0] = FL_Home; break;
            case VK_LEFT: keys[0] = FL_Left; break;
            case VK_UP: keys[0] = FL_Up; break;
            case VK_RIGHT: keys[0] = FL_Right; break;
            case VK_DOWN: keys[0] = FL_Down; break;
            case VK_INSERT: keys[0] = FL_Insert; break;
            case VK_DELETE: keys[0] = FL_Delete; break;
            default: break;
        }
    }
    if (!keys[0] || !DisplayOpen()) return 0;
    bool down = false;
    RunOnUi([&] {
        for (int key : keys)
            if (key && Fl::get_key(key)) down = true;
    });
    return down ? static_cast<int16_t>(0x8000) : 0;
}

int PlatformCursorPos(int* x, int* y) {
    int px = 0, py = 0;
    bool ok = DisplayOpen();
    if (ok) RunOnUi([&] { Fl::get_mouse(px, py); });
    if (x) *x = px;
    if (y) *y = py;
    return ok ? 1 : 0;
}

// ---- the shell ----

// SHOWCASE_OPENER names another opener (tests use it to see what is opened).
const char* PlatformShellOpenerCommand() {
    const char* custom = std::getenv("SHOWCASE_OPENER");
    return custom && *custom ? custom : "xdg-open";
}

int PlatformShellOpen(const char* target) {
    if (!target || !*target) return 0;
    std::string address = target;
    if (address.size() >= 4 && CompareNoCase(address.substr(0, 4), "www.") == 0) address = "http://" + address;
    std::string opener = PlatformShellOpenerCommand();
    char* argv[] = {opener.data(), address.data(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
    // Reap the opener in the background so that it leaves no zombie.
    std::thread([pid] {
        int status;
        waitpid(pid, &status, 0);
    }).detach();
    return 1;
}

// ---- sound ----

namespace {

struct Sound {
    std::mutex mutex;
    bool tried = false;
    bool available = false;
    SDL_AudioDeviceID device = 0;
};

Sound& Audio() {
    static Sound* sound = new Sound;
    return *sound;
}

bool EnsureAudio(Sound& sound) {
    if (!sound.tried) {
        sound.tried = true;
        // The program decides what SIGINT and SIGTERM do (PlatformSetCtrlHandler).
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sound.available = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return sound.available;
}

void CloseDevice(Sound& sound) {
    if (sound.device) {
        SDL_CloseAudioDevice(sound.device);
        sound.device = 0;
    }
}

}  // namespace

int PlatformPlaySound(const void* image, size_t size, uint32_t) {
    Sound& sound = Audio();
    std::lock_guard<std::mutex> lock(sound.mutex);
    if (!image) {
        if (!sound.available) return 0;
        // Closing waits for the device's thread (up to a buffer's length):
        // stopping only drops what is queued, so that shutdown never waits.
        if (sound.device) {
            SDL_PauseAudioDevice(sound.device, 1);
            SDL_ClearQueuedAudio(sound.device);
        }
        return 1;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(image);
    if (size == 0) {
        // The RIFF header names the length of the rest.
        if (std::memcmp(bytes, "RIFF", 4) != 0) return 0;
        uint32_t length = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (static_cast<uint32_t>(bytes[7]) << 24);
        if (length > 0x7FFFFFF0u) return 0;
        size = static_cast<size_t>(length) + 8u;
    }
    if (size < 12 || size > 0x7FFFFFFFu || !EnsureAudio(sound)) return 0;
    SDL_RWops* stream = SDL_RWFromConstMem(image, static_cast<int>(size));
    if (!stream) return 0;
    SDL_AudioSpec format{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(stream, 1, &format, &samples, &length)) return 0;
    CloseDevice(sound);
    format.callback = nullptr;
    format.userdata = nullptr;
    sound.device = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
    int result = 0;
    if (sound.device) {
        result = SDL_QueueAudio(sound.device, samples, length) == 0 ? 1 : 0;
        SDL_PauseAudioDevice(sound.device, 0);
    }
    SDL_FreeWAV(samples);
    return result;
}

int PlatformSoundPlaying() {
    Sound& sound = Audio();
    std::lock_guard<std::mutex> lock(sound.mutex);
    return sound.device && SDL_GetQueuedAudioSize(sound.device) > 0 ? 1 : 0;
}
