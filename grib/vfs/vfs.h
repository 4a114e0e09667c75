// The merged read-only file system: the disk first, then every mounted
// archive in mount order. Paths are relative, backslash-separated and
// compared without regard to ASCII case.
#pragma once

#include <cstdint>
#include <cstdio>

struct OPENGRIBFILE;
struct GribFileInfo;

struct FileHandle {
    FILE* stream;                  // disk file, or null for an archive file
    OPENGRIBFILE* archive;         // null for a disk file
    const GribFileInfo* fileInfo;  // the file's data offset and length inside the archive
    uint32_t position;             // read position inside an archive file
};

enum : uint32_t {
    GRIB_ATTR_READONLY = 0x01,
    GRIB_ATTR_DIRECTORY = 0x10,
    GRIB_ATTR_NORMAL = 0x20,
};

struct FindData {
    uint32_t attributes;
    uint32_t creationTime;
    uint32_t lastAccessTime;
    uint32_t lastWriteTime;
    uint32_t size;
    char name[260];
};

// Longest path the file system accepts; longer ones are rejected.
enum { GRIB_MAX_PATH = 255 };

FileHandle* GRIB_Open(const char* path);
FileHandle* GRIB_OpenAppend(const char* path);
int32_t GRIB_Close(FileHandle* handle);
int32_t GRIB_Seek(FileHandle* handle, int32_t offset);  // -1 = to the end
int32_t GRIB_Read(FileHandle* handle, void* buffer, int32_t count);
int32_t GRIB_Write(FileHandle* handle, const void* buffer, int32_t count);
int32_t GRIB_Length(FileHandle* handle);

int32_t GRIB_FileSize(const char* path);
void* GRIB_ReadAt(const char* path, void* buffer, int32_t offset, int32_t count);
// A new tagged block holding the whole file; *outLength is -1 on failure.
void* GRIB_LoadFile(const char* path, int32_t* outLength = nullptr);
// Reads the whole file into buffer, which holds bufferSize bytes; fails
// (null) when the file is longer than the buffer.
void* GRIB_LoadInto(const char* path, void* buffer, int32_t bufferSize);

// Enumeration: the handle is a FindFiles record as an integer, or -1.
intptr_t GRIB_FindFirst(const char* pattern, FindData* data);
int32_t GRIB_FindNext(intptr_t find, FindData* data);
int32_t GRIB_FindClose(intptr_t find);
int GRIB_WildMatch(const char* name, const char* pattern);
// Which source reported the enumeration's last result: -1 for the disk,
// else the index of the archive in the mount list.
int32_t GRIB_FindSource(intptr_t find);

// 1 when a path built from the game's data stays inside the game folder:
// relative (no leading separator, no drive colon) and never climbing above
// where it starts. Such paths that fail are treated as missing files; paths
// a user types are not checked.
int GRIB_IsGamePath(const char* path);

int GRIB_MountArchive(const char* path, int keepOpen);
int32_t GRIB_RefreshShadows();

// Releases every mounted archive and empties the mount list. For tests and
// the tool between runs; the viewer keeps its archives until it ends.
void GRIB_ResetMounts();
// Opens a file inside one archive only (the disk and the mount list are not
// consulted); null when the path names no file there.
FileHandle* GRIB_OpenArchiveFile(OPENGRIBFILE* archive, const char* path);
