// grib units: the viewer's unit catalogue of a game folder.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/hooks.h"
#include "app/panel_text.h"
#include "app/script_host.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "tools/grib/common.h"
#include "tools/grib/startup_errors.h"

namespace {

const char kUsage[] =
    "usage: grib units [-C DIR] [--json]\n"
    "  Loads the game in DIR (default: the current directory) as the viewer does\n"
    "  at start-up and lists its units in unit-list order: file, side and name,\n"
    "  or with --json every field, the weapons and what the panel shows.\n";

// Game texts are single bytes; bytes above 127 are taken as Latin-1.
std::string Json(const char* text) {
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const unsigned char c = *p;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c >= 0x80) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}
std::string Json(const std::string& text) { return Json(text.c_str()); }
std::string Json(double v) {
    if (!std::isfinite(v)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}
std::string Json(int32_t v) { return std::to_string(v); }
std::string Bool(bool v) { return v ? "true" : "false"; }

std::string UnitJson(const ViewerUnit* u) {
    std::string s = "{";
    auto field = [&](const char* key, const std::string& value) {
        if (s.size() > 1) s += ", ";
        s += "\"";
        s += key;
        s += "\": " + value;
    };
    field("file", Json(u->fileName));
    field("side", Json(u->side == 1 ? "ARM" : "CORE"));
    field("name", Json(u->name));
    field("description", Json(u->description));
    field("bmcode", Json(u->bmCode));
    field("mobilecode", Json(u->mobileCode));
    field("energy", Json(u->buildCostEnergy));
    field("metal", Json(u->buildCostMetal));
    field("buildtime", Json(u->buildTime));
    field("maxvelocity", Json(u->maxVelocity));
    field("acceleration", Json(u->acceleration));
    field("turnrate", Json(u->turnRate));
    field("maxdamage", Json(u->maxDamage));
    field("scale", Json(u->view.scale));
    field("weapon_count", Json(u->weaponCount));
    std::string weapons = "[";
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i) {
        if (i) weapons += ", ";
        weapons += "{\"name\": " + Json(u->weaponName[i]) + ", \"empty\": " + Bool(WeaponSlotEmpty(u, i)) +
                   ", \"reload_ticks\": " + Json(u->reloadTicks[i]) + ", \"aim_rate\": " + Json(u->aimRate[i]) +
                   ", \"sound\": " + Json(u->soundName[i]) + "}";
    }
    field("weapons", weapons + "]");
    field("can_move", Bool(u->canMove));
    field("can_activate", Bool(u->canActivate));
    field("can_fire", Bool(u->canFire));
    field("pieces", Json(u->pieceSlots ? u->pieceSlots->slotCount : 0));
    const PanelTexts t = ComputePanelTexts(u);
    std::string panel = "{\"caption\": " + Json(t.caption) + ", \"description\": " + Json(t.description) +
                        ", \"speed\": " + Json(t.speed) + ", \"acceleration\": " + Json(t.acceleration) +
                        ", \"turn_rate\": " + Json(t.turnRate) + ", \"energy\": " + Json(t.energy) +
                        ", \"metal\": " + Json(t.metal) + ", \"time\": " + Json(t.time) +
                        ", \"weapons\": " + Json(t.weapons) + ", \"activate\": " + Json(t.activate) +
                        ", \"activate_enabled\": " + Bool(t.activateEnabled) + ", \"move\": " + Json(t.move) +
                        ", \"move_enabled\": " + Bool(t.moveEnabled) + ", \"aim_enabled\": " + Bool(t.aimEnabled) +
                        ", \"fire_enabled\": " + Bool(t.fireEnabled) + ", \"slider\": " + Json(t.slider) + "}";
    field("panel", panel);
    return s + "}";
}

}  // namespace

int GribCmd_Units(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string folder;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--json")) json = true;
        else if (!std::strcmp(argv[i], "-C") && i + 1 < argc) folder = argv[++i];
        else return ToolFail(GRIB_EXIT_BAD_INPUT, "units: unexpected argument '%s' (see grib units --help)", argv[i]);
    }
    if (!folder.empty() && chdir(ToolDiskPath(folder).c_str()) != 0)
        return ToolFail(GRIB_EXIT_NOT_FOUND, "units: %s: no such directory", folder.c_str());
    g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return 0; };  // the catalogue plays nothing
    ToolReportStartupFailures();
    ViewerLoadData(0);
    if (json) {
        std::fputs("[", stdout);
        for (size_t i = 0; i < g_viewer.units.size(); ++i)
            std::printf("%s\n  %s", i ? "," : "", UnitJson(g_viewer.units[i]).c_str());
        std::fputs(g_viewer.units.empty() ? "]\n" : "\n]\n", stdout);
    } else {
        for (const ViewerUnit* u : g_viewer.units)
            std::printf("%s %s %s\n", u->fileName, u->side == 1 ? "ARM" : "CORE", u->name);
    }
    ViewerReset();
    return GRIB_EXIT_OK;
}
