// The grib archive and grib vfs commands, through the built tool.
#include <filesystem>

#include "tests/vfs/vfs_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadText;
using testsupport::RunGrib;

class GribCli : public ::testing::Test {
protected:
    std::string At(const std::string& relative) const { return (t.path() / relative).string(); }
    testsupport::TempDir t;
};

TEST_F(GribCli, PackListCatExtractRoundTrip) {
    std::string binary;
    for (int i = 0; i < 700; ++i) binary += char(i * 7 % 256);
    t.write("src/units/ARMTANK.FBI", "[UNITINFO]\n{\n}\n");
    t.write("src/scripts/armtank.cob", binary);
    t.write("src/readme", "");
    fs::create_directories(t.path() / "src/empty");
    for (std::string key : {"", "0x55"}) {
        const std::string out = At("k" + key + ".grb"), dest = At("x" + key);
        std::vector<std::string> pack = {"archive", "pack", out, At("src")};
        if (!key.empty()) pack.insert(pack.end(), {"--key", key});
        auto r = RunGrib(pack);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(testsupport::ReadBytes(out)[12], key.empty() ? 0 : 0x55);
        EXPECT_EQ(RunGrib({"archive", "list", out}).out,
                  "d empty\nf 0 readme\nd scripts\nf 700 scripts\\armtank.cob\nd units\nf 15 units\\ARMTANK.FBI\n");
        for (auto [path, status, want] : {std::tuple{"scripts\\ARMTANK.COB", 0, binary}, {"units/ARMTANK.fbi", 0,
                                          std::string("[UNITINFO]\n{\n}\n")}, {"units\\nothing", 1, std::string()}}) {
            r = RunGrib({"archive", "cat", out, path});
            EXPECT_EQ(std::to_string(r.status) + " " + r.out, std::to_string(status) + " " + want) << path;
        }
        ASSERT_EQ(RunGrib({"archive", "extract", out, dest}).status, 0);
        for (const char* f : {"units/ARMTANK.FBI", "scripts/armtank.cob", "readme"})
            EXPECT_EQ(ReadText(fs::path(dest) / f), ReadText(t.path() / "src" / f)) << f;
        EXPECT_TRUE(fs::is_directory(fs::path(dest) / "empty"));
    }
}

TEST_F(GribCli, BadInputAndHelp) {
    t.write("bad.grb", "GRIB\0\0\1\0 not really");
    auto r = RunGrib({"archive", "list", At("bad.grb")});
    EXPECT_EQ(std::to_string(r.status) + " " + r.err, "2 grib: " + At("bad.grb") + ": not a valid archive\n");
    for (auto [args, status] : std::initializer_list<std::pair<std::vector<std::string>, int>>{
             {{"archive", "list", At("none.grb")}, 1}, {{"archive", "cat", At("bad.grb"), "x"}, 2},
             {{"archive", "pack", At("o.grb"), t.str(), "--key", "256"}, 2},
             {{"archive", "pack", At("o.grb"), At("missing")}, 1}, {{"archive", "frobnicate"}, 2},
             {{"vfs", "ls"}, 2}, {{"vfs", "cat", "x", "-C", At("nowhere")}, 1}})
        EXPECT_EQ(RunGrib(args).status, status) << args[1];
    for (const char* group : {"archive", "vfs"})
        EXPECT_NE(RunGrib({group, "--help"}).out.find("usage: grib "), std::string::npos);
}

TEST_F(GribCli, VfsLsAndCatInTheViewersOrder) {
    t.write("Varnho.GRB", KitBuildArchive({{"units\\armtank.fbi", Bytes("game tank")},
                                            {"units\\corak.fbi", Bytes("game ak")},
                                            {"units\\armjeep.fbi", Bytes("game jeep")}}, 0x3C));
    t.write("Extra.grb", KitBuildArchive({{"units\\armtank.fbi", Bytes("addon")}}, 0x01));
    t.write("units/corak.fbi", "loose");
    const std::pair<std::vector<std::string>, std::string> calls[] = {
        {{"ls", "units\\*.fbi"}, "disk 20 5 corak.fbi\nExtra.grb 01 5 armtank.fbi\nVarnho.GRB 01 9 armjeep.fbi\n"},
        {{"ls", "*.nothing"}, ""}, {{"cat", "units\\armtank.fbi"}, "addon"}, {{"cat", "units/CORAK.FBI"}, "loose"},
        {{"cat", "units\\armjeep.fbi"}, "game jeep"}, {{"cat", "units\\none.fbi"}, ""}};
    for (const auto& [args, want] : calls) {
        auto r = RunGrib({"vfs", args[0], args[1], "-C", t.str()});
        EXPECT_EQ(std::to_string(r.status) + " " + r.out, (want.empty() ? "1 " : "0 ") + want) << args[1];
    }
    EXPECT_EQ(RunGrib({"vfs", "cat", "units\\armtank.fbi"}, t.str()).out, "addon") << "the current folder";
}

}  // namespace
