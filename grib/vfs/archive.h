// Archives: the on-disk format's checks, key and transform, and the
// directory tree in memory. The tree keeps native records that point into
// the unscrambled directory block instead of overwriting its 4-byte offsets.
#pragma once

#include <cstdint>
#include <cstdio>

struct FileHandle;

// Offset and length of a file's data, as stored in its file-info record.
struct GribFileInfo {
    uint32_t dataOffset;
    uint32_t length;
};

struct GribNode;

enum : uint8_t {
    GRIB_ENTRY_DIRECTORY = 0x01,
    GRIB_ENTRY_SHADOWED = 0x02,  // in memory only, set by the shadow pass
};

struct GribEntry {
    const char* name;          // 0-terminated, inside the directory block
    GribNode* node;            // directory entries: the node it leads to
    const GribFileInfo* info;  // file entries
    uint8_t flags;
};

struct GribNode {
    int32_t count;
    GribEntry* entries;
};

struct GRIBFILE {
    uint8_t* block;   // tagged "GRIBFILE header": the unscrambled directory block
    uint32_t size;    // directory size
    GribNode* root;
    // Native records of the tree (tagged blocks).
    GribNode* nodes;
    int32_t nodeCount;
    GribEntry* entries;
    int32_t entryCount;
    GribFileInfo* infos;
    int32_t infoCount;
    // Paths of the entries left out of the tree because their names would
    // not stay one path component: skippedCount 0-terminated texts in a row.
    char* skipped;
    int32_t skippedCount;
};

enum { GRIB_ARCHIVE_PATH_MAX = 4096 };

struct OPENGRIBFILE {
    FILE* stream;             // null while the archive is closed
    int64_t cachedPosition;   // -1 forces a seek before the next read
    GRIBFILE* directory;
    uint32_t openCount;
    uint32_t keepOpen;
    char fullPath[GRIB_ARCHIVE_PATH_MAX];  // absolute path, used to reopen
    char name[256];           // the path as given to the mount
};

// Working key: the byte at offset 12 of the directory block in memory.
inline uint8_t GRIB_ArchiveKey(const OPENGRIBFILE* archive) { return archive->directory->block[12]; }

// Entries are left out of the tree (with what they hold) unless their name
// is one path component (GRIB_IsEntryName); a file's length is cut to the
// bytes the archive holds.
OPENGRIBFILE* GRIB_OpenArchive(const char* path, int keepOpen);
// 1 when a name from an archive or a disk listing can extend a path: not
// empty, not "." or "..", no backslash, slash or drive colon.
int GRIB_IsEntryName(const char* name);
// Closes the stream and releases the record and its directory.
void GRIB_CloseArchive(OPENGRIBFILE* archive);
uint8_t GRIB_DeriveKey(uint8_t headerKey);
void GRIB_Unscramble(void* buffer, int32_t count, uint8_t workingKey, uint32_t firstOffset);

// The entry a backslash-separated path names inside one archive (the later
// of equal names wins), or null.
GribEntry* GRIB_LookupPath(GRIBFILE* directory, const char* path);
// Opens one file entry of an archive (the entry itself, not what its path
// finds); null for directories.
FileHandle* GRIB_OpenArchiveEntry(OPENGRIBFILE* archive, const GribEntry* entry);

// The directory node a directory part ("" or "a\\b\\") names, or null.
GribNode* GRIB_LookupDirectory(GRIBFILE* directory, const char* dirPart, size_t length);
