#include "tools/grib/common.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int ToolFail(int code, const char* format, ...) {
    std::fputs("grib: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return code;
}

std::string ToolDiskPath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

bool ToolReadFile(const std::string& path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(ToolDiskPath(path).c_str(), "rb");
    if (!f) return false;
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool ToolWriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(ToolDiskPath(path).c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool ToolWantsHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) return true;
    return false;
}
