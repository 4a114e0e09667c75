#include "kit/model/model_builder.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>
#include <unordered_map>

#include "grib/env/bytes.h"

namespace {

void Put32(std::vector<uint8_t>& out, size_t at, int32_t v) {
    uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(u >> (8 * i));
}

size_t Append(std::vector<uint8_t>& out, size_t bytes) {
    size_t at = out.size();
    out.resize(at + bytes, 0);
    return at;
}

int32_t AppendText(std::vector<uint8_t>& out, const std::string& text) {
    size_t at = out.size();
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return int32_t(at);
}

// Writes piece and its children; returns the record's offset.
size_t WritePiece(std::vector<uint8_t>& out, const KitModelPiece& p) {
    size_t rec = Append(out, 52);
    Put32(out, rec + 0, 1);
    Put32(out, rec + 4, int32_t(p.vertices.size()));
    Put32(out, rec + 8, int32_t(p.polygons.size()));
    Put32(out, rec + 12, p.selection);
    for (int a = 0; a < 3; ++a) Put32(out, rec + 16 + 4 * a, p.offset[size_t(a)]);
    if (!p.name.empty()) Put32(out, rec + 28, AppendText(out, p.name));
    if (!p.secondName.empty()) Put32(out, rec + 32, AppendText(out, p.secondName));
    size_t verts = Append(out, 12 * p.vertices.size());
    Put32(out, rec + 36, int32_t(verts));
    for (size_t i = 0; i < p.vertices.size(); ++i)
        for (int a = 0; a < 3; ++a) Put32(out, verts + 12 * i + 4 * a, p.vertices[i][size_t(a)]);
    size_t prims = Append(out, 32 * p.polygons.size());
    Put32(out, rec + 40, int32_t(prims));
    for (size_t i = 0; i < p.polygons.size(); ++i) {
        const KitModelPolygon& g = p.polygons[i];
        size_t r = prims + 32 * i;
        size_t idx = Append(out, 2 * g.indices.size());
        for (size_t k = 0; k < g.indices.size(); ++k) {
            out[idx + 2 * k] = uint8_t(g.indices[k]);
            out[idx + 2 * k + 1] = uint8_t(g.indices[k] >> 8);
        }
        Put32(out, r + 0, g.textured ? 0 : g.colour);
        Put32(out, r + 4, int32_t(g.indices.size()));
        Put32(out, r + 12, int32_t(idx));
        if (g.textured) Put32(out, r + 16, AppendText(out, g.texture));
        Put32(out, r + 28, g.textured ? 0 : 1);
    }
    size_t previous = 0;
    for (size_t c = 0; c < p.children.size(); ++c) {
        size_t child = WritePiece(out, p.children[c]);
        Put32(out, c == 0 ? rec + 48 : previous + 44, int32_t(child));
        previous = child;
    }
    return rec;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ModelToFileUnits(double v, int32_t& out) {
    if (!std::isfinite(v)) return false;
    double f = std::round(v * KIT_FILE_UNITS);
    if (f < -2147483648.0 || f > 2147483647.0) return false;
    out = int32_t(f);
    return true;
}

bool ToFileUnits(const std::string& word, int32_t& out) {
    char* end = nullptr;
    double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end || !std::isfinite(v)) return false;
    double f = std::round(v * KIT_FILE_UNITS);
    if (f < -2147483648.0 || f > 2147483647.0) return false;
    out = int32_t(f);
    return true;
}

bool ToInt(const std::string& word, long lo, long hi, long& out) {
    char* end = nullptr;
    out = std::strtol(word.c_str(), &end, 10);
    return !word.empty() && !*end && out >= lo && out <= hi;
}

std::string Number(int32_t fileUnits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.12g", double(fileUnits) / KIT_FILE_UNITS);
    return buf;
}

void DumpPiece(std::ostringstream& o, const KitModelPiece& p, int depth) {
    std::string pad(size_t(depth) * 2, ' ');
    o << pad << "piece " << p.name << "\n";
    if (!p.secondName.empty()) o << pad << "  second " << p.secondName << "\n";
    o << pad << "  offset " << Number(p.offset[0]) << " " << Number(p.offset[1]) << " " << Number(p.offset[2]) << "\n";
    if (p.selection != -1) o << pad << "  selection " << p.selection << "\n";
    for (const auto& v : p.vertices) o << pad << "  v " << Number(v[0]) << " " << Number(v[1]) << " " << Number(v[2]) << "\n";
    for (const KitModelPolygon& g : p.polygons) {
        o << pad << "  " << (g.textured ? "texture " + g.texture : "solid " + std::to_string(g.colour));
        for (uint16_t i : g.indices) o << " " << i;
        o << "\n";
    }
    for (const KitModelPiece& c : p.children) DumpPiece(o, c, depth + 1);
    o << pad << "end\n";
}

}  // namespace

std::vector<uint8_t> KitWrite3do(const KitModel& model) {
    std::vector<uint8_t> out;
    size_t previous = 0;
    for (size_t i = 0; i < model.size(); ++i) {
        size_t rec = WritePiece(out, model[i]);
        if (i) Put32(out, previous + 44, int32_t(rec));
        previous = rec;
    }
    return out;
}

bool KitRead3do(const std::vector<uint8_t>& bytes, KitModel& model, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const size_t size = bytes.size();
    auto has = [&](int64_t at, int64_t n) { return at >= 0 && n >= 0 && uint64_t(at) <= size && uint64_t(n) <= size - uint64_t(at); };
    const GribBytes file{bytes.data(), size};
    auto i32 = [&](size_t at) { return file.I32(at); };
    auto text = [&](int32_t at, std::string& out) {
        if (at < 0 || size_t(at) >= size) return false;
        const void* end = std::memchr(&bytes[size_t(at)], 0, size - size_t(at));
        if (!end) return false;
        out.assign(reinterpret_cast<const char*>(&bytes[size_t(at)]), static_cast<const uint8_t*>(end) - &bytes[size_t(at)]);
        return true;
    };
    std::set<size_t> seen;
    std::function<bool(size_t, KitModel&)> chain = [&](size_t at, KitModel& out) -> bool {
        while (true) {
            if (!has(int64_t(at), 52)) return fail("record outside the file");
            if (!seen.insert(at).second) return fail("record reached twice");
            KitModelPiece p;
            int32_t nv = i32(at + 4), np = i32(at + 8), vo = i32(at + 36), po = i32(at + 40);
            p.selection = i32(at + 12);
            for (int a = 0; a < 3; ++a) p.offset[size_t(a)] = i32(at + 16 + 4 * a);
            if (i32(at + 28) && !text(i32(at + 28), p.name)) return fail("name outside the file");
            if (i32(at + 32) && !text(i32(at + 32), p.secondName)) return fail("name outside the file");
            if (nv < 0 || (nv && !has(vo, int64_t(nv) * 12))) return fail("vertices outside the file");
            if (np < 0 || (np && !has(po, int64_t(np) * 32))) return fail("primitives outside the file");
            for (int32_t i = 0; i < nv; ++i)
                p.vertices.push_back({i32(size_t(vo) + 12 * size_t(i)), i32(size_t(vo) + 12 * size_t(i) + 4),
                                      i32(size_t(vo) + 12 * size_t(i) + 8)});
            for (int32_t i = 0; i < np; ++i) {
                size_t r = size_t(po) + 32 * size_t(i);
                KitModelPolygon g;
                int32_t n = i32(r + 4), io = i32(r + 12);
                if (n < 0 || (n && !has(io, int64_t(n) * 2))) return fail("index list outside the file");
                g.textured = !(i32(r + 28) & 1);
                if (g.textured) {
                    if (!text(i32(r + 16), g.texture)) return fail("texture name outside the file");
                } else {
                    g.colour = i32(r);
                }
                for (int32_t k = 0; k < n; ++k)
                    g.indices.push_back(file.U16(size_t(io) + 2 * size_t(k)));
                p.polygons.push_back(std::move(g));
            }
            int32_t sibling = i32(at + 44), child = i32(at + 48);
            if (child && !chain(uint32_t(child), p.children)) return false;
            out.push_back(std::move(p));
            if (!sibling) return true;
            at = uint32_t(sibling);
        }
    };
    model.clear();
    return chain(0, model);
}

namespace {

// The line loop of both text formats: '#' starts a comment, blank lines are
// skipped, and statement(line number, key, words) gets the first word and the rest of
// each line and returns false to stop. The result is the number of lines,
// or -1 when a statement stopped the loop.
template <class F>
int ForEachStatement(const std::string& text, F&& statement) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) continue;
        if (!statement(number, key, words)) return -1;
    }
    return number;
}

bool Fail(std::string* error, int number, const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return false;
}

}  // namespace

bool KitParseModelText(const std::string& text, KitModel& model, std::string* error) {
    model.clear();
    std::vector<KitModelPiece*> stack;
    int number = 0;
    auto fail = [&](const std::string& why) { return Fail(error, number, why); };
    int lines = ForEachStatement(text, [&](int line, const std::string& key, std::istringstream& words) {
        number = line;
        std::string rest;
        std::getline(words, rest);
        rest = Trim(rest);
        std::vector<std::string> args;
        {
            std::istringstream a(rest);
            std::string w;
            while (a >> w) args.push_back(w);
        }
        if (key == "piece") {
            KitModel& list = stack.empty() ? model : stack.back()->children;
            list.emplace_back();
            list.back().name = rest;
            stack.push_back(&list.back());
            return true;
        }
        if (stack.empty()) return fail("'" + key + "' outside a piece");
        KitModelPiece& p = *stack.back();
        if (key == "end") {
            if (!rest.empty()) return fail("'end' takes nothing");
            stack.pop_back();
        } else if (key == "second") {
            p.secondName = rest;
        } else if (key == "offset" || key == "v") {
            std::array<int32_t, 3> v{};
            if (args.size() != 3) return fail("'" + key + "' needs x y z");
            for (size_t a = 0; a < 3; ++a)
                if (!ToFileUnits(args[a], v[a])) return fail("bad number '" + args[a] + "'");
            if (key == "offset")
                p.offset = v;
            else
                p.vertices.push_back(v);
        } else if (key == "selection") {
            long s;
            if (args.size() != 1 || !ToInt(args[0], -1, INT32_MAX, s)) return fail("bad selection");
            p.selection = int32_t(s);
        } else if (key == "solid" || key == "texture") {
            if (args.size() < 2) return fail("'" + key + "' needs a " + (key == "solid" ? "colour" : "name") + " and indices");
            KitModelPolygon g;
            g.textured = key == "texture";
            long c;
            if (g.textured)
                g.texture = args[0];
            else if (!ToInt(args[0], 0, 255, c))
                return fail("bad colour '" + args[0] + "'");
            else
                g.colour = int32_t(c);
            for (size_t i = 1; i < args.size(); ++i) {
                long idx;
                if (!ToInt(args[i], 0, 65535, idx)) return fail("bad vertex index '" + args[i] + "'");
                g.indices.push_back(uint16_t(idx));
            }
            p.polygons.push_back(std::move(g));
        } else {
            return fail("unknown keyword '" + key + "'");
        }
        return true;
    });
    if (lines < 0) return false;
    number = lines;
    if (!stack.empty()) return fail("piece '" + stack.back()->name + "' has no 'end'");
    if (model.empty()) return fail("no piece");
    return true;
}

std::string KitDumpModelText(const KitModel& model) {
    std::ostringstream o;
    for (const KitModelPiece& p : model) DumpPiece(o, p, 0);
    return o.str();
}

bool KitParseObj(const std::string& text, double scale, KitModel& model, std::string* error) {
    std::vector<std::array<double, 3>> positions;
    struct Group {
        std::string name;
        std::vector<std::pair<KitModelPolygon, std::vector<long>>> faces;
    };
    std::vector<Group> groups;
    KitModelPolygon material;  // solid colour 0 until usemtl
    int number = 0;
    auto fail = [&](const std::string& why) { return Fail(error, number, why); };
    int lines = ForEachStatement(text, [&](int line, const std::string& key, std::istringstream& words) {
        number = line;
        if (key == "v") {
            std::array<double, 3> p{};
            if (!(words >> p[0] >> p[1] >> p[2])) return fail("bad vertex");
            positions.push_back(p);
        } else if (key == "g" || key == "o") {
            std::string name;
            std::getline(words, name);
            groups.push_back({Trim(name), {}});
        } else if (key == "usemtl") {
            std::string name;
            words >> name;
            long c;
            material = KitModelPolygon{};
            if (ToInt(name, 0, 255, c)) {
                material.colour = int32_t(c);
            } else {
                material.textured = true;
                material.texture = name;
            }
        } else if (key == "f") {
            if (groups.empty()) groups.push_back({"", {}});
            std::vector<long> refs;
            std::string w;
            while (words >> w) {
                long i = std::strtol(w.c_str(), nullptr, 10);
                if (i < 0) i = long(positions.size()) + i + 1;
                if (i < 1 || size_t(i) > positions.size()) return fail("vertex index out of range");
                refs.push_back(i - 1);
            }
            if (refs.size() > 16) return fail("more than 16 vertices in a face");
            groups.back().faces.push_back({material, refs});
        }
        // Other statements (vt, vn, s, mtllib ...) carry nothing a .3do holds.
        return true;
    });
    if (lines < 0) return false;
    number = lines;
    model.clear();
    for (const Group& g : groups) {
        if (g.faces.empty()) continue;
        KitModelPiece p;
        p.name = g.name;
        std::unordered_map<long, uint16_t> local;
        for (const auto& [poly, refs] : g.faces) {
            KitModelPolygon out = poly;
            for (long r : refs) {
                auto it = local.find(r);
                if (it == local.end()) {
                    if (p.vertices.size() >= 65536) return fail("more than 65,536 vertices in a group");
                    std::array<int32_t, 3> v{};
                    for (int a = 0; a < 3; ++a) {
                        double m = positions[size_t(r)][size_t(a)] * scale * (a == 2 ? -1 : 1);
                        if (!ModelToFileUnits(m, v[size_t(a)])) return fail("coordinate out of range");
                    }
                    it = local.emplace(r, uint16_t(p.vertices.size())).first;
                    p.vertices.push_back(v);
                }
                out.indices.push_back(it->second);
            }
            p.polygons.push_back(std::move(out));
        }
        if (model.empty())
            model.push_back(std::move(p));
        else
            model[0].children.push_back(std::move(p));
    }
    if (model.empty()) return fail("no faces");
    return true;
}
