// Dialogs, controls and message boxes of the window-system layer.
//
// A dialog is built from a template whose coordinates are dialog units: an
// x unit is a quarter of the dialog font's average character width and a y
// unit an eighth of its height (the font's base units). A WS_CHILD dialog is
// modeless and lies inside its parent; other dialogs are top-level windows.
// The dialog procedure gets WM_INITDIALOG once all controls exist and returns
// nonzero for messages it handled; WM_CLOSE left to the default becomes a
// WM_COMMAND with IDCANCEL.
//
// Controls (class names as in Win32) and the messages they answer:
//   "BUTTON": BS_PUSHBUTTON, BS_DEFPUSHBUTTON (Enter presses it),
//     BS_AUTORADIOBUTTON (checks itself and clears the other radio buttons of
//     the dialog), BS_GROUPBOX (a frame with its text at the top, BS_CENTER
//     centres it), BS_BITMAP (shows the bitmap of BM_SETIMAGE).
//     BM_GETCHECK, BM_SETCHECK, BM_GETSTATE (BST_PUSHED while held down),
//     BM_SETSTATE, BM_SETIMAGE. Clicks send WM_COMMAND (id, BN_CLICKED).
//   "LISTBOX": single selection; LBS_SORT keeps the items sorted without
//     regard to case; LBS_NOTIFY posts WM_COMMAND (id, LBN_SELCHANGE) when the
//     user changes the selection. LB_ADDSTRING, LB_INSERTSTRING,
//     LB_DELETESTRING, LB_RESETCONTENT, LB_GETCOUNT, LB_SETCURSEL,
//     LB_GETCURSEL, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRING,
//     LB_FINDSTRINGEXACT, LB_SELECTSTRING, LB_GETTOPINDEX, LB_SETTOPINDEX.
//   "EDIT": shows text; ES_READONLY, ES_MULTILINE (wraps), ES_CENTER.
//   "STATIC": a text (SS_CENTER centres it); without WS_VISIBLE a hidden
//     placeholder whose rectangle the program reads.
//   "msctls_trackbar32": TBS_VERT; TBM_SETRANGE, TBM_SETRANGEMIN/MAX,
//     TBM_GETRANGEMIN/MAX, TBM_SETPOS, TBM_GETPOS, TBM_SETLINESIZE,
//     TBM_SETPAGESIZE. The user's moves set the position (line and page
//     steps, clamped to the range) and then post WM_VSCROLL to the parent
//     with MAKEWPARAM(code, position) and the track bar as lParam: arrow keys
//     TB_LINEUP/TB_LINEDOWN, Page Up/Down and clicks beside the thumb
//     TB_PAGEUP/TB_PAGEDOWN, Home TB_TOP, End TB_BOTTOM, dragging
//     TB_THUMBTRACK and, on release, TB_THUMBPOSITION; every move ends with
//     TB_ENDTRACK.
// Every control answers WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window.h"

using PlatformDlgProc = intptr_t (*)(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam);

// Dialog styles.
inline constexpr uint32_t DS_SETFONT = 0x40;
inline constexpr uint32_t DS_MODALFRAME = 0x80;
inline constexpr uint32_t DS_CENTER = 0x800;

// Button styles, messages, states and notifications.
inline constexpr uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr uint32_t BS_GROUPBOX = 0x7;
inline constexpr uint32_t BS_AUTORADIOBUTTON = 0x9;
inline constexpr uint32_t BS_TYPEMASK = 0xF;
inline constexpr uint32_t BS_BITMAP = 0x80;
inline constexpr uint32_t BS_CENTER = 0x300;
inline constexpr uint32_t BS_MULTILINE = 0x2000;
inline constexpr uint32_t BM_GETCHECK = 0x00F0;
inline constexpr uint32_t BM_SETCHECK = 0x00F1;
inline constexpr uint32_t BM_GETSTATE = 0x00F2;
inline constexpr uint32_t BM_SETSTATE = 0x00F3;
inline constexpr uint32_t BM_SETIMAGE = 0x00F7;
inline constexpr uint32_t BST_UNCHECKED = 0;
inline constexpr uint32_t BST_CHECKED = 1;
inline constexpr uint32_t BST_PUSHED = 4;
inline constexpr uint32_t BN_CLICKED = 0;
inline constexpr uint32_t IMAGE_BITMAP = 0;

// List box styles, messages and notifications.
inline constexpr uint32_t LBS_NOTIFY = 0x1;
inline constexpr uint32_t LBS_SORT = 0x2;
inline constexpr uint32_t LBS_NOINTEGRALHEIGHT = 0x100;
inline constexpr uint32_t LB_ADDSTRING = 0x0180;
inline constexpr uint32_t LB_INSERTSTRING = 0x0181;
inline constexpr uint32_t LB_DELETESTRING = 0x0182;
inline constexpr uint32_t LB_RESETCONTENT = 0x0184;
inline constexpr uint32_t LB_SETCURSEL = 0x0186;
inline constexpr uint32_t LB_GETCURSEL = 0x0188;
inline constexpr uint32_t LB_GETTEXT = 0x0189;
inline constexpr uint32_t LB_GETTEXTLEN = 0x018A;
inline constexpr uint32_t LB_GETCOUNT = 0x018B;
inline constexpr uint32_t LB_SELECTSTRING = 0x018C;
inline constexpr uint32_t LB_GETTOPINDEX = 0x018E;
inline constexpr uint32_t LB_FINDSTRING = 0x018F;
inline constexpr uint32_t LB_SETTOPINDEX = 0x0197;
inline constexpr uint32_t LB_FINDSTRINGEXACT = 0x01A2;
inline constexpr uint32_t LBN_SELCHANGE = 1;
inline constexpr int LB_ERR = -1;

// Edit and static styles.
inline constexpr uint32_t ES_LEFT = 0x0;
inline constexpr uint32_t ES_CENTER = 0x1;
inline constexpr uint32_t ES_MULTILINE = 0x4;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr uint32_t ES_READONLY = 0x800;
inline constexpr uint32_t ES_NUMBER = 0x2000;
inline constexpr uint32_t SS_LEFT = 0x0;
inline constexpr uint32_t SS_CENTER = 0x1;

// Track bar styles, messages and scroll codes.
inline constexpr uint32_t TBS_AUTOTICKS = 0x1;
inline constexpr uint32_t TBS_VERT = 0x2;
inline constexpr uint32_t TBM_GETPOS = 0x0400;
inline constexpr uint32_t TBM_GETRANGEMIN = 0x0401;
inline constexpr uint32_t TBM_GETRANGEMAX = 0x0402;
inline constexpr uint32_t TBM_SETPOS = 0x0405;
inline constexpr uint32_t TBM_SETRANGE = 0x0406;
inline constexpr uint32_t TBM_SETRANGEMIN = 0x0407;
inline constexpr uint32_t TBM_SETRANGEMAX = 0x0408;
inline constexpr uint32_t TBM_SETPAGESIZE = 0x0415;
inline constexpr uint32_t TBM_SETLINESIZE = 0x0417;
inline constexpr uint32_t TB_LINEUP = 0;
inline constexpr uint32_t TB_LINEDOWN = 1;
inline constexpr uint32_t TB_PAGEUP = 2;
inline constexpr uint32_t TB_PAGEDOWN = 3;
inline constexpr uint32_t TB_THUMBPOSITION = 4;
inline constexpr uint32_t TB_THUMBTRACK = 5;
inline constexpr uint32_t TB_TOP = 6;
inline constexpr uint32_t TB_BOTTOM = 7;
inline constexpr uint32_t TB_ENDTRACK = 8;

// Command ids of the standard buttons and message-box results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Message-box flags.
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;

// Control ids in templates: -1 means none.
struct PlatformDialogItem {
    const char* className;  // "BUTTON", "EDIT", "STATIC", "LISTBOX", "msctls_trackbar32"
    const char* text;
    int id;
    uint32_t style;  // WS_VISIBLE, WS_DISABLED, WS_BORDER, WS_VSCROLL plus the class's styles
    int x, y, cx, cy;  // dialog units
};

struct PlatformDialogTemplate {
    uint32_t style;  // WS_CHILD for a child dialog; DS_CENTER centres a top-level one on the screen
    int x, y, cx, cy;  // dialog units
    const char* caption;
    const char* fontName;  // informative: the toolkit's sans-serif face is used
    int pointSize;
    const PlatformDialogItem* items;
    size_t itemCount;
};

// The dialog's base units in pixels (x: average character width, y: height).
struct PlatformBaseUnits {
    int x, y;
};
PlatformBaseUnits PlatformGetDialogBaseUnits(const PlatformDialogTemplate* dialogTemplate);
// Dialog units to pixels, rounded as MapDialogRect does.
int PlatformMapDialogRect(HWND dialog, PlatformRect* rect);

// Modeless dialog; visible when the template has WS_VISIBLE. Null on failure.
HWND PlatformCreateDialog(const PlatformDialogTemplate* dialogTemplate, HWND parent, PlatformDlgProc procedure,
                          LPARAM initParam = 0);
// Modal dialog: the owner is disabled and the calling thread runs its own
// message loop until PlatformEndDialog; the result is EndDialog's value. A
// WM_QUIT ends the loop and is posted again. -1 when the dialog can't be made.
intptr_t PlatformDialogBox(const PlatformDialogTemplate* dialogTemplate, HWND owner, PlatformDlgProc procedure,
                           LPARAM initParam = 0);
int PlatformEndDialog(HWND dialog, intptr_t result);
// Keyboard navigation belongs to the toolkit; this accepts the key messages
// addressed to the dialog or its controls so that they are not dispatched.
int PlatformIsDialogMessage(HWND dialog, const PlatformMessage* message);

LRESULT PlatformSendDlgItemMessage(HWND dialog, int id, uint32_t message, WPARAM wParam, LPARAM lParam);
int PlatformSetDlgItemText(HWND dialog, int id, const char* text);
int PlatformGetDlgItemText(HWND dialog, int id, char* buffer, int size);
int PlatformCheckDlgButton(HWND dialog, int id, uint32_t check);
int PlatformCheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);

// A modal box with the text, an OK button and the caption ("Error" when
// null), owned by the owner when given. Returns IDOK.
int PlatformMessageBox(HWND owner, const char* text, const char* caption, uint32_t flags);

// Bitmaps for BS_BITMAP buttons: 24-bit RGB pixels, rows top first.
struct PlatformBitmap;
PlatformBitmap* PlatformCreateBitmap(int width, int height, const uint8_t* rgb);
// A Windows .bmp image (1, 4, 8 or 24 bits, uncompressed) from memory; with
// map3DColors the greys 128, 192 and 223 become the toolkit's shadow, face
// and light colours. Null when the data is not such a bitmap.
PlatformBitmap* PlatformLoadBitmap(const void* data, size_t size, int map3DColors);
void PlatformDeleteBitmap(PlatformBitmap* bitmap);

// Icons for WM_SETICON: width x height pixels of red, green, blue and alpha,
// rows top first (as CreateIconIndirect takes them). The window keeps a copy.
struct PlatformIcon;
PlatformIcon* PlatformCreateIcon(int width, int height, const uint8_t* rgba);
void PlatformDestroyIcon(PlatformIcon* icon);

// Asks the user for a folder with the desktop's folder chooser, as
// SHBrowseForFolder does; 1 with its absolute path in path (size bytes), 0
// when none was chosen.
int PlatformBrowseForFolder(HWND owner, const char* title, char* path, size_t size);
