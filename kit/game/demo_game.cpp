#include "kit/game/demo_game.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "grib/env/bytes.h"
#include "grib/env/names.h"
#include "grib/tdf/tdf.h"
#include "kit/image/gaf_writer.h"
#include "kit/image/palette_tables.h"
#include "kit/image/pcx_writer.h"
#include "kit/model/model_builder.h"
#include "kit/script/script_asm.h"
#include "kit/sound/wav_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr char kGame[] = "Varnho.GRB", kPatch[] = "Varnho1.GRB", kViewer[] = "Showcase.GRB",
               kGenerated[] = "Generated.GRB";
// The game's patch archive is stored scrambled; the others plain.
constexpr uint8_t kPatchKey = 0x5C;
// Units that came with the patch (and the weapons only they use).
bool InPatch(const std::string& file) { return file == "ARMGUARD" || file == "CORSTORM"; }
// The unit whose definition is also a loose file on disk.
constexpr char kLooseUnit[] = "ARMSCOUT";

// ---------------------------------------------------------------------------
// Palette: indices 0-9 and 246-255 are the system's; 14 ramps of 16 levels
// from 10 on; a few pure colours for lamps and muzzle flashes after them.

constexpr int kRampBase = 10, kLevels = 16;
enum Ramp { GREY, BLUE, SKY, RED, RUST, GOLD, OLIVE, GREEN, BROWN, SAND, STEEL, PURPLE, TEAL, DARK, RAMPS };
constexpr uint8_t LAMP = 234, GREEN_GLOW = 239, HAZARD = 242, TRANSPARENT = 9;

uint8_t Colour(int ramp, int level) { return uint8_t(kRampBase + kLevels * ramp + std::clamp(level, 0, kLevels - 1)); }

std::vector<uint8_t> DemoPalette() {
    static const uint8_t system[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    // Dark, middle and light end of each ramp.
    static const uint8_t ramps[RAMPS][3][3] = {
        {{14, 14, 16}, {120, 120, 124}, {235, 235, 240}},  // GREY
        {{6, 10, 40}, {40, 80, 170}, {170, 200, 255}},     // BLUE
        {{10, 30, 50}, {80, 150, 200}, {210, 240, 255}},   // SKY
        {{40, 4, 4}, {170, 30, 25}, {255, 170, 150}},      // RED
        {{40, 18, 6}, {160, 80, 30}, {255, 200, 140}},     // RUST
        {{40, 30, 0}, {200, 160, 20}, {255, 245, 170}},    // GOLD
        {{20, 24, 8}, {100, 115, 45}, {210, 225, 150}},    // OLIVE
        {{4, 24, 8}, {30, 120, 50}, {160, 240, 170}},      // GREEN
        {{24, 14, 6}, {110, 70, 40}, {220, 180, 130}},     // BROWN
        {{40, 34, 20}, {170, 150, 100}, {250, 240, 200}},  // SAND
        {{16, 20, 26}, {100, 115, 135}, {215, 225, 240}},  // STEEL
        {{20, 6, 30}, {110, 40, 150}, {220, 170, 255}},    // PURPLE
        {{0, 26, 26}, {20, 140, 130}, {160, 250, 240}},    // TEAL
        {{6, 6, 8}, {50, 52, 58}, {140, 145, 155}}};       // DARK
    static const uint8_t extras[][3] = {{255, 230, 90}, {255, 150, 30}, {255, 250, 200}, {120, 255, 255},
                                        {255, 60, 40},  {90, 255, 100}, {255, 255, 255}, {0, 0, 0},
                                        {255, 200, 0},  {30, 30, 30},   {200, 0, 0},     {0, 0, 120}};
    std::vector<uint8_t> p(1024, 0);
    auto put = [&](int i, const uint8_t* rgb) {
        for (int k = 0; k < 3; ++k) p[size_t(4 * i + k)] = rgb[k];
    };
    for (int i = 0; i < 10; ++i) put(i, system[i]);
    for (int i = 0; i < 10; ++i) put(246 + i, system[10 + i]);
    for (int r = 0; r < RAMPS; ++r)
        for (int l = 0; l < kLevels; ++l) {
            const uint8_t* a = l < 8 ? ramps[r][0] : ramps[r][1];
            const uint8_t* b = l < 8 ? ramps[r][1] : ramps[r][2];
            const double t = l < 8 ? l / 8.0 : (l - 8) / 7.0;
            uint8_t rgb[3];
            for (int k = 0; k < 3; ++k) rgb[k] = uint8_t(std::lround(a[k] + (b[k] - a[k]) * t));
            put(Colour(r, l), rgb);
        }
    for (int i = 0; i < 12; ++i) put(LAMP + i, extras[i]);
    return p;
}

// ---------------------------------------------------------------------------
// Pictures drawn into 8-bit canvases.

struct Canvas {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    Canvas(int width, int height, uint8_t fill) : w(width), h(height), px(size_t(width) * size_t(height), fill) {}
    void Set(int x, int y, uint8_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * size_t(w) + size_t(x)] = c;
    }
    uint8_t Get(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
    void Fill(int x0, int y0, int x1, int y1, uint8_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
};

const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// A fractional ramp level, ordered-dithered between its two neighbours.
uint8_t Dither(int ramp, double level, int x, int y) {
    const int base = int(std::floor(level));
    const double frac = level - base;
    return Colour(ramp, base + (frac * 16 > kBayer[y & 3][x & 3] + 0.5 ? 1 : 0));
}

// The side emblems, drawn into a square of size s at (ox, oy).
void ArmEmblem(Canvas& c, int ox, int oy, int s, bool background) {
    const double r = s / 2.0;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r, d = std::hypot(dx, dy) / r;
            if (d > 1.0) {
                if (background) c.Set(ox + x, oy + y, Colour(STEEL, 4));
                continue;
            }
            uint8_t col = d > 0.86 ? Colour(GREY, 13) : Dither(BLUE, 5 + 4 * (1 - d), x, y);
            // An upward chevron: two slanted bars meeting at the top.
            const double u = dx / r, v = dy / r;
            const double arm = std::fabs(v + 0.55 - std::fabs(u) * 1.1);
            if (arm < 0.16 && std::fabs(u) < 0.7 && v < 0.5) col = Colour(SKY, 14);
            if (std::fabs(u) < 0.12 && v > -0.1 && v < 0.62) col = Colour(SKY, 12);
            c.Set(ox + x, oy + y, col);
        }
}

void CoreEmblem(Canvas& c, int ox, int oy, int s, bool background) {
    const double r = s / 2.0;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r, d = std::hypot(dx, dy) / r;
            const double a = std::atan2(dy, dx);
            // A cog: eight teeth around a ring, a dark hub with a bright core.
            const double edge = 0.82 + (std::cos(a * 8) > 0.2 ? 0.16 : 0.0);
            if (d > edge) {
                if (background) c.Set(ox + x, oy + y, Colour(DARK, 3));
                continue;
            }
            uint8_t col = Dither(RED, 6 + 4 * (1 - d), x, y);
            if (d < 0.5) col = Colour(DARK, 4);
            if (d < 0.25) col = Dither(GOLD, 10 + 5 * (1 - d * 4), x, y);
            if (std::fabs(d - 0.62) < 0.05) col = Colour(GOLD, 12);
            c.Set(ox + x, oy + y, col);
        }
}

std::vector<uint8_t> Pcx(const Canvas& c, const std::vector<uint8_t>& palette) {
    return KitWritePCXPalette(c.px.data(), uint32_t(c.w), uint32_t(c.h), uint32_t(c.w), palette.data());
}

// ARM: a pale sky over a blue grid floor running to the horizon.
Canvas ArmBackground(int w, int h) {
    Canvas c(w, h, 0);
    const int horizon = h * 28 / 100;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y < horizon) {
                c.Set(x, y, Dither(SKY, 13.8 - 3.5 * y / horizon, x, y));
                continue;
            }
            const double depth = double(y - horizon + 1) / (h - horizon);  // 0 at the horizon
            double level = 9.5 + 2.5 * depth;
            // Floor lines: rows at even steps of 1/depth, columns converging.
            const double row = 6.0 / depth, col = (x - w / 2.0) / (y - horizon + 1) * 4.0;
            const double fr = row - std::floor(row), fc = col - std::floor(col);
            if (fr < 0.08 * (1 + 1 / (row + 1)) || fc < 0.045 || fc > 0.955) level -= 3.0;
            c.Set(x, y, Dither(SKY, level, x, y));
        }
    for (int x = 0; x < w; ++x) c.Set(x, horizon, Colour(BLUE, 12));
    return c;
}

// CORE: riveted rust plates under a hazard band.
Canvas CoreBackground(int w, int h) {
    Canvas c(w, h, 0);
    const int band = h / 16, pw = w / 8, ph = h / 6;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y < band) {
                c.Set(x, y, ((x + y) / (band / 2 + 1)) % 2 ? HAZARD : Colour(DARK, 2));
                continue;
            }
            const int row = (y - band) / ph;
            const int px = (x + (row % 2) * pw / 2) % pw, py = (y - band) % ph;
            double level = 10.6 - 2.2 * double(y) / h + ((row + (x + (row % 2) * pw / 2) / pw) % 3) * 0.5;
            if (px < 2 || py < 2) level = 6;
            else if (px > pw - 3 || py > ph - 3) level = 12.5;
            const int rx = std::min(px - 8, pw - 9 - px), ry = std::min(py - 8, ph - 9 - py);
            if ((rx == 0 || rx == -1) && (ry == 0 || ry == -1)) level = 13.5;
            c.Set(x, y, Dither(SAND, level, x, y));
        }
    for (int x = 0; x < w; ++x) c.Set(x, band, Colour(DARK, 1));
    return c;
}

// Glyph cells of the converted font (height, offsets, then width and
// row-major bits per glyph); a missing code draws nothing.
struct FontView {
    const std::vector<uint8_t>& f;
    int Height() const { return f.size() > 4 ? f[0] : 0; }
    // Advance of code ch, drawing it with pixel size `scale` at (x, y) when
    // canvas is given.
    int Glyph(Canvas* canvas, int ch, int x, int y, int scale, uint8_t colour) const {
        if (f.size() < 4 || ch < f[3]) return 0;
        const size_t slot = 4 + 2 * size_t(ch - f[3]);
        if (slot + 1 >= f.size()) return 0;
        const size_t at = GribBytes{f.data(), f.size()}.U16(slot);
        if (at == 0 || at >= f.size()) return 0;
        const int width = f[at], height = f[0];
        if (at + 1 + (size_t(width) * height + 7) / 8 > f.size()) return 0;
        for (int r = 0; canvas && r < height; ++r)
            for (int col = 0; col < width; ++col) {
                const size_t bit = size_t(r) * width + col;
                if (f[at + 1 + bit / 8] & (0x80 >> (bit % 8)))
                    canvas->Fill(x + col * scale, y + r * scale, x + (col + 1) * scale, y + (r + 1) * scale, colour);
            }
        return width;
    }
    int Text(Canvas* canvas, const char* s, int x, int y, int scale, uint8_t colour) const {
        int advance = 0;
        for (; *s; ++s) advance += Glyph(canvas, uint8_t(*s), x + advance * scale, y, scale, colour);
        return advance * scale;
    }
};

// The About box's logo: the title over both emblems, on index 9, which the
// box replaces by its face colour.
Canvas Logo(const std::vector<uint8_t>& font) {
    Canvas c(288, 96, TRANSPARENT);
    ArmEmblem(c, 8, 16, 64, false);
    CoreEmblem(c, 216, 16, 64, false);
    FontView view{font};
    const char* title = "SHOWCASE";
    const int scale = view.Height() > 0 && view.Height() <= 13 ? 3 : 2;
    const int width = view.Text(nullptr, title, 0, 0, scale, 0);
    const int x = (c.w - width) / 2, y = (c.h - view.Height() * scale) / 2;
    view.Text(&c, title, x + 2, y + 2, scale, Colour(DARK, 2));
    view.Text(&c, title, x, y, scale, Colour(GOLD, 12));
    const char* sub = "unit viewer demo";
    const int sw = view.Text(nullptr, sub, 0, 0, 1, 0);
    view.Text(&c, sub, (c.w - sw) / 2, y + view.Height() * scale + 2, 1, Colour(DARK, 4));
    return c;
}

// ---------------------------------------------------------------------------
// Textures.

KitGafFrame Frame(const Canvas& c, uint16_t duration) {
    KitGafFrame f;
    f.duration = duration;
    f.image.width = uint16_t(c.w);
    f.image.height = uint16_t(c.h);
    f.image.transparent = 0;
    f.image.pixels = c.px;
    return f;
}

std::vector<KitGafEntry> LogoTextures() {
    KitGafEntry e;
    e.name = "SideLogo";
    e.loop = true;
    Canvas arm(32, 32, 0), core(32, 32, 0);
    ArmEmblem(arm, 0, 0, 32, true);
    CoreEmblem(core, 0, 0, 32, true);
    e.frames = {Frame(arm, 30), Frame(core, 30)};
    return {e};
}

std::vector<KitGafEntry> AnimatedTextures() {
    std::vector<KitGafEntry> out;
    {  // Track links that run past.
        KitGafEntry e{"Treads", true, {}};
        for (int f = 0; f < 4; ++f) {
            Canvas c(32, 32, 0);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    const int link = (x + f * 2) % 8;
                    int level = link < 2 ? 2 : link < 6 ? 6 : 4;
                    if (y < 3 || y > 28) level = 3;
                    if (link >= 2 && link < 6 && (y == 8 || y == 23)) level = 9;
                    c.Set(x, y, Colour(DARK, level));
                }
            e.frames.push_back(Frame(c, 2));
        }
        out.push_back(std::move(e));
    }
    {  // Solar cells with a glint sweeping across.
        KitGafEntry e{"SolarCell", true, {}};
        for (int f = 0; f < 8; ++f) {
            Canvas c(32, 32, 0);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    double level = 4 + ((x / 8 + y / 8) % 2) * 0.8;
                    const int d = ((x + y) - f * 8 + 64) % 64;
                    if (d < 6) level += 6 - d;
                    if (x % 8 == 0 || y % 8 == 0) level = 10;
                    c.Set(x, y, Dither(BLUE, level, x, y));
                }
            e.frames.push_back(Frame(c, 4));
        }
        out.push_back(std::move(e));
    }
    {  // A sensor screen with a scanning line.
        KitGafEntry e{"Screen", true, {}};
        for (int f = 0; f < 6; ++f) {
            Canvas c(32, 16, Colour(DARK, 1));
            for (int y = 1; y < 15; ++y)
                for (int x = 1; x < 31; ++x) {
                    const int d = std::abs(x - (3 + f * 5));
                    c.Set(x, y, d < 2 ? GREEN_GLOW : d < 4 ? Colour(GREEN, 9) : (y % 3 ? Colour(GREEN, 2) : Colour(GREEN, 4)));
                }
            e.frames.push_back(Frame(c, 3));
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<KitGafEntry> PlateTextures() {
    std::vector<KitGafEntry> out;
    Canvas plate(32, 32, 0), hazard(32, 32, 0), missiles(32, 32, Colour(DARK, 2));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            double level = 8 + (y < 16 ? 0.6 : 0);
            if (x == 0 || y == 0 || x == 15 || y == 15 || x == 16 || y == 16) level = 4;
            if ((x % 16 == 3 || x % 16 == 12) && (y % 16 == 3 || y % 16 == 12)) level = 12;
            plate.Set(x, y, Dither(STEEL, level, x, y));
            hazard.Set(x, y, ((x + y) / 6) % 2 ? HAZARD : Colour(DARK, 1));
        }
    for (int m = 0; m < 4; ++m) {
        const int cx = 8 + (m % 2) * 16, cy = 8 + (m / 2) * 16;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d < 6) missiles.Set(x, y, d < 2.5 ? Colour(RED, 12) : Dither(GREY, 11 - d, x, y));
            }
    }
    out.push_back({"ArmPlate", true, {Frame(plate, 1)}});
    out.push_back({"Hazard", true, {Frame(hazard, 1)}});
    out.push_back({"Missiles", true, {Frame(missiles, 1)}});
    return out;
}

// ---------------------------------------------------------------------------
// Sounds: 8-bit mono PCM at 11,025 samples per second.

constexpr double kRate = 11025, kPi = 3.141592653589793;

std::vector<uint8_t> Wav(const std::vector<double>& samples) {
    std::vector<uint8_t> bytes(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        bytes[i] = uint8_t(std::lround(128 + 120 * std::clamp(samples[i], -1.0, 1.0)));
    return KitWriteWav(bytes, uint32_t(kRate));
}

// A deterministic noise source for the sounds and the generated units.
struct Noise {
    uint32_t s;
    uint32_t Next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    double Unit() { return (Next() & 0xFFFF) / 32768.0 - 1.0; }  // -1 ... 1
    int Below(int n) { return n > 0 ? int(Next() % uint32_t(n)) : 0; }
};

std::vector<double> Tone(double seconds, auto&& sample) {
    std::vector<double> out(size_t(seconds * kRate));
    for (size_t i = 0; i < out.size(); ++i) out[i] = sample(i / kRate, double(i) / out.size());
    return out;
}

std::map<std::string, std::vector<uint8_t>> Sounds() {
    std::map<std::string, std::vector<uint8_t>> s;
    Noise n{12345};
    // The logo fanfare: three rising notes and a chord.
    s["Fenpup"] = Wav(Tone(0.9, [](double t, double) {
        const double notes[] = {392, 494, 587};
        const int k = std::min(3, int(t / 0.15));
        double v = 0;
        if (k < 3) {
            const double lt = t - k * 0.15;
            v = std::sin(2 * kPi * notes[k] * t) * std::exp(-lt * 6);
        } else {
            const double lt = t - 0.45;
            for (double f : notes) v += std::sin(2 * kPi * f * 2 * t) / 3;
            v *= std::exp(-lt * 4);
        }
        return 0.8 * v;
    }));
    s["laser1"] = Wav(Tone(0.25, [](double t, double p) {
        const double f = 1800 - 1400 * p;
        return 0.7 * (std::sin(2 * kPi * f * t) > 0 ? 1 : -1) * (1 - p);
    }));
    s["pulse1"] = Wav(Tone(0.2, [](double t, double) {
        const double gate = std::fmod(t, 0.1) < 0.05 ? 1 : 0;
        return 0.7 * gate * std::sin(2 * kPi * 950 * t);
    }));
    auto boom = [&n](double seconds, double pitch, double decay) {
        double low = 0;
        return Wav(Tone(seconds, [&](double t, double) {
            low += (n.Unit() - low) * 0.15;
            return (2.5 * low + 0.6 * std::sin(2 * kPi * pitch * t)) * std::exp(-t * decay);
        }));
    };
    s["cannon1"] = boom(0.7, 55, 6);
    s["cannon2"] = boom(0.5, 90, 9);
    auto whoosh = [&n](double seconds, double rise) {
        double low = 0;
        return Wav(Tone(seconds, [&](double, double p) {
            low += (n.Unit() - low) * (0.05 + rise * p);
            return 2.2 * low * std::sin(kPi * p);
        }));
    };
    s["rocket1"] = whoosh(0.6, 0.3);
    s["missile1"] = whoosh(0.9, 0.15);
    s["plasma1"] = Wav(Tone(0.35, [](double t, double p) {
        return 0.7 * std::sin(2 * kPi * 300 * t + 6 * std::sin(2 * kPi * 35 * t)) * (1 - p);
    }));
    s["mgun1"] = Wav(Tone(0.36, [&n](double t, double) {
        const double lt = std::fmod(t, 0.12);
        return lt < 0.04 ? n.Unit() * std::exp(-lt * 80) : 0.0;
    }));
    return s;
}


// ---------------------------------------------------------------------------
// Demo sources.

bool ReadFile(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// A text data file loaded through the library, released when it goes.
struct Tdf {
    TdfFile file;
    bool loaded;
    explicit Tdf(const fs::path& path) : loaded(TDF_Load(&file, path.string().c_str()) != 0) {}
    ~Tdf() { TDF_Free(&file); }
    Tdf(const Tdf&) = delete;
    Tdf& operator=(const Tdf&) = delete;
    // The key's value in the top-level section, or "".
    std::string Value(const char* section, const char* key) {
        char value[256] = {};
        if (!loaded) return "";
        TDF_Rewind(&file);
        if (!TDF_EnterSection(&file, section)) return "";
        TDF_GetString(&file, value, key, int32_t(sizeof value - 1));
        return value;
    }
    // The top-level sections with their own statements in file order, read
    // off the normalised text: [NAME]{key=value;...[NESTED]{...}...}.
    std::vector<KitGameWeapon> Sections() const {
        std::vector<KitGameWeapon> out;
        const char* p = loaded ? file.text : nullptr;
        auto skipSection = [](const char* at) {  // at '[': past its closing brace
            at = std::strchr(at, '{');
            for (int depth = 0; at && *at; ++at)
                if (*at == '{') ++depth;
                else if (*at == '}' && --depth == 0) return at + 1;
            return static_cast<const char*>(nullptr);
        };
        while (p && *p) {
            if (*p != '[') {  // a statement outside any section
                p = std::strchr(p, ';');
                p = p ? p + 1 : nullptr;
                continue;
            }
            const char* close = std::strchr(p, ']');
            if (!close || close[1] != '{') break;
            KitGameWeapon section{std::string(p + 1, close), {}};
            const char* end = skipSection(p);
            for (p = close + 2; p && end && p < end - 1;) {
                if (*p == '[') {
                    p = skipSection(p);
                    continue;
                }
                const char* eq = std::strchr(p, '=');
                const char* semi = std::strchr(p, ';');
                if (!eq || !semi || eq > semi || semi >= end) break;
                section.keys.push_back({std::string(p, eq), std::string(eq + 1, semi)});
                p = semi + 1;
            }
            out.push_back(std::move(section));
            p = end;
        }
        return out;
    }
};

int Fail(std::string* error, int code, const std::string& message) {
    if (error) *error = message;
    return code;
}

// The source units in file name order: the definition as written, its
// model, and its script assembled.
int LoadUnits(const fs::path& source, std::vector<KitGameUnit>& units, std::string* error) {
    std::vector<fs::path> fbis;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(source / "units", ec))
        if (GRIB_SameName(e.path().extension().string().c_str(), ".fbi")) fbis.push_back(e.path());
    std::sort(fbis.begin(), fbis.end());
    if (fbis.empty()) return Fail(error, KIT_DEMO_MISSING, "no units in " + (source / "units").string());
    for (const fs::path& path : fbis) {
        KitGameUnit u;
        u.file = path.stem().string();
        u.archive = InPatch(u.file) ? kPatch : kGame;
        std::string text, why;
        if (!ReadFile(path, text)) return Fail(error, KIT_DEMO_MISSING, path.string() + ": cannot read");
        u.fbiBytes.assign(text.begin(), text.end());
        Tdf fbi(path);
        const std::string object = fbi.Value("UNITINFO", "ObjectName");
        if (object.empty()) return Fail(error, KIT_DEMO_BAD, path.string() + ": no ObjectName");
        u.info = {{"ObjectName", object}};
        for (const char* key : {"Weapon1", "Weapon2", "Weapon3"}) u.info.push_back({key, fbi.Value("UNITINFO", key)});
        const fs::path txt = source / "objects3d" / (object + ".txt"), obj = source / "objects3d" / (object + ".obj");
        if (ReadFile(txt, text)) {
            if (!KitParseModelText(text, u.model, &why)) return Fail(error, KIT_DEMO_BAD, txt.string() + ": " + why);
        } else if (ReadFile(obj, text)) {
            if (!KitParseObj(text, 1.0, u.model, &why)) return Fail(error, KIT_DEMO_BAD, obj.string() + ": " + why);
        } else {
            return Fail(error, KIT_DEMO_MISSING, path.string() + ": no model " + object + ".txt or " + object + ".obj");
        }
        const fs::path asmPath = source / "scripts" / (u.file + ".asm");
        if (!ReadFile(asmPath, text)) return Fail(error, KIT_DEMO_MISSING, asmPath.string() + ": cannot read");
        if (!AssembleScript(text, u.scriptBytes, why)) return Fail(error, KIT_DEMO_BAD, asmPath.string() + ": " + why);
        units.push_back(std::move(u));
    }
    return KIT_DEMO_BUILT;
}

// ---------------------------------------------------------------------------
// Generated units for scale tests: varied hulls, turrets, wheels or legs,
// masts, and scripts built from the parts each one has.

KitGameUnit Generate(int index) {
    Noise n{uint32_t(index) * 2654435761u + 7};
    const bool arm = index % 2 == 0;
    KitGameUnit g;
    g.archive = kGenerated;
    char name[32];
    std::snprintf(name, sizeof name, "%s%04d", arm ? "ARMG" : "CORG", index / 2 + 1);
    g.file = name;
    const int kind = n.Below(3);  // 0 wheeled, 1 walker, 2 structure
    const int hullRamp = arm ? (n.Below(2) ? BLUE : STEEL) : (n.Below(2) ? RED : RUST);
    const int turretRamp = arm ? (n.Below(2) ? SKY : GREY) : (n.Below(2) ? RUST : GOLD);
    const double len = 8 + n.Below(8), wid = 5 + n.Below(4), hi = 1.5 + n.Below(3) * 0.5;

    KitModelPiece base;
    base.name = "base";
    KitModelPiece hull = KitBoxPiece("hull", {0, kind == 1 ? 10.0 : hi + 2.5, 0}, {wid, hi, len}, Colour(hullRamp, 6),
                                     n.Below(2) ? "SideLogo" : "");
    std::vector<std::string> movers;
    if (kind == 0) {
        const int axles = 2 + n.Below(2);
        for (int a = 0; a < axles; ++a)
            for (int s = -1; s <= 1; s += 2) {
                const double z = -len * 0.7 + (axles > 1 ? 1.4 * len * a / (axles - 1) : 0);
                std::string wname = "wheel" + std::to_string(movers.size() + 1);
                hull.children.push_back(KitBoxPiece(wname, {s * (wid + 1.2), -hi + 0.5, z}, {1, 2.2, 2.2},
                                                    Colour(DARK, 4)));
                movers.push_back(wname);
            }
    } else if (kind == 1) {
        for (int s = -1; s <= 1; s += 2) {
            std::string lname = s < 0 ? "lleg" : "rleg";
            hull.children.push_back(KitBoxPiece(lname, {s * wid * 0.6, -hi - 3.5, 0}, {1.2, 3.5, 1.4},
                                                Colour(hullRamp, 8)));
            movers.push_back(lname);
        }
    }
    const double th = 1 + n.Below(2) * 0.5;
    KitModelPiece turret =
        KitBoxPiece("turret", {0, hi + th, len * 0.1}, {wid * 0.6, th, len * 0.35}, Colour(turretRamp, 7));
    KitModelPiece barrel = KitBoxPiece("barrel", {0, 0, -len * 0.35 - 3}, {0.6, 0.6, 3.0 + n.Below(3)}, Colour(DARK, 6));
    KitModelPiece flash = KitBoxPiece("flash", {0, 0, -6.5}, {1, 1, 1}, LAMP);
    barrel.children.push_back(flash);
    turret.children.push_back(barrel);
    const bool mast = n.Below(2) == 0;
    if (mast) turret.children.push_back(KitBoxPiece("mast", {0, th + 2, len * 0.2}, {0.4, 2, 0.4}, Colour(GREY, 9)));
    hull.children.push_back(turret);
    base.children.push_back(hull);
    g.model = {base};

    std::string s = "piece base hull turret barrel flash";
    if (mast) s += " mast";
    for (const std::string& m : movers) s += " " + m;
    s += "\nfunction Create\n    hide flash\n";
    if (mast) s += "    push 0\n    push " + std::to_string(8192 + n.Below(4) * 4096) + "\n    spin mast y\n";
    s += "    return\nfunction Showcase\n    return\nfunction Demo\n    return\n";
    const int turn = 16384 + n.Below(4) * 8192;
    s += "function AimPrimary\n    push " + std::to_string(turn) +
         "\n    push_local 0\n    turn turret y\n    push 16384\n    push 0\n    push_local 1\n    sub\n"
         "    turn barrel x\n    wait_turn turret y\n    wait_turn barrel x\n    push 1\n    return\n";
    s += "function FirePrimary\n    show flash\n    push -" + std::to_string(163840 + n.Below(3) * 81920) +
         "\n    move_now barrel z\n    push 100\n    sleep\n    hide flash\n    push 327680\n    push 0\n"
         "    move barrel z\n    return\n";
    if (kind == 0) {
        const int speed = 65536 + n.Below(4) * 16384;
        s += "function StartMoving\n";
        for (const std::string& m : movers) s += "    push 40000\n    push " + std::to_string(speed) + "\n    spin " + m + " x\n";
        s += "    return\nfunction StopMoving\n";
        for (const std::string& m : movers) s += "    push 60000\n    stop_spin " + m + " x\n";
        s += "    return\n";
    } else if (kind == 1) {
        s += "function StartMoving\n    start Walk 0\n    return\nfunction Walk\n    push 2\n    set_signal_mask\n"
             "step:\n    push 30000\n    push 5000\n    turn lleg x\n    push 30000\n    push -5000\n    turn rleg x\n"
             "    wait_turn lleg x\n    push 30000\n    push -5000\n    turn lleg x\n    push 30000\n    push 5000\n"
             "    turn rleg x\n    wait_turn lleg x\n    jump step\n"
             "function StopMoving\n    push 2\n    signal\n    push 20000\n    push 0\n    turn lleg x\n"
             "    push 20000\n    push 0\n    turn rleg x\n    return\n";
    } else {
        s += "function Activate\n    push 327680\n    push 327680\n    move turret y\n    return\n"
             "function Deactivate\n    push 327680\n    push 0\n    move turret y\n    return\n";
    }
    g.script = s;

    static const char* armWeapons[] = {"ARM_LASER", "ARM_PULSE", "ARM_ROCKET", "ARM_GAUSS"};
    static const char* coreWeapons[] = {"CORE_CANNON", "CORE_PLASMA", "CORE_MGUN", "CORE_RAIL"};
    const char* weapon = (arm ? armWeapons : coreWeapons)[n.Below(4)];
    // Drawn in the order the values appear in the definition, last first.
    const int damage = 200 + n.Below(3000);
    const int turnRate = kind == 2 ? 0 : 300 + n.Below(900);
    const double acceleration = kind == 2 ? 0.0 : 0.05 + n.Below(10) / 100.0;
    const double velocity = kind == 2 ? 0.0 : 1 + n.Below(20) / 10.0;
    const int time = 1000 + n.Below(8000), metal = 40 + n.Below(400), energy = 500 + n.Below(4000);
    auto fixed2 = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", v);
        return std::string(text);
    };
    g.info = {{"Name", std::string(arm ? "Model " : "Pattern ") + std::to_string(index / 2 + 1)},
              {"Description", std::string("Generated ") + (kind == 0 ? "vehicle" : kind == 1 ? "walker" : "structure")},
              {"BMcode", kind == 2 ? "0" : "1"},
              {"MobileCode", kind == 0 ? "WHEELED" : kind == 1 ? "KBOT" : "BUILDING"},
              {"BuildCostEnergy", std::to_string(energy)},
              {"BuildCostMetal", std::to_string(metal)},
              {"BuildTime", std::to_string(time)},
              {"MaxVelocity", fixed2(velocity)},
              {"Acceleration", fixed2(acceleration)},
              {"TurnRate", std::to_string(turnRate)},
              {"MaxDamage", std::to_string(damage)},
              {"Weapon1", weapon},
              {"Weapon2", "NONE"},
              {"Weapon3", "NONE"},
              {"ObjectName", name},
              {"Scale", "2.5"}};
    return g;
}


}  // namespace

int KitBuildDemoGame(const KitDemoOptions& options, KitGame& game, int* unitCount, std::string* error) {
    const fs::path source = options.source;
    std::vector<KitGameUnit> units;
    if (int rc = LoadUnits(source, units, error)) return rc;
    const fs::path weaponsPath = source / "gamedata" / "weapons.tdf";
    const fs::path settingsPath = source / "gamedata" / "showcase.tdf";
    std::string weapons, settingsText;
    if (!ReadFile(weaponsPath, weapons)) return Fail(error, KIT_DEMO_MISSING, weaponsPath.string() + ": cannot read");
    if (!ReadFile(settingsPath, settingsText))
        return Fail(error, KIT_DEMO_MISSING, settingsPath.string() + ": cannot read");
    Tdf settings(settingsPath);
    const std::string armBackground = settings.Value("RESOURCES", "armbackground"),
                      coreBackground = settings.Value("RESOURCES", "corebackground"),
                      logo = settings.Value("RESOURCES", "logo");
    if (armBackground.empty() || coreBackground.empty() || logo.empty())
        return Fail(error, KIT_DEMO_BAD, settingsPath.string() + ": logo, armbackground or corebackground missing");

    const std::vector<uint8_t> palette = DemoPalette();
    const std::vector<uint8_t> font = options.font.empty() ? KitGameFont() : options.font;
    game.headerKeys[kPatch] = kPatchKey;
    // The game: palette, tables, font, textures, sounds, the first release's
    // weapons and units.
    game.Add("palettes\\palette.pal", palette, kGame);
    game.Add("palettes\\palette.alp", KitMakeAlphaTable(palette.data()), kGame);
    game.Add("palettes\\palette.shd", KitMakeShadeTable(palette.data()), kGame);
    game.Add("fonts\\console.fnt", font, kGame);
    game.Add("textures\\Logos.gaf", KitWriteGAF(LogoTextures()), kGame);
    game.Add("textures\\Anim.gaf", KitWriteGAF(AnimatedTextures()), kGame);
    game.Add("textures\\Plates.gaf", KitWriteGAF(PlateTextures()), kGame);
    std::map<std::string, std::vector<uint8_t>> sounds = Sounds();
    for (auto& [name, wav] : sounds)
        if (name != "Fenpup") game.Add("sounds\\" + name + ".wav", std::move(wav), kGame);
    // Weapons the first release had: every section some non-patch unit uses.
    std::vector<KitGameWeapon> firstWeapons;
    for (KitGameWeapon& w : Tdf(weaponsPath).Sections()) {
        bool used = false;
        for (const KitGameUnit& u : units)
            for (const char* key : {"Weapon1", "Weapon2", "Weapon3"})
                used |= !InPatch(u.file) && GRIB_SameName(KitInfoValue(u, key).c_str(), w.section.c_str());
        if (used) firstWeapons.push_back(std::move(w));
    }
    game.AddText("gamedata\\weapons.tdf", KitWeaponsTdf(firstWeapons), kGame);
    game.AddText("gamedata\\weapons.tdf", weapons, kPatch);
    for (KitGameUnit& u : units) {
        if (u.file == kLooseUnit) {
            // The archive holds an older definition; the loose file wins.
            game.Add("units\\" + u.file + ".fbi", u.fbiBytes, "");
            std::string older(u.fbiBytes.begin(), u.fbiBytes.end());
            const std::string key = "Description=";
            if (size_t at = older.find(key); at != std::string::npos)
                older.replace(at + key.size(), older.find(';', at) - at - key.size(), "Archived copy");
            u.fbiBytes.assign(older.begin(), older.end());
        }
        if (!KitAddUnit(game, u, error)) return KIT_DEMO_BAD;
    }
    // The viewer's own archive: settings, pictures, the logo sound, and a
    // plain fallback font that the game's font overrides.
    game.AddText("gamedata\\showcase.tdf", settingsText, kViewer);
    game.Add(armBackground, Pcx(ArmBackground(640, 480), palette), kViewer);
    game.Add(coreBackground, Pcx(CoreBackground(640, 480), palette), kViewer);
    game.Add(logo, Pcx(Logo(font), palette), kViewer);
    game.Add("sounds\\Fenpup.wav", std::move(sounds["Fenpup"]), kViewer);
    game.Add("fonts\\console.fnt", KitGameFont(), kViewer);

    std::string why;
    for (int i = 0; i < options.generatedUnits; ++i)
        if (!KitAddUnit(game, Generate(i), &why)) return Fail(error, KIT_DEMO_BAD, "generated " + why);
    if (unitCount) *unitCount = int(units.size()) + std::max(0, options.generatedUnits);
    return KIT_DEMO_BUILT;
}

bool KitWriteDemoGame(const KitGame& game, const std::string& folder, std::string* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        if (error) *error = folder + ": cannot make the folder";
        return false;
    }
    auto generated = [](const KitGameFile& f) { return f.archive == kGenerated; };
    if (std::none_of(game.files.begin(), game.files.end(), generated))
        fs::remove(fs::path(folder) / kGenerated, ec);
    return KitWriteGame(game, folder, error);
}
