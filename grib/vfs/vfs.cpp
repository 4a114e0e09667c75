#include "grib/vfs/vfs.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/vfs/archive.h"
#include "grib/vfs/disk.h"

namespace {

struct DiskSearch {
    std::vector<FindData> results;
    size_t next = 0;
};

struct FindFiles {
    char directoryPart[256];
    char namePart[256];
    int32_t source;       // -1 while the disk is enumerated, else a mount index
    DiskSearch* disk;     // while source is -1
    GribNode* node;       // the archive node of the directory part
    int32_t entryIndex;   // last entry reported from node, -1 before the first
};

bool PathFits(const char* path) { return path && std::strlen(path) <= GRIB_MAX_PATH; }

FileHandle* NewHandle() {
    auto* h = static_cast<FileHandle*>(GRIB_Alloc("File Handle", sizeof(FileHandle)));
    if (h) *h = FileHandle{nullptr, nullptr, nullptr, 0};
    return h;
}

FILE* OpenDisk(const char* path, bool append) {
    std::string disk;
    if (!gribdisk::Resolve(path, disk, append)) return nullptr;
    struct stat st;
    // fopen accepts a directory on this platform; the file system doesn't.
    if (stat(disk.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    return std::fopen(disk.c_str(), append ? "a+b" : "rb");
}

// Binds a handle to a file entry of an archive, reopening its stream on demand.
FileHandle* BindArchiveFile(FileHandle* h, OPENGRIBFILE* a, const GribEntry* e) {
    if (!a->stream) {
        a->stream = std::fopen(a->fullPath, "rb");
        if (!a->stream) return nullptr;
        a->cachedPosition = 0;
    }
    ++a->openCount;
    h->archive = a;
    h->fileInfo = e->info;
    h->position = 0;
    return h;
}

FileHandle* OpenPath(const char* path, bool append) {
    if (!PathFits(path)) return nullptr;
    FileHandle* h = NewHandle();
    if (!h) return nullptr;
    if (FILE* f = OpenDisk(path, append)) {
        h->stream = f;
        return h;
    }
    GribEnvironment* env = GRIB_GetEnvironment();
    for (int32_t i = 0; i < env->mountCount; ++i) {
        OPENGRIBFILE* a = env->mounts[i];
        if (!a) continue;
        GribEntry* e = GRIB_LookupPath(a->directory, path);
        if (!e || (e->flags & GRIB_ENTRY_DIRECTORY)) continue;
        if (BindArchiveFile(h, a, e)) return h;
        break;
    }
    GRIB_Free(h);
    return nullptr;
}

// Bytes of an archive file that actually exist in the archive file.
int64_t AvailableLength(const FileHandle* h) {
    struct stat st;
    if (!h->archive->stream || fstat(fileno(h->archive->stream), &st) != 0) return 0;
    int64_t avail = static_cast<int64_t>(st.st_size) - h->fileInfo->dataOffset;
    return std::clamp<int64_t>(avail, 0, h->fileInfo->length);
}

void FillFromEntry(FindData& data, const GribEntry& e) {
    data = FindData{};
    bool dir = e.flags & GRIB_ENTRY_DIRECTORY;
    data.attributes = dir ? (GRIB_ATTR_DIRECTORY | GRIB_ATTR_READONLY) : GRIB_ATTR_READONLY;
    data.size = dir ? 0 : e.info->length;
    gribdisk::SetName(data, e.name);
}

// The archive phase of an enumeration: the next unshadowed match in the
// mount list from the record's position on. 0 when found, -1 at the end.
int32_t NextFromArchives(FindFiles* ff, FindData* data) {
    GribEnvironment* env = GRIB_GetEnvironment();
    for (; ff->source < env->mountCount; ++ff->source, ff->entryIndex = -1) {
        OPENGRIBFILE* a = env->mounts[ff->source];
        if (!a) continue;
        if (ff->entryIndex == -1) {
            ff->node = GRIB_LookupDirectory(a->directory, ff->directoryPart, std::strlen(ff->directoryPart));
            if (!ff->node) continue;
        }
        for (int32_t i = ff->entryIndex + 1; i < ff->node->count; ++i) {
            const GribEntry& e = ff->node->entries[i];
            if (e.flags & GRIB_ENTRY_SHADOWED) continue;
            if (!GRIB_WildMatch(e.name, ff->namePart)) continue;
            ff->entryIndex = i;
            FillFromEntry(*data, e);
            return 0;
        }
    }
    return -1;
}

void EndDiskPhase(FindFiles* ff) {
    delete ff->disk;
    ff->disk = nullptr;
    ff->source = 0;
    ff->entryIndex = -1;
    ff->node = nullptr;
}

FindFiles* FromHandle(intptr_t find) {
    if (find == -1 || find == 0) return nullptr;
    return reinterpret_cast<FindFiles*>(find);
}

void ShadowWalk(const std::string& prefix, int32_t& lastClose) {
    std::string pattern = prefix + "*";
    if (pattern.size() > GRIB_MAX_PATH) return;
    FindData data;
    intptr_t find = GRIB_FindFirst(pattern.c_str(), &data);
    if (find == -1) return;
    GribEnvironment* env = GRIB_GetEnvironment();
    do {
        if (!GRIB_IsEntryName(data.name)) continue;
        if (data.attributes & GRIB_ATTR_DIRECTORY) {
            ShadowWalk(prefix + data.name + "\\", lastClose);
            continue;
        }
        std::string path = prefix + data.name;
        if (path.size() > GRIB_MAX_PATH) continue;
        int32_t source = FromHandle(find)->source;
        for (int32_t t = source + 1; t < env->mountCount; ++t) {
            OPENGRIBFILE* a = env->mounts[t];
            if (!a) continue;
            GribEntry* e = GRIB_LookupPath(a->directory, path.c_str());
            if (e && !(e->flags & GRIB_ENTRY_DIRECTORY)) e->flags |= GRIB_ENTRY_SHADOWED;
        }
    } while (GRIB_FindNext(find, &data) == 0);
    lastClose = GRIB_FindClose(find);
}

}  // namespace

FileHandle* GRIB_Open(const char* path) { return OpenPath(path, false); }
FileHandle* GRIB_OpenAppend(const char* path) { return OpenPath(path, true); }

FileHandle* GRIB_OpenArchiveFile(OPENGRIBFILE* archive, const char* path) {
    if (!archive || !PathFits(path)) return nullptr;
    return GRIB_OpenArchiveEntry(archive, GRIB_LookupPath(archive->directory, path));
}

FileHandle* GRIB_OpenArchiveEntry(OPENGRIBFILE* archive, const GribEntry* e) {
    if (!archive || !e || (e->flags & GRIB_ENTRY_DIRECTORY)) return nullptr;
    FileHandle* h = NewHandle();
    if (!h) return nullptr;
    if (BindArchiveFile(h, archive, e)) return h;
    GRIB_Free(h);
    return nullptr;
}

int32_t GRIB_Close(FileHandle* h) {
    if (!h) return -1;
    int32_t result = 0;
    if (h->archive) {
        OPENGRIBFILE* a = h->archive;
        if (a->openCount > 0) --a->openCount;
        if (a->openCount == 0 && !a->keepOpen && a->stream) {
            result = std::fclose(a->stream);
            a->stream = nullptr;
        }
    } else if (h->stream) {
        result = std::fclose(h->stream);
    }
    GRIB_Free(h);
    return result;
}

int32_t GRIB_Seek(FileHandle* h, int32_t offset) {
    if (!h) return -1;
    if (h->archive) {
        h->position = offset == -1 ? h->fileInfo->length : static_cast<uint32_t>(offset);
        return 0;
    }
    if (!h->stream) return -1;
    int rc = offset == -1 ? fseeko(h->stream, 0, SEEK_END) : fseeko(h->stream, offset, SEEK_SET);
    if (rc != 0) return -1;
    off_t at = ftello(h->stream);
    return at < 0 || at > INT32_MAX ? -1 : static_cast<int32_t>(at);
}

int32_t GRIB_Read(FileHandle* h, void* buffer, int32_t count) {
    if (!h || !buffer || count <= 0) return 0;
    if (!h->archive) {
        return h->stream ? static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), h->stream)) : 0;
    }
    OPENGRIBFILE* a = h->archive;
    int64_t left = static_cast<int64_t>(h->fileInfo->length) - h->position;
    int64_t n = std::min<int64_t>(count, left);
    if (n <= 0 || !a->stream) return 0;
    int64_t offset = static_cast<int64_t>(h->fileInfo->dataOffset) + h->position;
    if (a->cachedPosition != offset) {
        if (fseeko(a->stream, static_cast<off_t>(offset), SEEK_SET) != 0) {
            a->cachedPosition = -1;
            return 0;
        }
        a->cachedPosition = offset;
    }
    size_t got = std::fread(buffer, 1, static_cast<size_t>(n), a->stream);
    GRIB_Unscramble(buffer, static_cast<int32_t>(got), GRIB_ArchiveKey(a), static_cast<uint32_t>(offset));
    h->position += static_cast<uint32_t>(got);
    a->cachedPosition += static_cast<int64_t>(got);
    return static_cast<int32_t>(got);
}

int32_t GRIB_Write(FileHandle* h, const void* buffer, int32_t count) {
    if (!h || h->archive || !h->stream) return -1;
    if (!buffer || count <= 0) return 0;
    return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), h->stream));
}

int32_t GRIB_Length(FileHandle* h) {
    if (!h) return 0;
    if (h->archive) return static_cast<int32_t>(std::min<uint32_t>(h->fileInfo->length, INT32_MAX));
    if (!h->stream) return 0;
    std::fflush(h->stream);
    struct stat st;
    if (fstat(fileno(h->stream), &st) != 0) return 0;
    return st.st_size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(st.st_size);
}

int32_t GRIB_FileSize(const char* path) {
    FileHandle* h = GRIB_Open(path);
    if (!h) return 0;
    int32_t n = GRIB_Length(h);
    GRIB_Close(h);
    return n;
}

void* GRIB_ReadAt(const char* path, void* buffer, int32_t offset, int32_t count) {
    FileHandle* h = GRIB_Open(path);
    if (!h) return nullptr;
    bool ok = GRIB_Seek(h, offset) != -1 && GRIB_Read(h, buffer, count) > 0;
    GRIB_Close(h);
    return ok ? buffer : nullptr;
}

void* GRIB_LoadFile(const char* path, int32_t* outLength) {
    if (outLength) *outLength = -1;
    FileHandle* h = GRIB_Open(path);
    if (!h) return nullptr;
    int64_t n = GRIB_Length(h);
    // A stored length may promise more than the archive holds: allocate only
    // what can be read.
    if (h->archive) n = std::min<int64_t>(n, AvailableLength(h));
    void* block = nullptr;
    int32_t got = 0;
    if (n > 0 && GRIB_Seek(h, 0) != -1) {
        const char* name = std::strrchr(path, '\\');
        block = GRIB_Alloc(name ? name + 1 : path, static_cast<size_t>(n));
        if (block) {
            got = GRIB_Read(h, block, static_cast<int32_t>(n));
            if (got < 1) {
                GRIB_Free(block);
                block = nullptr;
            } else if (got < n) {
                // Never hand out bytes that were not read.
                if (void* smaller = GRIB_Realloc(block, nullptr, static_cast<size_t>(got))) block = smaller;
            }
        }
    }
    GRIB_Close(h);
    if (block && outLength) *outLength = got;
    return block;
}

void* GRIB_LoadInto(const char* path, void* buffer, int32_t bufferSize) {
    if (!buffer) return nullptr;
    FileHandle* h = GRIB_Open(path);
    if (!h) return nullptr;
    int32_t n = GRIB_Length(h);
    bool ok = n > 0 && n <= bufferSize && GRIB_Seek(h, 0) != -1 && GRIB_Read(h, buffer, n) > 0;
    GRIB_Close(h);
    return ok ? buffer : nullptr;
}

intptr_t GRIB_FindFirst(const char* pattern, FindData* data) {
    if (!PathFits(pattern) || !data) return -1;
    auto* ff = static_cast<FindFiles*>(GRIB_Alloc("Find Files structure", sizeof(FindFiles)));
    if (!ff) return -1;
    std::memset(ff, 0, sizeof *ff);
    const char* slash = std::strrchr(pattern, '\\');
    size_t dirLength = slash ? static_cast<size_t>(slash - pattern + 1) : 0;
    std::memcpy(ff->directoryPart, pattern, dirLength);
    std::strcpy(ff->namePart, std::strcmp(pattern + dirLength, "*.*") ? pattern + dirLength : "*");
    ff->source = -1;
    ff->entryIndex = -1;
    ff->disk = new (std::nothrow) DiskSearch;
    if (!ff->disk) {
        GRIB_Free(ff);
        return -1;
    }
    ff->disk->results = gribdisk::Find(pattern);
    if (!ff->disk->results.empty()) {
        *data = ff->disk->results[0];
        ff->disk->next = 1;
        return reinterpret_cast<intptr_t>(ff);
    }
    EndDiskPhase(ff);
    if (NextFromArchives(ff, data) == 0) return reinterpret_cast<intptr_t>(ff);
    GRIB_Free(ff);
    return -1;
}

int32_t GRIB_FindNext(intptr_t find, FindData* data) {
    FindFiles* ff = FromHandle(find);
    if (!ff || !data) return -1;
    if (ff->source == -1) {
        if (ff->disk && ff->disk->next < ff->disk->results.size()) {
            *data = ff->disk->results[ff->disk->next++];
            return 0;
        }
        EndDiskPhase(ff);
    }
    return NextFromArchives(ff, data);
}

int32_t GRIB_FindSource(intptr_t find) {
    FindFiles* ff = FromHandle(find);
    return ff ? ff->source : -1;
}

int32_t GRIB_FindClose(intptr_t find) {
    FindFiles* ff = FromHandle(find);
    if (!ff) return -1;
    delete ff->disk;
    GRIB_Free(ff);
    return 0;
}

int GRIB_WildMatch(const char* name, const char* pattern) {
    if (!name || !pattern) return 0;
    enum { kMaxStates = 100 };
    size_t states[kMaxStates];
    int count = 1;
    states[0] = 0;
    for (const char* n = name; *n; ++n) {
        char c = GRIB_UpperName(*n);
        for (int i = 0; i < count;) {
            char p = GRIB_UpperName(pattern[states[i]]);
            if (p == '*') {
                if (count < kMaxStates) states[count++] = states[i] + 1;
                ++i;
            } else if (p && (p == '?' || p == c)) {
                ++states[i];
                ++i;
            } else {
                if (count == 1) return 0;
                states[i] = states[--count];
            }
        }
    }
    size_t length = std::strlen(pattern);
    for (int i = 0; i < count; ++i) {
        if (states[i] == length) return 1;
        if (length > 0 && states[i] == length - 1 && pattern[states[i]] == '*') return 1;
    }
    return 0;
}

int GRIB_IsGamePath(const char* path) {
    if (!path || !*path || *path == '\\' || *path == '/' || std::strchr(path, ':')) return 0;
    int64_t depth = 0;
    const char* p = path;
    while (*p) {
        size_t n = std::strcspn(p, "\\/");
        if (n == 2 && p[0] == '.' && p[1] == '.') {
            if (--depth < 0) return 0;
        } else if (n && !(n == 1 && p[0] == '.')) {
            ++depth;
        }
        p += n;
        if (*p) ++p;
    }
    return 1;
}

int GRIB_MountArchive(const char* path, int keepOpen) {
    OPENGRIBFILE* a = GRIB_OpenArchive(path, keepOpen);
    if (!a) return 0;
    GribEnvironment* env = GRIB_GetEnvironment();
    auto* grown = static_cast<OPENGRIBFILE**>(
        GRIB_Realloc(env->mounts, "GRIBFILE array", static_cast<size_t>(env->mountCount + 1) * sizeof(OPENGRIBFILE*)));
    if (!grown) {
        GRIB_CloseArchive(a);
        return 0;
    }
    env->mounts = grown;
    env->mounts[env->mountCount++] = a;
    return 1;
}

void GRIB_ResetMounts() {
    GribEnvironment* env = GRIB_GetEnvironment();
    for (int32_t i = 0; i < env->mountCount; ++i) GRIB_CloseArchive(env->mounts[i]);
    GRIB_Free(env->mounts);
    env->mounts = nullptr;
    env->mountCount = 0;
}

int32_t GRIB_RefreshShadows() {
    GribEnvironment* env = GRIB_GetEnvironment();
    for (int32_t i = 0; i < env->mountCount; ++i) {
        OPENGRIBFILE* a = env->mounts[i];
        if (!a) continue;
        for (int32_t e = 0; e < a->directory->entryCount; ++e)
            a->directory->entries[e].flags &= static_cast<uint8_t>(~GRIB_ENTRY_SHADOWED);
    }
    int32_t lastClose = -1;
    ShadowWalk("", lastClose);
    return lastClose;
}
