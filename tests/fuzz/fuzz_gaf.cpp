// GAF loading of arbitrary bytes; every resolved frame is read in full and
// drawn.
#include <vector>

#include "grib/draw/draw.h"
#include "grib/image/gaf.h"
#include "tests/fuzz/fuzz.h"

namespace {

void Touch(const GribImage* image) {
    volatile unsigned sum = 0;
    size_t n = image->dataSize;
    if (!image->compressed && !image->subImageCount) n = size_t{image->width} * image->height;
    for (size_t i = 0; i < n; ++i) sum = sum + image->data[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    GribGAF* gaf = GRIB_LoadGAFMemory(data, size);
    if (!gaf) return 0;
    static std::vector<uint8_t> pixels(64 * 48);
    GribBitmap canvas{};
    GRIB_InitBitmap(&canvas, 64, 48, 64, pixels.data());
    for (int32_t i = 0; i < GRIB_GAFEntryCount(gaf); ++i) {
        const GribSequence* e = GRIB_GAFEntry(gaf, i);
        for (uint32_t j = 0; j < e->frameCount; ++j) {
            const GribImage* image = e->frames[j].image;
            Touch(image);
            auto subs = reinterpret_cast<const GribImage* const*>(image->data);
            for (uint32_t k = 0; k < image->subImageCount; ++k) Touch(subs[k]);
            GRIB_DrawImage(&canvas, image, 5, -3);
            GRIB_DrawImage(&canvas, image, 60, 40);
        }
        GribSequenceCursor cursor{};
        GRIB_SequenceStart(&cursor, e, 0);
        GRIB_SequenceAdvance(&cursor, 7);
        GRIB_SequenceFrame(&cursor);
    }
    GRIB_FreeGAF(gaf);
    return 0;
}
