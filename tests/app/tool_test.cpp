// grib units and grib render over a game folder.
#include <filesystem>

#include "tests/app/app_support.h"

namespace {

using testsupport::RunGrib;
namespace fs = std::filesystem;

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        KitGameOptions options;
        options.weapons = {{"LASER", {{"reloadtime", "1.5"}, {"aimrate", "16384"}, {"name", "Laser \"X\""}}}};
        KitAddBase(game, options);
        KitGameUnit tank = KitSampleUnit("ARMTANK", "Arm Tank");
        apptest::SetInfo(tank, "Scale", "2");
        KitGameUnit core = KitSampleUnit("CORBASE", "Core Base", "NONE");
        apptest::SetInfo(core, "BMcode", "0");
        core.script = "piece base hull turret barrel\nfunction Create\n return\n";
        for (const KitGameUnit& u : {tank, core}) ASSERT_TRUE(KitAddUnit(game, u, nullptr));
        ASSERT_TRUE(KitWriteGame(game, dir.str(), nullptr));
    }
    testsupport::ToolResult Render(std::vector<std::string> extra, const std::string& out) {
        std::vector<std::string> args = {"render", "-C", dir.str(), "--unit", "ARMTANK", "--size", "96x72", "--out", out};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunGrib(args);
    }
    KitGame game;
    testsupport::TempDir dir;
    testsupport::TempDir outDir;
};

TEST_F(ToolTest, UnitsListsTheCatalogueWithThePanelTexts) {
    auto plain = RunGrib({"units", "-C", dir.str()});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "ARMTANK ARM Arm Tank\nCORBASE CORE Core Base\n");
    auto json = RunGrib({"units", "--json"}, dir.str());
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.front(), '[');
    for (const char* want :
         {"\"file\": \"ARMTANK\"", "\"side\": \"ARM\"", "\"scale\": 2,", "\"weapon_count\": 1",
          "{\"name\": \"Laser \\\"X\\\"\", \"empty\": false, \"reload_ticks\": 45, \"aim_rate\": 90, \"sound\": \"\"}",
          "{\"name\": \"NONE\", \"empty\": true, \"reload_ticks\": 0, \"aim_rate\": 0, \"sound\": \"\"}",
          "\"maxvelocity\": 1.5,", "\"acceleration\": 0.10000000000000001,", "\"can_fire\": true", "\"pieces\": 4",
          "\"speed\": \"18.0 m/s\"", "\"slider\": -5}", "\"side\": \"CORE\"", "\"speed\": \"N/A\"",
          "\"weapons\": \"None\"", "\"can_move\": false", "\"activate_enabled\": false"})
        EXPECT_NE(json.out.find(want), std::string::npos) << want << "\n" << json.out;
    testsupport::TempDir empty;
    auto r = RunGrib({"units"}, empty.str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "grib: Could not open the Showcase information file\n");
    for (auto [args, status] : std::initializer_list<std::pair<std::vector<std::string>, int>>{
             {{"units", "-C", (dir.path() / "nope").string()}, 1}, {{"units", "--bogus"}, 2}, {{"units", "--help"}, 0},
             {{"render", "--unit", "ARMTANK"}, 2}, {{"render", "--help"}, 0},
             {{"render", "-C", dir.str(), "--unit", "ARMNONE", "--size", "8x8", "--out", "x.raw"}, 1}})
        EXPECT_EQ(RunGrib(args).status, status) << args[1];
}

// A missing file is "not found" (1), one that is there but unusable bad
// input (2); units stops at the first, render also at the backgrounds. The
// viewer ends with the same message in its fatal box and status 1, and its
// temporary palette does not outlive it.
TEST_F(ToolTest, StartUpFailuresAreOneLineWithTheirStatus) {
    const struct {
        const char* path;
        const char* bytes;  // null: the file is left out
        int units, render;
        const char* message;
    } cases[] = {
        {"gamedata\\showcase.tdf", nullptr, 1, 1, "Could not open the Showcase information file"},
        {"gamedata\\showcase.tdf", "[OTHER]{logo=x;}", 2, 2,
         "Could not find the Resource section in the Showcase information file"},
        {"gamedata\\showcase.tdf", "[RESOURCES]{logo=x;}", 2, 2, "Could not get the Web Site address"},
        {"gamedata\\showcase.tdf", "[RESOURCES]{website=x;}", 2, 2, "Could not get the Logo Image name"},
        {"gamedata\\showcase.tdf", "[RESOURCES]{website=x;logo=y;corebackground=z;}", 2, 2,
         "Could not get the Arm Background Image name"},
        {"gamedata\\showcase.tdf", "[RESOURCES]{website=x;logo=y;armbackground=z;}", 2, 2,
         "Could not get the Core Background Image name"},
        {"fonts\\console.fnt", nullptr, 1, 1, "Could not load the font file"},
        {"palettes\\palette.pal", "short", 2, 2, "Could not load the palette"},
        {"palettes\\palette.pal", nullptr, 1, 1, "Could not load the palette"},
        {"palettes\\palette.alp", nullptr, 1, 1, "Could not load the alpha table"},
        {"palettes\\palette.shd", "short", 2, 2, "Could not load the shade table"},
        {"palettes\\palette.shd", nullptr, 1, 1, "Could not load the shade table"},
        {"gamedata\\weapons.tdf", nullptr, 1, 1, "Could not open the weapons file"},
        {"showcase\\coreback.pcx", nullptr, 0, 1, "Could not load the background art"},
        {"showcase\\coreback.pcx", "not a picture", 0, 2, "Could not load the background art"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + (c.bytes ? " damaged" : " missing"));
        KitGame broken = game;
        if (c.bytes) broken.AddText(c.path, c.bytes, broken.Find(c.path)->archive);
        else broken.Remove(c.path);
        testsupport::TempDir folder, temp;
        ASSERT_TRUE(KitWriteGame(broken, folder.str(), nullptr));
        const std::string failure = "grib: " + std::string(c.message) + "\n";
        auto units = RunGrib({"units", "-C", folder.str()});
        EXPECT_EQ(std::pair(units.status, units.err), std::pair(c.units, c.units ? failure : std::string()));
        auto render = RunGrib({"render", "-C", folder.str(), "--unit", "ARMTANK", "--size", "8x8", "--out",
                               (outDir.path() / "x.raw").string()});
        EXPECT_EQ(std::pair(render.status, render.err), std::pair(c.render, failure));
        if (!c.units) continue;  // the viewer meets the backgrounds at its first frame
        EXPECT_EXIT(
            {
                setenv("TMPDIR", temp.str().c_str(), 1);
                testsupport::ScopedCwd in(folder.path());
                ViewerReset();
                ViewerLoadData(0);
                std::exit(0);
            },
            ::testing::ExitedWithCode(1), std::string("Fatal Error: ") + c.message);
        EXPECT_TRUE(fs::is_empty(temp.path()));
    }
}

TEST_F(ToolTest, RenderIsRepeatableAndWritesEachFormat) {
    auto bytes = [&](const std::string& name) { return testsupport::ReadBytes(outDir.path() / name); };
    ASSERT_EQ(Render({"--frames", "0,1,1,1"}, (outDir.path() / "a.raw").string()).status, 0);
    ASSERT_EQ(Render({"--frames", "0,1,1,1"}, (outDir.path() / "b.raw").string()).status, 0);
    EXPECT_EQ(bytes("a.raw").size(), 96u * 72u);
    EXPECT_EQ(bytes("a.raw"), bytes("b.raw"));
    ASSERT_EQ(Render({"--antialias", "0"}, (outDir.path() / "b.raw").string()).status, 0);
    EXPECT_NE(bytes("b.raw"), bytes("a.raw"));
    // Relative output paths are taken from where grib was started.
    auto rel = RunGrib({"render", "-C", dir.str(), "--unit", "units\\CORBASE.fbi", "--size", "32x24", "--out", "c.pcx"},
                       outDir.str());
    ASSERT_EQ(rel.status, 0) << rel.err;
    EXPECT_TRUE(fs::exists(outDir.path() / "c.pcx"));
    EXPECT_EQ(Render({}, (outDir.path() / "d.png").string()).status, 0);
    EXPECT_TRUE(fs::exists(outDir.path() / "d.png"));
    for (std::vector<std::string> bad : {std::vector<std::string>{"--press", "1013@0"},
                                         {"--press", "1012@3"},  // after the last frame
                                         {"--frames", "1,x"}, {"--antialias", "2"}})
        EXPECT_EQ(Render(bad, (outDir.path() / "x.raw").string()).status, 2) << bad[1];
    EXPECT_EQ(Render({}, (outDir.path() / "x.bmp").string()).status, 2);
}

}  // namespace
