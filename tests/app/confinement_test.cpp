// Names in the game's files that point outside the game folder are missing
// files, although the files they name exist there.
#include <algorithm>

#include "app/hooks.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
using apptest::SetInfo;
using apptest::Weapon;

int g_plays = 0;

class ConfinementTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        g_plays = 0;
        g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return ++g_plays; };
        g_viewerHooks.setButtonText = [](int, const char*) {};
        // A sibling of the game folder, and every file a climbing name asks for.
        up = "..\\..\\" + outside.path().filename().string() + "\\";
        outside.write("evil.3do", KitWrite3do(KitTankModel()));
        outside.write("evil.wav", KitGameWav(700, 0.05));
        outside.write("evil.pcx", KitGameGradientPCX(128, 96, 0, KitGamePalette()));
        // Loose files, so the folders the climbing names start from are on disk.
        KitGameUnit loose = KitSampleUnit("ARMLOOSE", "Loose");
        loose.archive = "";
        units.push_back(loose);
        extra.push_back({"sounds\\loose.wav", KitGameWav(400, 0.05), ""});
    }
    testsupport::TempDir outside;
    std::string up;
};

TEST_F(ConfinementTest, UnitsWhoseModelLiesOutsideTheGameAreSkipped) {
    for (const auto& [file, object] : {std::pair<std::string, std::string>{"ARMUP", up + "evil"},
                                       {"ARMDEEP", "..\\objects3d\\" + up + "evil"},
                                       {"CORSLASH", "../../" + outside.path().filename().string() + "/evil"}}) {
        KitGameUnit u = KitSampleUnit(file, file);
        SetInfo(u, "ObjectName", object);
        u.skipModel = true;
        u.archive = "";
        units.push_back(u);
    }
    Load();
    EXPECT_EQ(Files(), (std::vector<std::string>{"ARMLOOSE"}));
}

TEST_F(ConfinementTest, AWeaponSoundOutsideTheGameIsNotPlayed) {
    options.weapons.push_back(Weapon("EVIL", {{"reloadtime", "0.1"}, {"soundstart", up + "evil"}}));
    for (const char* weapon : {"LASER", "EVIL"}) units.push_back(KitSampleUnit(std::string("ARM") + weapon, weapon, weapon));
    Load();
    for (auto [file, plays] : {std::pair{"ARMLASER", 1}, {"ARMEVIL", 0}}) {
        SCOPED_TRACE(file);
        ViewerUnit* u = Unit(file);
        ASSERT_NE(u, nullptr);
        g_plays = 0;
        g_viewer.currentUnit = u;
        for (int i = 0; i < 10; ++i) UpdateUnit(u, 1);
        UnitCommand(u, ID_FIRE);
        for (int i = 0; i < 30; ++i) UpdateUnit(u, 1);
        EXPECT_EQ(g_plays, plays);
    }
    EXPECT_EQ(g_viewer.soundCache->count, 1);
}

TEST_F(ConfinementTest, BackgroundsNamedOutsideTheGameAreMissing) {
    std::string absolute = (outside.path() / "evil.pcx").string();
    for (int form = 0; form < 2; ++form) {
        if (form) std::replace(absolute.begin(), absolute.end(), '/', '\\');
        SCOPED_TRACE(absolute);
        options.armBackground = absolute;
        Load();
        apptest::BitmapPtr surface = apptest::MakeSurface(64, 48);
        EXPECT_EXIT(DrawView(nullptr, surface.get(), 0), ::testing::ExitedWithCode(1),
                    "Fatal Error: Could not load the background art");
        ViewerReset();
        cwd.reset();
    }
}

}  // namespace
