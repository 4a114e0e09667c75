// Helpers shared by the tests: temporary folders, running the grib tool,
// reading and writing files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <cstdlib>
// The POSIX environment calls the tests use, over the runtime's own.
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif

namespace testsupport {

// A fresh folder under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file below the folder (parent folders made as needed).
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;
    std::filesystem::path write(const std::string& relative, const std::vector<uint8_t>& bytes) const;

private:
    std::filesystem::path path_;
};

// Changes the current directory for the life of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

private:
    std::filesystem::path old_;
};

struct ToolResult {
    int status;  // exit status, or -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs the grib tool with the arguments (no shell), optionally in a folder.
ToolResult RunGrib(const std::vector<std::string>& args, const std::string& cwd = "");
// Runs any program with arguments (no shell).
ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd = "");

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Starts the library as the viewer does (tick rate 30). Tests that mount
// archives release them first with GRIB_ResetMounts.
void StartGrib();

// A small deterministic random source for damage tests.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
    uint32_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state_ >> 33);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }

private:
    uint64_t state_;
};

}  // namespace testsupport
