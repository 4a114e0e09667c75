// The fuzz bytes as a loaded font: measure and draw a few strings into a
// bitmap with a guard border that must stay untouched.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    auto* font = static_cast<uint8_t*>(GRIB_Alloc("Font", size));
    if (!font) return 0;
    if (size) std::memcpy(font, data, size);

    constexpr uint32_t kWidth = 96, kHeight = 40, kBorder = 8;
    std::vector<uint8_t> pixels((kWidth + 2 * kBorder) * (kHeight + 2 * kBorder), 0);
    GribBitmap bitmap{};
    const uint32_t pitch = kWidth + 2 * kBorder;
    GRIB_InitBitmap(&bitmap, kWidth, kHeight, pitch, pixels.data() + kBorder * pitch + kBorder);

    GRIB_SetFont(font);
    GRIB_SetTextColours(1, 2);
    GRIB_SetTextTransparent(size ? data[0] % 3 : 2);
    const char* texts[] = {"Hello", "No Units Loaded", "\x01\x7f\x80\xff", " ~!", "ab\ncd", ""};
    for (const char* text : texts) {
        if (GRIB_TextWidth(font, text) < 0) std::abort();
        GRIB_DrawText(&bitmap, text, 0, 0);
        GRIB_DrawText(&bitmap, text, 3, 20);
        GRIB_DrawTextCentred(&bitmap, text, 5);
    }
    // Writes stay inside the bitmap (the border rows above and below and the
    // padding columns beside each row).
    for (uint32_t y = 0; y < kHeight + 2 * kBorder; ++y)
        for (uint32_t x = 0; x < pitch; ++x) {
            const bool inside = y >= kBorder && y < kBorder + kHeight && x >= kBorder && x < kBorder + kWidth;
            if (!inside && pixels[y * pitch + x] != 0) std::abort();
        }
    GRIB_GetEnvironment()->font = nullptr;
    GRIB_Free(font);
    return 0;
}
