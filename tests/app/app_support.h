// Game folders for the viewer tests: a base game from kit/game plus the
// units a test describes, loaded through the viewer's start-up data path in
// a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/hooks.h"
#include "app/script_host.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "kit/game/game_builder.h"
#include "tests/support/support.h"

namespace apptest {

inline KitGameWeapon Weapon(const std::string& section, KitKeyValues keys) { return {section, std::move(keys)}; }

// Sets a key of a unit's info (the keys are looked up by name, so it may
// move to the end); an empty value drops the key.
inline void SetInfo(KitGameUnit& unit, const std::string& key, const std::string& value) {
    std::erase_if(unit.info, [&](const auto& kv) { return kv.first == key; });
    if (!value.empty()) unit.info.push_back({key, value});
}

// A sample unit named after its file with some of its info changed.
inline KitGameUnit SampleWith(const std::string& file, const KitKeyValues& changes) {
    KitGameUnit u = KitSampleUnit(file, file);
    for (const auto& [k, v] : changes) SetInfo(u, k, v);
    return u;
}

// A unit with the tank model and a script of the test's own.
inline KitGameUnit ScriptedUnit(const std::string& file, const std::string& script) {
    KitGameUnit u = KitSampleUnit(file, file);
    u.script = script;
    return u;
}

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        // Tests that listen for sounds install their own player.
        g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return 0; };
        ViewerReset();
        options.weapons = {Weapon("LASER", {{"reloadtime", "1.5"}, {"aimrate", "16384"}, {"soundstart", "zap"}}),
                           Weapon("GUN", {{"reloadtime", "0.5"}, {"name", "Big Gun"}})};
        options.sounds = {"zap"};
    }
    void TearDown() override {
        ViewerReset();
        cwd.reset();
        g_viewerHooks.buttonState = [](int) { return 0; };
        g_viewerHooks.milliseconds = GRIB_Milliseconds;
        g_viewerHooks.setButtonText = [](int, const char*) {};
    }

    // Writes the game (base + units) and loads it as the viewer does.
    void Load() {
        KitGame game;
        KitAddBase(game, options);
        for (const KitGameUnit& u : units) {
            std::string error;
            ASSERT_TRUE(KitAddUnit(game, u, &error)) << error;
        }
        for (const KitGameFile& f : extra) game.Add(f.path, f.data, f.archive);
        std::string error;
        ASSERT_TRUE(KitWriteGame(game, dir.str(), &error)) << error;
        cwd = std::make_unique<testsupport::ScopedCwd>(dir.path());
        ViewerLoadData(0);
    }

    ViewerUnit* Unit(const std::string& file) const {
        for (ViewerUnit* u : g_viewer.units)
            if (file == u->fileName) return u;
        return nullptr;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (ViewerUnit* u : g_viewer.units) out.push_back(u->fileName);
        return out;
    }
    // The slot that drives the piece of that name.
    static PieceSlot* SlotOf(ViewerUnit* u, const char* piece) {
        for (int32_t i = 0; i < u->pieceSlots->slotCount; ++i)
            if (!std::strcmp(u->pieceSlots->slots[i].piece->name, piece)) return &u->pieceSlots->slots[i];
        return nullptr;
    }

    testsupport::TempDir dir;
    KitGameOptions options;
    std::vector<KitGameUnit> units;
    std::vector<KitGameFile> extra;
    std::unique_ptr<testsupport::ScopedCwd> cwd;
};

// An owned bitmap for frames.
struct BitmapDeleter {
    void operator()(GribBitmap* b) const { GRIB_FreeBitmap(b); }
};
using BitmapPtr = std::unique_ptr<GribBitmap, BitmapDeleter>;
inline BitmapPtr MakeSurface(uint32_t w, uint32_t h) { return BitmapPtr(GRIB_CreateBitmap("test surface", w, h)); }
inline std::vector<uint8_t> Pixels(const GribBitmap* b) {
    return {b->pixels, b->pixels + size_t(b->pitch) * b->height};
}

}  // namespace apptest
