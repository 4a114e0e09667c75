// grib vfs: the merged file system of a game folder, as the viewer sees it.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/datasources.h"
#include "grib/env/env.h"
#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"
#include "tools/grib/common.h"

namespace {

const char kUsage[] =
    "usage: grib vfs ls PATTERN [-C DIR]\n"
    "       grib vfs cat PATH [-C DIR]\n"
    "\n"
    "Both mount the data sources of DIR (default: the current folder) in the\n"
    "viewer's order and refresh the shadows first.\n"
    "ls   enumerates PATTERN ('*' and '?' wildcards); one line per result:\n"
    "     <source> <attributes, 2 hex digits> <size> <name>, where source is\n"
    "     'disk' or the archive's name as mounted\n"
    "cat  the bytes of PATH, found through the merged file system\n";

// Paths on the command line may use either separator; the file system
// wants backslashes.
std::string ProgramPath(const char* text) {
    std::string p(text);
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

int Ls(const std::string& pattern) {
    FindData data;
    intptr_t find = GRIB_FindFirst(pattern.c_str(), &data);
    if (find == -1) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no match", pattern.c_str());
    GribEnvironment* env = GRIB_GetEnvironment();
    do {
        int32_t source = GRIB_FindSource(find);
        const char* name = source < 0 ? "disk" : env->mounts[source]->name;
        std::printf("%s %02X %u %s\n", name, data.attributes, data.size, data.name);
    } while (GRIB_FindNext(find, &data) == 0);
    GRIB_FindClose(find);
    return GRIB_EXIT_OK;
}

int Cat(const std::string& path) {
    FileHandle* h = GRIB_Open(path.c_str());
    if (!h) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", path.c_str());
    char buf[65536];
    int32_t n;
    bool ok = true;
    while (ok && (n = GRIB_Read(h, buf, sizeof buf)) > 0)
        ok = std::fwrite(buf, 1, static_cast<size_t>(n), stdout) == static_cast<size_t>(n);
    GRIB_Close(h);
    if (!ok || std::fflush(stdout) != 0) return ToolFail(GRIB_EXIT_BAD_INPUT, "cannot write the output");
    return GRIB_EXIT_OK;
}

}  // namespace

int GribCmd_Vfs(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    const char* sub = argc > 1 ? argv[1] : "";
    const char* operand = nullptr;
    const char* dir = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-C")) {
            if (i + 1 >= argc) return ToolFail(GRIB_EXIT_BAD_INPUT, "-C needs a folder");
            dir = argv[++i];
        } else if (!operand) {
            operand = argv[i];
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "vfs: unexpected argument '%s'", argv[i]);
        }
    }
    bool ls = !std::strcmp(sub, "ls"), cat = !std::strcmp(sub, "cat");
    if ((!ls && !cat) || !operand) return ToolUsageError(kUsage);
    if (dir && chdir(ToolDiskPath(dir).c_str()) != 0) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no such folder", dir);
    MountDataSources();
    int rc = ls ? Ls(ProgramPath(operand)) : Cat(ProgramPath(operand));
    GRIB_ResetMounts();
    return rc;
}
