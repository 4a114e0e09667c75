// The texture list: the GAF files of a folder, their entries animated by
// the clock and found by name.
#pragma once

#include <cstdint>

#include "grib/draw/draw.h"

struct GribGAF;

struct TextureSet {
    char name[256];
    GribGAF* gaf;
    int32_t entryCount;
    GribSequenceCursor* cursors;
    const GribImage** currentFrames;
    const char** entryNames;
};

void GRIB_LoadTextures(const char* directory);
TextureSet* GRIB_LoadTextureSet(const char* path);
void GRIB_AdvanceTextures(uint32_t ticks);
const GribImage* GRIB_FindTexture(const char* name);
TextureSet* GRIB_FindTextureSet(const char* name);
// Releases every texture set (tool and test teardown; the viewer keeps its
// textures for the whole run).
void GRIB_FreeTextures();
