// Entering sections and finding keys.
#include "tests/tdf/tdf_fixture.h"

namespace {

const char kUnit[] =
    "[UNITINFO]\n"
    "{\n"
    "  Name=Big Tank;\n"
    "  [WEAPON]\n"
    "  {\n"
    "    range=300;\n"
    "    [DAMAGE] { default=50; }\n"
    "    reload=2;\n"
    "  }\n"
    "  [WEAPON1] { range=500; }\n"
    "  Side=ARM;\n"
    "}\n"
    "[OTHER] { Name=Other; [INNER] { deep=1; } }\n";

using Sections = TdfTest;

TEST_F(Sections, EachEnterGoesOneLevelDeeper) {
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"unitinfo", "weapon", "damage"}));
    EXPECT_EQ(Get("default"), "50");
    ASSERT_TRUE(EnterPath({"UnitInfo", "Weapon"}));
    EXPECT_EQ(Get("range"), "300");
    EXPECT_EQ(Get("reload"), "2");
}

TEST_F(Sections, ParentSeesOnlyItsOwnStatements) {
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"UNITINFO"}));
    EXPECT_EQ(Get("name"), "Big Tank");
    EXPECT_EQ(Get("range"), "<absent>") << "only inside child sections";
    EXPECT_EQ(Get("default"), "<absent>");
    EXPECT_EQ(Get("side"), "ARM") << "after the child sections";
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    EXPECT_EQ(Get("default"), "<absent>");
    EXPECT_EQ(Get("name"), "<absent>") << "a child does not see its parent";
}

TEST_F(Sections, SearchStaysInsideTheCurrentSection) {
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"UNITINFO"}));
    EXPECT_EQ(TDF_EnterSection(&tdf, "OTHER"), 0) << "a sibling of the current section";
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    EXPECT_EQ(TDF_EnterSection(&tdf, "WEAPON1"), 0) << "a sibling after the closing brace";
    EXPECT_EQ(TDF_EnterSection(&tdf, "DAMAGE"), 0) << "the failure reset to the top level";
}

TEST_F(Sections, NestedSectionsAreNotFoundAtTheTopLevel) {
    Load(kUnit);
    EXPECT_EQ(TDF_EnterSection(&tdf, "WEAPON"), 0);
    EXPECT_EQ(tdf.currentSection, nullptr);
    EXPECT_EQ(TDF_EnterSection(&tdf, "INNER"), 0);
    EXPECT_EQ(TDF_EnterSection(&tdf, "DAMAGE"), 0);
}

TEST_F(Sections, FailedEnterResetsToTheTopLevel) {
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    EXPECT_EQ(TDF_EnterSection(&tdf, "NOSUCH"), 0);
    EXPECT_EQ(tdf.currentSection, nullptr);
    EXPECT_EQ(Get("range"), "<absent>") << "getters need a current section";
    // The next search starts at the top level again.
    ASSERT_EQ(TDF_EnterSection(&tdf, "OTHER"), 1);
    EXPECT_EQ(Get("name"), "Other");
}

TEST_F(Sections, RewindSearchesTheTopLevelAgain) {
    Load(kUnit);
    ASSERT_EQ(TDF_EnterSection(&tdf, "UNITINFO"), 1);
    TDF_Rewind(&tdf);
    EXPECT_EQ(tdf.currentSection, nullptr);
    ASSERT_EQ(TDF_EnterSection(&tdf, "OTHER"), 1);
    ASSERT_EQ(TDF_EnterSection(&tdf, "INNER"), 1);
    EXPECT_EQ(TDF_GetInt(&tdf, "deep"), 1);
}

TEST_F(Sections, PrefixNamedSectionsAreTellApart) {
    Load("[WEAPON]{id=0;}[WEAPON1]{id=1;}[WEAPON12]{id=12;}[WEAPON2]{id=2;}");
    ASSERT_TRUE(EnterPath({"WEAPON1"}));
    EXPECT_EQ(Get("id"), "1");
    ASSERT_TRUE(EnterPath({"weapon2"}));
    EXPECT_EQ(Get("id"), "2");
    ASSERT_TRUE(EnterPath({"WEAPON"}));
    EXPECT_EQ(Get("id"), "0");
    EXPECT_FALSE(EnterPath({"WEAPO"}));
    EXPECT_FALSE(EnterPath({"WEAPON123"}));
}

TEST_F(Sections, HeaderWrittenWithSpacesInsideTheBrackets) {
    Load("[ unitinfo ]\n{ x = 1 ; }");
    ASSERT_TRUE(EnterPath({"UNITINFO"}));
    EXPECT_EQ(TDF_GetInt(&tdf, "x"), 1);
}

TEST_F(Sections, NamesWithInnerSpacesAndOtherCharacters) {
    Load("[ Core Tank 2 ]{a=1;}[arm.x-y]{b=2;}");
    ASSERT_TRUE(EnterPath({"CORE TANK 2"}));
    EXPECT_EQ(Get("a"), "1");
    ASSERT_TRUE(EnterPath({"ARM.X-Y"}));
    EXPECT_EQ(Get("b"), "2");
}

TEST_F(Sections, OtherTextBetweenTopLevelSectionsIsSkipped) {
    Load("garbage;x=1;[A]{a=1;}}more}{stuff}[B]{b=2;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("a"), "1");
    ASSERT_TRUE(EnterPath({"B"}));
    EXPECT_EQ(Get("b"), "2");
}

TEST_F(Sections, TopLevelIsTheWholeFileEvenWhenItStartsWithABrace) {
    Load("{junk}[A]{a=1;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("a"), "1");
}

TEST_F(Sections, LongestNameIsFoundLongerNamesAreNot) {
    std::string name253(253, 'n');
    std::string name254(254, 'n');
    Load("[" + name253 + "]{x=1;}[" + name254 + "]{x=2;}");
    ASSERT_TRUE(EnterPath({name253.c_str()}));
    EXPECT_EQ(Get("x"), "1");
    EXPECT_FALSE(EnterPath({name254.c_str()}));
    EXPECT_EQ(tdf.currentSection, nullptr);
    std::string huge(100000, 'n');
    EXPECT_FALSE(EnterPath({huge.c_str()}));
}

TEST_F(Sections, HeaderWithoutBodyIsNotFound) {
    Load("[A]{x=1;[B]}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(TDF_EnterSection(&tdf, "B"), 0) << "no '{' before the parent's closing brace";
    Load("[A]");
    EXPECT_FALSE(EnterPath({"A"}));
}

TEST_F(Sections, EmptyNameMatchesEmptyBrackets) {
    Load("[]{x=1;}");
    ASSERT_TRUE(EnterPath({""}));
    EXPECT_EQ(Get("x"), "1");
}

using Keys = TdfTest;

TEST_F(Keys, FirstOfTwoEqualKeysWins) {
    Load("[A]{x=first;X=second;x=third;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "first");
}

TEST_F(Keys, KeyMustMatchWholeUpToTheEqualsSign) {
    Load("[A]{reloadtime=5;reload=2;load=9;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("reload"), "2");
    EXPECT_EQ(Get("RELOADTIME"), "5");
    EXPECT_EQ(Get("load"), "9");
    EXPECT_EQ(Get("reloadtim"), "<absent>");
    EXPECT_EQ(Get(""), "<absent>");
}

TEST_F(Keys, FindKeyPointsJustAfterTheEqualsSign) {
    Load("[A]{x=12;y=;}");
    ASSERT_TRUE(EnterPath({"A"}));
    const char* x = TDF_FindKey(&tdf, "X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x[-1], '=');
    EXPECT_EQ(std::string(x, 3), "12;");
    const char* y = TDF_FindKey(&tdf, "y");
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(*y, ';');
    EXPECT_EQ(Get("y"), "") << "an empty value is still found";
}

TEST_F(Keys, EmptyStatementsAreSkipped) {
    Load("[A]{;;;x=1;;;y=2;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("y"), "2");
}

TEST_F(Keys, StatementsAfterSeveralNestedChildrenAreFound) {
    Load("[A]{[B]{[C]{k=deep;}k=mid;}[D]{}k=top;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("k"), "top");
    ASSERT_TRUE(EnterPath({"A", "B"}));
    EXPECT_EQ(Get("k"), "mid");
}

TEST_F(Keys, ValuesKeepTheirCase) {
    Load("[A]{Name=MiXeD Case;}");
    ASSERT_TRUE(EnterPath({"a"}));
    EXPECT_EQ(Get("NAME"), "MiXeD Case");
}

TEST_F(Keys, LookupsLeaveTheTextNormalised) {
    Load(kUnit);
    const std::string normalised = Text();
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    EXPECT_EQ(Text(), normalised);
    EXPECT_FALSE(EnterPath({"UNITINFO", "WEAPON", "NOSUCH"}));
    EXPECT_EQ(Text(), normalised);
    ASSERT_TRUE(EnterPath({"UNITINFO"}));
    EXPECT_EQ(Get("name", 3), "Big");
    EXPECT_EQ(Text(), normalised);
}

}  // namespace
