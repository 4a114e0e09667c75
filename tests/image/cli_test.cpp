// The gaf and image commands of the grib tool.
#include <filesystem>

#include "grib/env/env.h"
#include "grib/palette/palette.h"
#include "kit/image/pcx_writer.h"
#include "tests/image/image_support.h"

namespace {

using testsupport::ReadBytes;
using testsupport::RunGrib;

class ImageCli : public imagetest::ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        dir.write("p.pal", palette);
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = palette[i * 4 + c];
    }
    std::vector<uint8_t> Decoded(const std::string& name) {
        std::vector<uint8_t> f = ReadBytes(dir.path() / name), body;
        GribDecodedPCX pcx;
        EXPECT_EQ(GRIB_DecodePCXMemory(f.data(), f.size(), &pcx), 1) << name;
        if (pcx.body) body = imagetest::Body(pcx);
        GRIB_FreeDecodedPCX(&pcx);
        return body;
    }
    // The pixels of one frame of a GAF file in the folder.
    std::vector<uint8_t> FramePixels(const std::string& name, int32_t entry, uint32_t frame) {
        std::vector<uint8_t> f = ReadBytes(dir.path() / name), out;
        GribGAF* gaf = GRIB_LoadGAFMemory(f.data(), f.size());
        if (gaf) out = imagetest::Pixels(GRIB_GAFEntry(gaf, entry)->frames[frame].image);
        GRIB_FreeGAF(gaf);
        return out;
    }
    void Run(const std::vector<std::string>& args) {
        auto r = RunGrib(args, dir.str());
        ASSERT_EQ(r.status, 0) << args[1] << ": " << r.err;
    }
    std::vector<uint8_t> palette = imagetest::TestPalette();
    uint8_t rgb[768];
};

TEST_F(ImageCli, ConvertsBetweenPngAndPcxThroughThePalette) {
    std::vector<uint8_t> pixels(7 * 5);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13 + 200);
    dir.write("a.pcx", KitWritePCX(pixels.data(), 7, 5, 7, rgb));
    // The PNG holds the palette's colours: back to PCX keeps every index.
    Run({"image", "convert", "a.pcx", "a.png"});
    Run({"image", "convert", "a.png", "b.pcx", "--palette", "p.pal"});
    EXPECT_EQ(Decoded("b.pcx"), pixels);
    // A PNG with other colours is mapped onto the nearest palette colours.
    std::vector<uint8_t> grey(1024, 0);
    for (int i = 0; i < 256; ++i) grey[i * 4] = grey[i * 4 + 1] = grey[i * 4 + 2] = static_cast<uint8_t>(i);
    dir.write("grey.pal", grey);
    Run({"image", "convert", "a.pcx", "grey.png", "--palette", "grey.pal"});
    Run({"image", "convert", "grey.png", "c.pcx", "--palette", "p.pal"});
    std::vector<uint8_t> mapped = Decoded("c.pcx");
    for (size_t i = 0; i < pixels.size(); ++i)
        EXPECT_EQ(mapped[i], GRIB_NearestColor(palette.data(), GRIB_RGB(pixels[i], pixels[i], pixels[i]))) << i;

    dir.write("bad.pcx", "not a pcx");
    dir.write("bad.png", "\x89PNG\r\n\x1a\n broken");
    for (auto [args, status] : std::initializer_list<std::pair<std::vector<std::string>, int>>{
             {{"a.png", "d.pcx"}, 2} /* a PNG needs a palette */, {{"none.pcx", "d.png"}, 1},
             {{"bad.pcx", "d.png"}, 2}, {{"bad.png", "d.pcx", "--palette", "p.pal"}, 2}, {{"a.pcx", "d.bmp"}, 2}}) {
        args.insert(args.begin(), {"image", "convert"});
        auto r = RunGrib(args, dir.str());
        EXPECT_EQ(r.status, status) << args[2];
        EXPECT_EQ(r.err.rfind("grib: ", 0), 0u) << r.err;
    }
    EXPECT_NE(RunGrib({"image", "--help"}).out.find("image convert"), std::string::npos);
}

TEST_F(ImageCli, GafListBuildAndExtract) {
    std::vector<uint8_t> pixels(4 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 3 ? i + 40 : 0);
    dir.write("art/f0.pcx", KitWritePCX(pixels.data(), 4, 3, 4, rgb));
    std::reverse(pixels.begin(), pixels.end());
    dir.write("art/f1.pcx", KitWritePCX(pixels.data(), 4, 3, 4, rgb));
    Run({"image", "convert", "art/f1.pcx", "art/f1.png"});
    dir.write("art/list.txt", "# water and a sign\nentry Water loop\nframe f0.pcx duration=5 origin=2,-1\n"
                              "frame \"f1.png\" duration=7 rle key=0 # quoted\n\nentry \"Sign #1\" noloop\n"
                              "frame -  duration=3\nsub f0.pcx translucent\nsub f1.pcx rle key=9 origin=1,1\n");
    Run({"gaf", "build", "out.gaf", "art/list.txt", "--palette", "p.pal"});
    EXPECT_EQ(RunGrib({"gaf", "list", "out.gaf"}, dir.str()).out,
              "entry 0 Water frames=2 loop=1\n  frame 0 4x3 origin=2,-1 duration=5 key=0 raw\n"
              "  frame 1 4x3 origin=0,0 duration=7 key=0 rle\nentry 1 Sign #1 frames=1 loop=0\n"
              "  frame 0 0x0 origin=0,0 duration=3 key=0 subimages=2\n    sub 0 4x3 origin=0,0 key=0 raw translucent\n"
              "    sub 1 4x3 origin=1,1 key=9 rle\n");
    EXPECT_EQ(FramePixels("out.gaf", 0, 1), pixels);
}

// Entries of the same name, names that differ only in what a file name can't
// hold, and names that need quoting: each frame gets its own file and the
// rebuilt file is the same, byte for byte.
TEST_F(ImageCli, ExtractAndBuildKeepEveryEntryAndName) {
    const char* names[] = {"same", "same", "my tex", "my_tex", "arm/cor", "", "a\"b#c\\d", "tab\there\x80", "SAME",
                           "0123456789012345678901234567890"};
    std::vector<KitGafEntry> entries;
    uint8_t seed = 1;
    for (const char* name : names) {
        KitGafFrame layered;
        layered.image.subImages = {imagetest::Picture(2, 2, seed, false), imagetest::Picture(3, 1, seed, true, 7)};
        entries.push_back({name, seed % 2 == 0, {{imagetest::Picture(3, 2, seed, seed % 3 == 0), seed}, layered}});
        ++seed;
    }
    std::vector<uint8_t> original = KitWriteGAF(entries);
    dir.write("in.gaf", original);
    Run({"gaf", "extract", "in.gaf", "x", "--palette", "p.pal"});
    size_t files = 0;
    for ([[maybe_unused]] auto& f : std::filesystem::directory_iterator(dir.path() / "x")) ++files;
    EXPECT_EQ(files, std::size(names) * 3 + 1) << "one file per frame and sub-image, and the list";
    Run({"gaf", "build", "again.gaf", "x/list.txt", "--palette", "p.pal"});
    EXPECT_EQ(ReadBytes(dir.path() / "again.gaf"), original);
}

TEST_F(ImageCli, TransparentPngPixelsBecomeTheKey) {
#ifdef _WIN32
    GTEST_SKIP() << "the host's ImageMagick is not a Windows program";
#endif
    if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
    // Red (palette index 255 is (255, 36, 0)), with two fully transparent pixels.
    auto r = testsupport::RunProgram("/usr/bin/convert", {"-size", "4x2", "xc:#FF2400", "-alpha", "set", "-region",
                                     "1x1+1+0", "-alpha", "transparent", "-region", "1x1+3+1", "-alpha", "transparent",
                                     "+region", "PNG32:rgba.png"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    dir.write("l.txt", "entry A\nframe rgba.png key=7\n");
    Run({"gaf", "build", "o.gaf", "l.txt", "--palette", "p.pal"});
    uint8_t red = static_cast<uint8_t>(GRIB_NearestColor(palette.data(), GRIB_RGB(255, 36, 0)));
    EXPECT_EQ(FramePixels("o.gaf", 0, 0), (std::vector<uint8_t>{red, 7, red, red, red, red, red, 7}));
}

TEST_F(ImageCli, GafErrors) {
    dir.write("bad.gaf", std::string("\0\1\1\0\1\0\0\0\0\0\0\0\xFF\xFF\0\0", 16));
    // A list file's text, or null to run the arguments alone; the status.
    const std::tuple<const char*, std::vector<std::string>, int> cases[] = {
        {"frame a.pcx\n", {}, 2}, {"entry A\nframe a.pcx speed=3\n", {}, 2}, {"entry A\nsub a.pcx\n", {}, 2},
        {"entry ThisNameIsMuchTooLongForAGafEntry1\n", {}, 2}, {"entry \"open\n", {}, 2}, {"entry \"a\\qb\"\n", {}, 2},
        {"entry \"a\"b\n", {}, 2}, {"entry \"a\\x00\"\n", {}, 2}, {"entry A\nframe missing.pcx\n", {}, 1},
        {nullptr, {"gaf", "build", "o.gaf", "none.txt"}, 1}, {nullptr, {"gaf", "list", "none.gaf"}, 1},
        {nullptr, {"gaf", "list", "bad.gaf"}, 2}, {nullptr, {"gaf", "extract", "bad.gaf", "x"}, 2},
        {nullptr, {"gaf"}, 2},
    };
    for (const auto& [list, given, status] : cases) {
        if (list) dir.write("l.txt", list);
        const auto args = list ? std::vector<std::string>{"gaf", "build", "o.gaf", "l.txt"} : given;
        auto r = RunGrib(args, dir.str());
        EXPECT_EQ(r.status, status) << (list ? list : args.back());
        const char* prefix = args.size() == 1 ? "usage: " : list && status == 2 ? "grib: l.txt:" : "grib: ";
        EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    }
    EXPECT_NE(RunGrib({"gaf", "--help"}).out.find("frame IMAGE"), std::string::npos);
}

}  // namespace
