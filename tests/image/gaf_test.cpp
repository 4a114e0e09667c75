#include <algorithm>
#include <cstring>
#include <tuple>

#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "grib/palette/palette.h"
#include "tests/image/image_support.h"

namespace {

using imagetest::Get32;
using imagetest::Picture;
using imagetest::Put32;
using Gaf = imagetest::ImageTest;

std::vector<KitGafEntry> Sample() {
    KitGafFrame layered;
    layered.duration = 2;
    layered.image.subImages = {Picture(3, 3, 3, false), Picture(6, 4, 4, true, 255)};
    layered.image.subImages.back().translucent = 1;
    return {{"Water", true, {{Picture(4, 3, 1, false), 5}, {Picture(5, 2, 2, true, 9), 7}}},
            {"Sign", false, {layered}}};
}

TEST_F(Gaf, EntriesFramesAndSubImagesAreResolvedInPlace) {
    std::vector<KitGafEntry> sample = Sample();
    std::vector<uint8_t> file = KitWriteGAF(sample);
    dir.write("s.gaf", file);
    GribGAF* gaf = GRIB_LoadGAF((dir.str() + "/s.gaf").c_str());
    imagetest::ExpectEntries(gaf, sample);
    EXPECT_EQ(GRIB_GAFEntry(gaf, 2), nullptr);
    EXPECT_EQ(GRIB_GAFEntry(gaf, -1), nullptr);
    EXPECT_EQ(GRIB_GAFEntry(gaf, 1)->frames[0].image->dataSize, 2 * sizeof(const GribImage*));
    // Frames are used straight from the file image, not copied.
    const std::vector<uint8_t>& first = sample[0].frames[0].image.pixels;
    auto found = std::search(file.begin(), file.end(), first.begin(), first.end());
    ASSERT_NE(found, file.end());
    EXPECT_EQ(std::memcmp(GRIB_GAFEntry(gaf, 0)->frames[0].image->data, &*found, first.size()), 0);
    GRIB_FreeGAF(gaf);

    // Both frames of entry 0 naming the first frame header, and entry 1 naming entry 0, share the records.
    std::vector<uint8_t> shared = file;
    const uint32_t entry0 = Get32(file, 12);
    Put32(shared, entry0 + 48, Get32(file, entry0 + 40));
    Put32(shared, 16, entry0);
    gaf = GRIB_LoadGAFMemory(shared.data(), shared.size());
    ASSERT_NE(gaf, nullptr);
    const GribSequence* a = GRIB_GAFEntry(gaf, 0);
    EXPECT_EQ(a->frames[1].image, a->frames[0].image);
    EXPECT_EQ(a->frames[1].duration, 7);
    EXPECT_EQ(GRIB_GAFEntry(gaf, 1)->frames[0].image, a->frames[0].image);
    GRIB_FreeGAF(gaf);
    // An entry count of 0 or below means no entries.
    for (uint16_t count : {0, 0xFFFE}) {
        file[4] = static_cast<uint8_t>(count);
        file[5] = static_cast<uint8_t>(count >> 8);
        gaf = GRIB_LoadGAFMemory(file.data(), file.size());
        ASSERT_NE(gaf, nullptr);
        EXPECT_EQ(GRIB_GAFEntryCount(gaf), 0);
        GRIB_FreeGAF(gaf);
    }
}

TEST_F(Gaf, FilesFailingAnyCheckAreNotLoaded) {
    const std::vector<uint8_t> good = KitWriteGAF(Sample());
    const uint32_t size = static_cast<uint32_t>(good.size());
    const uint32_t entry0 = Get32(good, 12), frame0 = Get32(good, entry0 + 40), frame1 = Get32(good, entry0 + 48);
    const uint32_t layered = Get32(good, Get32(good, 16) + 40), subTable = Get32(good, layered + 16);
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    const std::tuple<const char*, size_t, uint32_t> damages[] = {
        {"entry offset past the end", 12, size}, {"entry header cut by the end", 12, size - 20},
        {"frame table past the end", entry0, 0xFFFF}, {"frame offset past the end", entry0 + 40, size - 10},
        {"raw data past the end", frame0 + 16, size - 5}, {"huge raw frame", frame0, 0xFFFFFFFF},
        {"run-length rows past the end", frame1 + 16, size - 3}, {"sub-image table cut", layered + 16, size - 4},
        {"sub-image offset past the end", subTable, 0xFFFFFFF0}, {"entry table past the end", 4, 0x7FFF},
        {"sub-images of sub-images", Get32(good, subTable) + 8, 0x00010000},
        {"a sub-image naming a layered frame", subTable + 4, layered},
    };
    for (auto [what, at, value] : damages) {
        std::vector<uint8_t> f = good;
        Put32(f, at, value);
        EXPECT_EQ(GRIB_LoadGAFMemory(f.data(), f.size()), nullptr) << what;
    }
    // The writer's last byte belongs to the last frame: every cut loses it.
    for (size_t n = 0; n < good.size(); ++n) EXPECT_EQ(GRIB_LoadGAFMemory(good.data(), n), nullptr) << n;
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(GRIB_LoadGAF("no\\such.gaf"), nullptr);
    GRIB_FreeGAF(nullptr);  // does nothing
}

// Frames of no width or no height load, and draw nothing.
TEST_F(Gaf, EmptyFramesLoadAndDrawNothing) {
    const std::vector<uint8_t> file =
        KitWriteGAF({{"E", true, {{Picture(0, 3, 1, false), 1}, {Picture(3, 0, 1, false), 1}}}});
    GribGAF* gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    std::vector<uint8_t> pixels(16, 7);
    GribBitmap canvas{};
    GRIB_InitBitmap(&canvas, 4, 4, 4, pixels.data());
    for (uint32_t j = 0; j < 2; ++j) {
        GRIB_DrawImage(&canvas, GRIB_GAFEntry(gaf, 0)->frames[j].image, 1, 1);
        GRIB_DrawImageScaled(&canvas, GRIB_GAFEntry(gaf, 0)->frames[j].image, 1, 1, 2.0, 2.0);
    }
    EXPECT_EQ(pixels, std::vector<uint8_t>(16, 7));
    GRIB_FreeGAF(gaf);
}

TEST_F(Gaf, RowsOfTheWriterDecodeBack) {
    // Skips past 127, repeats past 64, literals past 64.
    std::vector<uint8_t> row(400);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = i < 150 ? 0 : i < 230 ? 6 : i < 320 ? static_cast<uint8_t>(i) : i % 2 ? 0 : 3;
    std::vector<uint8_t> rows = KitEncodeRows(row.data(), 200, 2, 0), back;
    ASSERT_TRUE(KitDecodeRows(rows.data(), rows.size(), 200, 2, 0, back));
    EXPECT_EQ(back, row);
    // Codes past the row's width or data cut short are reported.
    EXPECT_FALSE(KitDecodeRows(rows.data(), rows.size(), 150, 2, 0, back));
    EXPECT_FALSE(KitDecodeRows(rows.data(), rows.size() - 1, 200, 2, 0, back));
}

}  // namespace
