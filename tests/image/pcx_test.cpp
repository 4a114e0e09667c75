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
using V = std::vector<uint8_t>;

// Overwrites bytes at `at`; bytes that would reach past the end cut the file
// at `at` instead.
std::vector<uint8_t> Patched(std::vector<uint8_t> f, size_t at, std::vector<uint8_t> bytes) {
    if (at + bytes.size() > f.size()) f.resize(at);
    else std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<long>(at));
    return f;
}

// The colours of the decoded pixels; empty when the file is refused.
std::vector<uint8_t> Colours(const std::vector<uint8_t>& file) {
    GribDecodedPCX pcx;
    std::vector<uint8_t> out;
    if (GRIB_DecodePCXMemory(file.empty() ? nullptr : file.data(), file.size(), &pcx))
        for (uint8_t p : Body(pcx)) out.insert(out.end(), pcx.colourMap + p * 3, pcx.colourMap + p * 3 + 3);
    GRIB_FreeDecodedPCX(&pcx);
    return out;
}

TEST_F(Pcx, DecodesRowsAndRefusesDamagedFiles) {
    const std::vector<uint8_t> eight(8, 1);
    // What, the file, the body (empty: refused), the width.
    const std::tuple<const char*, V, V, int> cases[] = {
        {"plain", MakePCX(2, 4, eight), eight, 2},
        {"size from max - min", MakePCX(3, 2, std::vector<uint8_t>(6, 4), 10, 5, 100), std::vector<uint8_t>(6, 4), 3},
        {"a run is cut at the row end", MakePCX(4, 2, {0xC5, 7, 1, 2, 3, 4}), {7, 7, 7, 7, 1, 2, 3, 4}, 4},
        {"literals to 0xBF, a run of 0 stores nothing",
         MakePCX(4, 1, {0xBF, 0xC1, 0xC0, 0xC0, 0x55, 0xC1, 0xFF, 0x00}), {0xBF, 0xC0, 0xFF, 0x00}, 4},
        {"padded lines", Patched(MakePCX(3, 2, {1, 2, 3, 0, 0xC4, 9}), 66, {4}), {1, 2, 3, 9, 9, 9}, 3},
        {"version 3", MakePCX(2, 4, eight, 10, 3), {}, 0}, {"manufacturer 9", MakePCX(2, 4, eight, 9, 5), {}, 0},
        {"short header", Patched(MakePCX(2, 4, eight), 100, std::vector<uint8_t>(900)), {}, 0},
        {"planes other than 1: lines of width bytes", Patched(MakePCX(2, 4, eight), 65, {3, 9}), eight, 2},
        {"x max below x min", Patched(MakePCX(2, 4, eight), 4, {5, 0, 0, 0}), {}, 0},
        {"y max below y min", Patched(MakePCX(2, 4, eight), 6, {5, 0}), {}, 0},
        {"a run code without its value", Patched(MakePCX(4, 2, {0xC4, 7}), 130, {0xC4}), {}, 0},
        {"data ends early", MakePCX(4, 2, {0xC4, 7, 0xC2, 1}), {}, 0},
        {"65536 x 65536 on a small file", Patched(MakePCX(1, 1, {0xFF, 1}), 8, {0xFF, 0xFF, 0xFF, 0xFF}), {}, 0},
    };
    for (const auto& [what, file, body, width] : cases) {
        size_t before = GRIB_GetEnvironment()->allocatedBytes;
        GribDecodedPCX pcx;
        int ok = GRIB_DecodePCXMemory(file.data(), file.size(), &pcx);
        EXPECT_EQ(ok, !body.empty()) << what;
        EXPECT_EQ(pcx.width, width) << what;
        if (ok) {
            EXPECT_EQ(Body(pcx), body) << what;
            EXPECT_STREQ(GRIB_BlockTag(pcx.body), "PCX BODY");
            EXPECT_STREQ(GRIB_BlockTag(pcx.colourMap), "COLOR MAP");
            EXPECT_EQ(pcx.colourMap[3 * 5 + 1], 250);
        } else {
            EXPECT_EQ(pcx.body, nullptr);
            EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before) << what;
        }
        GRIB_FreeDecodedPCX(&pcx);
    }
}

TEST_F(Pcx, LoadAndDecodeFromFiles) {
    std::vector<uint8_t> pixels(5 * 3), rgb(768);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 19 + 190);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 5 + 1);
    const std::string path = dir.write("pic.pcx", KitWritePCX(pixels.data(), 5, 3, 5, rgb.data())).string();
    uint8_t palette[1024];
    GribBitmap* bitmap = GRIB_LoadPCX(path.c_str(), palette);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ((std::vector<uint32_t>{bitmap->pitch, bitmap->height}), (std::vector<uint32_t>{5, 3}));
    EXPECT_EQ(std::vector<uint8_t>(bitmap->pixels, bitmap->pixels + 15), pixels);
    for (int i = 0; i < 1024; ++i) EXPECT_EQ(palette[i], i % 4 == 3 ? 0 : rgb[i / 4 * 3 + i % 4]) << i;
    GRIB_FreeBitmap(bitmap);
    GRIB_FreeBitmap(GRIB_LoadPCX(path.c_str(), nullptr));
    size_t before = GRIB_GetEnvironment()->allocatedBytes;
    for (const std::string& bad : {dir.write("v3.pcx", MakePCX(2, 1, {1, 2}, 10, 3)).string(), dir.str() + "/none.pcx",
                                   dir.write("cut.pcx", MakePCX(4, 2, {0xC4, 7, 0xC2, 1})).string()})
        EXPECT_EQ(GRIB_LoadPCX(bad.c_str(), palette), nullptr) << bad;
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    // Decoding an open file starts at its beginning wherever it stands.
    FileHandle* file = GRIB_Open(path.c_str());
    char skip[50];
    GRIB_Read(file, skip, sizeof skip);
    GribDecodedPCX pcx;
    ASSERT_EQ(GRIB_DecodePCX(file, &pcx), 1);
    EXPECT_EQ(Body(pcx), pixels);
    GRIB_FreeDecodedPCX(&pcx);
    GRIB_Close(file);
}

std::string Convert() {
#ifdef _WIN32
    return "";  // the host's is not a Windows program
#endif
    return std::filesystem::exists("/usr/bin/convert") ? "/usr/bin/convert" : "";
}

// The writer's files decode back whole and fail cut short; ImageMagick,
// as an independent reader and writer (its lines padded to even lengths),
// sees the same colours.
TEST_F(Pcx, WrittenFilesDecodeAlikeInEveryReader) {
    testsupport::Rng rng(11);
    std::vector<uint8_t> rgb(768);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 / 3);
    for (uint32_t width : {1u, 2u, 7u, 131u}) {
        std::vector<uint8_t> pixels(width * 3), colours;  // long runs, values above 0xC0 and noise
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = i % 3 == 0 ? static_cast<uint8_t>(rng.next()) : (i / 70) % 2 ? 0xC7 : 0x20;
        for (uint8_t p : pixels) colours.insert(colours.end(), rgb.begin() + p * 3, rgb.begin() + p * 3 + 3);
        const std::vector<uint8_t> file = KitWritePCX(pixels.data(), width, 3, width, rgb.data());
        EXPECT_EQ(file[66] | file[67] << 8, static_cast<int>(width)) << "bytes per line";
        EXPECT_EQ(Colours(file), colours) << width;
        const size_t before = GRIB_GetEnvironment()->allocatedBytes;
        for (size_t n = 0; n < 128 + 768; ++n)  // too short for a header and a colour map
            EXPECT_EQ(Colours({file.begin(), file.begin() + long(n)}), V{}) << n;
        EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
        if (Convert().empty()) continue;
        dir.write("kit.pcx", file);
        for (auto args : {std::vector<std::string>{"kit.pcx", "-depth", "8", "rgb:back.rgb"},
                          {"kit.pcx", "-type", "Palette", "-compress", "RLE", "magick.pcx"}}) {
            auto r = testsupport::RunProgram(Convert(), args, dir.str());
            ASSERT_EQ(r.status, 0) << r.err;
        }
        EXPECT_EQ(testsupport::ReadBytes(dir.path() / "back.rgb"), colours) << "ImageMagick reads, width " << width;
        // Only the widest has colours enough for an 8-bit file.
        EXPECT_EQ(width > 100 ? Colours(testsupport::ReadBytes(dir.path() / "magick.pcx")) : colours, colours);
    }
}

}  // namespace
