#include "app/units.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/frame.h"
#include "app/script_host.h"
#include "app/viewer_state.h"
#include "grib/env/names.h"
#include "grib/tdf/tdf.h"
#include "grib/vfs/vfs.h"
#include "model/readers.h"
#include "script/script_file.h"

namespace {

// Seconds to ticks of 1/30 second, truncated; values beyond the range of
// the field are held at its ends.
int32_t ReloadTicks(double seconds) {
    double ticks = seconds * 30.0;
    if (!(ticks == ticks)) return 0;
    if (ticks >= 2147483647.0) return INT32_MAX;
    if (ticks <= -2147483648.0) return INT32_MIN;
    return int32_t(ticks);
}

void ReadWeapon(ViewerUnit* unit, int i) {
    TdfFile* table = &g_viewer.weapons;
    TDF_Rewind(table);
    if (!table->text || !TDF_EnterSection(table, unit->weaponName[i])) return;
    unit->reloadTicks[i] = ReloadTicks(TDF_GetFloat(table, "reloadtime"));
    unit->aimRate[i] = int32_t(int64_t(TDF_GetInt(table, "aimrate")) * 360 / 65536);
    TDF_GetString(table, unit->soundName[i], "soundstart", 63);
    char display[64];
    if (TDF_GetString(table, display, "name", 63)) std::memcpy(unit->weaponName[i], display, sizeof display);
}

}  // namespace

bool WeaponSlotEmpty(const ViewerUnit* unit, int slot) { return GRIB_SameName(unit->weaponName[slot], "NONE"); }

void InitUnit(ViewerUnit* unit) {
    *unit = ViewerUnit{};
    unit->sceneHandle = -1;
    unit->view.scale = 1.0;
    unit->view.baseScale = 12.0;
    unit->view.showSelection = 0;
    unit->view.depthMode = g_viewer.depthMode;
    unit->view.selectionColour = 0;
    const int32_t options[6] = {0, 1, 0, g_viewer.pieceLightFlags ? 1 : 0, 0, 0};
    std::memcpy(unit->renderOptions, options, sizeof options);
}

int LoadUnit(ViewerUnit* unit, const char* fileName) {
    if (!GRIB_HasPrefix(fileName, "ARM") && !GRIB_HasPrefix(fileName, "COR")) return 0;
    char path[512];
    std::snprintf(path, sizeof path, "%s%s.fbi", "units\\", fileName);
    TdfFile file;
    if (!GRIB_IsGamePath(path) || !TDF_Load(&file, path)) return 0;
    TDF_EnterSection(&file, "UNITINFO");
    TDF_GetString(&file, unit->name, "Name", 255);
    TDF_GetString(&file, unit->description, "Description", 255);
    unit->bmCode = TDF_GetInt(&file, "BMcode");
    TDF_GetString(&file, unit->mobileCode, "MobileCode", 31);
    unit->buildCostEnergy = TDF_GetInt(&file, "BuildCostEnergy");
    unit->buildCostMetal = TDF_GetInt(&file, "BuildCostMetal");
    unit->buildTime = TDF_GetInt(&file, "BuildTime");
    unit->maxVelocity = TDF_GetFloat(&file, "MaxVelocity");
    unit->acceleration = TDF_GetFloat(&file, "Acceleration");
    unit->turnRate = TDF_GetFloat(&file, "TurnRate");
    unit->maxDamage = TDF_GetFloat(&file, "MaxDamage");
    TDF_GetString(&file, unit->weaponName[0], "Weapon1", 63);
    TDF_GetString(&file, unit->weaponName[1], "Weapon2", 63);
    TDF_GetString(&file, unit->weaponName[2], "Weapon3", 63);

    unit->weaponCount = 0;
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i) {
        if (WeaponSlotEmpty(unit, i)) {
            unit->aim[i].aimed = 0;
            continue;
        }
        unit->weaponCount++;
        ReadWeapon(unit, i);
    }

    unit->view.scale = TDF_GetFloat(&file, "Scale");
    if (unit->view.scale == 0.0) unit->view.scale = 1.0;
    char objectName[261];
    int haveObject = TDF_GetString(&file, objectName, "ObjectName", 260);
    TDF_Free(&file);
    if (!haveObject) return 0;

    std::snprintf(path, sizeof path, "%s%s.3do", "objects3d\\", objectName);
    // Names from the game's files never reach outside the game folder.
    if (!GRIB_IsGamePath(path)) return 0;
    unit->model = LoadModel(path, MODEL_TYPE_DETECT);
    if (!unit->model) return 0;
    unit->wrapper = NewPiece();
    if (!unit->wrapper) return 0;
    unit->wrapper->child = unit->model;
    const double quarter = 0.7853981633974475;
    if (GRIB_HasPrefix(fileName, "ARM")) {
        unit->wrapper->angleY = -quarter;
        unit->wrapper->angleX = -quarter;
        unit->spin = 0.0092;
        unit->side = 1;
    } else {
        unit->wrapper->angleY = quarter;
        unit->wrapper->angleX = -quarter;
        unit->spin = -0.0092;
        unit->side = 0;
    }
    unit->view.lightX = -0.75f;
    unit->view.lightY = -0.75f;
    unit->view.lightZ = -2.25f;
    unit->sceneHandle = RegisterTree(unit->wrapper);
    const int32_t* o = unit->renderOptions;
    SetRenderOptions(unit->sceneHandle, o[0], o[1], o[2], o[3], o[4], o[5]);

    double lowest = 10000.0, highest = -10000.0;
    MeasureHeight(unit->model, lowest, highest, 0.0);
    unit->wrapper->offset[1] = float(-(lowest * 0.7 + highest * 0.3));

    std::snprintf(unit->fileName, sizeof unit->fileName, "%s", fileName);
    std::snprintf(path, sizeof path, "%s%s.cob", "scripts\\", fileName);
    unit->scriptFile = GRIB_IsGamePath(path) ? LoadScript(path) : nullptr;
    if (!unit->scriptFile) return 0;

    unit->pieceSlots = MatchScriptPieces(CreatePieceSlots(unit->model), unit->scriptFile);
    if (!unit->pieceSlots) return 0;
    unit->script = new (std::nothrow) UnitScriptHost();
    if (!unit->script) return 0;
    AttachScript(unit->script, unit->scriptFile);
    unit->script->slots = unit->pieceSlots;

    auto has = [&](const char* name) { return FindFunction(unit->script, name) >= 0; };
    unit->canActivate = has("Activate") && has("Deactivate");
    if (unit->canActivate) unit->active = 0;
    unit->canFire = (has("AimPrimary") && has("FirePrimary")) || (has("AimSecondary") && has("FireSecondary")) ||
                    (has("AimTertiary") && has("FireTertiary"));
    unit->canMove = has("StartMoving") && has("StopMoving");
    if (unit->canMove) unit->moving = 0;

    StartFunction(unit->script, "Create", nullptr, 1);
    StartFunction(unit->script, "Showcase", nullptr, 1);
    AimWeapons(unit, 0, -1);
    StartFunction(unit->script, "Demo", nullptr, 0);
    return 1;
}

void MeasureHeight(const Piece* piece, double& lowest, double& highest, double accumulated) {
    // The sibling chain at one level shares the accumulated height; each
    // child chain adds its parent's.
    std::vector<std::pair<const Piece*, double>> pending;
    if (piece) pending.emplace_back(piece, accumulated);
    while (!pending.empty()) {
        auto [p, a] = pending.back();
        pending.pop_back();
        for (; p; p = p->sibling) {
            const double h = a + p->offset[1];
            for (int32_t i = 0; i < p->vertexCount; ++i) {
                const double y = p->vertices[i][1] + h;
                if (y < lowest) lowest = y;
                if (y > highest) highest = y;
            }
            if (p->child) pending.emplace_back(p->child, h);
        }
    }
}

void DestroyUnit(ViewerUnit* unit) {
    if (!unit) return;
    delete unit->script;
    unit->script = nullptr;
    FreePieceSlots(unit->pieceSlots);
    unit->pieceSlots = nullptr;
    if (unit->scriptFile) FreeScript(unit->scriptFile);
    unit->scriptFile = nullptr;
    if (unit->sceneHandle >= 0) UnregisterTree(unit->sceneHandle);
    unit->sceneHandle = -1;
    // The wrapper's child is the model, so the whole tree goes with it; a
    // unit that failed before its wrapper was made still owns its model.
    if (unit->wrapper) FreePieceTree(unit->wrapper);
    else if (unit->model) FreePieceTree(unit->model);
    unit->wrapper = nullptr;
    unit->model = nullptr;
}

void BuildUnitList() {
    FindData found;
    intptr_t find = GRIB_FindFirst("units\\*.fbi", &found);
    if (find == -1) return;
    do {
        std::string name = GRIB_BaseName(found.name);
        auto* unit = new (std::nothrow) ViewerUnit;
        if (!unit) continue;
        InitUnit(unit);
        if (LoadUnit(unit, name.c_str())) {
            SetLoadingStatus(unit->name);
            g_viewer.units.push_back(unit);
        } else {
            DestroyUnit(unit);
            delete unit;
        }
    } while (GRIB_FindNext(find, &found) != -1);
    GRIB_FindClose(find);
}

void FreeUnitList() {
    for (ViewerUnit* unit : g_viewer.units) {
        DestroyUnit(unit);
        delete unit;
    }
    g_viewer.units.clear();
    g_viewer.currentUnit = nullptr;
    g_viewer.otherSideUnit = nullptr;
}
