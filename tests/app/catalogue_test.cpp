// Which units the catalogue keeps, and what it reads from their files.
#include "app/hooks.h"
#include "tests/app/app_support.h"

namespace {

using apptest::SampleWith;
using apptest::ScriptedUnit;

std::vector<std::string> g_status;

// What the catalogue read for a unit, in one line.
std::string Fields(const ViewerUnit* u) {
    if (!u) return "<not loaded>";
    char s[1200];
    std::snprintf(s, sizeof s, "%s|%s|%d|%s|%d %d %d|%g %g %g %g|%g|side %d", u->name, u->description, u->bmCode,
                  u->mobileCode, u->buildCostEnergy, u->buildCostMetal, u->buildTime, u->maxVelocity, u->acceleration,
                  u->turnRate, u->maxDamage, u->view.scale, u->side);
    return s;
}
std::string Weapons(const ViewerUnit* u) {
    std::string s = std::to_string(u->weaponCount);
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i)
        s += " | " + std::string(u->weaponName[i]) + " " + std::to_string(u->reloadTicks[i]) + " " +
             std::to_string(u->aimRate[i]) + " " + u->soundName[i] + (WeaponSlotEmpty(u, i) ? " empty" : "") +
             (u->aim[i].aimed ? " aimed" : "");
    return s;
}
std::string Abilities(const ViewerUnit* u) {
    return std::string(u->canFire ? "fire " : "") + (u->canActivate ? "activate " : "") + (u->canMove ? "move" : "");
}

class CatalogueTest : public apptest::GameTest {
protected:
    void TearDown() override {
        g_viewerHooks.loadingStatus = nullptr;
        GameTest::TearDown();
    }
};

TEST_F(CatalogueTest, KeepsCompleteArmAndCoreUnitsAndReadsTheirFiles) {
    units = {KitSampleUnit("ARMTANK", "Arm Tank"), KitSampleUnit("corsmall", "Small Core"), KitSampleUnit("SCOUT", "Scout"),
             SampleWith("ARMFULL", {{"Name", std::string(300, 'N')}, {"Description", "A tank"}, {"BMcode", "7"},
                                    {"MobileCode", std::string(40, 'M')}, {"BuildCostEnergy", "-12"},
                                    {"MaxVelocity", "1.25"}, {"Acceleration", "0.5"}, {"TurnRate", "300.5deg"},
                                    {"MaxDamage", "77.75"}, {"Scale", "1.25"}}),
             SampleWith("CORZERO", {{"Scale", "0"}}),
             SampleWith("CORABS", {{"Scale", ""}, {"BMcode", ""}, {"MaxVelocity", ""}, {"Description", ""}}),
             SampleWith("CORNOOBJ", {{"ObjectName", ""}}), KitSampleUnit("ARMNOSCR", "No Script"),
             KitSampleUnit("ARMNOMDL", "No Model"), KitSampleUnit("ARMLOOSE", "Loose Files")};
    units[7].skipScript = true;
    units[8].skipModel = true;
    units[9].archive = "";
    g_status.clear();
    g_viewerHooks.loadingStatus = [](const char* text) { g_status.push_back(text); };
    Load();
    // Loose files first, then the archive's, each in case-insensitive name order.
    EXPECT_EQ(Files(), (std::vector<std::string>{"ARMLOOSE", "ARMFULL", "ARMTANK", "CORABS", "corsmall", "CORZERO"}));
    EXPECT_EQ(g_status, (std::vector<std::string>{"Data files", "Textures", "Loose Files", std::string(255, 'N'),
                                                  "Arm Tank", "CORABS", "Small Core", "CORZERO"}));
    EXPECT_EQ(Fields(Unit("ARMTANK")), "Arm Tank|Arm Tank of the sample set|1|TANK|1200 150 3000|1.5 0.1 500 900|1|side 1");
    EXPECT_EQ(Fields(Unit("ARMFULL")),
              std::string(255, 'N') + "|A tank|7|" + std::string(31, 'M') + "|-12 150 3000|1.25 0.5 300.5 77.75|1.25|side 1");
    EXPECT_EQ(Fields(Unit("CORZERO")), "CORZERO|CORZERO of the sample set|1|TANK|1200 150 3000|1.5 0.1 500 900|1|side 0");
    EXPECT_EQ(Fields(Unit("CORABS")), "CORABS||0|TANK|1200 150 3000|0 0.1 500 900|1|side 0");
}

TEST_F(CatalogueTest, WeaponsConvertTimesAndRatesAndTakeDisplayNames) {
    options.weapons = {apptest::Weapon("SLOW", {{"reloadtime", "1.5"}, {"aimrate", "16384"}, {"soundstart", "boom"}}),
                       apptest::Weapon("FINE", {{"reloadtime", "0.99"}, {"aimrate", "100"}, {"name", "Fine Laser"}}),
                       apptest::Weapon("BACK", {{"aimrate", "-16384"}})};
    units = {SampleWith("ARMGUNS", {{"Weapon1", "slow"}, {"Weapon2", "FINE"}, {"Weapon3", "BACK"}}),
             SampleWith("ARMMISS", {{"Weapon1", "NOSUCH"}, {"Weapon2", ""}, {"Weapon3", "none"}}),
             SampleWith("CORNONE", {{"Weapon1", "NONE"}})};
    Load();
    // Reload seconds to ticks and aim rates to degrees, both truncated; an
    // absent key is a weapon without a name.
    EXPECT_EQ(Weapons(Unit("ARMGUNS")), "3 | slow 45 90 boom | Fine Laser 29 0  | BACK 0 -90 ");
    EXPECT_EQ(Weapons(Unit("ARMMISS")), "2 | NOSUCH 0 0  |  0 0  | none 0 0  empty");
    EXPECT_EQ(Weapons(Unit("CORNONE")), "0 | NONE 0 0  empty | NONE 0 0  empty | NONE 0 0  empty");
}

TEST_F(CatalogueTest, AbilitiesFollowTheScriptsFunctionPairs) {
    const std::string base = "piece base hull turret barrel\nfunction Create\n return\n";
    units = {ScriptedUnit("ARMSEC", base + "function AimSecondary\n push 1\n return\nfunction FireSecondary\n return\n"),
             ScriptedUnit("ARMHALF", base + "function Activate\n return\nfunction AimPrimary\n return\n"
                                            "function FireTertiary\n return\nfunction StartMoving\n return\n"),
             ScriptedUnit("ARMALL", KitTankScript()),
             ScriptedUnit("CORCASE", base + "function activate\n return\nfunction deactivate\n return\n")};
    Load();
    for (auto [file, abilities] : {std::pair{"ARMSEC", "fire "}, {"ARMHALF", ""}, {"ARMALL", "fire activate move"},
                                   {"CORCASE", ""}})  // function names are exact
        EXPECT_EQ(Abilities(Unit(file)), abilities) << file;
}

TEST_F(CatalogueTest, SidesStartTurnedAndSpinningOppositeWays) {
    units = {KitSampleUnit("ARMTANK", "Arm"), KitSampleUnit("CORTANK", "Core")};
    Load();
    // Turned an eighth of a turn about y and x; the spin, the light.
    for (auto [file, want] : {std::pair{"ARMTANK", "-0.785398 -0.785398 0.0092 -2.25"},
                              {"CORTANK", "0.785398 -0.785398 -0.0092 -2.25"}}) {
        ViewerUnit* u = Unit(file);
        ASSERT_NE(u, nullptr);
        char s[100];
        std::snprintf(s, sizeof s, "%g %g %g %g", u->wrapper->angleY, u->wrapper->angleX, u->spin, u->view.lightZ);
        EXPECT_EQ(std::string(s), want);
        EXPECT_EQ(u->wrapper->child, u->model);
    }
}

TEST_F(CatalogueTest, TheWrapperCentresThirtyPercentUpTheModel) {
    KitGameUnit u = KitSampleUnit("ARMTALL", "Tall");
    const int32_t m = 163840;  // one model unit
    // Siblings of the root share its accumulated height 0.
    u.model = {{"root", "", {0, 2 * m, 0}, -1, {{0, -4 * m, 0}, {m, 0, 0}, {0, 0, m}}, {},
                {{"child", "", {0, 3 * m, 0}, -1, {{0, 3 * m, 0}, {0, m, 0}}, {}, {}}}},
               {"side", "", {0, 0, 0}, -1, {{0, m, 0}}, {}, {}}};
    u.script = "piece root child side\nfunction Create\n return\n";
    units.push_back(u);
    Load();
    ViewerUnit* t = Unit("ARMTALL");
    ASSERT_NE(t, nullptr);
    double lowest = 10000.0, highest = -10000.0;
    MeasureHeight(t->model, lowest, highest, 0.0);
    EXPECT_NEAR(lowest, -2.0, 1e-5);
    EXPECT_NEAR(highest, 8.0, 1e-5);
    EXPECT_NEAR(t->wrapper->offset[1], -1.0, 1e-5);
}

TEST_F(CatalogueTest, StartsCreateAndShowcaseAtOnceAndDemoAtTheNextUpdate) {
    units.push_back(ScriptedUnit(
        "ARMSTART",
        "piece base hull turret barrel\nstatic created shown demo heading pitch\n"
        "function Create\n push 1\n pop_static created\n push 99\n pop_static heading\n return\n"
        "function Showcase\n push_static created\n pop_static shown\n return\n"
        "function Demo\n push 3\n pop_static demo\n return\n"
        "function AimPrimary\n push_local 0\n pop_static heading\n push_local 1\n pop_static pitch\n push 1\n return\n"
        "function FirePrimary\n return\n"));
    Load();
    ViewerUnit* u = Unit("ARMSTART");
    ASSERT_NE(u, nullptr);
    const int32_t* s = u->script->statics;
    EXPECT_EQ(std::vector<int32_t>(s, s + 5), (std::vector<int32_t>{1, 1, 0, 99, 0})) << "Showcase ran after Create";
    EXPECT_EQ(u->aim[0].aimed, 0) << "the first aim is queued";
    UpdateUnit(u, 0);
    EXPECT_EQ(std::vector<int32_t>(s, s + 5), (std::vector<int32_t>{1, 1, 3, 0, 0}));
    EXPECT_EQ(u->aim[0].aimed, 1);
    EXPECT_EQ(u->aim[1].aimed, 0) << "no AimSecondary: told 0";
}

}  // namespace
