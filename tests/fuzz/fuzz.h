// What the fuzz targets share: the library started once, and a scratch
// folder for targets that read files, made once per process below TMPDIR,
// emptied before every input and removed at exit. Inputs that hold several
// files separate them with kFuzzSeparator.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "grib/env/env.h"

namespace fuzz {

namespace fs = std::filesystem;

constexpr std::string_view kFuzzSeparator = "\n@@@@\n";

inline void Start() {
    static const int started = GRIB_Startup(30, nullptr, 0);
    (void)started;
}

inline std::string_view Text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The folder's path lives in a plain array: the removal at exit runs after
// static objects made later than its registration are gone.
inline char g_folder[4096];

inline const char* Folder() {
    static const bool made = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-scratch-XXXXXX";
        if (templ.size() >= sizeof g_folder || !mkdtemp(templ.data())) std::abort();
        std::memcpy(g_folder, templ.c_str(), templ.size() + 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(g_folder, ec);
        });
        return true;
    }();
    (void)made;
    return g_folder;
}

inline void Clear() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Folder(), ec)) fs::remove_all(e.path(), ec);
}

// Writes a file at a path below the folder.
inline void Write(const std::string& path, std::string_view bytes) {
    const fs::path full = fs::path(Folder()) / path;
    std::error_code ec;
    fs::create_directories(full.parent_path(), ec);
    std::ofstream(full, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The folder is the current directory for the life of the object (the
// fuzzer reads its corpus by relative paths, so it comes back afterwards).
class Inside {
public:
    Inside() : home_(open(".", O_RDONLY | O_DIRECTORY)) {
        if (home_ < 0 || chdir(Folder()) != 0) std::abort();
    }
    ~Inside() {
        if (fchdir(home_) != 0) std::abort();
        close(home_);
    }

private:
    int home_;
};

// An emptied folder holding just the input under the name given.
inline void WriteAlone(const char* name, const uint8_t* data, size_t size) {
    Clear();
    Write(name, Text(data, size));
}

// The input cut at each separator into at most count parts.
inline std::vector<std::string_view> Split(const uint8_t* data, size_t size, size_t count) {
    std::string_view rest = Text(data, size);
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count && !rest.empty()) {
        const void* at = memmem(rest.data(), rest.size(), kFuzzSeparator.data(), kFuzzSeparator.size());
        if (!at) break;
        size_t n = static_cast<size_t>(static_cast<const char*>(at) - rest.data());
        parts.push_back(rest.substr(0, n));
        rest.remove_prefix(n + kFuzzSeparator.size());
    }
    parts.push_back(rest);
    parts.resize(count);
    return parts;
}

}  // namespace fuzz
