// PCX decoding of arbitrary bytes.
#include "grib/image/pcx.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    GribDecodedPCX pcx;
    if (GRIB_DecodePCXMemory(data, size, &pcx)) {
        // Every byte of the result must be readable.
        volatile unsigned sum = 0;
        for (size_t i = 0; i < static_cast<size_t>(pcx.width) * static_cast<size_t>(pcx.height); ++i)
            sum = sum + pcx.body[i];
        for (size_t i = 0; i < 768; ++i) sum = sum + pcx.colourMap[i];
    }
    GRIB_FreeDecodedPCX(&pcx);
    return 0;
}
