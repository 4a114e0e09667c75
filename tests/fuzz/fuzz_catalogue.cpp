// A game folder built from the input (a unit definition, the weapons file,
// the model it names by default and the unit's script), loaded as the
// catalogue loads it; every unit then runs, aims, fires, moves and turns
// for a few frames with its sounds going to a silent player. The LightWave
// reader's fatal box is replaced by one that returns, so the reader gives up
// instead of ending the process.

#include "app/frame.h"
#include "app/hooks.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/tdf/tdf.h"
#include "grib/vfs/vfs.h"
#include "model/readers.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    static bool hooked = [] {
        g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return 0; };
        g_viewerHooks.setButtonText = [](int, const char*) {};
        g_modelFatalBox = [](const char*, const char*) {};
        return true;
    }();
    (void)hooked;
    auto parts = fuzz::Split(data, size, 4);
    fuzz::Clear();
    const char* names[] = {"units/ARMFUZZ.fbi", "gamedata/weapons.tdf", "objects3d/fuzz.3do", "scripts/ARMFUZZ.cob"};
    for (size_t i = 0; i < 4; ++i) fuzz::Write(names[i], parts[i]);
    fuzz::Inside inside;
    g_viewer.soundCache = CreateSoundCache();
    TDF_Load(&g_viewer.weapons, "gamedata\\weapons.tdf");
    BuildUnitList();
    TDF_Free(&g_viewer.weapons);
    for (ViewerUnit* unit : g_viewer.units) {
        g_viewer.currentUnit = unit;
        for (int id : {ID_AIM, ID_FIRE, ID_ACTIVATE, ID_MOVE, ID_FIRE})
            for (int tick = 0; tick < 8; ++tick) {
                if (tick == 0) UnitCommand(unit, id);
                UpdateUnit(unit, tick + 1);
            }
    }
    FreeUnitList();
    DestroySoundCache(g_viewer.soundCache);
    g_viewer.soundCache = nullptr;
    return 0;
}
