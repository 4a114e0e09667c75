// Loading: comment removal, compaction, and files that can't be loaded.
#include "grib/env/env.h"
#include "tests/tdf/tdf_fixture.h"

namespace {

using Comments = TdfTest;

TEST_F(Comments, LineCommentRunsToTheLineFeed) {
    Load("[A]{x=1; // note ; y=2;\ny=3;}");
    EXPECT_EQ(Text(), "[A]{x=1;y=3;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("y"), "3");
}

TEST_F(Comments, BlockCommentsAnywhereAndNotNested) {
    Load("/* head */[A]{x/* in key */=1/*a*/2; /* one /* two */ y=3;}");
    EXPECT_EQ(Text(), "[A]{x=1     2;y=3;}");
}

TEST_F(Comments, SlashStarSlashDoesNotCloseTheComment) {
    Load("[A]{/*/ x=1; */y=2;}");
    EXPECT_EQ(Text(), "[A]{y=2;}");
}

TEST_F(Comments, UnclosedBlockCommentRunsToTheEnd) {
    Load("[A]{x=1;}/* [B]{y=2;}");
    EXPECT_EQ(Text(), "[A]{x=1;}");
    EXPECT_EQ(TDF_EnterSection(&tdf, "B"), 0);
    Load("[A]{x=1;/*");
    EXPECT_EQ(Text(), "[A]{x=1;");
}

TEST_F(Comments, LineCommentInsideAValueEatsItsSemicolon) {
    // The value then runs on to the next ';' in the text.
    Load("[A]{url=http://example.org;\nname=B;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("url"), "http:" + std::string(14, ' ') + "\nname=B");
    EXPECT_EQ(Get("name"), "<absent>");
}

TEST_F(Comments, CommentsLeaveLengthAndTagAlone) {
    std::string path = dir.write("commented.tdf", "//only\n[A]{x=1;}").string();
    ASSERT_EQ(TDF_Load(&tdf, path.c_str()), 1);
    EXPECT_EQ(tdf.length, 16u);
    EXPECT_EQ(GRIB_BlockSize(tdf.text), 17u);
    EXPECT_EQ(std::string(GRIB_BlockTag(tdf.text)), path.substr(0, 63));
    EXPECT_EQ(tdf.currentSection, nullptr);
}

using Compaction = TdfTest;

TEST_F(Compaction, SpacesNextToDelimitersGoInnerSpacesStay) {
    Load("\n\n  [ unitinfo ]\r\n{\n\tName = Big   Tank ;\n  Side\t=\tARM\t;\n}\n\n");
    EXPECT_EQ(Text(), "[unitinfo]{Name=Big   Tank;Side=ARM;}");
    ASSERT_TRUE(EnterPath({"UNITINFO"}));
    EXPECT_EQ(Get("name"), "Big   Tank");
    EXPECT_EQ(Get("SIDE"), "ARM");
}

TEST_F(Compaction, NestedSectionsAndEmptyStatements) {
    Load("[ A ] { ; ; [ B ] { k = v ; } ; z = 1 ; }  [ C ] { }");
    EXPECT_EQ(Text(), "[A]{;;[B]{k=v;};z=1;}[C]{}");
}

TEST_F(Compaction, LeadingTextBeforeTheFirstDelimiterKeepsItsLeadingSpace) {
    // Only a token's trailing white space is dropped.
    Load("  junk  [A]{x=1;}");
    EXPECT_EQ(Text(), "  junk[A]{x=1;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1");
}

TEST_F(Compaction, WhiteSpaceOnlyFileLoadsAsEmptyText) {
    Load(" \t\r\n ");
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(tdf.length, 5u);
    EXPECT_EQ(TDF_EnterSection(&tdf, "A"), 0);
}

TEST_F(Compaction, OtherBytesAreNotWhiteSpace) {
    // Form feed and vertical tab are kept as part of a token.
    Load("[A]{x=\f1\v;}");
    EXPECT_EQ(Text(), "[A]{x=\f1\v;}");
}

TEST_F(Compaction, TextAfterAZeroByteIsIgnored) {
    Load(std::string("[A]{x=1;}\0[B]{y=2;}", 19));
    EXPECT_EQ(tdf.length, 19u);
    EXPECT_EQ(Text(), "[A]{x=1;}");
    EXPECT_EQ(TDF_EnterSection(&tdf, "B"), 0);
}

using Loading = TdfTest;

TEST_F(Loading, EmptyAndMissingFilesFail) {
    std::string empty = dir.write("empty.tdf", std::string()).string();
    EXPECT_EQ(TDF_Load(&tdf, empty.c_str()), 0);
    EXPECT_EQ(tdf.text, nullptr);
    std::string missing = (dir.path() / "missing.tdf").string();
    EXPECT_EQ(TDF_Load(&tdf, missing.c_str()), 0);
    EXPECT_EQ(tdf.text, nullptr);
    EXPECT_EQ(TDF_Load(&tdf, (dir.path()).string().c_str()), 0) << "a folder is not a file";
}

TEST_F(Loading, FailedLoadKeepsTheLoadedText) {
    Load("[A]{x=1;}");
    std::string missing = (dir.path() / "missing.tdf").string();
    EXPECT_EQ(TDF_Load(&tdf, missing.c_str()), 0);
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1");
}

TEST_F(Loading, ReloadReplacesTheTextWithoutLeaking) {
    Load("[A]{x=1;}", "one.tdf");
    uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    ASSERT_TRUE(EnterPath({"A"}));
    Load("[B]{y=2;}", "two.tdf");
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(tdf.currentSection, nullptr);
    EXPECT_EQ(TDF_EnterSection(&tdf, "A"), 0);
    ASSERT_TRUE(EnterPath({"B"}));
    EXPECT_EQ(Get("y"), "2");
}

TEST_F(Loading, FreeReleasesOnceAndLookupsThenFindNothing) {
    uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    Load("[A]{x=1;}");
    EXPECT_GT(GRIB_GetEnvironment()->allocatedBytes, before);
    ASSERT_TRUE(EnterPath({"A"}));
    TDF_Free(&tdf);
    EXPECT_EQ(tdf.text, nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    TDF_Free(&tdf);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(TDF_EnterSection(&tdf, "A"), 0);
    EXPECT_EQ(TDF_FindKey(&tdf, "x"), nullptr);
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "x", 7), 7);
}

TEST_F(Loading, RelativeBackslashPathThroughTheFileSystem) {
    dir.write("gamedata/showcase.tdf", "[RESOURCES]{Logo=logo.pcx;}");
    testsupport::ScopedCwd cwd(dir.path());
    ASSERT_EQ(TDF_Load(&tdf, "gamedata\\showcase.tdf"), 1);
    ASSERT_TRUE(EnterPath({"resources"}));
    EXPECT_EQ(Get("logo"), "logo.pcx");
}

TEST_F(Loading, NullArgumentsAreRejected) {
    EXPECT_EQ(TDF_Load(&tdf, nullptr), 0);
    EXPECT_EQ(TDF_Load(nullptr, "x.tdf"), 0);
    Load("[A]{x=1;}");
    EXPECT_EQ(TDF_EnterSection(&tdf, nullptr), 0);
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(TDF_FindKey(&tdf, nullptr), nullptr);
    EXPECT_EQ(TDF_FindKey(nullptr, "x"), nullptr);
}

}  // namespace
