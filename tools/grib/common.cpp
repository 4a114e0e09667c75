#include "tools/grib/common.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
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

bool ToolHelp(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(usage, stdout);
            return true;
        }
    return false;
}

std::vector<std::string> ToolSplitOption(int argc, char** argv, const char* name, std::string& value) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], name) && i + 1 < argc) value = argv[++i];
        else rest.push_back(argv[i]);
    }
    return rest;
}

int ToolUsageError(const char* usage) {
    std::fputs(usage, stderr);
    return GRIB_EXIT_BAD_INPUT;
}

bool ToolParseInt(const char* text, long long low, long long high, long long& out, int base) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, base);
    if (errno || *end || v < low || v > high) return false;
    out = v;
    return true;
}

bool ToolParseSize(const char* text, long low, long high, long& width, long& height) {
    const char* x = std::strchr(text, 'x');
    return x && ToolParseInt(std::string(text, x).c_str(), low, high, width) && ToolParseInt(x + 1, low, high, height);
}

int ToolParseOptions(int argc, char** argv, int first, const std::vector<ToolOption>& options,
                     const ToolOptionMessages& messages) {
    for (int i = first; i < argc; ++i) {
        const char* name = argv[i];
        if (i + 1 >= argc) return ToolFail(GRIB_EXIT_BAD_INPUT, messages.needsValue, name);
        const char* value = argv[++i];
        const ToolOption* option = nullptr;
        for (const ToolOption& o : options)
            if (!std::strcmp(o.name, name)) option = &o;
        if (!option) return ToolFail(GRIB_EXIT_BAD_INPUT, messages.unknown, name);
        if (option->take(value)) continue;
        return option->badValue ? ToolFail(GRIB_EXIT_BAD_INPUT, option->badValue, value)
                                : ToolFail(GRIB_EXIT_BAD_INPUT, messages.badValue, name, value);
    }
    return GRIB_EXIT_OK;
}

std::function<bool(const char*)> ToolTakeText(std::string& into) {
    return [&into](const char* v) {
        into = v;
        return true;
    };
}

std::function<bool(const char*)> ToolTakeInt(long low, long high, long& into) {
    return [low, high, &into](const char* v) { return ToolParseInt(v, low, high, into); };
}

std::function<bool(const char*)> ToolTakeSize(long low, long high, long& width, long& height) {
    return [low, high, &width, &height](const char* v) { return ToolParseSize(v, low, high, width, height); };
}
