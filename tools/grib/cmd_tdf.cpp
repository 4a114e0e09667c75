// grib tdf: reading values from text data files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "grib/tdf/tdf.h"
#include "grib/vfs/vfs.h"
#include "tools/grib/common.h"

namespace {

const char kUsage[] =
    "usage: grib tdf get FILE KEY [--section NAME]... [--int | --float | --size N]\n"
    "\n"
    "Loads the text data file FILE, enters each --section in turn (each one\n"
    "level deeper than the one before) and prints the value of KEY in the\n"
    "section entered last (keys are only found inside a section, so give at\n"
    "least one). Names and keys ignore letter case. FILE is a disk path\n"
    "written with / or \\.\n"
    "\n"
    "  --section NAME  enter section NAME (repeat for nested sections)\n"
    "  --int           print the value as a decimal integer\n"
    "  --float         print the value as a floating-point number (%.17g)\n"
    "  --size N        print at most N characters of the value (default 255)\n"
    "\n"
    "Exit status: 0 printed, 1 file, section or key not found, 2 bad usage or\n"
    "an empty file.\n";

enum class Mode { String, Int, Float };

struct GetArgs {
    std::string file;
    std::string key;
    std::vector<std::string> sections;
    Mode mode = Mode::String;
    long size = 255;
};

int UsageError(const std::string& message) {
    return ToolFail(GRIB_EXIT_BAD_INPUT, "tdf: %s (see grib tdf --help)", message.c_str());
}

// 0 when parsed, else the exit status of a usage error.
int ParseGetArgs(int argc, char** argv, GetArgs& out) {
    std::vector<std::string> positional;
    int modes = 0;
    for (int i = 2; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--section") || !std::strcmp(a, "--size")) {
            if (i + 1 >= argc) return UsageError(std::string(a) + " needs a value");
            const char* v = argv[++i];
            if (!std::strcmp(a, "--section")) {
                out.sections.emplace_back(v);
                continue;
            }
            long n;
            if (!ToolParseInt(v, 0, 0x7fffffff, n)) return UsageError("bad --size '" + std::string(v) + "'");
            out.size = n;
            out.mode = Mode::String;
            ++modes;
        } else if (!std::strcmp(a, "--int")) {
            out.mode = Mode::Int;
            ++modes;
        } else if (!std::strcmp(a, "--float")) {
            out.mode = Mode::Float;
            ++modes;
        } else if (a[0] == '-' && a[1] == '-') {
            return UsageError("unknown option '" + std::string(a) + "'");
        } else {
            positional.emplace_back(a);
        }
    }
    if (modes > 1) return UsageError("--int, --float and --size exclude each other");
    if (positional.size() != 2) return UsageError("get takes FILE and KEY");
    out.file = positional[0];
    out.key = positional[1];
    return 0;
}

int Get(int argc, char** argv) {
    GetArgs args;
    if (int status = ParseGetArgs(argc, argv, args)) return status;

    TdfFile tdf;
    if (!TDF_Load(&tdf, args.file.c_str())) {
        FileHandle* h = GRIB_Open(args.file.c_str());
        if (!h) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no such file", args.file.c_str());
        GRIB_Close(h);
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: empty or unreadable", args.file.c_str());
    }
    struct Release {
        TdfFile* f;
        ~Release() { TDF_Free(f); }
    } release{&tdf};

    for (const std::string& s : args.sections)
        if (!TDF_EnterSection(&tdf, s.c_str()))
            return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no section '%s'", args.file.c_str(), s.c_str());
    if (!TDF_FindKey(&tdf, args.key.c_str()))
        return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no key '%s'", args.file.c_str(), args.key.c_str());

    switch (args.mode) {
    case Mode::Int:
        std::printf("%d\n", TDF_GetInt(&tdf, args.key.c_str()));
        break;
    case Mode::Float:
        std::printf("%.17g\n", TDF_GetFloat(&tdf, args.key.c_str()));
        break;
    case Mode::String: {
        // A value is never longer than the file, so a huge N needs no huge buffer.
        size_t size = static_cast<size_t>(args.size);
        if (size > tdf.length) size = tdf.length;
        std::vector<char> buffer(size + 1);
        TDF_GetString(&tdf, buffer.data(), args.key.c_str(), static_cast<int32_t>(size));
        std::fwrite(buffer.data(), 1, std::strlen(buffer.data()), stdout);
        std::fputc('\n', stdout);
        break;
    }
    }
    return std::fflush(stdout) == 0 ? GRIB_EXIT_OK : ToolFail(GRIB_EXIT_BAD_INPUT, "tdf: cannot write the value");
}

}  // namespace

int GribCmd_Tdf(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc < 2) return ToolUsageError(kUsage);
    if (!std::strcmp(argv[1], "get")) return Get(argc, argv);
    return UsageError("unknown subcommand '" + std::string(argv[1]) + "'");
}
