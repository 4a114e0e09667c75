// Test-only introspection: with SHOWCASE_TRACE set, "trace: ..." lines on
// standard error tell what the windows show; SIGUSR1 asks for a full state
// line with the frame counters and the screen rectangles of the controls.
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/frame.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "grib/bitmap/bitmap.h"
#include "resources/resources.h"

namespace {

volatile std::sig_atomic_t g_stateRequested = 0;
uint64_t g_frames = 0;  // DrawView calls that drew
uint64_t g_idle = 0;    // times the loop found the queue empty
std::string g_lastPanel;

#ifdef SIGUSR1
void RequestState(int) { g_stateRequested = 1; }
#endif

std::string ControlText(HWND panel, int id) {
    char text[512];
    PlatformGetDlgItemText(panel, id, text, sizeof text);
    return text;
}

int Enabled(HWND panel, int id) { return PlatformIsWindowEnabled(PlatformGetDlgItem(panel, id)); }

std::string PanelLine() {
    HWND panel = static_cast<HWND>(g_viewer.mainPanel);
    if (!panel) return "";
    const ViewerUnit* unit = g_viewer.currentUnit;
    auto list = [&](uint32_t message) { return long(PlatformSendDlgItemMessage(panel, IDC_UNIT_LIST, message, 0, 0)); };
    const long selection = list(LB_GETCURSEL);
    std::string item;
    if (selection >= 0) {
        char text[300] = {};
        if (PlatformSendDlgItemMessage(panel, IDC_UNIT_LIST, LB_GETTEXTLEN, WPARAM(selection), 0) < long(sizeof text))
            PlatformSendDlgItemMessage(panel, IDC_UNIT_LIST, LB_GETTEXT, WPARAM(selection), reinterpret_cast<LPARAM>(text));
        item = text;
    }
    char scale[32] = "-";
    if (unit) std::snprintf(scale, sizeof scale, "Scale: %i%%", int(unit->view.scale * 100.0));
    std::string line = "panel";
    auto add = [&](const char* key, const std::string& value) { line += std::string("\t") + key + "=" + value; };
    add("side", g_viewer.currentSide == 1 ? "ARM" : "CORE");
    add("arm", std::to_string(PlatformSendDlgItemMessage(panel, IDC_SIDE_ARM, BM_GETCHECK, 0, 0)));
    add("count", std::to_string(list(LB_GETCOUNT)));
    add("sel", std::to_string(selection));
    add("top", std::to_string(list(LB_GETTOPINDEX)));
    add("item", item);
    add("unit", unit ? unit->fileName : "-");
    add("caption", ControlText(panel, IDC_UNIT_CAPTION));
    add("description", ControlText(panel, IDC_DESCRIPTION));
    add("speed", ControlText(panel, IDC_SPEED));
    add("acceleration", ControlText(panel, IDC_ACCELERATION));
    add("turn", ControlText(panel, IDC_TURN_RATE));
    add("energy", ControlText(panel, IDC_ENERGY));
    add("metal", ControlText(panel, IDC_METAL));
    add("time", ControlText(panel, IDC_TIME));
    add("weapons", ControlText(panel, IDC_WEAPONS));
    add("activate", ControlText(panel, ID_ACTIVATE) + "/" + std::to_string(Enabled(panel, ID_ACTIVATE)));
    add("move", ControlText(panel, ID_MOVE) + "/" + std::to_string(Enabled(panel, ID_MOVE)));
    add("aim", std::to_string(Enabled(panel, ID_AIM)));
    add("fire", std::to_string(Enabled(panel, ID_FIRE)));
    add("slider", std::to_string(PlatformSendDlgItemMessage(panel, IDC_SCALE_SLIDER, TBM_GETPOS, 0, 0)) + "/" +
                      std::to_string(PlatformIsWindowVisible(PlatformGetDlgItem(panel, IDC_SCALE_SLIDER))));
    add("scale", scale);
    add("main", std::to_string(PlatformIsWindowVisible(static_cast<HWND>(g_viewer.mainWindow))));
    return line;
}

}  // namespace

bool TraceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("SHOWCASE_TRACE");
        if (!value || !*value) return false;
#ifdef SIGUSR1  // Windows has no user signals
        std::signal(SIGUSR1, RequestState);
#endif
        return true;
    }();
    return enabled;
}

void Trace(const char* format, ...) {
    if (!TraceEnabled()) return;
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "trace: %s\n", text);
}

std::string TraceRect(HWND window) {
    PlatformRect r{};
    if (!window || !PlatformGetWindowRect(window, &r)) return "0 0 0 0";
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
           std::to_string(r.bottom - r.top);
}

void TracePanel() {
    if (!TraceEnabled()) return;
    std::string line = PanelLine();
    if (line.empty() || line == g_lastPanel) return;
    g_lastPanel = line;
    Trace("%s", line.c_str());
}

void TraceServiceRequest() {
    if (!g_stateRequested) return;
    g_stateRequested = 0;
    HWND panel = static_cast<HWND>(g_viewer.mainPanel);
    const ViewerUnit* unit = g_viewer.currentUnit;
    std::string line = "state\tframes=" + std::to_string(g_frames) + "\tidle=" + std::to_string(g_idle);
    char number[64];
    std::snprintf(number, sizeof number, "%.6f", unit && unit->wrapper ? unit->wrapper->angleY : 0.0);
    line += std::string("\tangle=") + number;
    std::snprintf(number, sizeof number, "%.6f", unit ? unit->spin : 0.0);
    line += std::string("\tspin=") + number;
    std::snprintf(number, sizeof number, "%.4f", unit ? unit->view.scale : 0.0);
    line += std::string("\tscale=") + number;
    line += "\tminimized=" + std::to_string(int(g_viewer.minimized));
    line += "\tantialias=" + std::to_string(int(g_viewer.antialias));
    line += "\tmain-rect=" + TraceRect(static_cast<HWND>(g_viewer.mainWindow));
    line += "\tview-rect=" + TraceRect(static_cast<HWND>(g_viewer.viewWindow));
    static const int ids[] = {IDC_SIDE_ARM, IDC_SIDE_CORE, IDC_ABOUT_BUTTON, IDC_UNIT_LIST, IDC_SCALE_SLIDER,
                              IDC_SPIN_LEFT, IDC_SPIN_STOP, IDC_SPIN_RIGHT, ID_ACTIVATE,  ID_MOVE,
                              ID_AIM,       ID_FIRE};
    for (int id : ids) line += "\trect" + std::to_string(id) + "=" + TraceRect(PlatformGetDlgItem(panel, id));
    Trace("%s", line.c_str());
}

int TracedDrawView(HWND window, GribBitmap* surface, uint32_t elapsed) {
    const int drawn = DrawView(window, surface, elapsed);
    if (drawn) ++g_frames;
    return drawn;
}

void TraceIdle() { ++g_idle; }

std::string TraceCounters() { return "frames=" + std::to_string(g_frames) + " idle=" + std::to_string(g_idle); }

LRESULT TracedViewEvents(HWND window, uint32_t message, WPARAM first, LPARAM second) {
    const LRESULT result = ViewEvents(window, message, first, second);
    if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        const ViewerUnit* unit = g_viewer.currentUnit;
        Trace("view %u %u %u spin=%.6f", message, LOWORD(uintptr_t(second)), HIWORD(uintptr_t(second)),
              unit ? unit->spin : 0.0);
    }
    return result;
}
