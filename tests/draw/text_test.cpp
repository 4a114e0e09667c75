#include <algorithm>

#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::FontBlock;
using drawtest::FontBytes;

// Codes 'A' (3 wide), 'B' (2 wide), 'D' (1 wide); 'C' has offset 0.
std::vector<uint8_t> SmallFont(uint8_t verticalOffset = 0) {
    return FontBytes(3, verticalOffset, 'A',
                     {{'A', {"#.#", ".#.", "#.#"}}, {'B', {"##", "#.", "##"}}, {'D', {"#", "#", "#"}}});
}

class TextTest : public drawtest::DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        GRIB_SetFont(font.block);
        GRIB_SetTextColours(1, 2);
        GRIB_SetTextTransparent(2);
    }
    FontBlock font{SmallFont()};
};

TEST_F(TextTest, TextWidthSumsGlyphsUpToNulOrLineFeed) {
    std::vector<uint8_t> broken = SmallFont();
    broken[4 + 2 * ('B' - 'A')] = 0xF0;  // 'B' past the end
    broken.pop_back();                   // 'D' cut inside its bitmap
    std::vector<uint8_t> wide = FontBytes(200, 0, 'A', {{'A', {}}});
    wide.back() = 250;  // an empty glyph claiming a width that runs past the block
    FontBlock brokenBlock(broken), wideBlock(wide), tiny(std::vector<uint8_t>(3, 'A'));
    // C has no glyph; '@' and ' ' are below the first code, 'a' and '~' past the table.
    const std::tuple<const uint8_t*, const char*, int32_t> cases[] = {
        {font.block, "A", 3}, {font.block, "ABD", 6}, {font.block, "AB\nD", 5}, {font.block, "ACB", 5},
        {font.block, "@ a~B", 2}, {font.block, "\xff", 0}, {font.block, "", 0}, {nullptr, "A", 0},
        {font.block, nullptr, 0},
        {brokenBlock.block, "ABD", 3}, {wideBlock.block, "A", 0}, {tiny.block, "ABC", 0}};
    for (auto [f, text, width] : cases) EXPECT_EQ(GRIB_TextWidth(f, text), width) << (text ? text : "null");
    // Glyphs outside the block neither draw nor advance.
    GRIB_SetFont(brokenBlock.block);
    Canvas b(10, 4);
    GRIB_DrawText(&b.bitmap, "BDA", 0, 0);
    EXPECT_EQ(b.picture(), "a.a.......\n.a........\na.a.......\n..........\n");
    // Blocks too short for their header draw nothing.
    for (size_t n : {0, 1, 2}) {
        FontBlock cut(std::vector<uint8_t>(n, 3));
        env->font = cut.block;
        Canvas c(10, 4);
        GRIB_DrawText(&c.bitmap, "A", 0, 0);
        EXPECT_EQ(c.pixels, std::vector<uint8_t>(40, 0)) << n;
    }
    env->font = nullptr;
}

TEST_F(TextTest, TextStateSettersKeepOnMinusOneAndNull) {
    GRIB_SetTextColours(-1, 7);
    GRIB_SetTextColours(5, -1);
    GRIB_SetTextTransparent(9);
    EXPECT_EQ((std::vector<uint32_t>{env->textForeground, env->textBackground, env->textTransparent}),
              (std::vector<uint32_t>{5, 7, 9}));
    GRIB_SetFont(nullptr);
    EXPECT_EQ(env->font, font.block);
    EXPECT_EQ(GRIB_FontHeight(), 3);
    env->font = nullptr;
    EXPECT_EQ(GRIB_FontHeight(), 0);
}

TEST_F(TextTest, GlyphsDrawInkAndBackgroundUnlessTransparent) {
    FontBlock lifted(SmallFont(2));
    struct Case {
        const char* text;
        int x, y;  // x -1: centred
        const char* picture;
        uint8_t transparent = 2;
        bool lift = false;
    } cases[] = {
        {"AB", 1, 0, ".a.aaa..\n..a.a...\n.a.aaa..\n........\n"},
        {"B", 1, 0, ".aa.....\n.ab.....\n.aa.....\n........\n", 99},  // the background drawn too
        {"A@C\x7f" "D", 1, 0, ".a.aa...\n..a.a...\n.a.aa...\n........\n"},  // missing glyphs don't advance
        {"A\nB", 1, 0, ".a.a....\n..a.....\n.a.a....\n........\n"},  // a line feed ends the text
        {"A", -1, 0, "..a.a...\n...a....\n..a.a...\n........\n"},  // (8 - 3) >> 1 = 2
        {"AAA", -1, 0, "........\n........\n........\n........\n"},  // wider than the target
        {"A", 0, 2, "a.a.....\n.a......\na.a.....\n........\n", 2, true},  // lifted by the vertical offset
        {"A", 0, 0, "a.a.....\n........\n........\n........\n", 2, true},  // rows above row 0 dropped
    };
    for (const Case& c : cases) {
        GRIB_SetFont(c.lift ? lifted.block : font.block);
        GRIB_SetTextTransparent(c.transparent);
        Canvas canvas(8, 6);  // tall enough for the lifted text's box at row 2
        if (c.x < 0) GRIB_DrawTextCentred(&canvas.bitmap, c.text, c.y);
        else GRIB_DrawText(&canvas.bitmap, c.text, c.x, c.y);
        EXPECT_EQ(canvas.picture(), std::string(c.picture) + "........\n........\n") << c.text;
    }
    // Null is the screen; without one nothing is drawn.
    GRIB_SetFont(font.block);
    GRIB_DrawText(nullptr, "A", 0, 0);
    GRIB_DrawTextCentred(nullptr, "A", 0);
    Canvas screen(5, 4);
    InstallScreen(&screen.bitmap);
    GRIB_DrawTextCentred(nullptr, "A", 0);
    EXPECT_EQ(screen.picture(), ".a.a.\n..a..\n.a.a.\n.....\n");
}

TEST_F(TextTest, TextBoxMustLieWhollyInsideTheClip) {
    // "AB" is 5 wide and 3 tall; its box is (x, y, x + 5, y + 3).
    const std::tuple<int, int, bool> cases[] = {{4, 1, true},  {5, 1, false}, {1, 3, true},  {1, 4, false},
                                                {1, 1, true},  {0, 1, false}, {1, 0, false}, {INT32_MAX - 2, 1, false}};
    for (auto [x, y, drawn] : cases) {
        Canvas t(12, 8);
        GRIB_DrawText(&t.clip(1, 1, 9, 6).bitmap, "AB", x, y);
        EXPECT_EQ(std::count(t.pixels.begin(), t.pixels.end(), 0) < 96, drawn) << x << "," << y;
    }
}

}  // namespace
