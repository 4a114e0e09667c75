// glTF export: every demo unit through the Khronos validator and assimp, an
// OBJ round trip through assimp, and posed pieces against the scene's own
// posing.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "kit/export/gltf_export.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "model/scene.h"
#include "tests/model/model_support.h"
#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunGrib;
using testsupport::RunProgram;
using testsupport::TempDir;

void CountModel(const KitModel& pieces, size_t& count, size_t& triangles) {
    for (const KitModelPiece& p : pieces) {
        ++count;
        for (size_t i = 0; i < p.polygons.size(); ++i)
            if (int32_t(i) != p.selection && p.polygons[i].indices.size() >= 3) triangles += p.polygons[i].indices.size() - 2;
        CountModel(p.children, count, triangles);
    }
}

// The number after "Key:" in assimp's summary.
long Field(const std::string& text, const std::string& key) {
    const size_t at = text.find(key + ":");
    return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + key.size() + 1, nullptr, 10);
}

// Prints "<file> <errors and warnings but unused objects> <codes>" per file.
const char kValidate[] = R"(const v = require('gltf-validator'), fs = require('fs');
(async () => { for (const f of process.argv.slice(1)) {
  const r = await v.validateBytes(new Uint8Array(fs.readFileSync(f)));
  const bad = r.issues.messages.filter(m => m.severity <= 1 && m.code !== 'UNUSED_OBJECT');
  console.log(f + ' ' + bad.length + ' ' + bad.map(m => m.code + m.pointer).join(','));
}})();)";

struct DemoUnit {
    const char* name;
    size_t moved;   // pieces the scripts turn or move: translation and rotation channels
    size_t hidden;  // pieces hidden at some tick: a scale channel
};
// Create, then Move and Activate at once and Fire after ten ticks.
const DemoUnit kDemoUnits[] = {
    {"ARMGUARD", 3, 4}, {"ARMSCOUT", 5, 1}, {"ARMSOLAR", 5, 1}, {"ARMSTRIDE", 7, 2},
    {"CORCRAWL", 6, 2}, {"CORMEX", 1, 2},   {"CORSTORM", 9, 5}, {"CORTANK", 5, 1},
};

TEST(GltfExport, EveryDemoUnitValidatesAndReadsBackInAssimp) {
    TempDir dir;
    const std::string game = (dir.path() / "game").string(), source = std::string(SHOWCASE_SOURCE_DIR) + "/demo";
    ASSERT_EQ(RunGrib({"demo", game, "--source", source}).status, 0);
    std::vector<std::string> files;
    for (const DemoUnit& u : kDemoUnits) {
        SCOPED_TRACE(u.name);
        const std::string out = (dir.path() / (std::string(u.name) + ".glb")).string();
        auto r = RunGrib({"export", "-C", game, "--unit", u.name, "--out", out, "--press", "1024@0", "--press",
                          "1014@0", "--press", "1012@10"});
        ASSERT_EQ(r.status, 0) << r.err;
        files.push_back(out);
        KitModel model;
        std::string error;
        ASSERT_TRUE(KitParseModelText(testsupport::ReadText(source + "/objects3d/" + u.name + ".txt"), model, &error)) << error;
        size_t pieces = 0, triangles = 0;
        CountModel(model, pieces, triangles);
        auto info = RunProgram("assimp", {"info", out, "-r"});
        ASSERT_EQ(info.status, 0) << info.err;
        // One animation with a channel per animated node.
        EXPECT_EQ((std::vector{Field(info.out, "Nodes"), Field(info.out, "Faces"), Field(info.out, "Animations"),
                               Field(info.out, "Animation Channels")}),
                  (std::vector{long(pieces), long(triangles), 1L, long(u.moved + u.hidden)}));

        tinygltf::Model m;
        tinygltf::TinyGLTF reader;
        const auto bytes = testsupport::ReadBytes(out);
        ASSERT_TRUE(reader.LoadBinaryFromMemory(&m, &error, &error, bytes.data(), unsigned(bytes.size())));
        ASSERT_EQ(m.animations.size(), 1u);
        const tinygltf::Animation& a = m.animations[0];
        EXPECT_EQ(a.name, u.name);
        std::map<std::string, size_t> paths;
        for (const auto& c : a.channels) {
            paths[c.target_path]++;
            const auto& s = a.samplers[size_t(c.sampler)];
            EXPECT_EQ(s.interpolation, c.target_path == "scale" ? "STEP" : "LINEAR");
            EXPECT_EQ(m.accessors[size_t(s.input)].count, 91u);  // ticks 0 to 90
            EXPECT_FLOAT_EQ(float(m.accessors[size_t(s.input)].maxValues[0]), 3.0f);  // 30 ticks a second
        }
        using Paths = std::map<std::string, size_t>;
        EXPECT_EQ(paths, (Paths{{"rotation", u.moved}, {"scale", u.hidden}, {"translation", u.moved}}));
    }
    const std::string glb = (dir.path() / "x.glb").string();
    EXPECT_EQ(RunGrib({"export", "-C", game, "--unit", "ARMNONE", "--out", glb}).status, 1);
    EXPECT_EQ(RunGrib({"export", "-C", game, "--unit", "CORTANK", "--out", glb + ".png"}).status, 2);
    EXPECT_EQ(RunGrib({"export", "-C", game, "--unit", "CORTANK", "--out", glb, "--ticks", "5", "--press", "1012@6"}).status, 2);
    // The validator: present where node is (test.sh installs both).
    if (RunProgram("node", {"--version"}).status != 0) GTEST_SKIP() << "node is not installed";
    if (!std::getenv("NODE_PATH"))
        setenv("NODE_PATH", (std::string(SHOWCASE_SOURCE_DIR) + "/build/node/node_modules").c_str(), 1);
    std::vector<std::string> args = {"-e", kValidate};
    args.insert(args.end(), files.begin(), files.end());
    auto v = RunProgram("node", args);
    ASSERT_EQ(v.status, 0) << v.err << "(test.sh installs gltf-validator with npm)";
    std::string expected;
    for (const std::string& f : files) expected += f + " 0 \n";
    EXPECT_EQ(v.out, expected);
}

using V3 = std::array<double, 3>;
bool Near(const V3& p, const V3& q) {
    return std::abs(p[0] - q[0]) <= 1e-5 && std::abs(p[1] - q[1]) <= 1e-5 && std::abs(p[2] - q[2]) <= 1e-5;
}

TEST(GltfExport, ObjRoundTripKeepsEveryVertexPosition) {
    TempDir dir;
    const std::string obj = "o hull\nv -1.5 0.25 2\nv 1.5 0.25 2\nv 1.5 0.25 -2.125\nv -1.5 0.25 -2.125\nv 0 1.75 0.5\n"
                            "usemtl 12\nf 1 2 3 4\nf 1 5 2\nf 2 5 3\no mast\nv 0.1 1.75 0.5\nv -0.1 1.75 0.5\nv 0 4.5 0.3\n"
                            "usemtl 40\nf 6 7 8\n";
    const auto in = dir.write("boat.obj", obj);
    const std::string model = (dir.path() / "boat.3do").string(), glb = (dir.path() / "boat.glb").string();
    const std::string back = (dir.path() / "back.obj").string();
    ASSERT_EQ(RunGrib({"model", "build", in.string(), "-o", model}).status, 0);
    auto r = RunGrib({"model", "export", model, "--out", glb});
    ASSERT_EQ(r.status, 0) << r.err;
    auto a = RunProgram("assimp", {"export", glb, back});
    ASSERT_EQ(a.status, 0) << a.err;
    // OBJ looks down -z as glTF does: the positions come back as written.
    auto positions = [](const std::string& text) {
        std::vector<V3> v;
        std::istringstream lines(text);
        for (std::string line, key; std::getline(lines, line);)
            if (V3 p; std::istringstream(line) >> key >> p[0] >> p[1] >> p[2] && key == "v") v.push_back(p);
        return v;
    };
    const auto want = positions(obj), got = positions(testsupport::ReadText(back));
    ASSERT_GE(got.size(), want.size());
    for (const auto& [from, to] : {std::pair{&want, &got}, {&got, &want}})
        for (const V3& p : *from)
            EXPECT_TRUE(std::any_of(to->begin(), to->end(), [&](const V3& q) { return Near(p, q); }));
    EXPECT_EQ(RunGrib({"model", "export", model, "--out", (dir.path() / "x.obj").string()}).status, 2);
    EXPECT_EQ(RunGrib({"model", "export", (dir.path() / "none.3do").string(), "--out", glb}).status, 1);
}

V3 Cross(const V3& a, const V3& b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }

// A pose of turned and moved pieces, exported as the first tick: the nodes put
// every vertex where the scene's posing puts it (z negated), and faces the
// renderer draws face glTF's viewer.
TEST(GltfExport, PosedNodesMatchTheScenesPosing) {
    testsupport::StartGrib();
    using modeltest::FU;
    KitModelPiece arm = modeltest::Square("arm", 1.0, -0.5, 20), tip = modeltest::Square("tip", 0.5, 0.25, 30);
    arm.offset = {FU(2), FU(1.5), FU(-3)};
    tip.offset = {FU(0.5), FU(-1), FU(2)};
    arm.children = {tip};
    KitModelPiece base = modeltest::Square("base", 2.0, 1.0, 10);
    base.children = {arm};
    TempDir dir;
    Piece* root = LoadModel(dir.write("m.3do", KitWrite3do({base})).string().c_str(), MODEL_TYPE_DETECT);
    ASSERT_NE(root, nullptr);
    const double angles[3][3] = {{0.3, -0.5, 0.2}, {-0.4, 0.7, 0.25}, {0.6, 0.1, -0.35}};
    const auto pieces = KitGltfPieces(root);
    for (size_t k = 0; k < pieces.size(); ++k) {
        Piece* q = const_cast<Piece*>(pieces[k]);
        q->angleX = angles[k][0], q->angleY = angles[k][1], q->angleZ = angles[k][2];
        q->offset[1] += 0.25f * float(k);
    }
    const int32_t handle = RegisterTree(root);
    SetRenderOptions(handle, 0, 1, 0, 0, 0, 0);
    AnimateTree(handle);
    std::vector<uint8_t> palette(1024, 7), bytes;
    KitGltfScene scene;
    scene.root = root;
    scene.palette = palette.data();
    scene.ticks = {KitGltfPoses(root)};
    std::string error;
    ASSERT_TRUE(KitWriteGltf(scene, true, bytes, &error)) << error;
    tinygltf::Model m;
    tinygltf::TinyGLTF reader;
    ASSERT_TRUE(reader.LoadBinaryFromMemory(&m, &error, &error, bytes.data(), unsigned(bytes.size())));
    const size_t n = m.nodes.size();
    ASSERT_EQ(n, pieces.size());
    std::vector<int> parent(n, -1);
    for (size_t i = 0; i < n; ++i)
        for (int c : m.nodes[i].children) parent[size_t(c)] = int(i);
    // A point of a node's mesh through the node and its parents: p' = q p q* + t.
    auto place = [&](int node, V3 p) {
        for (; node >= 0; node = parent[size_t(node)]) {
            const tinygltf::Node& d = m.nodes[size_t(node)];
            const std::vector<double> q = d.rotation.empty() ? std::vector<double>{0, 0, 0, 1} : d.rotation;
            const V3 u{q[0], q[1], q[2]}, t = Cross(u, p), tt = Cross(u, t);
            for (size_t a = 0; a < 3; ++a) p[a] += 2 * q[3] * t[a] + 2 * tt[a] + (d.translation.empty() ? 0 : d.translation[a]);
        }
        return p;
    };
    auto data = [&](int accessor) {
        const auto& a = m.accessors[size_t(accessor)];
        return m.buffers[0].data.data() + m.bufferViews[size_t(a.bufferView)].byteOffset + a.byteOffset;
    };
    for (size_t i = 0; i < n; ++i) {
        const auto& prim = m.meshes.at(size_t(m.nodes[i].mesh)).primitives.at(0);
        const float* v = reinterpret_cast<const float*>(data(prim.attributes.at("POSITION")));
        const uint32_t* idx = reinterpret_cast<const uint32_t*>(data(prim.indices));
        auto vertex = [&](uint32_t c) { return place(int(i), {v[3 * c], v[3 * c + 1], v[3 * c + 2]}); };
        const WorkVertex* w = pieces[i]->workVertices;
        const int32_t* g = pieces[i]->polygons[0].vertexIndices;
        for (uint32_t c = 0; c < 4; ++c) EXPECT_TRUE(Near(vertex(c), {w[g[c]].x, w[g[c]].y, -w[g[c]].z})) << c;
        // The renderer's front faces run clockwise on the screen (y down),
        // glTF's counter-clockwise as seen from +z.
        EXPECT_GT((w[g[1]].x - w[g[0]].x) * (w[g[0]].y - w[g[2]].y), (w[g[2]].x - w[g[0]].x) * (w[g[0]].y - w[g[1]].y))
            << pieces[i]->name;
        const V3 c0 = vertex(idx[0]), c1 = vertex(idx[1]), c2 = vertex(idx[2]);
        EXPECT_GT((c1[0] - c0[0]) * (c2[1] - c0[1]) - (c1[1] - c0[1]) * (c2[0] - c0[0]), 0) << pieces[i]->name;
    }
    UnregisterTree(handle);
    FreePieceTree(root);
}

}  // namespace
