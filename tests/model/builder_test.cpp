#include <gtest/gtest.h>

#include "grib/env/env.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tests/support/support.h"

namespace {

const char kText[] =
    "# comment\n"
    "piece hull\n"
    "  second other name\n"
    "  offset 1 -0.5 2.25\n"
    "  selection 1\n"
    "  v 0 0 0\n"
    "  v 1 0 0   # trailing comment\n"
    "  v 0 1 0\n"
    "  solid 12 0 1 2\n"
    "  texture metal01 2 1 0\n"
    "  piece turret\n"
    "    v 0.000006103515625 0 0\n"
    "    piece barrel\n"
    "    end\n"
    "  end\n"
    "  piece flag\n"
    "  end\n"
    "end\n"
    "piece loose\n"
    "end\n";

TEST(ModelBuilderTest, TextBuildsTheTreeAndDumpsBack) {
    KitModel m;
    std::string error;
    ASSERT_TRUE(KitParseModelText(kText, m, &error)) << error;
    ASSERT_EQ(m.size(), 2u);
    const KitModelPiece& hull = m[0];
    EXPECT_EQ(hull.name, "hull");
    EXPECT_EQ(hull.secondName, "other name");
    EXPECT_EQ(hull.offset[0], 163840);
    EXPECT_EQ(hull.offset[1], -81920);
    EXPECT_EQ(hull.offset[2], 368640);
    EXPECT_EQ(hull.selection, 1);
    ASSERT_EQ(hull.polygons.size(), 2u);
    EXPECT_FALSE(hull.polygons[0].textured);
    EXPECT_EQ(hull.polygons[0].colour, 12);
    EXPECT_TRUE(hull.polygons[1].textured);
    EXPECT_EQ(hull.polygons[1].texture, "metal01");
    ASSERT_EQ(hull.children.size(), 2u);
    EXPECT_EQ(hull.children[0].vertices[0][0], 1);  // one file unit
    EXPECT_EQ(hull.children[0].children[0].name, "barrel");

    std::vector<uint8_t> bytes = KitWrite3do(m);
    KitModel back;
    ASSERT_TRUE(KitRead3do(bytes, back, &error)) << error;
    std::string dumped = KitDumpModelText(back);
    KitModel again;
    ASSERT_TRUE(KitParseModelText(dumped, again, &error)) << error << "\n" << dumped;
    EXPECT_EQ(KitWrite3do(again), bytes);

    // The game's reader sees the same tree.
    testsupport::StartGrib();
    testsupport::TempDir dir;
    std::string path = dir.write("m.3do", bytes).string();
    Piece* root = LoadModel(path.c_str(), MODEL_TYPE_DETECT);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "hull");
    EXPECT_STREQ(root->sibling->name, "loose");
    EXPECT_STREQ(root->child->name, "turret");
    EXPECT_STREQ(root->child->sibling->name, "flag");
    EXPECT_STREQ(root->child->child->name, "barrel");
    EXPECT_FLOAT_EQ(root->offset[2], 2.25f);
    FreePieceTree(root);
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
    EXPECT_EQ(m[0].name, "body");
    EXPECT_EQ(m[0].vertices.size(), 3u);
    EXPECT_EQ(m[0].polygons[0].colour, 33);
    EXPECT_EQ(m[0].vertices[1][0], 2 * 163840);
    ASSERT_EQ(m[0].children.size(), 1u);
    const KitModelPiece& arm = m[0].children[0];
    EXPECT_EQ(arm.name, "arm");
    ASSERT_EQ(arm.vertices.size(), 3u);  // vertices 2, 4, 3 in first-use order
    EXPECT_EQ(arm.vertices[1][2], -2 * 163840);  // z negated
    EXPECT_TRUE(arm.polygons[0].textured);
    EXPECT_EQ(arm.polygons[0].texture, "steel");
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
    EXPECT_EQ(r.out,
              "type 3do\n"
              "piece hull offset 1 -0.5 2.25 vertices 3 polygons 2\n"
              "  piece turret offset 0 0 0 vertices 1 polygons 0\n"
              "    piece barrel offset 0 0 0 vertices 0 polygons 0\n"
              "  piece flag offset 0 0 0 vertices 0 polygons 0\n"
              "piece loose offset 0 0 0 vertices 0 polygons 0\n");
    r = testsupport::RunGrib({"model", "dump", dir.str() + "/m.3do"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("texture metal01 2 1 0"), std::string::npos);
    dir.write("bad.3do", std::string("xx"));
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"model", "info", "none.3do"}, 1},
        {{"model", "info", "bad.3do"}, 2},
        {{"model", "render", "m.3do", "--size", "0x4", "--out", "x.raw"}, 2},
        {{"model", "render", "m.3do", "--size", "4x4"}, 2},
        {{"model", "--help"}, 0},
    };
    for (const auto& [args, status] : cases) EXPECT_EQ(testsupport::RunGrib(args, dir.str()).status, status) << args[2];
    // .raw is W × H bytes; .png and .pcx go through the palette.
    for (const char* ext : {".raw", ".png", ".pcx"}) {
        std::string out = dir.str() + "/o" + ext;
        r = testsupport::RunGrib({"model", "render", dir.str() + "/m.3do", "--size", "8x6", "--out", out, "--clear", "3"});
        ASSERT_EQ(r.status, 0) << ext << r.err;
        auto bytes = testsupport::ReadBytes(out);
        if (std::string(ext) == ".raw") {
            EXPECT_EQ(bytes, std::vector<uint8_t>(48, 3));
        }
        EXPECT_FALSE(bytes.empty());
    }
}

}  // namespace
