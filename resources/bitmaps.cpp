// The turn bitmaps 108-110 (black on light grey, 16 x 10, 16 colours) and
// the program icon 101, drawn here.
#include <array>
#include <cmath>
#include <vector>

#include "resources/resources.h"

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 10;

// '#' black, '.' light grey (mapped to the face colour when loaded).
constexpr const char* kArrowLeft[kHeight] = {
    "................", "......#.........", ".....##.........", "....##########..", "...###########..",
    "...###########..", "....##########..", ".....##.........", "......#.........", "................",
};
constexpr const char* kArrowRight[kHeight] = {
    "................", ".........#......", ".........##.....", "..##########....", "..###########...",
    "..###########...", "..##########....", ".........##.....", ".........#......", "................",
};
constexpr const char* kSquare[kHeight] = {
    "................", "................", ".....######.....", ".....######.....", ".....######.....",
    ".....######.....", ".....######.....", ".....######.....", "................", "................",
};

// The 16 colours of the classic 4-bit palette (blue, green, red).
constexpr uint8_t kColours[16][3] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},     {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0},   {255, 255, 255},
};

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A bottom-up 4-bit .bmp of the art.
std::vector<uint8_t> MakeBmp(const char* const* art) {
    constexpr size_t kStride = ((kWidth * 4 + 31) / 32) * 4;
    constexpr size_t kPixels = 14 + 40 + 16 * 4;
    std::vector<uint8_t> out(kPixels + kStride * kHeight, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, uint32_t(out.size()));
    Put32(out, 10, uint32_t(kPixels));
    Put32(out, 14, 40);
    Put32(out, 18, kWidth);
    Put32(out, 22, kHeight);
    out[26] = 1;
    out[28] = 4;
    Put32(out, 34, uint32_t(kStride * kHeight));
    Put32(out, 46, 16);
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c) out[54 + size_t(i) * 4 + size_t(c)] = kColours[i][c];
    for (int row = 0; row < kHeight; ++row) {
        uint8_t* line = out.data() + kPixels + kStride * size_t(kHeight - 1 - row);
        for (int col = 0; col < kWidth; ++col) {
            uint8_t index = art[row][col] == '#' ? 0 : 7;
            line[col / 2] |= uint8_t(col & 1 ? index : index << 4);
        }
    }
    return out;
}

// A grey cube on a blue disc.
std::vector<uint8_t> MakeIcon() {
    constexpr int n = SHOWCASE_ICON_SIZE;
    std::vector<uint8_t> rgba(size_t(n) * n * 4, 0);
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = rgba.data() + (size_t(y) * n + size_t(x)) * 4;
        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            double dx = x + 0.5 - n / 2.0, dy = y + 0.5 - n / 2.0;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d > n / 2.0 - 0.5) continue;
            uint8_t shade = uint8_t(150 - d * 4);
            put(x, y, 20, uint8_t(shade / 2), shade);
            // Cube faces: top (light), left (mid), right (dark).
            int cx = x - 16, cy = y - 16;
            bool top = cy >= -10 && cy < -3 && std::abs(cx) <= 2 * (cy + 10) && std::abs(cx) <= 2 * (-3 - cy) + 1;
            bool left = cx >= -10 && cx < 0 && cy >= -6 + (cx + 10) / 2 - 3 && cy <= 4 + (cx + 10) / 2;
            bool right = cx >= 0 && cx <= 10 && cy >= -8 + (10 - cx) / 2 + 1 && cy <= 4 + (10 - cx) / 2;
            if (top) put(x, y, 230, 230, 220);
            else if (left) put(x, y, 170, 170, 165);
            else if (right) put(x, y, 110, 110, 105);
        }
    return rgba;
}

}  // namespace

std::span<const uint8_t> ShowcaseBitmap(int id) {
    static const std::array<std::vector<uint8_t>, 3> images = {MakeBmp(kArrowRight), MakeBmp(kArrowLeft),
                                                               MakeBmp(kSquare)};
    if (id < IDB_ARROW_RIGHT || id > IDB_SQUARE) return {};
    return images[size_t(id - IDB_ARROW_RIGHT)];
}

std::span<const uint8_t> ShowcaseIcon(int id) {
    static const std::vector<uint8_t> icon = MakeIcon();
    if (id != IDI_SHOWCASE) return {};
    return icon;
}
