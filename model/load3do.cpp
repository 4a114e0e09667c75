// The .3do reader and LoadModel.
//
// The file is checked, not trusted: a record, array, index list or name that
// reaches outside the file, a negative count, or a record reached twice (a
// cycle or a shared subtree) rejects the model (null). Inside an accepted
// file: names are cut to 255 characters and texture names to 267; a
// primitive with more than 16 indices, or with an index beyond the piece's
// vertices, is kept as an empty polygon (0 vertices, never drawn) so that
// the other primitives keep their indices and the selection index stays
// right; a textured primitive whose name lies outside the file gets an empty
// name (drawn as an unknown texture: not at all).
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "model/readers.h"

namespace {

struct File3do {
    const uint8_t* data;
    size_t size;

    GribBytes bytes() const { return {data, size}; }
    bool has(uint64_t offset, uint64_t count) const { return bytes().Has(offset, count); }
    int32_t i32(size_t offset) const { return bytes().I32(offset); }
    uint16_t u16(size_t offset) const { return bytes().U16(offset); }
    // Copies the NUL-terminated text at offset into a field of fieldSize
    // bytes, cut to fit. False when the text does not end inside the file.
    bool text(int32_t offset, char* field, size_t fieldSize) const {
        if (offset < 0 || size_t(offset) >= size) return false;
        const void* end = std::memchr(data + offset, 0, size - size_t(offset));
        if (!end) return false;
        size_t len = static_cast<const uint8_t*>(end) - (data + offset);
        if (len > fieldSize - 1) len = fieldSize - 1;
        std::memcpy(field, data + offset, len);
        field[len] = 0;
        return true;
    }
};

enum { RECORD_SIZE = 52, PRIMITIVE_SIZE = 32, VERTEX_SIZE = 12 };

bool ConvertRecord(const File3do& f, size_t at, Piece* p) {
    int32_t vertexCount = f.i32(at + 4), primitiveCount = f.i32(at + 8);
    p->selectionPolygon = f.i32(at + 12);
    for (int a = 0; a < 3; ++a) p->offset[a] = float(f.i32(at + 16 + 4 * a)) * MODEL_FILE_SCALE;
    int32_t nameOffset = f.i32(at + 28), secondOffset = f.i32(at + 32);
    int32_t vertexOffset = f.i32(at + 36), primitiveOffset = f.i32(at + 40);
    if (nameOffset && !f.text(nameOffset, p->name, sizeof p->name)) return false;
    if (secondOffset && !f.text(secondOffset, p->secondName, sizeof p->secondName)) return false;
    if (vertexCount < 0 || primitiveCount < 0) return false;
    if (vertexCount && (vertexOffset < 0 || !f.has(uint32_t(vertexOffset), uint64_t(vertexCount) * VERTEX_SIZE)))
        return false;
    if (primitiveCount &&
        (primitiveOffset < 0 || !f.has(uint32_t(primitiveOffset), uint64_t(primitiveCount) * PRIMITIVE_SIZE)))
        return false;

    p->vertexCount = vertexCount;
    if (vertexCount) {
        p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof(float[3]) * size_t(vertexCount)));
        if (!p->vertices) return false;
        for (int32_t i = 0; i < vertexCount; ++i)
            for (int a = 0; a < 3; ++a)
                p->vertices[i][a] = float(f.i32(size_t(vertexOffset) + size_t(i) * VERTEX_SIZE + 4 * a)) * MODEL_FILE_SCALE;
    }
    p->polygonCount = primitiveCount;
    if (primitiveCount) {
        size_t bytes = sizeof(PiecePolygon) * size_t(primitiveCount);
        p->polygons = static_cast<PiecePolygon*>(GRIB_Alloc("Polygons", bytes));
        if (!p->polygons) return false;
        std::memset(p->polygons, 0, bytes);
    }
    for (int32_t i = 0; i < primitiveCount; ++i) {
        size_t r = size_t(primitiveOffset) + size_t(i) * PRIMITIVE_SIZE;
        PiecePolygon& g = p->polygons[i];
        int32_t count = f.i32(r + 4), indexOffset = f.i32(r + 12), textureOffset = f.i32(r + 16);
        if (count < 0) return false;
        if (count && (indexOffset < 0 || !f.has(uint32_t(indexOffset), uint64_t(count) * 2))) return false;
        g.textured = (f.i32(r + 28) & 1) ? 0 : 1;
        if (g.textured) {
            if (!f.text(textureOffset, g.textureName, sizeof g.textureName)) g.textureName[0] = 0;
        } else {
            g.colourIndex = f.i32(r);
        }
        if (count > PIECE_MAX_POLYGON_VERTICES) continue;  // kept empty
        bool inside = true;
        for (int32_t k = 0; k < count; ++k) {
            g.vertexIndices[k] = f.u16(size_t(indexOffset) + 2 * size_t(k));
            inside = inside && g.vertexIndices[k] < vertexCount;
        }
        g.vertexCount = inside ? count : 0;
    }
    return true;
}

}  // namespace

Piece* Load3do(const char* path) {
    int32_t length = -1;
    void* block = path ? GRIB_LoadFile(path, &length) : nullptr;
    if (!block) return nullptr;
    File3do f{static_cast<const uint8_t*>(block), length > 0 ? size_t(length) : 0};
    if (f.size > GRIB_BlockSize(block)) f.size = GRIB_BlockSize(block);

    Piece* root = nullptr;
    bool ok = f.has(0, RECORD_SIZE);
    // Records still to convert, with the link that receives each piece.
    struct Item {
        size_t at;
        Piece** link;
    };
    std::vector<Item> stack;
    std::unordered_set<size_t> seen;
    if (ok) stack.push_back({0, &root});
    while (ok && !stack.empty()) {
        Item it = stack.back();
        stack.pop_back();
        if (!f.has(it.at, RECORD_SIZE) || !seen.insert(it.at).second) {
            ok = false;
            break;
        }
        Piece* p = NewPiece();
        if (!p) {
            ok = false;
            break;
        }
        *it.link = p;
        if (!ConvertRecord(f, it.at, p)) {
            ok = false;
            break;
        }
        int32_t sibling = f.i32(it.at + 44), child = f.i32(it.at + 48);
        // Negative offsets are read as unsigned: far beyond any file, so rejected.
        if (child) stack.push_back({uint32_t(child), &p->child});
        if (sibling) stack.push_back({uint32_t(sibling), &p->sibling});
    }
    GRIB_Free(block);
    if (!ok) {
        FreePieceTree(root);
        return nullptr;
    }
    ComputeRestPose(root);
    return root;
}

int32_t DetectModelType(const char* path) {
    uint8_t head[4] = {0, 0, 0, 0};
    if (!path || !GRIB_ReadAt(path, head, 0, 4)) return 0;
    if (std::memcmp(head, "FORM", 4) == 0) return MODEL_TYPE_LWO;
    if ((head[0] | head[1] << 8) == 0x4D4D) return MODEL_TYPE_3DS;
    return MODEL_TYPE_3DO;
}

Piece* LoadModel(const char* path, int32_t type) {
    if (!path) return nullptr;
    if (type == MODEL_TYPE_DETECT) type = DetectModelType(path);
    Piece* root = nullptr;
    switch (type) {
        case MODEL_TYPE_3DO: root = Load3do(path); break;
        case MODEL_TYPE_LWO: root = LoadLwoModel(path); break;
        case MODEL_TYPE_3DS: root = Load3dsModel(path); break;
        default: return nullptr;
    }
    if (!root) return nullptr;
    if (!root->name[0]) {
        std::string base(path);
        size_t slash = base.find_last_of("\\/");
        if (slash != std::string::npos) base.erase(0, slash + 1);
        size_t dot = base.rfind('.');
        if (dot != std::string::npos) base.erase(dot);
        std::strncpy(root->name, base.c_str(), sizeof root->name - 1);
    }
    root->angleX = root->angleY = root->angleZ = 0;
    StoreRestOffsets(root);
    return root;
}
