#include "tests/gui/gui_support.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/support.h"

bool Until(const std::function<bool()>& done, int ms) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms); !done();
         std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

static pid_t g_server = 0;

bool StartXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    g_server = fork();
    if (g_server == 0) {
        dup2(fds[1], 3);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string display = ":";
    for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) display += c;
    close(fds[0]);
    std::atexit([] {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
    });
    if (display == ":") return false;
    setenv("DISPLAY", display.c_str(), 1);
    return true;
}

pid_t Spawn(const std::vector<std::string>& command, const std::filesystem::path& cwd, const std::filesystem::path& log,
            const std::vector<std::pair<std::string, std::string>>& env) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(out, 2);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int ExitStatus(pid_t pid, int ms) {
    int status = -1, raw = 0;
    Until([&] {
        if (waitpid(pid, &raw, WNOHANG) != pid) return false;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
        return true;
    }, ms);
    return status;
}

bool Xdo(const std::vector<std::string>& args) { return testsupport::RunProgram("/usr/bin/xdotool", args).status == 0; }

unsigned long WindowNamed(const std::string& name) {
    const std::string ids =
        testsupport::RunProgram("/usr/bin/xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"}).out;
    return ids.empty() ? 0 : std::stoul(ids);
}

bool SendDeleteWindow(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return true;
}

long IconWidth(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long width = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 2, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success && data && count >= 2 && format == 32)
        width = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    XCloseDisplay(display);
    return width;
}
