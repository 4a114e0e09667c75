// The software cursor: its thread, its lock and its compositing.
#include <atomic>
#include <cstring>

#include "grib/draw/draw.h"
#include "grib/input/input.h"
#include "platform/system.h"

namespace {

std::atomic<uint32_t> g_lockWord;
std::atomic<uint32_t> g_lockOwner;
PlatformEvent* g_lockEvent;

// Set up before the program's main code runs.
struct LockSetup {
    LockSetup() {
        g_lockWord = 0;
        if (g_lockEvent) PlatformResetEvent(g_lockEvent);
        else g_lockEvent = PlatformCreateEvent(0, 0);
    }
} g_lockSetup;

class CursorHold {
public:
    explicit CursorHold(uint32_t tag) : release_(GRIB_AcquireCursorLock(tag) != 0) {}
    ~CursorHold() {
        if (release_) GRIB_ReleaseCursorLock();
    }
    CursorHold(const CursorHold&) = delete;
    CursorHold& operator=(const CursorHold&) = delete;

private:
    bool release_;
};

void CursorThread(void* argument) {
    auto* env = static_cast<GribEnvironment*>(argument);
    PlatformRaiseThreadPriority();
    while (!__atomic_load_n(&env->cursorStop, __ATOMIC_ACQUIRE)) {
        uint32_t start = GRIB_Milliseconds();
        {
            CursorHold hold(GRIB_CURSOR_LOCK_TAG);
            if (env->cursorImage) GRIB_DrawCursor(env);
        }
        int32_t wait = static_cast<int32_t>(start + 33u - GRIB_Milliseconds());
        PlatformSleep(wait < 1 ? 1u : static_cast<uint32_t>(wait));
    }
    __atomic_store_n(&env->cursorStop, 0u, __ATOMIC_RELEASE);
}

void Reshape(GribBitmap* bitmap, uint32_t width, uint32_t height) {
    GRIB_InitBitmap(bitmap, width, height, width, bitmap->pixels);
}

}  // namespace

int GRIB_AcquireCursorLock(uint32_t tag) {
    for (;;) {
        uint32_t old = g_lockWord.exchange(tag);
        if (old == 0) {
            g_lockOwner = tag;
            return 1;
        }
        if (g_lockOwner == tag) return 0;
        PlatformWaitEvent(g_lockEvent, 0xFFFFFFFFu);
    }
}

void GRIB_ReleaseCursorLock() {
    g_lockOwner = 0;
    g_lockWord.exchange(0);
    PlatformSetEvent(g_lockEvent);
}

int GRIB_StartCursorThread(GribEnvironment* env) {
    if (!env) return 0;
    __atomic_store_n(&env->cursorStop, 0u, __ATOMIC_RELEASE);
    return GRIB_StartThread(CursorThread, 131072, env);
}

void GRIB_DrawCursor(GribEnvironment* env) {
    if (!env || !env->cursorDrawing || !env->cursorImage) return;
    const GribImage* image = env->cursorImage;
    GribBitmap* s1 = env->saveUnder[0];
    GribBitmap* s2 = env->saveUnder[1];
    GribBitmap* s3 = env->saveUnder[2];
    if (!s1 || !s2 || !s3) return;
    int px = 0, py = 0;
    PlatformCursorPos(&px, &py);
    env->mouse.x = static_cast<uint32_t>(px);
    env->mouse.y = static_cast<uint32_t>(py);
    uint32_t w = image->width, h = image->height;
    // The save-under buffers hold 1,600 pixels; a larger cursor is not drawn.
    if (w == 0 || h == 0 || w * h > 1600) return;
    GribBitmap screen{};
    if (!GRIB_LockScreen(&screen)) return;
    int32_t nx = px - image->originX, ny = py - image->originY;
    int32_t ox = env->cursorPrevX, oy = env->cursorPrevY;
    Reshape(s2, w, h);
    Reshape(s3, w, h);
    GRIB_Blit(s2, &screen, -nx, -ny);
    GRIB_Blit(s2, s1, ox - nx, oy - ny);
    std::memcpy(s3->pixels, s2->pixels, size_t{w} * h);
    GRIB_ResetClip(s3);
    GRIB_DrawImage(s3, image, image->originX, image->originY);
    GRIB_Blit(s1, s3, nx - ox, ny - oy);
    GRIB_Blit(&screen, s1, ox, oy);
    GRIB_Blit(&screen, s3, nx, ny);
    Reshape(s1, w, h);
    std::memcpy(s1->pixels, s2->pixels, size_t{w} * h);
    env->cursorPrevX = nx;
    env->cursorPrevY = ny;
    GRIB_UnlockScreen(&screen);
}
