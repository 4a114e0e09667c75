#include "tests/support/support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "grib/env/env.h"

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    std::string templ = (fs::temp_directory_path() / "showcase-test-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(const std::string& relative, const std::string& bytes) const {
    return write(relative, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

fs::path TempDir::write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    fs::path p = path_ / relative;
    fs::create_directories(p.parent_path());
    WriteBytes(p, bytes);
    return p;
}

ScopedCwd::ScopedCwd(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
ScopedCwd::~ScopedCwd() {
    std::error_code ec;
    fs::current_path(old_, ec);
}

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
    TempDir scratch;
    const fs::path out = scratch.path() / "out", err = scratch.path() / "err";
    pid_t pid = fork();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600), 2);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

ToolResult RunGrib(const std::vector<std::string>& args, const std::string& cwd) {
    return RunProgram(GRIB_TOOL_PATH, args, cwd);
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadText(const fs::path& path) {
    std::vector<uint8_t> b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void StartGrib() {
    GRIB_Startup(30, nullptr, 0);
}

}  // namespace testsupport
