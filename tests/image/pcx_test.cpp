#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "kit/image/pcx_writer.h"
#include "tests/image/image_support.h"
#include "tests/support/support.h"

namespace {

using imagetest::Body;
using imagetest::MakePCX;
using testsupport::TempDir;

class Pcx : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    std::vector<uint8_t> Decode(const std::vector<uint8_t>& file, int* ok) {
        GribDecodedPCX pcx;
        *ok = GRIB_DecodePCXMemory(file.data(), file.size(), &pcx);
        std::vector<uint8_t> body = *ok ? Body(pcx) : std::vector<uint8_t>{};
        if (!*ok) {
            EXPECT_EQ(pcx.body, nullptr);
            EXPECT_EQ(pcx.colourMap, nullptr);
            EXPECT_EQ(pcx.width, 0);
        }
        GRIB_FreeDecodedPCX(&pcx);
        return body;
    }
};

TEST_F(Pcx, HeaderChecks) {
    std::vector<uint8_t> data(8, 1);
    int ok = 0;
    Decode(MakePCX(2, 4, data), &ok);
    EXPECT_EQ(ok, 1);
    Decode(MakePCX(2, 4, data, 10, 3), &ok);
    EXPECT_EQ(ok, 0) << "version 3";
    Decode(MakePCX(2, 4, data, 9, 5), &ok);
    EXPECT_EQ(ok, 0) << "manufacturer 9";
    std::vector<uint8_t> f = MakePCX(2, 4, data);
    f.resize(100);
    Decode(f, &ok);
    EXPECT_EQ(ok, 0) << "short header";

    // x max below x min.
    f = MakePCX(2, 4, data);
    f[8] = 0;
    f[4] = 5;
    Decode(f, &ok);
    EXPECT_EQ(ok, 0);

    // The size comes from max - min + 1, whatever the minimum.
    GribDecodedPCX pcx;
    f = MakePCX(3, 2, std::vector<uint8_t>(6, 4), 10, 5, 100, 7);
    ASSERT_EQ(GRIB_DecodePCXMemory(f.data(), f.size(), &pcx), 1);
    EXPECT_EQ(pcx.width, 3);
    EXPECT_EQ(pcx.height, 2);
    EXPECT_STREQ(GRIB_BlockTag(pcx.body), "PCX BODY");
    EXPECT_EQ(GRIB_BlockSize(pcx.body), 6u);
    EXPECT_STREQ(GRIB_BlockTag(pcx.colourMap), "COLOR MAP");
    EXPECT_EQ(GRIB_BlockSize(pcx.colourMap), 768u);
    GRIB_FreeDecodedPCX(&pcx);
}

TEST_F(Pcx, RunsAreCutAtTheEndOfTheRow) {
    int ok = 0;
    // Width 4: C5 07 is a run of five 7s; the fifth is dropped and the next
    // row starts with the following byte.
    std::vector<uint8_t> body = Decode(MakePCX(4, 2, {0xC5, 0x07, 1, 2, 3, 4}), &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(body, (std::vector<uint8_t>{7, 7, 7, 7, 1, 2, 3, 4}));

    // Literals up to 0xBF; 0xC0 and above only as a run of one; a run of
    // length 0 takes two bytes and stores nothing.
    body = Decode(MakePCX(4, 1, {0xBF, 0xC1, 0xC0, 0xC0, 0x55, 0xC1, 0xFF, 0x00}), &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(body, (std::vector<uint8_t>{0xBF, 0xC0, 0xFF, 0x00}));

    // Data that ends before the last row is complete (the 0x0C marker before
    // the colour map is read as data): refused.
    Decode(MakePCX(4, 2, {0xC4, 0x07, 0xC2, 0x01}), &ok);
    EXPECT_EQ(ok, 0);
}

TEST_F(Pcx, PaddedLinesAreSkipped) {
    // An odd width with lines padded to an even byte count.
    std::vector<uint8_t> f = MakePCX(3, 2, {1, 2, 3, 0, 0xC4, 9});
    f[66] = 4;
    int ok = 0;
    std::vector<uint8_t> body = Decode(f, &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(body, (std::vector<uint8_t>{1, 2, 3, 9, 9, 9}));
}

TEST_F(Pcx, HugeHeadersOnSmallFilesAreRefusedBeforeAllocating) {
    std::vector<uint8_t> f = MakePCX(1, 1, {0xFF, 0x01});
    f[8] = f[9] = f[10] = f[11] = 0xFF;  // 65536 × 65536
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    int ok = 1;
    Decode(f, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
}

TEST_F(Pcx, LoadPCXGivesABitmapAndThePalette) {
    TempDir dir;
    std::vector<uint8_t> pixels(5 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 19 + 190);
    std::vector<uint8_t> rgb(768);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 5 + 1);
    dir.write("pic.pcx", KitWritePCX(pixels.data(), 5, 3, 5, rgb.data()));
    std::string path = dir.str() + "/pic.pcx";

    uint8_t palette[1024];
    std::memset(palette, 0xAA, sizeof palette);
    GribBitmap* bitmap = GRIB_LoadPCX(path.c_str(), palette);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 5u);
    EXPECT_EQ(bitmap->height, 3u);
    EXPECT_EQ(bitmap->pitch, 5u);
    EXPECT_EQ(std::vector<uint8_t>(bitmap->pixels, bitmap->pixels + 15), pixels);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[i * 4], rgb[i * 3]);
        EXPECT_EQ(palette[i * 4 + 1], rgb[i * 3 + 1]);
        EXPECT_EQ(palette[i * 4 + 2], rgb[i * 3 + 2]);
        EXPECT_EQ(palette[i * 4 + 3], 0);
    }
    GRIB_FreeBitmap(bitmap);
    bitmap = GRIB_LoadPCX(path.c_str(), nullptr);
    ASSERT_NE(bitmap, nullptr);
    GRIB_FreeBitmap(bitmap);

    dir.write("v3.pcx", MakePCX(2, 1, {1, 2}, 10, 3));
    EXPECT_EQ(GRIB_LoadPCX((dir.str() + "/v3.pcx").c_str(), palette), nullptr);
    EXPECT_EQ(GRIB_LoadPCX((dir.str() + "/none.pcx").c_str(), palette), nullptr);
    // Nothing of the failed loads stays allocated.
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    std::vector<uint8_t> cut = MakePCX(4, 4, {0xC4, 1});
    dir.write("cut.pcx", cut);
    EXPECT_EQ(GRIB_LoadPCX((dir.str() + "/cut.pcx").c_str(), palette), nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
}

TEST_F(Pcx, DecodeFromAnOpenFileAtAnyPosition) {
    TempDir dir;
    dir.write("a.pcx", MakePCX(4, 2, {0xC5, 0x07, 1, 2, 3, 4}));
    FileHandle* file = GRIB_Open((dir.str() + "/a.pcx").c_str());
    ASSERT_NE(file, nullptr);
    char skip[50];
    GRIB_Read(file, skip, sizeof skip);
    GribDecodedPCX pcx;
    ASSERT_EQ(GRIB_DecodePCX(file, &pcx), 1);
    EXPECT_EQ(Body(pcx), (std::vector<uint8_t>{7, 7, 7, 7, 1, 2, 3, 4}));
    EXPECT_EQ(pcx.colourMap[3 * 5], 5);
    EXPECT_EQ(pcx.colourMap[3 * 5 + 1], 250);
    GRIB_FreeDecodedPCX(&pcx);
    GRIB_Close(file);
}

TEST_F(Pcx, WriterRoundTrip) {
    testsupport::Rng rng(11);
    std::vector<uint8_t> rgb(768, 3);
    for (uint32_t width : {1u, 2u, 7u, 64u, 130u}) {
        uint32_t height = 3;
        std::vector<uint8_t> pixels(width * height);
        // Long runs, values above 0xC0 and noise.
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = i % 3 == 0 ? static_cast<uint8_t>(rng.next()) : (i / 70) % 2 ? 0xC7 : 0x20;
        std::vector<uint8_t> file = KitWritePCX(pixels.data(), width, height, width, rgb.data());
        int ok = 0;
        EXPECT_EQ(Decode(file, &ok), pixels) << width;
        EXPECT_EQ(ok, 1);
    }
}

// ImageMagick is an independent writer: its PCX files decode to the pixels
// it reports for them.
std::string ImageMagick() {
#ifdef _WIN32
    return "";  // the host's is not a Windows program
#endif
    const char* candidates[] = {"/usr/bin/convert", "/usr/bin/magick"};
    for (const char* c : candidates)
        if (std::filesystem::exists(c)) return c;
    return "";
}

TEST_F(Pcx, FilesWrittenByImageMagick) {
    std::string convert = ImageMagick();
    if (convert.empty()) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
    TempDir dir;
    testsupport::Rng rng(5);
    for (auto [width, height] : {std::pair{16, 9}, std::pair{33, 7}, std::pair{200, 3}}) {
        // A picture of at most 200 colours with runs and noise, as plain PPM.
        std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint32_t c = (x / 5 + y) % 3 == 0 ? rng.below(200) : 17 + y;
                ppm += static_cast<char>(c);
                ppm += static_cast<char>(c * 3);
                ppm += static_cast<char>(255 - c);
            }
        dir.write("in.ppm", ppm);
        auto r = testsupport::RunProgram(convert, {"in.ppm", "-type", "Palette", "-compress", "RLE", "out.pcx"},
                                         dir.str());
        ASSERT_EQ(r.status, 0) << r.err;
        r = testsupport::RunProgram(convert, {"out.pcx", "-depth", "8", "rgb:back.rgb"}, dir.str());
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<uint8_t> reported = testsupport::ReadBytes(dir.path() / "back.rgb");
        ASSERT_EQ(reported.size(), static_cast<size_t>(width * height * 3));

        std::vector<uint8_t> file = testsupport::ReadBytes(dir.path() / "out.pcx");
        ASSERT_EQ(file[3], 8) << "8 bits per pixel";
        GribDecodedPCX pcx;
        ASSERT_EQ(GRIB_DecodePCXMemory(file.data(), file.size(), &pcx), 1) << width;
        ASSERT_EQ(pcx.width, width);
        ASSERT_EQ(pcx.height, height);
        for (int i = 0; i < width * height; ++i) {
            const uint8_t* c = pcx.colourMap + 3 * pcx.body[i];
            ASSERT_EQ(c[0], reported[i * 3]) << width << " pixel " << i;
            ASSERT_EQ(c[1], reported[i * 3 + 1]) << width << " pixel " << i;
            ASSERT_EQ(c[2], reported[i * 3 + 2]) << width << " pixel " << i;
        }
        GRIB_FreeDecodedPCX(&pcx);
    }
}

}  // namespace
