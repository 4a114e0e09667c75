#include "grib/env/env.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

GribEnvironment g_env;
GribPlatformHooks g_hooks;
void* g_instance;

// Configuration bits cleared by the start-up.
constexpr uint16_t CONFIG_WINDOW = 0x0002;
constexpr uint16_t CONFIG_CURSOR_THREAD = 0x0200;

int InitEnvironment(GribEnvironment* env) {
    env->surfacePresent = 0;
    env->mainWindow = nullptr;

    env->flags |= GRIB_FLAG_DEBUG;
    env->flags &= static_cast<uint16_t>(~GRIB_FLAG_RESERVED_1000);
    if (env->config & CONFIG_CURSOR_THREAD) env->flags |= GRIB_FLAG_CURSOR_THREAD;
    else env->flags &= static_cast<uint16_t>(~GRIB_FLAG_CURSOR_THREAD);

    env->allocatedBytes = 0;
    env->typeaheadCapacity = GRIB_TYPEAHEAD_MAX;
    env->typeaheadHead = env->typeaheadTail = 0;
    if (g_hooks.inputStart) g_hooks.inputStart(20, (env->flags & GRIB_FLAG_CURSOR_THREAD) ? 1 : 0);
    env->mouse = GribMouseRecord{};

    env->flags |= GRIB_FLAG_VALID;
    env->mounts = nullptr;
    env->mountCount = 0;
    env->width = env->requestedWidth;
    env->height = env->requestedHeight;
    // Flag bit n+1 mirrors configuration bit n for 0x0002..0x0100.
    for (uint16_t bit = 0x0002; bit <= 0x0100; bit <<= 1) {
        uint16_t flag = static_cast<uint16_t>(bit << 1);
        if (env->config & bit) env->flags |= flag;
        else env->flags &= static_cast<uint16_t>(~flag);
    }
    // Tables whose presence flag is set now would be allocated here; the
    // start-up clears every configuration bit, so none is.
    (void)CONFIG_WINDOW;
    return 1;
}

}  // namespace

GribEnvironment* GRIB_GetEnvironment() { return &g_env; }

void GRIB_SetPlatformHooks(const GribPlatformHooks* hooks) {
    g_hooks = hooks ? *hooks : GribPlatformHooks{};
}

int GRIB_Startup(int32_t tickRate, void* instance, uint32_t timerMode) {
    g_instance = instance;
    GribEnvironment* env = &g_env;
    env->requestedWidth = 640;
    env->requestedHeight = 480;
    env->config = 0;
    if (!InitEnvironment(env)) return 0;
    env->tickRate = tickRate > 0 ? tickRate : 60;
    if (g_hooks.displayStartup && !g_hooks.displayStartup(g_instance, timerMode)) return 0;
    return 1;
}

void GRIB_Shutdown(const char* message) {
    if (g_hooks.displayShutdown) g_hooks.displayShutdown();
    if (message) {
        if (g_hooks.messageBox) g_hooks.messageBox(g_env.title ? g_env.title : "", message);
        else std::fprintf(stderr, "%s\n", message);
    }
    std::fflush(nullptr);
    std::exit(1);
}

void GRIB_SetTickRate(int32_t ticksPerSecond) { g_env.tickRate = ticksPerSecond; }
int32_t GRIB_GetTickRate() { return g_env.tickRate; }
