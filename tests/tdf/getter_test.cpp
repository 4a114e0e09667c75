// The getters: conversions, defaults and the string getter's size limit.
#include <cmath>
#include <limits>

#include "tests/tdf/tdf_fixture.h"

namespace {

struct Number {
    const char* text;
    int32_t asInt;
    double asFloat;
};

const Number kNumbers[] = {
    {"42", 42, 42.0}, {"-17", -17, -17.0}, {"+8", 8, 8.0}, {"12abc", 12, 12.0}, {"abc", 0, 0.0}, {"", 0, 0.0},
    {"3 4", 3, 3.0}, {"0.5", 0, 0.5}, {".25", 0, 0.25}, {"7.", 7, 7.0}, {"1.5e3", 1, 1500.0},
    {"-2E-2", -2, -0.02}, {"3e", 3, 3.0},  // an exponent needs a digit
    {"0x10", 0, 0.0}, {"inf", 0, 0.0},     // neither hexadecimal nor words
    {"0.1", 0, 0.1},                       // correctly rounded
    {"1e400", 1, HUGE_VAL}, {"1e-400", 1, 0.0},
    {"99999999999999", std::numeric_limits<int32_t>::max(), 99999999999999.0},  // saturates
    {"-99999999999999", std::numeric_limits<int32_t>::min(), -99999999999999.0},
};

class Getters : public TdfTest {
protected:
    void SetUp() override {
        TdfTest::SetUp();
        std::string text = "[V]{text=abcdef;long=" + std::string(300, 'L') + ";";
        for (size_t i = 0; i < std::size(kNumbers); ++i) text += "n" + std::to_string(i) + "=" + kNumbers[i].text + ";";
        Load(text + "}");
        ASSERT_TRUE(EnterPath({"V"}));
    }
};

TEST_F(Getters, NumbersAndTheirDefaults) {
    for (size_t i = 0; i < std::size(kNumbers); ++i) {
        const std::string key = "n" + std::to_string(i);
        SCOPED_TRACE(kNumbers[i].text);
        EXPECT_EQ(TDF_GetIntDefault(&tdf, key.c_str(), -5), kNumbers[i].asInt) << "default only when absent";
        EXPECT_EQ(TDF_GetFloatDefault(&tdf, key.c_str(), 2.5), kNumbers[i].asFloat);
    }
    EXPECT_EQ(TDF_GetIntDefault(&tdf, "absent", -5), -5);
    EXPECT_EQ(TDF_GetInt(&tdf, "absent"), 0);
    EXPECT_EQ(TDF_GetFloatDefault(&tdf, "absent", 2.5), 2.5);
    EXPECT_EQ(TDF_GetFloat(&tdf, "absent"), 0.0);
}

TEST_F(Getters, StringIsCutToSizeAndTerminated) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    const std::string before = Text();
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", 3), 1);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0#", 5)) << "size characters and a 0, nothing more";
    EXPECT_EQ(Text(), before);
    for (int32_t size : {6, 7}) {
        EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", size), 1);
        EXPECT_STREQ(buffer, "abcdef");
    }
    EXPECT_EQ(Get("text", 0), "");
    EXPECT_EQ(Get("long", 255), std::string(255, 'L'));
    EXPECT_EQ(Get("long", 1000), std::string(300, 'L'));
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "text", -1), 1);
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "absent", -1), 0);
    EXPECT_EQ(buffer[0], '#') << "a negative size writes nothing";
}

TEST_F(Getters, StringDefaults) {
    char buffer[16] = "untouched";
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 15, nullptr), 0);
    EXPECT_STREQ(buffer, "untouched") << "no default: buffer left alone";
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "absent", 4, "much too long"), 0);
    EXPECT_STREQ(buffer, "much");
    EXPECT_EQ(TDF_GetString(&tdf, buffer, "absent", 15), 0);
    EXPECT_STREQ(buffer, "") << "the plain getter empties the buffer";
    EXPECT_EQ(TDF_GetStringDefault(&tdf, buffer, "text", 15, "fallback"), 1);
    EXPECT_STREQ(buffer, "abcdef");
}

}  // namespace
