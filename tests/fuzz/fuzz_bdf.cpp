// The input as a BDF font, converted both ways; a converted font is drawn
// into a bitmap.
#include <cstring>
#include <string>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "kit/image/bdf_font.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    const std::string_view text = fuzz::Text(data, size);
    for (bool baseline : {false, true}) {
        std::vector<uint8_t> font;
        std::string error;
        BdfFontInfo info;
        if (!BdfToFont(text, font, error, BdfFontOptions{baseline}, &info)) continue;
        auto* block = static_cast<uint8_t*>(GRIB_Alloc("Font", font.size()));
        if (!block) continue;
        std::memcpy(block, font.data(), font.size());
        std::vector<uint8_t> pixels(64 * 32);
        GribBitmap bitmap{};
        GRIB_InitBitmap(&bitmap, 64, 32, 64, pixels.data());
        GRIB_SetFont(block);
        GRIB_DrawText(&bitmap, "Fuzz \x01\xff", 1, 1);
        GRIB_GetEnvironment()->font = nullptr;
        GRIB_Free(block);
    }
    return 0;
}
