// Process entry: the arguments become one command-line text, as the viewer's
// start-up expects; arguments with blanks are quoted.
#include <string>

#include "app/window/viewer_window.h"

int main(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (!line.empty()) line += ' ';
        if (argument.empty() || argument.find_first_of(" \t") != std::string::npos) line += '"' + argument + '"';
        else line += argument;
    }
    return ViewerStartup(nullptr, nullptr, line.c_str(), SW_SHOWNORMAL);
}
