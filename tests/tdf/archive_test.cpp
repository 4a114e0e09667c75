// The same text data file read from disk and from inside an archive.
#include <utility>
#include <vector>

#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"
#include "tests/tdf/tdf_fixture.h"

namespace {

const char kWeapons[] =
    "// weapons of the demo\r\n"
    "[LASER]\r\n{\r\n  name = Light Laser ;\r\n  reloadtime = 0.5 ;\r\n  range = 300 ;\r\n"
    "  [DAMAGE] { default = 10 ; }\r\n  soundstart = laser1 ;\r\n}\r\n"
    "[LASER2] { name = Heavy /* twice */ Laser ; reloadtime = 1.25e0 ; range = 450x ; }\r\n";

// Every answer a reader of this file could ask for, as text.
std::vector<std::string> Answers(TdfFile& tdf) {
    std::vector<std::string> out;
    const std::vector<std::vector<const char*>> paths = {{"laser"}, {"LASER2"}, {"LASER", "DAMAGE"}, {"DAMAGE"}};
    for (const auto& path : paths) {
        TDF_Rewind(&tdf);
        bool entered = true;
        for (const char* p : path) entered = entered && TDF_EnterSection(&tdf, p);
        out.push_back(entered ? "entered" : "not entered");
        for (const char* key : {"name", "reloadtime", "range", "default", "soundstart", "missing"}) {
            char buffer[32];
            int found = TDF_GetStringDefault(&tdf, buffer, key, 31, "-");
            out.push_back(std::string(key) + "=" + buffer + (found ? "" : " (absent)") + " int " +
                          std::to_string(TDF_GetIntDefault(&tdf, key, -1)) + " float " +
                          std::to_string(TDF_GetFloatDefault(&tdf, key, -1.0)));
        }
    }
    return out;
}

class TdfArchive : public TdfTest {
protected:
    void TearDown() override {
        TdfTest::TearDown();
        GRIB_ResetMounts();
    }
    std::string MakeArchive(const std::string& name, uint8_t key) {
        std::vector<KitArchiveFile> files = {
            {"gamedata\\weapons.tdf", std::vector<uint8_t>(kWeapons, kWeapons + sizeof kWeapons - 1)},
            {"gamedata\\other.tdf", std::vector<uint8_t>{'[', 'X', ']', '{', '}'}},
            {"units\\empty.fbi", {}},
        };
        std::string path = (archives.path() / name).string();
        EXPECT_TRUE(KitWriteArchive(path, files, key));
        return path;
    }

    testsupport::TempDir archives;
    testsupport::TempDir game;
};

TEST_F(TdfArchive, DiskAndArchiveGiveTheSameAnswers) {
    std::string disk = dir.write("gamedata/weapons.tdf", kWeapons).string();
    ASSERT_EQ(TDF_Load(&tdf, disk.c_str()), 1);
    const std::string diskText = Text();
    const std::vector<std::string> expected = Answers(tdf);
    EXPECT_EQ(expected[0], "entered");

    for (uint8_t key : {uint8_t{0}, uint8_t{0x5a}}) {
        SCOPED_TRACE(static_cast<int>(key));
        GRIB_ResetMounts();
        ASSERT_EQ(GRIB_MountArchive(MakeArchive("data" + std::to_string(key) + ".grb", key).c_str(), 0), 1);
        testsupport::ScopedCwd cwd(game.path());
        TdfFile packed;
        ASSERT_EQ(TDF_Load(&packed, "GAMEDATA\\Weapons.TDF"), 1);
        EXPECT_EQ(packed.length, sizeof kWeapons - 1);
        EXPECT_EQ(std::string(packed.text), diskText);
        EXPECT_EQ(Answers(packed), expected);
        TDF_Free(&packed);
    }
}

TEST_F(TdfArchive, DiskCopyWinsOverTheArchive) {
    ASSERT_EQ(GRIB_MountArchive(MakeArchive("data.grb", 0).c_str(), 0), 1);
    game.write("gamedata/weapons.tdf", "[LASER]{name=Disk Laser;}");
    testsupport::ScopedCwd cwd(game.path());
    ASSERT_EQ(TDF_Load(&tdf, "gamedata\\weapons.tdf"), 1);
    ASSERT_TRUE(EnterPath({"LASER"}));
    EXPECT_EQ(Get("name"), "Disk Laser");
}

TEST_F(TdfArchive, EmptyOrMissingArchiveFilesFail) {
    ASSERT_EQ(GRIB_MountArchive(MakeArchive("data.grb", 0).c_str(), 0), 1);
    testsupport::ScopedCwd cwd(game.path());
    EXPECT_EQ(TDF_Load(&tdf, "units\\empty.fbi"), 0);
    EXPECT_EQ(TDF_Load(&tdf, "units\\tank.fbi"), 0);
    EXPECT_EQ(TDF_Load(&tdf, "gamedata"), 0) << "a directory of the archive";
    ASSERT_EQ(TDF_Load(&tdf, "gamedata\\other.tdf"), 1);
    EXPECT_TRUE(EnterPath({"x"}));
}

}  // namespace
