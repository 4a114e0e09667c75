#include "app/sound.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "app/hooks.h"
#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/vfs/vfs.h"

namespace {

void Play(const void* image) {
    if (image && g_viewerHooks.playSound)
        g_viewerHooks.playSound(image, GRIB_BlockSize(image), VIEWER_SOUND_MEMORY | VIEWER_SOUND_ASYNC);
}

}  // namespace

SoundCache* CreateSoundCache() { return new (std::nothrow) SoundCache; }

void PlayNamedSound(SoundCache* cache, const char* name) {
    if (!cache || !name) return;
    for (const SoundEntry& e : cache->entries)
        if (GRIB_SameName(e.name, name)) {
            Play(e.image);
            return;
        }
    char path[128];
    std::snprintf(path, sizeof path, "%s%s.wav", "sounds\\", name);
    void* image = GRIB_IsGamePath(path) ? GRIB_LoadFile(path) : nullptr;
    if (!image) return;  // tried again next time
    SoundEntry entry{};
    std::snprintf(entry.name, sizeof entry.name, "%s", name);
    entry.image = image;
    cache->entries.push_back(entry);
    cache->count++;
    Play(image);
}

void StopSound() {
    if (g_viewerHooks.playSound) g_viewerHooks.playSound(nullptr, 0, VIEWER_SOUND_NOWAIT);
}

void DestroySoundCache(SoundCache* cache) {
    if (!cache) return;
    StopSound();
    for (SoundEntry& e : cache->entries) GRIB_Free(e.image);
    delete cache;
}
