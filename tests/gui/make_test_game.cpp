// showcase_testgame FOLDER: writes the GUI tests' game folder (./run.sh's
// fallback when the demo game cannot be built).
#include <cstdio>

#include "tests/gui/test_game.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: showcase_testgame FOLDER\n");
        return 2;
    }
    std::string error;
    if (!BuildGuiGame(argv[1], GuiGameOptions{}, &error)) {
        std::fprintf(stderr, "showcase_testgame: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
