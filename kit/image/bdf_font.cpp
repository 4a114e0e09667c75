#include "kit/image/bdf_font.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace {

struct BdfGlyph {
    bool present = false;
    int advance = 0;
    int bbxWidth = 0, bbxHeight = 0, bbxX = 0, bbxY = 0;
    std::vector<std::vector<uint8_t>> rows;  // hex rows as bytes, top row first
};

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<int> Number(std::string_view word) {
    int value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

bool Numbers(const std::vector<std::string_view>& words, size_t count, std::array<int, 4>& out) {
    if (words.size() < count + 1) return false;
    for (size_t i = 0; i < count; ++i) {
        auto n = Number(words[i + 1]);
        if (!n) return false;
        out[i] = *n;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HexRow(std::string_view text, std::vector<uint8_t>& row) {
    if (text.empty() || text.size() % 2) return false;
    row.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        row.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

bool Fail(std::string& error, int line, const std::string& message) {
    error = line > 0 ? "line " + std::to_string(line) + ": " + message : message;
    return false;
}

constexpr int kMaxBox = 1024;

// Box offsets beyond the largest box place nothing in any cell; refusing them
// keeps the cell arithmetic far from overflow.
bool OffsetFits(int v) { return v >= -kMaxBox && v <= kMaxBox; }

}  // namespace

bool BdfToFont(std::string_view bdf, std::vector<uint8_t>& font, std::string& error, const BdfFontOptions& options,
               BdfFontInfo* info) {
    font.clear();
    std::array<BdfGlyph, 256> glyphs;
    bool started = false, haveBox = false;
    int fontHeight = 0, fontTop = 0;  // rows, and rows above the baseline
    std::array<int, 4> box{};

    // Parser state inside one character.
    bool inChar = false, inBitmap = false;
    int code = -1, lineNumber = 0;
    BdfGlyph glyph;

    size_t pos = 0;
    while (pos < bdf.size()) {
        size_t end = bdf.find('\n', pos);
        if (end == std::string_view::npos) end = bdf.size();
        std::string_view line = bdf.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::vector<std::string_view> words = Words(line);
        if (words.empty()) continue;
        std::string_view key = words[0];

        if (!started) {
            if (key != "STARTFONT") return Fail(error, lineNumber, "not a BDF font (no STARTFONT)");
            started = true;
            continue;
        }
        if (inBitmap) {
            if (key == "ENDCHAR") {
                if (static_cast<int>(glyph.rows.size()) != glyph.bbxHeight)
                    return Fail(error, lineNumber, "bitmap has fewer rows than its BBX");
                if (code >= 0 && code <= 255) glyphs[static_cast<size_t>(code)] = glyph;
                inBitmap = inChar = false;
                continue;
            }
            std::vector<uint8_t> row;
            if (!HexRow(key, row) || words.size() != 1) return Fail(error, lineNumber, "bad bitmap row");
            if (static_cast<int>(row.size()) * 8 < glyph.bbxWidth)
                return Fail(error, lineNumber, "bitmap row shorter than its BBX width");
            if (static_cast<int>(glyph.rows.size()) >= glyph.bbxHeight)
                return Fail(error, lineNumber, "bitmap has more rows than its BBX");
            glyph.rows.push_back(std::move(row));
            continue;
        }
        if (key == "FONTBOUNDINGBOX") {
            if (!Numbers(words, 4, box) || box[0] < 0 || box[1] < 1 || box[0] > kMaxBox || !OffsetFits(box[2]) ||
                !OffsetFits(box[3]))
                return Fail(error, lineNumber, "bad FONTBOUNDINGBOX");
            if (box[1] > 255) return Fail(error, lineNumber, "fonts are at most 255 rows tall");
            fontHeight = box[1];
            fontTop = box[1] + box[3];
            haveBox = true;
        } else if (key == "STARTCHAR") {
            if (inChar) return Fail(error, lineNumber, "STARTCHAR inside a character");
            if (!haveBox) return Fail(error, lineNumber, "STARTCHAR before FONTBOUNDINGBOX");
            inChar = true;
            glyph = BdfGlyph{};
            glyph.present = true;
            glyph.bbxWidth = box[0];
            glyph.bbxHeight = box[1];
            glyph.bbxX = box[2];
            glyph.bbxY = box[3];
            glyph.advance = -1;
            code = -1;
        } else if (inChar && key == "ENCODING") {
            std::array<int, 4> n{};
            if (!Numbers(words, 1, n)) return Fail(error, lineNumber, "bad ENCODING");
            code = n[0];
            // "ENCODING -1 n" names a code outside the standard encoding.
            if (code == -1 && words.size() >= 3) {
                auto alt = Number(words[2]);
                if (alt) code = *alt;
            }
        } else if (inChar && key == "DWIDTH") {
            std::array<int, 4> n{};
            if (!Numbers(words, 1, n) || n[0] < 0) return Fail(error, lineNumber, "bad DWIDTH");
            glyph.advance = n[0];
        } else if (inChar && key == "BBX") {
            std::array<int, 4> n{};
            if (!Numbers(words, 4, n) || n[0] < 0 || n[1] < 0 || n[0] > kMaxBox || n[1] > kMaxBox ||
                !OffsetFits(n[2]) || !OffsetFits(n[3]))
                return Fail(error, lineNumber, "bad BBX");
            glyph.bbxWidth = n[0];
            glyph.bbxHeight = n[1];
            glyph.bbxX = n[2];
            glyph.bbxY = n[3];
        } else if (inChar && key == "BITMAP") {
            if (glyph.advance < 0) glyph.advance = std::max(0, glyph.bbxX + glyph.bbxWidth);
            if (glyph.advance > 255) return Fail(error, lineNumber, "glyphs are at most 255 pixels wide");
            inBitmap = true;
        } else if (inChar && key == "ENDCHAR") {
            return Fail(error, lineNumber, "character without BITMAP");
        } else if (key == "ENDFONT") {
            break;
        }
    }
    if (!started) return Fail(error, 0, "not a BDF font (no STARTFONT)");
    if (inChar) return Fail(error, lineNumber, "font ends inside a character");

    int first = -1, last = -1;
    for (int c = 0; c < 256; ++c) {
        if (!glyphs[static_cast<size_t>(c)].present) continue;
        if (first < 0) first = c;
        last = c;
    }
    if (first < 0) return Fail(error, 0, "no characters with codes 0-255");

    // The baseline row (the lowest row of undescending ink) is cell row
    // fontTop - 1; that is the row drawn at y.
    const int offset = options.baseline ? std::clamp(fontTop - 1, 0, 255) : 0;
    font = {static_cast<uint8_t>(fontHeight), 0, static_cast<uint8_t>(offset), static_cast<uint8_t>(first)};
    const size_t table = font.size();
    font.resize(table + 2 * static_cast<size_t>(last - first + 1), 0);
    int stored = 0;
    for (int c = first; c <= last; ++c) {
        const BdfGlyph& g = glyphs[static_cast<size_t>(c)];
        if (!g.present) continue;
        const size_t start = font.size();
        if (start > 0xFFFF) {
            font.clear();
            return Fail(error, 0, "font too large for 16-bit glyph offsets");
        }
        const size_t slot = table + 2 * static_cast<size_t>(c - first);
        font[slot] = static_cast<uint8_t>(start & 0xFF);
        font[slot + 1] = static_cast<uint8_t>(start >> 8);

        const int width = g.advance;
        font.push_back(static_cast<uint8_t>(width));
        std::vector<uint8_t> bits((static_cast<size_t>(width) * fontHeight + 7) / 8, 0);
        // Cell row of the glyph's top bitmap row: the cell's top lies fontTop
        // rows above the baseline, the bitmap's top bbxY + bbxHeight rows.
        const int rowShift = fontTop - (g.bbxY + g.bbxHeight);
        for (int r = 0; r < g.bbxHeight; ++r) {
            const int cellRow = rowShift + r;
            if (cellRow < 0 || cellRow >= fontHeight) continue;
            for (int i = 0; i < g.bbxWidth; ++i) {
                const int cellColumn = g.bbxX + i;
                if (cellColumn < 0 || cellColumn >= width) continue;
                if (!((g.rows[static_cast<size_t>(r)][static_cast<size_t>(i / 8)] >> (7 - i % 8)) & 1)) continue;
                const size_t bit = static_cast<size_t>(cellRow) * width + cellColumn;
                bits[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
            }
        }
        font.insert(font.end(), bits.begin(), bits.end());
        ++stored;
    }
    if (info) {
        info->glyphs = stored;
        info->firstCode = first;
        info->lastCode = last;
        info->height = fontHeight;
        info->verticalOffset = offset;
    }
    error.clear();
    return true;
}
