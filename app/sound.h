// Weapon and logo sounds: .wav images loaded once from sounds\ and kept
// until the cache is destroyed, so the platform can play them from memory.
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

// The platform's sound call (image, size, flags); the default plays through
// the platform layer when it is built in, else does nothing.
extern int (*g_playSound)(const void* image, size_t size, uint32_t flags);

SoundCache* CreateSoundCache();
void PlayNamedSound(SoundCache* cache, const char* name);
void StopSound();
// Stops the sound and releases every image and the cache.
void DestroySoundCache(SoundCache* cache);
