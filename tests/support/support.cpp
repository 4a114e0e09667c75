#include "tests/support/support.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "grib/env/env.h"

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const std::string process = std::to_string(_getpid());
#else
    const std::string process = std::to_string(getpid());
#endif
    for (int tries = 0; tries < 1000 && path_.empty(); ++tries) {
        fs::path p = fs::temp_directory_path() / ("showcase-test-" + process + "-" + std::to_string(counter++));
        if (fs::create_directory(p)) path_ = p;
    }
    if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
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

namespace {

#ifdef _WIN32
// One argument as the C runtime's command-line parser reads it back.
std::string Quote(const std::string& a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string q = "\"";
    size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        q.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, '\\');
    return q + "\"";
}

// The exit status, 127 when the program could not start.
int Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
        const std::string& outPath, const std::string& errPath) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::string& path, DWORD access, DWORD disposition) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = create("NUL", GENERIC_READ, OPEN_EXISTING);
    si.hStdOutput = create(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    si.hStdError = create(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    std::string line = Quote(program);
    for (const std::string& a : args) line += " " + Quote(a);
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) CloseHandle(h);
    if (!started) return 127;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    const int status = GetExitCodeProcess(pi.hProcess, &code) ? static_cast<int>(code) : -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return status;
}
#else
int Run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
        const std::string& outPath, const std::string& errPath) {
    pid_t pid = fork();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
    TempDir scratch;
    const std::string out = (scratch.path() / "out").string(), err = (scratch.path() / "err").string();
    const int status = Run(program, args, cwd, out, err);
    return {status, ReadText(out), ReadText(err)};
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

void StartGrib() { GRIB_Startup(30, nullptr, 0); }

}  // namespace testsupport
