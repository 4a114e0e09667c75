#include <cstring>
#include <filesystem>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "kit/image/pcx_writer.h"
#include "tests/image/image_support.h"

namespace {

using imagetest::Body;
using imagetest::MakePCX;
using Pcx = imagetest::ImageTest;

// Overwrites bytes at `at`; bytes that would reach past the end cut the file
// at `at` instead.
std::vector<uint8_t> Patched(std::vector<uint8_t> f, size_t at, std::vector<uint8_t> bytes) {
    if (at + bytes.size() > f.size()) f.resize(at);
    else std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<long>(at));
    return f;
}

TEST_F(Pcx, DecodesRowsAndRefusesDamagedFiles) {
    const std::vector<uint8_t> eight(8, 1);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<uint8_t> body;  // empty: refused
        int width;
    } cases[] = {
        {"plain", MakePCX(2, 4, eight), eight, 2},
        {"size from max - min", MakePCX(3, 2, std::vector<uint8_t>(6, 4), 10, 5, 100), std::vector<uint8_t>(6, 4), 3},
        {"a run is cut at the row end", MakePCX(4, 2, {0xC5, 7, 1, 2, 3, 4}), {7, 7, 7, 7, 1, 2, 3, 4}, 4},
        {"literals to 0xBF, a run of 0 stores nothing",
         MakePCX(4, 1, {0xBF, 0xC1, 0xC0, 0xC0, 0x55, 0xC1, 0xFF, 0x00}), {0xBF, 0xC0, 0xFF, 0x00}, 4},
        {"padded lines", Patched(MakePCX(3, 2, {1, 2, 3, 0, 0xC4, 9}), 66, {4}), {1, 2, 3, 9, 9, 9}, 3},
        {"version 3", MakePCX(2, 4, eight, 10, 3), {}, 0},
        {"manufacturer 9", MakePCX(2, 4, eight, 9, 5), {}, 0},
        {"short header", Patched(MakePCX(2, 4, eight), 100, std::vector<uint8_t>(900)), {}, 0},
        {"x max below x min", Patched(MakePCX(2, 4, eight), 4, {5, 0, 0, 0}), {}, 0},
        {"data ends early", MakePCX(4, 2, {0xC4, 7, 0xC2, 1}), {}, 0},
        {"65536 x 65536 on a small file", Patched(MakePCX(1, 1, {0xFF, 1}), 8, {0xFF, 0xFF, 0xFF, 0xFF}), {}, 0},
    };
    for (const Case& c : cases) {
        size_t before = GRIB_GetEnvironment()->allocatedBytes;
        GribDecodedPCX pcx;
        int ok = GRIB_DecodePCXMemory(c.file.data(), c.file.size(), &pcx);
        EXPECT_EQ(ok, !c.body.empty()) << c.what;
        if (ok) {
            EXPECT_EQ(Body(pcx), c.body) << c.what;
            EXPECT_EQ(pcx.width, c.width) << c.what;
            EXPECT_STREQ(GRIB_BlockTag(pcx.body), "PCX BODY");
            EXPECT_STREQ(GRIB_BlockTag(pcx.colourMap), "COLOR MAP");
            EXPECT_EQ(pcx.colourMap[3 * 5 + 1], 250);
        } else {
            EXPECT_EQ(pcx.body, nullptr);
            EXPECT_EQ(pcx.width, 0);
            EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before) << c.what;
        }
        GRIB_FreeDecodedPCX(&pcx);
    }
}

TEST_F(Pcx, LoadAndDecodeFromFiles) {
    std::vector<uint8_t> pixels(5 * 3), rgb(768);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 19 + 190);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 5 + 1);
    dir.write("pic.pcx", KitWritePCX(pixels.data(), 5, 3, 5, rgb.data()));
    uint8_t palette[1024];
    GribBitmap* bitmap = GRIB_LoadPCX((dir.str() + "/pic.pcx").c_str(), palette);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pitch, 5u);
    EXPECT_EQ(bitmap->height, 3u);
    EXPECT_EQ(std::vector<uint8_t>(bitmap->pixels, bitmap->pixels + 15), pixels);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(std::vector<uint8_t>(palette + i * 4, palette + i * 4 + 4),
                  (std::vector<uint8_t>{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], 0}));
    GRIB_FreeBitmap(bitmap);
    bitmap = GRIB_LoadPCX((dir.str() + "/pic.pcx").c_str(), nullptr);
    EXPECT_NE(bitmap, nullptr);
    GRIB_FreeBitmap(bitmap);

    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    dir.write("v3.pcx", MakePCX(2, 1, {1, 2}, 10, 3));
    dir.write("cut.pcx", MakePCX(4, 2, {0xC4, 7, 0xC2, 1}));
    for (const char* name : {"v3.pcx", "cut.pcx", "none.pcx"})
        EXPECT_EQ(GRIB_LoadPCX((dir.str() + "/" + name).c_str(), palette), nullptr) << name;
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);

    // Decoding an open file starts at its beginning wherever it stands.
    FileHandle* file = GRIB_Open((dir.str() + "/pic.pcx").c_str());
    char skip[50];
    GRIB_Read(file, skip, sizeof skip);
    GribDecodedPCX pcx;
    ASSERT_EQ(GRIB_DecodePCX(file, &pcx), 1);
    EXPECT_EQ(Body(pcx), pixels);
    GRIB_FreeDecodedPCX(&pcx);
    GRIB_Close(file);
}

// Every cut, and random flips mostly in the header and the rows: no crash, no read out of
// bounds (the sanitizer build checks), nothing left allocated.
TEST_F(Pcx, DamagedFilesNeverCrash) {
    std::vector<uint8_t> pixels(13 * 6), rgb(768, 7);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 9 < 5 ? 200 : i * 31);
    const std::vector<uint8_t> good = KitWritePCX(pixels.data(), 13, 6, 13, rgb.data());
    const uint32_t size = static_cast<uint32_t>(good.size());
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    testsupport::Rng rng(21);
    for (uint32_t round = 0; round < size + 3000; ++round) {
        std::vector<uint8_t> f(good.begin(), good.begin() + std::min(round, size));
        for (uint32_t k = 0, n = round < size ? 0 : 1 + rng.below(6); k < n; ++k)
            f[rng.below(rng.below(4) ? size - 768 : size)] ^= static_cast<uint8_t>(1u << rng.below(8));
        GribDecodedPCX pcx;
        EXPECT_TRUE(!GRIB_DecodePCXMemory(f.empty() ? nullptr : f.data(), f.size(), &pcx) || round >= 128 + 768);
        GRIB_FreeDecodedPCX(&pcx);
        if (round % 100) continue;
        dir.write("f.pcx", f);
        GRIB_FreeBitmap(GRIB_LoadPCX((dir.str() + "/f.pcx").c_str(), nullptr));
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
}

// Rows of exactly width bytes, as the game reads them whatever the header
// declares.
std::vector<uint8_t> DecodeWidthRows(const std::vector<uint8_t>& f) {
    const int width = (f[8] | f[9] << 8) + 1, height = (f[10] | f[11] << 8) + 1;
    std::vector<uint8_t> out;
    size_t in = 128;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width && in + 1 < f.size();) {
            uint8_t b = f[in++];
            int n = 1;
            if (b >= 0xC0) n = b & 0x3F, b = f[in++];
            for (; n > 0 && x < width; --n, ++x) out.push_back(b);
        }
    return out;
}

std::string Convert() {
#ifdef _WIN32
    return "";  // the host's is not a Windows program
#endif
    return std::filesystem::exists("/usr/bin/convert") ? "/usr/bin/convert" : "";
}

TEST_F(Pcx, WrittenFilesDecodeAlikeInEveryReader) {
    testsupport::Rng rng(11);
    std::vector<uint8_t> rgb(768);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 / 3);
    for (uint32_t width : {1u, 3u, 7u, 2u, 130u}) {
        const uint32_t height = 3;
        std::vector<uint8_t> pixels(width * height);
        // Long runs, values above 0xC0 and noise.
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = i % 3 == 0 ? static_cast<uint8_t>(rng.next()) : (i / 70) % 2 ? 0xC7 : 0x20;
        std::vector<uint8_t> file = KitWritePCX(pixels.data(), width, height, width, rgb.data());
        EXPECT_EQ(file[66] | file[67] << 8, static_cast<int>(width)) << "bytes per line";
        GribDecodedPCX pcx;
        ASSERT_EQ(GRIB_DecodePCXMemory(file.data(), file.size(), &pcx), 1);
        EXPECT_EQ(Body(pcx), pixels) << width;
        GRIB_FreeDecodedPCX(&pcx);
        EXPECT_EQ(DecodeWidthRows(file), pixels) << width;

        if (Convert().empty()) continue;
        dir.write("kit.pcx", file);
        auto r = testsupport::RunProgram(Convert(), {"kit.pcx", "-depth", "8", "rgb:back.rgb"}, dir.str());
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<uint8_t> want;
        for (uint8_t p : pixels) want.insert(want.end(), rgb.begin() + p * 3, rgb.begin() + p * 3 + 3);
        EXPECT_EQ(testsupport::ReadBytes(dir.path() / "back.rgb"), want) << "ImageMagick, width " << width;
    }
}

// ImageMagick as an independent writer (its lines are padded to even
// lengths): its files decode to the colours it reports for them.
TEST_F(Pcx, FilesWrittenByImageMagick) {
    if (Convert().empty()) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
    testsupport::Rng rng(5);
    for (auto [width, height] : {std::pair{33, 7}, std::pair{200, 3}}) {
        std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        for (int i = 0; i < width * height; ++i) {
            uint32_t c = (i % width / 5 + i / width) % 3 == 0 ? rng.below(200) : 17 + i / width;
            ppm += {static_cast<char>(c), static_cast<char>(c * 3), static_cast<char>(255 - c)};
        }
        dir.write("in.ppm", ppm);
        auto r = testsupport::RunProgram(Convert(), {"in.ppm", "-type", "Palette", "-compress", "RLE", "out.pcx"},
                                         dir.str());
        ASSERT_EQ(r.status, 0) << r.err;
        r = testsupport::RunProgram(Convert(), {"out.pcx", "-depth", "8", "rgb:back.rgb"}, dir.str());
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<uint8_t> reported = testsupport::ReadBytes(dir.path() / "back.rgb");
        std::vector<uint8_t> file = testsupport::ReadBytes(dir.path() / "out.pcx");
        GribDecodedPCX pcx;
        ASSERT_EQ(GRIB_DecodePCXMemory(file.data(), file.size(), &pcx), 1) << width;
        std::vector<uint8_t> colours;
        for (uint8_t p : Body(pcx)) colours.insert(colours.end(), pcx.colourMap + p * 3, pcx.colourMap + p * 3 + 3);
        EXPECT_EQ(colours, reported) << width;
        GRIB_FreeDecodedPCX(&pcx);
    }
}

}  // namespace
