// The gaf and image commands of the grib tool.
#include <gtest/gtest.h>

#include "grib/env/env.h"
#include "grib/palette/palette.h"
#include "kit/image/gaf_writer.h"
#include "kit/image/pcx_writer.h"
#include "tests/image/image_support.h"
#include "tests/support/support.h"

namespace {

using testsupport::ReadBytes;
using testsupport::RunGrib;
using testsupport::TempDir;

class ImageCli : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        palette = imagetest::TestPalette();
        dir.write("p.pal", palette);
    }
    GribDecodedPCX DecodeFile(const std::string& name) {
        std::vector<uint8_t> f = ReadBytes(dir.path() / name);
        GribDecodedPCX pcx;
        EXPECT_EQ(GRIB_DecodePCXMemory(f.data(), f.size(), &pcx), 1) << name;
        return pcx;
    }
    TempDir dir;
    std::vector<uint8_t> palette;
};

TEST_F(ImageCli, ConvertsBetweenPngAndPcxThroughThePalette) {
    std::vector<uint8_t> pixels(7 * 5);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13 + 200);
    uint8_t rgb[768];
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = palette[i * 4 + c];
    dir.write("a.pcx", KitWritePCX(pixels.data(), 7, 5, 7, rgb));

    auto r = RunGrib({"image", "convert", "a.pcx", "a.png"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    // The PNG holds the palette's colours: back to PCX keeps every index.
    r = RunGrib({"image", "convert", "a.png", "b.pcx", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    GribDecodedPCX pcx = DecodeFile("b.pcx");
    EXPECT_EQ(imagetest::Body(pcx), pixels);
    EXPECT_EQ(std::vector<uint8_t>(pcx.colourMap, pcx.colourMap + 768), std::vector<uint8_t>(rgb, rgb + 768));
    GRIB_FreeDecodedPCX(&pcx);

    // A PNG with other colours is mapped onto the nearest palette colours.
    std::vector<uint8_t> grey(1024, 0);
    for (int i = 0; i < 256; ++i) grey[i * 4] = grey[i * 4 + 1] = grey[i * 4 + 2] = static_cast<uint8_t>(i);
    dir.write("grey.pal", grey);
    r = RunGrib({"image", "convert", "a.pcx", "grey.png", "--palette", "grey.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunGrib({"image", "convert", "grey.png", "c.pcx", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    pcx = DecodeFile("c.pcx");
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint8_t v = pixels[i];
        EXPECT_EQ(pcx.body[i], GRIB_NearestColor(palette.data(), GRIB_RGB(v, v, v))) << i;
    }
    GRIB_FreeDecodedPCX(&pcx);

    EXPECT_EQ(RunGrib({"image", "convert", "a.png", "d.pcx"}, dir.str()).status, 2) << "a PNG needs a palette";
    EXPECT_EQ(RunGrib({"image", "convert", "none.pcx", "d.png"}, dir.str()).status, 1);
    dir.write("bad.pcx", "not a pcx");
    r = RunGrib({"image", "convert", "bad.pcx", "d.png"}, dir.str());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("grib: "), std::string::npos);
    dir.write("bad.png", "\x89PNG\r\n\x1a\n broken");
    EXPECT_EQ(RunGrib({"image", "convert", "bad.png", "d.pcx", "--palette", "p.pal"}, dir.str()).status, 2);
    EXPECT_EQ(RunGrib({"image", "convert", "a.pcx", "d.bmp"}, dir.str()).status, 2);
    r = RunGrib({"image", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("image convert"), std::string::npos);
}

TEST_F(ImageCli, GafListBuildAndExtract) {
    std::vector<uint8_t> pixels(4 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 3 ? i + 40 : 0);
    uint8_t rgb[768];
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = palette[i * 4 + c];
    dir.write("art/f0.pcx", KitWritePCX(pixels.data(), 4, 3, 4, rgb));
    std::reverse(pixels.begin(), pixels.end());
    dir.write("art/f1.pcx", KitWritePCX(pixels.data(), 4, 3, 4, rgb));
    ASSERT_EQ(RunGrib({"image", "convert", "art/f1.pcx", "art/f1.png"}, dir.str()).status, 0);
    dir.write("art/list.txt",
              "# water and a sign\n"
              "entry Water loop\n"
              "frame f0.pcx duration=5 origin=2,-1\n"
              "frame f1.png duration=7 rle key=0\n"
              "\n"
              "entry Sign noloop\n"
              "frame -  duration=3\n"
              "sub f0.pcx translucent\n"
              "sub f1.pcx rle key=9 origin=1,1\n");
    auto r = RunGrib({"gaf", "build", "out.gaf", "art/list.txt", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunGrib({"gaf", "list", "out.gaf"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "entry 0 Water frames=2 loop=1\n"
              "  frame 0 4x3 origin=2,-1 duration=5 key=0 raw\n"
              "  frame 1 4x3 origin=0,0 duration=7 key=0 rle\n"
              "entry 1 Sign frames=1 loop=0\n"
              "  frame 0 0x0 origin=0,0 duration=3 key=0 subimages=2\n"
              "    sub 0 4x3 origin=0,0 key=0 raw translucent\n"
              "    sub 1 4x3 origin=1,1 key=9 rle\n");

    // The loaded file holds the frames as built.
    std::vector<uint8_t> file = ReadBytes(dir.path() / "out.gaf");
    GribGAF* gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    const GribImage* f1 = GRIB_GAFEntry(gaf, 0)->frames[1].image;
    std::vector<uint8_t> back;
    ASSERT_TRUE(KitDecodeRows(f1->data, f1->dataSize, 4, 3, 0, back));
    EXPECT_EQ(back, pixels);
    GRIB_FreeGAF(gaf);

    // Extracting writes PNGs and a list that builds the same file again.
    r = RunGrib({"gaf", "extract", "out.gaf", "x", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "x" / "Water_0.png"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "x" / "Sign_0_1.png"));
    r = RunGrib({"gaf", "build", "again.gaf", "x/list.txt", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / "again.gaf"), file);
}

TEST_F(ImageCli, TransparentPngPixelsBecomeTheKey) {
    const char* convert = "/usr/bin/convert";
#ifdef _WIN32
    convert = "";  // the host's is not a Windows program
#endif
    if (!*convert || !std::filesystem::exists(convert)) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
    // Red (palette index 255 is (255, 36, 0)), with two fully transparent pixels.
    auto r = testsupport::RunProgram(convert, {"-size", "4x2", "xc:#FF2400", "-alpha", "set", "-region", "1x1+1+0",
                                               "-alpha", "transparent", "-region", "1x1+3+1", "-alpha",
                                               "transparent", "+region", "PNG32:rgba.png"},
                                     dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    dir.write("l.txt", "entry A\nframe rgba.png key=7\n");
    r = RunGrib({"gaf", "build", "o.gaf", "l.txt", "--palette", "p.pal"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> file = ReadBytes(dir.path() / "o.gaf");
    GribGAF* gaf = GRIB_LoadGAFMemory(file.data(), file.size());
    ASSERT_NE(gaf, nullptr);
    const GribImage* f = GRIB_GAFEntry(gaf, 0)->frames[0].image;
    uint8_t red = static_cast<uint8_t>(GRIB_NearestColor(palette.data(), GRIB_RGB(255, 36, 0)));
    EXPECT_EQ(std::vector<uint8_t>(f->data, f->data + 8),
              (std::vector<uint8_t>{red, 7, red, red, red, red, red, 7}));
    GRIB_FreeGAF(gaf);
}

TEST_F(ImageCli, GafErrors) {
    dir.write("bad1.txt", "frame a.pcx\n");
    dir.write("bad2.txt", "entry A\nframe a.pcx speed=3\n");
    dir.write("bad3.txt", "entry A\nsub a.pcx\n");
    dir.write("bad4.txt", "entry ThisNameIsMuchTooLongForAGafEntry1\n");
    dir.write("bad5.txt", "entry A\nframe missing.pcx\n");
    for (const char* list : {"bad1.txt", "bad2.txt", "bad3.txt", "bad4.txt"}) {
        auto r = RunGrib({"gaf", "build", "o.gaf", list}, dir.str());
        EXPECT_EQ(r.status, 2) << list;
        EXPECT_NE(r.err.find(std::string(list) + ":"), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunGrib({"gaf", "build", "o.gaf", "bad5.txt"}, dir.str()).status, 1);
    EXPECT_EQ(RunGrib({"gaf", "build", "o.gaf", "none.txt"}, dir.str()).status, 1);
    EXPECT_EQ(RunGrib({"gaf", "list", "none.gaf"}, dir.str()).status, 1);
    dir.write("bad.gaf", std::string("\0\1\1\0\1\0\0\0\0\0\0\0\xFF\xFF\0\0", 16));
    auto r = RunGrib({"gaf", "list", "bad.gaf"}, dir.str());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a valid GAF file"), std::string::npos);
    EXPECT_EQ(RunGrib({"gaf", "extract", "bad.gaf", "x"}, dir.str()).status, 2);
    EXPECT_EQ(RunGrib({"gaf"}, dir.str()).status, 2);
    r = RunGrib({"gaf", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("frame IMAGE"), std::string::npos);
}

}  // namespace
