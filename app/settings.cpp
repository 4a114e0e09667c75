#include "app/settings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/viewer_state.h"
#include "grib/env/env.h"
#include "grib/palette/palette.h"
#include "grib/tdf/tdf.h"
#include "grib/vfs/vfs.h"

const uint8_t kSystemColours[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

void ReadViewerSettings() {
    TdfFile file;
    if (!TDF_Load(&file, "gamedata\\showcase.tdf")) FatalError("Could not open the Showcase information file");
    if (!TDF_EnterSection(&file, "RESOURCES")) {
        TDF_Free(&file);
        FatalError("Could not find the Resource section in the Showcase information file");
    }
    struct Setting {
        const char* key;
        char* value;
        const char* missing;
        bool isFile;
    };
    const Setting settings[] = {
        {"website", g_viewer.webSite, "Could not get the Web Site address", false},
        {"logo", g_viewer.logoName, "Could not get the Logo Image name", true},
        {"armbackground", g_viewer.armBackgroundName, "Could not get the Arm Background Image name", true},
        {"corebackground", g_viewer.coreBackgroundName, "Could not get the Core Background Image name", true},
    };
    for (const Setting& s : settings) {
        if (!TDF_GetString(&file, s.value, s.key, VIEWER_TEXT_SIZE - 1)) {
            TDF_Free(&file);
            FatalError(s.missing);
        }
        // A file outside the game folder is one that isn't there: the empty
        // name opens nothing.
        if (s.isFile && !GRIB_IsGamePath(s.value)) s.value[0] = 0;
    }
    TDF_Free(&file);
}

namespace {

// The temporary directory and a new, exclusively created file SHWxxxx.TMP in
// it; false when none could be made.
#ifdef _WIN32
bool CreateTempFile(char* name, size_t size) {
    char dir[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > MAX_PATH || size < MAX_PATH) return false;
    return GetTempFileNameA(dir, "SHW", 0, name) != 0;
}
#else
bool CreateTempFile(char* name, size_t size) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    size_t length = std::strlen(dir);
    const char* slash = dir[length - 1] == '/' ? "" : "/";
    unsigned start = (unsigned(std::time(nullptr)) ^ unsigned(getpid()) * 2654435761u) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        unsigned unique = (start + i) & 0xFFFF;
        if (!unique) continue;
        int n = std::snprintf(name, size, "%s%sSHW%04X.TMP", dir, slash, unique);
        if (n < 0 || size_t(n) >= size) return false;
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}
#endif

void DeleteAtExit() { DeleteTempPalette(); }

}  // namespace

void MakeTempPalette() {
    if (!CreateTempFile(g_viewer.tempPaletteName, sizeof g_viewer.tempPaletteName)) {
        g_viewer.tempPaletteName[0] = 0;
        FatalError("Could not create a temporary palette file");
    }
    // Every way out of the process removes the file, also one that skips
    // the shutdown steps.
    static bool registered = false;
    if (!registered) registered = std::atexit(DeleteAtExit) == 0;

    int32_t length = -1;
    auto* palette = static_cast<uint8_t*>(GRIB_LoadFile("palettes\\palette.pal", &length));
    if (!palette || length < int32_t(GRIB_PALETTE_SIZE)) {
        if (palette) GRIB_Free(palette);
        FatalError("Could not load the palette");
    }
    for (int i = 0; i < 20; ++i) {
        uint8_t* entry = palette + 4 * (i < 10 ? i : 236 + i);
        std::memcpy(entry, kSystemColours[i], 3);
    }
    FileHandle* out = GRIB_OpenAppend(g_viewer.tempPaletteName);
    if (!out) {
        GRIB_Free(palette);
        FatalError("Could not open the temporary palette file");
    }
    int32_t written = GRIB_Write(out, palette, int32_t(GRIB_PALETTE_SIZE));
    GRIB_Close(out);
    GRIB_Free(palette);
    if (written != int32_t(GRIB_PALETTE_SIZE)) FatalError("Could not open the temporary palette file");
}

void DeleteTempPalette() {
    if (!g_viewer.tempPaletteName[0]) return;
    std::remove(g_viewer.tempPaletteName);
    g_viewer.tempPaletteName[0] = 0;
}
