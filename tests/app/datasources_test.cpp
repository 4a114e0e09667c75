// The order in which the viewer mounts its archives.
#include <gtest/gtest.h>

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
    }
    void TearDown() override { GRIB_ResetMounts(); }
    // Each archive holds who.txt naming itself and one file of its own.
    void Archive(const std::string& name) {
        std::vector<uint8_t> who(name.begin(), name.end());
        ASSERT_TRUE(KitWriteArchive((dir_.path() / name).string(), {{"who.txt", who}, {"own\\" + name + ".txt", who}}, 0x42));
    }
    static std::vector<std::string> Mounted() {
        std::vector<std::string> names;
        for (int32_t i = 0; i < GRIB_GetEnvironment()->mountCount; ++i) names.push_back(GRIB_GetEnvironment()->mounts[i]->name);
        return names;
    }
    static std::string Read(const char* path) {
        int32_t n = 0;
        void* block = GRIB_LoadFile(path, &n);
        std::string s = block ? std::string(static_cast<char*>(block), size_t(n)) : "<missing>";
        GRIB_Free(block);
        return s;
    }
    testsupport::TempDir dir_;
    testsupport::ScopedCwd cwd_{dir_.path()};
};

TEST_F(MountOrderTest, AddOnsThenUfoThenTheFixedArchives) {
    MountDataSources();
    EXPECT_EQ(GRIB_GetEnvironment()->mountCount, 0);
    for (const char* name : {"VARNHO.GRB", "varnho1.grb", "Extra.GRB", "addon.grb", "Mod.UFO", "SHOWCASE.grb",
                             "Varnho2.Grb", "zz.ufo"})
        Archive(name);
    dir_.write("broken.grb", "GRIB");
    MountDataSources();
    // Add-ons in find order without the fixed names, then the .ufo files,
    // then the fixed names in their own order, each archive once.
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
    dir_.write("who.txt", "loose");
    EXPECT_EQ(Read("who.txt"), "loose") << "loose files override every archive";
}

}  // namespace
