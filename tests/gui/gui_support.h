// What the GUI and install tests share: a private X server, started
// programs and the windows they open.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Polls until done() or the deadline; false when it never held.
bool Until(const std::function<bool()>& done, int ms);
// Starts a private Xvfb for the rest of the process and points DISPLAY at it;
// false when it could not start.
bool StartXvfb();
// Starts the command (PATH searched) in cwd with its output in log.
pid_t Spawn(const std::vector<std::string>& command, const std::filesystem::path& cwd, const std::filesystem::path& log,
            const std::vector<std::pair<std::string, std::string>>& env = {});
// The exit status (1000 + signal when killed), or -1 when it has not ended within ms.
int ExitStatus(pid_t pid, int ms);
bool Xdo(const std::vector<std::string>& args);
// The visible window of exactly that name, or 0.
unsigned long WindowNamed(const std::string& name);
// Asks a top-level window to close as a window manager does (WM_DELETE_WINDOW).
bool SendDeleteWindow(unsigned long window);
// The width of the first image in the window's _NET_WM_ICON, or 0 without one.
long IconWidth(unsigned long window);
