// Damaged PCX and GAF files: truncated at every length and with random
// flips. Nothing may crash or read out of bounds (run under the sanitizer).
#include <gtest/gtest.h>

#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "grib/palette/palette.h"
#include "kit/image/gaf_writer.h"
#include "kit/image/pcx_writer.h"
#include "tests/image/image_support.h"
#include "tests/support/support.h"

namespace {

using testsupport::Rng;

std::vector<uint8_t> SamplePCX() {
    std::vector<uint8_t> pixels(13 * 6);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 9 < 5 ? 200 : i * 31);
    std::vector<uint8_t> rgb(768, 7);
    return KitWritePCX(pixels.data(), 13, 6, 13, rgb.data());
}

std::vector<uint8_t> SampleGAF() {
    auto picture = [](uint16_t w, uint16_t h, bool rle, uint8_t seed) {
        KitGafImage image;
        image.width = w;
        image.height = h;
        image.compress = rle;
        image.originX = 1;
        image.pixels.resize(size_t{w} * h);
        for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = (i + seed) % 3 ? static_cast<uint8_t>(i) : 0;
        return image;
    };
    KitGafEntry a{"alpha", true, {{picture(6, 4, false, 1), 2}, {picture(9, 5, true, 2), 3}}};
    KitGafFrame layered;
    layered.image.subImages = {picture(4, 4, false, 3), picture(7, 3, true, 4)};
    KitGafEntry b{"beta", false, {layered, {picture(3, 3, true, 5), 1}}};
    return KitWriteGAF({a, b});
}

void Check(const GribDecodedPCX& pcx) {
    // Touch every byte of the result: the sanitizer checks the bounds.
    unsigned sum = 0;
    for (size_t i = 0; i < static_cast<size_t>(pcx.width) * pcx.height; ++i) sum += pcx.body[i];
    for (int i = 0; i < 768; ++i) sum += pcx.colourMap[i];
    EXPECT_GE(sum, 0u);
}

// Draws every frame and sub-image of a loaded file, all modes, at an edge.
void DrawAll(const GribGAF* gaf) {
    std::vector<uint8_t> pixels(40 * 30, 0);
    GribBitmap canvas{};
    GRIB_InitBitmap(&canvas, 40, 30, 40, pixels.data());
    for (int32_t i = 0; i < GRIB_GAFEntryCount(gaf); ++i) {
        const GribSequence* e = GRIB_GAFEntry(gaf, i);
        for (uint32_t j = 0; j < e->frameCount; ++j) {
            const GribImage* image = e->frames[j].image;
            GRIB_DrawImage(&canvas, image, 3, 2);
            GRIB_DrawImage(&canvas, image, 37, 28);
            GRIB_DrawImageTranslucent(&canvas, image, -2, 5);
            GRIB_DrawImageScaled(&canvas, image, 10, 10, 1.5, 0.75);
            if (image->subImageCount) {
                auto subs = reinterpret_cast<const GribImage* const*>(image->data);
                ASSERT_EQ(image->dataSize, image->subImageCount * sizeof(const GribImage*));
                for (uint32_t k = 0; k < image->subImageCount; ++k) EXPECT_EQ(subs[k]->subImageCount, 0);
            }
        }
    }
}

class Damage : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        GribEnvironment* env = GRIB_GetEnvironment();
        env->flags |= GRIB_FLAG_ALPHA;
        GRIB_AllocAlphaTable(env);
    }
};

TEST_F(Damage, TruncatedPCXAtEveryLength) {
    const std::vector<uint8_t> good = SamplePCX();
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        GribDecodedPCX pcx;
        int ok = GRIB_DecodePCXMemory(cut.empty() ? nullptr : cut.data(), cut.size(), &pcx);
        if (n < 128 + 768) {
            EXPECT_EQ(ok, 0) << n;
        }
        if (ok) Check(pcx);
        GRIB_FreeDecodedPCX(&pcx);
    }
}

TEST_F(Damage, PCXWithRandomFlips) {
    const std::vector<uint8_t> good = SamplePCX();
    Rng rng(21);
    testsupport::TempDir dir;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> f = good;
        int flips = 1 + static_cast<int>(rng.below(6));
        for (int k = 0; k < flips; ++k) {
            // Mostly the header and the image data, where the decoder looks.
            size_t at = rng.below(4) ? rng.below(static_cast<uint32_t>(good.size() - 768)) : rng.below(static_cast<uint32_t>(good.size()));
            f[at] ^= static_cast<uint8_t>(1u << rng.below(8));
        }
        GribDecodedPCX pcx;
        if (GRIB_DecodePCXMemory(f.data(), f.size(), &pcx)) Check(pcx);
        GRIB_FreeDecodedPCX(&pcx);
        if (round % 100 == 0) {
            dir.write("f.pcx", f);
            GribBitmap* bitmap = GRIB_LoadPCX((dir.str() + "/f.pcx").c_str(), nullptr);
            GRIB_FreeBitmap(bitmap);
        }
    }
}

TEST_F(Damage, TruncatedGAFAtEveryLengthIsRefused) {
    const std::vector<uint8_t> good = SampleGAF();
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        GribGAF* gaf = GRIB_LoadGAFMemory(cut.data(), cut.size());
        // The writer's last byte belongs to the last frame: every cut loses it.
        EXPECT_EQ(gaf, nullptr) << n;
        GRIB_FreeGAF(gaf);
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    GribGAF* gaf = GRIB_LoadGAFMemory(good.data(), good.size());
    ASSERT_NE(gaf, nullptr);
    DrawAll(gaf);
    GRIB_FreeGAF(gaf);
}

TEST_F(Damage, GAFWithRandomFlips) {
    const std::vector<uint8_t> good = SampleGAF();
    Rng rng(42);
    int loaded = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> f = good;
        int flips = 1 + static_cast<int>(rng.below(4));
        for (int k = 0; k < flips; ++k) {
            size_t at = rng.below(static_cast<uint32_t>(f.size()));
            f[at] ^= static_cast<uint8_t>(1u << rng.below(8));
        }
        GribGAF* gaf = GRIB_LoadGAFMemory(f.data(), f.size());
        if (gaf) {
            ++loaded;
            DrawAll(gaf);
        }
        GRIB_FreeGAF(gaf);
    }
    // Flips in pixel bytes leave a sound file: some must still load.
    EXPECT_GT(loaded, 100);
}

}  // namespace
