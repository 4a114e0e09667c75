// Text data files: loading and normalising, sections and keys in well-formed
// and damaged texts, and the getters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "grib/env/env.h"
#include "grib/tdf/tdf.h"
#include "tests/support/support.h"

namespace {

class Tdf : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    void TearDown() override { TDF_Free(&tdf); }
    void Load(const std::string& text, const std::string& name = "test.tdf") {
        ASSERT_EQ(TDF_Load(&tdf, dir.write(name, text).string().c_str()), 1) << "text: " << text;
    }
    std::string Text() const { return tdf.text ? tdf.text : ""; }
    // The value through the string getter; "<absent>" when not found.
    std::string Get(const std::string& key, int32_t size = 255) {
        std::string buffer(static_cast<size_t>(size) + 1, '\x7f');
        return TDF_GetString(&tdf, buffer.data(), key.c_str(), size) ? buffer.c_str() : "<absent>";
    }
    // Enters each section from the top level, one level deeper each.
    bool EnterPath(const std::vector<std::string>& names) {
        TDF_Rewind(&tdf);
        for (const std::string& n : names)
            if (!TDF_EnterSection(&tdf, n.c_str())) return false;
        return true;
    }
    testsupport::TempDir dir;
    TdfFile tdf;
};

TEST_F(Tdf, LoadingBlanksCommentsAndSpaceNextToDelimiters) {
    const std::pair<std::string, std::string> rows[] = {
        {"[A]{x=1; // note ; y=2;\ny=3;}", "[A]{x=1;y=3;}"}, {"[A]{x=1;}// end", "[A]{x=1;}"},
        {"/* head */[A]{x/* in key */=1/*a*/2; /* one /* two */ y=3;}", "[A]{x=1     2;y=3;}"},
        {"[A]{/*/ x=1; */y=2;}", "[A]{y=2;}"},  // "/*/" does not close itself
        {"[A]{x=1;}/* [B]{y=2;}", "[A]{x=1;}"}, {"[A]{path=a/b;}", "[A]{path=a/b;}"},  // a lone slash is text
        {"\n [ unitinfo ]\r\n{\n\tName = Big   Tank ;\n [ B ] { k = v ; } ; }\n\n",
         "[unitinfo]{Name=Big   Tank;[B]{k=v;};}"},
        {"  junk  [A]{x=1;}", "  junk[A]{x=1;}"},  // only a token's trailing white space goes
        {"[A]{x=\f1\v;}", "[A]{x=\f1\v;}"},        // form feed and vertical tab are not white space
    };
    for (const auto& [text, normalised] : rows) {
        Load(text);
        EXPECT_EQ(Text(), normalised) << text;
        EXPECT_EQ(tdf.length, text.size());
        EXPECT_EQ(GRIB_BlockSize(tdf.text), text.size() + 1);
    }
}

TEST_F(Tdf, UnloadableFilesKeepTheTextAndFreeReleasesIt) {
    const uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    Load("[A]{x=1;}", "one.tdf");
    ASSERT_TRUE(EnterPath({"A"}));
    for (const std::string& bad : {dir.write("empty.tdf", "").string(), dir.str() + "/missing.tdf", dir.str()})
        EXPECT_EQ(TDF_Load(&tdf, bad.c_str()), 0) << bad;
    EXPECT_EQ(TDF_Load(&tdf, nullptr) + TDF_Load(nullptr, "x.tdf"), 0);
    EXPECT_EQ(Get("x"), "1");
    Load("[B]{y=2;}", "two.tdf");
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before + 10);
    EXPECT_TRUE(!tdf.currentSection && !EnterPath({"A"}));
    for (int twice = 0; twice < 2; ++twice) TDF_Free(&tdf);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(TDF_EnterSection(&tdf, "B"), 0);
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "y", 7), 7);
}

const std::string kUnit = "[UNITINFO]{Name=Big Tank;[WEAPON]{range=300;[DAMAGE]{default=50;}reload=2;}"
                          "[WEAPON1]{range=500;}Side=ARM;}[OTHER]{Name=Other;}";
const std::string kLong(253, 'n'), kBracket = "[A]{x=a[b;y=2;}[b]{z=3;}", kNo = "<no section>";

struct Lookup {
    std::string text;
    std::vector<std::string> path;  // entered in turn from the top level
    std::string key;
    std::string want;  // the value, "<absent>", or kNo when the path can't be entered
};

const Lookup kLookups[] = {
    {kUnit, {"unitinfo", "weapon", "damage"}, "default", "50"}, {kUnit, {"UnitInfo", "Weapon"}, "reload", "2"},
    {kUnit, {"UNITINFO"}, "range", "<absent>"},                 // only inside the child sections
    {kUnit, {"UNITINFO", "WEAPON"}, "name", "<absent>"},        // a child does not see its parent
    {kUnit, {"UNITINFO", "OTHER"}, "name", kNo},                // a sibling of the current section
    {kUnit, {"UNITINFO", "WEAPON", "WEAPON1"}, "range", kNo},   // a sibling after the closing brace
    {kUnit, {"WEAPON"}, "range", kNo},                          // nested sections are not at the top level
    {"[WEAPON]{id=0;}[WEAPON1]{id=1;}", {"WEAPON1"}, "id", "1"}, {"[WEAPON1]{id=1;}", {"WEAPO"}, "id", kNo},
    {"[WEAPON12]{id=12;}", {"WEAPON123"}, "id", kNo}, {"[ Core Tank 2 ]{a=1;}[arm.x-y]{b=2;}", {"ARM.X-Y"}, "b", "2"},
    {"garbage;x=1;[A]{a=1;}}more}{stuff}[B]{b=2;}", {"B"}, "b", "2"}, {"[]{x=1;}", {""}, "x", "1"},
    {"[" + kLong + "]{x=1;}[" + kLong + "n]{x=2;}", {kLong}, "x", "1"},
    {"[" + kLong + "n]{x=2;}", {kLong + "n"}, "x", kNo},  // longer than a name can be
    {"[A]{x=1;[B]}", {"A", "B"}, "x", kNo}, {"[A]", {"A"}, "x", kNo}, {"[A", {"A"}, "x", kNo},  // no '{'
    {"[A]{x=first;X=second;}", {"A"}, "x", "first"}, {"[A]{Name=MiXeD Case;}", {"a"}, "NAME", "MiXeD Case"},
    {"[A]{reloadtime=5;reload=2;}", {"A"}, "reload", "2"}, {"[A]{reload=2;}", {"A"}, "reloadtim", "<absent>"},
    {"[A]{x=12;y=;}", {"A"}, "y", ""}, {"[A]{;;;x=1;;;y=2;}", {"A"}, "y", "2"},
    {"[A]{[B]{[C]{k=deep;}k=mid;}[D]{}k=top;}", {"A"}, "k", "top"},
    // A line comment inside a value takes its ';' along: the value runs on.
    {"[A]{url=http://example.org;\nname=B;}", {"A"}, "url", "http:" + std::string(14, ' ') + "\nname=B"},
    {std::string("[A]{x=1;}\0[B]{y=2;}", 19), {"B"}, "y", kNo},  // nothing after a 0 byte
    {"[A]{x=1}[B]{y=2;}", {"A"}, "x", "1}[B]{y=2"},              // a statement without ';' runs on
    {"[A]{x=1", {"A"}, "x", "1"}, {"[A]{x=", {"A"}, "x", ""}, {"[A]{", {"A"}, "x", "<absent>"},
    {"[A]{{{x=1;[B]{y=2;", {"A"}, "x", "<absent>"},  // a statement can't start with a brace
    {"[A]{{{x=1;[B]{y=2;", {"A", "B"}, "y", "2"},    // no closing brace: the search runs to the end
    {kBracket, {"A"}, "x", "a[b"}, {kBracket, {"A", "b"}, "z", kNo}, {"[A]{x", {"A"}, "x", "<absent>"},
    // A child without a body, a statement opening with a delimiter or the text ending in a child end the search.
    {"[A]{[B]x=1;}y=2;}", {"A"}, "y", "<absent>"}, {"[A]{=x;k=1;}", {"A"}, "k", "<absent>"},
    {"[A]{]x;k=1;}", {"A"}, "k", "<absent>"}, {"[A]{{}k=1;}", {"A"}, "k", "<absent>"},
    {"[A]{}k=1;}", {"A"}, "k", "<absent>"}, {"[A]{x=1;[B", {"A"}, "y", "<absent>"},
    {"[A]{x=1;[B]{y=2", {"A"}, "z", "<absent>"}, {"[A]{x=1;[B]{y=2", {"A", "B"}, "y", "2"},
};

TEST_F(Tdf, LookupsFollowTheSectionAndKeyRules) {
    for (const Lookup& c : kLookups) {
        SCOPED_TRACE(c.text.substr(0, 60) + " / " + c.key);
        Load(c.text);
        const std::string normalised = Text();
        const bool entered = EnterPath(c.path);
        EXPECT_EQ(entered ? Get(c.key) : kNo, c.want);
        EXPECT_TRUE(entered || (!tdf.currentSection && Get(c.key) == "<absent>")) << "getters need a current section";
        const char* value = TDF_FindKey(&tdf, c.key.c_str());
        EXPECT_TRUE(!value || value[-1] == '=');
        EXPECT_EQ(Text(), normalised) << "lookups leave the text as it was";
    }
    // A failed enter goes back to the top level.
    Load(kUnit);
    ASSERT_TRUE(EnterPath({"UNITINFO", "WEAPON"}));
    std::vector<int> entered;
    for (const char* name : {"NOSUCH", "OTHER", static_cast<const char*>(nullptr)})
        entered.push_back(TDF_EnterSection(&tdf, name));
    EXPECT_EQ(entered, (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(!tdf.currentSection && !TDF_FindKey(&tdf, nullptr) && !TDF_FindKey(nullptr, "x"));
}

struct Number {
    const char* text;
    int32_t asInt;
    double asFloat;
};

const Number kNumbers[] = {
    {"42", 42, 42.0}, {"-17", -17, -17.0}, {"+8", 8, 8.0}, {"12abc", 12, 12.0}, {"abc", 0, 0.0}, {"", 0, 0.0},
    {"3 4", 3, 3.0}, {"0.5", 0, 0.5}, {".25", 0, 0.25}, {"7.", 7, 7.0}, {"1.5e3", 1, 1500.0}, {"-2E-2", -2, -0.02},
    {"3e", 3, 3.0}, {"0x10", 0, 0.0}, {"inf", 0, 0.0},  // an exponent needs a digit; no hexadecimal, no words
    {"0.1", 0, 0.1}, {"1e400", 1, HUGE_VAL}, {"1e-400", 1, 0.0},
    {"99999999999999", std::numeric_limits<int32_t>::max(), 99999999999999.0},  // saturates
    {"-99999999999999", std::numeric_limits<int32_t>::min(), -99999999999999.0},
};

TEST_F(Tdf, NumbersAndTheirDefaults) {
    std::string text = "[V]{";
    for (size_t i = 0; i < std::size(kNumbers); ++i) text += "n" + std::to_string(i) + "=" + kNumbers[i].text + ";";
    Load(text + "}");
    ASSERT_TRUE(EnterPath({"V"}));
    for (size_t i = 0; i < std::size(kNumbers); ++i) {
        const std::string key = "n" + std::to_string(i);
        EXPECT_EQ(TDF_GetIntDefault(&tdf, key.c_str(), -5), kNumbers[i].asInt) << kNumbers[i].text;
        EXPECT_EQ(TDF_GetFloatDefault(&tdf, key.c_str(), 2.5), kNumbers[i].asFloat) << kNumbers[i].text;
    }
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "absent", -5), -5);
    EXPECT_EQ(TDF_GetFloatDefault(&tdf, "absent", 2.5), 2.5);
    EXPECT_EQ(TDF_GetInt(&tdf, "absent") + TDF_GetFloat(&tdf, "absent"), 0.0);
}

TEST_F(Tdf, StringsAreCutToSizeAndTerminatedOrTakeTheDefault) {
    Load("[V]{text=abcdef;long=" + std::string(300, 'L') + ";}");
    ASSERT_TRUE(EnterPath({"V"}));
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 3), 1);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0#", 5)) << "size characters and a 0, nothing more";
    EXPECT_EQ(Get("text", 6) + "|" + Get("text", 0) + "|" + Get("long", 1000), "abcdef||" + std::string(300, 'L'));
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", -1), 1);
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 15, nullptr), 0);
    EXPECT_EQ(buffer[0], 'a') << "a negative size or no default writes nothing";
    for (auto [key, size, fallback, found, want] : {std::tuple{"absent", 4, "much too long", 0, "much"},
                                                    {"absent", 15, "", 0, ""}, {"text", 15, "fallback", 1, "abcdef"}}) {
        EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, key, size, fallback), found);
        EXPECT_STREQ(buffer, want);
    }
}

}  // namespace
