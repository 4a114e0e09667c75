// Entering sections and finding keys, in well-formed and damaged texts.
#include "tests/tdf/tdf_fixture.h"

namespace {

const std::string kUnit =
    "[UNITINFO]\n{\n  Name=Big Tank;\n  [WEAPON]\n  {\n    range=300;\n    [DAMAGE] { default=50; }\n"
    "    reload=2;\n  }\n  [WEAPON1] { range=500; }\n  Side=ARM;\n}\n"
    "[OTHER] { Name=Other; [INNER] { deep=1; } }\n";
const std::string kPrefixed = "[WEAPON]{id=0;}[WEAPON1]{id=1;}[WEAPON12]{id=12;}[WEAPON2]{id=2;}";
const std::string kKeys = "[A]{reloadtime=5;reload=2;load=9;}";
const std::string kNested = "[A]{[B]{[C]{k=deep;}k=mid;}[D]{}k=top;}";
const std::string kBracket = "[A]{x=a[b;y=2;}[b]{z=3;}";
const std::string kLong(253, 'n');
const std::string kNoSection = "<no section>";

struct Lookup {
    std::string text;
    std::vector<std::string> path;  // entered in turn from the top level
    std::string key;
    std::string want;  // the value, "<absent>", or kNoSection when the path can't be entered
};

const Lookup kLookups[] = {
    {kUnit, {"unitinfo", "weapon", "damage"}, "default", "50"},
    {kUnit, {"UnitInfo", "Weapon"}, "reload", "2"},  // after a child section
    {kUnit, {"UNITINFO"}, "name", "Big Tank"},
    {kUnit, {"UNITINFO"}, "range", "<absent>"},  // only inside the child sections
    {kUnit, {"UNITINFO"}, "side", "ARM"},
    {kUnit, {"UNITINFO", "WEAPON"}, "name", "<absent>"},  // a child does not see its parent
    {kUnit, {"UNITINFO", "OTHER"}, "name", kNoSection},   // a sibling of the current section
    {kUnit, {"UNITINFO", "WEAPON", "WEAPON1"}, "range", kNoSection},  // a sibling after the closing brace
    {kUnit, {"WEAPON"}, "range", kNoSection},  // nested sections are not at the top level
    {kUnit, {"OTHER", "INNER"}, "deep", "1"},
    {kPrefixed, {"WEAPON1"}, "id", "1"},
    {kPrefixed, {"WEAPON"}, "id", "0"},
    {kPrefixed, {"WEAPO"}, "id", kNoSection},
    {kPrefixed, {"WEAPON123"}, "id", kNoSection},
    {"[ Core Tank 2 ]{a=1;}[arm.x-y]{b=2;}", {"ARM.X-Y"}, "b", "2"},  // names hold any other characters,
    {"garbage;x=1;[A]{a=1;}}more}{stuff}[B]{b=2;}", {"B"}, "b", "2"},
    {"{junk}[A]{a=1;}", {"A"}, "a", "1"},
    {"[" + kLong + "]{x=1;}[" + kLong + "n]{x=2;}", {kLong}, "x", "1"},
    {"[" + kLong + "n]{x=2;}", {kLong + "n"}, "x", kNoSection},  // longer than a name can be
    {"[A]{x=1;}", {std::string(100000, 'n')}, "x", kNoSection},
    {"[A]{x=1;[B]}", {"A", "B"}, "x", kNoSection},  // no '{' before the parent's closing brace
    {"[A]", {"A"}, "x", kNoSection},
    {"[]{x=1;}", {""}, "x", "1"},
    {"[A]{x=first;X=second;x=third;}", {"A"}, "x", "first"},
    {kKeys, {"A"}, "reload", "2"},
    {kKeys, {"A"}, "load", "9"},
    {kKeys, {"A"}, "reloadtim", "<absent>"},
    {kKeys, {"A"}, "", "<absent>"},
    {"[A]{x=12;y=;}", {"A"}, "y", ""},
    {"[A]{;;;x=1;;;y=2;}", {"A"}, "y", "2"},
    {kNested, {"A"}, "k", "top"},
    {kNested, {"A", "B"}, "k", "mid"},
    {"[A]{Name=MiXeD Case;}", {"a"}, "NAME", "MiXeD Case"},
    // A line comment inside a value takes its ';' along: the value runs on.
    {"[A]{url=http://example.org;\nname=B;}", {"A"}, "url", "http:" + std::string(14, ' ') + "\nname=B"},
    {std::string("[A]{x=1;}\0[B]{y=2;}", 19), {"B"}, "y", kNoSection},  // nothing after a 0 byte
    {"[A]{x=1}[B]{y=2;}", {"A"}, "x", "1}[B]{y=2"},  // a statement without ';' runs on
    {"[A]{x=1", {"A"}, "x", "1"},
    {"[A]{{{x=1;[B]{y=2;", {"A"}, "x", "<absent>"},  // a statement can't start with a brace
    {"[A]{{{x=1;[B]{y=2;", {"A", "B"}, "y", "2"},    // no closing brace: the search runs to the end
    {"}}}[A]{x=1;}}}}", {"A"}, "x", "1"},
    {kBracket, {"A"}, "x", "a[b"},
    {kBracket, {"A", "b"}, "z", kNoSection},
    {kBracket, {"b"}, "z", "3"},
    {"[A]{[B]x=1;}y=2;}", {"A"}, "y", "<absent>"},  // a child without a body ends the key search
    {"[A]{=x;k=1;}", {"A"}, "k", "<absent>"},       // and so does a statement opening with a delimiter
    {"[A]{]x;k=1;}", {"A"}, "k", "<absent>"},
    {"[A]{{}k=1;}", {"A"}, "k", "<absent>"},
    {"[A]{}k=1;}", {"A"}, "k", "<absent>"},
    {"[A]{", {"A"}, "x", "<absent>"},
    {"[A]{x", {"A"}, "x", "<absent>"},
    {"[A]{x=1;[B", {"A"}, "y", "<absent>"},  // a child header the text ends in
    {"[A]{x=1;[B]{y=2", {"A"}, "z", "<absent>"},  // an unclosed child
    {"[A]{x=1;[B]{y=2", {"A", "B"}, "y", "2"},  // the file ends inside a section
    {"[A]{x=1;[B]", {"A", "B"}, "y", kNoSection},
    {"[A]{x=", {"A"}, "x", ""},
    {"[A", {"A"}, "x", kNoSection},
};

TEST_F(TdfTest, LookupsFollowTheSectionAndKeyRules) {
    for (const Lookup& c : kLookups) {
        SCOPED_TRACE(c.text.substr(0, 60) + " / " + c.key);
        Load(c.text);
        const std::string normalised = Text();
        const bool entered = EnterPath(c.path);
        EXPECT_EQ(entered ? Get(c.key) : kNoSection, c.want);
        if (!entered) {
            EXPECT_EQ(tdf.currentSection, nullptr);
            EXPECT_EQ(Get(c.key), "<absent>") << "getters need a current section";
        } else if (const char* value = TDF_FindKey(&tdf, c.key.c_str())) {
            EXPECT_EQ(value[-1], '=');
        }
        EXPECT_EQ(Text(), normalised) << "lookups leave the text as it was";
    }
}

TEST_F(TdfTest, AFailedEnterAndRewindGoBackToTheTopLevel) {
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    EXPECT_EQ(TDF_EnterSection(&tdf, "NOSUCH"), 0);
    ASSERT_EQ(TDF_EnterSection(&tdf, "OTHER"), 1);
    ASSERT_EQ(TDF_EnterSection(&tdf, "INNER"), 1);
    TDF_Rewind(&tdf);
    EXPECT_EQ(tdf.currentSection, nullptr);
    EXPECT_EQ(TDF_EnterSection(&tdf, "UNITINFO"), 1);
    EXPECT_EQ(TDF_EnterSection(&tdf, nullptr), 0);
    EXPECT_EQ(TDF_FindKey(&tdf, nullptr), nullptr);
    EXPECT_EQ(TDF_FindKey(nullptr, "x"), nullptr);
}

}  // namespace
