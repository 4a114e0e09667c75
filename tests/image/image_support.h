// Shared helpers of the image tests: hand-made PCX files, GAF pictures and a
// palette.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "grib/image/gaf.h"
#include "grib/image/pcx.h"
#include "kit/image/gaf_writer.h"
#include "tests/support/support.h"

namespace imagetest {

// A PCX file: header (id bytes as given), the data bytes, a 0x0C marker and
// a colour map whose entry i is (i, 255 - i, i / 2).
inline std::vector<uint8_t> MakePCX(uint16_t width, uint16_t height, const std::vector<uint8_t>& data,
                                    uint8_t manufacturer = 10, uint8_t version = 5, uint16_t xmin = 0) {
    std::vector<uint8_t> f(128, 0);
    f[0] = manufacturer;
    f[1] = version;
    f[65] = 1;  // planes
    for (auto [at, v] : {std::pair<size_t, int>{4, xmin}, {8, xmin + width - 1}, {10, height - 1}, {66, width}}) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(12);
    for (int i = 0; i < 256; ++i) f.insert(f.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    return f;
}

inline std::vector<uint8_t> Body(const GribDecodedPCX& pcx) {
    return std::vector<uint8_t>(pcx.body, pcx.body + static_cast<size_t>(pcx.width) * pcx.height);
}

// A palette of 1,024 bytes with distinct colours.
inline std::vector<uint8_t> TestPalette() {
    std::vector<uint8_t> p;
    for (int i = 0; i < 256; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(i * 37), uint8_t(255 - i), 0});
    return p;
}

// A frame with key pixels, runs and a seed-dependent origin.
inline KitGafImage Picture(uint16_t width, uint16_t height, uint8_t seed, bool compress, uint8_t key = 0) {
    KitGafImage image{width, height, int16_t(-seed), int16_t(seed * 2), key, compress, 0, {}, {}};
    for (size_t i = 0; i < size_t{width} * height; ++i)
        image.pixels.push_back((i + seed) % 4 == 0 ? key : static_cast<uint8_t>(i / 3 + seed));
    return image;
}

inline std::vector<uint8_t> Pixels(const GribImage* image) {
    std::vector<uint8_t> out;
    if (!image->compressed) return {image->data, image->data + size_t{image->width} * image->height};
    EXPECT_TRUE(KitDecodeRows(image->data, image->dataSize, image->width, image->height, image->transparent, out));
    return out;
}

inline const GribImage* Sub(const GribImage* parent, uint32_t k) {
    return reinterpret_cast<const GribImage* const*>(parent->data)[k];
}

// A loaded image equals what the writer was given (sub-images included).
inline void ExpectImage(const GribImage* got, const KitGafImage& want) {
    ASSERT_NE(got, nullptr);
    ASSERT_EQ(got->subImageCount, want.subImages.size());
    for (uint32_t k = 0; k < got->subImageCount; ++k) ExpectImage(Sub(got, k), want.subImages[k]);
    if (got->subImageCount) return;
    EXPECT_EQ((std::vector<int>{got->width, got->height, got->originX, got->originY, got->transparent,
                                got->compressed != 0, got->translucent}),
              (std::vector<int>{want.width, want.height, want.originX, want.originY, want.transparent, want.compress,
                                want.translucent}));
    EXPECT_EQ(Pixels(got), want.pixels);
}

// A loaded file holds exactly the entries the writer was given.
inline void ExpectEntries(const GribGAF* gaf, const std::vector<KitGafEntry>& want) {
    ASSERT_NE(gaf, nullptr);
    ASSERT_EQ(GRIB_GAFEntryCount(gaf), static_cast<int32_t>(want.size()));
    for (size_t i = 0; i < want.size(); ++i) {
        const GribSequence* e = GRIB_GAFEntry(gaf, static_cast<int32_t>(i));
        EXPECT_EQ(std::string(e->name), want[i].name) << i;
        EXPECT_EQ(e->loop != 0, want[i].loop) << i;
        ASSERT_EQ(e->frameCount, want[i].frames.size()) << i;
        for (size_t j = 0; j < want[i].frames.size(); ++j) {
            EXPECT_EQ(e->frames[j].duration, want[i].frames[j].duration);
            ExpectImage(e->frames[j].image, want[i].frames[j].image);
        }
    }
}

inline uint32_t Get32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (uint32_t(f[at + 3]) << 24);
}
inline void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    testsupport::TempDir dir;
};

}  // namespace imagetest
