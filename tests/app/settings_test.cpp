// Settings, the temporary palette and fitting images (the start-up failures
// are in tool_test.cpp, with the tool's).
#include <cstring>
#include <filesystem>

#include "app/backgrounds.h"
#include "app/settings.h"
#include "grib/draw/draw.h"
#include "grib/palette/palette.h"
#include "tests/app/app_support.h"

namespace {

namespace fs = std::filesystem;
using SettingsTest = apptest::GameTest;

TEST_F(SettingsTest, ResourcesAndThePaletteWithTheSystemColours) {
    options.webSite = std::string(300, 'w');
    Load();
    EXPECT_EQ(std::string(g_viewer.webSite), std::string(259, 'w'));
    EXPECT_EQ(std::string(g_viewer.logoName) + " " + g_viewer.armBackgroundName + " " + g_viewer.coreBackgroundName,
              "showcase\\logo.pcx showcase\\armback.pcx showcase\\coreback.pcx");
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
        ASSERT_EQ(image->width * image->height, w * h);
        EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + w * h), std::vector<uint8_t>(w * h, mixed));
    }
    GRIB_FreeBitmap(image);
}

}  // namespace
