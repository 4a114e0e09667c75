#include "app/panel_text.h"

#include <cstdio>

#include "app/units.h"

namespace {

std::string Format(const char* format, double value) {
    char text[400];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int32_t SliderPosition(double scale) {
    const double v = scale * 20.0;
    int64_t t = 0;
    if (v == v) t = v >= 1e12 ? int64_t(1e12) : v <= -1e12 ? int64_t(-1e12) : int64_t(v);
    const int64_t position = 35 - t;
    return position > INT32_MAX ? INT32_MAX : position < INT32_MIN ? INT32_MIN : int32_t(position);
}

PanelTexts ComputePanelTexts(const ViewerUnit* unit) {
    PanelTexts t;
    if (!unit) return t;
    t.caption = unit->name;
    t.description = unit->description;
    t.slider = SliderPosition(unit->view.scale);
    t.sliderVisible = true;
    t.activateEnabled = unit->canActivate != 0;
    t.activate = unit->canActivate && unit->active ? "Deactivate" : "Activate";
    t.moveEnabled = unit->canMove != 0;
    t.move = unit->canMove && unit->moving ? "Stop" : "Move";
    t.aimEnabled = t.fireEnabled = unit->canFire != 0;
    t.energy = std::to_string(unit->buildCostEnergy);
    t.metal = std::to_string(unit->buildCostMetal);
    t.time = std::to_string(unit->buildTime);
    if (unit->bmCode != 0) {
        t.speed = Format("%.1f m/s", unit->maxVelocity * 12.0);
        t.acceleration = Format("%.2f m/s/s", unit->acceleration * 12.0);
        t.turnRate = Format("%.0f deg/s", unit->turnRate * 0.164794921875);
    } else {
        t.speed = t.acceleration = t.turnRate = "N/A";
    }
    const char* named[UNIT_WEAPON_SLOTS] = {};
    int found = 0;
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i)
        if (!WeaponSlotEmpty(unit, i)) named[found++] = unit->weaponName[i];
    switch (found) {
        case 0:
            t.weapons = "None";
            break;
        case 1:
            t.weapons = named[0];
            break;
        case 2:
            t.weapons = std::string(named[0]) + " and " + named[1];
            break;
        default:
            t.weapons = std::string(unit->weaponName[0]) + ", " + unit->weaponName[1] + " and " + unit->weaponName[2];
            break;
    }
    return t;
}
