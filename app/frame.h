// The frame driver: the view window's draw and event callbacks, the action
// buttons, weapon aiming and firing, and drawing the current unit.
#pragma once

#include <cstdint>

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

// The platform's message numbers and key flag that ViewEvents handles.
enum : uint32_t {
    VIEW_MOUSE_MOVE = 0x0200,
    VIEW_LEFT_BUTTON_DOWN = 0x0201,
    VIEW_LEFT_BUTTON_UP = 0x0202,
    VIEW_LEFT_BUTTON_HELD = 0x0001,
};

// The view window's callbacks, with the window as an opaque handle and the
// platform's message numbers (mouse moves and left button presses; the rest
// go to g_viewerHooks.viewDefaultProc). app/window/ adapts them to the
// display's callback types.
int DrawView(void* window, GribBitmap* surface, uint32_t elapsed);
intptr_t ViewEvents(void* window, uint32_t message, uintptr_t first, intptr_t second);
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
