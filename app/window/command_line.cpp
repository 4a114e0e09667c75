// Splitting the command line and applying its switches.
#include <string>

#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "grib/env/names.h"

void SplitCommandLine(const char* text) {
    if (!text) return;
    const std::string work = text;
    size_t i = 0;
    const size_t n = work.size();
    while (i < n) {
        while (i < n && (work[i] == ' ' || work[i] == '\t')) ++i;
        if (i >= n) break;
        if (work[i] == '"') {
            size_t close = work.find('"', i + 1);
            if (close == std::string::npos) break;  // unterminated: dropped
            g_viewer.arguments.push_back(work.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            size_t end = i;
            while (end < n && work[end] != ' ' && work[end] != '\t') ++end;
            g_viewer.arguments.push_back(work.substr(i, end - i));
            i = end;
        }
    }
}

void ApplySwitches() {
    for (const std::string& argument : g_viewer.arguments) {
        if (argument.empty() || (argument[0] != '-' && argument[0] != '/')) continue;
        if (argument.size() > 1 && (argument[1] == 'N' || argument[1] == 'n')) {
            g_viewer.scaleByScreen = !g_viewer.scaleByScreen;
        } else if (GRIB_SameName(argument.c_str() + 1, "kelpo")) {
            g_viewer.hiddenKeys = true;
        }
    }
}
