#include <algorithm>
#include <memory>

#include "tests/draw/draw_support.h"
#include "tests/draw/font_support.h"

namespace {

using drawtest::Canvas;
using drawtest::DrawTest;
using drawtest::FontBlock;
using drawtest::FontBytes;

// Codes 'A' (3 wide), 'B' (2 wide), 'D' (1 wide); 'C' has offset 0.
std::vector<uint8_t> SmallFont(uint8_t verticalOffset = 0) {
    return FontBytes(3, verticalOffset, 'A',
                     {{'A', {"#.#", ".#.", "#.#"}}, {'B', {"##", "#.", "##"}}, {'D', {"#", "#", "#"}}});
}

class TextTest : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        font = std::make_unique<FontBlock>(SmallFont());
        GRIB_SetFont(font->block);
        GRIB_SetTextColours(1, 2);
        GRIB_SetTextTransparent(2);
    }
    std::unique_ptr<FontBlock> font;
};

TEST_F(TextTest, TextWidthSumsGlyphsUpToNulOrLineFeed) {
    const uint8_t* f = font->block;
    EXPECT_EQ(GRIB_TextWidth(f, "A"), 3);
    EXPECT_EQ(GRIB_TextWidth(f, "ABD"), 6);
    EXPECT_EQ(GRIB_TextWidth(f, "AB\nD"), 5);
    EXPECT_EQ(GRIB_TextWidth(f, "ACB"), 5);    // C has no glyph
    EXPECT_EQ(GRIB_TextWidth(f, "@ a~B"), 2);  // below the first code, past the table
    EXPECT_EQ(GRIB_TextWidth(f, "\xff"), 0);
    EXPECT_EQ(GRIB_TextWidth(f, ""), 0);
    EXPECT_EQ(GRIB_TextWidth(nullptr, "A"), 0);
    EXPECT_EQ(GRIB_TextWidth(f, nullptr), 0);
}

TEST_F(TextTest, TextStateSettersKeepOnMinusOneAndNull) {
    GRIB_SetTextColours(-1, 7);
    EXPECT_EQ(env->textForeground, 1u);
    EXPECT_EQ(env->textBackground, 7u);
    GRIB_SetTextColours(5, -1);
    EXPECT_EQ(env->textForeground, 5u);
    EXPECT_EQ(env->textBackground, 7u);
    GRIB_SetTextTransparent(9);
    EXPECT_EQ(env->textTransparent, 9u);
    GRIB_SetFont(nullptr);
    EXPECT_EQ(env->font, font->block);
    EXPECT_EQ(GRIB_FontHeight(), 3);
    env->font = nullptr;
    EXPECT_EQ(GRIB_FontHeight(), 0);
}

TEST_F(TextTest, GlyphBitsChooseForegroundOrBackgroundAndSkipTransparent) {
    Canvas c(8, 5, 0);
    GRIB_DrawText(&c.bitmap, "AB", 1, 1);
    EXPECT_EQ(c.picture(),
              "........\n"
              ".a.aaa..\n"
              "..a.a...\n"
              ".a.aaa..\n"
              "........\n");
    GRIB_SetTextTransparent(99);  // now the background colour is drawn too
    Canvas d(6, 4, 0);
    GRIB_DrawText(&d.bitmap, "B", 0, 0);
    EXPECT_EQ(d.picture(), "aa....\nab....\naa....\n......\n");
}

TEST_F(TextTest, MissingGlyphsNeitherDrawNorAdvance) {
    Canvas with(8, 4), without(8, 4);
    GRIB_DrawText(&with.bitmap, "A@C\x7f" "D", 0, 0);
    GRIB_DrawText(&without.bitmap, "AD", 0, 0);
    EXPECT_EQ(with.picture(), without.picture());
    EXPECT_EQ(with.at(3, 0), 1);  // D right after A
}

TEST_F(TextTest, TextStopsAtLineFeed) {
    Canvas c(8, 4);
    GRIB_DrawText(&c.bitmap, "A\nB", 0, 0);
    EXPECT_EQ(c.at(3, 0), 0);
    EXPECT_EQ(c.at(0, 0), 1);
}

TEST_F(TextTest, TextBoxMustLieWhollyInsideTheClip) {
    // "AB" is 5 wide and 3 tall; its box is (x, y, x + 5, y + 3).
    Canvas c(12, 8);
    c.setClip(1, 1, 9, 6);
    auto drawn = [&](int x, int y) {
        Canvas t(12, 8);
        t.setClip(1, 1, 9, 6);
        GRIB_DrawText(&t.bitmap, "AB", x, y);
        return std::any_of(t.pixels.begin(), t.pixels.end(), [](uint8_t v) { return v != 0; });
    };
    EXPECT_TRUE(drawn(4, 1));   // box right 9 touches the clip's last column
    EXPECT_FALSE(drawn(5, 1));  // one further: suppressed
    EXPECT_TRUE(drawn(1, 3));   // box bottom 6 touches the last row
    EXPECT_FALSE(drawn(1, 4));
    EXPECT_TRUE(drawn(1, 1));
    EXPECT_FALSE(drawn(0, 1));
    EXPECT_FALSE(drawn(1, 0));
    EXPECT_FALSE(drawn(INT32_MAX - 2, 1));
}

TEST_F(TextTest, CentredTextUsesHalfTheSpareWidth) {
    Canvas c(10, 4);
    GRIB_DrawTextCentred(&c.bitmap, "A", 0);  // (10 - 3) >> 1 = 3
    EXPECT_EQ(c.at(3, 0), 1);
    EXPECT_EQ(c.at(2, 0), 0);
    // Wider than the target: negative x, nothing drawn.
    Canvas n(4, 4);
    GRIB_DrawTextCentred(&n.bitmap, "AAA", 0);
    EXPECT_EQ(n.pixels, std::vector<uint8_t>(16, 0));
}

TEST_F(TextTest, NullTargetIsTheScreen) {
    GRIB_DrawText(nullptr, "A", 0, 0);  // no screen: nothing
    GRIB_DrawTextCentred(nullptr, "A", 0);
    Canvas screen(5, 4);
    InstallScreen(&screen.bitmap);
    GRIB_DrawTextCentred(nullptr, "A", 0);
    EXPECT_EQ(screen.picture(), ".a.a.\n..a..\n.a.a.\n.....\n");
}

TEST_F(TextTest, VerticalOffsetLiftsRowsButNeverOutOfTheBitmap) {
    FontBlock lifted(SmallFont(2));
    GRIB_SetFont(lifted.block);
    Canvas c(4, 6);
    GRIB_DrawText(&c.bitmap, "A", 0, 2);
    EXPECT_EQ(c.picture(), "a.a.\n.a..\na.a.\n....\n....\n....\n");
    // At the top the lifted rows would fall above row 0: they are dropped.
    Canvas top(4, 4, 0, 4);
    GRIB_DrawText(&top.bitmap, "A", 0, 0);
    EXPECT_EQ(top.picture(), "a.a.\n....\n....\n....\n");
}

TEST_F(TextTest, GlyphsOutsideTheFontAreMissing) {
    std::vector<uint8_t> bytes = SmallFont();
    // Point 'B' past the end, and cut the block inside 'D''s bitmap.
    const size_t slotB = 4 + 2 * ('B' - 'A');
    bytes[slotB] = 0xF0;
    bytes[slotB + 1] = 0x00;
    bytes.resize(bytes.size() - 1);
    FontBlock broken(bytes);
    EXPECT_EQ(GRIB_TextWidth(broken.block, "ABD"), 3);
    GRIB_SetFont(broken.block);
    Canvas c(10, 4);
    GRIB_DrawText(&c.bitmap, "BDA", 0, 0);
    EXPECT_EQ(c.at(0, 0), 1);  // A drawn at 0: B and D neither drew nor advanced
    EXPECT_EQ(c.at(1, 1), 1);

    // A wide glyph whose bitmap would run past the block.
    std::vector<uint8_t> wide = FontBytes(200, 0, 'A', {{'A', {}}});
    wide.back() = 250;  // width byte of the empty glyph
    FontBlock wideBlock(wide);
    EXPECT_EQ(GRIB_TextWidth(wideBlock.block, "A"), 0);
}

TEST_F(TextTest, TinyFontsAreHarmless) {
    for (size_t n = 0; n <= 4; ++n) {
        std::vector<uint8_t> bytes(n, 'A');
        FontBlock f(bytes);
        EXPECT_EQ(GRIB_TextWidth(f.block, "ABC"), 0);
        GRIB_SetFont(f.block);
        Canvas c(8, 8);
        GRIB_DrawText(&c.bitmap, "ABC", 0, 0);
    }
}

// Damaged fonts: every truncation and random byte flips never read or write
// outside (checked by the sanitizer build), and drawing stays in the clip.
TEST_F(TextTest, DamagedFontsNeverCrash) {
    const std::vector<uint8_t> good = FontBytes(
        5, 1, ' ',
        {{' ', {"...", "...", "...", "...", "..."}},
         {'H', {"#..#", "#..#", "####", "#..#", "#..#"}},
         {'i', {"#", ".", "#", "#", "#"}},
         {'~', {"#####", ".....", "#####", ".....", "#####"}}});
    const char* texts[] = {"Hi ~", "~~~~~~~~", "H\ni", "\x01\xff Hi"};
    auto exercise = [&](const std::vector<uint8_t>& bytes) {
        FontBlock f(bytes);
        GRIB_SetFont(f.block);
        Canvas c(40, 12, 0, 48);
        c.setClip(2, 2, 37, 9);
        for (const char* t : texts) {
            int32_t w = GRIB_TextWidth(f.block, t);
            EXPECT_GE(w, 0);
            GRIB_DrawText(&c.bitmap, t, 2, 3);
            GRIB_DrawText(&c.bitmap, t, 2, 2);
            GRIB_DrawTextCentred(&c.bitmap, t, 4);
        }
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 48; ++x)
                if (x < 2 || x > 37 || y < 2 || y > 9) {
                    ASSERT_EQ(c.at(x, y), 0) << x << "," << y;
                }
    };
    for (size_t n = 0; n <= good.size(); ++n)
        exercise(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)));
    testsupport::Rng rng(5);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = good;
        int flips = 1 + static_cast<int>(rng.below(4));
        for (int i = 0; i < flips; ++i) bytes[rng.below(static_cast<uint32_t>(bytes.size()))] ^= 1 << rng.below(8);
        exercise(bytes);
    }
}

}  // namespace
