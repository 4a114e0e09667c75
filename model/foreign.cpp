// Readers of 3D Studio mesh files and LightWave objects. Both read the file
// straight from the disk.
//
// Checks beyond the formats: a chunk shorter than its header or longer than
// what encloses it ends the search (-1); a 3D Studio face list must hold
// 8 bytes per face, and a face whose index is negative or beyond the
// object's vertices is kept empty (never drawn). A LightWave chunk that runs
// past the file rejects the file; an odd-sized chunk is followed by its IFF
// pad byte; polygons with more than 16 vertices are dropped, and polygons
// whose indices lie outside the points are kept empty; a pivot beyond the
// points moves nothing.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "model/readers.h"

namespace {

void DefaultFatalBox(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::exit(1);
}

FILE* OpenDisk(const char* path) {
    if (!path) return nullptr;
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return std::fopen(p.c_str(), "rb");
}

bool ReadLE16(FILE* f, int16_t& out) {
    uint8_t b[2];
    if (std::fread(b, 1, 2, f) != 2) return false;
    out = GribBytes{b, 2}.I16(0);
    return true;
}

template <class T>
T* AllocZeroed(const char* tag, size_t count) {
    if (count == 0) return nullptr;
    auto* p = static_cast<T*>(GRIB_Alloc(tag, sizeof(T) * count));
    if (p) std::memset(static_cast<void*>(p), 0, sizeof(T) * count);
    return p;
}

const uint16_t kVertexPath[5] = {0x4D4D, 0x3D3D, 0x4000, 0x4100, 0x4110};
const uint16_t kFacePath[5] = {0x4D4D, 0x3D3D, 0x4000, 0x4100, 0x4120};

bool ReadObject3ds(FILE* f, int32_t n, Piece* p) {
    int32_t L = FindChunk(f, kVertexPath, 5, 0, n);
    if (L < 1) return false;
    int16_t c;
    if (!ReadLE16(f, c) || L != 12 * int32_t(c) + 2 || c < 0) return false;
    p->vertexCount = c;
    if (c) {
        p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof(float[3]) * size_t(c)));
        if (!p->vertices) return false;
        for (int32_t i = 0; i < c; ++i)
            for (int a = 0; a < 3; ++a) {
                uint8_t b[4];
                if (std::fread(b, 1, 4, f) != 4) return false;
                uint32_t bits = GribBytes{b, 4}.U32(0);
                float v;
                std::memcpy(&v, &bits, 4);
                p->vertices[i][a] = v * 0.05f;
            }
    }
    L = FindChunk(f, kFacePath, 5, 0, n);
    if (L < 1) return false;
    if (!ReadLE16(f, c) || c < 0 || 8 * int32_t(c) + 2 > L) return false;
    p->polygonCount = c;
    p->polygons = AllocZeroed<PiecePolygon>("Polygons", size_t(c));
    if (c && !p->polygons) return false;
    for (int32_t i = 0; i < c; ++i) {
        int16_t v[4];
        for (int16_t& x : v)
            if (!ReadLE16(f, x)) return false;
        PiecePolygon& g = p->polygons[i];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            g.vertexIndices[k] = v[k];
            inside = inside && v[k] >= 0 && v[k] < p->vertexCount;
        }
        g.vertexCount = inside ? 3 : 0;
    }
    return true;
}

}  // namespace

ModelFatalBoxFn g_modelFatalBox = DefaultFatalBox;

int32_t FindChunk(FILE* file, const uint16_t* ids, int32_t pathLength, int32_t limit, int32_t occurrence) {
    if (!file || !ids) return -1;
    if (limit == 0) {
        if (std::fseek(file, 0, SEEK_END) != 0) return -1;
        long size = std::ftell(file);
        if (size < 0 || size > INT32_MAX || std::fseek(file, 0, SEEK_SET) != 0) return -1;
        limit = int32_t(size);
    }
    if (limit <= 0) return -1;
    for (int32_t level = 0; level < pathLength; ++level) {
        const uint16_t id = ids[level];
        int32_t counter = id == 0x4000 ? 0 : occurrence;
        for (;;) {
            if (limit < 6) return -1;
            uint8_t h[6];
            if (std::fread(h, 1, 6, file) != 6) return -1;
            const GribBytes header{h, 6};
            uint16_t chunkId = header.U16(0);
            int64_t length = header.U32(2);
            if (length < 6 || length > limit) return -1;
            limit -= int32_t(length);
            int32_t remaining = int32_t(length) - 6;
            bool descend = false;
            if (chunkId == id) {
                if (id == 0x4000) {
                    for (;;) {
                        if (remaining <= 0) return -1;
                        int ch = std::fgetc(file);
                        if (ch == EOF) return -1;
                        --remaining;
                        if (ch == 0) break;
                    }
                    ++counter;
                }
                if (counter == occurrence) {
                    if (level == pathLength - 1) return remaining;
                    descend = true;
                }
            }
            if (descend) {
                limit = remaining;
                break;
            }
            if (std::fseek(file, remaining, SEEK_CUR) != 0) return -1;
            if (limit <= 0) return -1;
        }
    }
    return -1;
}

Piece* Load3dsModel(const char* path) {
    FILE* f = OpenDisk(path);
    if (!f) return nullptr;
    Piece* root = nullptr;
    for (int32_t n = 1; n < INT32_MAX; ++n) {
        Piece* p = NewPiece();
        if (!p) break;
        if (!ReadObject3ds(f, n, p)) {
            FreePiece(p);
            break;
        }
        if (!root) {
            root = p;
        } else {
            p->sibling = root->sibling;
            root->sibling = p;
        }
    }
    std::fclose(f);
    if (!root) return nullptr;
    ComputeRestPose(root);
    return root;
}

Piece* LoadLwoModel(const char* path) {
    FILE* f = OpenDisk(path);
    if (!f) return nullptr;
    std::vector<float> points;
    std::vector<PiecePolygon> polygons;
    int32_t pivot = -1;
    bool ok = true;
    uint8_t h[12];
    if (std::fread(h, 1, 12, f) != 12 || std::memcmp(h, "FORM", 4) != 0 || std::memcmp(h + 8, "LWOB", 4) != 0) {
        std::fclose(f);
        return nullptr;
    }
    int64_t remaining = int64_t(GribBytes{h, 12}.BE32(4)) - 4;
    std::fseek(f, 0, SEEK_END);
    const long fileSize = std::ftell(f);
    std::fseek(f, 12, SEEK_SET);
    while (ok && remaining > 0) {
        uint8_t c[8];
        if (std::fread(c, 1, 8, f) != 8) break;  // the form claimed more than the file holds
        uint32_t size = GribBytes{c, 8}.BE32(4);
        bool pad = size & 1;
        long here = std::ftell(f);
        if (here < 0 || int64_t(size) > int64_t(fileSize) - here) {
            ok = false;
            break;
        }
        if (std::memcmp(c, "PNTS", 4) == 0 || std::memcmp(c, "POLS", 4) == 0) {
            std::vector<uint8_t> data(size);
            if (size && std::fread(data.data(), 1, size, f) != size) {
                ok = false;
                break;
            }
            const GribBytes chunk{data.data(), data.size()};
            if (c[0] == 'P' && c[1] == 'N') {
                points.resize(size / 12 * 3);
                for (size_t i = 0; i < points.size(); ++i) {
                    uint32_t bits = chunk.BE32(4 * i);
                    std::memcpy(&points[i], &bits, 4);
                }
            } else {
                polygons.clear();
                size_t words = size / 2, w = 0;
                auto word = [&](size_t i) { return chunk.BE16(2 * i); };
                while (w < words) {
                    uint32_t n = word(w++);
                    if (w + n + 1 > words) break;  // a polygon cut off by the chunk's end
                    int16_t surface = static_cast<int16_t>(word(w + n));
                    if (surface < 0) {
                        std::fclose(f);
                        g_modelFatalBox("Lightwave Object Error", "Polygon has a detail surface -- you are screwed.");
                        return nullptr;
                    }
                    if (n == 1) {
                        pivot = static_cast<int16_t>(word(w));
                    } else if (n <= PIECE_MAX_POLYGON_VERTICES) {
                        PiecePolygon g{};
                        g.vertexCount = int32_t(n);
                        for (uint32_t k = 0; k < n; ++k) g.vertexIndices[k] = static_cast<int16_t>(word(w + k));
                        polygons.push_back(g);
                    }
                    w += n + 1;
                }
            }
        } else if (std::fseek(f, long(size), SEEK_CUR) != 0) {
            ok = false;
        }
        if (ok && pad && std::fgetc(f) == EOF) break;
        remaining -= int64_t(size) + 8 + (pad ? 1 : 0);
    }
    std::fclose(f);
    if (!ok) return nullptr;

    Piece* p = NewPiece();
    if (!p) return nullptr;
    int32_t count = int32_t(points.size() / 3);
    p->vertexCount = count;
    if (count) {
        p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof(float[3]) * size_t(count)));
        if (!p->vertices) {
            FreePiece(p);
            return nullptr;
        }
        std::memcpy(p->vertices, points.data(), sizeof(float) * points.size());
    }
    for (PiecePolygon& g : polygons)
        for (int32_t k = 0; k < g.vertexCount; ++k)
            if (g.vertexIndices[k] < 0 || g.vertexIndices[k] >= count) {
                g.vertexCount = 0;
                break;
            }
    p->polygonCount = int32_t(polygons.size());
    p->polygons = AllocZeroed<PiecePolygon>("Polygons", polygons.size());
    if (p->polygonCount && !p->polygons) {
        FreePiece(p);
        return nullptr;
    }
    if (p->polygonCount) std::memcpy(p->polygons, polygons.data(), sizeof(PiecePolygon) * polygons.size());
    p->selectionPolygon = -1;
    if (pivot >= 0 && pivot < count) {
        float o[3] = {p->vertices[pivot][0], p->vertices[pivot][1], p->vertices[pivot][2]};
        for (int a = 0; a < 3; ++a) p->offset[a] = o[a];
        for (int32_t i = 0; i < count; ++i)
            for (int a = 0; a < 3; ++a) p->vertices[i][a] -= o[a];
    }
    ComputeRestPose(p);
    return p;
}
