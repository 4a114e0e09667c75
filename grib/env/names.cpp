#include "grib/env/names.h"

#include <cstdio>
#include <cstring>

namespace {

int Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

bool GRIB_SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int x = Lower(static_cast<unsigned char>(*a)), y = Lower(static_cast<unsigned char>(*b));
        if (x != y) return false;
        if (!x) return true;
    }
}

bool GRIB_SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(static_cast<unsigned char>(a[i])) != Lower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

int GRIB_CompareNames(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = GRIB_UpperName(*a), y = GRIB_UpperName(*b);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        if (!x) return 0;
    }
}

bool GRIB_HasPrefix(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (!*text || Lower(static_cast<unsigned char>(*text)) != Lower(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

bool GRIB_HasSuffix(const char* text, const char* suffix) {
    size_t n = std::strlen(text), k = std::strlen(suffix);
    return n >= k && GRIB_SameName(text + n - k, suffix);
}

std::string GRIB_BaseName(const char* path) {
    const char* start = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') start = p + 1;
    std::string name(start);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::string GRIB_QuoteName(std::string_view name) {
    std::string out = "\"";
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < ' ' || c > '~') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
