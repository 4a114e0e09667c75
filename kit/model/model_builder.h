// Builds .3do files from a readable text description or from Wavefront OBJ,
// reads them back and dumps them as text (docs/model-text-format.md).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct KitModelPolygon {
    bool textured = false;
    int32_t colour = 0;
    std::string texture;
    std::vector<uint16_t> indices;
};

struct KitModelPiece {
    std::string name;
    std::string secondName;
    std::array<int32_t, 3> offset{0, 0, 0};  // file units
    int32_t selection = -1;
    std::vector<std::array<int32_t, 3>> vertices;  // file units
    std::vector<KitModelPolygon> polygons;
    std::vector<KitModelPiece> children;
};

// A model: the root piece followed by its siblings.
using KitModel = std::vector<KitModelPiece>;

constexpr double KIT_FILE_UNITS = 163840.0;  // file units per model unit

std::vector<uint8_t> KitWrite3do(const KitModel& model);
// Structural reader of .3do bytes (offsets, counts and names checked).
bool KitRead3do(const std::vector<uint8_t>& bytes, KitModel& model, std::string* error);

bool KitParseModelText(const std::string& text, KitModel& model, std::string* error);
std::string KitDumpModelText(const KitModel& model);
// Groups (g) and objects (o) become pieces; coordinates are multiplied by
// scale and z is negated (OBJ looks down -z, the model down +z).
// usemtl N with a number N gives solid colour N, any other name a texture.
bool KitParseObj(const std::string& text, double scale, KitModel& model, std::string* error);
