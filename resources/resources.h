// The viewer's resources: dialog templates (in dialog units), the three turn
// bitmaps and the program icon, all compiled into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/dialog.h"

enum : int {
    IDI_SHOWCASE = 101,
    IDD_MAIN_PANEL = 103,
    IDD_LOADING = 104,
    IDD_ABOUT = 107,
    IDB_ARROW_RIGHT = 108,
    IDB_ARROW_LEFT = 109,
    IDB_SQUARE = 110,
};

// Control ids of the dialogs.
enum : int {
    IDC_LOADING_STATUS = 1000,
    IDC_ABORT = 1001,
    IDC_UNIT_LIST = 1006,
    IDC_DESCRIPTION = 1008,
    IDC_VIEW_WINDOW = 1015,
    IDC_ENERGY = 1016,
    IDC_METAL = 1017,
    IDC_TIME = 1018,
    IDC_WEAPONS = 1019,
    IDC_SPEED = 1020,
    IDC_ACCELERATION = 1021,
    IDC_TURN_RATE = 1023,
    IDC_ABOUT_BUTTON = 1026,
    IDC_LOGO_WINDOW = 1027,
    IDC_UNIT_CAPTION = 1028,
    IDC_SCALE_SLIDER = 1029,
    IDC_SIDE_ARM = 1030,
    IDC_SIDE_CORE = 1031,
    IDC_WEB_SITE = 1032,
    IDC_SPIN_RIGHT = 1034,
    IDC_SPIN_LEFT = 1035,
    IDC_SPIN_STOP = 1036,
};

// The template of dialog 103, 104 or 107; null for any other id.
const PlatformDialogTemplate* ShowcaseDialog(int id);

// A bitmap resource (108, 109, 110) as a Windows .bmp image, 16 x 10 pixels,
// 16 colours; empty for any other id.
std::span<const uint8_t> ShowcaseBitmap(int id);

// The icon (101) as 32 x 32 RGBA pixels, rows top first; empty for any
// other id.
inline constexpr int SHOWCASE_ICON_SIZE = 32;
std::span<const uint8_t> ShowcaseIcon(int id);
