#include "grib/vfs/archive.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/vfs/disk.h"
#include "grib/vfs/vfs.h"

namespace {

const char kTrailer[] = "Copyright 0000 Quilfen Entertainment";
constexpr size_t kTrailerSize = 36;
static_assert(sizeof kTrailer - 1 == kTrailerSize);

bool ReadExact(FILE* f, int64_t offset, void* buffer, size_t count) {
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, count, f) == count;
}

void FreeDirectory(GRIBFILE* dir) {
    if (!dir) return;
    GRIB_Free(dir->block);
    GRIB_Free(dir->nodes);
    GRIB_Free(dir->entries);
    GRIB_Free(dir->infos);
    GRIB_Free(dir->skipped);
    GRIB_Free(dir);
}

// Builds the native tree over an unscrambled block, checking every record
// against the block's bounds. Each node may be reached once only, which
// rejects cycles (and shared subtrees, which can't be relocated in place
// either). Entries whose names would not stay one path component are left
// out with everything below them; file lengths are cut to the bytes the
// archive file of fileSize bytes holds.
GRIBFILE* BuildDirectory(uint8_t* block, uint32_t size, int64_t fileSize) {
    struct RawNode {
        int32_t count;
        uint32_t entriesAt;
        int32_t first;  // index of its first entry
        std::string prefix;
    };
    struct RawEntry {
        uint32_t nameAt;
        uint32_t dataAt;
        uint8_t flags;
        int32_t target;  // node index (directory) or info index (file); -1 when left out
    };
    const GribBytes bytes{block, size};

    std::vector<RawNode> nodes;
    std::vector<RawEntry> entries;
    std::vector<GribFileInfo> infos;
    std::string skipped;  // the left-out paths, each 0-terminated
    int32_t skippedCount = 0;
    std::unordered_set<uint32_t> seen;
    // Entry arrays that don't overlap can't hold more entries than this.
    const uint64_t maxEntries = (size - 20) / 9;

    auto addNode = [&](uint32_t at, std::string prefix) -> int32_t {
        if (!bytes.Has(at, 8) || !seen.insert(at).second) return -1;
        RawNode n{bytes.I32(at), bytes.U32(at + 4), 0, std::move(prefix)};
        if (n.count < 0) n.count = 0;
        if (n.count > 0 && (!bytes.Has(n.entriesAt, static_cast<uint64_t>(n.count) * 9) ||
                            entries.size() + static_cast<uint64_t>(n.count) > maxEntries))
            return -1;
        n.first = static_cast<int32_t>(entries.size());
        for (int32_t i = 0; i < n.count; ++i) {
            uint64_t e = n.entriesAt + static_cast<uint64_t>(i) * 9;
            entries.push_back(RawEntry{bytes.U32(e), bytes.U32(e + 4), bytes.U8(e + 8), -1});
        }
        nodes.push_back(std::move(n));
        return static_cast<int32_t>(nodes.size() - 1);
    };
    if (addNode(bytes.U32(16), "") < 0) return nullptr;
    // Breadth-first, so deep trees need no deep recursion.
    for (size_t n = 0; n < nodes.size(); ++n) {
        const int32_t first = nodes[n].first, count = nodes[n].count;
        for (int32_t i = 0; i < count; ++i) {
            RawEntry& e = entries[static_cast<size_t>(first + i)];
            if (e.nameAt >= size || !std::memchr(block + e.nameAt, 0, size - e.nameAt)) return nullptr;
            const char* name = reinterpret_cast<const char*>(block + e.nameAt);
            if (!GRIB_IsEntryName(name)) {
                skipped += nodes[n].prefix + name;
                skipped += '\0';
                ++skippedCount;
                continue;
            }
            if (e.flags & GRIB_ENTRY_DIRECTORY) {
                int32_t child = addNode(e.dataAt, nodes[n].prefix + name + "\\");
                if (child < 0) return nullptr;
                entries[static_cast<size_t>(first + i)].target = child;
            } else {
                if (!bytes.Has(e.dataAt, 8)) return nullptr;
                GribFileInfo info{bytes.U32(e.dataAt), bytes.U32(e.dataAt + 4)};
                const int64_t held = fileSize > info.dataOffset ? fileSize - info.dataOffset : 0;
                if (info.length > held) info.length = static_cast<uint32_t>(held);
                infos.push_back(info);
                e.target = static_cast<int32_t>(infos.size() - 1);
            }
        }
    }

    auto* dir = static_cast<GRIBFILE*>(GRIB_Alloc("GRIBFILE directory", sizeof(GRIBFILE)));
    if (!dir) return nullptr;
    *dir = GRIBFILE{};
    size_t kept = 0;
    for (const RawEntry& r : entries) kept += r.target >= 0;
    dir->nodes = static_cast<GribNode*>(GRIB_Alloc("GRIBFILE nodes", nodes.size() * sizeof(GribNode)));
    dir->entries = static_cast<GribEntry*>(GRIB_Alloc("GRIBFILE entries", kept * sizeof(GribEntry)));
    dir->infos = static_cast<GribFileInfo*>(GRIB_Alloc("GRIBFILE file info", infos.size() * sizeof(GribFileInfo)));
    dir->skipped = static_cast<char*>(GRIB_Alloc("GRIBFILE skipped", skipped.size() + 1));
    if (!dir->nodes || (kept && !dir->entries) || !dir->infos || !dir->skipped) {
        FreeDirectory(dir);
        return nullptr;
    }
    dir->nodeCount = static_cast<int32_t>(nodes.size());
    dir->entryCount = static_cast<int32_t>(kept);
    dir->infoCount = static_cast<int32_t>(infos.size());
    dir->skippedCount = skippedCount;
    std::memcpy(dir->skipped, skipped.c_str(), skipped.size() + 1);
    if (!infos.empty()) std::memcpy(dir->infos, infos.data(), infos.size() * sizeof(GribFileInfo));
    size_t out = 0;
    for (size_t n = 0; n < nodes.size(); ++n) {
        GribNode& node = dir->nodes[n];
        node.entries = dir->entries ? dir->entries + out : nullptr;
        node.count = 0;
        for (int32_t i = 0; i < nodes[n].count; ++i) {
            const RawEntry& r = entries[static_cast<size_t>(nodes[n].first + i)];
            if (r.target < 0) continue;
            GribEntry& e = dir->entries[out++];
            e.name = reinterpret_cast<const char*>(block + r.nameAt);
            // The shadowed bit has no meaning on disk.
            e.flags = static_cast<uint8_t>(r.flags & ~GRIB_ENTRY_SHADOWED);
            bool isDir = r.flags & GRIB_ENTRY_DIRECTORY;
            e.node = isDir ? &dir->nodes[r.target] : nullptr;
            e.info = isDir ? nullptr : &dir->infos[r.target];
            ++node.count;
        }
        if (!node.count) node.entries = nullptr;
    }
    dir->block = block;
    dir->size = size;
    dir->root = &dir->nodes[0];
    return dir;
}

// Finds one component (length bytes of name) among the node's entries,
// from the last to the first.
GribEntry* FindInNode(GribNode* node, const char* name, size_t length) {
    if (!node || length == 0) return nullptr;
    for (int32_t i = node->count - 1; i >= 0; --i) {
        GribEntry* e = &node->entries[i];
        size_t k = 0;
        while (k < length && e->name[k] && GRIB_UpperName(e->name[k]) == GRIB_UpperName(name[k])) ++k;
        if (k == length && e->name[k] == 0) return e;
    }
    return nullptr;
}

}  // namespace

int GRIB_IsEntryName(const char* name) {
    if (!name || !*name || !std::strcmp(name, ".") || !std::strcmp(name, "..")) return 0;
    return std::strpbrk(name, "\\/:") ? 0 : 1;
}

uint8_t GRIB_DeriveKey(uint8_t k) {
    if (k == 0) return 0;
    return static_cast<uint8_t>(~(((k << 2) | (k >> 6)) & 0xFF));
}

void GRIB_Unscramble(void* buffer, int32_t count, uint8_t key, uint32_t firstOffset) {
    if (key == 0 || !buffer || count <= 0) return;
    auto* p = static_cast<uint8_t*>(buffer);
    // Both NOTs and the key fold into one mask per offset; the low byte of
    // the offset simply counts on.
    uint8_t mask = static_cast<uint8_t>(~key);
    uint8_t at = static_cast<uint8_t>(firstOffset);
    for (int32_t i = 0; i < count; ++i, ++at) p[i] = static_cast<uint8_t>(p[i] ^ at ^ mask);
}

OPENGRIBFILE* GRIB_OpenArchive(const char* path, int keepOpen) {
    // Archive paths come from the command line too, so they may be longer
    // than the program's own paths.
    if (!path || std::strlen(path) >= GRIB_ARCHIVE_PATH_MAX) return nullptr;
    std::string diskPath;
    if (!gribdisk::Resolve(path, diskPath, false)) return nullptr;
    FILE* f = std::fopen(diskPath.c_str(), "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    auto* a = static_cast<OPENGRIBFILE*>(GRIB_Alloc("OPENGRIBFILE structure", sizeof(OPENGRIBFILE)));
    if (!a) {
        std::fclose(f);
        return nullptr;
    }
    std::memset(a, 0, sizeof *a);
    a->stream = f;
    a->cachedPosition = -1;
    a->keepOpen = keepOpen ? 1 : 0;
    auto reject = [&]() -> OPENGRIBFILE* {
        if (a->stream) std::fclose(a->stream);
        GRIB_Free(a);
        return nullptr;
    };

#ifdef _WIN32
    char fullBuffer[GRIB_ARCHIVE_PATH_MAX];
    DWORD fullLength = GetFullPathNameA(diskPath.c_str(), sizeof fullBuffer, fullBuffer, nullptr);
    if (fullLength == 0 || fullLength >= sizeof fullBuffer) return reject();
    std::string full(fullBuffer, fullLength);
#else
    std::string full = diskPath;
    if (full[0] != '/') {
        char cwd[GRIB_ARCHIVE_PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return reject();
        full = std::string(cwd) + "/" + diskPath;
    }
#endif
    if (full.size() >= sizeof a->fullPath) return reject();
    std::memcpy(a->fullPath, full.c_str(), full.size() + 1);
    std::strncpy(a->name, path, sizeof a->name - 1);

    const int64_t fileSize = st.st_size;
    uint8_t header[20];
    if (fileSize < static_cast<int64_t>(sizeof header) || !ReadExact(f, 0, header, sizeof header)) return reject();
    const GribBytes head{header, sizeof header};
    if (std::memcmp(header, "GRIB", 4) != 0 || head.U32(4) != 0x00010000) return reject();

    char trailer[kTrailerSize];
    if (fileSize < static_cast<int64_t>(kTrailerSize) ||
        !ReadExact(f, fileSize - static_cast<int64_t>(kTrailerSize), trailer, kTrailerSize))
        return reject();
    std::memcpy(trailer + 10, "0000", 4);
    if (std::memcmp(trailer, kTrailer, kTrailerSize) != 0) return reject();

    uint32_t size = head.U32(8);
    if (size < 20 || size > fileSize) return reject();
    auto* block = static_cast<uint8_t*>(GRIB_Alloc("GRIBFILE header", size));
    if (!block) return reject();
    if (!ReadExact(f, 0, block, size)) {
        GRIB_Free(block);
        return reject();
    }
    block[12] = GRIB_DeriveKey(block[12]);
    GRIB_Unscramble(block + 20, static_cast<int32_t>(size - 20), block[12], 20);
    a->directory = BuildDirectory(block, size, fileSize);
    if (!a->directory) {
        GRIB_Free(block);
        return reject();
    }
    if (!a->keepOpen) {
        std::fclose(a->stream);
        a->stream = nullptr;
    }
    return a;
}

void GRIB_CloseArchive(OPENGRIBFILE* archive) {
    if (!archive) return;
    if (archive->stream) std::fclose(archive->stream);
    FreeDirectory(archive->directory);
    GRIB_Free(archive);
}

GribNode* GRIB_LookupDirectory(GRIBFILE* directory, const char* dirPart, size_t length) {
    if (!directory || !dirPart) return nullptr;
    GribNode* node = directory->root;
    size_t start = 0;
    while (start < length) {
        const char* slash = static_cast<const char*>(std::memchr(dirPart + start, '\\', length - start));
        if (!slash) return nullptr;  // a directory part ends with a backslash
        size_t end = static_cast<size_t>(slash - dirPart);
        GribEntry* e = FindInNode(node, dirPart + start, end - start);
        if (!e || !(e->flags & GRIB_ENTRY_DIRECTORY)) return nullptr;
        node = e->node;
        start = end + 1;
    }
    return node;
}

GribEntry* GRIB_LookupPath(GRIBFILE* directory, const char* path) {
    if (!directory || !path) return nullptr;
    const char* last = std::strrchr(path, '\\');
    size_t dirLength = last ? static_cast<size_t>(last - path + 1) : 0;
    GribNode* node = GRIB_LookupDirectory(directory, path, dirLength);
    if (!node) return nullptr;
    return FindInNode(node, path + dirLength, std::strlen(path + dirLength));
}
