#include "tests/gui/test_game.h"

#include <cstdio>
#include <filesystem>

#include "kit/game/game_builder.h"

namespace {

// The sample script without the functions from one marker up to the next.
std::string WithoutFunctions(std::string script, const std::string& from, const std::string& to) {
    size_t begin = script.find("function " + from);
    size_t end = script.find("function " + to);
    if (begin != std::string::npos && end != std::string::npos && end > begin) script.erase(begin, end - begin);
    return script;
}

void Set(KitGameUnit& unit, const std::string& key, const std::string& value) {
    for (auto& kv : unit.info)
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    unit.info.emplace_back(key, value);
}

}  // namespace

bool BuildGuiGame(const std::string& folder, const GuiGameOptions& options, std::string* error) {
    KitGameOptions base;
    base.weapons = {{"LASER", {{"name", "LASER"}, {"reloadtime", "1.0"}, {"aimrate", "10"}, {"soundstart", "zap"}}},
                    {"ROCKET", {{"name", "ROCKET"}, {"reloadtime", "2.0"}}}};
    base.sounds = {"zap"};
    KitGame game;
    KitAddBase(game, base);

    std::vector<KitGameUnit> units;
    // First in file order, last in name order.
    KitGameUnit hauler = KitSampleUnit("ARMAAHAUL", "Zebra Hauler", "NONE");
    hauler.script = WithoutFunctions(hauler.script, "AimPrimary", "Activate");
    Set(hauler, "Description", "Carries things, cannot fire");
    units.push_back(hauler);

    KitGameUnit alpha = KitSampleUnit("ARMALPHA", "Alpha Tank", "LASER");
    Set(alpha, "Description", "Light tank with a laser");
    Set(alpha, "Weapon2", "ROCKET");
    units.push_back(alpha);

    KitGameUnit beacon = KitSampleUnit("ARMBEACON", "Beacon Tower", "NONE");
    beacon.script = WithoutFunctions(beacon.script, "AimPrimary", "Activate");
    beacon.script = WithoutFunctions(beacon.script, "StartMoving", "StopMoving");
    beacon.script = beacon.script.substr(0, beacon.script.find("function StopMoving"));
    Set(beacon, "Description", "A tower that lights the field");
    Set(beacon, "BMcode", "0");
    units.push_back(beacon);

    for (int i = 1; i <= options.fillerUnits; ++i) {
        char file[32], name[32];
        std::snprintf(file, sizeof file, "ARMROV%02d", i);
        std::snprintf(name, sizeof name, "Rover %02d", i);
        units.push_back(KitSampleUnit(file, name, "LASER"));
    }

    KitGameUnit bastion = KitSampleUnit("CORBASTION", "Core Bastion", "ROCKET");
    Set(bastion, "Description", "Heavy core tank");
    units.push_back(bastion);
    KitGameUnit drone = KitSampleUnit("CORDRONE", "Drone", "NONE");
    drone.script = WithoutFunctions(drone.script, "AimPrimary", "Activate");
    units.push_back(drone);
    KitGameUnit crawler = KitSampleUnit("CORCRAWL", "Crawler", "LASER");
    Set(crawler, "Scale", "0.75");
    units.push_back(crawler);

    for (const KitGameUnit& unit : units)
        if (!KitAddUnit(game, unit, error)) return false;
    if (!options.withSettings) game.Remove("gamedata\\showcase.tdf");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return KitWriteGame(game, folder, error);
}
