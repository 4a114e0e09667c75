// Up to three texture files from the input, loaded as the texture list;
// then every entry is advanced through short and long pauses and looked up
// by its name.
#include <string>

#include "grib/image/textures.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    auto parts = fuzz::Split(data, size, 3);
    fuzz::Clear();
    for (size_t i = 0; i < parts.size(); ++i)
        if (!parts[i].empty()) fuzz::Write("textures/set" + std::to_string(i) + ".gaf", parts[i]);
    fuzz::Inside inside;
    GRIB_LoadTextures("textures\\");
    for (uint32_t ticks : {0u, 1u, 7u, 40000u, 1000000u}) {
        GRIB_AdvanceTextures(ticks);
        for (int s = 0; s < 3; ++s) {
            TextureSet* set = GRIB_FindTextureSet(("set" + std::to_string(s)).c_str());
            if (!set) continue;
            for (int32_t e = 0; e < set->entryCount; ++e) {
                const GribImage* frame = GRIB_FindTexture(set->entryNames[e]);
                if (frame && frame->data == nullptr && frame->width && frame->height) std::abort();
            }
        }
    }
    GRIB_FindTexture("");
    GRIB_FreeTextures();
    return 0;
}
