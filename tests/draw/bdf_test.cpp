#include <filesystem>

#include "kit/image/bdf_font.h"
#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::FontBlock;
using testsupport::RunGrib;
using testsupport::TempDir;

std::string Char(const char* name, int code, const char* dwidth, const char* bbx, const char* rows) {
    return std::string("STARTCHAR ") + name + "\nENCODING " + std::to_string(code) + "\nDWIDTH " + dwidth +
           " 0\nBBX " + bbx + "\nBITMAP\n" + rows + "ENDCHAR\n";
}

// Cell 4 x 5 (ascent 4, descent 1). 'A' fills its box; '.' is a 1 x 1 dot
// on the baseline shifted right by 1; 'j' descends below the baseline.
// Codes 300 and -1 are not kept.
const std::string kSmallBdf =
    "STARTFONT 2.1\nFONT -test-small \nSIZE 5 \t75 75\nFONTBOUNDINGBOX 4 5 0 -1\nSTARTPROPERTIES 2\nFONT_ASCENT 4\n"
    "FONT_DESCENT 1\nENDPROPERTIES\nCHARS 5\n" +
    Char("period", 46, "3", "1 1 1 0", "80\n") + Char("A", 65, "4", "4 4 0 0", "60\n90\nF0\n90\n") +
    Char("j", 106, "2", "2 4 0 -1", "40\n40\n40\n80\n") + Char("big", 300, "4", "4 1 0 0", "F0\n") +
    Char("unencoded", -1, "4", "4 1 0 0", "F0\n") + "ENDFONT\n";

// Draws text with a converted font: ink 1, background 2 (transparent).
std::string Render(const std::vector<uint8_t>& font, const char* text, uint32_t width, uint32_t height, int y = 0) {
    FontBlock block(font);
    GRIB_SetFont(block.block);
    GRIB_SetTextColours(1, 2);
    GRIB_SetTextTransparent(2);
    Canvas c(width, height);
    GRIB_DrawText(&c.bitmap, text, 0, y);
    GRIB_GetEnvironment()->font = nullptr;
    return c.picture();
}

using BdfTest = drawtest::DrawTest;

TEST_F(BdfTest, ConvertsGlyphsIntoCellsPlacedByTheirBoxes) {
    std::vector<uint8_t> font;
    std::string error;
    BdfFontInfo info;
    ASSERT_TRUE(BdfToFont(kSmallBdf, font, error, {}, &info)) << error;
    EXPECT_EQ((std::vector<int>{info.glyphs, info.firstCode, info.lastCode, info.height}),
              (std::vector<int>{3, '.', 'j', 5}));
    EXPECT_EQ((std::vector<int>{font[0], font[2], font[3]}), (std::vector<int>{5, 0, '.'}));
    FontBlock block(font);
    EXPECT_EQ(GRIB_TextWidth(block.block, "A.j"), 4 + 3 + 2);
    EXPECT_EQ(GRIB_TextWidth(block.block, "/B"), 0) << "codes between and past the glyphs have none";
    // The text box is one column wider than the text, so 10 columns.
    EXPECT_EQ(Render(font, "A.j", 10, 6), ".aa.......\na..a....a.\naaaa....a.\na..a.a..a.\n.......a..\n..........\n");
    BdfFontOptions options;
    options.baseline = true;  // the ascent stored: the dot lands on row y
    ASSERT_TRUE(BdfToFont(kSmallBdf, font, error, options)) << error;
    EXPECT_EQ(font[2], 3);
    EXPECT_EQ(Render(font, ".", 4, 10, 4).substr(4 * 5, 5), ".a..\n");
    // Boxes reaching out of the cell are cut to it.
    const std::pair<const char*, const char*> boxes[] = {
        {"BBX 4 4 0 3", "a..a.\n.....\n.....\n.....\n.....\n.....\n"},
        {"BBX 4 4 0 -3", ".....\n.....\n.....\n.aa..\na..a.\n.....\n"},
        {"BBX 4 4 -2 0", "a....\n.a...\naa...\n.a...\n.....\n.....\n"},
        {"BBX 4 4 3 0", ".....\n...a.\n...a.\n...a.\n.....\n.....\n"},
    };
    for (auto [bbx, picture] : boxes) {
        std::string text = kSmallBdf;
        ASSERT_TRUE(BdfToFont(text.replace(text.find("BBX 4 4 0 0"), 11, bbx), font, error)) << error;
        EXPECT_EQ(Render(font, "A", 5, 6), picture) << bbx;
    }
}

TEST_F(BdfTest, RejectsTextsThatAreNotUsableFonts) {
    auto replace = [](const std::string& from, const std::string& to) {
        std::string s = kSmallBdf;
        return s.replace(s.find(from), from.size(), to);
    };
    std::string none = kSmallBdf;
    for (const char* code : {"ENCODING 46\n", "ENCODING 65\n", "ENCODING 106\n"})
        none.replace(none.find(code), std::strlen(code), "ENCODING 999\n");
    const std::pair<std::string, const char*> cases[] = {
        {"", "empty"}, {"hello", "no STARTFONT"}, {replace("FONTBOUNDINGBOX 4 5 0 -1\n", ""), "no bounding box"},
        {replace("FONTBOUNDINGBOX 4 5", "FONTBOUNDINGBOX 4 300"), "too tall"},
        {replace("FONTBOUNDINGBOX 4 5", "FONTBOUNDINGBOX 4 x"), "bad number"},
        {replace("F0\n90\nENDCHAR", "F0\nENDCHAR"), "too few rows"}, {replace("60\n90", "60\n90\n90"), "too many rows"},
        {replace("60\n", "6G\n"), "bad hex"}, {replace("60\n", "-0\n"), "bad hex"},
        {replace("60\n", "600\n"), "odd hex"}, {replace("60\n", "60 60\n"), "two words"},
        {replace("FONTBOUNDINGBOX 4 5", "FONTBOUNDINGBOX 4 5x"), "bad number"},
        {replace("FONTBOUNDINGBOX 4 5 0 -1", "FONTBOUNDINGBOX 99999 5 0 -1"), "too wide a box"},
        {replace("FONTBOUNDINGBOX 4 5 0 -1", "FONTBOUNDINGBOX 4 5 0 -99999"), "too far a box"},
        {replace("DWIDTH 4 0\nBBX 4 4", "DWIDTH x 0\nBBX 4 4"), "bad width"},
        {replace("DWIDTH 4 0\nBBX 4 4", "DWIDTH 400 0\nBBX 4 4"), "too wide"},
        {kSmallBdf.substr(0, kSmallBdf.find("ENDCHAR")), "ends inside a character"}, {none, "no characters"},
        {replace("ENCODING 65", "ENCODING x"), "bad encoding"},
        {replace("DWIDTH 4 0\nBBX 4 4", "DWIDTH -1 0\nBBX 4 4"), "negative width"},
        {replace("BBX 4 4 0 0", "BBX 4 4 0"), "short BBX"},
        {replace("BBX 4 4 0 0", "BBX 9 4 0 0"), "rows narrower than the BBX"},
        {replace("STARTCHAR A\n", "STARTCHAR A\nSTARTCHAR A\n"), "nested character"},
        {replace("BITMAP\n60\n90\nF0\n90\n", ""), "no BITMAP"},
    };
    for (const auto& [text, why] : cases) {
        std::vector<uint8_t> font{1, 2, 3};
        std::string error;
        EXPECT_FALSE(BdfToFont(text, font, error)) << why;
        EXPECT_FALSE(error.empty()) << why;
        EXPECT_TRUE(font.empty()) << why;
    }
}

TEST_F(BdfTest, CommandConvertsAndReports) {
    TempDir dir;
    const std::string in = dir.write("small.bdf", kSmallBdf).string(), out = (dir.path() / "small.fnt").string();
    auto r = RunGrib({"font", "from-bdf", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out + ": 3 glyphs, codes 46-106, height 5, offset 0\n");
    std::vector<uint8_t> expected;
    std::string error;
    ASSERT_TRUE(BdfToFont(kSmallBdf, expected, error));
    EXPECT_EQ(testsupport::ReadBytes(out), expected);
    ASSERT_EQ(RunGrib({"font", "from-bdf", in, out, "--baseline"}).status, 0);
    EXPECT_EQ(testsupport::ReadBytes(out)[2], 3);
    EXPECT_NE(RunGrib({"font", "--help"}).out.find("grib font from-bdf IN.bdf OUT.fnt"), std::string::npos);

    const std::string bad = dir.write("bad.bdf", std::string("STARTFONT 2.1\nENDFONT\n")).string(), x = dir.str() + "/x.fnt";
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"font"}, 2}, {{"font", "to-bdf", "a", "b"}, 2}, {{"font", "from-bdf", "only-one"}, 2},
        {{"font", "from-bdf", "a", "b", "--what"}, 2}, {{"font", "from-bdf", dir.str() + "/missing.bdf", x}, 1},
        {{"font", "from-bdf", bad, x}, 2}};
    for (const auto& [args, status] : cases) {
        r = RunGrib(args);
        EXPECT_EQ(r.status, status) << args.back();
        EXPECT_EQ(r.err.rfind("grib: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(x));
}

}  // namespace
