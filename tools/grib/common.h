// Shared helpers of the grib tool's commands.
#pragma once

#include <cstdint>
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
// True when argv[i] is --help or -h.
bool ToolWantsHelp(int argc, char** argv);

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
