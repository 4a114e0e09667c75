#include "tests/support/support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "grib/env/env.h"

namespace fs = std::filesystem;

namespace testsupport {

#ifdef _WIN32
TempDir::TempDir() {
    static unsigned counter = 0;
    for (int tries = 0; tries < 1000; ++tries) {
        fs::path p = fs::temp_directory_path() /
                     ("showcase-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
        if (fs::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}
#else
TempDir::TempDir() {
    std::string templ = (fs::temp_directory_path() / "showcase-test-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}
#endif

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

#ifdef _WIN32
namespace {

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

}  // namespace

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
    TempDir scratch;
    std::string outPath = (scratch.path() / "out").string();
    std::string errPath = (scratch.path() / "err").string();
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::string& path, DWORD access, DWORD disposition) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = create(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = create("NUL", GENERIC_READ, OPEN_EXISTING);
    std::string line = Quote(program);
    for (const std::string& a : args) line += " " + Quote(a);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    ToolResult r{-1, "", ""};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (!started) {
        r.status = 127;  // as a failed exec
        return r;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(pi.hProcess, &code)) r.status = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    r.out = ReadText(outPath);
    r.err = ReadText(errPath);
    return r;
}
#else
static std::string Slurp(int fd) {
    std::string s;
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
    TempDir scratch;
    std::string outPath = (scratch.path() / "out").string();
    std::string errPath = (scratch.path() / "err").string();
    pid_t pid = fork();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ToolResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    int fo = open(outPath.c_str(), O_RDONLY);
    int fe = open(errPath.c_str(), O_RDONLY);
    if (fo >= 0) { r.out = Slurp(fo); close(fo); }
    if (fe >= 0) { r.err = Slurp(fe); close(fe); }
    return r;
}
#endif

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
