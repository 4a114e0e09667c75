// Image files (PCX, GAF) and the texture list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grib/display/bitmap.h"
#include "grib/draw/draw.h"

struct FileHandle;

struct GribDecodedPCX {
    uint8_t* body;       // "PCX BODY", width × height
    uint8_t* colourMap;  // "COLOR MAP", 768 bytes
    int32_t width;
    int32_t height;
};

// paletteOut, when given, holds 256 entries of red, green, blue, 0.
GribBitmap* GRIB_LoadPCX(const char* path, uint8_t* paletteOut);
int GRIB_DecodePCX(FileHandle* file, GribDecodedPCX* out);
// The same decoding from a file image in memory (size bytes at data).
int GRIB_DecodePCXMemory(const uint8_t* data, size_t size, GribDecodedPCX* out);
// Releases the body and colour map of a decoded record and zeroes it.
void GRIB_FreeDecodedPCX(GribDecodedPCX* pcx);

// A loaded GAF file: its entries as image sequences over native frame
// records (the file's offsets resolved and checked at load).
struct GribGAF;
GribGAF* GRIB_LoadGAF(const char* path);
// The same from a file image in memory (copied).
GribGAF* GRIB_LoadGAFMemory(const uint8_t* data, size_t size);
void GRIB_FreeGAF(GribGAF* gaf);
int32_t GRIB_GAFEntryCount(const GribGAF* gaf);
const GribSequence* GRIB_GAFEntry(const GribGAF* gaf, int32_t index);

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
