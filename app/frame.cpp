#include "app/frame.h"

#include <cmath>
#include <cstdio>

#include "app/backgrounds.h"
#include "app/hooks.h"
#include "app/script_host.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "grib/image/gaf.h"
#include "grib/image/textures.h"
#include "model/scene.h"

namespace {

int ButtonState(int id) { return g_viewerHooks.buttonState ? g_viewerHooks.buttonState(id) : 0; }
void SetButtonText(int id, const char* text) {
    if (g_viewerHooks.setButtonText) g_viewerHooks.setButtonText(id, text);
}
uint32_t Milliseconds() { return g_viewerHooks.milliseconds ? g_viewerHooks.milliseconds() : GRIB_Milliseconds(); }

struct DragState {
    bool dragging = false;
    int32_t lastX = 0;
    int32_t lastY = 0;
    uint32_t lastTime = 0;
    uint32_t previousTime = 0;
    double lastAngle = 0.0;
};
DragState g_drag;

GribBitmap* g_scratch = nullptr;
uint32_t g_randomState = 1;

constexpr double kTurnRate = 0.052359877559829834;  // π/60: 3 degrees per tick
constexpr double kFullTurn = 6.28318530717958;
constexpr double kMaxSpin = 0.10471975511965967;  // 6 degrees per tick
constexpr uint32_t BST_PUSHED_BIT = 4;

const char* const kAimFunctions[3] = {"AimPrimary", "AimSecondary", "AimTertiary"};
const char* const kFireFunctions[3] = {"FirePrimary", "FireSecondary", "FireTertiary"};

// Keeps a counter that only ever shrinks from wrapping around.
int32_t CountDown(int32_t value, int32_t ticks) {
    int64_t v = int64_t(value) - ticks;
    return v < -(int64_t(1) << 30) ? -(1 << 30) : int32_t(v);
}

GribBitmap* SideBackground(int32_t side) { return side == 1 ? g_viewer.armBackground : g_viewer.coreBackground; }

// Loads the backgrounds on first use and keeps them at the view's size.
void EnsureBackgrounds(int32_t width, int32_t height) {
    if (!g_viewer.armBackground) {
        LoadBackgrounds(width, height);
        return;
    }
    FitImage(&g_viewer.armBackground, width, height);
    FitImage(&g_viewer.coreBackground, width, height);
}

int32_t TruncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
}

}  // namespace

int32_t ViewerRandom() {
    g_randomState = g_randomState * 214013u + 2531011u;
    return int32_t((g_randomState >> 16) & 0x7FFF);
}

void ViewerSeedRandom(uint32_t seed) { g_randomState = seed; }

GribBitmap* ViewerScratchBitmap() { return g_scratch; }

void ReleaseScratchBitmap() {
    GRIB_FreeBitmap(g_scratch);
    g_scratch = nullptr;
}

void ResetDragState() { g_drag = DragState{}; }

void ShowSideLogo() {
    TextureSet* set = GRIB_FindTextureSet("Logos");
    if (!set) return;
    const uint16_t frame = g_viewer.currentSide == 1 ? 0 : 1;
    for (int32_t i = 0; i < set->entryCount; ++i) {
        const GribSequence* entry = GRIB_GAFEntry(set->gaf, i);
        if (!entry || !entry->frameCount) continue;
        // Restarting the cursor also revives a sequence that has run out;
        // an entry of one frame keeps showing that frame.
        GRIB_SequenceStart(&set->cursors[i], entry, frame);
        set->cursors[i].timeLeft = 10000;
    }
}

void AimWeapons(ViewerUnit* unit, int mode, int weapon) {
    if (!unit || !unit->script) return;
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i) {
        if (weapon >= 0 && i != weapon) continue;
        unit->aim[i].aimed = 0;
        int32_t h = 0, p = 0;
        if (mode == 1) {
            const int32_t r = unit->aimRate[i];
            const int64_t r1 = ViewerRandom();
            const int64_t r2 = ViewerRandom();
            uint16_t hd, pd;
            if (r > 0) {
                // The walk starts from the last aim in whole degrees.
                const uint16_t bias = uint16_t(3600 - 2 * int64_t(r));
                hd = uint16_t(uint16_t(unit->lastHeading[i] / 182) + bias + uint16_t(r1 * 4 * r / 32768)) % 360;
                pd = uint16_t(uint16_t(unit->lastPitch[i] / 182) + bias + uint16_t(r2 * 4 * r / 32768)) % 360;
                if (pd > 45) pd = 45;
            } else {
                hd = uint16_t(r1 * 360 / 32768);
                pd = uint16_t(r2 * 45 / 32768);
            }
            h = uint16_t(hd * 182);
            p = uint16_t(pd * 182);
        } else if (mode == 2) {
            h = unit->lastHeading[i];
            p = unit->lastPitch[i];
        } else if (mode != 0) {
            continue;
        }
        unit->lastHeading[i] = h;
        unit->lastPitch[i] = p;
        if (!StartFunctionWithArgs(unit->script, kAimFunctions[i], &unit->aim[i], 0, 2, h, p, 0, 0))
            unit->aim[i].Result(0);
    }
}

void UpdateUnit(ViewerUnit* unit, int32_t ticks) {
    if (!unit || !unit->script) return;
    RunScript(unit->script, ticks);
    for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i) {
        unit->reloadTimer[i] = CountDown(unit->reloadTimer[i], ticks);
        if (unit->shotsPending[i] > 0 && unit->aim[i].aimed != 0 && unit->reloadTimer[i] <= 0) {
            StartFunction(unit->script, kFireFunctions[i], nullptr, 0);
            unit->shotsPending[i]--;
            unit->reloadTimer[i] = unit->reloadTicks[i];
            if (unit->soundName[i][0] && unit == g_viewer.currentUnit)
                PlayNamedSound(g_viewer.soundCache, unit->soundName[i]);
            if (unit->shotsPending[i] > 0) AimWeapons(unit, 2, i);
        }
    }
}

void UnitCommand(ViewerUnit* unit, int id) {
    if (!unit || !unit->script) return;
    switch (id) {
        case ID_AIM:
            AimWeapons(unit, 1, -1);
            break;
        case ID_FIRE:
            for (int i = 0; i < UNIT_WEAPON_SLOTS; ++i) {
                if (unit->shotsPending[i] <= 0) AimWeapons(unit, 2, i);
                if (unit->shotsPending[i] < INT32_MAX) unit->shotsPending[i]++;
            }
            break;
        case ID_ACTIVATE:
            if (unit->active) {
                StartFunction(unit->script, "Deactivate", nullptr, 0);
                SetButtonText(ID_ACTIVATE, "Activate");
            } else {
                StartFunction(unit->script, "Activate", nullptr, 0);
                SetButtonText(ID_ACTIVATE, "Deactivate");
            }
            unit->active = !unit->active;
            break;
        case ID_MOVE:
            if (unit->moving) {
                StartFunction(unit->script, "StopMoving", nullptr, 0);
                SetButtonText(ID_MOVE, "Move");
            } else {
                StartFunction(unit->script, "StartMoving", nullptr, 0);
                SetButtonText(ID_MOVE, "Stop");
            }
            unit->moving = !unit->moving;
            break;
        default:
            break;
    }
}

int RenderUnit(ViewerUnit* unit, GribBitmap* surface) {
    if (!unit || !surface) return 0;
    const int32_t w = int32_t(surface->width), h = int32_t(surface->height);
    EnsureBackgrounds(w, h);
    if (PieceSlotTable* slots = unit->pieceSlots) {
        for (int32_t i = 0; i < slots->slotCount; ++i) {
            const PieceSlot& s = slots->slots[i];
            s.piece->fill = s.flags & PIECE_VISIBLE;
            s.piece->lit = (s.flags & PIECE_SHADE) && g_viewer.pieceLightFlags && unit->bmCode == 0 ? 1 : 0;
        }
    }
    GribBitmap* background = SideBackground(unit->side);
    bool drawn = false;
    if (g_viewer.antialias) {
        if (g_scratch && (g_scratch->width != uint32_t(2 * w) || g_scratch->height != uint32_t(2 * h)))
            ReleaseScratchBitmap();
        if (!g_scratch) g_scratch = GRIB_CreateBitmap("Scratch", uint32_t(2 * w), uint32_t(2 * h));
        if (g_scratch) {
            GribImage image{};
            GRIB_ImageFromBitmap(&image, background);
            GRIB_DrawImageScaled(g_scratch, &image, 0, 0, 2.0, 2.0);
            unit->view.baseScale = g_viewer.baseScale * 2.0;
            AnimateTree(unit->sceneHandle);
            RenderTree(unit->sceneHandle, g_scratch, &unit->view);
            GribImage from{}, to{};
            GRIB_ImageFromBitmap(&from, g_scratch);
            GRIB_ImageFromBitmap(&to, surface);
            GRIB_HalveImage(&from, &to);
            drawn = true;
        }
    }
    if (!drawn) {
        GRIB_BlitToScreen(surface, background, 0, 0);
        unit->view.baseScale = g_viewer.baseScale;
        AnimateTree(unit->sceneHandle);
        RenderTree(unit->sceneHandle, surface, &unit->view);
    }
    char text[64];
    std::snprintf(text, sizeof text, "Scale: %i%%", TruncToInt(unit->view.scale * 100.0));
    const int32_t fontHeight = GRIB_FontHeight();
    GRIB_DrawText(surface, text, 5, h - fontHeight - 1);
    if (g_viewer.showUnitName) GRIB_DrawText(surface, unit->fileName, 5, h - 2 * fontHeight - 1);
    return 1;
}

int DrawView(void*, GribBitmap* surface, uint32_t elapsed) {
    if (g_viewer.minimized || !surface) return 0;
    int32_t ticks = elapsed > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(elapsed);
    if (!g_viewer.aboutOpen && g_viewer.clockReset) {
        g_viewer.clockReset = false;
        ticks = 0;
    }
    if (!g_viewer.aboutOpen) {
        GRIB_AdvanceTextures(uint32_t(ticks));
        ShowSideLogo();
        for (ViewerUnit* unit : g_viewer.units) UpdateUnit(unit, ticks);
    }
    g_viewer.viewWidth = int32_t(surface->width);
    g_viewer.viewHeight = int32_t(surface->height);
    if (ViewerUnit* unit = g_viewer.currentUnit) {
        double rate = unit->spin;
        if (ButtonState(ID_TURN_RIGHT) & BST_PUSHED_BIT) rate = -kTurnRate;
        else if (ButtonState(ID_TURN_LEFT) & BST_PUSHED_BIT) rate = kTurnRate;
        double& angle = unit->wrapper->angleY;
        angle += ticks * rate;
        if (std::isfinite(angle)) {
            while (angle > kFullTurn) angle -= kFullTurn;
            while (angle < -kFullTurn) angle += kFullTurn;
        } else {
            angle = 0.0;
        }
        return RenderUnit(unit, surface);
    }
    EnsureBackgrounds(g_viewer.viewWidth, g_viewer.viewHeight);
    GRIB_BlitToScreen(surface, SideBackground(g_viewer.currentSide), 0, 0);
    GRIB_DrawTextCentred(surface, "No Units Loaded", (g_viewer.viewHeight - GRIB_FontHeight()) / 2);
    return 1;
}

intptr_t ViewEvents(void* window, uint32_t message, uintptr_t first, intptr_t second) {
    const int32_t x = int32_t(uint32_t(second) & 0xFFFF);
    const int32_t y = int32_t((uint32_t(second) >> 16) & 0xFFFF);
    ViewerUnit* unit = g_viewer.currentUnit;
    switch (message) {
        case VIEW_MOUSE_MOVE:
            g_drag.previousTime = g_drag.lastTime;
            g_drag.lastTime = Milliseconds();
            if (g_drag.dragging) {
                if (!(first & VIEW_LEFT_BUTTON_HELD)) {
                    g_drag.dragging = false;
                } else if (unit) {
                    const int32_t span = g_viewer.viewWidth + g_viewer.viewHeight;
                    if (span > 0) {
                        g_drag.lastAngle =
                            double((g_drag.lastX - x) + (y - g_drag.lastY)) / double(span) * 3.14159265358979;
                        unit->wrapper->angleY += g_drag.lastAngle;
                    }
                    g_drag.lastX = x;
                    g_drag.lastY = y;
                }
            }
            return 0;
        case VIEW_LEFT_BUTTON_DOWN:
            if (!unit) {
                g_drag.dragging = false;
                return 0;
            }
            g_drag.dragging = true;
            g_drag.lastAngle = 0.0;
            g_drag.lastX = x;
            g_drag.lastY = y;
            g_drag.lastTime = g_drag.previousTime = Milliseconds();
            unit->spin = 0.0;
            return 0;
        case VIEW_LEFT_BUTTON_UP: {
            const uint32_t now = Milliseconds();
            if (g_drag.dragging) {
                double spin = 0.0;
                if (int32_t(g_drag.previousTime) < int32_t(now)) {
                    spin = g_drag.lastAngle / double(now - g_drag.previousTime) * 33.333333333333336;
                    if (spin > kMaxSpin) spin = kMaxSpin;
                    if (spin < -kMaxSpin) spin = -kMaxSpin;
                }
                if (unit) unit->spin = spin;
            }
            g_drag.dragging = false;
            return 0;
        }
        default:
            return g_viewerHooks.viewDefaultProc ? g_viewerHooks.viewDefaultProc(window, message, first, second) : 0;
    }
}
