// showcase_testgame FOLDER [--units N] [--no-settings]: writes the GUI tests'
// game folder (used by ./run.sh until the demo game exists).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/gui/test_game.h"

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: showcase_testgame FOLDER [--units N] [--no-settings]\n");
        return argc < 2 ? 2 : 0;
    }
    GuiGameOptions options;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--units") == 0 && i + 1 < argc) options.fillerUnits = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--no-settings") == 0) options.withSettings = false;
        else {
            std::fprintf(stderr, "showcase_testgame: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    std::string error;
    if (!BuildGuiGame(argv[1], options, &error)) {
        std::fprintf(stderr, "showcase_testgame: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
