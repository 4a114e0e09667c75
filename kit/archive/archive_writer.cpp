#include "kit/archive/archive_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

const char kTrailer[] = "Copyright 0000 Quilfen Entertainment";

std::string Upper(const std::string& s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

uint8_t KitWorkingKey(uint8_t k) {
    if (k == 0) return 0;
    return static_cast<uint8_t>(~((k << 2) | (k >> 6)));
}

void KitScramble(uint8_t* bytes, size_t count, uint8_t key, uint32_t firstOffset) {
    if (key == 0) return;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = firstOffset + static_cast<uint32_t>(i);
        bytes[i] = static_cast<uint8_t>(~bytes[i] ^ (p & 0xFF) ^ key);
    }
}

void KitPut32(std::vector<uint8_t>& image, size_t offset, uint32_t value) {
    if (image.size() < offset + 4) image.resize(offset + 4);
    for (int i = 0; i < 4; ++i) image[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

void KitRekeyImage(std::vector<uint8_t>& image, uint8_t headerKey) {
    if (image.size() < 20) return;
    image[12] = headerKey;
    size_t end = image.size() >= 56 ? image.size() - 36 : 20;
    KitScramble(image.data() + 20, end - 20, KitWorkingKey(headerKey), 20);
}

KitArchiveTree KitTreeFromFiles(const std::vector<KitArchiveFile>& files) {
    // Gather a nested map first, then number the nodes breadth-first.
    struct Dir {
        std::map<std::string, size_t> dirs;                  // upper name -> dir index
        std::vector<std::pair<std::string, size_t>> names;  // (name, dir index)
        std::vector<std::pair<std::string, const KitArchiveFile*>> fileList;
    };
    std::vector<Dir> dirs(1);
    for (const KitArchiveFile& f : files) {
        std::vector<std::string> parts = SplitPath(f.path);
        if (parts.empty()) continue;
        bool dirOnly = f.path.back() == '\\' || f.path.back() == '/';
        size_t d = 0;
        for (size_t i = 0; i + (dirOnly ? 0 : 1) < parts.size(); ++i) {
            std::string key = Upper(parts[i]);
            auto it = dirs[d].dirs.find(key);
            if (it == dirs[d].dirs.end()) {
                size_t n = dirs.size();
                dirs[d].dirs[key] = n;
                dirs[d].names.emplace_back(parts[i], n);
                dirs.emplace_back();
                d = n;
            } else {
                d = it->second;
            }
        }
        if (!dirOnly) dirs[d].fileList.emplace_back(parts.back(), &f);
    }

    KitArchiveTree tree;
    std::vector<size_t> order{0};       // dir index per node index
    for (size_t n = 0; n < order.size(); ++n) {
        const Dir& dir = dirs[order[n]];
        struct Item {
            std::string upper;
            KitArchiveEntry entry;
            size_t dirIndex;
        };
        std::vector<Item> items;
        for (const auto& [name, di] : dir.names) {
            KitArchiveEntry e;
            e.name = name;
            e.directory = true;
            items.push_back({Upper(name), e, di});
        }
        for (const auto& [name, file] : dir.fileList) {
            KitArchiveEntry e;
            e.name = name;
            e.data = file->data;
            items.push_back({Upper(name), e, 0});
        }
        std::stable_sort(items.begin(), items.end(),
                         [](const Item& a, const Item& b) { return a.upper < b.upper; });
        KitArchiveNode node;
        for (Item& it : items) {
            if (it.entry.directory) {
                it.entry.node = order.size();
                order.push_back(it.dirIndex);
            }
            node.entries.push_back(std::move(it.entry));
        }
        tree.nodes.push_back(std::move(node));
    }
    return tree;
}

std::vector<uint8_t> KitBuildTree(const KitArchiveTree& tree, const KitArchiveOptions& options,
                                  KitArchiveLayout* layoutOut) {
    KitArchiveLayout layout;
    KitArchiveTree t = tree;
    if (t.nodes.empty()) t.nodes.resize(1);
    size_t nodeCount = t.nodes.size();
    layout.nodeOffsets.resize(nodeCount);
    layout.entryOffsets.resize(nodeCount);
    layout.nameOffsets.resize(nodeCount);
    layout.infoOffsets.resize(nodeCount);
    layout.dataOffsets.resize(nodeCount);

    // Pass 1: offsets of the directory records.
    uint32_t at = 20;
    for (size_t n = 0; n < nodeCount; ++n) {
        const auto& entries = t.nodes[n].entries;
        layout.nodeOffsets[n] = at;
        at += 8;
        for (size_t e = 0; e < entries.size(); ++e) {
            layout.entryOffsets[n].push_back(at);
            at += 9;
        }
        for (const KitArchiveEntry& e : entries) {
            layout.nameOffsets[n].push_back(at);
            at += static_cast<uint32_t>(e.name.size() + 1);
        }
        for (const KitArchiveEntry& e : entries) {
            layout.infoOffsets[n].push_back(e.directory ? 0 : at);
            if (!e.directory) at += 8;
        }
    }
    layout.directorySize = at;
    for (size_t n = 0; n < nodeCount; ++n)
        for (const KitArchiveEntry& e : t.nodes[n].entries) {
            if (e.directory) {
                layout.dataOffsets[n].push_back(0);
                continue;
            }
            at += options.dataGap;
            layout.dataOffsets[n].push_back(at);
            at += static_cast<uint32_t>(e.data.size());
        }
    layout.trailerOffset = at;

    // Pass 2: bytes.
    std::vector<uint8_t> out;
    out.reserve(at + options.trailer.size());
    for (char c : {'G', 'R', 'I', 'B'}) out.push_back(static_cast<uint8_t>(c));
    Append32(out, options.version);
    Append32(out, layout.directorySize);
    Append32(out, options.headerKey);
    Append32(out, layout.nodeOffsets[0]);
    for (size_t n = 0; n < nodeCount; ++n) {
        const auto& entries = t.nodes[n].entries;
        Append32(out, static_cast<uint32_t>(entries.size()));
        Append32(out, entries.empty() ? 0 : layout.entryOffsets[n][0]);
        for (size_t e = 0; e < entries.size(); ++e) {
            const KitArchiveEntry& en = entries[e];
            Append32(out, layout.nameOffsets[n][e]);
            uint32_t target = en.directory ? (en.node < nodeCount ? layout.nodeOffsets[en.node] : 0)
                                           : layout.infoOffsets[n][e];
            Append32(out, target);
            out.push_back(static_cast<uint8_t>((en.directory ? 1 : 0) | en.extraFlags));
        }
        for (const KitArchiveEntry& e : entries) {
            out.insert(out.end(), e.name.begin(), e.name.end());
            out.push_back(0);
        }
        for (size_t e = 0; e < entries.size(); ++e) {
            if (entries[e].directory) continue;
            Append32(out, layout.dataOffsets[n][e]);
            Append32(out, static_cast<uint32_t>(entries[e].data.size()));
        }
    }
    for (size_t n = 0; n < nodeCount; ++n)
        for (const KitArchiveEntry& e : t.nodes[n].entries) {
            if (e.directory) continue;
            out.insert(out.end(), options.dataGap, 0);
            out.insert(out.end(), e.data.begin(), e.data.end());
        }
    KitScramble(out.data() + 20, out.size() - 20, KitWorkingKey(options.headerKey), 20);
    out.insert(out.end(), options.trailer.begin(), options.trailer.end());
    if (layoutOut) *layoutOut = std::move(layout);
    return out;
}

std::vector<uint8_t> KitBuildArchive(const std::vector<KitArchiveFile>& files, uint8_t headerKey) {
    KitArchiveOptions options;
    options.headerKey = headerKey;
    options.trailer = kTrailer;
    return KitBuildTree(KitTreeFromFiles(files), options);
}

bool KitWriteArchive(const std::string& diskPath, const std::vector<KitArchiveFile>& files, uint8_t headerKey) {
    std::vector<uint8_t> image = KitBuildArchive(files, headerKey);
    FILE* f = std::fopen(diskPath.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    return std::fclose(f) == 0 && ok;
}
