// The unit catalogue: every unit of the game folder, loaded completely at
// start-up with its definition, weapons, model and running script.
#pragma once

#include <cstdint>

#include "model/piece.h"
#include "model/scene.h"
#include "script/instance.h"

struct PieceSlotTable;
struct ScriptFile;
class UnitScriptHost;

// Told when an aim function returns: a nonzero result marks the slot aimed.
class AimNotify : public CompletionReceiver {
public:
    void Result(int32_t value) override {
        if (value != 0) aimed = 1;
    }
    int32_t aimed = 1;
};

enum { UNIT_WEAPON_SLOTS = 3 };

struct ViewerUnit {
    int32_t sceneHandle;
    ViewParams view;
    int32_t renderOptions[6];  // outline, fill, solid override, lit, outline colour, override colour
    ScriptFile* scriptFile;
    UnitScriptHost* script;
    PieceSlotTable* pieceSlots;
    int32_t side;  // 1 ARM, 0 CORE
    char fileName[256];
    char name[256];
    char description[256];
    int32_t bmCode;
    int32_t canMove;
    int32_t canActivate;
    int32_t canFire;
    char mobileCode[32];
    int32_t weaponCount;
    char weaponName[UNIT_WEAPON_SLOTS][64];
    int32_t reloadTicks[UNIT_WEAPON_SLOTS];
    int32_t aimRate[UNIT_WEAPON_SLOTS];  // whole degrees
    char soundName[UNIT_WEAPON_SLOTS][64];
    int32_t buildCostEnergy;
    int32_t buildCostMetal;
    int32_t buildTime;
    double maxVelocity;
    double acceleration;
    double turnRate;
    double maxDamage;
    int32_t moving;
    int32_t active;
    AimNotify aim[UNIT_WEAPON_SLOTS];
    int32_t reloadTimer[UNIT_WEAPON_SLOTS];
    int32_t shotsPending[UNIT_WEAPON_SLOTS];
    int32_t lastHeading[UNIT_WEAPON_SLOTS];  // script angle units
    int32_t lastPitch[UNIT_WEAPON_SLOTS];
    Piece* model;
    Piece* wrapper;
    double spin;  // radians per tick about the vertical axis
};

void BuildUnitList();
void InitUnit(ViewerUnit* unit);
// 1 when the unit is complete; 0 on any failure (then DestroyUnit it).
int LoadUnit(ViewerUnit* unit, const char* fileName);
// Releases what LoadUnit made, the model included.
void DestroyUnit(ViewerUnit* unit);
void MeasureHeight(const Piece* piece, double& lowest, double& highest, double accumulated);

// True when the slot is marked "NONE" (it holds no weapon).
bool WeaponSlotEmpty(const ViewerUnit* unit, int slot);
