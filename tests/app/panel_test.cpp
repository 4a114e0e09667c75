// What the statistics panel shows for a unit.
#include "app/panel_text.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
using apptest::SetInfo;

class PanelTest : public GameTest {};

TEST_F(PanelTest, AMovingUnitShowsItsSpeedsCostsAndWeapons) {
    KitGameUnit u = KitSampleUnit("ARMTANK", "Tank");
    SetInfo(u, "Weapon1", "NONE");
    SetInfo(u, "Weapon2", "LASER");
    SetInfo(u, "Weapon3", "NONE");
    SetInfo(u, "BuildCostEnergy", "-5");
    units.push_back(u);
    Load();
    PanelTexts t = ComputePanelTexts(Unit("ARMTANK"));
    EXPECT_EQ(t.caption, "Tank");
    EXPECT_EQ(t.description, "Tank of the sample set");
    EXPECT_EQ(t.speed, "18.0 m/s");
    EXPECT_EQ(t.acceleration, "1.20 m/s/s");
    EXPECT_EQ(t.turnRate, "82 deg/s");
    EXPECT_EQ(t.energy, "-5");
    EXPECT_EQ(t.metal, "150");
    EXPECT_EQ(t.time, "3000");
    EXPECT_EQ(t.weapons, "LASER");
    EXPECT_EQ(t.activate, "Activate");
    EXPECT_TRUE(t.activateEnabled);
    EXPECT_EQ(t.move, "Move");
    EXPECT_TRUE(t.moveEnabled);
    EXPECT_TRUE(t.aimEnabled);
    EXPECT_TRUE(t.fireEnabled);
    EXPECT_TRUE(t.sliderVisible);
    EXPECT_EQ(t.slider, 15);
    // The labels follow the unit's state.
    UnitCommand(Unit("ARMTANK"), ID_ACTIVATE);
    UnitCommand(Unit("ARMTANK"), ID_MOVE);
    t = ComputePanelTexts(Unit("ARMTANK"));
    EXPECT_EQ(t.activate, "Deactivate");
    EXPECT_EQ(t.move, "Stop");
}

TEST_F(PanelTest, StructuresShowNotApplicableAndTheWeaponTextFollowsTheCount) {
    ViewerUnit u;
    InitUnit(&u);
    u.bmCode = 0;
    u.maxVelocity = 3;
    std::snprintf(u.weaponName[0], 64, "GUN");
    std::snprintf(u.weaponName[1], 64, "ROCKET");
    std::snprintf(u.weaponName[2], 64, "BOMB");
    u.weaponCount = 3;
    PanelTexts t = ComputePanelTexts(&u);
    EXPECT_EQ(t.speed, "N/A");
    EXPECT_EQ(t.acceleration, "N/A");
    EXPECT_EQ(t.turnRate, "N/A");
    EXPECT_EQ(t.weapons, "GUN, ROCKET and BOMB");
    std::snprintf(u.weaponName[1], 64, "none");
    u.weaponCount = 2;
    EXPECT_EQ(ComputePanelTexts(&u).weapons, "GUN and BOMB");
    for (auto& n : u.weaponName) std::snprintf(n, 64, "NONE");
    u.weaponCount = 0;
    EXPECT_EQ(ComputePanelTexts(&u).weapons, "None");
    // A unit that can't activate or move keeps the plain labels, disabled.
    u.active = 1;
    u.moving = 1;
    t = ComputePanelTexts(&u);
    EXPECT_EQ(t.activate, "Activate");
    EXPECT_FALSE(t.activateEnabled);
    EXPECT_EQ(t.move, "Move");
    EXPECT_FALSE(t.moveEnabled);
    EXPECT_FALSE(t.aimEnabled);
    EXPECT_FALSE(t.fireEnabled);
}

TEST_F(PanelTest, TheSliderPositionComesFromTheScale) {
    EXPECT_EQ(SliderPosition(2.0), -5);
    EXPECT_EQ(SliderPosition(1.0), 15);
    EXPECT_EQ(SliderPosition(1.25), 10);
    EXPECT_EQ(SliderPosition(0.5), 25);
    EXPECT_EQ(SliderPosition(1e300), INT32_MIN);
    KitGameUnit big = KitSampleUnit("CORBIG", "Big");
    SetInfo(big, "Scale", "2");
    units.push_back(big);
    Load();
    EXPECT_EQ(ComputePanelTexts(Unit("CORBIG")).slider, -5);
}

TEST_F(PanelTest, NoUnitClearsThePanel) {
    PanelTexts t = ComputePanelTexts(nullptr);
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.speed, "");
    EXPECT_EQ(t.weapons, "");
    EXPECT_EQ(t.activate, "Activate");
    EXPECT_EQ(t.move, "Move");
    EXPECT_FALSE(t.activateEnabled || t.moveEnabled || t.aimEnabled || t.fireEnabled || t.sliderVisible);
}

}  // namespace
