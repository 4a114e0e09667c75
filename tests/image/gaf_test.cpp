#include <gtest/gtest.h>

#include <cstring>

#include "grib/env/env.h"
#include "kit/image/gaf_writer.h"
#include "tests/image/image_support.h"
#include "tests/support/support.h"

namespace {

KitGafImage Picture(uint16_t width, uint16_t height, uint8_t seed, bool compress, uint8_t key = 0) {
    KitGafImage image;
    image.width = width;
    image.height = height;
    image.transparent = key;
    image.compress = compress;
    image.originX = static_cast<int16_t>(-seed);
    image.originY = static_cast<int16_t>(seed * 2);
    image.pixels.resize(size_t{width} * height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (i + seed) % 4 == 0 ? key : static_cast<uint8_t>(i / 3 + seed);
    return image;
}

std::vector<KitGafEntry> Sample() {
    KitGafEntry a;
    a.name = "Water";
    a.loop = true;
    a.frames.push_back({Picture(4, 3, 1, false), 5});
    a.frames.push_back({Picture(5, 2, 2, true, 9), 7});
    KitGafEntry b;
    b.name = "Sign";
    b.loop = false;
    KitGafFrame layered;
    layered.duration = 2;
    layered.image.subImages.push_back(Picture(3, 3, 3, false));
    layered.image.subImages.push_back(Picture(6, 4, 4, true, 255));
    layered.image.subImages.back().translucent = 1;
    b.frames.push_back(layered);
    return {a, b};
}

std::vector<uint8_t> Pixels(const GribImage* image) {
    std::vector<uint8_t> out;
    if (image->compressed) {
        EXPECT_TRUE(KitDecodeRows(image->data, image->dataSize, image->width, image->height, image->transparent, out));
    } else {
        out.assign(image->data, image->data + size_t{image->width} * image->height);
    }
    return out;
}

void ExpectImage(const GribImage* got, const KitGafImage& want) {
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->width, want.width);
    EXPECT_EQ(got->height, want.height);
    EXPECT_EQ(got->originX, want.originX);
    EXPECT_EQ(got->originY, want.originY);
    EXPECT_EQ(got->transparent, want.transparent);
    EXPECT_EQ(got->compressed != 0, want.compress);
    EXPECT_EQ(got->translucent, want.translucent);
    EXPECT_EQ(got->subImageCount, 0);
    EXPECT_EQ(Pixels(got), want.pixels);
}

const GribImage* Sub(const GribImage* parent, int k) {
    return reinterpret_cast<const GribImage* const*>(parent->data)[k];
}

class Gaf : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
};

TEST_F(Gaf, EntriesFramesAndSubImagesAreResolved) {
    std::vector<KitGafEntry> sample = Sample();
    std::vector<uint8_t> file = KitWriteGAF(sample);
    testsupport::TempDir dir;
    dir.write("s.gaf", file);
    GribGAF* gaf = GRIB_LoadGAF((dir.str() + "/s.gaf").c_str());
    ASSERT_NE(gaf, nullptr);
    ASSERT_EQ(GRIB_GAFEntryCount(gaf), 2);
    EXPECT_EQ(GRIB_GAFEntry(gaf, 2), nullptr);
    EXPECT_EQ(GRIB_GAFEntry(gaf, -1), nullptr);

    const GribSequence* water = GRIB_GAFEntry(gaf, 0);
    EXPECT_STREQ(water->name, "Water");
    EXPECT_EQ(water->loop, 1);
    ASSERT_EQ(water->frameCount, 2);
    EXPECT_EQ(water->frames[0].duration, 5);
    EXPECT_EQ(water->frames[1].duration, 7);
    ExpectImage(water->frames[0].image, sample[0].frames[0].image);
    ExpectImage(water->frames[1].image, sample[0].frames[1].image);

    const GribSequence* sign = GRIB_GAFEntry(gaf, 1);
    EXPECT_STREQ(sign->name, "Sign");
    EXPECT_EQ(sign->loop, 0);
    ASSERT_EQ(sign->frameCount, 1);
    const GribImage* layered = sign->frames[0].image;
    ASSERT_EQ(layered->subImageCount, 2);
    EXPECT_EQ(layered->dataSize, 2 * sizeof(const GribImage*));
    ExpectImage(Sub(layered, 0), sample[1].frames[0].image.subImages[0]);
    ExpectImage(Sub(layered, 1), sample[1].frames[0].image.subImages[1]);

    // Frames are used straight from the file image, not copied.
    const uint8_t* raw = water->frames[0].image->data;
    auto found = std::search(file.begin(), file.end(), sample[0].frames[0].image.pixels.begin(),
                             sample[0].frames[0].image.pixels.end());
    ASSERT_NE(found, file.end());
    EXPECT_EQ(std::memcmp(raw, &*found, 12), 0);
    GRIB_FreeGAF(gaf);
}

TEST_F(Gaf, EntryCountZeroOrNegativeMeansNoEntries) {
    std::vector<uint8_t> file = KitWriteGAF({});
    GribGAF* gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    EXPECT_EQ(GRIB_GAFEntryCount(gaf), 0);
    GRIB_FreeGAF(gaf);
    file = KitWriteGAF(Sample());
    file[4] = 0xFE;
    file[5] = 0xFF;  // -2
    gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    EXPECT_EQ(GRIB_GAFEntryCount(gaf), 0);
    GRIB_FreeGAF(gaf);
}

uint32_t Get32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (uint32_t(f[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST_F(Gaf, SharedOffsetsResolveToTheSameRecords) {
    std::vector<uint8_t> file = KitWriteGAF(Sample());
    // Both frames of entry 0 name the first frame header; entry 1 is entry 0.
    uint32_t entry0 = Get32(file, 12);
    Put32(file, entry0 + 48, Get32(file, entry0 + 40));
    Put32(file, 16, entry0);
    GribGAF* gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    const GribSequence* a = GRIB_GAFEntry(gaf, 0);
    const GribSequence* b = GRIB_GAFEntry(gaf, 1);
    EXPECT_EQ(a->frames[0].image, a->frames[1].image);
    EXPECT_EQ(a->frames[1].duration, 7);
    EXPECT_STREQ(b->name, "Water");
    EXPECT_EQ(b->frames[0].image, a->frames[0].image);
    GRIB_FreeGAF(gaf);
}

TEST_F(Gaf, FilesFailingAnyCheckAreNotLoaded) {
    const std::vector<uint8_t> good = KitWriteGAF(Sample());
    uint32_t entry0 = Get32(good, 12), entry1 = Get32(good, 16);
    uint32_t frame0 = Get32(good, entry0 + 40), frame1 = Get32(good, entry0 + 48);
    uint32_t layered = Get32(good, entry1 + 40);
    uint32_t subTable = Get32(good, layered + 16);
    uint32_t sub0 = Get32(good, subTable);
    size_t before = GRIB_GetEnvironment()->allocatedBytes;

    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
    } damages[] = {
        {"entry offset past the end", 12, static_cast<uint32_t>(good.size())},
        {"entry header cut by the end", 12, static_cast<uint32_t>(good.size() - 20)},
        {"frame table past the end", entry0, 0xFFFF},
        {"frame offset past the end", entry0 + 40, static_cast<uint32_t>(good.size() - 10)},
        {"raw data past the end", frame0 + 16, static_cast<uint32_t>(good.size() - 5)},
        {"huge raw frame", frame0, 0xFFFFFFFF},
        {"run-length rows past the end", frame1 + 16, static_cast<uint32_t>(good.size() - 3)},
        {"sub-image table past the end", layered + 16, static_cast<uint32_t>(good.size() - 4)},
        {"sub-image offset past the end", subTable, 0xFFFFFFF0},
        {"sub-images of sub-images", sub0 + 8, 0x00010000},  // sub-image count 1
        {"entry table past the end", 4, 0x7FFF},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> f = good;
        Put32(f, d.at, d.value);
        if (d.at == 4) f[6] = f[7] = 0, f[5] = 0x7F, f[4] = 0xFF;
        GribGAF* gaf = GRIB_LoadGAFMemory(f.data(), f.size());
        EXPECT_EQ(gaf, nullptr) << d.what;
        GRIB_FreeGAF(gaf);
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(GRIB_LoadGAF("no\\such.gaf"), nullptr);
}

TEST_F(Gaf, RowsOfTheWriterDecodeBack) {
    // Runs of every kind and length limits: skips past 127, repeats past 64,
    // literals past 64.
    std::vector<uint8_t> row(400);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = i < 150 ? 0 : i < 230 ? 6 : i < 320 ? static_cast<uint8_t>(i) : i % 2 ? 0 : 3;
    std::vector<uint8_t> rows = KitEncodeRows(row.data(), 200, 2, 0);
    std::vector<uint8_t> back;
    ASSERT_TRUE(KitDecodeRows(rows.data(), rows.size(), 200, 2, 0, back));
    EXPECT_EQ(back, row);
}

}  // namespace
