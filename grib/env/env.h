// The GRIB environment: the one global record of the library, its start-up
// and shut-down, the tick clock and the tagged allocator.
#pragma once

#include <cstddef>
#include <cstdint>

struct OPENGRIBFILE;
struct GribBitmap;
struct GribImage;

// Feature flags of GribEnvironment::flags.
enum : uint16_t {
    GRIB_FLAG_VALID = 0x0001,
    GRIB_FLAG_CONSOLE = 0x0002,
    GRIB_FLAG_ALPHA = 0x0020,
    GRIB_FLAG_SHADE = 0x0040,
    GRIB_FLAG_LIGHT = 0x0080,
    GRIB_FLAG_GRAY = 0x0100,
    GRIB_FLAG_BLUE = 0x0200,
    GRIB_FLAG_CURSOR_THREAD = 0x0400,
    GRIB_FLAG_DEBUG = 0x0800,
    GRIB_FLAG_RESERVED_1000 = 0x1000,
};

// One mouse state or queued mouse event (six 32-bit words).
struct GribMouseRecord {
    uint32_t x;
    uint32_t y;
    uint32_t buttons;
    uint32_t time;
    uint32_t message;
    uint32_t doubleClick;
};

enum { GRIB_TYPEAHEAD_MAX = 30 };

struct GribEnvironment {
    const char* title;
    void* mainWindow;
    GribBitmap* currentSurface;
    uint8_t* alphaTable;
    uint8_t* shadeTable;
    uint8_t* lightTable;
    uint8_t* grayTable;
    uint8_t* blueTable;
    int32_t width;
    int32_t height;
    uint32_t surfacePresent;
    uint32_t active;
    int32_t tickRate;
    uint16_t flags;
    int32_t requestedWidth;
    int32_t requestedHeight;
    uint16_t config;
    OPENGRIBFILE** mounts;
    int32_t mountCount;
    uint32_t allocatedBytes;

    // Text state of the 2D drawing operations.
    const uint8_t* font;
    uint32_t textForeground;
    uint32_t textBackground;
    uint32_t textTransparent;

    // Input rings and the software cursor.
    uint32_t typeaheadCapacity;
    uint32_t typeahead[GRIB_TYPEAHEAD_MAX];
    uint32_t typeaheadHead;
    uint32_t typeaheadTail;
    uint32_t mouseCapacity;
    GribMouseRecord* mouseEvents;
    uint32_t mouseHead;
    uint32_t mouseTail;
    GribMouseRecord mouse;
    const GribImage* cursorImage;
    int32_t cursorPrevX;
    int32_t cursorPrevY;
    GribBitmap* saveUnder[3];
    uint32_t cursorDrawing;
    volatile uint32_t cursorStop;
};

GribEnvironment* GRIB_GetEnvironment();

// Seams to the parts of the library that need the window system. The display
// and input layers install them before GRIB_Startup; without them the library
// runs headless (tools and tests).
struct GribPlatformHooks {
    // Registers the surface window class and starts the global timer.
    int (*displayStartup)(void* instance, uint32_t timerMode);
    // Stops the global timer.
    void (*displayShutdown)();
    // Creates the input rings and save-under buffers; called during
    // environment initialisation with the mouse capacity and thread flag.
    void (*inputStart)(uint32_t mouseCapacity, int startThread);
    // Shows a message box owned by the main window, captioned with the title.
    void (*messageBox)(const char* caption, const char* text);
};
void GRIB_SetPlatformHooks(const GribPlatformHooks* hooks);

int GRIB_Startup(int32_t tickRate, void* instance, uint32_t timerMode);
[[noreturn]] void GRIB_Shutdown(const char* message);

void GRIB_SetTickRate(int32_t ticksPerSecond);
int32_t GRIB_GetTickRate();
uint32_t GRIB_Ticks();
// The platform millisecond counter, kept to 32 bits (monotonic).
uint32_t GRIB_Milliseconds();

// Tagged blocks: every block carries its requested size and a tag of up to
// 63 characters. Never mix them with plain heap blocks.
void* GRIB_Alloc(const char* tag, size_t size);
void GRIB_Free(void* block);
void* GRIB_Realloc(void* block, const char* tag, size_t size);
// The requested size and tag of a live tagged block (for bounds checks and
// inspection).
size_t GRIB_BlockSize(const void* block);
const char* GRIB_BlockTag(const void* block);
