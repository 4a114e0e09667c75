#include "tests/gui/test_game.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "kit/game/game_builder.h"

namespace {

// The sample script without the functions from one marker up to the next
// (to the end without one).
std::string WithoutFunctions(std::string script, const std::string& from, const std::string& to = "") {
    const size_t begin = script.find("function " + from);
    script.erase(begin, to.empty() ? std::string::npos : script.find("function " + to) - begin);
    return script;
}

// A sample unit with some info changed (added when absent).
KitGameUnit Unit(const char* file, const char* name, const char* weapon, const KitKeyValues& changes = {}) {
    KitGameUnit unit = KitSampleUnit(file, name, weapon);
    for (const auto& [key, value] : changes) {
        auto at = std::find_if(unit.info.begin(), unit.info.end(), [&](const auto& kv) { return kv.first == key; });
        if (at == unit.info.end()) unit.info.emplace_back(key, value);
        else at->second = value;
    }
    return unit;
}

// A LightWave object of one triangle whose surface number is negative (a
// detail polygon follows), which the reader can't take.
std::vector<uint8_t> DetailSurfaceObject() {
    std::vector<uint8_t> chunks;
    auto be = [&](uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) chunks.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* id) { chunks.insert(chunks.end(), id, id + 4); };
    tag("LWOB");
    tag("PNTS");
    be(36, 4);
    for (uint32_t v : {0u, 0u, 0u, 0x3F800000u, 0u, 0u, 0u, 0x3F800000u, 0u}) be(v, 4);  // floats 0 and 1
    tag("POLS");
    be(10, 4);
    for (uint32_t v : {3u, 0u, 1u, 2u, 0xFFFFu}) be(v, 2);
    std::vector<uint8_t> file = {'F', 'O', 'R', 'M'};
    for (int i = 3; i >= 0; --i) file.push_back(static_cast<uint8_t>(chunks.size() >> (8 * i)));
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

}  // namespace

bool BuildGuiGame(const std::string& folder, const GuiGameOptions& options, std::string* error) {
    KitGameOptions base;
    base.weapons = {{"LASER", {{"name", "LASER"}, {"reloadtime", "1.0"}, {"aimrate", "10"}, {"soundstart", "zap"}}},
                    {"ROCKET", {{"name", "ROCKET"}, {"reloadtime", "2.0"}}}};
    base.sounds = {"zap"};
    KitGame game;
    KitAddBase(game, base);
    // The hauler is first in file order, last in name order; it, the tower
    // and the drone can't fire, the tower can't move.
    std::vector<KitGameUnit> units = {
        Unit("ARMAAHAUL", "Zebra Hauler", "NONE", {{"Description", "Carries things, cannot fire"}}),
        Unit("ARMALPHA", "Alpha Tank", "LASER", {{"Description", "Light tank with a laser"}, {"Weapon2", "ROCKET"}}),
        Unit("ARMBEACON", "Beacon Tower", "NONE", {{"Description", "A tower that lights the field"}, {"BMcode", "0"}})};
    for (KitGameUnit* u : {&units[0], &units[2]}) u->script = WithoutFunctions(u->script, "AimPrimary", "Activate");
    units[2].script = WithoutFunctions(WithoutFunctions(units[2].script, "StartMoving", "StopMoving"), "StopMoving");
    if (options.lightWaveDetail) {
        // The reader opens the disk file directly: the unit lies loose.
        units[1].modelBytes = DetailSurfaceObject();
        units[1].archive = "";
    }
    for (int i = 1; i <= options.fillerUnits; ++i) {
        char file[32], name[32];
        std::snprintf(file, sizeof file, "ARMROV%02d", i);
        std::snprintf(name, sizeof name, "Rover %02d", i);
        units.push_back(KitSampleUnit(file, name, "LASER"));
    }
    units.push_back(Unit("CORBASTION", "Core Bastion", "ROCKET", {{"Description", "Heavy core tank"}}));
    units.push_back(Unit("CORDRONE", "Drone", "NONE"));
    units.back().script = WithoutFunctions(units.back().script, "AimPrimary", "Activate");
    units.push_back(Unit("CORCRAWL", "Crawler", "LASER", {{"Scale", "0.75"}}));
    for (const KitGameUnit& unit : units)
        if (!KitAddUnit(game, unit, error)) return false;
    if (!options.withSettings) game.Remove("gamedata\\showcase.tdf");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return KitWriteGame(game, folder, error);
}
