// The viewer's program-wide state, the start-up data path shared by the
// windowed program and the grib tool, fatal errors and the loading status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "grib/tdf/tdf.h"

struct GribBitmap;
struct SoundCache;
struct ViewerUnit;

enum { VIEWER_TEXT_SIZE = 260 };  // settings texts and the palette file name

struct ViewerState {
    void* instance = nullptr;
    std::vector<std::string> arguments;
    bool scaleByScreen = true;
    bool hiddenKeys = false;
    double baseScale = 2.5;
    bool antialias = true;
    bool pieceLightFlags = true;
    bool showUnitName = false;
    int32_t depthMode = 1;
    bool minimized = false;
    bool aboutOpen = false;
    bool clockReset = false;
    bool firstAbout = true;
    int32_t currentSide = 0;  // 1 = ARM, 0 = CORE
    std::vector<ViewerUnit*> units;
    ViewerUnit* currentUnit = nullptr;
    ViewerUnit* otherSideUnit = nullptr;
    int32_t otherSideTop = 0;
    void* mainWindow = nullptr;
    void* mainPanel = nullptr;
    void* viewWindow = nullptr;
    int32_t panelWidth = 0;
    int32_t panelHeight = 0;
    int32_t viewWidth = 100;
    int32_t viewHeight = 100;
    SoundCache* soundCache = nullptr;
    TdfFile weapons;
    uint8_t* font = nullptr;     // tagged block
    uint8_t* palette = nullptr;  // tagged block of at least 1,024 bytes
    char tempPaletteName[VIEWER_TEXT_SIZE + 1] = {};
    // Settings (section RESOURCES of gamedata\showcase.tdf).
    char webSite[VIEWER_TEXT_SIZE] = {};
    char logoName[VIEWER_TEXT_SIZE] = {};
    char armBackgroundName[VIEWER_TEXT_SIZE] = {};
    char coreBackgroundName[VIEWER_TEXT_SIZE] = {};
    GribBitmap* armBackground = nullptr;
    GribBitmap* coreBackground = nullptr;
    GribBitmap* logoImage = nullptr;
};

extern ViewerState g_viewer;

// Fatal errors: deletes the temporary palette, hands the message to
// g_viewerHooks.fatalError (app/hooks.h) and ends the process with status 1.
[[noreturn]] void FatalError(const char* message);

// The loading box's status line (g_viewerHooks.loadingStatus).
void SetLoadingStatus(const char* text);

// Start-up steps from the sound cache to the unit list: data sources and
// settings, font, palette and tables, textures, weapons and units. Failures
// end in FatalError. screenWidth > 0 scales baseScale when scaleByScreen is
// set; 0 leaves it as it is (no screen).
void ViewerLoadData(int32_t screenWidth);

// Shutdown steps short of GRIB_Shutdown: the sound cache, the temporary
// palette, the unit list, the font and the palette. ViewerReset also drops
// what later frames made (backgrounds, logo, the scratch bitmap, textures,
// mounts) and returns g_viewer to its initial state, for tools and tests
// that load more than one game.
void ViewerShutdownData();
void ViewerReset();

// Releases every unit record and the list.
void FreeUnitList();
