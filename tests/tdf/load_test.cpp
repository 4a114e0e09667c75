// Loading: comments blanked, white space next to delimiters removed, files
// that can't be loaded, and the same file read from an archive.
#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"
#include "tests/tdf/tdf_fixture.h"

namespace {

const std::pair<std::string, std::string> kNormalised[] = {
    {"[A]{x=1; // note ; y=2;\ny=3;}", "[A]{x=1;y=3;}"},
    {"/* head */[A]{x/* in key */=1/*a*/2; /* one /* two */ y=3;}", "[A]{x=1     2;y=3;}"},
    {"[A]{/*/ x=1; */y=2;}", "[A]{y=2;}"},  // "/*/" does not close itself
    {"[A]{x=1;}/* [B]{y=2;}", "[A]{x=1;}"},
    {"[A]{x=1;/*", "[A]{x=1;"},
    {"[A]{x=1;}// end", "[A]{x=1;}"},
    {"[A]{path=a/b;}", "[A]{path=a/b;}"},  // a lone slash is text
    {"\n\n  [ unitinfo ]\r\n{\n\tName = Big   Tank ;\n  Side\t=\tARM\t;\n}\n\n", "[unitinfo]{Name=Big   Tank;Side=ARM;}"},
    {"[ A ] { ; ; [ B ] { k = v ; } ; z = 1 ; }  [ C ] { }", "[A]{;;[B]{k=v;};z=1;}[C]{}"},
    {"  junk  [A]{x=1;}", "  junk[A]{x=1;}"},  // only a token's trailing white space goes
    {" \t\r\n ", ""},
    {"[A]{x=\f1\v;}", "[A]{x=\f1\v;}"},  // form feed and vertical tab are not white space
    {std::string("[A]{x=1;}\0[B]{y=2;}", 19), "[A]{x=1;}"},
};

TEST_F(TdfTest, LoadingBlanksCommentsAndSpaceNextToDelimiters) {
    for (const auto& [text, normalised] : kNormalised) {
        Load(text);
        EXPECT_EQ(Text(), normalised) << text;
        EXPECT_EQ(tdf.length, text.size());
        EXPECT_EQ(GRIB_BlockSize(tdf.text), text.size() + 1);
        EXPECT_EQ(tdf.currentSection, nullptr);
    }
    const std::string path = dir.write(std::string(70, 'p'), "[A]{}").string();
    ASSERT_EQ(TDF_Load(&tdf, path.c_str()), 1);
    EXPECT_EQ(GRIB_BlockTag(tdf.text), path.substr(0, 63));
}

TEST_F(TdfTest, UnloadableFilesFailAndKeepTheLoadedText) {
    Load("[A]{x=1;}");
    const char* text = tdf.text;
    for (const std::string& bad : {dir.write("empty.tdf", "").string(), dir.str() + "/missing.tdf", dir.str()})
        EXPECT_EQ(TDF_Load(&tdf, bad.c_str()), 0) << bad;
    EXPECT_EQ(TDF_Load(&tdf, nullptr), 0);
    EXPECT_EQ(TDF_Load(nullptr, "x.tdf"), 0);
    EXPECT_EQ(tdf.text, text);
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1");
}

TEST_F(TdfTest, ReloadAndFreeReleaseTheText) {
    const uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    Load("[A]{x=1;}", "one.tdf");
    ASSERT_TRUE(EnterPath({"A"}));
    Load("[B]{y=2;}", "two.tdf");
    EXPECT_EQ(tdf.currentSection, nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before + 10);
    EXPECT_FALSE(EnterPath({"A"}));
    ASSERT_TRUE(EnterPath({"B"}));
    TDF_Free(&tdf);
    TDF_Free(&tdf);
    EXPECT_EQ(tdf.text, nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(TDF_EnterSection(&tdf, "B"), 0);
    EXPECT_EQ(TDF_FindKey(&tdf, "y"), nullptr);
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "y", 7), 7);
}

TEST_F(TdfTest, ArchiveCopiesAndBackslashPathsLoadThroughTheFileSystem) {
    const std::string weapons = "// demo\r\n[LASER]\r\n{ name = Light /* x */ Laser ; [DAMAGE] { default = 10 ; } }\r\n";
    Load(weapons, "gamedata/weapons.tdf");
    const std::string diskText = Text();
    const std::string archive = dir.str() + "/data.grb";
    ASSERT_TRUE(KitWriteArchive(archive, {{"gamedata\\packed.tdf", {weapons.begin(), weapons.end()}},
                                          {"units\\empty.fbi", {}}}, 0x5a));
    ASSERT_EQ(GRIB_MountArchive(archive.c_str(), 0), 1);
    testsupport::ScopedCwd cwd(dir.path());
    ASSERT_EQ(TDF_Load(&tdf, "GAMEDATA\\Packed.TDF"), 1);
    EXPECT_EQ(tdf.length, weapons.size());
    EXPECT_EQ(Text(), diskText);
    EXPECT_EQ(TDF_Load(&tdf, "units\\empty.fbi"), 0);
    EXPECT_EQ(TDF_Load(&tdf, "units"), 0) << "a folder of the archive";
    ASSERT_EQ(TDF_Load(&tdf, "gamedata\\weapons.tdf"), 1);
    EXPECT_EQ(Text(), diskText);
    GRIB_ResetMounts();
}

}  // namespace
