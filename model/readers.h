// The readers that build a piece tree from a file: .3do, 3D Studio meshes
// and LightWave objects.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/piece.h"

// Model types of LoadModel.
enum { MODEL_TYPE_DETECT = 1, MODEL_TYPE_3DO = 2, MODEL_TYPE_LWO = 3, MODEL_TYPE_3DS = 4 };

Piece* LoadModel(const char* path, int32_t type);
int32_t DetectModelType(const char* path);
Piece* Load3do(const char* path);
Piece* Load3dsModel(const char* path);
Piece* LoadLwoModel(const char* path);
int32_t FindChunk(FILE* file, const uint16_t* ids, int32_t pathLength, int32_t limit, int32_t occurrence);

// The LightWave reader's one fatal error goes through this seam. The default
// prints caption and text on standard error and exits with status 1; a
// program may install its message box (which then exits). When the function
// returns, the reader gives up on the file (null).
using ModelFatalBoxFn = void (*)(const char* caption, const char* text);
extern ModelFatalBoxFn g_modelFatalBox;
