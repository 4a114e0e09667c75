// Placeholder: disk-only file operations, replaced by the full file system.
#include "grib/vfs/vfs.h"

#include <cstring>
#include <string>

#include "grib/env/env.h"

namespace {
std::string DiskPath(const char* path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}
FileHandle* OpenMode(const char* path, const char* mode) {
    if (!path || std::strlen(path) > GRIB_MAX_PATH) return nullptr;
    FILE* f = std::fopen(DiskPath(path).c_str(), mode);
    if (!f) return nullptr;
    auto* h = static_cast<FileHandle*>(GRIB_Alloc("File Handle", sizeof(FileHandle)));
    if (!h) { std::fclose(f); return nullptr; }
    *h = FileHandle{f, nullptr, nullptr, 0};
    return h;
}
}  // namespace

FileHandle* GRIB_Open(const char* path) { return OpenMode(path, "rb"); }
FileHandle* GRIB_OpenAppend(const char* path) { return OpenMode(path, "a+b"); }
int32_t GRIB_Close(FileHandle* h) {
    int32_t r = h->stream ? std::fclose(h->stream) : 0;
    GRIB_Free(h);
    return r;
}
int32_t GRIB_Seek(FileHandle* h, int32_t offset) {
    if (offset == -1 ? std::fseek(h->stream, 0, SEEK_END) : std::fseek(h->stream, offset, SEEK_SET)) return -1;
    return static_cast<int32_t>(std::ftell(h->stream));
}
int32_t GRIB_Read(FileHandle* h, void* buffer, int32_t count) {
    return count <= 0 ? 0 : static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), h->stream));
}
int32_t GRIB_Write(FileHandle* h, const void* buffer, int32_t count) {
    if (!h->stream) return -1;
    return count <= 0 ? 0 : static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), h->stream));
}
int32_t GRIB_Length(FileHandle* h) {
    long here = std::ftell(h->stream);
    std::fseek(h->stream, 0, SEEK_END);
    long end = std::ftell(h->stream);
    std::fseek(h->stream, here, SEEK_SET);
    return static_cast<int32_t>(end);
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
    int32_t n = GRIB_Length(h);
    void* block = nullptr;
    if (n > 0 && GRIB_Seek(h, 0) != -1) {
        const char* name = std::strrchr(path, '\\');
        block = GRIB_Alloc(name ? name + 1 : path, static_cast<size_t>(n));
        if (block && GRIB_Read(h, block, n) < 1) { GRIB_Free(block); block = nullptr; }
    }
    GRIB_Close(h);
    if (block && outLength) *outLength = n;
    return block;
}
void* GRIB_LoadInto(const char* path, void* buffer, int32_t bufferSize) {
    FileHandle* h = GRIB_Open(path);
    if (!h) return nullptr;
    int32_t n = GRIB_Length(h);
    bool ok = n > 0 && n <= bufferSize && GRIB_Seek(h, 0) != -1 && GRIB_Read(h, buffer, n) > 0;
    GRIB_Close(h);
    return ok ? buffer : nullptr;
}
intptr_t GRIB_FindFirst(const char*, FindData*) { return -1; }
int32_t GRIB_FindNext(intptr_t, FindData*) { return -1; }
int32_t GRIB_FindClose(intptr_t) { return -1; }
int GRIB_WildMatch(const char*, const char*) { return 0; }
int GRIB_MountArchive(const char*, int) { return 0; }
int32_t GRIB_RefreshShadows() { return -1; }
