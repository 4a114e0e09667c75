// Damaged unit files, models and scripts never bring the catalogue down:
// the healthy units load and the damaged ones are skipped or load with what
// could be read (random damage is the fuzz corpus's job).
#include "kit/script/script_asm.h"
#include "tests/app/app_support.h"

namespace {

using DamageTest = apptest::GameTest;

TEST_F(DamageTest, DamagedUnitsAreSkippedAndHealthyOnesLoad) {
    const KitGameUnit healthy = KitSampleUnit("ARMGOOD", "Good");
    const std::vector<uint8_t> model = KitWrite3do(healthy.model);
    std::vector<uint8_t> script;
    std::string error;
    ASSERT_TRUE(AssembleScript(healthy.script, script, error));
    auto cut = [](std::vector<uint8_t> bytes, size_t keep) { return bytes.resize(keep), bytes; };
    units = {healthy, KitSampleUnit("CORGOOD", "Good Core")};
    for (int i = 0; i < 5; ++i) {
        KitGameUnit u = KitSampleUnit("ARMBAD" + std::to_string(i), "Bad");
        if (i == 0) u.modelBytes = cut(model, model.size() / 2);
        if (i == 1) u.modelBytes = cut(model, 20);
        if (i == 2) u.scriptBytes = cut(script, script.size() / 2);
        if (i == 3) u.scriptBytes = cut(script, 8);
        if (i == 4) u.fbiBytes = {0};  // an empty definition
        units.push_back(u);
    }
    Load();
    ASSERT_TRUE(Unit("ARMGOOD") && Unit("CORGOOD"));
    EXPECT_EQ(Unit("ARMBAD4"), nullptr);
    // Whatever loaded runs and draws.
    auto surface = apptest::MakeSurface(64, 48);
    for (ViewerUnit* u : g_viewer.units) {
        g_viewer.currentUnit = u;
        for (int id : {ID_FIRE, ID_AIM, ID_ACTIVATE, ID_MOVE}) UnitCommand(u, id);
        for (int f = 0; f < 3; ++f) EXPECT_EQ(DrawView(nullptr, surface.get(), 10), 1);
    }
}

}  // namespace
