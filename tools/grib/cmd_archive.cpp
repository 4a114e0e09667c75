// grib archive: list, read, extract and pack archives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"
#include "tools/grib/common.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: grib archive list ARCHIVE\n"
    "       grib archive cat ARCHIVE PATH\n"
    "       grib archive extract ARCHIVE DIR\n"
    "       grib archive pack OUT DIR [--key K]\n"
    "\n"
    "list     every entry from the root, in stored order: 'd <path>' for a\n"
    "         directory (then its contents), 'f <length> <path>' for a file;\n"
    "         the length is what the archive holds\n"
    "cat      the unscrambled bytes of one file (found as the file system finds\n"
    "         it: letter case ignored, the later of equal names wins)\n"
    "extract  writes every file below DIR\n"
    "list and extract skip entries whose names are not one path component\n"
    "(empty, '.', '..', or holding '\\', '/' or ':'), with a note on standard\n"
    "error; the file system leaves them out too\n"
    "pack     builds an archive from the tree below DIR; entries of each\n"
    "         directory sorted by upper-cased name; K is the header key byte\n"
    "         (0-255, decimal or 0x hex, default 0)\n";

struct ArchiveCloser {
    OPENGRIBFILE* a;
    ~ArchiveCloser() { GRIB_CloseArchive(a); }
};

int Open(const char* path, OPENGRIBFILE*& out) {
    struct stat st;
    if (stat(ToolDiskPath(path).c_str(), &st) != 0) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", path);
    out = GRIB_OpenArchive(path, 1);
    if (!out) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid archive", path);
    return GRIB_EXIT_OK;
}

// The entries the archive reader left out of the tree.
void ReportSkipped(const char* archivePath, const GRIBFILE* dir) {
    const char* name = dir->skipped;
    for (int32_t i = 0; i < dir->skippedCount; ++i, name += std::strlen(name) + 1)
        std::fprintf(stderr, "grib: %s: skipped unsafe name '%s'\n", archivePath, name);
}

// Depth-first over the tree in stored order, without recursion (trees may
// be deep).
template <typename Visit>
void Walk(GRIBFILE* dir, Visit visit) {
    struct Frame {
        GribNode* node;
        int32_t next;
        std::string prefix;
    };
    std::vector<Frame> stack{{dir->root, 0, ""}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next >= f.node->count) {
            stack.pop_back();
            continue;
        }
        GribEntry& e = f.node->entries[f.next++];
        std::string path = f.prefix + e.name;
        visit(e, path);
        if (e.flags & GRIB_ENTRY_DIRECTORY) stack.push_back({e.node, 0, path + "\\"});
    }
}

int List(const char* archivePath) {
    OPENGRIBFILE* a = nullptr;
    if (int rc = Open(archivePath, a)) return rc;
    ArchiveCloser closer{a};
    ReportSkipped(archivePath, a->directory);
    Walk(a->directory, [](GribEntry& e, const std::string& path) {
        if (e.flags & GRIB_ENTRY_DIRECTORY) std::printf("d %s\n", path.c_str());
        else std::printf("f %u %s\n", e.info->length, path.c_str());
    });
    return GRIB_EXIT_OK;
}

bool CopyOut(FileHandle* h, FILE* out) {
    char buf[65536];
    int32_t n;
    while ((n = GRIB_Read(h, buf, sizeof buf)) > 0)
        if (std::fwrite(buf, 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) return false;
    return true;
}

int Cat(const char* archivePath, const char* path) {
    OPENGRIBFILE* a = nullptr;
    if (int rc = Open(archivePath, a)) return rc;
    ArchiveCloser closer{a};
    std::string p(path);
    for (char& c : p)
        if (c == '/') c = '\\';
    FileHandle* h = GRIB_OpenArchiveFile(a, p.c_str());
    if (!h) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found in %s", path, archivePath);
    bool ok = CopyOut(h, stdout);
    GRIB_Close(h);
    if (!ok || std::fflush(stdout) != 0) return ToolFail(GRIB_EXIT_BAD_INPUT, "cannot write the output");
    return GRIB_EXIT_OK;
}

// Makes dir (below an existing, trusted root) unless it exists; refuses to
// go through links, which could lead out of the target folder.
#ifdef _WIN32
bool MakeDir(const std::string& dir) {
    if (mkdir(dir.c_str()) == 0) return true;
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY;
#else
bool MakeDir(const std::string& dir) {
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    struct stat st;
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW;
#endif

int Extract(const char* archivePath, const char* target) {
    OPENGRIBFILE* a = nullptr;
    if (int rc = Open(archivePath, a)) return rc;
    ArchiveCloser closer{a};
    ReportSkipped(archivePath, a->directory);
    std::string root = ToolDiskPath(target);
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root)) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot create the folder", target);
    int status = GRIB_EXIT_OK;
    Walk(a->directory, [&](GribEntry& e, const std::string& path) {
        if (status != GRIB_EXIT_OK) return;
        std::string out = root + "/" + ToolDiskPath(path);
        if (e.flags & GRIB_ENTRY_DIRECTORY) {
            if (!MakeDir(out)) status = ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot create the folder", out.c_str());
            return;
        }
        int fd = open(out.c_str(), kCreateFlags, 0666);
        FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (!f) {
            if (fd >= 0) close(fd);
            status = ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot write", out.c_str());
            return;
        }
        FileHandle* h = GRIB_OpenArchiveEntry(a, &e);
        bool ok = h && CopyOut(h, f);
        if (h) GRIB_Close(h);
        if (std::fclose(f) != 0 || !ok) status = ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot write", out.c_str());
    });
    return status;
}

bool ParseKey(const char* text, uint8_t& key) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (!*text || *end || v < 0 || v > 255) return false;
    key = static_cast<uint8_t>(v);
    return true;
}

int Pack(int argc, char** argv) {
    const char* out = nullptr;
    const char* dir = nullptr;
    uint8_t key = 0;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--key")) {
            if (i + 1 >= argc || !ParseKey(argv[++i], key))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "--key needs a number from 0 to 255");
        } else if (!out) {
            out = argv[i];
        } else if (!dir) {
            dir = argv[i];
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "archive pack: unexpected argument '%s'", argv[i]);
        }
    }
    if (!out || !dir) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib archive pack OUT DIR [--key K]");
    fs::path root = ToolDiskPath(dir);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no such folder", dir);
    std::vector<KitArchiveFile> files;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string rel = fs::relative(it->path(), root, ec).generic_string();
        for (char& c : rel)
            if (c == '/') c = '\\';
        if (it->is_directory(ec)) {
            files.push_back({rel + "\\", {}});
        } else if (it->is_regular_file(ec)) {
            KitArchiveFile f{rel, {}};
            if (!ToolReadFile(it->path().string(), f.data))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot read", it->path().string().c_str());
            files.push_back(std::move(f));
        }
    }
    if (ec) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot read the folder", dir);
    if (!KitWriteArchive(ToolDiskPath(out), files, key)) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot write", out);
    return GRIB_EXIT_OK;
}

}  // namespace

int GribCmd_Archive(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc < 2) return ToolUsageError(kUsage);
    const char* sub = argv[1];
    if (!std::strcmp(sub, "list") && argc == 3) return List(argv[2]);
    if (!std::strcmp(sub, "cat") && argc == 4) return Cat(argv[2], argv[3]);
    if (!std::strcmp(sub, "extract") && argc == 4) return Extract(argv[2], argv[3]);
    if (!std::strcmp(sub, "pack")) return Pack(argc - 2, argv + 2);
    return ToolUsageError(kUsage);
}
