// The order in which the viewer mounts its archives.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/datasources.h"
#include "grib/env/env.h"
#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"
#include "tests/support/support.h"

namespace {

class MountOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        GRIB_ResetMounts();
        testsupport::StartGrib();
        cwd_ = std::make_unique<testsupport::ScopedCwd>(dir_.path());
    }
    void TearDown() override {
        GRIB_ResetMounts();
        cwd_.reset();
    }
    // Each archive holds who.txt naming itself and one file of its own.
    void Archive(const std::string& name) {
        std::vector<uint8_t> who(name.begin(), name.end());
        ASSERT_TRUE(KitWriteArchive((dir_.path() / name).string(),
                                    {{"who.txt", who}, {"own\\" + name + ".txt", who}}, 0x42));
    }
    static std::vector<std::string> Mounted() {
        std::vector<std::string> names;
        GribEnvironment* env = GRIB_GetEnvironment();
        for (int32_t i = 0; i < env->mountCount; ++i) names.push_back(env->mounts[i]->name);
        return names;
    }
    static std::string Read(const char* path) {
        int32_t n = 0;
        void* block = GRIB_LoadFile(path, &n);
        if (!block) return "<missing>";
        std::string s(static_cast<char*>(block), static_cast<size_t>(n));
        GRIB_Free(block);
        return s;
    }

    testsupport::TempDir dir_;
    std::unique_ptr<testsupport::ScopedCwd> cwd_;
};

TEST_F(MountOrderTest, AddOnsThenUfoThenTheFixedArchives) {
    for (const char* name : {"VARNHO.GRB", "varnho1.grb", "Extra.GRB", "addon.grb", "Mod.UFO", "SHOWCASE.grb",
                             "Varnho2.Grb", "zz.ufo"})
        Archive(name);
    testsupport::WriteBytes(dir_.path() / "broken.grb", {'G', 'R', 'I', 'B'});
    MountDataSources();
    // Step 1 in find order without the fixed names, step 2, then step 3 in
    // its own order, each archive once.
    EXPECT_EQ(Mounted(), (std::vector<std::string>{"addon.grb", "Extra.GRB", "Mod.UFO", "zz.ufo", "Varnho1.GRB",
                                                   "Varnho2.GRB", "Varnho.GRB", "Showcase.GRB"}));
    EXPECT_EQ(Read("who.txt"), "addon.grb");
    EXPECT_EQ(Read("OWN\\showcase.grb.txt"), "SHOWCASE.grb");
    // The shadow pass ran: who.txt is listed once.
    FindData d;
    intptr_t f = GRIB_FindFirst("who.txt", &d);
    ASSERT_NE(f, -1);
    EXPECT_EQ(GRIB_FindSource(f), 0);
    EXPECT_EQ(GRIB_FindNext(f, &d), -1);
    GRIB_FindClose(f);
}

TEST_F(MountOrderTest, OnlyTheGameArchiveInCapitalsIsMountedOnce) {
    Archive("VARNHO.GRB");
    MountDataSources();
    EXPECT_EQ(Mounted(), std::vector<std::string>{"Varnho.GRB"});
    EXPECT_EQ(Read("who.txt"), "VARNHO.GRB");
}

TEST_F(MountOrderTest, AddOnOverridesTheGameAndLooseFilesOverrideBoth) {
    ASSERT_TRUE(KitWriteArchive((dir_.path() / "Varnho.GRB").string(), {{"units\\tank.fbi", {'g'}}}, 0));
    ASSERT_TRUE(KitWriteArchive((dir_.path() / "Extra.GRB").string(), {{"units\\tank.fbi", {'e'}}}, 7));
    MountDataSources();
    EXPECT_EQ(Read("units\\tank.fbi"), "e");
    dir_.write("units/tank.fbi", "d");
    EXPECT_EQ(Read("units\\tank.fbi"), "d");
}

TEST_F(MountOrderTest, NothingToMount) {
    MountDataSources();
    EXPECT_EQ(GRIB_GetEnvironment()->mountCount, 0);
}

}  // namespace
