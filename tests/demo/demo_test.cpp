// The demo game: built by `grib demo` and checked through the product itself
// (the file system listing, the viewer's start-up data path, the frame driver
// and the sound device).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <tuple>

#include "app/frame.h"
#include "app/hooks.h"
#include "app/script_host.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/env/names.h"
#include "kit/game/game_builder.h"
#include "platform/system.h"
#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunGrib;
using testsupport::TempDir;

// Side 1 ARM, 0 CORE.
struct Expected { const char* file; int side, bmcode; bool moves, activates, fires; int weapons; };
const Expected kUnits[] = {{"ARMSCOUT", 1, 1, true, false, true, 1}, {"ARMSTRIDE", 1, 1, true, false, true, 2},
                           {"ARMSOLAR", 1, 0, false, true, false, 0}, {"ARMGUARD", 1, 0, false, true, true, 3},
                           {"CORTANK", 0, 1, true, false, true, 1},   {"CORCRAWL", 0, 1, true, false, true, 2},
                           {"CORMEX", 0, 0, false, true, false, 0},   {"CORSTORM", 0, 1, true, false, true, 3}};

constexpr int kWidth = 640, kHeight = 480;

// A game folder loaded in this process as the viewer loads it at start-up.
struct Loaded {
    explicit Loaded(const fs::path& dir) : cwd(dir) {
        testsupport::StartGrib();
        ViewerReset();
        g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return 0; };
        ViewerLoadData(0);
    }
    ~Loaded() { ViewerReset(); }
    ViewerUnit* Unit(const char* file) const {
        for (ViewerUnit* u : g_viewer.units)
            if (!std::strcmp(u->fileName, file)) return u;
        return nullptr;
    }
    testsupport::ScopedCwd cwd;
};

class DemoGame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        game = new TempDir;
        // Started elsewhere and without $SHOWCASE_DEMO_DIR: the build's own
        // link beside the tool leads to the sources.
        unsetenv("SHOWCASE_DEMO_DIR");
        built = new testsupport::ToolResult(RunGrib({"demo", game->str(), "--units", "24"}, "/"));
    }
    static void TearDownTestSuite() {
        delete built;
        delete game;
    }
    void SetUp() override { ASSERT_EQ(built->status, 0) << built->err; }

    // The last frame of `grib render` as palette indices.
    static std::vector<uint8_t> Render(const std::string& dir, const std::string& unit, const std::string& frames,
                                       const std::string& press = "", int w = kWidth, int h = kHeight) {
        TempDir out;
        const std::string raw = (out.path() / "frame.raw").string();
        std::vector<std::string> args = {"render", "-C", dir, "--unit", unit, "--size",
                                         std::to_string(w) + "x" + std::to_string(h), "--out", raw,
                                         "--frames", frames, "--antialias", "1"};
        if (!press.empty()) args.insert(args.end(), {"--press", press});
        auto r = RunGrib(args);
        EXPECT_EQ(r.status, 0) << unit << ": " << r.err;
        std::vector<uint8_t> bytes = testsupport::ReadBytes(raw);
        EXPECT_EQ(bytes.size(), size_t(w) * size_t(h)) << unit;
        return bytes;
    }

    static inline TempDir* game = nullptr;
    static inline testsupport::ToolResult* built = nullptr;
};

size_t Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size());
    return std::transform_reduce(a.begin(), a.end(), b.begin(), size_t(0), std::plus<>(), std::not_equal_to<>());
}

TEST_F(DemoGame, ArchivesMountInOrderAndALooseFileWins) {
    EXPECT_NE(built->out.find("32 units"), std::string::npos) << built->out;
    // Where the viewer finds each file: pattern, name, source.
    const char* const kFound[][3] = {
        {"units\\*.fbi", "ARMSCOUT.fbi", "disk"},  // the loose file over its archived copy
        {"units\\*.fbi", "ARMGUARD.fbi", "Varnho1.GRB"}, {"units\\*.fbi", "CORTANK.fbi", "Varnho.GRB"},
        {"units\\*.fbi", "CORG0012.fbi", "Generated.GRB"},
        {"gamedata\\weapons.tdf", "weapons.tdf", "Varnho1.GRB"},  // the patch's over the game's
        {"fonts\\console.fnt", "console.fnt", "Varnho.GRB"},      // the game's over the viewer's fallback
        {"gamedata\\showcase.tdf", "showcase.tdf", "Showcase.GRB"}, {"palettes\\*.*", "palette.shd", "Varnho.GRB"},
        {"sounds\\Fenpup.wav", "Fenpup.wav", "Showcase.GRB"}, {"textures\\*.gaf", "Anim.gaf", "Varnho.GRB"},
    };
    for (const auto& [pattern, file, from] : kFound) {
        auto r = RunGrib({"vfs", "ls", pattern, "-C", game->str()});
        std::istringstream in(r.out);  // <source> <attributes> <size> <name>
        std::string source, attributes, size, name;
        bool found = false;
        while (in >> source >> attributes >> size >> name) found |= name == file && source == from;
        EXPECT_TRUE(found) << file << " from " << from << ":\n" << r.out << r.err;
    }
}

TEST_F(DemoGame, TheViewerLoadsEveryUnitWithItsCapabilities) {
    Loaded viewer(game->path());
    ASSERT_EQ(g_viewer.units.size(), std::size(kUnits) + 24);
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        const ViewerUnit* u = viewer.Unit(e.file);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(std::tuple(u->side, u->bmCode, u->canMove != 0, u->canActivate != 0, u->canFire != 0, u->weaponCount,
                             *u->name != 0, u->pieceSlots->slotCount > 3),
                  std::tuple(e.side, e.bmcode, e.moves, e.activates, e.fires, e.weapons, true, true));
        // Every weapon has a section of its own: reload time, display name
        // and a sound.
        for (int i = 0; i < e.weapons; ++i)
            EXPECT_TRUE(u->reloadTicks[i] > 0 && *u->soundName[i] && !std::strchr(u->weaponName[i], '_')) << i;
    }
    // The loose definition, not the archived copy; the patch's weapons.
    EXPECT_STREQ(viewer.Unit("ARMSCOUT")->description, "Fast Wheeled Scout");
    EXPECT_STREQ(viewer.Unit("ARMGUARD")->weaponName[0], "Gauss Cannon");
    EXPECT_STREQ(viewer.Unit("CORSTORM")->weaponName[1], "Storm Missile");
    // The font comes from the X11 6x13 font when it and pcf2bdf are there.
    if (fs::exists("/usr/share/fonts/X11/misc/6x13-ISO8859-1.pcf.gz") &&
        testsupport::RunProgram("pcf2bdf", {"-h"}).status != 127) {
        EXPECT_EQ(g_viewer.font[0], 13);
        EXPECT_LE(g_viewer.font[3], 32);  // starts at or below the space
    }
    // The generated units: as many per side, all armed, varied, and some
    // move or open.
    int generated = 0, named = 0, arm = 0, firing = 0, movers = 0, activators = 0;
    std::set<int32_t> pieceCounts;
    for (const ViewerUnit* u : g_viewer.units) {
        if (!GRIB_HasPrefix(u->description, "Generated ")) continue;
        ++generated;
        named += GRIB_HasPrefix(u->fileName, u->side == 1 ? "ARMG" : "CORG");
        arm += u->side == 1;
        firing += u->canFire != 0;
        movers += u->canMove != 0;
        activators += u->canActivate != 0;
        pieceCounts.insert(u->pieceSlots->slotCount);
    }
    EXPECT_EQ(std::tuple(generated, named, arm, firing), std::tuple(24, 24, 12, 24));
    EXPECT_TRUE(movers > 0 && activators > 0 && pieceCounts.size() > 2);
}

// Each unit drawn antialiased at 640x480 shows over its own side's
// background: it covers a good part of the middle of the view, and away
// from it the picture is the empty side's.
TEST_F(DemoGame, EveryUnitRendersOverItsSideBackground) {
    // A copy of the game with two units that draw nothing, one per side.
    TempDir empty;
    for (const auto& e : fs::directory_iterator(game->path()))
        fs::copy(e.path(), empty.path() / e.path().filename(), fs::copy_options::recursive);
    KitGame nothing;
    for (const char* file : {"ARMEMPTY", "COREMPTY"}) {
        KitGameUnit u;
        u.file = file;
        u.info = {{"Name", "Nothing"}, {"ObjectName", file}, {"Scale", "3"}};
        u.model.resize(1);
        u.model[0].name = "base";
        u.script = "function Create\n    return\n";
        u.archive = "";
        ASSERT_TRUE(KitAddUnit(nothing, u, nullptr));
    }
    ASSERT_TRUE(KitWriteGame(nothing, empty.str(), nullptr));
    const std::vector<uint8_t> backgrounds[2] = {Render(empty.str(), "COREMPTY", "0"),
                                                 Render(empty.str(), "ARMEMPTY", "0")};
    ASSERT_GT(Differing(backgrounds[0], backgrounds[1]), size_t(kWidth * kHeight / 2));

    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        const std::vector<uint8_t> frame = Render(game->str(), e.file, "0,1");
        const std::vector<uint8_t>& own = backgrounds[e.side];
        // The scale text in the bottom rows differs too; leave it out.
        size_t inside = 0, outside = 0;
        int left = kWidth, right = -1, top = kHeight, bottom = -1;
        for (int y = 0; y < kHeight - 20; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const size_t i = size_t(y) * kWidth + size_t(x);
                if (frame[i] == own[i]) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                (std::abs(x - kWidth / 2) < 200 && std::abs(y - kHeight / 2) < 180 ? inside : outside)++;
            }
        EXPECT_GT(inside, size_t(kWidth * kHeight / 200)) << "the unit covers too little of the view";
        EXPECT_EQ(outside, 0u) << "pixels changed far from the unit";
        EXPECT_TRUE(left < kWidth / 2 && right > kWidth / 2 && top < kHeight / 2 && bottom > kHeight / 2);
    }
}

// Each action button makes the unit's script animate it: the frames after
// the press differ from the same frames without it, and a unit without the
// script functions does not change.
TEST_F(DemoGame, ActionsAnimateTheUnits) {
    constexpr int w = 240, h = 180;
    // Frames of 2 ticks after a first frame of 0, the press before frame 1;
    // the frames after 3 and after 16 steps are compared.
    std::map<std::pair<std::string, int>, std::vector<uint8_t>> still;
    auto changes = [&](const std::string& unit, const char* press) {
        int changed = 0;
        for (int steps : {3, 16}) {
            std::string frames = "0";
            for (int i = 0; i < steps; ++i) frames += ",2";
            auto& base = still[{unit, steps}];
            if (base.empty()) base = Render(game->str(), unit, frames, "", w, h);
            changed += Differing(base, Render(game->str(), unit, frames, std::string(press) + "@1", w, h)) > 20;
        }
        return changed;
    };
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        // Parts open and stay open; a unit without the functions stays still.
        EXPECT_EQ(changes(e.file, "1014"), e.activates ? 2 : 0) << "Activate";
        for (auto [press, has] : {std::pair{"1024", e.moves}, {"1011", e.fires}, {"1012", e.fires}})
            EXPECT_TRUE(!has || changes(e.file, press) >= 1) << "press " << press;
    }
}

#if defined(SHOWCASE_TEST_PLATFORM_SOUND) && !defined(_WIN32)  // SDL's disk driver exists only on the SDL side
// Firing through the frame driver plays the weapon's sound on the audio
// device (SDL's disk driver writes what it plays to a file).
TEST_F(DemoGame, AFiredWeaponIsHeard) {
    TempDir heard;
    const fs::path audio = heard.path() / "audio.raw";
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
            setenv("SDL_DISKAUDIODELAY", "1", 1);
            Loaded viewer(game->path());
            g_viewerHooks.playSound = PlatformPlaySound;
            ViewerUnit* tank = viewer.Unit("CORTANK");
            g_viewer.currentUnit = tank;
            g_viewer.currentSide = tank->side;
            GribBitmap* surface = GRIB_CreateBitmap("Render Surface", 160, 120);
            DrawView(nullptr, surface, 0);
            UnitCommand(tank, 1012);
            for (int i = 0; i < 10 && g_viewer.soundCache->count == 0; ++i) DrawView(nullptr, surface, 1);
            const SoundCache* cache = g_viewer.soundCache;
            const int status = cache->count == 1 && !std::strcmp(cache->entries[0].name, "cannon1") ? 0 : 3;
            for (int i = 0; i < 300 && PlatformSoundPlaying(); ++i) PlatformSleep(10);
            PlatformSleep(100);
            StopSound();
            DeleteTempPalette();  // _Exit skips the clean-up
            std::_Exit(status);
        },
        ::testing::ExitedWithCode(0), "");
    // Silence is all 0 (signed samples) or all 0x80 (unsigned 8-bit).
    size_t sound = 0;
    for (uint8_t b : testsupport::ReadBytes(audio)) sound += b != 0 && b != 0x80;
    EXPECT_GT(sound, 1000u) << "only silence reached the device";
}
#endif

TEST(DemoTool, UsageErrorsAndWhereTheSourcesComeFrom) {
    TempDir dir, broken;
    // A copy of the sources with a script that does not assemble.
    fs::copy(fs::path(SHOWCASE_SOURCE_DIR) / "demo", broken.path(), fs::copy_options::recursive);
    broken.write("scripts/CORMEX.asm", std::string("function Create\n    frobnicate\n"));
    const std::string out = (dir.path() / "out").string(), sources = SHOWCASE_SOURCE_DIR "/demo", bad = broken.str();
    // The command, $SHOWCASE_DEMO_DIR, the exit status and a part of what it says.
    const struct { std::vector<std::string> args; const char* environment; int status; std::string said; } cases[] = {
        {{"demo", "--help"}, nullptr, 0, "SHOWCASE_DEMO_DIR"},
        {{"demo"}, nullptr, 2, "grib: demo: missing OUTDIR"},
        {{"demo", out, "--units", "many"}, nullptr, 2, "--units"},
        {{"demo", out, "--units", "-3"}, nullptr, 2, "--units"},
        {{"demo", out, "--frobnicate"}, nullptr, 2, "unknown option"},
        {{"demo", out, "--source", (dir.path() / "nowhere").string()}, nullptr, 1, "no demo sources"},
        {{"demo", out, "--source", bad}, nullptr, 2, "CORMEX.asm: line 2"},
        // $SHOWCASE_DEMO_DIR over the build's own copy; --source over both.
        {{"demo", out}, bad.c_str(), 2, "CORMEX.asm: line 2"},
        {{"demo", out, "--source", sources, "--units", "2"}, bad.c_str(), 0, "10 units"},
        {{"demo", out, "--source", sources}, nullptr, 0, "8 units"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        if (c.environment) setenv("SHOWCASE_DEMO_DIR", c.environment, 1);
        auto r = RunGrib(c.args);
        unsetenv("SHOWCASE_DEMO_DIR");
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
    }
    // Building again without generated units dropped their archive.
    EXPECT_FALSE(fs::exists(fs::path(out) / "Generated.GRB"));
}

}  // namespace
