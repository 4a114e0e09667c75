// Which units the catalogue keeps, and what it reads from their files.
#include <cmath>

#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
using apptest::ScriptedUnit;
using apptest::SetInfo;

std::vector<std::string> g_status;

class CatalogueTest : public GameTest {
protected:
    void TearDown() override {
        g_loadingStatusHandler = nullptr;
        GameTest::TearDown();
    }
};

TEST_F(CatalogueTest, KeepsCompleteArmAndCoreUnitsAndDropsTheRest) {
    units.push_back(KitSampleUnit("ARMTANK", "Arm Tank"));
    units.push_back(KitSampleUnit("CORTANK", "Core Tank"));
    units.push_back(KitSampleUnit("corsmall", "Small Core"));          // prefix in any case
    units.push_back(KitSampleUnit("SCOUT", "Scout"));                  // neither ARM nor CORE
    KitGameUnit noScript = KitSampleUnit("ARMNOSCR", "No Script");
    noScript.skipScript = true;
    units.push_back(noScript);
    KitGameUnit noModel = KitSampleUnit("ARMNOMDL", "No Model");
    noModel.skipModel = true;
    units.push_back(noModel);
    KitGameUnit noObject = KitSampleUnit("CORNOOBJ", "No Object");
    apptest::DropInfo(noObject, "ObjectName");
    units.push_back(noObject);
    KitGameUnit loose = KitSampleUnit("ARMLOOSE", "Loose Files");
    loose.archive = "";
    units.push_back(loose);
    g_status.clear();
    g_loadingStatusHandler = [](const char* text) { g_status.push_back(text); };
    Load();
    // Enumeration order: case-insensitively sorted names.
    EXPECT_EQ(Files(), (std::vector<std::string>{"ARMLOOSE", "ARMTANK", "corsmall", "CORTANK"}));
    EXPECT_EQ(g_status, (std::vector<std::string>{"Data files", "Textures", "Loose Files", "Arm Tank", "Small Core",
                                                  "Core Tank"}));
    EXPECT_EQ(Unit("corsmall")->side, 0);
    EXPECT_EQ(Unit("ARMTANK")->side, 1);
}

TEST_F(CatalogueTest, AnEmptyUnitsFolderGivesAnEmptyList) {
    Load();
    EXPECT_TRUE(g_viewer.units.empty());
}

TEST_F(CatalogueTest, ReadsEveryFieldOfTheUnitFile) {
    KitGameUnit u = KitSampleUnit("ARMTANK", std::string(300, 'N'));
    SetInfo(u, "Description", "A tank");
    SetInfo(u, "BMcode", "7");
    SetInfo(u, "MobileCode", std::string(40, 'M'));
    SetInfo(u, "BuildCostEnergy", "-12");
    SetInfo(u, "MaxVelocity", "1.25");
    SetInfo(u, "Acceleration", "0.5");
    SetInfo(u, "TurnRate", "300.5");
    SetInfo(u, "MaxDamage", "77.75");
    SetInfo(u, "Scale", "1.25");
    units.push_back(u);
    KitGameUnit zero = KitSampleUnit("CORZERO", "Zero");
    SetInfo(zero, "Scale", "0");
    units.push_back(zero);
    KitGameUnit absent = KitSampleUnit("CORABS", "Absent");
    apptest::DropInfo(absent, "Scale");
    apptest::DropInfo(absent, "BMcode");
    apptest::DropInfo(absent, "MaxVelocity");
    apptest::DropInfo(absent, "Description");
    units.push_back(absent);
    Load();
    ViewerUnit* t = Unit("ARMTANK");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(t->name), std::string(255, 'N'));
    EXPECT_STREQ(t->description, "A tank");
    EXPECT_EQ(t->bmCode, 7);
    EXPECT_EQ(std::string(t->mobileCode), std::string(31, 'M'));
    EXPECT_EQ(t->buildCostEnergy, -12);
    EXPECT_EQ(t->buildCostMetal, 150);
    EXPECT_EQ(t->buildTime, 3000);
    EXPECT_DOUBLE_EQ(t->maxVelocity, 1.25);
    EXPECT_DOUBLE_EQ(t->acceleration, 0.5);
    EXPECT_DOUBLE_EQ(t->turnRate, 300.5);
    EXPECT_DOUBLE_EQ(t->maxDamage, 77.75);
    EXPECT_DOUBLE_EQ(t->view.scale, 1.25);
    EXPECT_EQ(t->sceneHandle > 0, true);
    EXPECT_DOUBLE_EQ(t->view.baseScale, 12.0);
    EXPECT_EQ(t->view.depthMode, 1);
    EXPECT_FLOAT_EQ(t->view.lightX, -0.75f);
    EXPECT_FLOAT_EQ(t->view.lightY, -0.75f);
    EXPECT_FLOAT_EQ(t->view.lightZ, -2.25f);
    EXPECT_STREQ(t->fileName, "ARMTANK");
    ViewerUnit* z = Unit("CORZERO");
    ViewerUnit* a = Unit("CORABS");
    ASSERT_TRUE(z && a);
    EXPECT_DOUBLE_EQ(z->view.scale, 1.0);
    EXPECT_DOUBLE_EQ(a->view.scale, 1.0);
    EXPECT_EQ(a->bmCode, 0);
    EXPECT_EQ(a->maxVelocity, 0.0);
    EXPECT_STREQ(a->description, "");
}

TEST_F(CatalogueTest, ConvertsWeaponTimesAndRatesAndTakesDisplayNames) {
    options.weapons = {apptest::Weapon("SLOW", {{"reloadtime", "1.5"}, {"aimrate", "16384"}, {"soundstart", "boom"}}),
                       apptest::Weapon("FINE", {{"reloadtime", "0.99"}, {"aimrate", "100"}, {"name", "Fine Laser"}}),
                       apptest::Weapon("BACK", {{"aimrate", "-16384"}})};
    KitGameUnit u = KitSampleUnit("ARMGUNS", "Guns");
    SetInfo(u, "Weapon1", "slow");  // section names in any case
    SetInfo(u, "Weapon2", "FINE");
    SetInfo(u, "Weapon3", "BACK");
    units.push_back(u);
    KitGameUnit missing = KitSampleUnit("ARMMISS", "Missing");
    SetInfo(missing, "Weapon1", "NOSUCH");
    apptest::DropInfo(missing, "Weapon2");
    SetInfo(missing, "Weapon3", "none");
    units.push_back(missing);
    KitGameUnit none = KitSampleUnit("CORNONE", "None");
    SetInfo(none, "Weapon1", "NONE");
    units.push_back(none);
    Load();
    ViewerUnit* g = Unit("ARMGUNS");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->weaponCount, 3);
    EXPECT_STREQ(g->weaponName[0], "slow");
    EXPECT_EQ(g->reloadTicks[0], 45);
    EXPECT_EQ(g->aimRate[0], 90);
    EXPECT_STREQ(g->soundName[0], "boom");
    EXPECT_STREQ(g->weaponName[1], "Fine Laser");
    EXPECT_EQ(g->reloadTicks[1], 29);  // 29.7 truncated
    EXPECT_EQ(g->aimRate[1], 0);
    EXPECT_STREQ(g->soundName[1], "");
    EXPECT_EQ(g->aimRate[2], -90);  // truncated toward zero
    EXPECT_EQ(g->reloadTicks[2], 0);

    ViewerUnit* m = Unit("ARMMISS");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->weaponCount, 2);  // an absent key is a weapon without a name
    EXPECT_STREQ(m->weaponName[0], "NOSUCH");
    EXPECT_EQ(m->reloadTicks[0], 0);
    EXPECT_EQ(m->aimRate[0], 0);
    EXPECT_STREQ(m->soundName[0], "");
    EXPECT_STREQ(m->weaponName[1], "");
    EXPECT_TRUE(WeaponSlotEmpty(m, 2));
    EXPECT_EQ(m->aim[2].aimed, 0);

    ViewerUnit* n = Unit("CORNONE");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->weaponCount, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(n->aim[i].aimed, 0);
}

const char* kCapabilityBase = R"(piece base hull turret barrel
function Create
    return
)";

TEST_F(CatalogueTest, CapabilitiesFollowTheScriptsFunctionPairs) {
    units.push_back(ScriptedUnit("ARMSEC", std::string(kCapabilityBase) +
                                               "function AimSecondary\n push 1\n return\n"
                                               "function FireSecondary\n return\n"));
    units.push_back(ScriptedUnit("ARMHALF", std::string(kCapabilityBase) +
                                                "function Activate\n return\nfunction AimPrimary\n return\n"
                                                "function FireTertiary\n return\nfunction StartMoving\n return\n"));
    units.push_back(ScriptedUnit("ARMALL", KitTankScript()));
    units.push_back(ScriptedUnit("CORCASE", std::string(kCapabilityBase) +
                                                "function activate\n return\nfunction deactivate\n return\n"));
    Load();
    ViewerUnit* sec = Unit("ARMSEC");
    ViewerUnit* half = Unit("ARMHALF");
    ViewerUnit* all = Unit("ARMALL");
    ViewerUnit* lower = Unit("CORCASE");
    ASSERT_TRUE(sec && half && all && lower);
    EXPECT_EQ(sec->canFire, 1);
    EXPECT_EQ(sec->canActivate, 0);
    EXPECT_EQ(sec->canMove, 0);
    EXPECT_EQ(half->canFire, 0);
    EXPECT_EQ(half->canActivate, 0);
    EXPECT_EQ(half->canMove, 0);
    EXPECT_EQ(all->canFire, 1);
    EXPECT_EQ(all->canActivate, 1);
    EXPECT_EQ(all->canMove, 1);
    EXPECT_EQ(all->active, 0);
    EXPECT_EQ(all->moving, 0);
    EXPECT_EQ(lower->canActivate, 0);  // function names are exact
}

TEST_F(CatalogueTest, SidesStartTurnedAndSpinningOppositeWays) {
    units.push_back(KitSampleUnit("ARMTANK", "Arm"));
    units.push_back(KitSampleUnit("CORTANK", "Core"));
    Load();
    ViewerUnit* arm = Unit("ARMTANK");
    ViewerUnit* core = Unit("CORTANK");
    ASSERT_TRUE(arm && core);
    EXPECT_DOUBLE_EQ(arm->wrapper->angleY, -0.7853981633974475);
    EXPECT_DOUBLE_EQ(arm->wrapper->angleX, -0.7853981633974475);
    EXPECT_DOUBLE_EQ(arm->spin, 0.0092);
    EXPECT_DOUBLE_EQ(core->wrapper->angleY, 0.7853981633974475);
    EXPECT_DOUBLE_EQ(core->wrapper->angleX, -0.7853981633974475);
    EXPECT_DOUBLE_EQ(core->spin, -0.0092);
    EXPECT_EQ(arm->wrapper->child, arm->model);
    EXPECT_STREQ(arm->model->name, "base");
}

TEST_F(CatalogueTest, TheWrapperCentresThirtyPercentUpTheModel) {
    KitGameUnit u = KitSampleUnit("ARMTALL", "Tall");
    KitModelPiece root;
    root.name = "root";
    root.offset = {0, 2 * 163840, 0};
    root.vertices = {{0, -4 * 163840, 0}, {163840, 0, 0}, {0, 0, 163840}};
    KitModelPiece child;
    child.name = "child";
    child.offset = {0, 3 * 163840, 0};
    child.vertices = {{0, 3 * 163840, 0}, {0, 163840, 0}};
    root.children.push_back(child);
    KitModelPiece sibling;  // siblings of the root share its accumulated height 0
    sibling.name = "side";
    sibling.vertices = {{0, 163840, 0}};
    u.model = {root, sibling};
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
    units.push_back(ScriptedUnit("ARMSTART", R"(piece base hull turret barrel
static created shown demo heading pitch
function Create
    push 1
    pop_static created
    push 99
    pop_static heading
    return
function Showcase
    push_static created
    pop_static shown
    return
function Demo
    push 3
    pop_static demo
    return
function AimPrimary
    push_local 0
    pop_static heading
    push_local 1
    pop_static pitch
    push 1
    return
function FirePrimary
    return
)"));
    Load();
    ViewerUnit* u = Unit("ARMSTART");
    ASSERT_NE(u, nullptr);
    const int32_t* s = u->script->statics;
    EXPECT_EQ(s[0], 1);
    EXPECT_EQ(s[1], 1);  // Showcase ran after Create
    EXPECT_EQ(s[2], 0);
    EXPECT_EQ(s[3], 99);  // the first aim is queued
    EXPECT_EQ(u->aim[0].aimed, 0);
    UpdateUnit(u, 0);
    EXPECT_EQ(s[2], 3);
    EXPECT_EQ(s[3], 0);
    EXPECT_EQ(s[4], 0);
    EXPECT_EQ(u->aim[0].aimed, 1);
    EXPECT_EQ(u->aim[1].aimed, 0);  // no AimSecondary: told 0
}

}  // namespace
