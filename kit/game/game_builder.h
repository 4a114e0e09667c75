// Builds whole game folders: palette and tables, font, backgrounds and logo,
// textures, sounds, the viewer's settings, weapons and units (definition,
// model, script), packed into named archives or written as loose files.
// Everything is data: tests describe the game they need, the demo game
// describes its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kit/model/model_builder.h"

// One file of the game; archive "" writes it loose into the folder.
struct KitGameFile {
    std::string path;  // backslash-separated, e.g. "units\\ARMTANK.fbi"
    std::vector<uint8_t> data;
    std::string archive;
};

struct KitGame {
    std::vector<KitGameFile> files;
    std::map<std::string, uint8_t> headerKeys;  // of archives stored scrambled (others: 0)
    // Adds a file, replacing an earlier one of the same path and archive.
    void Add(const std::string& path, std::vector<uint8_t> data, const std::string& archive);
    void AddText(const std::string& path, const std::string& text, const std::string& archive);
    // Drops every file of that path (any archive); true when one was there.
    bool Remove(const std::string& path);
    const KitGameFile* Find(const std::string& path) const;
};

using KitKeyValues = std::vector<std::pair<std::string, std::string>>;

struct KitGameWeapon {
    std::string section;
    KitKeyValues keys;  // reloadtime, aimrate, soundstart, name, ...
};

struct KitGameTexture {
    std::string entry;  // GAF entry name
    bool loop = true;
    // One solid-colour frame per entry of colours, each lasting duration.
    std::vector<uint8_t> colours;
    uint16_t duration = 1;
    uint16_t size = 8;
};

struct KitGameOptions {
    std::string gameArchive = "Varnho.GRB";      // palette, tables, font, textures, weapons, sounds
    std::string viewerArchive = "Showcase.GRB";  // settings, backgrounds, logo, the logo sound
    std::vector<uint8_t> palette;                // 1,024 bytes; empty: KitGamePalette()
    std::vector<uint8_t> font;                   // font file; empty: KitGameFont()
    int32_t backgroundWidth = 128;
    int32_t backgroundHeight = 96;
    std::string webSite = "www.example.org";
    std::string logo = "showcase\\logo.pcx";
    std::string armBackground = "showcase\\armback.pcx";
    std::string coreBackground = "showcase\\coreback.pcx";
    // Texture files: file name (without .gaf) and entries. The default set
    // is "Logos" with one entry "Logo" of two frames (ARM, CORE).
    std::vector<std::pair<std::string, std::vector<KitGameTexture>>> textures;
    std::vector<KitGameWeapon> weapons;
    // Sounds written to sounds\<name>.wav (a short tone each); "Fenpup" is
    // always there.
    std::vector<std::string> sounds;
};

struct KitGameUnit {
    std::string file;      // base name, e.g. "ARMTANK"
    KitKeyValues info;     // section UNITINFO, in order
    KitModel model;        // written to objects3d\<ObjectName>.3do
    std::string script;    // assembly, written to scripts\<file>.cob
    std::string archive = "Varnho.GRB";
    // Raw bytes instead of the above (damaged files); an empty field uses
    // the structured form. skip* leaves the file out altogether.
    std::vector<uint8_t> fbiBytes, modelBytes, scriptBytes;
    bool skipModel = false, skipScript = false;
};

// The default palette: eight colour ramps of 32 levels (256 × r, g, b, 0).
std::vector<uint8_t> KitGamePalette();
// A generated 6 × 8 bitmap font in the library's font format.
std::vector<uint8_t> KitGameFont();
// An 8-bit mono PCM .wav of a tone (kit/sound/wav_writer.h writes any sound).
std::vector<uint8_t> KitGameWav(double frequency, double seconds, uint32_t sampleRate = 11025);
// A PCX with a diagonal gradient over palette indices first ... first + 31.
std::vector<uint8_t> KitGameGradientPCX(int32_t width, int32_t height, uint8_t first,
                                        const std::vector<uint8_t>& palette);

// Text of a unit's .fbi file and of weapons.tdf.
std::string KitUnitFbi(const KitGameUnit& unit);
std::string KitWeaponsTdf(const std::vector<KitGameWeapon>& weapons);
std::string KitShowcaseTdf(const KitGameOptions& options);

// The value of a key in a unit's info (empty when absent).
std::string KitInfoValue(const KitGameUnit& unit, const std::string& key);

// The palette, tables, font, settings, backgrounds, logo, textures, weapons
// and sounds.
void KitAddBase(KitGame& game, const KitGameOptions& options);
// The unit's .fbi, model and script; false with a message when the model or
// script can't be built.
bool KitAddUnit(KitGame& game, const KitGameUnit& unit, std::string* error);
// Writes the loose files and packs each archive into the folder.
bool KitWriteGame(const KitGame& game, const std::string& folder, std::string* error);

// Models and scripts for tests, benchmarks and the demo.
// A box piece centred on its origin; half sizes in model units; every face
// solid colour (or textured with texture on the front face).
KitModelPiece KitBoxPiece(const std::string& name, std::array<double, 3> offset, std::array<double, 3> half,
                          int32_t colour, const std::string& frontTexture = "");
// A tank: "base" (no geometry) > "hull" box, "turret" > "barrel".
KitModel KitTankModel(double size = 10.0);
// A script for the tank with Create, Showcase, Demo, AimPrimary/FirePrimary
// (the barrel recoils), Activate/Deactivate and StartMoving/StopMoving.
std::string KitTankScript();
// A complete sample unit of the tank (ARM or CORE by the file name).
KitGameUnit KitSampleUnit(const std::string& file, const std::string& name, const std::string& weapon = "LASER");
