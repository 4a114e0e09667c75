#include "kit/export/gltf_export.h"

#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "grib/image/textures.h"
#include "model/piece.h"

namespace {

float Finite(double v) { return std::isfinite(v) ? float(v) : 0.0f; }

// Bytes of the game's names as UTF-8 (Latin-1 above 127), control bytes as '?':
// the JSON writer accepts nothing else.
std::string Utf8(const char* text, size_t limit) {
    std::string out;
    for (size_t i = 0; i < limit && text[i]; ++i) {
        const auto c = uint8_t(text[i]);
        if (c < 0x20 || c == 0x7F) {
            out += '?';
        } else if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool Drawable(const Piece* p, int32_t index) {
    const PiecePolygon& g = p->polygons[index];
    if (index == p->selectionPolygon || g.vertexCount < 3 || g.vertexCount > PIECE_MAX_POLYGON_VERTICES) return false;
    for (int32_t i = 0; i < g.vertexCount; ++i)
        if (g.vertexIndices[i] < 0 || g.vertexIndices[i] >= p->vertexCount) return false;
    return true;
}

// The model's frame to glTF's: z negated, then scaled to metres.
void ToGltf(const float* in, float* out) {
    out[0] = Finite(in[0] * KIT_GLTF_METRES);
    out[1] = Finite(in[1] * KIT_GLTF_METRES);
    out[2] = Finite(-in[2] * KIT_GLTF_METRES);
}

struct Quat {
    double x, y, z, w;
};

Quat Mul(const Quat& a, const Quat& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

// The piece's rotation (about y, then x, then z, as the scene poses
// vertices) in glTF's frame: mirroring z reverses the x and y turns.
void Rotation(const double* angle, float* out) {
    auto turn = [](double a, int axis) {
        a = std::isfinite(a) ? a / 2 : 0.0;
        Quat q{0, 0, 0, std::cos(a)};
        (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = std::sin(a);
        return q;
    };
    const Quat q = Mul(Mul(turn(angle[2], 2), turn(-angle[0], 0)), turn(-angle[1], 1));
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    out[0] = float(q.x / n);
    out[1] = float(q.y / n);
    out[2] = float(q.z / n);
    out[3] = float(q.w / n);
}

double Linear(uint8_t c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

bool Hidden(const std::vector<std::vector<KitGltfPose>>& ticks, size_t piece) {
    for (const auto& t : ticks)
        if (!t[piece].visible) return true;
    return false;
}

struct Writer {
    tinygltf::Model m;
    const KitGltfScene& scene;
    std::map<int, int> colourMaterials;
    std::map<std::string, int> textureMaterials;

    explicit Writer(const KitGltfScene& s) : scene(s) {
        m.asset.version = "2.0";
        m.asset.generator = "grib export";
        m.buffers.emplace_back();
    }

    int View(const void* data, size_t bytes, int target) {
        std::vector<unsigned char>& b = m.buffers[0].data;
        while (b.size() % 4) b.push_back(0);
        tinygltf::BufferView v;
        v.buffer = 0;
        v.byteOffset = b.size();
        v.byteLength = bytes;
        v.target = target;
        const auto* p = static_cast<const unsigned char*>(data);
        b.insert(b.end(), p, p + bytes);
        m.bufferViews.push_back(v);
        return int(m.bufferViews.size()) - 1;
    }

    // Floats, components per element, min and max kept where glTF wants them.
    int Floats(const std::vector<float>& values, int type, int components, int target, bool bounds) {
        tinygltf::Accessor a;
        a.bufferView = View(values.data(), values.size() * sizeof(float), target);
        a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        a.type = type;
        a.count = values.size() / size_t(components);
        if (bounds) {
            a.minValues.assign(size_t(components), 0);
            a.maxValues.assign(size_t(components), 0);
            for (size_t i = 0; i < values.size(); ++i) {
                const size_t k = i % size_t(components);
                if (i < size_t(components) || values[i] < a.minValues[k]) a.minValues[k] = values[i];
                if (i < size_t(components) || values[i] > a.maxValues[k]) a.maxValues[k] = values[i];
            }
        }
        m.accessors.push_back(a);
        return int(m.accessors.size()) - 1;
    }

    int Material(const std::string& name, const std::vector<double>& colour, int texture) {
        tinygltf::Material mat;
        mat.name = name;
        mat.pbrMetallicRoughness.baseColorFactor = colour;
        mat.pbrMetallicRoughness.metallicFactor = 0.0;
        mat.pbrMetallicRoughness.roughnessFactor = 1.0;
        mat.pbrMetallicRoughness.baseColorTexture.index = texture;
        m.materials.push_back(mat);
        return int(m.materials.size()) - 1;
    }

    int ColourMaterial(uint8_t index) {
        auto it = colourMaterials.find(index);
        if (it != colourMaterials.end()) return it->second;
        const uint8_t* c = scene.palette + 4 * index;
        const int mat = Material("colour " + std::to_string(index), {Linear(c[0]), Linear(c[1]), Linear(c[2]), 1.0}, -1);
        return colourMaterials[index] = mat;
    }

    // -1 when the texture is unknown.
    int TextureMaterial(const std::string& name, const KitGltfTexture** found) {
        auto known = scene.textures.find(name);
        if (known == scene.textures.end() || !known->second.width || !known->second.height ||
            known->second.pixels.size() < size_t(known->second.width) * known->second.height)
            return -1;
        *found = &known->second;
        auto it = textureMaterials.find(name);
        if (it != textureMaterials.end()) return it->second;
        if (m.samplers.empty()) {
            tinygltf::Sampler s;
            s.magFilter = TINYGLTF_TEXTURE_FILTER_NEAREST;
            s.minFilter = TINYGLTF_TEXTURE_FILTER_NEAREST;
            s.wrapS = s.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
            m.samplers.push_back(s);
        }
        const KitGltfTexture& t = known->second;
        tinygltf::Image image;
        image.name = "texture" + std::to_string(m.images.size());
        image.width = int(t.width);
        image.height = int(t.height);
        image.component = 3;
        image.bits = 8;
        image.pixel_type = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
        for (size_t i = 0; i < size_t(t.width) * t.height; ++i)
            image.image.insert(image.image.end(), scene.palette + 4 * t.pixels[i], scene.palette + 4 * t.pixels[i] + 3);
        // The library's PNG encoder hands back a data URI; a .glb keeps the
        // PNG bytes in its binary chunk instead.
        const std::string file = image.name + ".png", none;
        std::string uri, mime;
        std::vector<unsigned char> png;
        if (!tinygltf::WriteImageData(&none, &file, &image, true, &uri, nullptr) ||
            !tinygltf::DecodeDataURI(&png, mime, uri, 0, false) || png.empty())
            return -1;
        image.image.clear();
        image.mimeType = "image/png";
        image.bufferView = View(png.data(), png.size(), 0);
        m.images.push_back(image);
        tinygltf::Texture tex;
        tex.sampler = 0;
        tex.source = int(m.images.size()) - 1;
        m.textures.push_back(tex);
        const int mat = Material("texture " + Utf8(name.c_str(), name.size()), {1.0, 1.0, 1.0, 1.0}, int(m.textures.size()) - 1);
        return textureMaterials[name] = mat;
    }

    struct Batch {
        std::vector<float> positions, uvs;
        std::vector<uint32_t> indices;
    };

    // The piece's mesh, one primitive per material; -1 without triangles.
    int Mesh(const Piece* p) {
        std::map<int, Batch> batches;
        for (int32_t gi = 0; gi < p->polygonCount; ++gi) {
            if (!Drawable(p, gi)) continue;
            const PiecePolygon& g = p->polygons[gi];
            const KitGltfTexture* t = nullptr;
            int mat = g.textured ? TextureMaterial(Utf8Raw(g.textureName), &t) : -1;
            if (mat < 0) mat = ColourMaterial(uint8_t(g.colourIndex));
            Batch& b = batches[mat];
            const auto base = uint32_t(b.positions.size() / 3);
            for (int32_t i = 0; i < g.vertexCount; ++i) {
                float v[3];
                ToGltf(p->vertices[g.vertexIndices[i]], v);
                b.positions.insert(b.positions.end(), v, v + 3);
                if (t) {
                    // The textured fillers put the texture's corner texels
                    // (0,0) (w-1,0) (w-1,h-1) (0,h-1) on the first four
                    // vertices; a triangle keeps the first three.
                    const int c = i < 4 ? i : 3;
                    const float u = (c == 1 || c == 2) ? float(t->width - 1) / float(t->width) : 0.0f;
                    const float w = c >= 2 ? float(t->height - 1) / float(t->height) : 0.0f;
                    b.uvs.push_back(u);
                    b.uvs.push_back(w);
                }
            }
            for (int32_t i = 1; i + 1 < g.vertexCount; ++i)
                b.indices.insert(b.indices.end(), {base, base + uint32_t(i) + 1, base + uint32_t(i)});
        }
        if (batches.empty()) return -1;
        tinygltf::Mesh mesh;
        mesh.name = Utf8(p->name, sizeof p->name);
        for (const auto& [mat, b] : batches) {
            tinygltf::Primitive prim;
            prim.mode = TINYGLTF_MODE_TRIANGLES;
            prim.material = mat;
            prim.attributes["POSITION"] = Floats(b.positions, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER, true);
            if (!b.uvs.empty())
                prim.attributes["TEXCOORD_0"] = Floats(b.uvs, TINYGLTF_TYPE_VEC2, 2, TINYGLTF_TARGET_ARRAY_BUFFER, false);
            tinygltf::Accessor a;
            a.bufferView = View(b.indices.data(), b.indices.size() * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
            a.type = TINYGLTF_TYPE_SCALAR;
            a.count = b.indices.size();
            m.accessors.push_back(a);
            prim.indices = int(m.accessors.size()) - 1;
            mesh.primitives.push_back(prim);
        }
        m.meshes.push_back(mesh);
        return int(m.meshes.size()) - 1;
    }

    static std::string Utf8Raw(const char* name) { return std::string(name, strnlen(name, sizeof PiecePolygon{}.textureName)); }

    // meshNode: the node holding piece i's mesh, -1 for none.
    void Animate(const std::vector<const Piece*>& pieces, const std::vector<int>& meshNode) {
        const auto& ticks = scene.ticks;
        tinygltf::Animation anim;
        anim.name = scene.animationName.empty() ? "animation" : Utf8(scene.animationName.c_str(), scene.animationName.size());
        std::vector<float> times;
        for (size_t k = 0; k < ticks.size(); ++k) times.push_back(float(double(k) / scene.ticksPerSecond));
        int input = -1;
        auto channel = [&](size_t node, const char* path, const std::vector<float>& values, int type, int n,
                           const char* interpolation) {
            if (input < 0) input = Floats(times, TINYGLTF_TYPE_SCALAR, 1, 0, true);
            tinygltf::AnimationSampler s;
            s.input = input;
            s.output = Floats(values, type, n, 0, false);
            s.interpolation = interpolation;
            anim.samplers.push_back(s);
            tinygltf::AnimationChannel c;
            c.sampler = int(anim.samplers.size()) - 1;
            c.target_node = int(node);
            c.target_path = path;
            anim.channels.push_back(c);
        };
        for (size_t i = 0; i < pieces.size(); ++i) {
            bool moved = false, blinks = false;
            for (const auto& t : ticks) {
                const KitGltfPose &a = t[i], &first = ticks[0][i];
                moved = moved || std::memcmp(a.offset, first.offset, sizeof a.offset) || a.angle[0] != first.angle[0] ||
                        a.angle[1] != first.angle[1] || a.angle[2] != first.angle[2];
                blinks = blinks || a.visible != first.visible;
            }
            if (moved) {
                std::vector<float> translation, rotation;
                for (const auto& t : ticks) {
                    float v[3], q[4];
                    ToGltf(t[i].offset, v);
                    Rotation(t[i].angle, q);
                    // q and -q turn alike: keep the interpolation on the short way.
                    if (!rotation.empty()) {
                        const float* p = &rotation[rotation.size() - 4];
                        if (p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3] < 0)
                            for (float& c : q) c = -c;
                    }
                    translation.insert(translation.end(), v, v + 3);
                    rotation.insert(rotation.end(), q, q + 4);
                }
                channel(i, "translation", translation, TINYGLTF_TYPE_VEC3, 3, "LINEAR");
                channel(i, "rotation", rotation, TINYGLTF_TYPE_VEC4, 4, "LINEAR");
            }
            if (meshNode[i] >= 0 && blinks) {
                std::vector<float> scale;
                for (const auto& t : ticks) scale.insert(scale.end(), 3, t[i].visible ? 1.0f : 0.0f);
                channel(size_t(meshNode[i]), "scale", scale, TINYGLTF_TYPE_VEC3, 3, "STEP");
            }
        }
        // Scripts that move nothing still get their animation, of the
        // first piece standing still.
        if (anim.channels.empty()) {
            std::vector<float> translation, rotation;
            for (size_t k = 0; k < ticks.size(); ++k) {
                float v[3], q[4];
                ToGltf(ticks[0][0].offset, v);
                Rotation(ticks[0][0].angle, q);
                translation.insert(translation.end(), v, v + 3);
                rotation.insert(rotation.end(), q, q + 4);
            }
            channel(0, "translation", translation, TINYGLTF_TYPE_VEC3, 3, "LINEAR");
            channel(0, "rotation", rotation, TINYGLTF_TYPE_VEC4, 4, "LINEAR");
        }
        m.animations.push_back(anim);
    }
};

}  // namespace

std::vector<const Piece*> KitGltfPieces(const Piece* root) {
    std::vector<const Piece*> pieces;
    ForEachPiece(const_cast<Piece*>(root), [&](Piece* p) { pieces.push_back(p); });
    return pieces;
}

std::vector<KitGltfPose> KitGltfPoses(const Piece* root) {
    std::vector<KitGltfPose> poses;
    for (const Piece* p : KitGltfPieces(root))
        poses.push_back({{p->offset[0], p->offset[1], p->offset[2]}, {p->angleX, p->angleY, p->angleZ}, p->fill != 0});
    return poses;
}

KitGltfTextures KitGltfCollectTextures(const Piece* root) {
    KitGltfTextures out;
    for (const Piece* p : KitGltfPieces(root))
        for (int32_t i = 0; i < p->polygonCount; ++i) {
            const PiecePolygon& g = p->polygons[i];
            if (!g.textured || !Drawable(p, i)) continue;
            const std::string name = Writer::Utf8Raw(g.textureName);
            if (out.count(name)) continue;
            const GribImage* image = GRIB_FindTexture(name.c_str());
            // Compressed frames are not drawn by the renderer either.
            if (!image || !image->data || image->compressed || !image->width || !image->height) continue;
            const size_t size = size_t(image->width) * image->height;
            if (image->dataSize && image->dataSize < size) continue;
            KitGltfTexture& t = out[name];
            t.width = image->width;
            t.height = image->height;
            t.pixels.assign(image->data, image->data + size);
        }
    return out;
}

size_t KitGltfTriangleCount(const Piece* root) {
    size_t n = 0;
    for (const Piece* p : KitGltfPieces(root))
        for (int32_t i = 0; i < p->polygonCount; ++i)
            if (Drawable(p, i)) n += size_t(p->polygons[i].vertexCount - 2);
    return n;
}

bool KitWriteGltf(const KitGltfScene& scene, bool binary, std::vector<uint8_t>& out, std::string* error) {
    auto fail = [&](const char* text) {
        if (error) *error = text;
        return false;
    };
    if (!scene.root) return fail("no model");
    if (!scene.palette) return fail("no palette");
    Writer w(scene);
    const std::vector<const Piece*> pieces = KitGltfPieces(scene.root);
    std::map<const Piece*, int> index;
    for (size_t i = 0; i < pieces.size(); ++i) index[pieces[i]] = int(i);
    bool animated = !scene.ticks.empty();
    for (const auto& t : scene.ticks) animated = animated && t.size() == pieces.size();
    // A hidden piece shows its children still: scale 0 on its node would
    // hide them too, so such a piece's mesh hangs on a node of its own.
    std::vector<int> meshNode(pieces.size(), -1);
    std::vector<tinygltf::Node> extra;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece* p = pieces[i];
        tinygltf::Node node;
        node.name = Utf8(p->name, sizeof p->name);
        // The pose of the first tick (the unit as the viewer first shows
        // it), else the model's own.
        const KitGltfPose pose = animated ? scene.ticks[0][i] : KitGltfPose{{p->restOffset[0], p->restOffset[1], p->restOffset[2]}, {0, 0, 0}, true};
        float t[3], q[4];
        ToGltf(pose.offset, t);
        Rotation(pose.angle, q);
        if (t[0] || t[1] || t[2]) node.translation = {t[0], t[1], t[2]};
        if (q[0] || q[1] || q[2]) node.rotation = {q[0], q[1], q[2], q[3]};
        const int mesh = w.Mesh(p);
        for (const Piece* c = p->child; c; c = c->sibling) node.children.push_back(index[c]);
        if (mesh >= 0 && p->child && animated && Hidden(scene.ticks, i)) {
            meshNode[i] = int(pieces.size() + extra.size());
            node.children.push_back(meshNode[i]);
            extra.emplace_back();
            extra.back().name = node.name + " polygons";
            extra.back().mesh = mesh;
        } else if (mesh >= 0) {
            meshNode[i] = int(i);
            node.mesh = mesh;
        }
        if (meshNode[i] >= 0 && !pose.visible) {
            tinygltf::Node& holder = meshNode[i] == int(i) ? node : extra.back();
            holder.scale = {0, 0, 0};
        }
        w.m.nodes.push_back(node);
    }
    w.m.nodes.insert(w.m.nodes.end(), extra.begin(), extra.end());
    tinygltf::Scene s;
    s.name = Utf8(scene.animationName.c_str(), scene.animationName.size());
    for (const Piece* p = scene.root; p; p = p->sibling) s.nodes.push_back(index[p]);
    w.m.scenes.push_back(s);
    w.m.defaultScene = 0;
    if (animated) w.Animate(pieces, meshNode);
    if (w.m.buffers[0].data.empty()) w.m.buffers.clear();
    else w.m.buffers[0].data.resize((w.m.buffers[0].data.size() + 3) / 4 * 4, 0);
    tinygltf::TinyGLTF gltf;
    std::ostringstream stream;
    try {
        if (!gltf.WriteGltfSceneToStream(&w.m, stream, false, binary)) return fail("the glTF writer failed");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    const std::string bytes = stream.str();
    out.assign(bytes.begin(), bytes.end());
    return true;
}
