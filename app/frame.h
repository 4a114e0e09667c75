// The frame driver: the view window's draw and event callbacks, the action
// buttons, weapon aiming and firing, and drawing the current unit.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct GribBitmap;
struct ViewerUnit;

// Control ids of the panel that the frame driver uses.
enum : int {
    ID_AIM = 1011,
    ID_FIRE = 1012,
    ID_ACTIVATE = 1014,
    ID_MOVE = 1024,
    ID_TURN_RIGHT = 1034,
    ID_TURN_LEFT = 1035,
};

// Platform seams, replaceable for tests and the tool.
// The button state of a panel control (BST_PUSHED, 4, while held down).
extern int (*g_buttonState)(int controlId);
// The platform millisecond counter.
extern uint32_t (*g_milliseconds)();
// Sets the text of a panel button.
extern void (*g_setButtonText)(int controlId, const char* text);
// The default window procedure for messages the view does not handle.
extern PlatformWndProc g_viewDefaultProc;

int DrawView(HWND window, GribBitmap* surface, uint32_t elapsed);
LRESULT ViewEvents(HWND window, uint32_t message, WPARAM first, LPARAM second);
void UpdateUnit(ViewerUnit* unit, int32_t ticks);
void UnitCommand(ViewerUnit* unit, int controlId);
// mode 0 straight ahead, 1 a new random aim, 2 the last aim again; weapon
// -1 aims every slot.
void AimWeapons(ViewerUnit* unit, int mode, int weapon);
int RenderUnit(ViewerUnit* unit, GribBitmap* surface);
void ShowSideLogo();

// The random source of the aims (uniform 0 ... 32,767) and its seed.
int32_t ViewerRandom();
void ViewerSeedRandom(uint32_t seed);

// The scratch bitmap of antialiased frames (null before the first one), and
// its release (tool and test teardown).
GribBitmap* ViewerScratchBitmap();
void ReleaseScratchBitmap();
// Back to the initial drag state.
void ResetDragState();
