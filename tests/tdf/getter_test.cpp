// The getters: conversions, defaults and the string getter's size limit.
#include <cmath>
#include <limits>

#include "tests/tdf/tdf_fixture.h"

namespace {

class Getters : public TdfTest {
protected:
    void SetUp() override {
        TdfTest::SetUp();
        Load("[V]{"
             "int=42;neg=-17;plus=+8;mixed=12abc;word=abc;empty=;space=3 4;"
             "big=99999999999999;small=-99999999999999;"
             "half=0.5;lead=.25;trail=7.;exp=1.5e3;nexp=-2E-2;halfexp=3e;hex=0x10;"
             "inf=inf;huge=1e400;tiny=1e-400;precise=0.1;"
             "text=abcdef;long=" + std::string(300, 'L') + ";}");
        ASSERT_TRUE(EnterPath({"V"}));
    }
};

TEST_F(Getters, IntegerReadsDecimalUpToTheFirstNonDigit) {
    EXPECT_EQ(TDF_GetInt(&tdf, "int"), 42);
    EXPECT_EQ(TDF_GetInt(&tdf, "neg"), -17);
    EXPECT_EQ(TDF_GetInt(&tdf, "plus"), 8);
    EXPECT_EQ(TDF_GetInt(&tdf, "mixed"), 12);
    EXPECT_EQ(TDF_GetInt(&tdf, "word"), 0);
    EXPECT_EQ(TDF_GetInt(&tdf, "empty"), 0);
    EXPECT_EQ(TDF_GetInt(&tdf, "space"), 3);
    EXPECT_EQ(TDF_GetInt(&tdf, "half"), 0);
    EXPECT_EQ(TDF_GetInt(&tdf, "exp"), 1);
    EXPECT_EQ(TDF_GetInt(&tdf, "hex"), 0);
}

TEST_F(Getters, IntegerSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(TDF_GetInt(&tdf, "big"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TDF_GetInt(&tdf, "small"), std::numeric_limits<int32_t>::min());
}

TEST_F(Getters, IntegerDefaultOnlyWhenTheKeyIsAbsent) {
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "absent", -5), -5);
    EXPECT_EQ(TDF_GetInt(&tdf, "absent"), 0);
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "word", -5), 0) << "present but not a number";
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "empty", -5), 0);
}

TEST_F(Getters, FloatReadsStandardDecimalNotation) {
    EXPECT_EQ(TDF_GetFloat(&tdf, "half"), 0.5);
    EXPECT_EQ(TDF_GetFloat(&tdf, "lead"), 0.25);
    EXPECT_EQ(TDF_GetFloat(&tdf, "trail"), 7.0);
    EXPECT_EQ(TDF_GetFloat(&tdf, "exp"), 1500.0);
    EXPECT_EQ(TDF_GetFloat(&tdf, "nexp"), -0.02);
    EXPECT_EQ(TDF_GetFloat(&tdf, "halfexp"), 3.0) << "an exponent needs a digit";
    EXPECT_EQ(TDF_GetFloat(&tdf, "int"), 42.0);
    EXPECT_EQ(TDF_GetFloat(&tdf, "mixed"), 12.0);
    EXPECT_EQ(TDF_GetFloat(&tdf, "hex"), 0.0) << "no hexadecimal";
    EXPECT_EQ(TDF_GetFloat(&tdf, "inf"), 0.0) << "no words";
    EXPECT_EQ(TDF_GetFloat(&tdf, "precise"), 0.1) << "correctly rounded";
    EXPECT_EQ(TDF_GetFloat(&tdf, "word"), 0.0);
}

TEST_F(Getters, FloatOutOfRangeBecomesInfinityOrZero) {
    EXPECT_EQ(TDF_GetFloat(&tdf, "huge"), HUGE_VAL);
    EXPECT_EQ(TDF_GetFloat(&tdf, "tiny"), 0.0);
}

TEST_F(Getters, FloatDefaultOnlyWhenTheKeyIsAbsent) {
    EXPECT_EQ(TDF_GetFloatDefault(&tdf, "absent", 2.5), 2.5);
    EXPECT_EQ(TDF_GetFloat(&tdf, "absent"), 0.0);
    EXPECT_EQ(TDF_GetFloatDefault(&tdf, "empty", 2.5), 0.0);
}

TEST_F(Getters, StringIsCutToSizeAndTerminated) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 3), 1);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0#", 5)) << "size characters and a 0, nothing more";
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 6), 1);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 7), 1);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 0), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(Get("long", 255), std::string(255, 'L'));
    EXPECT_EQ(Get("long", 1000), std::string(300, 'L'));
}

TEST_F(Getters, StringDefaults) {
    char buffer[16];
    std::strcpy(buffer, "untouched");
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 15, nullptr), 0);
    EXPECT_STREQ(buffer, "untouched") << "no default: buffer left alone";
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 15, "fallback"), 0);
    EXPECT_STREQ(buffer, "fallback");
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "absent", 15), 0);
    EXPECT_STREQ(buffer, "") << "the plain getter empties the buffer";
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "text", 15, "fallback"), 1);
    EXPECT_STREQ(buffer, "abcdef");
}

TEST_F(Getters, DefaultLongerThanTheBufferIsCut) {
    char buffer[5];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 4, "much too long"), 0);
    EXPECT_STREQ(buffer, "much");
}

TEST_F(Getters, NegativeSizeWritesNothing) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", -1), 1);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "absent", -1), 0);
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(Getters, NothingIsFoundWithoutACurrentSection) {
    TDF_Rewind(&tdf);
    char buffer[8] = "x";
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "int", 9), 9);
    EXPECT_EQ(TDF_GetFloatDefault(&tdf, "half", 9.5), 9.5);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 7), 0);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
