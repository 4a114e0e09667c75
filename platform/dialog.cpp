// Dialogs from templates, the controls they hold, message boxes and bitmaps.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/bmp_internal.h"
#include "platform/internal.h"

struct PlatformBitmap {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    Fl_RGB_Image* image = nullptr;  // made on the toolkit thread
};

namespace platform {
namespace {

int MulDiv(int value, int numerator, int denominator) {
    int64_t product = int64_t{value} * numerator;
    int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

int PixelSize(int pointSize) { return std::max(1, (pointSize * 96 + 36) / 72); }

void Notify(HWND control, uint32_t code) {
    HWND parent = control->parent;
    if (!parent) return;
    PostInput(parent, WM_COMMAND, MAKEWPARAM(static_cast<uint32_t>(control->id), code),
              reinterpret_cast<LPARAM>(control));
}

Fl_Color FaceColour() { return FL_BACKGROUND_COLOR; }

// ---- widgets ----

class DialogGroup : public Fl_Group {
public:
    DialogGroup(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
        box(FL_FLAT_BOX);
        color(FaceColour());
        resizable(nullptr);
        end();
    }
    // Clicks on the panel's background stay with the panel.
    int handle(int event) override {
        int result = Fl_Group::handle(event);
        return result || event == FL_PUSH;
    }
};

template <class Base>
class ButtonWidget : public Base {
public:
    ButtonWidget(HWND record, int x, int y, int w, int h) : Base(x, y, w, h), record_(record) {}
    int handle(int event) override {
        int result = Base::handle(event);
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (IsLive(record_) && this->type() != FL_RADIO_BUTTON) record_->pushed = this->value() != 0;
        return result;
    }
    void draw() override {
        Base::draw();
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (IsLive(record_) && record_->bitmap && record_->bitmap->image) {
            Fl_RGB_Image* image = record_->bitmap->image;
            int ix = this->x() + (this->w() - image->w()) / 2 + (this->value() ? 1 : 0);
            int iy = this->y() + (this->h() - image->h()) / 2 + (this->value() ? 1 : 0);
            image->draw(ix, iy);
        }
    }

private:
    HWND record_;
};

void ButtonCallback(Fl_Widget* widget, void* data) {
    HWND record = static_cast<HWND>(data);
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(record)) return;
    if ((record->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && record->parent) {
        // The toolkit cleared the other radio buttons of the dialog.
        for (HWND sibling : record->parent->children) {
            if (sibling->kind != Kind::Button || (sibling->style & BS_TYPEMASK) != BS_AUTORADIOBUTTON) continue;
            if (auto* b = static_cast<Fl_Button*>(sibling->widget)) sibling->checked = b->value() != 0;
        }
        record->checked = true;
        static_cast<Fl_Button*>(widget)->value(1);
    }
    Notify(record, BN_CLICKED);
}

// A frame with its caption over the top line.
class GroupBoxWidget : public Fl_Widget {
public:
    GroupBoxWidget(HWND record, int x, int y, int w, int h) : Fl_Widget(x, y, w, h), record_(record) {}
    void draw() override {
        std::string text;
        int size = 11;
        bool centre = false;
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (!IsLive(record_)) return;
            text = record_->text;
            size = record_->fontSize;
            centre = (record_->style & BS_CENTER) == BS_CENTER;
        }
        fl_font(FL_HELVETICA, size);
        int top = y() + size / 2;
        fl_draw_box(FL_ENGRAVED_FRAME, x(), top, w(), std::max(h() - size / 2, 2), FaceColour());
        if (!text.empty()) {
            int tw = static_cast<int>(fl_width(text.c_str())) + 4;
            int tx = centre ? x() + (w() - tw) / 2 : x() + 7;
            fl_color(FaceColour());
            fl_rectf(tx, y(), tw, size + 2);
            fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
            fl_draw(text.c_str(), tx + 2, y() + size);
        }
    }

private:
    HWND record_;
};

// Statics and read-only edits: a text in a box.
class TextWidget : public Fl_Widget {
public:
    TextWidget(HWND record, int x, int y, int w, int h) : Fl_Widget(x, y, w, h), record_(record) {}
    void draw() override {
        std::string text;
        int size = 11;
        uint32_t style = 0;
        bool edit = false;
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (!IsLive(record_)) return;
            text = record_->text;
            size = record_->fontSize;
            style = record_->style;
            edit = record_->kind == Kind::Edit;
        }
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        int inset = 0;
        if (edit) {
            bool readOnly = (style & ES_READONLY) != 0;
            fl_draw_box((style & WS_BORDER) || !(style & ES_MULTILINE) ? FL_DOWN_BOX : FL_FLAT_BOX, x(), y(), w(), h(),
                        readOnly ? FaceColour() : FL_BACKGROUND2_COLOR);
            inset = 3;
        } else {
            fl_color(FaceColour());
            fl_rectf(x(), y(), w(), h());
        }
        fl_font(FL_HELVETICA, size);
        fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
        Fl_Align align = FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
        bool centre = edit ? (style & ES_CENTER) != 0 : (style & SS_CENTER) != 0;
        bool multi = !edit || (style & ES_MULTILINE);
        // A label one line high keeps its words on that line: our font runs
        // wider than the one the templates were laid out for, so shrink it
        // a little rather than wrap the second word out of sight.
        if (!edit && h() < 2 * size) {
            multi = false;
            while (size > 8 && fl_width(text.c_str()) > w() - 2) fl_font(FL_HELVETICA, --size);
        }
        if (centre) align |= FL_ALIGN_CENTER;
        else align |= FL_ALIGN_LEFT;
        if (multi) align |= FL_ALIGN_TOP | FL_ALIGN_WRAP;
        fl_push_clip(x() + 1, y() + 1, std::max(w() - 2, 0), std::max(h() - 2, 0));
        fl_draw(text.c_str(), x() + inset, y() + (multi ? inset - 1 : 0), w() - 2 * inset, h() - (multi ? inset : 0),
                align, nullptr, 0);
        fl_pop_clip();
    }

private:
    HWND record_;
};

class ListWidget : public Fl_Hold_Browser {
public:
    ListWidget(HWND record, int x, int y, int w, int h) : Fl_Hold_Browser(x, y, w, h), record_(record) {}
    HWND record_;
};

void ListCallback(Fl_Widget* widget, void* data) {
    HWND record = static_cast<HWND>(data);
    auto* list = static_cast<ListWidget*>(widget);
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(record)) return;
    int selection = list->value() - 1;
    if (selection == record->list.selection) return;
    record->list.selection = selection;
    if (record->style & LBS_NOTIFY) Notify(record, LBN_SELCHANGE);
}

// A vertical track bar that reports its moves with the scroll codes.
class TrackWidget : public Fl_Widget {
public:
    TrackWidget(HWND record, int x, int y, int w, int h) : Fl_Widget(x, y, w, h), record_(record) {}

    void draw() override {
        TrackBarState track;
        uint32_t style = 0;
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (!IsLive(record_)) return;
            track = record_->track;
            style = record_->style;
        }
        fl_color(FaceColour());
        fl_rectf(x(), y(), w(), h());
        int cx = x() + std::min(w() / 2, 8);
        fl_draw_box(FL_DOWN_BOX, cx - 2, y() + kMargin - 2, 4, h() - 2 * kMargin + 4, FL_BACKGROUND2_COLOR);
        if (style & TBS_AUTOTICKS) {
            fl_color(FL_FOREGROUND_COLOR);
            for (int v = track.minimum; v <= track.maximum && track.maximum - track.minimum < 1000; ++v) {
                int ty = ValueY(track, v);
                fl_line(cx + 8, ty, cx + 10, ty);
            }
        }
        int ty = ValueY(track, std::clamp(track.position, track.minimum, track.maximum));
        fl_draw_box(FL_UP_BOX, cx - 6, ty - kThumb / 2, 13, kThumb, FaceColour());
        if (Fl::focus() == this) draw_focus(FL_FLAT_BOX, x(), y(), w(), h());
    }

    int handle(int event) override {
        switch (event) {
            case FL_FOCUS:
            case FL_UNFOCUS:
                redraw();
                return 1;
            case FL_PUSH: {
                if (Fl::visible_focus()) take_focus();
                TrackBarState track = State();
                int thumb = ValueY(track, track.position);
                int ey = Fl::event_y();
                if (ey >= thumb - kThumb / 2 && ey <= thumb + kThumb / 2) {
                    dragging_ = true;
                    return 1;
                }
                dragging_ = false;
                Step(ey < thumb ? TB_PAGEUP : TB_PAGEDOWN);
                Report(TB_ENDTRACK);
                return 1;
            }
            case FL_DRAG: {
                if (!dragging_) return 1;
                TrackBarState track = State();
                int value = PositionAt(track, Fl::event_y());
                if (value != track.position) {
                    SetPosition(value);
                    Report(TB_THUMBTRACK);
                }
                return 1;
            }
            case FL_RELEASE:
                if (dragging_) {
                    dragging_ = false;
                    Report(TB_THUMBPOSITION);
                    Report(TB_ENDTRACK);
                }
                return 1;
            case FL_KEYBOARD: {
                uint32_t code;
                switch (Fl::event_key()) {
                    case FL_Up: case FL_Left: code = TB_LINEUP; break;
                    case FL_Down: case FL_Right: code = TB_LINEDOWN; break;
                    case FL_Page_Up: code = TB_PAGEUP; break;
                    case FL_Page_Down: code = TB_PAGEDOWN; break;
                    case FL_Home: code = TB_TOP; break;
                    case FL_End: code = TB_BOTTOM; break;
                    default: return 0;
                }
                Step(code);
                Report(TB_ENDTRACK);
                return 1;
            }
            default:
                return Fl_Widget::handle(event);
        }
    }

private:
    static constexpr int kMargin = 8;
    static constexpr int kThumb = 10;

    TrackBarState State() {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        return record_->track;
    }
    int ValueY(const TrackBarState& t, int v) const {
        int range = std::max(t.maximum - t.minimum, 1);
        int usable = std::max(h() - 2 * kMargin, 1);
        return y() + kMargin + static_cast<int>(int64_t{v - t.minimum} * usable / range);
    }
    int PositionAt(const TrackBarState& t, int py) const {
        int range = std::max(t.maximum - t.minimum, 1);
        int usable = std::max(h() - 2 * kMargin, 1);
        int offset = std::clamp(py - y() - kMargin, 0, usable);
        return t.minimum + (offset * range + usable / 2) / usable;
    }
    void SetPosition(int value) {
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (!IsLive(record_)) return;
            record_->track.position = std::clamp(value, record_->track.minimum, record_->track.maximum);
        }
        redraw();
    }
    void Step(uint32_t code) {
        TrackBarState t = State();
        int page = t.page > 0 ? t.page : std::max((t.maximum - t.minimum) / 5, 1);
        int value = t.position;
        switch (code) {
            case TB_LINEUP: value -= t.line; break;
            case TB_LINEDOWN: value += t.line; break;
            case TB_PAGEUP: value -= page; break;
            case TB_PAGEDOWN: value += page; break;
            case TB_TOP: value = t.minimum; break;
            case TB_BOTTOM: value = t.maximum; break;
            default: break;
        }
        SetPosition(value);
        Report(code);
    }
    void Report(uint32_t code) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(record_) || !record_->parent) return;
        PostInput(record_->parent, WM_VSCROLL,
                  MAKEWPARAM(code, static_cast<uint32_t>(static_cast<uint16_t>(record_->track.position))),
                  reinterpret_cast<LPARAM>(record_));
    }

    HWND record_;
    bool dragging_ = false;
};

void EnsureImage(PlatformBitmap* bitmap) {
    if (bitmap && !bitmap->image && bitmap->width > 0)
        bitmap->image = new Fl_RGB_Image(bitmap->rgb.data(), bitmap->width, bitmap->height, 3);
}

void RedrawWidget(HWND window) {
    if (window->widget) {
        window->widget->redraw();
        if (window->widget->parent()) window->widget->parent()->redraw();
    }
}

}  // namespace

bool IsControlClass(const std::string& name, Kind* kind) {
    if (CompareNoCase(name, "BUTTON") == 0) *kind = Kind::Button;
    else if (CompareNoCase(name, "EDIT") == 0) *kind = Kind::Edit;
    else if (CompareNoCase(name, "STATIC") == 0) *kind = Kind::Static;
    else if (CompareNoCase(name, "LISTBOX") == 0) *kind = Kind::ListBox;
    else if (CompareNoCase(name, "msctls_trackbar32") == 0) *kind = Kind::TrackBar;
    else return false;
    return true;
}

void CreateControlWidget(HWND window) {
    Fl_Widget* c = ContainerOf(window->parent);
    if (!c) return;
    Fl_Group* container = c->as_group();
    Fl_Group::current(nullptr);
    int ox = 0, oy = 0;
    WidgetOrigin(window->parent, &ox, &oy);
    int x = window->x + ox, y = window->y + oy, w = std::max(window->width, 1), h = std::max(window->height, 1);
    Fl_Widget* widget = nullptr;
    int size = window->fontSize;
    switch (window->kind) {
        case Kind::Dialog:
            widget = new DialogGroup(x, y, w, h);
            break;
        case Kind::Button: {
            uint32_t type = window->style & BS_TYPEMASK;
            if (type == BS_GROUPBOX) {
                widget = new GroupBoxWidget(window, x, y, w, h);
                break;
            }
            Fl_Button* button;
            if (type == BS_AUTORADIOBUTTON) {
                button = new ButtonWidget<Fl_Round_Button>(window, x, y, w, h);
                button->type(FL_RADIO_BUTTON);
                button->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
            } else if (type == BS_DEFPUSHBUTTON) {
                button = new ButtonWidget<Fl_Return_Button>(window, x, y, w, h);
            } else {
                button = new ButtonWidget<Fl_Button>(window, x, y, w, h);
            }
            if (!(window->style & BS_BITMAP)) button->copy_label(window->text.c_str());
            if (window->style & BS_MULTILINE) button->align(button->align() | FL_ALIGN_WRAP);
            button->labelsize(size);
            button->callback(ButtonCallback, window);
            widget = button;
            break;
        }
        case Kind::ListBox: {
            auto* list = new ListWidget(window, x, y, w, h);
            list->format_char(0);
            list->textsize(size);
            list->when(FL_WHEN_CHANGED);
            list->callback(ListCallback, window);
            for (const std::string& item : window->list.items) list->add(item.c_str());
            widget = list;
            break;
        }
        case Kind::TrackBar:
            widget = new TrackWidget(window, x, y, w, h);
            break;
        case Kind::Edit:
        case Kind::Static:
            widget = new TextWidget(window, x, y, w, h);
            break;
        default:
            return;
    }
    widget->user_data(window);
    window->widget = widget;
    container->add(widget);
    if (window->visible) widget->show();
    else widget->hide();
}

LRESULT DialogWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    PlatformDlgProc procedure;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        procedure = window->dialogProcedure;
    }
    intptr_t result = procedure ? procedure(window, message, wParam, lParam) : 0;
    if (message == WM_INITDIALOG || result) return result;
    switch (message) {
        case WM_CLOSE:
            PlatformPostMessage(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        case WM_COMMAND:
        case WM_VSCROLL:
        case WM_CHAR:
            return 0;
        default:
            return PlatformDefWindowProc(window, message, wParam, lParam);
    }
}

LRESULT ControlProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::unique_lock<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    auto redraw = [window] {
        RunOnUiAsync([window] {
            std::lock_guard<std::recursive_mutex> l(StateLock());
            if (IsLive(window)) RedrawWidget(window);
        });
    };
    switch (message) {
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lParam);
            window->text = text ? text : "";
            if (window->kind == Kind::Button && !(window->style & BS_BITMAP)) {
                std::string copy = window->text;
                lock.unlock();
                RunOnUi([&] {
                    std::lock_guard<std::recursive_mutex> l(StateLock());
                    if (IsLive(window) && window->widget) {
                        window->widget->copy_label(copy.c_str());
                        RedrawWidget(window);
                    }
                });
            } else {
                redraw();
            }
            return 1;
        }
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_PAINT:
            lock.unlock();
            return PlatformDefWindowProc(window, message, wParam, lParam);
        default:
            break;
    }
    if (window->kind == Kind::Button) {
        bool radio = (window->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        switch (message) {
            case BM_GETCHECK:
                return radio && window->checked ? BST_CHECKED : BST_UNCHECKED;
            case BM_SETCHECK: {
                if (!radio) return 0;
                window->checked = wParam == BST_CHECKED;
                int value = window->checked ? 1 : 0;
                lock.unlock();
                RunOnUi([&] {
                    std::lock_guard<std::recursive_mutex> l(StateLock());
                    if (IsLive(window) && window->widget) static_cast<Fl_Button*>(window->widget)->value(value);
                });
                return 0;
            }
            case BM_GETSTATE: {
                LRESULT state = radio && window->checked ? BST_CHECKED : 0;
                if (window->pushed || window->forcedPushed) state |= BST_PUSHED;
                return state;
            }
            case BM_SETSTATE: {
                window->forcedPushed = wParam != 0;
                int value = window->forcedPushed ? 1 : 0;
                lock.unlock();
                RunOnUi([&] {
                    std::lock_guard<std::recursive_mutex> l(StateLock());
                    if (IsLive(window) && window->widget && !radio) static_cast<Fl_Button*>(window->widget)->value(value);
                });
                return 0;
            }
            case BM_SETIMAGE: {
                if (wParam != IMAGE_BITMAP) return 0;
                PlatformBitmap* old = window->bitmap;
                window->bitmap = reinterpret_cast<PlatformBitmap*>(lParam);
                lock.unlock();
                RunOnUi([&] {
                    std::lock_guard<std::recursive_mutex> l(StateLock());
                    if (!IsLive(window)) return;
                    EnsureImage(window->bitmap);
                    RedrawWidget(window);
                });
                return reinterpret_cast<LRESULT>(old);
            }
            default:
                return 0;
        }
    }
    if (window->kind == Kind::ListBox) {
        ListBoxState& list = window->list;
        int count = static_cast<int>(list.items.size());
        auto index = static_cast<int>(static_cast<intptr_t>(wParam));
        const char* text = reinterpret_cast<const char*>(lParam);
        auto find = [&](bool exact) -> int {
            if (!text || count == 0) return LB_ERR;
            int start = (index < -1 || index >= count) ? -1 : index;
            for (int n = 1; n <= count; ++n) {
                int i = (start + n) % count;
                const std::string& item = list.items[static_cast<size_t>(i)];
                if (exact ? CompareNoCase(item, text) == 0 : StartsWithNoCase(item, text)) return i;
            }
            return LB_ERR;
        };
        auto sync = [&](std::function<void(ListWidget*)> change) {
            lock.unlock();
            RunOnUi([&] {
                std::lock_guard<std::recursive_mutex> l(StateLock());
                if (IsLive(window) && window->widget) change(static_cast<ListWidget*>(window->widget));
            });
        };
        switch (message) {
            case LB_ADDSTRING:
            case LB_INSERTSTRING: {
                if (!text) return LB_ERR;
                int at;
                if (message == LB_ADDSTRING) {
                    at = count;
                    if (window->style & LBS_SORT) {
                        at = 0;
                        while (at < count && CompareNoCase(list.items[static_cast<size_t>(at)], text) <= 0) ++at;
                    }
                } else {
                    at = index == -1 ? count : index;
                    if (at < 0 || at > count) return LB_ERR;
                }
                list.items.insert(list.items.begin() + at, text);
                if (list.selection >= at) ++list.selection;
                std::string copy = text;
                sync([&](ListWidget* w) { w->insert(at + 1, copy.c_str()); });
                return at;
            }
            case LB_DELETESTRING: {
                if (index < 0 || index >= count) return LB_ERR;
                list.items.erase(list.items.begin() + index);
                if (list.selection == index) list.selection = -1;
                else if (list.selection > index) --list.selection;
                sync([&](ListWidget* w) { w->remove(index + 1); });
                return count - 1;
            }
            case LB_RESETCONTENT:
                list.items.clear();
                list.selection = -1;
                list.top = 0;
                sync([&](ListWidget* w) { w->clear(); });
                return 0;
            case LB_GETCOUNT:
                return count;
            case LB_SETCURSEL: {
                bool valid = index >= 0 && index < count;
                list.selection = valid ? index : -1;
                int selection = list.selection;
                sync([&](ListWidget* w) {
                    if (selection >= 0) {
                        w->value(selection + 1);
                        if (!w->displayed(selection + 1)) w->middleline(selection + 1);
                    } else {
                        w->deselect();
                    }
                });
                return valid ? index : LB_ERR;
            }
            case LB_GETCURSEL:
                return list.selection >= 0 ? list.selection : LB_ERR;
            case LB_GETTEXT: {
                if (index < 0 || index >= count || !lParam) return LB_ERR;
                const std::string& item = list.items[static_cast<size_t>(index)];
                std::memcpy(reinterpret_cast<char*>(lParam), item.c_str(), item.size() + 1);
                return static_cast<LRESULT>(item.size());
            }
            case LB_GETTEXTLEN:
                if (index < 0 || index >= count) return LB_ERR;
                return static_cast<LRESULT>(list.items[static_cast<size_t>(index)].size());
            case LB_FINDSTRING:
                return find(false);
            case LB_FINDSTRINGEXACT:
                return find(true);
            case LB_SELECTSTRING: {
                int found = find(false);
                if (found == LB_ERR) return LB_ERR;
                list.selection = found;
                sync([&](ListWidget* w) {
                    w->value(found + 1);
                    if (!w->displayed(found + 1)) w->middleline(found + 1);
                });
                return found;
            }
            case LB_GETTOPINDEX: {
                int top = 0;
                sync([&](ListWidget* w) { top = std::max(w->topline() - 1, 0); });
                return top;
            }
            case LB_SETTOPINDEX: {
                if (index < 0 || (index >= count && count > 0)) return LB_ERR;
                list.top = index;
                sync([&](ListWidget* w) {
                    if (w->size() > 0) w->topline(index + 1);
                });
                return 0;
            }
            default:
                return 0;
        }
    }
    if (window->kind == Kind::TrackBar) {
        TrackBarState& t = window->track;
        auto clampPosition = [&t] { t.position = std::clamp(t.position, t.minimum, std::max(t.minimum, t.maximum)); };
        LRESULT result = 0;
        switch (message) {
            case TBM_GETPOS:
                return t.position;
            case TBM_GETRANGEMIN:
                return t.minimum;
            case TBM_GETRANGEMAX:
                return t.maximum;
            case TBM_SETRANGE:
                t.minimum = static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam)));
                t.maximum = static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)));
                clampPosition();
                break;
            case TBM_SETRANGEMIN:
                t.minimum = static_cast<int>(lParam);
                clampPosition();
                break;
            case TBM_SETRANGEMAX:
                t.maximum = static_cast<int>(lParam);
                clampPosition();
                break;
            case TBM_SETPOS:
                t.position = static_cast<int>(lParam);
                clampPosition();
                break;
            case TBM_SETLINESIZE:
                result = t.line;
                t.line = static_cast<int>(lParam);
                return result;
            case TBM_SETPAGESIZE:
                result = t.page;
                t.page = static_cast<int>(lParam);
                return result;
            default:
                return 0;
        }
        redraw();
        return result;
    }
    return 0;
}

}  // namespace platform

using namespace platform;

// ---- dialogs ----

PlatformBaseUnits PlatformGetDialogBaseUnits(const PlatformDialogTemplate* dialogTemplate) {
    int point = dialogTemplate && dialogTemplate->pointSize > 0 ? dialogTemplate->pointSize : 8;
    int pixels = PixelSize(point);
    PlatformBaseUnits units{(pixels * 6 + 5) / 11, (pixels * 13 + 5) / 11};
    if (DisplayOpen()) {
        RunOnUi([&] {
            fl_font(FL_HELVETICA, pixels);
            double width = fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
            units.x = std::max(1, (static_cast<int>(width) / 26 + 1) / 2);
            units.y = std::max(1, fl_height());
        });
    }
    return units;
}

int PlatformMapDialogRect(HWND dialog, PlatformRect* rect) {
    if (!rect) return 0;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(dialog)) return 0;
    PlatformBaseUnits u = dialog->units;
    rect->left = MulDiv(rect->left, u.x, 4);
    rect->right = MulDiv(rect->right, u.x, 4);
    rect->top = MulDiv(rect->top, u.y, 8);
    rect->bottom = MulDiv(rect->bottom, u.y, 8);
    return 1;
}

namespace {

HWND BuildDialog(const PlatformDialogTemplate* t, HWND parent, PlatformDlgProc procedure, LPARAM initParam,
                 bool modal) {
    if (!t || !DisplayOpen()) return nullptr;
    PlatformBaseUnits u = PlatformGetDialogBaseUnits(t);
    int size = PixelSize(t->pointSize > 0 ? t->pointSize : 8);
    int w = MulDiv(t->cx, u.x, 4), h = MulDiv(t->cy, u.y, 8);
    int x = MulDiv(t->x, u.x, 4), y = MulDiv(t->y, u.y, 8);
    bool child = (t->style & WS_CHILD) != 0;
    if (child && !parent) return nullptr;
    if (!child) {
        if (t->style & DS_CENTER) {
            x = (PlatformScreenWidth() - w) / 2;
            y = (PlatformScreenHeight() - h) / 2;
        } else if (parent) {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (IsLive(parent)) {
                int px, py;
                ClientOrigin(parent, &px, &py);
                x += px;
                y += py;
            }
        }
    }
    uint32_t style = child ? t->style : (t->style & ~WS_VISIBLE);
    HWND dialog = NewWindow(Kind::Dialog, "#32770", t->caption, style, 0, x, y, w, h, parent, 0, DialogWindowProc, 0,
                            PLATFORM_BRUSH_FACE);
    if (!dialog) return nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        dialog->dialogProcedure = procedure;
        dialog->units = u;
        dialog->fontSize = size;
    }
    if (modal) {
        RunOnUi([&] {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (dialog->widget && dialog->widget->as_window()) dialog->widget->as_window()->set_modal();
        });
    }
    for (size_t i = 0; i < t->itemCount; ++i) {
        const PlatformDialogItem& item = t->items[i];
        Kind kind;
        if (!item.className || !IsControlClass(item.className, &kind)) continue;
        int cx = MulDiv(item.x, u.x, 4), cy = MulDiv(item.y, u.y, 8);
        int cw = MulDiv(item.cx, u.x, 4), ch = MulDiv(item.cy, u.y, 8);
        HWND control = NewWindow(kind, item.className, item.text, item.style | WS_CHILD, 0, cx, cy, cw, ch, dialog,
                                 item.id, ControlProc, 0, PLATFORM_BRUSH_NONE);
        if (!control) {
            PlatformDestroyWindow(dialog);
            return nullptr;
        }
    }
    PlatformSendMessage(dialog, WM_INITDIALOG, 0, initParam);
    if (!PlatformIsWindow(dialog)) return nullptr;
    if (!child && ((t->style & WS_VISIBLE) || modal)) {
        bool ended;
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            ended = dialog->dialogEnded;
        }
        if (!ended) PlatformShowWindow(dialog, SW_SHOW);
    }
    return dialog;
}

}  // namespace

HWND PlatformCreateDialog(const PlatformDialogTemplate* dialogTemplate, HWND parent, PlatformDlgProc procedure,
                          LPARAM initParam) {
    return BuildDialog(dialogTemplate, parent, procedure, initParam, false);
}

intptr_t PlatformDialogBox(const PlatformDialogTemplate* dialogTemplate, HWND owner, PlatformDlgProc procedure,
                           LPARAM initParam) {
    bool ownerWasEnabled = false;
    if (owner) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (IsLive(owner)) {
            ownerWasEnabled = owner->enabled;
            owner->enabled = false;
        }
    }
    HWND dialog = BuildDialog(dialogTemplate, owner, procedure, initParam, true);
    intptr_t result = -1;
    if (dialog) {
        PlatformMessage m{};
        for (;;) {
            {
                std::lock_guard<std::recursive_mutex> lock(StateLock());
                if (!IsLive(dialog) || dialog->dialogEnded) break;
            }
            if (!PlatformGetMessage(&m, nullptr, 0, 0)) {
                PlatformPostQuitMessage(static_cast<int>(m.wParam));
                break;
            }
            if (!PlatformIsDialogMessage(dialog, &m)) {
                PlatformTranslateMessage(&m);
                PlatformDispatchMessage(&m);
            }
        }
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            result = dialog->dialogEnded ? dialog->dialogResult : 0;
        }
    }
    if (owner) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (IsLive(owner)) owner->enabled = ownerWasEnabled || owner->enabled;
    }
    if (dialog) PlatformDestroyWindow(dialog);
    return result;
}

int PlatformEndDialog(HWND dialog, intptr_t result) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(dialog) || dialog->kind != Kind::Dialog) return 0;
    dialog->dialogEnded = true;
    dialog->dialogResult = result;
    PostTo(*dialog->owner, PlatformMessage{dialog, WM_NULL, 0, 0, 0, 0, 0, 0});
    return 1;
}

int PlatformIsDialogMessage(HWND dialog, const PlatformMessage* message) {
    if (!message || !message->window) return 0;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(dialog)) return 0;
        HWND w = message->window;
        while (w && w != dialog) w = (w->style & WS_CHILD) ? w->parent : nullptr;
        if (!w) return 0;
    }
    if (message->message >= WM_KEYDOWN && message->message <= WM_SYSCHAR) return 1;
    PlatformDispatchMessage(message);
    return 1;
}

LRESULT PlatformSendDlgItemMessage(HWND dialog, int id, uint32_t message, WPARAM wParam, LPARAM lParam) {
    HWND control = PlatformGetDlgItem(dialog, id);
    return control ? PlatformSendMessage(control, message, wParam, lParam) : 0;
}

int PlatformSetDlgItemText(HWND dialog, int id, const char* text) {
    HWND control = PlatformGetDlgItem(dialog, id);
    return control ? PlatformSetWindowText(control, text) : 0;
}

int PlatformGetDlgItemText(HWND dialog, int id, char* buffer, int size) {
    HWND control = PlatformGetDlgItem(dialog, id);
    if (!control) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return PlatformGetWindowText(control, buffer, size);
}

int PlatformCheckDlgButton(HWND dialog, int id, uint32_t check) {
    HWND control = PlatformGetDlgItem(dialog, id);
    if (!control) return 0;
    PlatformSendMessage(control, BM_SETCHECK, check, 0);
    return 1;
}

int PlatformCheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id)
        PlatformCheckDlgButton(dialog, id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

// ---- message boxes ----

namespace {

intptr_t MessageBoxProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        PlatformEndDialog(dialog, IDOK);
        return 1;
    }
    return message == WM_INITDIALOG ? 1 : 0;
}

}  // namespace

int PlatformMessageBox(HWND owner, const char* text, const char* caption, uint32_t) {
    const char* title = caption ? caption : "Error";
    const char* body = text ? text : "";
    if (!DisplayOpen()) {
        std::fprintf(stderr, "%s: %s\n", title, body);
        return IDOK;
    }
    PlatformDialogTemplate probe{DS_CENTER, 0, 0, 0, 0, title, "MS Sans Serif", 8, nullptr, 0};
    PlatformBaseUnits u = PlatformGetDialogBaseUnits(&probe);
    int tw = 0, th = 0;
    RunOnUi([&] {
        fl_font(FL_HELVETICA, PixelSize(8));
        tw = 360;
        th = 0;
        fl_measure(body, tw, th, 0);
        int captionWidth = static_cast<int>(fl_width(title)) + 60;
        tw = std::max(tw, captionWidth);
    });
    // Pixels back to dialog units.
    int textCx = (std::max(tw, 120) * 4 + u.x - 1) / u.x;
    int textCy = (std::max(th, u.y) * 8 + u.y - 1) / u.y;
    int cx = textCx + 20;
    int buttonX = (cx - 50) / 2;
    PlatformDialogItem items[] = {
        {"STATIC", body, -1, WS_VISIBLE | SS_LEFT, 10, 10, textCx, textCy},
        {"BUTTON", "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, buttonX, 18 + textCy, 50, 14},
    };
    PlatformDialogTemplate t{WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 0, cx, textCy + 40, title,
                             "MS Sans Serif", 8, items, 2};
    PlatformDialogBox(&t, owner, MessageBoxProc);
    return IDOK;
}

// ---- bitmaps ----

PlatformBitmap* PlatformCreateBitmap(int width, int height, const uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || !rgb) return nullptr;
    auto* bitmap = new PlatformBitmap;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->rgb.assign(rgb, rgb + static_cast<size_t>(width) * static_cast<size_t>(height) * 3u);
    return bitmap;
}

PlatformBitmap* PlatformLoadBitmap(const void* data, size_t size, int map3DColors) {
    // The toolkit's shadow, face and light colours stand for the desktop's.
    platform::Bmp3DColours map{};
    const std::pair<uint8_t*, Fl_Color> targets[] = {
        {map.shadow, FL_DARK3}, {map.face, FL_BACKGROUND_COLOR}, {map.light, FL_LIGHT1}};
    for (auto [rgb, colour] : targets) Fl::get_color(colour, rgb[0], rgb[1], rgb[2]);
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = platform::DecodeBmp(data, size, map3DColors ? &map : nullptr, &width, &height);
    return rgb.empty() ? nullptr : PlatformCreateBitmap(width, height, rgb.data());
}

void PlatformDeleteBitmap(PlatformBitmap* bitmap) {
    if (!bitmap) return;
    if (bitmap->image) {
        Fl_RGB_Image* image = bitmap->image;
        RunOnUi([image] { delete image; });
    }
    delete bitmap;
}

// ---- icons, the desktop's colours and the folder chooser ----

struct PlatformIcon {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

PlatformIcon* PlatformCreateIcon(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !rgba) return nullptr;
    auto* icon = new PlatformIcon;
    icon->width = width;
    icon->height = height;
    icon->rgba.assign(rgba, rgba + static_cast<size_t>(width) * static_cast<size_t>(height) * 4u);
    return icon;
}

void PlatformDestroyIcon(PlatformIcon* icon) { delete icon; }

PlatformIcon* platform::SetWindowIcon(HWND window, PlatformIcon* icon) {
    PlatformIcon* before = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window) || (window->style & WS_CHILD)) return nullptr;
        before = window->icon;
        window->icon = icon;
    }
    if (!DisplayOpen()) return before;
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        Fl_Window* top = window->widget ? window->widget->as_window() : nullptr;
        if (!top) return;
        if (!icon) {
            top->icons(static_cast<const Fl_RGB_Image**>(nullptr), 0);
            return;
        }
        Fl_RGB_Image image(icon->rgba.data(), icon->width, icon->height, 4);
        top->icon(&image);  // the window keeps its own copy
    });
    return before;
}

int PlatformBrowseForFolder(HWND, const char* title, char* path, size_t size) {
    if (!path || size == 0 || !DisplayOpen()) return 0;
    std::string chosen;
    RunOnUi([&] {
        Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
        chooser.title(title ? title : "Choose a folder");
        if (chooser.show() == 0 && chooser.filename()) chosen = chooser.filename();
    });
    if (chosen.empty() || chosen.size() >= size) return 0;
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return 1;
}
