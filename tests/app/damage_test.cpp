// Damaged unit files, models and scripts never bring the catalogue down:
// the healthy units load and the damaged ones are skipped or load with what
// could be read.
#include "kit/script/script_asm.h"
#include "tests/app/app_support.h"

namespace {

using DamageTest = apptest::GameTest;

TEST_F(DamageTest, DamagedUnitsAreSkippedAndHealthyOnesLoad) {
    testsupport::Rng rng(7);
    auto flip = [&](std::vector<uint8_t> bytes, int count) {
        for (int i = 0; i < count; ++i) bytes[rng.below(uint32_t(bytes.size()))] ^= uint8_t(1 + rng.below(255));
        return bytes;
    };
    auto cut = [&](const std::vector<uint8_t>& bytes) {
        return std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1 + rng.below(uint32_t(bytes.size() - 1)));
    };
    const KitGameUnit healthy = KitSampleUnit("ARMGOOD", "Good");
    const std::vector<uint8_t> model = KitWrite3do(healthy.model);
    std::vector<uint8_t> script;
    std::string error;
    ASSERT_TRUE(AssembleScript(healthy.script, script, error));
    const std::string fbi = KitUnitFbi(healthy);
    units = {healthy, KitSampleUnit("CORGOOD", "Good Core"), KitSampleUnit("COREMPTY", "Empty")};
    units.back().fbiBytes = {0};
    for (int i = 0; i < 40; ++i) {
        KitGameUnit u = KitSampleUnit("ARMBAD" + std::to_string(i), "Bad");
        switch (i % 5) {
            case 0: u.modelBytes = flip(model, 1 + i); break;
            case 1: u.scriptBytes = flip(script, 1 + i); break;
            case 2: u.modelBytes = cut(model); break;
            case 3: u.scriptBytes = cut(script); break;
            default: u.fbiBytes = flip({fbi.begin(), fbi.end()}, 1 + i / 5); break;
        }
        units.push_back(u);
    }
    Load();
    ASSERT_NE(Unit("ARMGOOD"), nullptr);
    ASSERT_NE(Unit("CORGOOD"), nullptr);
    EXPECT_EQ(Unit("COREMPTY"), nullptr);
    // Whatever loaded runs and draws.
    auto surface = apptest::MakeSurface(64, 48);
    for (ViewerUnit* u : g_viewer.units) {
        g_viewer.currentUnit = u;
        for (int id : {ID_FIRE, ID_AIM, ID_ACTIVATE, ID_MOVE}) UnitCommand(u, id);
        for (int f = 0; f < 3; ++f) EXPECT_EQ(DrawView(nullptr, surface.get(), 10), 1);
    }
}

TEST_F(DamageTest, ScriptsNamingMorePiecesThanTheModelHasLeaveTheRestAlone) {
    units.push_back(apptest::ScriptedUnit("ARMLONG", "piece base hull turret barrel ghost1 ghost2\nfunction Create\n"
                                                     " push 163840\n move_now ghost2 y\n push 16384\n"
                                                     " turn_now ghost1 x\n hide ghost2\n return\n"));
    Load();
    ViewerUnit* unit = Unit("ARMLONG");
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->pieceSlots->slotCount, 4);
    EXPECT_EQ(unit->script->GetPiecePosition(5, 1), 0);
    EXPECT_EQ(unit->script->GetPieceAngle(4, 0), 0);
}

}  // namespace
