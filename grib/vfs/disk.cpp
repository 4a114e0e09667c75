#include "grib/vfs/disk.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstring>
#include <utility>

#include "grib/env/names.h"

namespace gribdisk {

namespace {

#ifndef _WIN32
std::string Join(const std::string& base, const std::string& name) {
    if (base.empty()) return name;
    if (base.back() == '/') return base + name;
    return base + "/" + name;
}
#endif

#ifndef _WIN32
// The entries of dir whose names equal name without regard to case, in
// byte order, so the choice doesn't depend on how the directory lists them.
std::vector<std::string> FindNoCase(const std::string& dir, const std::string& name) {
    std::vector<std::string> found;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return found;
    while (dirent* e = readdir(d))
        if (GRIB_SameName(e->d_name, name.c_str()) && name != e->d_name) found.push_back(e->d_name);
    closedir(d);
    std::sort(found.begin(), found.end());
    return found;
}

// Resolves parts[i..] below base: the exact name first, then the folded
// ones, backing out of a folder that doesn't hold the rest. budget bounds
// the tries when many names differ only in case.
bool ResolveFrom(const std::string& base, const std::vector<std::string>& parts, size_t i, bool allowMissingLast,
                 int& budget, std::string& out) {
    if (i == parts.size()) {
        out = base;
        return true;
    }
    if (--budget < 0) return false;
    const std::string& comp = parts[i];
    std::string exact = Join(base, comp);
    struct stat st;
    bool last = i + 1 == parts.size();
    if (comp == "." || comp == ".." || lstat(exact.c_str(), &st) == 0) {
        if (ResolveFrom(exact, parts, i + 1, allowMissingLast, budget, out)) return true;
    }
    for (const std::string& name : FindNoCase(base, comp))
        if (ResolveFrom(Join(base, name), parts, i + 1, allowMissingLast, budget, out)) return true;
    if (last && allowMissingLast) {
        out = exact;
        return true;
    }
    return false;
}

void Fill(FindData& data, const char* name, const struct stat& st) {
    data = FindData{};
    bool dir = S_ISDIR(st.st_mode);
    data.attributes = dir ? GRIB_ATTR_DIRECTORY : GRIB_ATTR_NORMAL;
    if (!(st.st_mode & S_IWUSR)) data.attributes |= GRIB_ATTR_READONLY;
    data.creationTime = static_cast<uint32_t>(st.st_ctime);
    data.lastAccessTime = static_cast<uint32_t>(st.st_atime);
    data.lastWriteTime = static_cast<uint32_t>(st.st_mtime);
    if (!dir) data.size = st.st_size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
    SetName(data, name);
}
#endif  // !_WIN32

}  // namespace


void SetName(FindData& data, const char* name) {
    std::strncpy(data.name, name, sizeof data.name - 1);
    data.name[sizeof data.name - 1] = 0;
}

#ifndef _WIN32
bool Resolve(const char* path, std::string& out, bool allowMissingLast) {
    if (!path || !*path) return false;
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    std::string base = p[0] == '/' ? "/" : "";
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        if (end > start) parts.push_back(p.substr(start, end - start));
        start = end + 1;
    }
    if (parts.empty()) {
        out = base;
        return !base.empty();
    }
    // A file that exists anywhere the folding allows wins over creating one.
    int budget = 256;
    if (ResolveFrom(base, parts, 0, false, budget, out)) return true;
    budget = 256;
    return allowMissingLast && ResolveFrom(base, parts, 0, true, budget, out);
}
#endif  // !_WIN32

bool Match(const char* name, const char* pattern) {
    if (!std::strcmp(pattern, "*.*")) pattern = "*";
    // Greedy match with one backtrack point: the last star seen.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern && (*pattern == '?' || GRIB_UpperName(*pattern) == GRIB_UpperName(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

namespace {

// A find pattern's folder (with its trailing separator, or empty) and the
// name pattern after it.
std::pair<std::string, const char*> SplitPattern(const char* pattern) {
    const char* slash = nullptr;
    for (const char* c = pattern; *c; ++c)
        if (*c == '\\' || *c == '/') slash = c;
    if (!slash) return {"", pattern};
    return {std::string(pattern, static_cast<size_t>(slash - pattern + 1)), slash + 1};
}

}  // namespace

#ifndef _WIN32
std::vector<FindData> Find(const char* pattern) {
    std::vector<FindData> results;
    auto [dirPart, namePart] = SplitPattern(pattern);
    std::string dir;
    if (dirPart.empty()) dir = ".";
    else if (!Resolve(dirPart.c_str(), dir, false)) return results;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return results;

    for (const char* special : {".", ".."}) {
        struct stat sst;
        if (Match(special, namePart) && stat(Join(dir, special).c_str(), &sst) == 0) {
            results.emplace_back();
            Fill(results.back(), special, sst);
        }
    }
    size_t fixed = results.size();
    DIR* d = opendir(dir.c_str());
    if (!d) return results;
    while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        if (!Match(e->d_name, namePart)) continue;
        struct stat est;
        if (stat(Join(dir, e->d_name).c_str(), &est) != 0) continue;  // dangling link
        results.emplace_back();
        Fill(results.back(), e->d_name, est);
    }
    closedir(d);
    std::sort(results.begin() + static_cast<std::ptrdiff_t>(fixed), results.end(),
              [](const FindData& a, const FindData& b) {
                  int c = GRIB_CompareNames(a.name, b.name);
                  return c != 0 ? c < 0 : std::strcmp(a.name, b.name) < 0;
              });
    return results;
}
#endif  // !_WIN32

#ifdef _WIN32
// Windows: the system resolves case and both separators itself; only the
// enumeration order and the attribute bits are made the same as elsewhere.

namespace {

bool IsDirectory(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t UnixSeconds(const FILETIME& t) {
    uint64_t ticks = (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    constexpr uint64_t kEpoch = 116444736000000000ull;  // 1601 to 1970 in 100 ns
    return ticks < kEpoch ? 0 : static_cast<uint32_t>((ticks - kEpoch) / 10000000ull);
}

void FillWin(FindData& data, const WIN32_FIND_DATAA& w) {
    data = FindData{};
    bool dir = w.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    data.attributes = dir ? GRIB_ATTR_DIRECTORY : GRIB_ATTR_NORMAL;
    if (w.dwFileAttributes & FILE_ATTRIBUTE_READONLY) data.attributes |= GRIB_ATTR_READONLY;
    data.creationTime = UnixSeconds(w.ftCreationTime);
    data.lastAccessTime = UnixSeconds(w.ftLastAccessTime);
    data.lastWriteTime = UnixSeconds(w.ftLastWriteTime);
    if (!dir) data.size = w.nFileSizeHigh ? 0xFFFFFFFFu : w.nFileSizeLow;
    SetName(data, std::string(w.cFileName, strnlen(w.cFileName, sizeof w.cFileName)).c_str());
}

}  // namespace

bool Resolve(const char* path, std::string& out, bool allowMissingLast) {
    if (!path || !*path) return false;
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES) {
        out = p;
        return true;
    }
    if (!allowMissingLast) return false;
    // A new file needs the folder it goes into.
    size_t end = p.find_last_not_of('\\');
    if (end == std::string::npos) return false;
    size_t slash = p.find_last_of('\\', end);
    if (slash != std::string::npos && slash > 0 && !IsDirectory(p.substr(0, slash + 1))) return false;
    out = p;
    return true;
}

std::vector<FindData> Find(const char* pattern) {
    std::vector<FindData> results;
    auto [dir, namePart] = SplitPattern(pattern);
    if (!dir.empty() && !IsDirectory(dir)) return results;
    // Every entry, filtered by our own match: the system's also matches the
    // short 8.3 names, which would make the result depend on the volume.
    WIN32_FIND_DATAA w;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &w);
    if (h == INVALID_HANDLE_VALUE) return results;
    std::vector<FindData> special, rest;
    do {
        if (!Match(w.cFileName, namePart)) continue;
        bool dots = !std::strcmp(w.cFileName, ".") || !std::strcmp(w.cFileName, "..");
        std::vector<FindData>& into = dots ? special : rest;
        into.emplace_back();
        FillWin(into.back(), w);
    } while (FindNextFileA(h, &w));
    FindClose(h);
    std::sort(special.begin(), special.end(),
              [](const FindData& a, const FindData& b) { return std::strcmp(a.name, b.name) < 0; });
    std::sort(rest.begin(), rest.end(), [](const FindData& a, const FindData& b) {
        int c = GRIB_CompareNames(a.name, b.name);
        return c != 0 ? c < 0 : std::strcmp(a.name, b.name) < 0;
    });
    results = std::move(special);
    results.insert(results.end(), rest.begin(), rest.end());
    return results;
}
#endif  // _WIN32

}  // namespace gribdisk
