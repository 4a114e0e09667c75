// Shared helpers of the grib tool's commands.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Exit statuses of every command.
enum { GRIB_EXIT_OK = 0, GRIB_EXIT_NOT_FOUND = 1, GRIB_EXIT_BAD_INPUT = 2 };

// Prints "grib: <message>" on standard error and returns code.
int ToolFail(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Reads a whole disk file (path with / or \); false when it can't be read.
bool ToolReadFile(const std::string& path, std::vector<uint8_t>& out);
bool ToolWriteFile(const std::string& path, const void* data, size_t size);
// A path given on the command line, with backslashes turned into slashes.
std::string ToolDiskPath(const std::string& path);
// When an argument is --help or -h: prints the usage and returns true.
bool ToolHelp(int argc, char** argv, const char* usage);
// Prints the usage on standard error; returns GRIB_EXIT_BAD_INPUT.
int ToolUsageError(const char* usage);

// A whole number in [low, high]: no empty text, no trailing characters.
// Base 10, or with base 0 also 0x hex and 0 octal.
bool ToolParseInt(const char* text, long long low, long long high, long long& out, int base = 10);
template <class T>
bool ToolParseInt(const char* text, long long low, long long high, T& out, int base = 10) {
    long long v = 0;
    if (!ToolParseInt(text, low, high, v, base)) return false;
    out = static_cast<T>(v);
    return true;
}
// "WxH", each side in [low, high].
bool ToolParseSize(const char* text, long low, long high, long& width, long& height);

// The arguments after argv[0] other than `name VALUE`, whose value goes to
// value.
std::vector<std::string> ToolSplitOption(int argc, char** argv, const char* name, std::string& value);

// The options of a command that each take a value: `--name VALUE`.
struct ToolOption {
    const char* name;
    std::function<bool(const char* value)> take;  // false: a bad value
    const char* badValue = nullptr;               // its own message ("%s": the value)
};
// What a command says about its arguments ("%s": the argument; for
// badValue the option, then the value).
struct ToolOptionMessages {
    const char* needsValue;
    const char* unknown;
    const char* badValue;
};
// Option actions: keep the text; a whole number; a size "WxH".
std::function<bool(const char*)> ToolTakeText(std::string& into);
std::function<bool(const char*)> ToolTakeInt(long low, long high, long& into);
std::function<bool(const char*)> ToolTakeSize(long low, long high, long& width, long& height);
// Hands argv[first...] to the options in pairs. GRIB_EXIT_OK, or the exit
// status of the first bad argument after saying what it was.
int ToolParseOptions(int argc, char** argv, int first, const std::vector<ToolOption>& options,
                     const ToolOptionMessages& messages);

// One command group: `grib <name> ...`. argv[0] is the group name.
struct ToolCommand {
    const char* name;
    const char* summary;
    int (*run)(int argc, char** argv);
};

int GribCmd_Archive(int argc, char** argv);
int GribCmd_Vfs(int argc, char** argv);
int GribCmd_Tdf(int argc, char** argv);
int GribCmd_Script(int argc, char** argv);
int GribCmd_Model(int argc, char** argv);
int GribCmd_Gaf(int argc, char** argv);
int GribCmd_Image(int argc, char** argv);
int GribCmd_Palette(int argc, char** argv);
int GribCmd_Font(int argc, char** argv);
int GribCmd_Units(int argc, char** argv);
int GribCmd_Render(int argc, char** argv);
int GribCmd_Demo(int argc, char** argv);
int GribCmd_Export(int argc, char** argv);
int GribCmd_ModelExport(int argc, char** argv);  // grib model export
