// Dialog templates 103 (main panel), 104 (loading box) and 107 (About box).
#include "resources/resources.h"

namespace {

constexpr uint32_t kVisible = WS_VISIBLE;
constexpr uint32_t kGroup = kVisible | BS_GROUPBOX;
constexpr uint32_t kPush = kVisible | WS_TABSTOP | BS_PUSHBUTTON;
constexpr uint32_t kBitmapPush = kPush | BS_BITMAP;
constexpr uint32_t kNumber = kVisible | WS_BORDER | ES_READONLY | ES_NUMBER | ES_AUTOHSCROLL;
constexpr uint32_t kLabel = kVisible | SS_LEFT;

const PlatformDialogItem kMainPanelItems[] = {
    {"BUTTON", "Side", -1, kGroup, 5, 0, 105, 30},
    {"BUTTON", "ARM", IDC_SIDE_ARM, kVisible | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 15, 10, 32, 15},
    {"BUTTON", "CORE", IDC_SIDE_CORE, kVisible | BS_AUTORADIOBUTTON, 65, 10, 36, 15},
    {"BUTTON", "Program Information", -1, kGroup, 115, 0, 135, 30},
    {"BUTTON", "About Showcase...", IDC_ABOUT_BUTTON, kPush, 120, 10, 125, 15},
    {"BUTTON", "Select Unit", -1, kGroup, 5, 35, 105, 190},
    {"LISTBOX", "", IDC_UNIT_LIST,
     kVisible | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, 10, 45, 95,
     175},
    {"BUTTON", "Static", IDC_UNIT_CAPTION, kGroup | BS_CENTER, 115, 35, 135, 190},
    {"msctls_trackbar32", "Slider1", IDC_SCALE_SLIDER, kVisible | WS_TABSTOP | TBS_VERT | TBS_AUTOTICKS, 121, 45,
     10, 100},
    {"BUTTON", "", -1, kGroup, 134, 41, 111, 106},
    {"STATIC", "View Window", IDC_VIEW_WINDOW, SS_LEFT, 136, 47, 106, 98},
    {"BUTTON", "", IDC_SPIN_LEFT, kBitmapPush, 155, 150, 20, 15},
    {"BUTTON", "", IDC_SPIN_STOP, kBitmapPush, 180, 150, 20, 15},
    {"BUTTON", "", IDC_SPIN_RIGHT, kBitmapPush, 205, 150, 20, 15},
    {"EDIT", "", IDC_DESCRIPTION, kVisible | WS_BORDER | ES_MULTILINE | ES_CENTER | ES_READONLY, 120, 168, 125, 52},
    {"BUTTON", "Statistics", -1, kGroup, 255, 0, 100, 65},
    {"STATIC", "Max Velocity", -1, kLabel, 260, 13, 40, 8},
    {"EDIT", "", IDC_SPEED, kNumber, 305, 13, 45, 14},
    {"STATIC", "Acceleration", -1, kLabel, 260, 28, 40, 8},
    {"EDIT", "", IDC_ACCELERATION, kNumber, 305, 28, 45, 14},
    {"STATIC", "Turn Rate", -1, kLabel, 260, 43, 33, 8},
    {"EDIT", "", IDC_TURN_RATE, kNumber, 305, 43, 45, 14},
    {"BUTTON", "Cost", -1, kGroup, 255, 67, 100, 60},
    {"STATIC", "Energy", -1, kLabel, 260, 77, 25, 8},
    {"EDIT", "", IDC_ENERGY, kNumber, 305, 77, 45, 14},
    {"STATIC", "Metal", -1, kLabel, 260, 93, 18, 8},
    {"EDIT", "", IDC_METAL, kNumber, 305, 93, 45, 14},
    {"STATIC", "Time", -1, kLabel, 260, 109, 16, 8},
    {"EDIT", "", IDC_TIME, kNumber, 305, 109, 45, 14},
    {"BUTTON", "Weapons", -1, kGroup, 255, 130, 100, 45},
    {"EDIT", "", IDC_WEAPONS, kVisible | ES_MULTILINE | ES_CENTER | ES_READONLY, 261, 140, 90, 30},
    {"BUTTON", "Actions", -1, kGroup, 255, 175, 100, 50},
    {"BUTTON", "Activate", 1014, kPush, 260, 185, 44, 15},
    {"BUTTON", "Move", 1024, kPush, 260, 205, 44, 15},
    {"BUTTON", "Aim", 1011, kPush, 306, 185, 44, 15},
    {"BUTTON", "Fire", 1012, kPush, 306, 205, 44, 15},
};

const PlatformDialogItem kLoadingItems[] = {
    {"STATIC", "Loading, Please Wait...", -1, kVisible | SS_CENTER, 10, 12, 166, 10},
    {"STATIC", "Initializing", IDC_LOADING_STATUS, kVisible | SS_CENTER, 10, 30, 166, 10},
    {"BUTTON", "Abort", IDC_ABORT, kPush, 68, 55, 50, 16},
};

const PlatformDialogItem kAboutItems[] = {
    {"BUTTON", "OK", IDOK, kVisible | WS_TABSTOP | BS_DEFPUSHBUTTON, 171, 119, 65, 20},
    {"BUTTON", "Visit the Web Site", IDC_WEB_SITE, kPush | BS_MULTILINE, 21, 119, 65, 20},
    {"STATIC", "", IDC_LOGO_WINDOW, SS_LEFT, 93, 94, 71, 45},
    {"STATIC", "Varnholt Showcase", -1, kVisible | SS_CENTER, 82, 5, 93, 8},
    {"STATIC", "A viewer for the units of Varnholt", -1, kVisible | SS_CENTER, 40, 16, 178, 8},
    {"STATIC", "Made by the Showcase developers", -1, kVisible | SS_CENTER, 40, 26, 178, 8},
    {"STATIC",
     "Welcome! Pick a side and a unit from the list to see it turn in 3D. Drag the model to spin it, use the "
     "slider to scale it, and let it move, aim and fire with the action buttons.",
     -1, kVisible | SS_LEFT, 8, 41, 242, 29},
    {"STATIC", "News, more units and help are on the web site: press the button below to visit it.", -1,
     kVisible | SS_LEFT, 13, 75, 232, 19},
};

template <size_t N>
constexpr size_t Count(const PlatformDialogItem (&)[N]) {
    return N;
}

const PlatformDialogTemplate kMainPanel{WS_CHILD | WS_VISIBLE | DS_SETFONT, 0, 0, 361, 231, "", "MS Sans Serif", 8,
                                        kMainPanelItems, Count(kMainPanelItems)};
const PlatformDialogTemplate kLoading{WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
                                      0, 0, 186, 82, "Varnholt Showcase", "MS Sans Serif", 8, kLoadingItems,
                                      Count(kLoadingItems)};
const PlatformDialogTemplate kAbout{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT, 0,
                                    0, 258, 146, "About Showcase", "MS Sans Serif", 8, kAboutItems,
                                    Count(kAboutItems)};

}  // namespace

const PlatformDialogTemplate* ShowcaseDialog(int id) {
    switch (id) {
        case IDD_MAIN_PANEL:
            return &kMainPanel;
        case IDD_LOADING:
            return &kLoading;
        case IDD_ABOUT:
            return &kAbout;
        default:
            return nullptr;
    }
}
