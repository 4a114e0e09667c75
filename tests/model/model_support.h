// Builders shared by the model tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kit/model/model_builder.h"

namespace modeltest {

inline int32_t FU(double modelUnits) { return int32_t(modelUnits * KIT_FILE_UNITS); }

inline KitModelPolygon Solid(int32_t colour, std::vector<uint16_t> indices) {
    KitModelPolygon g;
    g.colour = colour;
    g.indices = std::move(indices);
    return g;
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

// 3D Studio chunks.
inline void Le16(std::vector<uint8_t>& o, uint16_t v) {
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
inline void Le32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i)));
}
inline std::vector<uint8_t> Chunk(uint16_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> o;
    Le16(o, id);
    Le32(o, uint32_t(payload.size() + 6));
    o.insert(o.end(), payload.begin(), payload.end());
    return o;
}
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> o;
    for (const auto& p : parts) o.insert(o.end(), p.begin(), p.end());
    return o;
}
inline std::vector<uint8_t> Mesh3ds(const std::vector<float>& xyz, const std::vector<uint16_t>& faces) {
    std::vector<uint8_t> v, f;
    Le16(v, uint16_t(xyz.size() / 3));
    for (float x : xyz) {
        uint32_t bits;
        std::memcpy(&bits, &x, 4);
        Le32(v, bits);
    }
    Le16(f, uint16_t(faces.size() / 3));
    for (size_t i = 0; i < faces.size(); i += 3) {
        Le16(f, faces[i]);
        Le16(f, faces[i + 1]);
        Le16(f, faces[i + 2]);
        Le16(f, 7);
    }
    return Chunk(0x4100, Cat({Chunk(0x4110, v), Chunk(0x4120, f)}));
}
inline std::vector<uint8_t> Object3ds(const std::string& name, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> p(name.begin(), name.end());
    p.push_back(0);
    p.insert(p.end(), body.begin(), body.end());
    return Chunk(0x4000, p);
}
inline std::vector<uint8_t> File3ds(const std::vector<std::vector<uint8_t>>& objects) {
    std::vector<uint8_t> editor;
    for (const auto& o : objects) editor.insert(editor.end(), o.begin(), o.end());
    std::vector<uint8_t> version;
    Le32(version, 3);
    return Chunk(0x4D4D, Cat({Chunk(0x0002, version), Chunk(0x3D3D, editor)}));
}

// LightWave chunks (big-endian).
inline void Be16(std::vector<uint8_t>& o, uint16_t v) {
    o.push_back(uint8_t(v >> 8));
    o.push_back(uint8_t(v));
}
inline void Be32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 3; i >= 0; --i) o.push_back(uint8_t(v >> (8 * i)));
}
inline std::vector<uint8_t> IffChunk(const char* id, const std::vector<uint8_t>& data, bool pad = true) {
    std::vector<uint8_t> o(id, id + 4);
    Be32(o, uint32_t(data.size()));
    o.insert(o.end(), data.begin(), data.end());
    if (pad && (data.size() & 1)) o.push_back(0);
    return o;
}
inline std::vector<uint8_t> Points(const std::vector<float>& xyz) {
    std::vector<uint8_t> d;
    for (float x : xyz) {
        uint32_t bits;
        std::memcpy(&bits, &x, 4);
        Be32(d, bits);
    }
    return IffChunk("PNTS", d);
}
// polygons: per polygon its indices; surface numbers from surfaces (default 1).
inline std::vector<uint8_t> Pols(const std::vector<std::vector<uint16_t>>& polys, const std::vector<int16_t>& surfaces = {}) {
    std::vector<uint8_t> d;
    for (size_t i = 0; i < polys.size(); ++i) {
        Be16(d, uint16_t(polys[i].size()));
        for (uint16_t v : polys[i]) Be16(d, v);
        Be16(d, uint16_t(i < surfaces.size() ? surfaces[i] : 1));
    }
    return IffChunk("POLS", d);
}
inline std::vector<uint8_t> Lwo(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body{'L', 'W', 'O', 'B'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> o{'F', 'O', 'R', 'M'};
    Be32(o, uint32_t(body.size()));
    o.insert(o.end(), body.begin(), body.end());
    return o;
}

}  // namespace modeltest
