// Start-up, the main window, the idle-driven message loop and shutdown.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/frame.h"
#include "app/hooks.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "grib/display/window.h"
#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/input/input.h"
#include "model/readers.h"
#include "resources/resources.h"

#ifndef SHOWCASE_VERSION
#define SHOWCASE_VERSION "0.1.0"
#endif

namespace {

constexpr uint32_t kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// What a signal from outside needs: whether one came, where to send the
// close and the thread that shows message boxes.
std::atomic<bool> g_quitRequested{false};
std::atomic<HWND> g_mainWindow{nullptr};
uint32_t g_mainThread = 0;

// The frame pacing: the tick of the last frame asked for, and whether a
// message has been handled since (it may have changed what the view shows).
uint32_t g_frameTick = 0;
bool g_viewChanged = true;

bool HasSwitch(const char* name) {
    for (const std::string& argument : g_viewer.arguments)
        if (argument == name) return true;
    return false;
}

// SIGINT, SIGHUP and SIGTERM close the main window as its close box does; a
// message box or the loading box gives way first. A second one while the
// first is being handled ends the process at once.
int EndOnSignal(uint32_t) {
    if (g_quitRequested.exchange(true)) {
        if (g_viewer.tempPaletteName[0]) std::remove(g_viewer.tempPaletteName);
        std::fflush(nullptr);
        std::_Exit(1);
    }
    Trace("signal");
    if (HWND main = g_mainWindow; main && PlatformPostMessage(main, WM_CLOSE, 0, 0)) return 1;
    // No main window yet: end a message box of the main thread; loading
    // looks at the request after each step.
    PlatformPostThreadMessage(g_mainThread, WM_QUIT, 1, 0);
    return 1;
}

// Milliseconds until the tick clock moves on.
uint32_t UntilNextTick() {
    const uint32_t rate = uint32_t(GRIB_GetEnvironment()->tickRate);
    if (rate == 0) return 33;
    const uint32_t into = (GRIB_Milliseconds() * rate) % 1000u;
    return (1000u - into + rate - 1) / rate;
}

// The desktop entry starts the viewer with --choose-game: the user picks the
// game folder, or learns how to make one.
void ChooseGameFolder() {
    char folder[4096];
    std::error_code error;
    if (PlatformBrowseForFolder(nullptr, "Choose the game folder", folder, sizeof folder)) {
        bool game = false;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            game = game || GRIB_HasSuffix(name.c_str(), ".grb") || GRIB_HasSuffix(name.c_str(), ".ufo") ||
                   GRIB_SameName(name.c_str(), "gamedata");
        }
        if (game) {
            std::filesystem::current_path(folder, error);
            if (!error) return;
        }
    }
    Trace("no-game");
    PlatformMessageBox(nullptr,
                       "Choose a folder that holds the game: its .GRB archives or its gamedata folder.\n\n"
                       "To make a demo game, run\n    grib demo DIR\nand choose DIR.",
                       "Varnholt Showcase", MB_OK | MB_SETFOREGROUND);
    std::exit(1);
}

void ShowFatalError(const char* message) {
    Trace("fatal %s", message);
    CloseLoadingBox();
    PlatformMessageBox(nullptr, message, "Fatal Error", MB_OK | MB_SETFOREGROUND);
    Trace("fatal-closed");
}

// The LightWave reader's one error ends the program from inside loading; the
// palette goes first, as with every other fatal error.
void ShowModelFatalBox(const char* caption, const char* text) {
    Trace("fatal %s", text);
    DeleteTempPalette();
    CloseLoadingBox();
    PlatformMessageBox(nullptr, text, caption, MB_OK);
    Trace("fatal-closed");
    std::exit(1);
}

// --help and --version are answered before anything else starts.
void AnswerInformationRequests() {
    for (const std::string& argument : g_viewer.arguments) {
        if (argument == "--help") {
            std::printf(
                "Usage: showcase [-N] [-kelpo] [--choose-game] [--uncapped]\n"
                "Shows the units of the game in the current directory, one at a time, with their statistics.\n"
                "\n"
                "  -N, /N      do not scale the view by the width of the screen\n"
                "  -kelpo      enable the keys a (antialiasing), s (piece shading) and n (unit file name)\n"
                "  --choose-game  ask for the game folder first (the desktop entry passes it)\n"
                "  --uncapped  draw frames whenever the queue is empty, not once per tick (for measuring)\n"
                "  --help      show this help and exit\n"
                "  --version   show the version and exit\n"
                "\n"
                "Exit status: 1 after a normal end or a fatal error, -1 (255) when loading is aborted.\n");
            std::exit(0);
        }
        if (argument == "--version") {
            std::printf("showcase %s\n", SHOWCASE_VERSION);
            std::exit(0);
        }
    }
}

// The idle loop draws a frame only when it can differ from the last one: a
// tick has passed or a message was handled since. Otherwise it waits for the
// next message or tick (a frame of 0 ticks advances nothing). --uncapped
// draws whenever the queue is empty.
void RunMessageLoop() {
    PlatformMessage message{};
    HWND panel = static_cast<HWND>(g_viewer.mainPanel);
    const bool tracing = TraceEnabled();
    const bool paced = !HasSwitch("--uncapped");
    for (;;) {
        if (g_viewer.minimized) {
            if (!PlatformGetMessage(&message, nullptr, 0, 0)) break;
            PlatformTranslateMessage(&message);
            PlatformDispatchMessage(&message);
            g_viewChanged = true;
        } else {
            if (!PlatformPeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (paced && !g_viewChanged && GRIB_Ticks() == g_frameTick) {
                    PlatformWaitMessageTimeout(UntilNextTick());
                    continue;
                }
                g_frameTick = GRIB_Ticks();
                g_viewChanged = false;
                PlatformInvalidateRect(static_cast<HWND>(g_viewer.viewWindow), nullptr, 0);
                if (tracing) TraceIdle();
                continue;
            }
            if (message.message == WM_QUIT) break;
            if (message.message != WM_PAINT) g_viewChanged = true;
            if (!PlatformIsDialogMessage(panel, &message)) {
                PlatformTranslateMessage(&message);
                PlatformDispatchMessage(&message);
            }
        }
        if (tracing) {
            TracePanel();
            TraceServiceRequest();
        }
    }
}

}  // namespace

LRESULT MainWndProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            g_viewer.mainWindow = window;
            g_mainWindow = window;
            HWND panel = PlatformCreateDialog(ShowcaseDialog(IDD_MAIN_PANEL), window, MainDlgProc);
            g_viewer.mainPanel = panel;
            PlatformRect r{};
            if (panel && PlatformGetWindowRect(panel, &r)) {
                g_viewer.panelWidth = r.right - r.left;
                g_viewer.panelHeight = r.bottom - r.top;
            }
            return 0;
        }
        case WM_DESTROY:
            g_mainWindow = nullptr;
            PlatformPostQuitMessage(0);
            return 0;
        case WM_SIZE:
            g_viewer.minimized = (wParam & 1) != 0;
            Trace("minimized %d %s", g_viewer.minimized ? 1 : 0, TraceCounters().c_str());
            return 0;
        case WM_PAINT: {
            PlatformPaint paint{};
            PlatformBeginPaint(window, &paint);
            PlatformEndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            PlatformDestroyWindow(window);
            return 0;
        case WM_CHAR:
            if (g_viewer.hiddenKeys) {
                switch (wParam) {
                    case 'a':
                    case 'A':
                        g_viewer.antialias = !g_viewer.antialias;
                        break;
                    case 's':
                    case 'S':
                        g_viewer.pieceLightFlags = !g_viewer.pieceLightFlags;
                        break;
                    case 'n':
                    case 'N':
                        g_viewer.showUnitName = !g_viewer.showUnitName;
                        break;
                    default:
                        break;
                }
            }
            Trace("key %c antialias=%d shading=%d name=%d", int(wParam & 0x7F), int(g_viewer.antialias),
                  int(g_viewer.pieceLightFlags), int(g_viewer.showUnitName));
            return 0;
        default:
            return PlatformDefWindowProc(window, message, wParam, lParam);
    }
}

void CreateViewWindow() {
    HWND panel = static_cast<HWND>(g_viewer.mainPanel);
    PlatformRect panelRect{}, control{};
    PlatformGetWindowRect(panel, &panelRect);
    PlatformGetWindowRect(PlatformGetDlgItem(panel, IDC_VIEW_WINDOW), &control);
    const int width = (control.right - control.left + 1) & ~3;
    const int height = (control.bottom - control.top + 1) & ~3;
    HWND view = GRIB_CreateSurfaceWindow(static_cast<HWND>(g_viewer.mainWindow), control.left - panelRect.left,
                                         control.top - panelRect.top, width, height,
                                         TraceEnabled() ? TracedDrawView : ViewDraw,
                                         TraceEnabled() ? TracedViewEvents : ViewWindowEvents, 0,
                                         g_viewer.tempPaletteName);
    if (!view) FatalError("Could not create the Viewing Window");
    g_viewer.viewWindow = view;
    PlatformSetWindowPos(view, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void EndIfQuitRequested() {
    if (!g_quitRequested) return;
    Trace("shutdown");
    CloseLoadingBox();
    ViewerShutdownData();
    GRIB_Shutdown(nullptr);
}

int ViewerStartup(void* instance, void*, const char* commandLine, int) {
    g_viewer.instance = instance;
    SplitCommandLine(commandLine);
    ApplySwitches();
    AnswerInformationRequests();
    Trace("switches scaleByScreen=%d hiddenKeys=%d", int(g_viewer.scaleByScreen), int(g_viewer.hiddenKeys));
    // Before the handler: the desktop's chooser may run a loop of its own,
    // and a signal then ends the process at once, with nothing to clean up.
    if (HasSwitch("--choose-game")) ChooseGameFolder();
    g_mainThread = PlatformCurrentThreadId();
    PlatformSetCtrlHandler(EndOnSignal);

    g_viewerHooks.buttonState = PanelButtonState;
    g_viewerHooks.setButtonText = SetPanelButtonText;
    g_viewerHooks.milliseconds = GRIB_Milliseconds;
    g_viewerHooks.viewDefaultProc = ViewDefaultProc;
    g_viewerHooks.playSound = PlatformPlaySound;
    g_viewerHooks.fatalError = ShowFatalError;
    g_viewerHooks.loadingStatus = ShowLoadingStatus;
    g_modelFatalBox = ShowModelFatalBox;
    GRIB_InstallDisplayHooks(GRIB_InputStart);

    StartLoadingBox();
    if (!GRIB_Startup(30, instance, 0)) FatalError("Could not Initialize the GRIB system");
    ViewerLoadData(PlatformScreenWidth());
    Trace("loaded units=%zu baseScale=%.4f", g_viewer.units.size(), g_viewer.baseScale);
    EndIfQuitRequested();

    PlatformWindowClass windowClass{0, MainWndProc, instance, IDI_SHOWCASE, IDC_ARROW, PLATFORM_BRUSH_FACE,
                                    "Showcase"};
    if (!PlatformRegisterClass(&windowClass)) {
        CloseLoadingBox();
        return 0;
    }
    HWND main = PlatformCreateWindow(0, "Showcase", "Varnholt Showcase", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, nullptr, 0, instance, nullptr);
    g_viewer.mainWindow = main;
    if (PlatformIcon* icon = PlatformCreateIcon(SHOWCASE_ICON_SIZE, SHOWCASE_ICON_SIZE, ShowcaseIcon(IDI_SHOWCASE).data()))
        PlatformSendMessage(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    CreateViewWindow();
    PlatformRect frame{0, 0, g_viewer.panelWidth, g_viewer.panelHeight};
    PlatformAdjustWindowRect(&frame, kMainStyle, 0);
    PlatformSetWindowPos(main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                         SWP_NOMOVE | SWP_NOZORDER);
    CloseLoadingBox();
    Trace("main-window visible=%d", PlatformIsWindowVisible(main));
    PlatformPostMessage(static_cast<HWND>(g_viewer.mainPanel), WM_COMMAND, MAKEWPARAM(IDC_ABOUT_BUTTON, BN_CLICKED),
                        0);
    RunMessageLoop();

    Trace("shutdown");
    ViewerShutdownData();
    GRIB_Shutdown(nullptr);
}
