// Dialogs of the window-system layer on Windows: the layer's templates become
// in-memory DLGTEMPLATEs run by the system's dialog manager, so the dialogs
// and their controls are the real ones.
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/win32/native.h"

namespace {

// What WM_INITDIALOG's lParam carries until the thunk has stored the
// procedure in the dialog's own slot.
struct DialogStart {
    PlatformDlgProc procedure;
    LPARAM initParam;
};

INT_PTR CALLBACK DialogThunk(NativeHWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformDlgProc procedure;
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        procedure = start->procedure;
        lParam = start->initParam;
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(procedure));
    } else {
        procedure = reinterpret_cast<PlatformDlgProc>(GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT and the like) go to the default.
    if (!procedure) return FALSE;
    return procedure(LayerWindow(window), message, wParam, lParam);
}

// Track bars live in the common controls, which want registering once.
void InitControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    });
}

// Builds the words of a DLGTEMPLATE and its DLGITEMTEMPLATEs.
class TemplateWriter {
public:
    void Word(uint16_t w) { words_.push_back(w); }
    void Dword(uint32_t d) {
        Word(static_cast<uint16_t>(d & 0xFFFF));
        Word(static_cast<uint16_t>(d >> 16));
    }
    void Short(int v) { Word(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    // Texts are zero-terminated UTF-16 in the ANSI code page's reading, as
    // the -A functions the rest of the layer uses would read them.
    void Text(const char* text) {
        if (text && *text) {
            int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
            if (n > 0) {
                std::vector<wchar_t> wide(static_cast<size_t>(n));
                MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
                for (int i = 0; i + 1 < n; ++i) Word(static_cast<uint16_t>(wide[static_cast<size_t>(i)]));
            }
        }
        Word(0);
    }
    void AlignDword() {
        if (words_.size() % 2) Word(0);
    }
    const DLGTEMPLATE* Data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<uint16_t> words_;
};

// The predefined atoms of the dialog manager's classes; others by name.
uint16_t ClassAtom(std::string_view name) {
    struct Atom {
        std::string_view name;
        uint16_t atom;
    };
    static constexpr Atom atoms[] = {{"BUTTON", 0x80}, {"EDIT", 0x81}, {"STATIC", 0x82}, {"LISTBOX", 0x83}};
    for (const Atom& a : atoms)
        if (name.size() == a.name.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(),
                                                           static_cast<int>(name.size()), a.name.data(),
                                                           static_cast<int>(a.name.size())) == CSTR_EQUAL)
            return a.atom;
    return 0;
}

int PointSize(const PlatformDialogTemplate* t) { return t && t->pointSize > 0 ? t->pointSize : 8; }
const char* FontName(const PlatformDialogTemplate* t) {
    return t && t->fontName && *t->fontName ? t->fontName : "MS Sans Serif";
}

bool BuildTemplate(const PlatformDialogTemplate* t, TemplateWriter* out) {
    if (!t || (t->itemCount && !t->items) || t->itemCount > 0xFFFF) return false;
    out->Dword(t->style | DS_SETFONT);
    out->Dword(0);
    out->Word(static_cast<uint16_t>(t->itemCount));
    out->Short(t->x);
    out->Short(t->y);
    out->Short(t->cx);
    out->Short(t->cy);
    out->Word(0);  // no menu
    out->Word(0);  // the dialog class
    out->Text(t->caption);
    out->Word(static_cast<uint16_t>(PointSize(t)));
    out->Text(FontName(t));
    for (size_t i = 0; i < t->itemCount; ++i) {
        const PlatformDialogItem& item = t->items[i];
        if (!item.className || !*item.className) return false;
        out->AlignDword();
        out->Dword(item.style | WS_CHILD);
        out->Dword(0);
        out->Short(item.x);
        out->Short(item.y);
        out->Short(item.cx);
        out->Short(item.cy);
        out->Word(static_cast<uint16_t>(item.id));
        if (uint16_t atom = ClassAtom(item.className)) {
            out->Word(0xFFFF);
            out->Word(atom);
        } else {
            out->Text(item.className);
        }
        out->Text(item.text);
        out->Word(0);  // no creation data
    }
    return true;
}

}  // namespace

PlatformBaseUnits PlatformGetDialogBaseUnits(const PlatformDialogTemplate* dialogTemplate) {
    // The dialog manager's own reckoning: the average width of the 52 Latin
    // letters, rounded, and the font's height.
    PlatformBaseUnits units{6, 13};
    HDC screen = GetDC(nullptr);
    if (!screen) return units;
    HFONT font = CreateFontA(-MulDiv(PointSize(dialogTemplate), GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                             FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, FontName(dialogTemplate));
    if (font) {
        HGDIOBJ before = SelectObject(screen, font);
        static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE extent{};
        TEXTMETRICA metrics{};
        if (GetTextExtentPoint32A(screen, letters, 52, &extent) && GetTextMetricsA(screen, &metrics)) {
            units.x = (extent.cx / 26 + 1) / 2;
            units.y = metrics.tmHeight;
        }
        SelectObject(screen, before);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, screen);
    return units;
}

int PlatformMapDialogRect(HWND dialog, PlatformRect* rect) {
    if (!rect) return 0;
    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    if (!MapDialogRect(NativeWindow(dialog), &r)) return 0;
    *rect = PlatformRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                         static_cast<int>(r.bottom)};
    return 1;
}

HWND PlatformCreateDialog(const PlatformDialogTemplate* dialogTemplate, HWND parent, PlatformDlgProc procedure,
                          LPARAM initParam) {
    TemplateWriter writer;
    if (!procedure || !BuildTemplate(dialogTemplate, &writer)) return nullptr;
    if ((dialogTemplate->style & WS_CHILD) && !parent) return nullptr;
    InitControls();
    DialogStart start{procedure, initParam};
    return LayerWindow(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), writer.Data(), NativeWindow(parent),
                                                  DialogThunk, reinterpret_cast<LPARAM>(&start)));
}

intptr_t PlatformDialogBox(const PlatformDialogTemplate* dialogTemplate, HWND owner, PlatformDlgProc procedure,
                           LPARAM initParam) {
    TemplateWriter writer;
    if (!procedure || !BuildTemplate(dialogTemplate, &writer)) return -1;
    InitControls();
    DialogStart start{procedure, initParam};
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), writer.Data(), NativeWindow(owner), DialogThunk,
                                   reinterpret_cast<LPARAM>(&start));
}

int PlatformEndDialog(HWND dialog, intptr_t result) { return EndDialog(NativeWindow(dialog), result) ? 1 : 0; }

int PlatformIsDialogMessage(HWND dialog, const PlatformMessage* message) {
    if (!dialog || !message) return 0;
    MSG m{};
    m.hwnd = NativeWindow(message->window);
    m.message = message->message;
    m.wParam = message->wParam;
    m.lParam = message->lParam;
    m.time = message->time;
    m.pt = POINT{message->x, message->y};
    return IsDialogMessageA(NativeWindow(dialog), &m) ? 1 : 0;
}

LRESULT PlatformSendDlgItemMessage(HWND dialog, int id, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(NativeWindow(dialog), id, message, wParam, lParam);
}

int PlatformSetDlgItemText(HWND dialog, int id, const char* text) {
    return SetDlgItemTextA(NativeWindow(dialog), id, text ? text : "") ? 1 : 0;
}

int PlatformGetDlgItemText(HWND dialog, int id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(GetDlgItemTextA(NativeWindow(dialog), id, buffer, size));
}

int PlatformCheckDlgButton(HWND dialog, int id, uint32_t check) {
    return CheckDlgButton(NativeWindow(dialog), id, check) ? 1 : 0;
}

int PlatformCheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
    return CheckRadioButton(NativeWindow(dialog), firstId, lastId, checkId) ? 1 : 0;
}

int PlatformMessageBox(HWND owner, const char* text, const char* caption, uint32_t flags) {
    MessageBoxA(NativeWindow(owner), text ? text : "", caption ? caption : "Error", flags);
    return IDOK;
}

int PlatformBrowseForFolder(HWND owner, const char* title, char* path, size_t size) {
    if (!path || size == 0) return 0;
    char chosen[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = NativeWindow(owner);
    info.pszDisplayName = chosen;
    info.lpszTitle = title ? title : "Choose a folder";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return 0;
    int ok = SHGetPathFromIDListA(list, chosen);
    ILFree(list);
    size_t length = std::strlen(chosen);
    if (!ok || length == 0 || length >= size) return 0;
    std::memcpy(path, chosen, length + 1);
    return 1;
}
