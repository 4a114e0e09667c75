#include <gtest/gtest.h>

#include "grib/env/env.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tests/model/model_support.h"
#include "tests/support/support.h"

using namespace modeltest;

namespace {

const char kText[] =
    "# comment\npiece hull\n  second other name\n  offset 1 -0.5 2.25\n  selection 1\n"
    "  v 0 0 0\n  v 1 0 0   # trailing comment\n  v 0 1 0\n  solid 12 0 1 2\n  texture metal01 2 1 0\n"
    "  piece turret\n    v 0.000006103515625 0 0\n    piece barrel\n    end\n  end\n  piece flag\n  end\n"
    "end\npiece loose\nend\n";

TEST(ModelBuilderTest, TextBuildsTheTreeAndDumpsBack) {
    KitModel m, back, again;
    std::string error;
    ASSERT_TRUE(KitParseModelText(kText, m, &error)) << error;
    ASSERT_EQ(m.size(), 2u);
    const KitModelPiece& hull = m[0];
    ASSERT_EQ(hull.polygons.size(), 2u);
    ASSERT_EQ(hull.children.size(), 2u);
    EXPECT_EQ(hull.secondName, "other name");
    EXPECT_EQ(hull.offset, (std::array<int32_t, 3>{163840, -81920, 368640}));
    EXPECT_EQ((std::vector<int>{hull.selection, hull.polygons[0].textured, hull.polygons[0].colour,
                                hull.polygons[1].textured, hull.children[0].vertices[0][0]}),
              (std::vector<int>{1, 0, 12, 1, 1}));  // the last: one file unit
    EXPECT_EQ(hull.polygons[1].texture, "metal01");

    std::vector<uint8_t> bytes = KitWrite3do(m);
    ASSERT_TRUE(KitRead3do(bytes, back, &error)) << error;
    std::string dumped = KitDumpModelText(back);
    ASSERT_TRUE(KitParseModelText(dumped, again, &error)) << error << "\n" << dumped;
    EXPECT_EQ(KitWrite3do(again), bytes);

    // The game's reader sees the same tree.
    testsupport::StartGrib();
    testsupport::TempDir dir;
    Model root = Own(LoadModel(dir.write("m.3do", bytes).string().c_str(), MODEL_TYPE_DETECT));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Shape(root.get()), "hull(turret(barrel) flag) loose");
    EXPECT_FLOAT_EQ(root->offset[2], 2.25f);
}

TEST(ModelBuilderTest, TextErrorsNameTheLine) {
    KitModel m;
    std::string error;
    EXPECT_FALSE(KitParseModelText("piece a\n v 1 2\nend\n", m, &error));
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    for (const char* text : {"piece a\n", "v 1 2 3\n", "piece a\n solid 300 0 1 2\nend\n",
                             "piece a\n solid 3 0 x 2\nend\n", "piece a\n wobble\nend\n", ""})
        EXPECT_FALSE(KitParseModelText(text, m, &error)) << text;
    EXPECT_FALSE(KitRead3do(std::vector<uint8_t>(10, 0), m, &error));
}

TEST(ModelBuilderTest, ObjGroupsBecomePieces) {
    const char obj[] =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
        "g body\nusemtl 33\nf 1 2 3\n"
        "g arm\nusemtl steel\nf 2/1/1 -1//2 3\nf 4 3 2\n"
        "g empty\n";
    KitModel m;
    std::string error;
    ASSERT_TRUE(KitParseObj(obj, 2.0, m, &error)) << error;
    ASSERT_EQ(m.size(), 1u);
    ASSERT_EQ(m[0].children.size(), 1u);
    const KitModelPiece &body = m[0], &arm = m[0].children[0];
    ASSERT_EQ(arm.vertices.size(), 3u);  // vertices 2, 4, 3 in first-use order
    EXPECT_EQ(body.name + " " + arm.name + " " + arm.polygons[0].texture, "body arm steel");
    EXPECT_EQ((std::vector<int>{int(body.vertices.size()), body.polygons[0].colour, body.vertices[1][0],
                                arm.vertices[1][2], arm.polygons[0].textured}),
              (std::vector<int>{3, 33, 2 * 163840, -2 * 163840, 1}));  // z negated
    EXPECT_EQ(arm.polygons[1].indices, (std::vector<uint16_t>{1, 2, 0}));
    EXPECT_FALSE(KitParseObj("v 0 0 0\nf 1 2 3\n", 1, m, &error));
    EXPECT_FALSE(KitParseObj("v 0 0 0\n", 1, m, &error));
}

TEST(ModelBuilderTest, ToolBuildsDumpsAndReports) {
    testsupport::TempDir dir;
    dir.write("m.txt", std::string(kText));
    auto r = testsupport::RunGrib({"model", "build", dir.str() + "/m.txt", "-o", dir.str() + "/m.3do"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = testsupport::RunGrib({"model", "info", dir.str() + "/m.3do"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "type 3do\npiece hull offset 1 -0.5 2.25 vertices 3 polygons 2\n"
                     "  piece turret offset 0 0 0 vertices 1 polygons 0\n"
                     "    piece barrel offset 0 0 0 vertices 0 polygons 0\n"
                     "  piece flag offset 0 0 0 vertices 0 polygons 0\n"
                     "piece loose offset 0 0 0 vertices 0 polygons 0\n");
    r = testsupport::RunGrib({"model", "dump", dir.str() + "/m.3do"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("texture metal01 2 1 0"), std::string::npos);
    dir.write("bad.3do", std::string("xx"));
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"model", "info", "none.3do"}, 1}, {{"model", "info", "bad.3do"}, 2},
        {{"model", "render", "m.3do", "--size", "0x4", "--out", "x.raw"}, 2},
        {{"model", "render", "m.3do", "--size", "4x4"}, 2}, {{"model", "--help"}, 0}};
    for (const auto& [args, status] : cases) EXPECT_EQ(testsupport::RunGrib(args, dir.str()).status, status) << args.back();
    // .raw is W × H bytes; .png and .pcx go through the palette.
    for (const char* ext : {".raw", ".png", ".pcx"}) {
        std::string out = dir.str() + "/o" + ext;
        r = testsupport::RunGrib({"model", "render", dir.str() + "/m.3do", "--size", "8x6", "--out", out, "--clear", "3"});
        ASSERT_EQ(r.status, 0) << ext << r.err;
        auto bytes = testsupport::ReadBytes(out);
        EXPECT_TRUE(std::string(ext) == ".raw" ? bytes == std::vector<uint8_t>(48, 3) : !bytes.empty()) << ext;
    }
}

}  // namespace
