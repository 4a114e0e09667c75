// The demo game: built by `grib demo` and checked through the product itself
// (the file system listing, the unit catalogue, the frame driver and the
// sound device).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "app/frame.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/display/bitmap.h"
#include "kit/model/model_builder.h"
#include "kit/script/script_asm.h"
#include "platform/system.h"
#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunGrib;
using testsupport::TempDir;

// ---------------------------------------------------------------------------
// A small JSON reader for the catalogue.

struct Json {
    enum Kind { NUL, BOOL, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    bool b = false;
    double n = 0;
    std::string s;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
    const Json& operator[](const std::string& key) const {
        static const Json none;
        auto it = fields.find(key);
        return it == fields.end() ? none : it->second;
    }
};

struct JsonReader {
    const std::string& t;
    size_t at = 0;
    bool ok = true;
    void Space() {
        while (at < t.size() && std::isspace(static_cast<unsigned char>(t[at]))) ++at;
    }
    bool Eat(char c) {
        Space();
        if (at < t.size() && t[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    std::string String() {
        std::string out;
        if (!Eat('"')) return ok = false, out;
        while (at < t.size() && t[at] != '"') {
            char c = t[at++];
            if (c == '\\' && at < t.size()) {
                c = t[at++];
                if (c == 'n') c = '\n';
                else if (c == 't') c = '\t';
                else if (c == 'u') {
                    c = char(std::stoi(t.substr(at, 4), nullptr, 16));
                    at += 4;
                }
            }
            out += c;
        }
        ++at;
        return out;
    }
    Json Value() {
        Json v;
        Space();
        if (at >= t.size()) return ok = false, v;
        const char c = t[at];
        if (c == '{') {
            ++at;
            v.kind = Json::OBJECT;
            if (Eat('}')) return v;
            do {
                std::string key = String();
                if (!Eat(':')) return ok = false, v;
                v.fields[key] = Value();
            } while (ok && Eat(','));
            if (!Eat('}')) ok = false;
        } else if (c == '[') {
            ++at;
            v.kind = Json::ARRAY;
            if (Eat(']')) return v;
            do v.items.push_back(Value());
            while (ok && Eat(','));
            if (!Eat(']')) ok = false;
        } else if (c == '"') {
            v.kind = Json::STRING;
            v.s = String();
        } else if (t.compare(at, 4, "true") == 0 || t.compare(at, 5, "false") == 0) {
            v.kind = Json::BOOL;
            v.b = t[at] == 't';
            at += v.b ? 4 : 5;
        } else if (t.compare(at, 4, "null") == 0) {
            at += 4;
        } else {
            v.kind = Json::NUMBER;
            size_t used = 0;
            v.n = std::stod(t.substr(at, 40), &used);
            at += used;
        }
        return v;
    }
};

Json ParseJson(const std::string& text) {
    JsonReader r{text};
    Json v = r.Value();
    EXPECT_TRUE(r.ok) << "not JSON: " << text.substr(0, 200);
    return v;
}

bool Truth(const Json& v) { return v.kind == Json::BOOL ? v.b : v.n != 0; }

// ---------------------------------------------------------------------------

struct Expected {
    const char* file;
    const char* side;
    int bmcode;
    bool moves, activates, fires;
    int weapons;
};
const Expected kUnits[] = {
    {"ARMSCOUT", "ARM", 1, true, false, true, 1},    {"ARMSTRIDE", "ARM", 1, true, false, true, 2},
    {"ARMSOLAR", "ARM", 0, false, true, false, 0},   {"ARMGUARD", "ARM", 0, false, true, true, 3},
    {"CORTANK", "CORE", 1, true, false, true, 1},    {"CORCRAWL", "CORE", 1, true, false, true, 2},
    {"CORMEX", "CORE", 0, false, true, false, 0},    {"CORSTORM", "CORE", 1, true, false, true, 3}};

constexpr int kWidth = 640, kHeight = 480;

class DemoGame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        game = new TempDir;
        built = new testsupport::ToolResult(RunGrib({"demo", game->str()}));
    }
    static void TearDownTestSuite() {
        delete built;
        delete game;
        built = nullptr;
        game = nullptr;
    }
    void SetUp() override { ASSERT_EQ(built->status, 0) << built->err; }

    // `grib vfs ls PATTERN`: name -> source.
    static std::map<std::string, std::string> Sources(const std::string& pattern, const std::string& dir) {
        auto r = RunGrib({"vfs", "ls", pattern, "-C", dir});
        EXPECT_EQ(r.status, 0) << r.err;
        std::map<std::string, std::string> out;
        std::istringstream in(r.out);
        std::string source, attributes, size, name;
        while (in >> source >> attributes >> size >> name) out[name] = source + " " + size;
        return out;
    }

    // The last frame of `grib render` as palette indices.
    static std::vector<uint8_t> Render(const std::string& dir, const std::string& unit, const std::string& frames,
                                       const std::vector<std::string>& presses = {}, int w = kWidth, int h = kHeight,
                                       const std::string& png = "") {
        TempDir out;
        const std::string raw = (out.path() / "frame.raw").string();
        std::vector<std::string> args = {"render", "-C", dir, "--unit", unit, "--size",
                                         std::to_string(w) + "x" + std::to_string(h), "--out", raw,
                                         "--frames", frames, "--antialias", "1"};
        for (const std::string& p : presses) args.insert(args.end(), {"--press", p});
        auto r = RunGrib(args);
        EXPECT_EQ(r.status, 0) << unit << ": " << r.err;
        if (!png.empty()) {
            args[8] = png;
            auto p = RunGrib(args);
            EXPECT_EQ(p.status, 0) << unit << ": " << p.err;
        }
        std::vector<uint8_t> bytes = testsupport::ReadBytes(raw);
        EXPECT_EQ(bytes.size(), size_t(w) * size_t(h)) << unit;
        return bytes;
    }

    static TempDir* game;
    static testsupport::ToolResult* built;
};

TempDir* DemoGame::game = nullptr;
testsupport::ToolResult* DemoGame::built = nullptr;

size_t Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) n += a[i] != b[i];
    return n;
}

// ---------------------------------------------------------------------------

TEST_F(DemoGame, ArchivesMountInOrderAndALooseFileWins) {
    EXPECT_NE(built->out.find("8 units"), std::string::npos) << built->out;
    const std::string dir = game->str();
    for (const char* f : {"Varnho.GRB", "Varnho1.GRB", "Showcase.GRB", "units/ARMSCOUT.fbi"})
        EXPECT_TRUE(fs::exists(game->path() / f)) << f;

    auto units = Sources("units\\*.fbi", dir);
    ASSERT_EQ(units.size(), 8u);
    EXPECT_EQ(units["ARMSCOUT.fbi"].rfind("disk ", 0), 0u);  // the loose file over its archived copy
    EXPECT_EQ(units["ARMGUARD.fbi"].rfind("Varnho1.GRB ", 0), 0u);
    EXPECT_EQ(units["CORTANK.fbi"].rfind("Varnho.GRB ", 0), 0u);
    // The patch's weapons file wins over the game's; the game's font over the
    // viewer's fallback; the viewer's own archive supplies its settings.
    EXPECT_EQ(Sources("gamedata\\weapons.tdf", dir)["weapons.tdf"].rfind("Varnho1.GRB ", 0), 0u);
    EXPECT_EQ(Sources("fonts\\console.fnt", dir)["console.fnt"].rfind("Varnho.GRB ", 0), 0u);
    EXPECT_EQ(Sources("gamedata\\showcase.tdf", dir)["showcase.tdf"].rfind("Showcase.GRB ", 0), 0u);
    EXPECT_EQ(Sources("sounds\\Fenpup.wav", dir)["Fenpup.wav"].rfind("Showcase.GRB ", 0), 0u);

    auto palettes = Sources("palettes\\*.*", dir);
    EXPECT_EQ(palettes["palette.pal"], "Varnho.GRB 1024");
    EXPECT_EQ(palettes["palette.alp"], "Varnho.GRB 65536");
    EXPECT_EQ(palettes["palette.shd"], "Varnho.GRB 8192");
    auto textures = Sources("textures\\*.gaf", dir);
    EXPECT_TRUE(textures.count("Logos.gaf"));
    EXPECT_GE(textures.size(), 3u);

    auto settings = RunGrib({"vfs", "cat", "gamedata\\showcase.tdf", "-C", dir});
    ASSERT_EQ(settings.status, 0);
    const size_t at = settings.out.find("website=");
    ASSERT_NE(at, std::string::npos);
    const std::string value = settings.out.substr(at + 8, settings.out.find(';', at) - at - 8);
    EXPECT_FALSE(value.empty());
    EXPECT_EQ(value.find("//"), std::string::npos) << value;

    // The font comes from the X11 6x13 font when it and pcf2bdf are there.
    auto font = RunGrib({"vfs", "cat", "fonts\\console.fnt", "-C", dir});
    ASSERT_EQ(font.status, 0);
    ASSERT_GT(font.out.size(), 4u);
    if (fs::exists("/usr/share/fonts/X11/misc/6x13-ISO8859-1.pcf.gz") &&
        testsupport::RunProgram("pcf2bdf", {"-h"}).status != 127) {
        EXPECT_EQ(uint8_t(font.out[0]), 13);
        EXPECT_LE(uint8_t(font.out[3]), 32);  // starts at or below the space
    }
}

TEST_F(DemoGame, CatalogueListsEveryUnitWithItsCapabilities) {
    auto r = RunGrib({"units", "-C", game->str(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json list = ParseJson(r.out);
    ASSERT_EQ(list.kind, Json::ARRAY);
    ASSERT_EQ(list.items.size(), std::size(kUnits));
    std::map<std::string, const Json*> byFile;
    for (const Json& u : list.items) byFile[u["file"].s] = &u;
    int arm = 0, core = 0;
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        ASSERT_TRUE(byFile.count(e.file));
        const Json& u = *byFile[e.file];
        EXPECT_EQ(u["side"].s, e.side);
        (std::string(e.side) == "ARM" ? arm : core)++;
        EXPECT_EQ(int(u["bmcode"].n), e.bmcode);
        EXPECT_EQ(Truth(u["can_move"]), e.moves);
        EXPECT_EQ(Truth(u["can_activate"]), e.activates);
        EXPECT_EQ(Truth(u["can_fire"]), e.fires);
        EXPECT_EQ(int(u["weapon_count"].n), e.weapons);
        EXPECT_FALSE(u["name"].s.empty());
        EXPECT_GT(u["pieces"].n, 3);
        ASSERT_EQ(u["weapons"].items.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const Json& w = u["weapons"].items[size_t(i)];
            if (i < e.weapons) {
                // Every weapon has a section of its own: reload time, display
                // name and a sound.
                EXPECT_FALSE(Truth(w["empty"]));
                EXPECT_GT(w["reload_ticks"].n, 0) << i;
                EXPECT_FALSE(w["sound"].s.empty()) << i;
                EXPECT_EQ(w["name"].s.find('_'), std::string::npos) << w["name"].s;
            } else {
                EXPECT_TRUE(Truth(w["empty"])) << i;
            }
        }
    }
    EXPECT_EQ(arm, 4);
    EXPECT_EQ(core, 4);
    // The loose definition, not the archived copy; the patch's weapons.
    EXPECT_EQ((*byFile["ARMSCOUT"])["description"].s, "Fast Wheeled Scout");
    EXPECT_EQ((*byFile["ARMGUARD"])["weapons"].items[0]["name"].s, "Gauss Cannon");
    EXPECT_EQ((*byFile["CORSTORM"])["weapons"].items[1]["name"].s, "Storm Missile");
}

// Each unit drawn antialiased at 640x480 shows over its own side's
// background: it covers a good part of the middle of the view, and away
// from it the picture is the empty side's.
TEST_F(DemoGame, EveryUnitRendersOverItsSideBackground) {
    // A copy of the game with two units that draw nothing, one per side.
    TempDir empty;
    for (const auto& e : fs::directory_iterator(game->path()))
        fs::copy(e.path(), empty.path() / e.path().filename(), fs::copy_options::recursive);
    KitModelPiece nothing;
    nothing.name = "base";
    std::vector<uint8_t> cob;
    std::string error;
    ASSERT_TRUE(AssembleScript("function Create\n    return\n", cob, error)) << error;
    for (const char* file : {"ARMEMPTY", "COREMPTY"}) {
        empty.write(std::string("units/") + file + ".fbi",
                    std::string("[UNITINFO]\n{\n\tName=Nothing;\n\tObjectName=") + file + ";\n\tScale=3;\n}\n");
        empty.write(std::string("objects3d/") + file + ".3do", KitWrite3do({nothing}));
        empty.write(std::string("scripts/") + file + ".cob", cob);
    }
    const std::vector<uint8_t> armBack = Render(empty.str(), "ARMEMPTY", "0");
    const std::vector<uint8_t> coreBack = Render(empty.str(), "COREMPTY", "0");
    ASSERT_GT(Differing(armBack, coreBack), size_t(kWidth * kHeight / 2));

    TempDir pictures;
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        const fs::path png = pictures.path() / (std::string(e.file) + ".png");
        const std::vector<uint8_t> frame = Render(game->str(), e.file, "0,1", {}, kWidth, kHeight, png.string());
        const std::vector<uint8_t> png1 = testsupport::ReadBytes(png);
        ASSERT_GT(png1.size(), 24u);
        EXPECT_EQ(std::memcmp(png1.data(), "\x89PNG\r\n\x1a\n", 8), 0);
        EXPECT_EQ((png1[16] << 24 | png1[17] << 16 | png1[18] << 8 | png1[19]), kWidth);
        EXPECT_EQ((png1[20] << 24 | png1[21] << 16 | png1[22] << 8 | png1[23]), kHeight);

        const std::vector<uint8_t>& own = std::string(e.side) == "ARM" ? armBack : coreBack;
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
        EXPECT_LT(left, kWidth / 2);
        EXPECT_GT(right, kWidth / 2);
        EXPECT_LT(top, kHeight / 2);
        EXPECT_GT(bottom, kHeight / 2);
    }
}

// Each action button makes the unit's script animate it: the frames after
// the press differ from the same frames without it, and a unit without the
// script functions does not change.
TEST_F(DemoGame, ActionsAnimateTheUnits) {
    constexpr int w = 240, h = 180;
    // Frames of 2 ticks after a first frame of 0; the press comes before
    // frame 1; the frame after `steps` steps is compared.
    auto frames = [](int steps) {
        std::string s = "0";
        for (int i = 0; i < steps; ++i) s += ",2";
        return s;
    };
    const int checkpoints[] = {3, 16};
    std::map<std::pair<std::string, int>, std::vector<uint8_t>> still;
    auto changes = [&](const std::string& unit, const char* press) {
        int changed = 0;
        for (int steps : checkpoints) {
            auto& base = still[{unit, steps}];
            if (base.empty()) base = Render(game->str(), unit, frames(steps), {}, w, h);
            changed += Differing(base, Render(game->str(), unit, frames(steps), {std::string(press) + "@1"}, w, h)) > 20;
        }
        return changed;
    };
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(e.file);
        if (e.activates) {
            // Parts open and stay open.
            EXPECT_GE(changes(e.file, "1014"), 2) << "Activate";
        } else {
            EXPECT_EQ(changes(e.file, "1014"), 0) << "Activate on a unit without the functions";
        }
        if (e.moves) {
            EXPECT_GE(changes(e.file, "1024"), 1) << "Move";
        }
        if (e.fires) {
            EXPECT_GE(changes(e.file, "1011"), 1) << "Aim";
            EXPECT_GE(changes(e.file, "1012"), 1) << "Fire";
        }
    }
}

#ifndef _WIN32  // SDL's disk driver exists only on the SDL side
// Firing through the frame driver plays the weapon's sound on the audio
// device (SDL's disk driver writes what it plays to a file).
TEST_F(DemoGame, AFiredWeaponIsHeard) {
    const fs::path audio = game->path() / ".." / (game->path().filename().string() + "-audio.raw");
    const std::string dir = game->str();
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
            setenv("SDL_DISKAUDIODELAY", "1", 1);
            testsupport::StartGrib();
            ViewerReset();
            testsupport::ScopedCwd cwd(dir);
            ViewerLoadData(0);
            g_playSound = PlatformPlaySound;
            ViewerUnit* tank = nullptr;
            for (ViewerUnit* u : g_viewer.units)
                if (!std::strcmp(u->fileName, "CORTANK")) tank = u;
            if (!tank) std::_Exit(2);
            g_viewer.currentUnit = tank;
            g_viewer.currentSide = tank->side;
            GribBitmap* surface = GRIB_CreateBitmap("Render Surface", 160, 120);
            DrawView(nullptr, surface, 0);
            UnitCommand(tank, 1012);
            for (int i = 0; i < 10 && g_viewer.soundCache->count == 0; ++i) DrawView(nullptr, surface, 1);
            if (g_viewer.soundCache->count != 1 || std::strcmp(g_viewer.soundCache->entries[0].name, "cannon1"))
                std::_Exit(3);
            for (int i = 0; i < 300 && PlatformSoundPlaying(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            StopSound();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(fs::exists(audio));
    const std::vector<uint8_t> played = testsupport::ReadBytes(audio);
    fs::remove(audio);
    // Silence is all 0 (signed samples) or all 0x80 (unsigned 8-bit).
    size_t sound = 0;
    for (uint8_t b : played) sound += b != 0 && b != 0x80;
    EXPECT_GT(sound, 1000u) << "only silence reached the device";
}
#endif

TEST(DemoTool, GeneratedUnitsForScaleTests) {
    TempDir dir;
    auto r = RunGrib({"demo", dir.str(), "--units", "24"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.path() / "Generated.GRB"));
    auto list = RunGrib({"units", "-C", dir.str(), "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    const Json units = ParseJson(list.out);
    ASSERT_EQ(units.items.size(), 32u);
    int generated = 0, movers = 0, activators = 0, arm = 0;
    std::map<double, int> pieceCounts;
    for (const Json& u : units.items) {
        const std::string file = u["file"].s;
        if (u["description"].s.rfind("Generated ", 0) != 0) continue;
        EXPECT_TRUE(file.rfind("ARMG", 0) == 0 || file.rfind("CORG", 0) == 0) << file;
        ++generated;
        arm += u["side"].s == "ARM";
        movers += Truth(u["can_move"]);
        activators += Truth(u["can_activate"]);
        EXPECT_TRUE(Truth(u["can_fire"])) << file;
        pieceCounts[u["pieces"].n]++;
    }
    EXPECT_EQ(generated, 24);
    EXPECT_EQ(arm, 12);
    EXPECT_GT(movers, 0);
    EXPECT_GT(activators, 0);
    EXPECT_GT(pieceCounts.size(), 2u) << "the generated models should vary";
    auto frame = RunGrib({"render", "-C", dir.str(), "--unit", "CORG0003", "--size", "160x120", "--out",
                          (dir.path() / "g.raw").string(), "--frames", "0,5", "--press", "1012@1"});
    EXPECT_EQ(frame.status, 0) << frame.err;

    // Building again without generated units drops their archive.
    ASSERT_EQ(RunGrib({"demo", dir.str()}).status, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "Generated.GRB"));
}

TEST(DemoTool, UsageErrors) {
    EXPECT_EQ(RunGrib({"demo", "--help"}).status, 0);
    EXPECT_NE(RunGrib({"demo", "--help"}).out.find("--units"), std::string::npos);
    TempDir dir;
    auto missing = RunGrib({"demo"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err.rfind("grib: ", 0), 0u);
    EXPECT_EQ(RunGrib({"demo", dir.str(), "--units", "many"}).status, 2);
    EXPECT_EQ(RunGrib({"demo", dir.str(), "--units", "-3"}).status, 2);
    EXPECT_EQ(RunGrib({"demo", dir.str(), "--frobnicate"}).status, 2);
    EXPECT_EQ(RunGrib({"demo", dir.str(), "--source", (dir.path() / "nowhere").string()}).status, 1);

    // A demo source with a script that does not assemble is reported with
    // its line.
    TempDir source;
    fs::copy(fs::path(SHOWCASE_SOURCE_DIR) / "demo", source.path(), fs::copy_options::recursive);
    source.write("scripts/CORMEX.asm", std::string("function Create\n    frobnicate\n"));
    auto bad = RunGrib({"demo", (dir.path() / "out").string(), "--source", source.str()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("CORMEX.asm"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;
}

}  // namespace
