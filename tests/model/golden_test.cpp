// Models rendered by `grib model render` against checked-in images.
// SHOWCASE_UPDATE_GOLDEN=1 rewrites the images (review them before checking in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "kit/image/gaf_writer.h"
#include "tests/model/model_support.h"
#include "tests/support/support.h"

using namespace modeltest;

namespace {

const std::string kGolden = std::string(SHOWCASE_SOURCE_DIR) + "/tests/model/golden/";

struct GoldenCase {
    const char* image;
    const char* model;  // text file in golden/, or "3ds" for the generated 3D Studio file
    std::vector<std::string> options;
};

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {
protected:
    testsupport::TempDir dir;
    void SetUp() override { testsupport::StartGrib(); }

    // A 16 x 16 checker and 48 x 8 stripes (not a power of two: the multiply path).
    void WriteTextures() {
        auto entry = [](const char* name, int w, int h, auto texel) {
            KitGafImage image{uint16_t(w), uint16_t(h), 0, 0, 0, false, 0, {}, {}};
            for (int i = 0; i < w * h; ++i) image.pixels.push_back(texel(i % w, i / w));
            return KitGafEntry{name, true, {{image, 1}}};
        };
        dir.write("textures/set.gaf",
                  KitWriteGAF({entry("checker", 16, 16, [](int x, int y) { return uint8_t((x / 4 + y / 4) & 1 ? 230 : 60); }),
                               entry("stripes", 48, 8, [](int x, int) { return uint8_t(100 + (x / 6) * 15); })}));
    }
};

TEST_P(GoldenTest, RendersAsRecorded) {
    const GoldenCase& c = GetParam();
    std::string model = dir.str() + "/model.3do";
    if (std::string(c.model) == "3ds") {
        std::vector<uint8_t> box = File3ds({Object3ds("a", Mesh3ds({-150, 150, 0, 150, 150, 0, 150, -150, 0, -150, -150, 0},
                                                                    {0, 1, 2, 0, 2, 3})),
                                            Object3ds("b", Mesh3ds({40, 200, -60, 200, 200, -60, 200, 40, -60}, {0, 1, 2}))});
        model = dir.str() + "/model.3ds";
        dir.write("model.3ds", box);
    } else {
        auto built = testsupport::RunGrib({"model", "build", kGolden + c.model + ".txt", "-o", model});
        ASSERT_EQ(built.status, 0) << built.err;
    }
    WriteTextures();
    // Our own shade table, so the images depend on nothing but the renderer:
    // level L scales a grey index by L / 16.
    std::vector<uint8_t> shade(8192);
    for (int i = 0; i < 8192; ++i) shade[size_t(i)] = uint8_t(std::min(255, i % 256 * (i / 256) / 16));
    dir.write("grey.shd", shade);
    std::vector<std::string> args = {"model", "render", model, "--out", dir.str() + "/out.raw", "--textures",
                                     dir.str() + "/textures", "--shade", dir.str() + "/grey.shd"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    auto r = testsupport::RunGrib(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> got = testsupport::ReadBytes(dir.path() / "out.raw");
    std::string expectedPath = kGolden + c.image + ".raw";
    if (std::getenv("SHOWCASE_UPDATE_GOLDEN")) testsupport::WriteBytes(expectedPath, got);
    ASSERT_TRUE(std::filesystem::exists(expectedPath)) << expectedPath;
    EXPECT_TRUE(got == testsupport::ReadBytes(expectedPath)) << c.image;  // not EXPECT_EQ: kilobytes of bytes
}

INSTANTIATE_TEST_SUITE_P(
    Models, GoldenTest,
    ::testing::Values(
        GoldenCase{"cube_depth", "cube", {"--size", "96x72", "--angles", "-0.5,0.6,0"}},
        GoldenCase{"cube_lit", "cube", {"--size", "96x72", "--angles", "-0.5,0.6,0", "--lit", "1", "--solid", "200"}},
        GoldenCase{"tank_painter", "tank",
                   {"--size", "128x96", "--angles", "-0.5,-0.7,0", "--depth-mode", "0", "--outline", "255",
                    "--show-selection", "250", "--clear", "10"}},
        GoldenCase{"tank_lit", "tank", {"--size", "128x96", "--angles", "-0.5,-0.7,0", "--lit", "1", "--scale", "1.5",
                                        "--offset", "0,-4,0"}},
        GoldenCase{"panel_textured", "panel", {"--size", "120x80", "--angles", "0,0.3,0", "--lit", "1"}},
        GoldenCase{"panel_flat", "panel", {"--size", "120x80", "--depth-mode", "0"}},
        GoldenCase{"box_3ds", "3ds", {"--size", "80x80", "--solid", "90", "--lit", "1", "--angles", "0.3,0.3,0"}}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.image); });

}  // namespace
