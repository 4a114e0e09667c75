// Settings, the temporary palette, the start-up failures and fitting images.
#include <cstring>
#include <filesystem>

#include "app/backgrounds.h"
#include "app/settings.h"
#include "grib/draw/draw.h"
#include "grib/palette/palette.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
namespace fs = std::filesystem;

class SettingsTest : public GameTest {};

TEST_F(SettingsTest, ResourcesAndThePaletteWithTheSystemColours) {
    options.webSite = std::string(300, 'w');
    Load();
    EXPECT_EQ(std::string(g_viewer.webSite), std::string(259, 'w'));
    EXPECT_STREQ(g_viewer.logoName, "showcase\\logo.pcx");
    EXPECT_STREQ(g_viewer.armBackgroundName, "showcase\\armback.pcx");
    EXPECT_STREQ(g_viewer.coreBackgroundName, "showcase\\coreback.pcx");
    EXPECT_EQ(GRIB_GetEnvironment()->textTransparent, 9u);
    EXPECT_EQ(GRIB_GetEnvironment()->flags & (GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE), GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE);
    // The first and last ten entries are the system colours; the file goes at the end.
    const std::string name = g_viewer.tempPaletteName;
    EXPECT_EQ(fs::path(name).filename().string().substr(0, 3), "SHW");
    EXPECT_EQ(fs::file_size(name), 1024u);
    const std::vector<uint8_t> game = KitGamePalette();
    for (int i = 0; i < 256; ++i) {
        const uint8_t* want = i < 10 ? kSystemColours[i] : i >= 246 ? kSystemColours[i - 236] : &game[size_t(4 * i)];
        EXPECT_EQ(std::vector<uint8_t>(g_viewer.palette + 4 * i, g_viewer.palette + 4 * i + 4),
                  (std::vector<uint8_t>{want[0], want[1], want[2], game[size_t(4 * i + 3)]})) << i;
    }
    EXPECT_EQ(g_viewer.palette[4 * 9 + 2], 240);  // the sky blue of entry 9
    ViewerShutdownData();
    EXPECT_FALSE(fs::exists(name));
    EXPECT_STREQ(g_viewer.tempPaletteName, "");
    DeleteTempPalette();  // twice is fine
}

TEST_F(SettingsTest, ScreenWidthScalesTheBaseScaleUnlessSwitchedOff) {
    KitGame game;
    KitAddBase(game, options);
    ASSERT_TRUE(KitWriteGame(game, dir.str(), nullptr));
    testsupport::ScopedCwd in(dir.path());
    for (auto [byScreen, scale] : {std::pair{true, 4.0}, {false, 2.5}}) {
        ViewerReset();
        g_viewer.scaleByScreen = byScreen;
        ViewerLoadData(1024);
        EXPECT_DOUBLE_EQ(g_viewer.baseScale, scale);
    }
    ViewerReset();
}

// Each start-up failure ends the process with its message and status 1,
// and the temporary palette does not outlive it.
struct Failure {
    const char* what;
    void (*damage)(KitGame&, KitGameOptions&);
    const char* message;
};

const Failure kFailures[] = {
    {"settings", [](KitGame& g, KitGameOptions&) { g.Remove("gamedata\\showcase.tdf"); },
     "Could not open the Showcase information file"},
    {"section", [](KitGame& g, KitGameOptions& o) { g.AddText("gamedata\\showcase.tdf", "[OTHER]{website=x;}", o.viewerArchive); },
     "Could not find the Resource section in the Showcase information file"},
    {"website", [](KitGame& g, KitGameOptions& o) { g.AddText("gamedata\\showcase.tdf", "[RESOURCES]{logo=x;}", o.viewerArchive); },
     "Could not get the Web Site address"},
    {"logo", [](KitGame& g, KitGameOptions& o) { g.AddText("gamedata\\showcase.tdf", "[RESOURCES]{website=x;}", o.viewerArchive); },
     "Could not get the Logo Image name"},
    {"arm", [](KitGame& g, KitGameOptions& o) { g.AddText("gamedata\\showcase.tdf", "[RESOURCES]{website=x;logo=y;corebackground=z;}", o.viewerArchive); },
     "Could not get the Arm Background Image name"},
    {"core", [](KitGame& g, KitGameOptions& o) { g.AddText("gamedata\\showcase.tdf", "[RESOURCES]{website=x;logo=y;armbackground=z;}", o.viewerArchive); },
     "Could not get the Core Background Image name"},
    {"font", [](KitGame& g, KitGameOptions&) { g.Remove("fonts\\console.fnt"); }, "Could not load the font file"},
    {"palette", [](KitGame& g, KitGameOptions&) { g.Remove("palettes\\palette.pal"); }, "Could not load the palette"},
    {"alpha", [](KitGame& g, KitGameOptions&) { g.Remove("palettes\\palette.alp"); }, "Could not load the alpha table"},
    {"shade", [](KitGame& g, KitGameOptions& o) { g.AddText("palettes\\palette.shd", "short", o.gameArchive); },
     "Could not load the shade table"},
    {"weapons", [](KitGame& g, KitGameOptions&) { g.Remove("gamedata\\weapons.tdf"); }, "Could not open the weapons file"},
};

TEST_F(SettingsTest, StartUpFailuresAreFatalAndRemoveThePaletteFile) {
    for (const Failure& f : kFailures) {
        testsupport::TempDir game;
        testsupport::TempDir temp;
        KitGame g;
        KitAddBase(g, options);
        f.damage(g, options);
        ASSERT_TRUE(KitWriteGame(g, game.str(), nullptr));
        EXPECT_EXIT(
            {
                setenv("TMPDIR", temp.str().c_str(), 1);
                testsupport::ScopedCwd in(game.path());
                ViewerLoadData(0);
                std::exit(0);
            },
            ::testing::ExitedWithCode(1), std::string("Fatal Error: ") + f.message)
            << f.what;
        EXPECT_TRUE(fs::is_empty(temp.path())) << f.what;
    }
}

TEST_F(SettingsTest, MissingBackgroundsAreFatalOnTheFirstFrame) {
    extra.push_back({"showcase\\armback.pcx", {1, 2, 3}, ""});  // loose and damaged: overrides the archive
    Load();
    auto surface = apptest::MakeSurface(32, 32);
    EXPECT_EXIT(DrawView(nullptr, surface.get(), 0), ::testing::ExitedWithCode(1),
                "Fatal Error: Could not load the background art");
}

TEST_F(SettingsTest, FitImageScalesThroughADoubleSizeSurface) {
    Load();
    GribBitmap* image = GRIB_CreateBitmap("source", 4, 2);
    std::memset(image->pixels, 77, 8);
    GribBitmap* same = image;
    FitImage(&image, 4, 2);
    EXPECT_EQ(image, same) << "already the size: untouched";
    // Every 2 x 2 block of the stretched copy is one colour, which halves to
    // the alpha mix of that colour with itself, edges included.
    const uint8_t* alpha = GRIB_GetEnvironment()->alphaTable;
    const uint8_t mixed = alpha[alpha[77 * 256 + 77] * 256 + alpha[77 * 256 + 77]];
    for (auto [w, h] : {std::pair{8u, 6u}, {3u, 1u}}) {
        FitImage(&image, int32_t(w), int32_t(h));
        EXPECT_STREQ(GRIB_BlockTag(image), "Final Image");
        ASSERT_EQ(image->width * image->height, w * h);
        EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + w * h), std::vector<uint8_t>(w * h, mixed));
    }
    GRIB_FreeBitmap(image);
}

}  // namespace
