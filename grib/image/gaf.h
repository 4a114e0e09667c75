// GAF files: named entries, each a sequence of image frames.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grib/draw/draw.h"

// A loaded GAF file: its entries as image sequences over native frame
// records (the file's offsets resolved and checked at load).
struct GribGAF;
GribGAF* GRIB_LoadGAF(const char* path);
// The same from a file image in memory (copied).
GribGAF* GRIB_LoadGAFMemory(const uint8_t* data, size_t size);
void GRIB_FreeGAF(GribGAF* gaf);
int32_t GRIB_GAFEntryCount(const GribGAF* gaf);
const GribSequence* GRIB_GAFEntry(const GribGAF* gaf, int32_t index);
