// The texture list: every GAF file of the textures directory, each entry an
// animated sequence found by name.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/image/gaf.h"
#include "grib/image/textures.h"
#include "grib/vfs/vfs.h"

namespace {

// Never destroyed: the viewer keeps its textures until the process ends, and
// a vector destroyed at exit would leave the sets unreachable before then.
std::vector<TextureSet*>& g_textures = *new std::vector<TextureSet*>;

void FreeSet(TextureSet* set) {
    if (!set) return;
    GRIB_FreeGAF(set->gaf);
    delete[] set->cursors;
    delete[] set->currentFrames;
    delete[] set->entryNames;
    delete set;
}

}  // namespace

TextureSet* GRIB_LoadTextureSet(const char* path) {
    if (!path) return nullptr;
    GribGAF* gaf = GRIB_LoadGAF(path);
    if (!gaf) return nullptr;
    auto* set = new (std::nothrow) TextureSet{};
    if (!set) {
        GRIB_FreeGAF(gaf);
        return nullptr;
    }
    set->gaf = gaf;
    std::snprintf(set->name, sizeof set->name, "%s", GRIB_BaseName(path).c_str());
    int32_t count = GRIB_GAFEntryCount(gaf);
    set->entryCount = count;
    size_t n = static_cast<size_t>(count > 0 ? count : 0);
    set->cursors = new (std::nothrow) GribSequenceCursor[n + 1]{};
    set->currentFrames = new (std::nothrow) const GribImage*[n + 1]{};
    set->entryNames = new (std::nothrow) const char*[n + 1]{};
    if (!set->cursors || !set->currentFrames || !set->entryNames) {
        FreeSet(set);
        return nullptr;
    }
    for (int32_t i = 0; i < count; ++i) {
        const GribSequence* entry = GRIB_GAFEntry(gaf, i);
        // An entry without frames has nothing to show: its cursor stays empty.
        if (entry->frameCount) GRIB_SequenceStart(&set->cursors[i], entry, 0);
        set->currentFrames[i] = GRIB_SequenceFrame(&set->cursors[i]);
        set->entryNames[i] = entry->name;
    }
    return set;
}

void GRIB_LoadTextures(const char* directory) {
    if (!directory) return;
    std::string pattern = std::string(directory) + "*.gaf";
    FindData found;
    intptr_t find = GRIB_FindFirst(pattern.c_str(), &found);
    if (find == -1) return;
    int32_t more = 0;
    do {
        char path[GRIB_MAX_PATH + 64];
        std::snprintf(path, sizeof path, "%s%s.gaf", directory, GRIB_BaseName(found.name).c_str());
        TextureSet* set = GRIB_LoadTextureSet(path);
        if (set) g_textures.push_back(set);
        more = GRIB_FindNext(find, &found);
    } while (more != -1);
    GRIB_FindClose(find);
}

void GRIB_AdvanceTextures(uint32_t ticks) {
    for (size_t s = g_textures.size(); s-- > 0;) {
        TextureSet* set = g_textures[s];
        for (int32_t i = set->entryCount; i-- > 0;) {
            GribSequenceCursor* cursor = &set->cursors[i];
            // Long pauses are passed in steps the cursor's 16-bit time can hold.
            uint32_t left = ticks;
            do {
                uint16_t step = static_cast<uint16_t>(left > 16384 ? 16384 : left);
                GRIB_SequenceAdvance(cursor, step);
                left -= step;
            } while (left && cursor->sequence);
            set->currentFrames[i] = GRIB_SequenceFrame(cursor);
        }
    }
}

const GribImage* GRIB_FindTexture(const char* name) {
    if (!name) return nullptr;
    for (size_t s = g_textures.size(); s-- > 0;) {
        const TextureSet* set = g_textures[s];
        for (int32_t i = set->entryCount; i-- > 0;)
            if (GRIB_SameName(set->entryNames[i], name)) return set->currentFrames[i];
    }
    return nullptr;
}

TextureSet* GRIB_FindTextureSet(const char* name) {
    if (!name) return nullptr;
    for (size_t s = g_textures.size(); s-- > 0;)
        if (GRIB_SameName(g_textures[s]->name, name)) return g_textures[s];
    return nullptr;
}

void GRIB_FreeTextures() {
    for (TextureSet* set : g_textures) FreeSet(set);
    g_textures.clear();
    g_textures.shrink_to_fit();
}
