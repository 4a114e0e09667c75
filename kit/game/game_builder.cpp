#include "kit/game/game_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "grib/env/names.h"
#include "kit/archive/archive_writer.h"
#include "kit/image/bdf_font.h"
#include "kit/image/gaf_writer.h"
#include "kit/image/palette_tables.h"
#include "kit/image/pcx_writer.h"
#include "kit/script/script_asm.h"
#include "kit/sound/wav_writer.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Backslashed(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

bool SamePath(const std::string& a, const std::string& b) { return GRIB_SameName(Backslashed(a), Backslashed(b)); }

int32_t FileUnits(double v) { return int32_t(std::lround(v * KIT_FILE_UNITS)); }

// A glyph pattern for every printable character: a frame of the cell with
// bits of the code inside, so that different texts draw different pixels.
std::string FontBdf() {
    std::string s = "STARTFONT 2.1\nFONT kitgame\nSIZE 8 75 75\nFONTBOUNDINGBOX 6 8 0 -1\nCHARS 95\n";
    for (int c = 32; c < 127; ++c) {
        char line[64];
        std::snprintf(line, sizeof line, "STARTCHAR c%d\nENCODING %d\nDWIDTH 6 0\nBBX 6 8 0 -1\nBITMAP\n", c, c);
        s += line;
        for (int row = 0; row < 8; ++row) {
            int bits = 0;
            if (c != 32 && row > 0 && row < 7) {
                bits = 0x44 | ((c * 37 + row * 11) & 0x38);  // columns 1 and 5 plus three code bits
                if (row == 1 || row == 6) bits = 0x7C;
            }
            std::snprintf(line, sizeof line, "%02X\n", bits & 0xFC);
            s += line;
        }
        s += "ENDCHAR\n";
    }
    s += "ENDFONT\n";
    return s;
}

// Appends a face whose vertices run clockwise seen from outside (the order
// the renderer keeps), given any corner order.
void AddFace(KitModelPiece& p, std::array<uint16_t, 4> q, std::array<double, 3> outward, int32_t colour,
             const std::string& texture) {
    const auto& v = p.vertices;
    double a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = double(v[q[1]][k]) - v[q[0]][k];
        b[k] = double(v[q[2]][k]) - v[q[0]][k];
    }
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    if (n[0] * outward[0] + n[1] * outward[1] + n[2] * outward[2] < 0) std::swap(q[1], q[3]);
    KitModelPolygon g;
    g.textured = !texture.empty();
    g.texture = texture;
    g.colour = colour;
    g.indices.assign(q.begin(), q.end());
    p.polygons.push_back(std::move(g));
}

}  // namespace

void KitGame::Add(const std::string& path, std::vector<uint8_t> data, const std::string& archive) {
    for (KitGameFile& f : files)
        if (SamePath(f.path, path) && f.archive == archive) {
            f.data = std::move(data);
            return;
        }
    files.push_back({path, std::move(data), archive});
}

void KitGame::AddText(const std::string& path, const std::string& text, const std::string& archive) {
    Add(path, Bytes(text), archive);
}

bool KitGame::Remove(const std::string& path) {
    size_t before = files.size();
    std::erase_if(files, [&](const KitGameFile& f) { return SamePath(f.path, path); });
    return files.size() != before;
}

const KitGameFile* KitGame::Find(const std::string& path) const {
    for (const KitGameFile& f : files)
        if (SamePath(f.path, path)) return &f;
    return nullptr;
}

std::vector<uint8_t> KitGamePalette() {
    static const uint8_t hues[8][3] = {{255, 255, 255}, {255, 64, 64}, {64, 255, 64},  {80, 120, 255},
                                       {255, 220, 64},  {64, 230, 230}, {230, 80, 230}, {200, 140, 90}};
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < 256; ++i) {
        const int ramp = i / 32, level = i % 32;
        for (int k = 0; k < 3; ++k) p[size_t(4 * i + k)] = uint8_t(hues[ramp][k] * (level + 1) / 32);
    }
    return p;
}

std::vector<uint8_t> KitGameFont() {
    std::vector<uint8_t> font;
    std::string error;
    BdfToFont(FontBdf(), font, error);
    return font;
}

std::vector<uint8_t> KitGameWav(double frequency, double seconds, uint32_t rate) {
    std::vector<uint8_t> samples(size_t(seconds * rate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(128 + 100 * std::sin(2 * 3.141592653589793 * frequency * double(i) / rate));
    return KitWriteWav(samples, rate);
}

std::vector<uint8_t> KitGameGradientPCX(int32_t width, int32_t height, uint8_t first,
                                        const std::vector<uint8_t>& palette) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixels[size_t(y) * size_t(width) + size_t(x)] =
                uint8_t(first + ((x + y) * 32 / std::max(1, width + height)) % 32);
    return KitWritePCXPalette(pixels.data(), uint32_t(width), uint32_t(height), uint32_t(width), palette.data());
}

std::string KitInfoValue(const KitGameUnit& unit, const std::string& key) {
    for (const auto& [k, v] : unit.info)
        if (SamePath(k, key)) return v;
    return "";
}

std::string KitUnitFbi(const KitGameUnit& unit) {
    std::string s = "[UNITINFO]\n{\n";
    for (const auto& [k, v] : unit.info) s += "\t" + k + "=" + v + ";\n";
    return s + "}\n";
}

std::string KitWeaponsTdf(const std::vector<KitGameWeapon>& weapons) {
    std::string s;
    for (const KitGameWeapon& w : weapons) {
        s += "[" + w.section + "]\n{\n";
        for (const auto& [k, v] : w.keys) s += "\t" + k + "=" + v + ";\n";
        s += "}\n";
    }
    return s;
}

std::string KitShowcaseTdf(const KitGameOptions& o) {
    return "[RESOURCES]\n{\n\twebsite=" + o.webSite + ";\n\tlogo=" + o.logo + ";\n\tarmbackground=" +
           o.armBackground + ";\n\tcorebackground=" + o.coreBackground + ";\n}\n";
}

void KitAddBase(KitGame& game, const KitGameOptions& o) {
    const std::vector<uint8_t> palette = o.palette.size() >= 1024 ? o.palette : KitGamePalette();
    const std::string& g = o.gameArchive;
    const std::string& v = o.viewerArchive;
    game.Add("palettes\\palette.pal", palette, g);
    game.Add("palettes\\palette.alp", KitMakeAlphaTable(palette.data()), g);
    game.Add("palettes\\palette.shd", KitMakeShadeTable(palette.data()), g);
    game.Add("fonts\\console.fnt", o.font.empty() ? KitGameFont() : o.font, g);
    game.AddText("gamedata\\showcase.tdf", KitShowcaseTdf(o), v);
    game.AddText("gamedata\\weapons.tdf", KitWeaponsTdf(o.weapons), g);
    game.Add(o.armBackground, KitGameGradientPCX(o.backgroundWidth, o.backgroundHeight, 96, palette), v);
    game.Add(o.coreBackground, KitGameGradientPCX(o.backgroundWidth, o.backgroundHeight, 32, palette), v);
    {
        // The logo: a framed block on index 9, the colour the About box
        // replaces by its face colour.
        const uint32_t w = 64, h = 32;
        std::vector<uint8_t> px(w * h, 9);
        for (uint32_t y = 4; y < h - 4; ++y)
            for (uint32_t x = 4; x < w - 4; ++x) px[y * w + x] = uint8_t(128 + (x * 31) / w);
        game.Add(o.logo, KitWritePCXPalette(px.data(), w, h, w, palette.data()), v);
    }
    auto textures = o.textures;
    if (textures.empty()) {
        KitGameTexture logo;
        logo.entry = "Logo";
        logo.colours = {100, 60};  // ARM blue, CORE green
        logo.duration = 5;
        textures.push_back({"Logos", {logo}});
    }
    for (const auto& [file, entries] : textures) {
        std::vector<KitGafEntry> gaf;
        for (const KitGameTexture& t : entries) {
            KitGafEntry e;
            e.name = t.entry;
            e.loop = t.loop;
            for (uint8_t c : t.colours) {
                KitGafFrame f;
                f.duration = t.duration;
                f.image.width = f.image.height = t.size;
                f.image.transparent = 0;
                f.image.pixels.assign(size_t(t.size) * t.size, c);
                e.frames.push_back(std::move(f));
            }
            gaf.push_back(std::move(e));
        }
        game.Add("textures\\" + file + ".gaf", KitWriteGAF(gaf), g);
    }
    game.Add("sounds\\Fenpup.wav", KitGameWav(660, 0.25), v);
    double tone = 300;
    for (const std::string& s : o.sounds) {
        game.Add("sounds\\" + s + ".wav", KitGameWav(tone, 0.1), g);
        tone += 70;
    }
}

bool KitAddUnit(KitGame& game, const KitGameUnit& unit, std::string* error) {
    const std::string& a = unit.archive;
    game.Add("units\\" + unit.file + ".fbi", unit.fbiBytes.empty() ? Bytes(KitUnitFbi(unit)) : unit.fbiBytes, a);
    std::string object = KitInfoValue(unit, "ObjectName");
    if (object.empty()) object = unit.file;
    if (!unit.skipModel) {
        std::vector<uint8_t> model = unit.modelBytes;
        if (model.empty()) {
            if (unit.model.empty()) {
                if (error) *error = unit.file + ": no model";
                return false;
            }
            model = KitWrite3do(unit.model);
        }
        game.Add("objects3d\\" + object + ".3do", std::move(model), a);
    }
    if (!unit.skipScript) {
        std::vector<uint8_t> cob = unit.scriptBytes;
        if (cob.empty()) {
            std::string why;
            if (!AssembleScript(unit.script, cob, why)) {
                if (error) *error = unit.file + ": " + why;
                return false;
            }
        }
        game.Add("scripts\\" + unit.file + ".cob", std::move(cob), a);
    }
    return true;
}

bool KitWriteGame(const KitGame& game, const std::string& folder, std::string* error) {
    namespace fs = std::filesystem;
    std::map<std::string, std::vector<KitArchiveFile>> archives;
    for (const KitGameFile& f : game.files) {
        if (!f.archive.empty()) {
            archives[f.archive].push_back({f.path, f.data});
            continue;
        }
        std::string relative = f.path;
        for (char& c : relative)
            if (c == '\\') c = '/';
        fs::path path = fs::path(folder) / relative;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(f.data.data()), std::streamsize(f.data.size()));
        if (!out) {
            if (error) *error = "can't write " + path.string();
            return false;
        }
    }
    for (const auto& [name, files] : archives) {
        const std::string path = (fs::path(folder) / name).string();
        const auto key = game.headerKeys.find(name);
        if (!KitWriteArchive(path, files, key == game.headerKeys.end() ? 0 : key->second)) {
            if (error) *error = "can't write " + path;
            return false;
        }
    }
    return true;
}

KitModelPiece KitBoxPiece(const std::string& name, std::array<double, 3> offset, std::array<double, 3> half,
                          int32_t colour, const std::string& frontTexture) {
    KitModelPiece p;
    p.name = name;
    for (int k = 0; k < 3; ++k) p.offset[size_t(k)] = FileUnits(offset[size_t(k)]);
    for (int i = 0; i < 8; ++i)
        p.vertices.push_back({FileUnits(i & 1 ? half[0] : -half[0]), FileUnits(i & 2 ? half[1] : -half[1]),
                              FileUnits(i & 4 ? half[2] : -half[2])});
    // Corners by bit: 1 = +x, 2 = +y, 4 = +z.
    AddFace(p, {0, 2, 3, 1}, {0, 0, -1}, colour, frontTexture);  // front (toward the viewer)
    AddFace(p, {4, 5, 7, 6}, {0, 0, 1}, colour, "");
    AddFace(p, {0, 1, 5, 4}, {0, -1, 0}, colour, "");
    AddFace(p, {2, 6, 7, 3}, {0, 1, 0}, colour + 4, "");
    AddFace(p, {0, 4, 6, 2}, {-1, 0, 0}, colour + 2, "");
    AddFace(p, {1, 3, 7, 5}, {1, 0, 0}, colour + 2, "");
    return p;
}

KitModel KitTankModel(double size) {
    const double s = size / 10.0;
    KitModelPiece base;
    base.name = "base";
    base.children.push_back(KitBoxPiece("hull", {0, 0, 0}, {10 * s, 3 * s, 14 * s}, 40));
    KitModelPiece turret = KitBoxPiece("turret", {0, 5 * s, 2 * s}, {6 * s, 2 * s, 6 * s}, 104, "Logo");
    turret.children.push_back(KitBoxPiece("barrel", {0, 0, -10 * s}, {1.2 * s, 1.2 * s, 6 * s}, 200));
    base.children.push_back(std::move(turret));
    return {base};
}

std::string KitTankScript() {
    return R"(piece base hull turret barrel
static demo
function Create
    return
function Showcase
    return
function Demo
    push 1
    pop_static demo
    push 16384
    push 10923
    turn turret y
    return
function AimPrimary
    push 65536
    push_local 0
    turn turret y
    push 65536
    push_local 1
    turn barrel x
    wait_turn turret y
    wait_turn barrel x
    push 1
    return
function FirePrimary
    push -983040
    move_now barrel z
    push 300
    sleep
    push 491520
    push 0
    move barrel z
    return
function Activate
    push 327680
    push 327680
    move turret y
    return
function Deactivate
    push 327680
    push 0
    move turret y
    return
function StartMoving
    push 0
    push 16384
    spin turret y
    return
function StopMoving
    push 0
    stop_spin turret y
    return
)";
}

KitGameUnit KitSampleUnit(const std::string& file, const std::string& name, const std::string& weapon) {
    KitGameUnit u;
    u.file = file;
    u.info = {{"Name", name},
              {"Description", name + " of the sample set"},
              {"BMcode", "1"},
              {"MobileCode", "TANK"},
              {"BuildCostEnergy", "1200"},
              {"BuildCostMetal", "150"},
              {"BuildTime", "3000"},
              {"MaxVelocity", "1.5"},
              {"Acceleration", "0.1"},
              {"TurnRate", "500"},
              {"MaxDamage", "900"},
              {"Weapon1", weapon},
              {"Weapon2", "NONE"},
              {"Weapon3", "NONE"},
              {"ObjectName", file},
              {"Scale", "1"}};
    u.model = KitTankModel();
    u.script = KitTankScript();
    return u;
}
