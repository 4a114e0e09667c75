// PCX images: 8-bit run-length bodies with a 256-colour map.
#pragma once

#include <cstddef>
#include <cstdint>

struct FileHandle;
struct GribBitmap;

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
