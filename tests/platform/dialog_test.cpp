// Dialogs from templates and their controls: placement in dialog units,
// the list box, buttons, the track bar and message boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/display_env.h"

namespace {

struct Note {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Note> g_notes;
int g_initCount;
LPARAM g_initParam;

intptr_t PanelProc(HWND, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ++g_initCount;
        g_initParam = lParam;
    }
    if (message == WM_COMMAND || message == WM_VSCROLL) g_notes.push_back({message, wParam, lParam});
    return 0;
}

const PlatformDialogItem kPanelItems[] = {
    {"BUTTON", "Side", -1, WS_VISIBLE | BS_GROUPBOX, 5, 0, 105, 30},
    {"BUTTON", "ARM", 1030, WS_VISIBLE | BS_AUTORADIOBUTTON, 15, 10, 32, 15},
    {"BUTTON", "CORE", 1031, WS_VISIBLE | BS_AUTORADIOBUTTON, 65, 10, 36, 15},
    {"LISTBOX", "", 1006, WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, 10, 45,
     95, 60},
    {"LISTBOX", "", 1007, WS_VISIBLE | WS_BORDER | LBS_SORT, 10, 110, 95, 30},
    {"msctls_trackbar32", "Slider1", 1029, WS_VISIBLE | TBS_VERT | TBS_AUTOTICKS, 121, 45, 10, 100},
    {"STATIC", "View Window", 1015, SS_LEFT, 136, 47, 106, 98},
    {"BUTTON", "", 1035, WS_VISIBLE | BS_BITMAP, 155, 150, 20, 15},
    {"BUTTON", "Activate", 1014, WS_VISIBLE, 260, 185, 44, 15},
    {"EDIT", "", 1008, WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_CENTER | ES_READONLY, 120, 168, 125, 52},
    {"EDIT", "", 1020, WS_VISIBLE | WS_BORDER | ES_READONLY, 305, 13, 45, 14},
};
const PlatformDialogTemplate kPanel{WS_CHILD | WS_VISIBLE, 0, 0, 361, 231, nullptr, "MS Sans Serif", 8, kPanelItems,
                                    sizeof kPanelItems / sizeof kPanelItems[0]};

int MulDiv(int v, int n, int d) { return (v * n + d / 2) / d; }

class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_DISPLAY();
        static bool registered = false;
        if (!registered) {
            PlatformWindowClass wc{0, PlatformDefWindowProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_FACE, "PanelFrame"};
            ASSERT_EQ(PlatformRegisterClass(&wc), 1);
            registered = true;
        }
        frame_ = PlatformCreateWindow(0, "PanelFrame", "Panel test", WS_CAPTION, 20, 20, 600, 400, nullptr, 0,
                                      nullptr, nullptr);
        ASSERT_NE(frame_, nullptr);
        g_notes.clear();
        g_initCount = 0;
        panel_ = PlatformCreateDialog(&kPanel, frame_, PanelProc, 77);
        ASSERT_NE(panel_, nullptr);
        PlatformShowWindow(frame_, SW_SHOW);
        displaytest::Pump(150);
        g_notes.clear();
    }
    void TearDown() override {
        if (frame_) PlatformDestroyWindow(frame_);
    }
    LRESULT Send(int id, uint32_t message, WPARAM w = 0, LPARAM l = 0) {
        return PlatformSendDlgItemMessage(panel_, id, message, w, l);
    }
    LRESULT Send(int id, uint32_t message, WPARAM w, const char* text) {
        return Send(id, message, w, reinterpret_cast<LPARAM>(text));
    }
    // Centre of a control in screen coordinates.
    void Centre(int id, int* x, int* y, int dy = 0) {
        PlatformRect r{};
        ASSERT_EQ(PlatformGetWindowRect(PlatformGetDlgItem(panel_, id), &r), 1);
        *x = (r.left + r.right) / 2;
        *y = (r.top + r.bottom) / 2 + dy;
    }
    void Click(int x, int y) {
        ASSERT_TRUE(displaytest::Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
    }
    std::vector<Note> NotesOf(uint32_t message) {
        std::vector<Note> out;
        for (const Note& n : g_notes)
            if (n.message == message) out.push_back(n);
        return out;
    }
    HWND frame_ = nullptr;
    HWND panel_ = nullptr;
};

TEST_F(DialogTest, ControlsArePlacedInDialogUnitsAndFoundById) {
    EXPECT_EQ((std::vector<LPARAM>{g_initCount, g_initParam}), (std::vector<LPARAM>{1, 77}));
    PlatformBaseUnits u = PlatformGetDialogBaseUnits(&kPanel);
    EXPECT_TRUE(u.x >= 4 && u.y >= 10);
    PlatformRect panel{}, list{}, placeholder{}, mapped{136, 47, 136 + 106, 47 + 98};
    ASSERT_EQ(PlatformGetWindowRect(panel_, &panel), 1);
    ASSERT_EQ(PlatformGetWindowRect(PlatformGetDlgItem(panel_, 1006), &list), 1);
    ASSERT_EQ(PlatformMapDialogRect(panel_, &mapped), 1);
    PlatformGetWindowRect(PlatformGetDlgItem(panel_, 1015), &placeholder);
    EXPECT_EQ((std::vector<int>{panel.right - panel.left, panel.bottom - panel.top, list.left - panel.left,
                                list.top - panel.top, list.right - list.left, placeholder.left - panel.left,
                                placeholder.top - panel.top}),
              (std::vector<int>{MulDiv(361, u.x, 4), MulDiv(231, u.y, 8), MulDiv(10, u.x, 4), MulDiv(45, u.y, 8),
                                MulDiv(95, u.x, 4), mapped.left, mapped.top}));
    EXPECT_EQ((std::vector<int>{PlatformIsWindowVisible(PlatformGetDlgItem(panel_, 1015)),
                                PlatformIsWindowVisible(PlatformGetDlgItem(panel_, 1006)),
                                PlatformGetDlgCtrlID(PlatformGetDlgItem(panel_, 1029))}),
              (std::vector<int>{0, 1, 1029}));
    EXPECT_TRUE(!PlatformGetDlgItem(panel_, 4242) && PlatformGetParent(PlatformGetDlgItem(panel_, 1006)) == panel_);
}

TEST_F(DialogTest, ControlsKeepTheirTextStateAndSortedItems) {
    EXPECT_EQ(PlatformSetDlgItemText(panel_, 1008, "A fast\r\nunit"), 1);
    char text[64];
    EXPECT_EQ(PlatformGetDlgItemText(panel_, 1008, text, sizeof text), 12);
    EXPECT_STREQ(text, "A fast\r\nunit");
    PlatformSetDlgItemText(panel_, 1014, "Deactivate");
    PlatformGetDlgItemText(panel_, 1014, text, 5);
    HWND button = PlatformGetDlgItem(panel_, 1014);
    EXPECT_EQ(text + std::to_string(PlatformSendMessage(button, WM_GETTEXTLENGTH, 0, 0)), "Deac10");
    for (int enable : {0, 1}) {
        PlatformEnableWindow(button, enable);
        EXPECT_EQ(PlatformIsWindowEnabled(button), enable);
    }
    EXPECT_EQ(PlatformCheckRadioButton(panel_, 1030, 1031, 1030), 1);
    EXPECT_EQ((std::vector<LRESULT>{Send(1030, BM_GETCHECK), Send(1031, BM_GETCHECK)}),
              (std::vector<LRESULT>{BST_CHECKED, BST_UNCHECKED}));

    for (const char* name : {"tank", "Bomber", "aircraft", "Zeus", "bomber"}) Send(1006, LB_ADDSTRING, 0, name);
    std::vector<std::string> order;
    for (int i = 0; i < Send(1006, LB_GETCOUNT); ++i) {
        EXPECT_GT(Send(1006, LB_GETTEXT, static_cast<WPARAM>(i), text), 0);
        order.push_back(text);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"aircraft", "Bomber", "bomber", "tank", "Zeus"}));
    const std::vector<LRESULT> results = {
        Send(1006, LB_GETTEXTLEN, 4), Send(1006, LB_GETTEXT, 9, text), Send(1006, LB_GETCURSEL),
        Send(1006, LB_SELECTSTRING, WPARAM(-1), "BOM"), Send(1006, LB_GETCURSEL), Send(1006, LB_FINDSTRING, 1, "bom"),
        Send(1006, LB_FINDSTRINGEXACT, WPARAM(-1), "TANK"), Send(1006, LB_FINDSTRINGEXACT, WPARAM(-1), "tan"),
        Send(1006, LB_SELECTSTRING, WPARAM(-1), "x"), Send(1006, LB_SETCURSEL, 7),
        Send(1006, LB_GETCURSEL), Send(1006, LB_SETCURSEL, 4), Send(1006, LB_DELETESTRING, 0), Send(1006, LB_GETCURSEL),
        Send(1006, LB_RESETCONTENT), Send(1006, LB_GETCOUNT), Send(1006, LB_GETCURSEL)};
    EXPECT_EQ(results, (std::vector<LRESULT>{4, LB_ERR, LB_ERR, 1, 1, 2, 3, LB_ERR, LB_ERR, LB_ERR, LB_ERR, 4, 4, 3,
                                             0, 0, LB_ERR}));
    for (int i = 0; i < 40; ++i) {
        std::snprintf(text, sizeof text, "Unit %02d", i);
        Send(1006, LB_ADDSTRING, 0, text);
    }
    EXPECT_EQ(Send(1006, LB_SETTOPINDEX, 12), 0);
    // Setting the selection by message does not notify.
    displaytest::Pump(50);
    EXPECT_EQ(Send(1006, LB_GETTOPINDEX), 12);
    EXPECT_EQ(Send(1006, LB_SETTOPINDEX, 99), LB_ERR);
    EXPECT_TRUE(NotesOf(WM_COMMAND).empty());
}

TEST_F(DialogTest, TheUsersClicksCheckARadioButtonAndSelectAListItem) {
    REQUIRE_XDOTOOL();
    PlatformCheckDlgButton(panel_, 1030, BST_CHECKED);
    for (const char* name : {"Alpha", "Beta"}) Send(1006, LB_ADDSTRING, 0, name);
    displaytest::Pump(50);
    int x, y;
    Centre(1031, &x, &y);
    Click(x - 20, y);
    ASSERT_TRUE(displaytest::PumpUntil([&] { return Send(1031, BM_GETCHECK) == BST_CHECKED; }, 20000));
    EXPECT_EQ(Send(1030, BM_GETCHECK), BST_UNCHECKED);
    PlatformRect r{};
    PlatformGetWindowRect(PlatformGetDlgItem(panel_, 1006), &r);
    Click(r.left + 20, r.top + 6);
    ASSERT_TRUE(displaytest::PumpUntil([&] { return NotesOf(WM_COMMAND).size() >= 2; }, 20000));
    EXPECT_EQ((std::vector<WPARAM>{NotesOf(WM_COMMAND)[0].wParam, NotesOf(WM_COMMAND)[1].wParam}),
              (std::vector<WPARAM>{MAKEWPARAM(1031, BN_CLICKED), MAKEWPARAM(1006, LBN_SELCHANGE)}));
    EXPECT_EQ(Send(1006, LB_GETCURSEL), 0);
}

TEST_F(DialogTest, ABitmapButtonReportsItsPushedStateWhileHeld) {
    uint8_t rgb[16 * 10 * 3];
    for (size_t i = 0; i < sizeof rgb; ++i) rgb[i] = static_cast<uint8_t>(i);
    PlatformBitmap* bitmap = PlatformCreateBitmap(16, 10, rgb);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Send(1035, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
    EXPECT_EQ(Send(1035, BM_GETSTATE) & BST_PUSHED, 0);
    for (WPARAM pushed : {1, 0}) {
        Send(1035, BM_SETSTATE, pushed);
        EXPECT_EQ(Send(1035, BM_GETSTATE) & BST_PUSHED, pushed ? LRESULT(BST_PUSHED) : 0);
    }
    if (displaytest::HaveXdotool()) {
        int x, y;
        Centre(1035, &x, &y);
        ASSERT_TRUE(displaytest::Xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1"}));
        bool pushed = displaytest::PumpUntil([&] { return (Send(1035, BM_GETSTATE) & BST_PUSHED) != 0; });
        ASSERT_TRUE(displaytest::Xdotool({"mouseup", "1"}));
        EXPECT_TRUE(pushed);
        EXPECT_TRUE(displaytest::PumpUntil([&] { return !NotesOf(WM_COMMAND).empty(); }));
        EXPECT_EQ(Send(1035, BM_GETSTATE) & BST_PUSHED, 0);
    }
    PlatformDestroyWindow(frame_);
    frame_ = nullptr;
    PlatformDeleteBitmap(bitmap);
}

TEST_F(DialogTest, TheTrackBarClampsToItsRangeAndReportsTheUsersMoves) {
    Send(1029, TBM_SETRANGE, 1, MAKELPARAM(10, 25));
    std::vector<LRESULT> got = {Send(1029, TBM_GETRANGEMIN), Send(1029, TBM_GETRANGEMAX)};
    for (int set : {-5, 40, 15}) {
        Send(1029, TBM_SETPOS, 1, set);
        got.push_back(Send(1029, TBM_GETPOS));
    }
    got.push_back(Send(1029, TBM_SETLINESIZE, 0, 1));  // the sizes before
    got.push_back(Send(1029, TBM_SETPAGESIZE, 0, 2));
    EXPECT_EQ(got, (std::vector<LRESULT>{10, 25, 10, 25, 15, 1, 0}));
    REQUIRE_XDOTOOL();
    displaytest::Pump(50);
    PlatformRect r{};
    HWND track = PlatformGetDlgItem(panel_, 1029);
    PlatformGetWindowRect(track, &r);
    const int x = r.left + 4;
    // A click below the thumb pages down; then keys act on the focused track bar.
    const struct {
        std::vector<std::string> command;
        uint32_t code;
        int position;
    } moves[] = {{{"mousemove", std::to_string(x), std::to_string(r.bottom - 3), "click", "1"}, TB_PAGEDOWN, 17},
                 {{"key", "Up"}, TB_LINEUP, 16},
                 {{"key", "Home"}, TB_TOP, 10},
                 {{"key", "End"}, TB_BOTTOM, 25}};
    for (const auto& move : moves) {
        g_notes.clear();
        ASSERT_TRUE(displaytest::Xdotool(move.command));
        ASSERT_TRUE(displaytest::PumpUntil([&] { return NotesOf(WM_VSCROLL).size() >= 2; }, 20000));
        std::vector<Note> notes = NotesOf(WM_VSCROLL);
        EXPECT_EQ((std::vector<LPARAM>{LOWORD(notes[0].wParam), HIWORD(notes[0].wParam), notes[0].lParam,
                                       LOWORD(notes[1].wParam), Send(1029, TBM_GETPOS)}),
                  (std::vector<LPARAM>{move.code, move.position, reinterpret_cast<LPARAM>(track), TB_ENDTRACK,
                                       move.position}));
    }
    // Dragging the thumb reports thumb-track moves and the final position.
    g_notes.clear();
    Send(1029, TBM_SETPOS, 1, 10);
    displaytest::Pump(30);
    auto ended = [&] { return !g_notes.empty() && LOWORD(g_notes.back().wParam) == TB_ENDTRACK; };
    ASSERT_TRUE(displaytest::Xdotool({"mousemove", std::to_string(x + 2), std::to_string(r.top + 8), "mousedown", "1"}));
    displaytest::Pump(30);
    ASSERT_TRUE(displaytest::Xdotool({"mousemove", std::to_string(x + 2), std::to_string((r.top + r.bottom) / 2)}));
    ASSERT_TRUE(displaytest::PumpUntil([&] { return !NotesOf(WM_VSCROLL).empty(); }, 20000));
    ASSERT_TRUE(displaytest::Xdotool({"mouseup", "1"}));
    ASSERT_TRUE(displaytest::PumpUntil(ended, 20000));
    std::vector<Note> notes = NotesOf(WM_VSCROLL);
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ((std::vector<uint32_t>{LOWORD(notes[0].wParam), LOWORD(notes[notes.size() - 2].wParam)}),
              (std::vector<uint32_t>{TB_THUMBTRACK, TB_THUMBPOSITION}));
    const int position = static_cast<int>(HIWORD(notes[notes.size() - 2].wParam));
    EXPECT_TRUE(position > 14 && position < 21) << position;
    EXPECT_EQ(Send(1029, TBM_GETPOS), position);
}

TEST_F(DialogTest, ACaptureShowsTheControlsAsDrawn) {
    for (const char* name : {"Alpha", "Beta"}) Send(1006, LB_ADDSTRING, 0, name);
    PlatformSetDlgItemText(panel_, 1008, "Description of the unit");
    Send(1029, TBM_SETRANGE, 1, MAKELPARAM(10, 25));
    Send(1029, TBM_SETPOS, 1, 15);
    displaytest::Pump(150);
    int w = 0, h = 0;
    ASSERT_EQ(PlatformCaptureWindow(frame_, &w, &h, nullptr, 0), 1);
    EXPECT_EQ((std::vector<int>{w, h}), (std::vector<int>{600, 400}));
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * static_cast<size_t>(h) * 3u);
    ASSERT_EQ(PlatformCaptureWindow(frame_, &w, &h, rgb.data(), rgb.size()), 1);
    // The list box's white inside and dark text both show up.
    PlatformRect list{}, frame{};
    PlatformGetWindowRect(PlatformGetDlgItem(panel_, 1006), &list);
    PlatformGetWindowRect(frame_, &frame);
    auto at = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 3]; };
    int bright = 0, dark = 0;
    for (int y = list.top + 2; y < list.top + 30; ++y)
        for (int x = list.left + 2; x < list.right - 20; ++x) {
            const uint8_t* p = at(x - frame.left, y - frame.top);
            bright += p[0] > 240 && p[1] > 240 && p[2] > 240;
            dark += p[0] < 80 && p[1] < 80 && p[2] < 80;
        }
    EXPECT_TRUE(bright > 100 && dark > 10) << bright << " " << dark;
    // Empty parts of a face-coloured window show the desktop's face colour.
    const uint8_t* corner = at(w - 5, h - 5);
    EXPECT_EQ(uint32_t(corner[0] | corner[1] << 8 | corner[2] << 16), PlatformGetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(PlatformGetSysColor(0), 0u);
    EXPECT_EQ(PlatformCaptureWindow(PlatformGetDlgItem(panel_, 1015), &w, &h, nullptr, 0), 0);
}

TEST(MessageBoxTest, ShowsTheTextUnderItsCaptionUntilOkOrClose) {
    REQUIRE_DISPLAY();
    for (const char* caption : {"Fatal Error", static_cast<const char*>(nullptr)}) {
        const char* title = caption ? caption : "Error";
        std::string shown;
        std::thread closer([&] {
            for (int i = 0; i < 2000; ++i) {
                // Shown once all of its controls exist.
                if (HWND box = PlatformFindWindow("#32770", title); box && PlatformIsWindowVisible(box)) {
                    char text[64] = "";
                    PlatformGetWindowText(PlatformGetDlgItem(box, -1), text, sizeof text);
                    shown = text;
                    if (caption) PlatformPostMessage(box, WM_COMMAND, IDOK, 0);
                    else PlatformSendMessage(box, WM_CLOSE, 0, 0);
                    return;
                }
                PlatformSleep(10);
            }
        });
        EXPECT_EQ(PlatformMessageBox(nullptr, "Could not load the font file", caption, MB_OK | MB_SETFOREGROUND), IDOK);
        closer.join();
        EXPECT_EQ(shown, "Could not load the font file");
        EXPECT_EQ(PlatformFindWindow("#32770", title), nullptr);
    }
}

}  // namespace
