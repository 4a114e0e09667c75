// Dialogs, controls, bitmaps and icons of the layer on Windows, where the
// layer's templates become the dialog manager's and its bitmaps and icons
// are GDI's own handles.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/native.h"

namespace {

constexpr int kList = 101, kSlider = 102, kFirstRadio = 103, kSecondRadio = 104, kLabel = 105;
constexpr uint32_t kRun = WM_USER + 1;

const PlatformDialogItem kItems[] = {
    {"LISTBOX", "", kList, WS_VISIBLE | WS_BORDER | LBS_SORT | LBS_NOTIFY, 5, 5, 60, 60},
    {"msctls_trackbar32", "", kSlider, WS_VISIBLE | TBS_VERT, 70, 5, 10, 60},
    {"BUTTON", "One", kFirstRadio, WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 90, 5, 40, 12},
    {"BUTTON", "Two", kSecondRadio, WS_VISIBLE | BS_AUTORADIOBUTTON, 90, 20, 40, 12},
    {"STATIC", "Label text", kLabel, SS_LEFT, 90, 40, 60, 8},
    {"BUTTON", "OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 90, 55, 40, 14},
};
const PlatformDialogTemplate kTemplate{WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 0, 160, 80, "Test",
                                       "MS Sans Serif", 8, kItems, std::size(kItems)};

struct DialogRun {
    HWND owner = nullptr;
    LPARAM initParam = 0;
    bool ownerDisabled = false;
    std::vector<std::string> listed;
    int sliderPos = 0;
    uint32_t first = 0, second = 0;
    std::string label, truncated;
    int truncatedLength = 0;
    bool closeInstead = false;
};
DialogRun g_run;

std::string ItemText(HWND dialog, int id) {
    char text[64];
    PlatformGetDlgItemText(dialog, id, text, sizeof text);
    return text;
}

intptr_t TestDlgProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            g_run.initParam = lParam;
            // A safety net: a dialog that never ends fails instead of hanging.
            PlatformSetTimer(dialog, 1, 20000, nullptr);
            PlatformPostMessage(dialog, g_run.closeInstead ? WM_CLOSE : kRun, 0, 0);
            return 1;
        case kRun: {
            g_run.ownerDisabled = g_run.owner && !PlatformIsWindowEnabled(g_run.owner);
            for (const char* name : {"delta", "Alpha", "charlie", "Bravo"})
                PlatformSendDlgItemMessage(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            auto count = PlatformSendDlgItemMessage(dialog, kList, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                char text[32] = {};
                PlatformSendDlgItemMessage(dialog, kList, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
                g_run.listed.push_back(text);
            }
            PlatformSendDlgItemMessage(dialog, kSlider, TBM_SETRANGE, 1, MAKELPARAM(10, 25));
            PlatformSendDlgItemMessage(dialog, kSlider, TBM_SETPOS, 1, 40);
            g_run.sliderPos = int(PlatformSendDlgItemMessage(dialog, kSlider, TBM_GETPOS, 0, 0));
            PlatformCheckRadioButton(dialog, kFirstRadio, kSecondRadio, kSecondRadio);
            g_run.first = uint32_t(PlatformSendDlgItemMessage(dialog, kFirstRadio, BM_GETCHECK, 0, 0));
            g_run.second = uint32_t(PlatformSendDlgItemMessage(dialog, kSecondRadio, BM_GETCHECK, 0, 0));
            g_run.label = ItemText(dialog, kLabel);
            char small[5];
            g_run.truncatedLength = PlatformGetDlgItemText(dialog, kLabel, small, sizeof small);
            g_run.truncated = small;
            PlatformEndDialog(dialog, 42);
            return 1;
        }
        case WM_COMMAND:
            // Controls' notifications (a list box's focus) come here too.
            if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return 0;
            PlatformEndDialog(dialog, intptr_t(LOWORD(wParam)));
            return 1;
        case WM_TIMER:
            PlatformEndDialog(dialog, -2);
            return 1;
        default:
            return 0;
    }
}

TEST(Dialog, ModalBoxRunsItsControlsAndReturnsEndDialogsValue) {
    g_run = DialogRun{};
    g_run.owner = PlatformCreateWindow(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, 0,
                                       nullptr, nullptr);
    ASSERT_NE(g_run.owner, nullptr);
    EXPECT_EQ(PlatformDialogBox(&kTemplate, g_run.owner, TestDlgProc, 77), 42);
    EXPECT_EQ(g_run.initParam, 77);
    EXPECT_TRUE(g_run.ownerDisabled);
    EXPECT_TRUE(PlatformIsWindowEnabled(g_run.owner)) << "enabled again once the box ended";
    EXPECT_EQ(g_run.listed, (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta"}));
    EXPECT_EQ(g_run.sliderPos, 25) << "clamped to the range";
    EXPECT_EQ(g_run.first, BST_UNCHECKED);
    EXPECT_EQ(g_run.second, BST_CHECKED);
    EXPECT_EQ(g_run.label, "Label text");
    EXPECT_EQ(g_run.truncated, "Labe");
    EXPECT_EQ(g_run.truncatedLength, 4);
    PlatformDestroyWindow(g_run.owner);
}

TEST(Dialog, CloseLeftToTheDefaultIsCancel) {
    g_run = DialogRun{};
    g_run.closeInstead = true;
    EXPECT_EQ(PlatformDialogBox(&kTemplate, nullptr, TestDlgProc), IDCANCEL);
}

TEST(Dialog, TemplatesThatCannotBeBuiltAreRefused) {
    const PlatformDialogItem nameless[] = {{nullptr, "x", 1, WS_VISIBLE, 0, 0, 10, 10}};
    const PlatformDialogTemplate noClass{WS_POPUP, 0, 0, 50, 50, "", "MS Sans Serif", 8, nameless, 1};
    const PlatformDialogTemplate child{WS_CHILD, 0, 0, 50, 50, "", "MS Sans Serif", 8, nullptr, 0};
    EXPECT_EQ(PlatformDialogBox(nullptr, nullptr, TestDlgProc), -1);
    EXPECT_EQ(PlatformDialogBox(&noClass, nullptr, TestDlgProc), -1);
    EXPECT_EQ(PlatformCreateDialog(&noClass, nullptr, TestDlgProc), nullptr);
    EXPECT_EQ(PlatformCreateDialog(&child, nullptr, TestDlgProc), nullptr) << "a child dialog needs a parent";
}

intptr_t QuietDlgProc(HWND, uint32_t message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? 1 : 0; }

// The template's base units are the ones the dialog manager lays the live
// dialog out with, whatever the font.
TEST(Dialog, TemplateBaseUnitsMatchTheLiveDialog) {
    for (int points : {8, 12}) {
        PlatformDialogTemplate t = kTemplate;
        t.style &= ~WS_VISIBLE;
        t.pointSize = points;
        HWND dialog = PlatformCreateDialog(&t, nullptr, QuietDlgProc);
        ASSERT_NE(dialog, nullptr);
        PlatformBaseUnits units = PlatformGetDialogBaseUnits(&t);
        PlatformRect rect{4, 8, 400, 800};
        ASSERT_EQ(PlatformMapDialogRect(dialog, &rect), 1);
        EXPECT_EQ(rect.left, units.x) << points;
        EXPECT_EQ(rect.top, units.y) << points;
        EXPECT_EQ(rect.right, units.x * 100) << points;
        EXPECT_EQ(rect.bottom, units.y * 100) << points;
        PlatformDestroyWindow(dialog);
    }
    EXPECT_GT(PlatformGetDialogBaseUnits(nullptr).x, 0);
}

TEST(Dialog, ChildDialogTakesItsOwnKeysOnly) {
    HWND parent = PlatformCreateWindow(0, "STATIC", "Parent", WS_POPUP, 0, 0, 300, 200, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    PlatformDialogTemplate t = kTemplate;
    t.style = WS_CHILD | WS_VISIBLE;
    HWND dialog = PlatformCreateDialog(&t, parent, QuietDlgProc);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(PlatformGetParent(dialog), parent);
    PlatformMessage key{PlatformGetDlgItem(dialog, kList), WM_KEYDOWN, 0x28, 0, 0, 0, 0, 0};  // down arrow
    EXPECT_EQ(PlatformIsDialogMessage(dialog, &key), 1);
    key.window = parent;
    EXPECT_EQ(PlatformIsDialogMessage(dialog, &key), 0);
    EXPECT_EQ(PlatformIsDialogMessage(nullptr, &key), 0);
    PlatformDestroyWindow(parent);
}

// ---- bitmaps ----

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A bottom-up .bmp of 2 x 2 pixels, rows as given (bottom row first).
std::vector<uint8_t> Bmp(uint16_t bits, const std::vector<uint32_t>& table, const std::vector<uint8_t>& rows) {
    const size_t tableAt = 54, pixelsAt = tableAt + table.size() * 4;
    std::vector<uint8_t> b(pixelsAt + rows.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(pixelsAt));
    Put32(b, 14, 40);
    Put32(b, 18, 2);
    Put32(b, 22, 2);
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 46, uint32_t(table.size()));
    for (size_t i = 0; i < table.size(); ++i) Put32(b, tableAt + i * 4, table[i]);
    std::memcpy(b.data() + pixelsAt, rows.data(), rows.size());
    return b;
}

// The bitmap's pixels as 0xRRGGBB, rows top first.
std::vector<uint32_t> Pixels(PlatformBitmap* bitmap) {
    auto handle = reinterpret_cast<HBITMAP>(bitmap);
    BITMAP info{};
    if (!GetObjectA(handle, sizeof info, &info)) return {};
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> pixels(size_t(info.bmWidth) * size_t(info.bmHeight));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, handle, 0, UINT(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return {};
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

uint32_t Rgb(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

struct BmpCase {
    const char* name;
    std::vector<uint8_t> file;
};

class BmpDepth : public testing::TestWithParam<BmpCase> {};

// Every depth gives the same picture: red, green on top; blue, white below.
TEST_P(BmpDepth, ReadsTheDepth) {
    const std::vector<uint8_t>& file = GetParam().file;
    PlatformBitmap* bitmap = PlatformLoadBitmap(file.data(), file.size(), 0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    PlatformDeleteBitmap(bitmap);
}

const std::vector<uint32_t> kTable{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
INSTANTIATE_TEST_SUITE_P(
    Depths, BmpDepth,
    testing::Values(BmpCase{"Bits24", Bmp(24, {}, {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,  // blue, white
                                                   0, 0, 0xFF, 0, 0xFF, 0, 0, 0})},     // red, green
                    BmpCase{"Bits8", Bmp(8, kTable, {2, 3, 0, 0, 0, 1, 0, 0})},
                    BmpCase{"Bits4", Bmp(4, kTable, {0x23, 0, 0, 0, 0x01, 0, 0, 0})}),
    [](const testing::TestParamInfo<BmpCase>& info) { return std::string(info.param.name); });

TEST(Bitmap, OneBitAndThe3DGreys) {
    // 1 bit: grey 192 (the face) and grey 100 (no 3D colour).
    std::vector<uint8_t> file = Bmp(1, {0xC0C0C0, 0x646464}, {0x40, 0, 0, 0, 0x80, 0, 0, 0});
    PlatformBitmap* plain = PlatformLoadBitmap(file.data(), file.size(), 0);
    PlatformBitmap* mapped = PlatformLoadBitmap(file.data(), file.size(), 1);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(Pixels(plain), (std::vector<uint32_t>{0x646464, 0xC0C0C0, 0xC0C0C0, 0x646464}));
    const uint32_t face = Rgb(GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(Pixels(mapped), (std::vector<uint32_t>{0x646464, face, face, 0x646464}));
    PlatformDeleteBitmap(plain);
    PlatformDeleteBitmap(mapped);
}

TEST(Bitmap, DamagedFilesAreRefused) {
    const std::vector<uint8_t> good = Bmp(8, kTable, {2, 3, 0, 0, 0, 1, 0, 0});
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;  // written as 16 bits at 26/28 and 32 bits elsewhere
    };
    const Damage damages[] = {
        {"magic", 0, 0x4D41},          {"pixels past the end", 10, 0xFFFF},  {"header size", 14, 12},
        {"header past the end", 14, 4096}, {"width", 18, 0},                 {"width too large", 18, 5000},
        {"height", 22, 0},             {"planes", 26, 2},                   {"16 bits", 28, 16},
        {"compressed", 30, 1},         {"colour table past the end", 46, 200}, {"colour table too large", 46, 300},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bad = good;
        if (d.at == 0 || d.at == 26 || d.at == 28) Put16(bad, d.at, d.value);
        else Put32(bad, d.at, d.value);
        EXPECT_EQ(PlatformLoadBitmap(bad.data(), bad.size(), 0), nullptr) << d.what;
    }
    for (size_t size : {size_t(0), size_t(20), good.size() - 1})
        EXPECT_EQ(PlatformLoadBitmap(good.data(), size, 0), nullptr) << "cut to " << size;
    EXPECT_EQ(PlatformLoadBitmap(nullptr, 100, 0), nullptr);
}

TEST(Bitmap, CreatedFromRgbGoesOnAButton) {
    const uint8_t rgb[] = {10, 20, 30, 40, 50, 60};
    PlatformBitmap* bitmap = PlatformCreateBitmap(2, 1, rgb);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{0x0A141E, 0x28323C}));
    HWND button = PlatformCreateWindow(0, "BUTTON", "", WS_POPUP | BS_BITMAP, 0, 0, 20, 20, nullptr, 0, nullptr,
                                       nullptr);
    ASSERT_NE(button, nullptr);
    PlatformSendMessage(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    EXPECT_EQ(PlatformSendMessage(button, BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
    PlatformDestroyWindow(button);
    PlatformDeleteBitmap(bitmap);
    EXPECT_EQ(PlatformCreateBitmap(0, 1, rgb), nullptr);
    EXPECT_EQ(PlatformCreateBitmap(2, 1, nullptr), nullptr);
}

TEST(Icon, MadeFromRgbaWithItsSize) {
    std::vector<uint8_t> rgba(16 * 16 * 4, 0x80);
    PlatformIcon* icon = PlatformCreateIcon(16, 16, rgba.data());
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(icon), &info));
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 16);
    EXPECT_EQ(colour.bmHeight, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    PlatformDestroyIcon(icon);
    EXPECT_EQ(PlatformCreateIcon(0, 16, rgba.data()), nullptr);
    EXPECT_EQ(PlatformCreateIcon(16, 16, nullptr), nullptr);
}

}  // namespace
