// Damaged unit files, models and scripts never bring the catalogue down:
// the healthy units load and the damaged ones are skipped or load with what
// could be read.
#include "kit/script/script_asm.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;

std::vector<uint8_t> Flip(std::vector<uint8_t> bytes, testsupport::Rng& rng, int count) {
    for (int i = 0; i < count && !bytes.empty(); ++i) bytes[rng.below(uint32_t(bytes.size()))] ^= uint8_t(1 + rng.below(255));
    return bytes;
}

class DamageTest : public GameTest {};

TEST_F(DamageTest, DamagedUnitsAreSkippedAndHealthyOnesLoad) {
    testsupport::Rng rng(7);
    const KitGameUnit healthy = KitSampleUnit("ARMGOOD", "Good");
    units.push_back(healthy);
    units.push_back(KitSampleUnit("CORGOOD", "Good Core"));
    const std::vector<uint8_t> model = KitWrite3do(healthy.model);
    std::vector<uint8_t> script;
    std::string error;
    ASSERT_TRUE(AssembleScript(healthy.script, script, error));
    const std::string fbi = KitUnitFbi(healthy);
    for (int i = 0; i < 40; ++i) {
        KitGameUnit u = KitSampleUnit("ARMBAD" + std::to_string(i), "Bad");
        switch (i % 5) {
            case 0:
                u.modelBytes = Flip(model, rng, 1 + i);
                break;
            case 1:
                u.scriptBytes = Flip(script, rng, 1 + i);
                break;
            case 2:
                u.modelBytes.assign(model.begin(), model.begin() + rng.below(uint32_t(model.size())));
                if (u.modelBytes.empty()) u.skipModel = true;
                break;
            case 3:
                u.scriptBytes.assign(script.begin(), script.begin() + rng.below(uint32_t(script.size())));
                if (u.scriptBytes.empty()) u.skipScript = true;
                break;
            default: {
                std::vector<uint8_t> text(fbi.begin(), fbi.end());
                u.fbiBytes = Flip(text, rng, 1 + i / 5);
                break;
            }
        }
        units.push_back(u);
    }
    units.push_back(KitSampleUnit("COREMPTY", "Empty"));
    units.back().fbiBytes = {0};
    Load();
    ASSERT_NE(Unit("ARMGOOD"), nullptr);
    ASSERT_NE(Unit("CORGOOD"), nullptr);
    EXPECT_EQ(Unit("COREMPTY"), nullptr);
    // Whatever loaded runs and draws.
    auto surface = apptest::MakeSurface(64, 48);
    for (ViewerUnit* u : g_viewer.units) {
        g_viewer.currentUnit = u;
        UnitCommand(u, ID_FIRE);
        UnitCommand(u, ID_AIM);
        UnitCommand(u, ID_ACTIVATE);
        UnitCommand(u, ID_MOVE);
        for (int f = 0; f < 3; ++f) EXPECT_EQ(DrawView(nullptr, surface.get(), 10), 1);
    }
}

TEST_F(DamageTest, ScriptsNamingMorePiecesThanTheModelHasLeaveTheRestAlone) {
    KitGameUnit u = KitSampleUnit("ARMLONG", "Long");
    u.script = R"(piece base hull turret barrel ghost1 ghost2
function Create
    push 163840
    move_now ghost2 y
    push 16384
    turn_now ghost1 x
    hide ghost2
    return
)";
    units.push_back(u);
    Load();
    ViewerUnit* unit = Unit("ARMLONG");
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->pieceSlots->slotCount, 4);
    EXPECT_EQ(unit->script->GetPiecePosition(5, 1), 0);
    EXPECT_EQ(unit->script->GetPieceAngle(4, 0), 0);
}

}  // namespace
