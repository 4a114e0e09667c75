// Loads the input as a .3do, a LightWave object and a 3D Studio file (and
// through type detection), then poses and draws whatever loaded, in both
// depth modes. The LightWave reader's fatal box is replaced by one that
// returns, so the reader gives up instead of ending the process.
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "model/piece.h"
#include "model/readers.h"
#include "model/scene.h"
#include "tests/fuzz/fuzz.h"

namespace {

void Exercise(Piece* root, GribBitmap& surface) {
    if (!root) return;
    Piece* wrapper = NewPiece();
    wrapper->child = root;
    wrapper->angleX = 0.4;
    wrapper->angleY = -0.7;
    int32_t h = RegisterTree(wrapper);
    SetRenderOptions(h, 1, 1, 0, 1, 7, 0);
    for (int mode = 0; mode < 2; ++mode) {
        ViewParams v{1.0, 2.5, 1, mode, 9, -0.75f, -0.75f, -2.25f};
        AnimateTree(h);
        RenderTree(h, &surface, &v);
    }
    UnregisterTree(h);
    FreePieceTree(wrapper);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    static uint8_t* shade = [] {
        auto* t = static_cast<uint8_t*>(GRIB_Alloc("SHADE TABLE", 8192));
        for (int i = 0; i < 8192; ++i) t[i] = uint8_t(i);
        GRIB_GetEnvironment()->shadeTable = t;
        return t;
    }();
    (void)shade;
    g_modelFatalBox = [](const char*, const char*) {};
    fuzz::WriteAlone("input.bin", data, size);
    fuzz::Inside inside;
    std::vector<uint8_t> pixels(64 * 48);
    GribBitmap surface{};
    GRIB_InitBitmap(&surface, 64, 48, 64, pixels.data());
    for (int32_t type : {MODEL_TYPE_DETECT, MODEL_TYPE_3DO, MODEL_TYPE_LWO, MODEL_TYPE_3DS})
        Exercise(LoadModel("input.bin", type), surface);
    return 0;
}
