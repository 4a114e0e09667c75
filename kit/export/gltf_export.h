// glTF 2.0 export of a piece tree: one node per piece, its polygons as
// triangle meshes, palette colours as materials, textures as embedded PNG,
// and optionally one animation sampled tick by tick (docs/export.md).
//
// Conversion, applied once here: 1 model unit = 1 metre (KIT_GLTF_METRES);
// the model's frame (x right, y up, z away from the viewer: left-handed)
// becomes glTF's right-handed Y-up frame by negating z; polygons are
// reversed so that the renderer's front faces (clockwise on screen) are
// glTF's (counter-clockwise).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Piece;

constexpr double KIT_GLTF_METRES = 1.0;  // metres per model unit

// One piece's pose at one tick, in the model's frame.
struct KitGltfPose {
    float offset[3];
    double angle[3];  // radians about x, y, z
    bool visible;
};

// A texture's first frame: width × height palette indices, row 0 at the top.
struct KitGltfTexture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};
using KitGltfTextures = std::map<std::string, KitGltfTexture>;  // by the polygons' texture names

struct KitGltfScene {
    const Piece* root = nullptr;      // the root piece and its siblings
    const uint8_t* palette = nullptr;  // 256 × red, green, blue, flags
    KitGltfTextures textures;          // polygons whose texture is missing get their colour
    std::string animationName;         // with ticks: the animation's name
    double ticksPerSecond = 30.0;
    std::vector<std::vector<KitGltfPose>> ticks;  // per tick, one pose per piece in KitGltfPieces order
};

// The pieces in node order: a piece, its sibling's subtree, then its child's.
std::vector<const Piece*> KitGltfPieces(const Piece* root);
// The current pose of every piece (offset, angles, fill as visibility).
std::vector<KitGltfPose> KitGltfPoses(const Piece* root);
// The textures the polygons name, as the texture list shows them now.
KitGltfTextures KitGltfCollectTextures(const Piece* root);
// The triangles the export holds: n - 2 for each drawable polygon of n >= 3
// vertices (the selection polygon is not drawn).
size_t KitGltfTriangleCount(const Piece* root);

// The scene as a binary .glb (binary) or a .gltf with its data embedded.
bool KitWriteGltf(const KitGltfScene& scene, bool binary, std::vector<uint8_t>& out, std::string* error);
