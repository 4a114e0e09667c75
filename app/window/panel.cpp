// The main panel (dialog 103): side switch, unit list, scale slider, turn
// and action buttons, and the statistics of the current unit.
#include <string>

#include "app/frame.h"
#include "app/panel_text.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "grib/env/names.h"
#include "resources/resources.h"

namespace {

constexpr int kSliderTop = 10;
constexpr int kSliderBottom = 25;

HWND Panel() { return static_cast<HWND>(g_viewer.mainPanel); }

LRESULT Send(int id, uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return PlatformSendDlgItemMessage(Panel(), id, message, wParam, lParam);
}

void Enable(int id, bool enable) { PlatformEnableWindow(PlatformGetDlgItem(Panel(), id), enable ? 1 : 0); }

void PutBitmap(int buttonId, int bitmapId) {
    std::span<const uint8_t> image = ShowcaseBitmap(bitmapId);
    // Kept for the life of the program, like a loaded resource.
    PlatformBitmap* bitmap = PlatformLoadBitmap(image.data(), image.size(), 1);
    if (bitmap) Send(buttonId, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

// The Name of the selected list item, or false when nothing is selected.
bool SelectedName(std::string* name) {
    LRESULT selection = Send(IDC_UNIT_LIST, LB_GETCURSEL);
    if (selection < 0) return false;
    LRESULT length = Send(IDC_UNIT_LIST, LB_GETTEXTLEN, WPARAM(selection));
    if (length < 0) return false;
    std::string text(size_t(length) + 1, '\0');
    Send(IDC_UNIT_LIST, LB_GETTEXT, WPARAM(selection), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::char_traits<char>::length(text.c_str()));
    *name = text;
    return true;
}

void SelectionChanged() {
    std::string name;
    g_viewer.currentUnit = nullptr;
    if (SelectedName(&name)) {
        const char* prefix = g_viewer.currentSide == 1 ? "ARM" : "COR";
        for (ViewerUnit* unit : g_viewer.units)
            if (GRIB_SameName(unit->name, name.c_str()) && GRIB_HasPrefix(unit->fileName, prefix)) {
                g_viewer.currentUnit = unit;
                break;
            }
    }
    UpdatePanel();
}

void SwitchSide(int side) {
    if (g_viewer.currentSide == side) return;
    ViewerUnit* remembered = g_viewer.currentUnit;
    const int32_t keptTop = g_viewer.otherSideTop;
    g_viewer.otherSideTop = int32_t(Send(IDC_UNIT_LIST, LB_GETTOPINDEX));
    g_viewer.currentSide = side;
    Send(IDC_UNIT_LIST, LB_RESETCONTENT);
    const char* prefix = side == 1 ? "ARM" : "COR";
    for (ViewerUnit* unit : g_viewer.units)
        if (GRIB_HasPrefix(unit->fileName, prefix))
            Send(IDC_UNIT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit->name));
    if (g_viewer.otherSideUnit)
        Send(IDC_UNIT_LIST, LB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(g_viewer.otherSideUnit->name));
    else
        Send(IDC_UNIT_LIST, LB_SETCURSEL, 0);
    Send(IDC_UNIT_LIST, LB_SETTOPINDEX, WPARAM(keptTop));
    PlatformPostMessage(Panel(), WM_COMMAND, MAKEWPARAM(IDC_UNIT_LIST, LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(PlatformGetDlgItem(Panel(), IDC_UNIT_LIST)));
    g_viewer.otherSideUnit = remembered;
}

void RunAboutBox() {
    HWND main = static_cast<HWND>(g_viewer.mainWindow);
    PlatformSetForegroundWindow(main);
    PlatformDialogBox(ShowcaseDialog(IDD_ABOUT), main, AboutDlgProc);
    PlatformShowWindow(main, SW_SHOW);
    Trace("main-window visible=%d", PlatformIsWindowVisible(main));
}

void Scroll(uint32_t code, int32_t thumb) {
    ViewerUnit* unit = g_viewer.currentUnit;
    if (!unit) return;
    const int32_t position = SliderPosition(unit->view.scale);
    int32_t next = 0;
    bool moved = true;
    switch (code) {
        case TB_LINEUP:
            moved = position > kSliderTop;
            next = position - 1;
            break;
        case TB_LINEDOWN:
            moved = position < kSliderBottom;
            next = position + 1;
            break;
        case TB_PAGEUP:
            next = position - 2 < kSliderTop ? kSliderTop : position - 2;
            break;
        case TB_PAGEDOWN:
            next = position + 2 > kSliderBottom ? kSliderBottom : position + 2;
            break;
        case TB_THUMBPOSITION:
        case TB_THUMBTRACK:
            next = thumb;
            break;
        case TB_TOP:
            next = kSliderTop;
            break;
        case TB_BOTTOM:
            next = kSliderBottom;
            break;
        default:
            moved = false;
            break;
    }
    if (moved && next >= 1) unit->view.scale = (35 - next) * 0.05;
}

}  // namespace

int PanelButtonState(int controlId) { return int(PlatformSendDlgItemMessage(Panel(), controlId, BM_GETSTATE, 0, 0)); }

void SetPanelButtonText(int controlId, const char* text) { PlatformSetDlgItemText(Panel(), controlId, text); }

void UpdatePanel() {
    const ViewerUnit* unit = g_viewer.currentUnit;
    const PanelTexts t = ComputePanelTexts(unit);
    HWND panel = Panel();
    PlatformSetDlgItemText(panel, IDC_UNIT_CAPTION, t.caption.c_str());
    PlatformSetDlgItemText(panel, IDC_DESCRIPTION, t.description.c_str());
    if (unit) {
        Send(IDC_SCALE_SLIDER, TBM_SETPOS, 1, t.slider);
        PlatformShowWindow(PlatformGetDlgItem(panel, IDC_SCALE_SLIDER), SW_SHOW);
    }
    Enable(ID_ACTIVATE, t.activateEnabled);
    PlatformSetDlgItemText(panel, ID_ACTIVATE, t.activate.c_str());
    Enable(ID_MOVE, t.moveEnabled);
    PlatformSetDlgItemText(panel, ID_MOVE, t.move.c_str());
    Enable(ID_AIM, t.aimEnabled);
    Enable(ID_FIRE, t.fireEnabled);
    PlatformSetDlgItemText(panel, IDC_ENERGY, t.energy.c_str());
    PlatformSetDlgItemText(panel, IDC_METAL, t.metal.c_str());
    PlatformSetDlgItemText(panel, IDC_TIME, t.time.c_str());
    PlatformSetDlgItemText(panel, IDC_SPEED, t.speed.c_str());
    PlatformSetDlgItemText(panel, IDC_ACCELERATION, t.acceleration.c_str());
    PlatformSetDlgItemText(panel, IDC_TURN_RATE, t.turnRate.c_str());
    PlatformSetDlgItemText(panel, IDC_WEAPONS, t.weapons.c_str());
    if (!unit) PlatformShowWindow(PlatformGetDlgItem(panel, IDC_SCALE_SLIDER), SW_HIDE);
}

intptr_t MainDlgProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_viewer.mainPanel = dialog;
            Send(IDC_SCALE_SLIDER, TBM_SETRANGE, 1, MAKELPARAM(kSliderTop, kSliderBottom));
            Send(IDC_SCALE_SLIDER, TBM_SETLINESIZE, 0, 1);
            Send(IDC_SCALE_SLIDER, TBM_SETPAGESIZE, 0, 2);
            g_viewer.currentSide = 0;
            PlatformCheckRadioButton(dialog, IDC_SIDE_ARM, IDC_SIDE_CORE, IDC_SIDE_ARM);
            PlatformSendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDC_SIDE_ARM, BN_CLICKED), 0);
            PutBitmap(IDC_SPIN_LEFT, IDB_ARROW_LEFT);
            PutBitmap(IDC_SPIN_RIGHT, IDB_ARROW_RIGHT);
            PutBitmap(IDC_SPIN_STOP, IDB_SQUARE);
            return 0;
        case WM_COMMAND: {
            const int id = int(LOWORD(wParam));
            if (id < IDC_UNIT_LIST || id > IDC_SPIN_STOP) return 0;
            switch (id) {
                case IDC_UNIT_LIST:
                    if (HIWORD(wParam) == LBN_SELCHANGE) SelectionChanged();
                    break;
                case ID_AIM:
                case ID_FIRE:
                case ID_ACTIVATE:
                case ID_MOVE:
                    if (g_viewer.currentUnit) UnitCommand(g_viewer.currentUnit, id);
                    break;
                case IDC_ABOUT_BUTTON:
                    RunAboutBox();
                    break;
                case IDC_SIDE_ARM:
                    SwitchSide(1);
                    break;
                case IDC_SIDE_CORE:
                    SwitchSide(0);
                    break;
                case IDC_SPIN_STOP:
                    if (g_viewer.currentUnit) g_viewer.currentUnit->spin = 0.0;
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_VSCROLL:
            Scroll(LOWORD(wParam), int32_t(int16_t(HIWORD(wParam))));
            return 0;
        default:
            return 0;
    }
}
