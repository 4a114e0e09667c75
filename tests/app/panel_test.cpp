// What the statistics panel shows for a unit.
#include "app/panel_text.h"
#include "tests/app/app_support.h"

namespace {

using PanelTest = apptest::GameTest;

// The panel in one line; disabled buttons in brackets.
std::string Panel(const PanelTexts& t) {
    auto button = [](const std::string& text, bool enabled) { return enabled ? text : "(" + text + ")"; };
    return t.caption + "|" + t.description + "|" + t.speed + " " + t.acceleration + " " + t.turnRate + "|" + t.energy +
           " " + t.metal + " " + t.time + "|" + t.weapons + "|" + button(t.activate, t.activateEnabled) + " " +
           button(t.move, t.moveEnabled) + " " + button("Aim", t.aimEnabled) + " " + button("Fire", t.fireEnabled) +
           (t.sliderVisible ? " slider " + std::to_string(t.slider) : "");
}

TEST_F(PanelTest, AUnitsSpeedsCostsWeaponsAndButtons) {
    units = {apptest::SampleWith("ARMTANK", {{"Name", "Tank"}, {"Weapon1", "NONE"}, {"Weapon2", "LASER"},
                                             {"BuildCostEnergy", "-5"}}),
             apptest::SampleWith("CORBIG", {{"Scale", "2"}})};
    Load();
    ViewerUnit* tank = Unit("ARMTANK");
    EXPECT_EQ(Panel(ComputePanelTexts(tank)), "Tank|ARMTANK of the sample set|18.0 m/s 1.20 m/s/s 82 deg/s|-5 150 3000|"
                                              "LASER|Activate Move Aim Fire slider 15");
    UnitCommand(tank, ID_ACTIVATE);
    UnitCommand(tank, ID_MOVE);
    EXPECT_EQ(Panel(ComputePanelTexts(tank)), "Tank|ARMTANK of the sample set|18.0 m/s 1.20 m/s/s 82 deg/s|-5 150 3000|"
                                              "LASER|Deactivate Stop Aim Fire slider 15");
    EXPECT_EQ(ComputePanelTexts(Unit("CORBIG")).slider, -5);
    EXPECT_EQ(Panel(ComputePanelTexts(nullptr)), "||  |  ||(Activate) (Move) (Aim) (Fire)");
}

TEST_F(PanelTest, StructuresShowNotApplicableAndTheWeaponTextFollowsTheCount) {
    ViewerUnit u;
    InitUnit(&u);
    u.bmCode = 0;
    u.maxVelocity = 3;
    u.active = u.moving = 1;  // a unit that can't activate or move keeps the plain labels, disabled
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"GUN", "ROCKET", "BOMB"}, "GUN, ROCKET and BOMB"}, {{"GUN", "none", "BOMB"}, "GUN and BOMB"},
        {{"NONE", "NONE", "NONE"}, "None"}};
    for (const auto& [names, text] : cases) {
        u.weaponCount = 0;
        for (int i = 0; i < 3; ++i) {
            std::snprintf(u.weaponName[i], 64, "%s", names[size_t(i)]);
            u.weaponCount += !WeaponSlotEmpty(&u, i);
        }
        EXPECT_EQ(Panel(ComputePanelTexts(&u)), std::string("||N/A N/A N/A|0 0 0|") + text +
                                                    "|(Activate) (Move) (Aim) (Fire) slider 15");
    }
    for (auto [scale, position] : {std::pair{2.0, -5}, {1.0, 15}, {1.25, 10}, {0.5, 25}, {1e300, INT32_MIN}})
        EXPECT_EQ(SliderPosition(scale), position) << scale;
}

}  // namespace
