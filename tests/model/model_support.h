// Builders shared by the model tests.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kit/model/model_builder.h"
#include "model/piece.h"

namespace modeltest {

inline int32_t FU(double modelUnits) { return int32_t(modelUnits * KIT_FILE_UNITS); }

inline KitModelPolygon Solid(int32_t colour, std::vector<uint16_t> indices) { return {false, colour, "", indices}; }
inline KitModelPolygon Textured(const std::string& texture, std::vector<uint16_t> indices) {
    return {true, 0, texture, indices};
}

// A square facing the viewer (clockwise on screen), side 2 × half, at z.
inline KitModelPiece Square(const std::string& name, double half, double z, int32_t colour) {
    KitModelPiece p;
    p.name = name;
    p.vertices = {{FU(-half), FU(half), FU(z)}, {FU(half), FU(half), FU(z)}, {FU(half), FU(-half), FU(z)},
                  {FU(-half), FU(-half), FU(z)}};
    p.polygons = {Solid(colour, {0, 1, 2, 3})};
    return p;
}

// A loaded tree, freed with its owner.
using Model = std::unique_ptr<Piece, void (*)(Piece*)>;
inline Model Own(Piece* root) { return Model(root, FreePieceTree); }

// The names of a piece chain: siblings apart by spaces, children in brackets.
inline std::string Shape(const Piece* p) {
    std::string s;
    for (; p; p = p->sibling) s += p->name + (p->child ? "(" + Shape(p->child) + ")" : "") + (p->sibling ? " " : "");
    return s;
}

// Integers of n bytes, little-endian unless big.
inline void Put(std::vector<uint8_t>& o, uint32_t v, int n, bool big = false) {
    for (int i = 0; i < n; ++i) o.push_back(uint8_t(v >> (8 * (big ? n - 1 - i : i))));
}
inline uint32_t Bits(float x) { return std::bit_cast<uint32_t>(x); }
inline std::vector<uint8_t> Cat(const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<uint8_t> o;
    for (const auto& p : parts) o.insert(o.end(), p.begin(), p.end());
    return o;
}

// 3D Studio chunks.
inline std::vector<uint8_t> Chunk(uint16_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> o;
    Put(o, id, 2);
    Put(o, uint32_t(payload.size() + 6), 4);
    return Cat({o, payload});
}
inline std::vector<uint8_t> Mesh3ds(const std::vector<float>& xyz, const std::vector<uint16_t>& faces) {
    std::vector<uint8_t> v, f;
    Put(v, uint32_t(xyz.size() / 3), 2);
    for (float x : xyz) Put(v, Bits(x), 4);
    Put(f, uint32_t(faces.size() / 3), 2);
    for (size_t i = 0; i < faces.size(); ++i) {
        Put(f, faces[i], 2);
        if (i % 3 == 2) Put(f, 7, 2);  // face flags
    }
    return Chunk(0x4100, Cat({Chunk(0x4110, v), Chunk(0x4120, f)}));
}
inline std::vector<uint8_t> Object3ds(const std::string& name, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> p(name.begin(), name.end());
    p.push_back(0);
    return Chunk(0x4000, Cat({p, body}));
}
inline std::vector<uint8_t> File3ds(const std::vector<std::vector<uint8_t>>& objects) {
    std::vector<uint8_t> version;
    Put(version, 3, 4);
    return Chunk(0x4D4D, Cat({Chunk(0x0002, version), Chunk(0x3D3D, Cat(objects))}));
}

// LightWave chunks (big-endian, padded to even sizes).
inline std::vector<uint8_t> IffChunk(const char* id, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> o(id, id + 4);
    Put(o, uint32_t(data.size()), 4, true);
    o.insert(o.end(), data.begin(), data.end());
    if (data.size() & 1) o.push_back(0);
    return o;
}
inline std::vector<uint8_t> Points(const std::vector<float>& xyz) {
    std::vector<uint8_t> d;
    for (float x : xyz) Put(d, Bits(x), 4, true);
    return IffChunk("PNTS", d);
}
// polygons: per polygon its indices; surface numbers from surfaces (default 1).
inline std::vector<uint8_t> Pols(const std::vector<std::vector<uint16_t>>& polys, const std::vector<int16_t>& surfaces = {}) {
    std::vector<uint8_t> d;
    for (size_t i = 0; i < polys.size(); ++i) {
        Put(d, uint32_t(polys[i].size()), 2, true);
        for (uint16_t v : polys[i]) Put(d, v, 2, true);
        Put(d, uint16_t(i < surfaces.size() ? surfaces[i] : 1), 2, true);
    }
    return IffChunk("POLS", d);
}
inline std::vector<uint8_t> Lwo(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body = Cat({{'L', 'W', 'O', 'B'}, Cat(chunks)}), form{'F', 'O', 'R', 'M'};
    Put(form, uint32_t(body.size()), 4, true);
    return Cat({form, body});
}

}  // namespace modeltest
