#include <filesystem>
#include <map>
#include <sstream>

#include "kit/image/bdf_font.h"
#include "tests/draw/draw_support.h"
#include "tests/draw/font_support.h"

namespace {

using drawtest::Canvas;
using drawtest::DrawTest;
using drawtest::FontBlock;
using testsupport::RunGrib;
using testsupport::TempDir;

// Cell 4 x 5 (ascent 4, descent 1). 'A' fills its box; '.' is a 1 x 1 dot
// on the baseline shifted right by 1; 'j' descends below the baseline.
// Codes 300 and -1 are not kept.
const char kSmallBdf[] =
    "STARTFONT 2.1\n"
    "FONT -test-small\n"
    "SIZE 5 75 75\n"
    "FONTBOUNDINGBOX 4 5 0 -1\n"
    "STARTPROPERTIES 2\n"
    "FONT_ASCENT 4\n"
    "FONT_DESCENT 1\n"
    "ENDPROPERTIES\n"
    "CHARS 5\n"
    "STARTCHAR period\n"
    "ENCODING 46\n"
    "SWIDTH 500 0\n"
    "DWIDTH 3 0\n"
    "BBX 1 1 1 0\n"
    "BITMAP\n"
    "80\n"
    "ENDCHAR\n"
    "STARTCHAR A\n"
    "ENCODING 65\n"
    "DWIDTH 4 0\n"
    "BBX 4 4 0 0\n"
    "BITMAP\n"
    "60\n"
    "90\n"
    "F0\n"
    "90\n"
    "ENDCHAR\n"
    "STARTCHAR j\n"
    "ENCODING 106\n"
    "DWIDTH 2 0\n"
    "BBX 2 4 0 -1\n"
    "BITMAP\n"
    "40\n"
    "40\n"
    "40\n"
    "80\n"
    "ENDCHAR\n"
    "STARTCHAR big\n"
    "ENCODING 300\n"
    "DWIDTH 4 0\n"
    "BBX 4 1 0 0\n"
    "BITMAP\n"
    "F0\n"
    "ENDCHAR\n"
    "STARTCHAR unencoded\n"
    "ENCODING -1\n"
    "DWIDTH 4 0\n"
    "BBX 4 1 0 0\n"
    "BITMAP\n"
    "F0\n"
    "ENDCHAR\n"
    "ENDFONT\n";

class BdfTest : public DrawTest {
protected:
    // Draws text with the converted font: ink 1, background 2 (transparent).
    std::string Render(const std::vector<uint8_t>& font, const char* text, uint32_t width, uint32_t height,
                       int y = 0) {
        FontBlock block(font);
        GRIB_SetFont(block.block);
        GRIB_SetTextColours(1, 2);
        GRIB_SetTextTransparent(2);
        Canvas c(width, height);
        GRIB_DrawText(&c.bitmap, text, 0, y);
        env->font = nullptr;
        return c.picture();
    }
};

TEST_F(BdfTest, ConvertsGlyphsIntoCellsPlacedByTheirBoxes) {
    std::vector<uint8_t> font;
    std::string error;
    BdfFontInfo info;
    ASSERT_TRUE(BdfToFont(kSmallBdf, font, error, {}, &info)) << error;
    EXPECT_EQ(info.glyphs, 3);
    EXPECT_EQ(info.firstCode, '.');
    EXPECT_EQ(info.lastCode, 'j');
    EXPECT_EQ(info.height, 5);
    EXPECT_EQ(font[0], 5);
    EXPECT_EQ(font[2], 0);
    EXPECT_EQ(font[3], '.');
    // Codes between the glyphs have no glyph.
    EXPECT_EQ(font[4 + 2 * ('/' - '.')], 0);
    EXPECT_EQ(font[4 + 2 * ('/' - '.') + 1], 0);
    FontBlock block(font);
    EXPECT_EQ(GRIB_TextWidth(block.block, "A.j"), 4 + 3 + 2);
    EXPECT_EQ(GRIB_TextWidth(block.block, "B"), 0);
    // The text box is one column wider than the text, so 10 columns.
    EXPECT_EQ(Render(font, "A.j", 10, 6),
              ".aa.......\n"
              "a..a....a.\n"
              "aaaa....a.\n"
              "a..a.a..a.\n"
              ".......a..\n"
              "..........\n");
}

TEST_F(BdfTest, BaselineOptionStoresTheAscent) {
    std::vector<uint8_t> font;
    std::string error;
    BdfFontOptions options;
    options.baseline = true;
    ASSERT_TRUE(BdfToFont(kSmallBdf, font, error, options)) << error;
    EXPECT_EQ(font[2], 3);
    // Drawn at y = 4 the dot, which sits on the baseline, lands on row 4.
    EXPECT_EQ(Render(font, ".", 4, 10, 4).substr(4 * 5, 5), ".a..\n");
}

TEST_F(BdfTest, RejectsTextsThatAreNotUsableFonts) {
    auto fails = [](const std::string& text, const char* why) {
        std::vector<uint8_t> font{1, 2, 3};
        std::string error;
        EXPECT_FALSE(BdfToFont(text, font, error)) << why;
        EXPECT_FALSE(error.empty()) << why;
        EXPECT_TRUE(font.empty()) << why;
    };
    std::string good = kSmallBdf;
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    fails("", "empty");
    fails("hello\n", "no STARTFONT");
    fails(replace("FONTBOUNDINGBOX 4 5 0 -1\n", ""), "no bounding box");
    fails(replace("FONTBOUNDINGBOX 4 5 0 -1", "FONTBOUNDINGBOX 4 300 0 -1"), "too tall");
    fails(replace("FONTBOUNDINGBOX 4 5 0 -1", "FONTBOUNDINGBOX 4 x 0 -1"), "bad number");
    fails(replace("F0\n90\nENDCHAR", "F0\nENDCHAR"), "too few rows");
    fails(replace("60\n90", "60\n90\n90"), "too many rows");
    fails(replace("60\n", "6G\n"), "bad hex");
    fails(replace("DWIDTH 4 0\nBBX 4 4", "DWIDTH 400 0\nBBX 4 4"), "too wide");
    fails(std::string(kSmallBdf).substr(0, std::string(kSmallBdf).find("ENDCHAR")), "ends inside a character");
}

TEST_F(BdfTest, NoGlyphInRangeIsAnError) {
    std::string text = kSmallBdf;
    for (const char* code : {"ENCODING 46\n", "ENCODING 65\n", "ENCODING 106\n"}) {
        size_t at = text.find(code);
        text.replace(at, std::strlen(code), "ENCODING 999\n");
    }
    std::vector<uint8_t> font;
    std::string error;
    EXPECT_FALSE(BdfToFont(text, font, error));
    EXPECT_NE(error.find("no characters"), std::string::npos);
}

TEST_F(BdfTest, DamagedBdfTextsNeverCrash) {
    const std::string good = kSmallBdf;
    auto exercise = [&](const std::string& text) {
        std::vector<uint8_t> font;
        std::string error;
        if (BdfToFont(text, font, error)) {
            ASSERT_GE(font.size(), 4u);
            Render(font, "A.j?", 16, 8);
        }
    };
    for (size_t n = 0; n <= good.size(); ++n) exercise(good.substr(0, n));
    testsupport::Rng rng(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int i = 0; i < 3; ++i) text[rng.below(static_cast<uint32_t>(text.size()))] = "0123456789 -\nF"[rng.below(14)];
        exercise(text);
    }
}

// --- A real X11 bitmap font -------------------------------------------------

const char kFixedFont[] = "/usr/share/fonts/X11/misc/6x13.pcf.gz";

struct BdfGlyphRows {
    int bbx[4] = {0, 0, 0, 0};
    std::vector<uint32_t> rows;
};

// Reads the glyphs of a BDF text straight from the file, independently of
// the converter.
std::map<int, BdfGlyphRows> ReadGlyphs(const std::string& text) {
    std::map<int, BdfGlyphRows> glyphs;
    std::istringstream in(text);
    std::string line;
    int code = -1;
    BdfGlyphRows current;
    bool bitmap = false;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "STARTCHAR") {
            current = {};
            code = -1;
        } else if (key == "ENCODING") {
            words >> code;
        } else if (key == "BBX") {
            words >> current.bbx[0] >> current.bbx[1] >> current.bbx[2] >> current.bbx[3];
        } else if (key == "BITMAP") {
            bitmap = true;
        } else if (key == "ENDCHAR") {
            bitmap = false;
            if (code >= 0) glyphs[code] = current;
        } else if (bitmap) {
            current.rows.push_back(static_cast<uint32_t>(std::stoul(key, nullptr, 16)));
        }
    }
    return glyphs;
}

// The system font as BDF text, or empty when it or pcf2bdf is missing.
std::string SystemFontBdf(const TempDir& dir) {
    if (!std::filesystem::exists(kFixedFont)) return {};
    auto unpacked = testsupport::RunProgram("gzip", {"-dc", kFixedFont});
    if (unpacked.status != 0 || unpacked.out.empty()) return {};
    auto pcf = dir.write("6x13.pcf", unpacked.out);
    auto bdf = dir.path() / "6x13.bdf";
    auto converted = testsupport::RunProgram("pcf2bdf", {"-o", bdf.string(), pcf.string()});
    if (converted.status != 0) return {};
    return testsupport::ReadText(bdf);
}

TEST_F(BdfTest, RealFixedFontDrawsReadableText) {
    TempDir dir;
    const std::string bdf = SystemFontBdf(dir);
    if (bdf.empty()) GTEST_SKIP() << kFixedFont << " or pcf2bdf not installed (apt-get install xfonts-base pcf2bdf)";

    std::vector<uint8_t> font;
    std::string error;
    BdfFontInfo info;
    ASSERT_TRUE(BdfToFont(bdf, font, error, {}, &info)) << error;
    EXPECT_EQ(info.height, 13);
    EXPECT_EQ(info.firstCode, 0);
    EXPECT_EQ(info.lastCode, 255);

    const std::map<int, BdfGlyphRows> glyphs = ReadGlyphs(bdf);
    const std::string text = "Hello, Varnholt! 0123 {x}";
    FontBlock block(font);
    GRIB_SetFont(block.block);
    GRIB_SetTextColours(1, 2);
    GRIB_SetTextTransparent(2);
    ASSERT_EQ(GRIB_TextWidth(block.block, text.c_str()), static_cast<int32_t>(6 * text.size()));
    Canvas c(static_cast<uint32_t>(6 * text.size() + 1), 14);
    GRIB_DrawText(&c.bitmap, text.c_str(), 0, 0);

    int inked = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const BdfGlyphRows& g = glyphs.at(static_cast<unsigned char>(text[i]));
        ASSERT_EQ((std::vector<int>{g.bbx[0], g.bbx[1], g.bbx[2], g.bbx[3]}), (std::vector<int>{6, 13, 0, -2}));
        for (int row = 0; row < 13; ++row)
            for (int column = 0; column < 6; ++column) {
                const bool ink = (g.rows[static_cast<size_t>(row)] >> (7 - column)) & 1;
                inked += ink;
                ASSERT_EQ(c.at(static_cast<int>(6 * i) + column, row), ink ? 1 : 0)
                    << "'" << text[i] << "' row " << row << " column " << column << "\n"
                    << c.picture();
            }
    }
    EXPECT_GT(inked, 100);

    // The converted real font, damaged: every truncation, random flips.
    testsupport::Rng rng(3);
    for (size_t n = 0; n <= font.size(); n += (n < 600 ? 1 : 7)) {
        std::vector<uint8_t> cut(font.begin(), font.begin() + static_cast<long>(n));
        FontBlock b(cut);
        GRIB_SetFont(b.block);
        GRIB_DrawText(&c.bitmap, text.c_str(), 0, 0);
        GRIB_DrawTextCentred(&c.bitmap, "Hi", 1);
    }
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> bad = font;
        for (int i = 0; i < 4; ++i) bad[rng.below(static_cast<uint32_t>(bad.size()))] ^= 1 << rng.below(8);
        FontBlock b(bad);
        GRIB_SetFont(b.block);
        GRIB_DrawText(&c.bitmap, text.c_str(), 0, 0);
    }
}

// --- grib font --------------------------------------------------------------

TEST_F(BdfTest, CommandConvertsAndReports) {
    TempDir dir;
    auto in = dir.write("small.bdf", std::string(kSmallBdf));
    auto out = dir.path() / "small.fnt";
    auto r = RunGrib({"font", "from-bdf", in.string(), out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out.string() + ": 3 glyphs, codes 46-106, height 5, offset 0\n");
    std::vector<uint8_t> expected;
    std::string error;
    ASSERT_TRUE(BdfToFont(kSmallBdf, expected, error));
    EXPECT_EQ(testsupport::ReadBytes(out), expected);

    r = RunGrib({"font", "from-bdf", in.string(), out.string(), "--baseline"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::ReadBytes(out)[2], 3);
}

TEST_F(BdfTest, CommandUsageAndFailures) {
    auto help = RunGrib({"font", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("grib font from-bdf IN.bdf OUT.fnt"), std::string::npos);

    TempDir dir;
    auto bad = dir.write("bad.bdf", std::string("STARTFONT 2.1\nENDFONT\n"));
    auto out = (dir.path() / "x.fnt").string();
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"font"}, 2},
        {{"font", "to-bdf", "a", "b"}, 2},
        {{"font", "from-bdf", "only-one"}, 2},
        {{"font", "from-bdf", "a", "b", "--what"}, 2},
        {{"font", "from-bdf", (dir.path() / "missing.bdf").string(), out}, 1},
        {{"font", "from-bdf", bad.string(), out}, 2},
    };
    for (const Case& c : cases) {
        auto r = RunGrib(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        EXPECT_EQ(r.err.rfind("grib: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(BdfTest, CommandConvertsTheSystemFont) {
    TempDir dir;
    const std::string bdf = SystemFontBdf(dir);
    if (bdf.empty()) GTEST_SKIP() << kFixedFont << " or pcf2bdf not installed (apt-get install xfonts-base pcf2bdf)";
    auto in = dir.write("fixed.bdf", bdf);
    auto out = dir.path() / "fixed.fnt";
    auto r = RunGrib({"font", "from-bdf", in.string(), out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> font;
    std::string error;
    BdfFontInfo info;
    ASSERT_TRUE(BdfToFont(bdf, font, error, {}, &info));
    EXPECT_EQ(r.out, out.string() + ": " + std::to_string(info.glyphs) + " glyphs, codes 0-255, height 13, offset 0\n");
    EXPECT_GT(info.glyphs, 150);
    EXPECT_EQ(testsupport::ReadBytes(out), font);
}

}  // namespace
