// Weapon and logo sounds: .wav images loaded once from sounds\ and kept
// until the cache is destroyed, so the platform can play them from memory
// (g_viewerHooks.playSound).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SoundEntry {
    char name[64];
    void* image;  // tagged block holding the whole .wav file
};

struct SoundCache {
    std::vector<SoundEntry> entries;
    int32_t count = 0;
};

SoundCache* CreateSoundCache();
void PlayNamedSound(SoundCache* cache, const char* name);
void StopSound();
// Stops the sound and releases every image and the cache.
void DestroySoundCache(SoundCache* cache);
