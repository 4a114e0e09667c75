// The toolkit thread, the window table, message queues, timers and painting.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>

#include "platform/gdi.h"
#include "platform/internal.h"
#include "platform/system.h"

namespace platform {
namespace {

// ---- the toolkit thread ----

struct UiState {
    std::mutex mutex;
    std::condition_variable started;
    bool running = false;
    bool ready = false;
    bool display = false;
    std::atomic<bool> stop{false};
    std::thread::id threadId;
    std::thread thread;
    int pipeRead = -1, pipeWrite = -1;
    int signalRead = -1, signalWrite = -1;  // the self-pipe of PlatformSetCtrlHandler
    std::atomic<PlatformCtrlHandler> ctrlHandler{nullptr};
    std::mutex taskMutex;
    std::deque<std::function<void()>> tasks;
};

UiState& Ui() {
    static UiState* state = new UiState;  // outlives every static destructor
    return *state;
}

void DrainTasks() {
    UiState& ui = Ui();
    char buffer[64];
    while (read(ui.pipeRead, buffer, sizeof buffer) > 0) {
    }
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(ui.taskMutex);
            if (ui.tasks.empty()) return;
            task = std::move(ui.tasks.front());
            ui.tasks.pop_front();
        }
        task();
    }
}

void PipeReady(int, void*) { DrainTasks(); }

// Signals reach the handler here, on the toolkit thread, through the pipe.
void DrainSignals() {
    UiState& ui = Ui();
    unsigned char numbers[16];
    ssize_t count;
    while ((count = read(ui.signalRead, numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            const int number = numbers[i];
            const uint32_t type = number == SIGINT ? CTRL_C_EVENT : number == SIGHUP ? CTRL_CLOSE_EVENT : CTRL_SHUTDOWN_EVENT;
            PlatformCtrlHandler handler = ui.ctrlHandler;
            if (handler && handler(type)) continue;
            signal(number, SIG_DFL);
            raise(number);
        }
    }
}

void SignalsReady(int, void*) { DrainSignals(); }

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    ssize_t written = write(Ui().signalWrite, &byte, 1);
    (void)written;
    errno = saved;
}

void WakeUi() {
    UiState& ui = Ui();
    char c = 1;
    ssize_t written = write(ui.pipeWrite, &c, 1);
    (void)written;  // a full pipe already wakes the thread
}

void StopUi() {
    UiState& ui = Ui();
    if (!ui.running || std::this_thread::get_id() == ui.threadId) return;
    ui.stop = true;
    WakeUi();
    if (ui.thread.joinable()) ui.thread.join();
}

void UiMain() {
    UiState& ui = Ui();
    Display* display = nullptr;
    const char* name = std::getenv("DISPLAY");
    // A busy server may refuse a connection for a moment: try a few times.
    for (int attempt = 0; name && *name && !display && attempt < 20; ++attempt) {
        if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        display = XOpenDisplay(nullptr);
    }
    if (display) {
        fl_open_display(display);
        Fl::add_fd(ui.pipeRead, FL_READ, PipeReady, nullptr);
        Fl::add_fd(ui.signalRead, FL_READ, SignalsReady, nullptr);
        Fl::visual(FL_RGB);
    }
    {
        std::lock_guard<std::mutex> lock(ui.mutex);
        ui.display = display != nullptr;
        ui.ready = true;
    }
    ui.started.notify_all();
    while (!ui.stop) {
        if (ui.display) {
            Fl::wait(0.5);
        } else {
            pollfd fds[2] = {{ui.pipeRead, POLLIN, 0}, {ui.signalRead, POLLIN, 0}};
            poll(fds, 2, 500);
            DrainSignals();
            DrainTasks();
        }
    }
    DrainTasks();
}

void EnsureUi() {
    UiState& ui = Ui();
    std::unique_lock<std::mutex> lock(ui.mutex);
    if (!ui.running) {
        int fds[4];
        if (pipe(fds) != 0 || pipe(fds + 2) != 0) std::abort();
        for (int fd : fds) {
            int flags = fcntl(fd, F_GETFL);
            fcntl(fd, F_SETFL, flags | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        ui.pipeRead = fds[0];
        ui.pipeWrite = fds[1];
        ui.signalRead = fds[2];
        ui.signalWrite = fds[3];
        ui.running = true;
        ui.thread = std::thread(UiMain);
        ui.threadId = ui.thread.get_id();
        std::atexit(StopUi);
    }
    ui.started.wait(lock, [&] { return ui.ready; });
}

}  // namespace

bool OnUiThread() { return Ui().running && std::this_thread::get_id() == Ui().threadId; }

bool DisplayOpen() {
    EnsureUi();
    return Ui().display;
}

void RunOnUi(const std::function<void()>& function) {
    EnsureUi();
    if (OnUiThread()) {
        function();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    {
        std::lock_guard<std::mutex> lock(Ui().taskMutex);
        Ui().tasks.push_back([&function, done] {
            function();
            std::lock_guard<std::mutex> l(done->mutex);
            done->done = true;
            done->cv.notify_one();
        });
    }
    WakeUi();
    std::unique_lock<std::mutex> lock(done->mutex);
    done->cv.wait(lock, [&] { return done->done; });
}

void RunOnUiAsync(std::function<void()> function) {
    EnsureUi();
    {
        std::lock_guard<std::mutex> lock(Ui().taskMutex);
        Ui().tasks.push_back(std::move(function));
    }
    WakeUi();
}

uint64_t Milliseconds64() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

// ---- window table ----

namespace {

struct Table {
    std::recursive_mutex lock;
    std::vector<HWND> windows;  // live ones, in creation order
    std::vector<HWND> graveyard;
    struct ClassRecord {
        PlatformWindowClass wc;
        std::string name;
    };
    std::vector<ClassRecord> classes;
    std::mutex queueLock;
    std::map<uint32_t, std::shared_ptr<ThreadQueue>> queues;
    uint32_t nextThreadId = 1;
    std::atomic<uintptr_t> nextTimerId{0x7F00};
};

Table& T() {
    static Table* table = new Table;
    return *table;
}

}  // namespace

std::recursive_mutex& StateLock() { return T().lock; }

bool IsLive(HWND window) {
    if (!window) return false;
    auto& w = T().windows;
    return std::find(w.begin(), w.end(), window) != w.end();
}

void RegisterWindow(HWND window) { T().windows.push_back(window); }
std::vector<HWND>& AllWindows() { return T().windows; }

std::shared_ptr<ThreadQueue> CurrentQueue() {
    thread_local std::shared_ptr<ThreadQueue> queue;
    if (!queue) {
        queue = std::make_shared<ThreadQueue>();
        std::lock_guard<std::mutex> lock(T().queueLock);
        queue->id = T().nextThreadId++;
        T().queues[queue->id] = queue;
    }
    return queue;
}

std::shared_ptr<ThreadQueue> QueueById(uint32_t id) {
    std::lock_guard<std::mutex> lock(T().queueLock);
    auto it = T().queues.find(id);
    return it == T().queues.end() ? nullptr : it->second;
}

void PostTo(ThreadQueue& queue, const PlatformMessage& message) {
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.posted.push_back(message);
    queue.wake.notify_all();
}

void HintPaint(ThreadQueue& queue) {
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.paintHint = true;
    queue.wake.notify_all();
}

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

void ClientOrigin(HWND window, int* x, int* y) {
    int ox = 0, oy = 0;
    for (HWND w = window; w; w = (w->style & WS_CHILD) ? w->parent : nullptr) {
        ox += w->x;
        oy += w->y;
    }
    *x = ox;
    *y = oy;
}

static bool IsToolkitWindow(HWND window) {
    if (window->kind == Kind::Generic) return true;
    return window->kind == Kind::Dialog && !(window->style & WS_CHILD);
}

void WidgetOrigin(HWND window, int* x, int* y) {
    // Toolkit coordinates count from the nearest enclosing toolkit window.
    if (IsToolkitWindow(window)) {
        *x = 0;
        *y = 0;
        return;
    }
    int px = 0, py = 0;
    if (window->parent) WidgetOrigin(window->parent, &px, &py);
    *x = px + window->x;
    *y = py + window->y;
}

bool IsShowing(HWND window) {
    for (HWND w = window; w; w = (w->style & WS_CHILD) ? w->parent : nullptr) {
        if (!w->visible || w->minimized) return false;
    }
    return true;
}

// ---- the widget of a generic window (and of top-level dialogs) ----

namespace {

int KeyToVirtual(int key) {
    if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
    if (key >= '0' && key <= '9') return key;
    if (key >= FL_F + 1 && key <= FL_F + 12) return VK_F1 + (key - FL_F - 1);
    switch (key) {
        case ' ': return 0x20;
        case ';': return 186;
        case '=': return 187;
        case ',': return 188;
        case '-': return 189;
        case '.': return 190;
        case '/': return 191;
        case '`': return 192;
        case '[': return 219;
        case '\\': return 220;
        case ']': return 221;
        case '\'': return 222;
        case FL_BackSpace: return 0x08;
        case FL_Tab: return 0x09;
        case FL_Enter: case FL_KP_Enter: return 0x0D;
        case FL_Escape: return 0x1B;
        case FL_Pause: return VK_PAUSE;
        case FL_Page_Up: return VK_PRIOR;
        case FL_Page_Down: return VK_NEXT;
        case FL_End: return VK_END;
        case FL_Home: return VK_HOME;
        case FL_Left: return VK_LEFT;
        case FL_Up: return VK_UP;
        case FL_Right: return VK_RIGHT;
        case FL_Down: return VK_DOWN;
        case FL_Insert: return VK_INSERT;
        case FL_Delete: return VK_DELETE;
        case FL_Shift_L: case FL_Shift_R: return VK_SHIFT;
        case FL_Control_L: case FL_Control_R: return VK_CONTROL;
        case FL_Alt_L: case FL_Alt_R: return VK_MENU;
        default: return 0;
    }
}

uint32_t MouseFlags(int state) {
    uint32_t flags = 0;
    if (state & FL_BUTTON1) flags |= MK_LBUTTON;
    if (state & FL_BUTTON3) flags |= MK_RBUTTON;
    if (state & FL_BUTTON2) flags |= MK_MBUTTON;
    if (state & FL_SHIFT) flags |= MK_SHIFT;
    if (state & FL_CTRL) flags |= MK_CONTROL;
    return flags;
}

uint32_t ButtonFlag(int button) {
    return button == 1 ? MK_LBUTTON : button == 3 ? MK_RBUTTON : button == 2 ? MK_MBUTTON : 0;
}

// The character a key press makes (Latin-1 only), or 0.
uint32_t EventCharacter() {
    const unsigned char* text = reinterpret_cast<const unsigned char*>(Fl::event_text());
    int length = Fl::event_length();
    if (length == 1) return text[0];
    if (length == 2 && (text[0] & 0xE0) == 0xC0) {
        uint32_t c = ((text[0] & 0x1Fu) << 6) | (text[1] & 0x3Fu);
        return c < 256 ? c : 0;
    }
    return 0;
}

class WindowWidget : public Fl_Double_Window {
public:
    WindowWidget(HWND record, int x, int y, int w, int h) : Fl_Double_Window(x, y, w, h), record_(record) {
        resizable(nullptr);
        end();
    }

    void draw() override {
        bool full = (damage() & (FL_DAMAGE_ALL | FL_DAMAGE_EXPOSE)) != 0;
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(record_)) return;
        if (full && record_->owner) {
            record_->invalid = true;
            HintPaint(*record_->owner);
        }
        if (record_->background == PLATFORM_BRUSH_FACE || record_->kind == Kind::Dialog) {
            fl_rectf(0, 0, w(), h(), FL_BACKGROUND_COLOR);
        } else if (record_->picture.empty()) {
            fl_rectf(0, 0, w(), h(), FL_BLACK);
        }
        if (!record_->picture.empty()) {
            int pw = std::min(record_->pictureWidth, w());
            int ph = std::min(record_->pictureHeight, h());
            if (pw > 0 && ph > 0)
                fl_draw_image(record_->picture.data(), 0, 0, pw, ph, 3, record_->pictureWidth * 3);
        }
        draw_children();
    }

    int handle(int event) override {
        switch (event) {
            case FL_PUSH:
            case FL_RELEASE:
            case FL_DRAG:
            case FL_MOVE:
            case FL_KEYDOWN:
            case FL_KEYUP:
                break;
            case FL_ENTER:
                Fl_Double_Window::handle(event);
                return 1;
            case FL_FOCUS:
            case FL_UNFOCUS:
                // A plain window keeps the focus itself when it is activated;
                // its controls get it only when clicked (or tabbed to).
                if (record_->kind == Kind::Generic) return 1;
                return Fl_Double_Window::handle(event);
            case FL_HIDE:
            case FL_SHOW:
                NoteMapping(event == FL_SHOW);
                return Fl_Double_Window::handle(event);
            default:
                return Fl_Double_Window::handle(event);
        }
        if (record_->kind != Kind::Generic) return Fl_Double_Window::handle(event);
        if (event == FL_KEYDOWN || event == FL_KEYUP) {
            if (Fl::focus() != this) return Fl_Double_Window::handle(event);
            int vk = KeyToVirtual(Fl::event_key());
            if (!vk) return 0;
            bool alt = (Fl::event_state() & FL_ALT) != 0;
            uint32_t message = event == FL_KEYDOWN ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
            PostInput(record_, message, static_cast<WPARAM>(vk), 1, event == FL_KEYDOWN ? EventCharacter() : 0);
            return 1;
        }
        // Mouse: children first (a panel or a child window under the pointer).
        if (children() && Fl_Double_Window::handle(event)) return 1;
        LPARAM position = MAKELPARAM(static_cast<uint32_t>(Fl::event_x()), static_cast<uint32_t>(Fl::event_y()));
        uint32_t state = MouseFlags(Fl::event_state());
        int button = Fl::event_button();
        bool doubles = (record_->classStyle & CS_DBLCLKS) != 0;
        switch (event) {
            case FL_PUSH: {
                if (Fl::focus() != this) take_focus();
                state |= ButtonFlag(button);
                bool twice = doubles && Fl::event_clicks() > 0;
                uint32_t message = button == 1 ? (twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN)
                                   : button == 3 ? (twice ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN)
                                                 : WM_MBUTTONDOWN;
                PostInput(record_, message, state, position);
                return 1;
            }
            case FL_RELEASE: {
                state &= ~ButtonFlag(button);
                uint32_t message = button == 1 ? WM_LBUTTONUP : button == 3 ? WM_RBUTTONUP : WM_MBUTTONUP;
                PostInput(record_, message, state, position);
                return 1;
            }
            default:
                PostInput(record_, WM_MOUSEMOVE, state, position);
                return 1;
        }
    }

    void resize(int x, int y, int w, int h) override {
        Fl_Double_Window::resize(x, y, w, h);
        if (parent()) return;
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (IsLive(record_) && !(record_->style & WS_CHILD)) {
            record_->x = x;
            record_->y = y;
        }
    }

private:
    // Iconifying by the window manager unmaps the window.
    void NoteMapping(bool shown) {
        if (parent()) return;
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(record_) || !record_->visible) return;
        if (!shown && !record_->minimized) {
            record_->minimized = true;
            PostInput(record_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
        } else if (shown && record_->minimized) {
            record_->minimized = false;
            record_->invalid = true;
            HintPaint(*record_->owner);
            PostInput(record_, WM_SIZE, SIZE_RESTORED,
                      MAKELPARAM(static_cast<uint32_t>(record_->width), static_cast<uint32_t>(record_->height)));
        }
    }

    HWND record_;
};

void CloseCallback(Fl_Widget*, void* data) {
    HWND window = static_cast<HWND>(data);
    bool escape = Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return;
    if (escape) {
        if (window->kind == Kind::Dialog) PostInput(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return;
    }
    PostInput(window, WM_CLOSE, 0, 0);
}

}  // namespace

Fl_Widget* ContainerOf(HWND parent) {
    if (!parent || !parent->widget) return nullptr;
    return parent->widget->as_group() ? parent->widget : nullptr;
}

void CreateGenericWidget(HWND window) {
    Fl_Group::current(nullptr);
    int x = window->x, y = window->y;
    Fl_Group* container = nullptr;
    if (window->style & WS_CHILD) {
        Fl_Widget* c = ContainerOf(window->parent);
        if (!c) return;
        container = c->as_group();
        int ox = 0, oy = 0;
        if (window->parent) WidgetOrigin(window->parent, &ox, &oy);
        x += ox;
        y += oy;
    }
    auto* widget = new WindowWidget(window, x, y, std::max(window->width, 1), std::max(window->height, 1));
    widget->user_data(window);
    widget->callback(CloseCallback, window);
    if (!(window->style & WS_CHILD)) {
        widget->copy_label(window->text.c_str());
        if (!(window->style & WS_THICKFRAME)) widget->size_range(widget->w(), widget->h(), widget->w(), widget->h());
    }
    window->widget = widget;
    if (container) {
        container->add(widget);
        if (window->visible) widget->show();
        else widget->hide();
    } else {
        // Top-level windows are mapped by PlatformShowWindow.
        widget->clear_visible();
    }
}

void DestroyWidget(HWND window) {
    Fl_Widget* widget = window->widget;
    if (!widget) return;
    window->widget = nullptr;
    if (widget->as_window() && !widget->parent()) widget->as_window()->hide();
    if (Fl_Group* parent = widget->parent()) parent->remove(widget);
    Fl::delete_widget(widget);
}

void RequestRedraw(HWND window) {
    if (window->redrawQueued.exchange(true)) return;
    RunOnUiAsync([window] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        window->redrawQueued = false;
        if (IsLive(window) && window->widget) window->widget->damage(FL_DAMAGE_USER1);
    });
}

void PostInput(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, uint32_t character) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window) || !window->owner) return;
    PlatformMessage m{window, message, wParam, lParam, PlatformTickCount(), 0, 0, character};
    if (Fl::event_x_root() || Fl::event_y_root()) {
        m.x = Fl::event_x_root();
        m.y = Fl::event_y_root();
    }
    PostTo(*window->owner, m);
}

HWND NewWindow(Kind kind, const std::string& className, const char* text, uint32_t style, uint32_t exStyle, int x,
               int y, int width, int height, HWND parent, int id, PlatformWndProc procedure, uint32_t classStyle,
               int background) {
    HWND window = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (parent && !IsLive(parent)) return nullptr;
        if ((style & WS_CHILD) && !parent) return nullptr;
        window = new PlatformWindowRecord;
        T().graveyard.push_back(window);
        window->kind = kind;
        window->className = className;
        window->classStyle = classStyle;
        window->background = background;
        window->procedure = procedure;
        window->parent = parent;
        window->style = style;
        window->exStyle = exStyle;
        window->id = id;
        window->text = text ? text : "";
        window->x = x;
        window->y = y;
        window->width = std::max(width, 0);
        window->height = std::max(height, 0);
        window->visible = (style & WS_CHILD) && (style & WS_VISIBLE);
        window->enabled = !(style & WS_DISABLED);
        window->owner = CurrentQueue();
        if (parent) {
            window->fontSize = parent->fontSize;
            window->units = parent->units;
            if (style & WS_CHILD) parent->children.push_back(window);
        }
        RegisterWindow(window);
    }
    if (DisplayOpen()) {
        RunOnUi([&] {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (kind == Kind::Generic || (kind == Kind::Dialog && !(style & WS_CHILD))) CreateGenericWidget(window);
            else CreateControlWidget(window);
            if (window->widget && !window->enabled) window->widget->deactivate();
        });
    }
    if (!window->widget) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        window->live = false;
        auto& all = T().windows;
        all.erase(std::remove(all.begin(), all.end(), window), all.end());
        if (parent) {
            auto& c = parent->children;
            c.erase(std::remove(c.begin(), c.end(), window), c.end());
        }
        return nullptr;
    }
    if (window->visible) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        window->invalid = true;
        HintPaint(*window->owner);
    }
    return window;
}

}  // namespace platform

using namespace platform;

// ---- public: classes and windows ----

int PlatformSetCtrlHandler(PlatformCtrlHandler handler) {
    EnsureUi();
    Ui().ctrlHandler = handler;
    struct sigaction action {};
    action.sa_handler = handler ? OnSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGHUP, SIGTERM})
        if (sigaction(number, &action, nullptr) != 0) return 0;
    return 1;
}

int PlatformHaveDisplay() { return DisplayOpen() ? 1 : 0; }

int PlatformRegisterClass(const PlatformWindowClass* windowClass) {
    if (!windowClass || !windowClass->className || !*windowClass->className || !windowClass->procedure) return 0;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    Kind kind;
    if (IsControlClass(windowClass->className, &kind)) return 0;
    for (auto& c : T().classes)
        if (CompareNoCase(c.name, windowClass->className) == 0) return 0;
    T().classes.push_back({*windowClass, windowClass->className});
    T().classes.back().wc.className = nullptr;
    return 1;
}

int PlatformUnregisterClass(const char* className) {
    if (!className) return 0;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    for (HWND w : T().windows)
        if (CompareNoCase(w->className, className) == 0) return 0;
    auto& classes = T().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (CompareNoCase(it->name, className) == 0) {
            classes.erase(it);
            return 1;
        }
    }
    return 0;
}

HWND PlatformCreateWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x, int y,
                          int width, int height, HWND parent, int id, void*, void* param) {
    if (!className) return nullptr;
    Kind kind = Kind::Generic;
    PlatformWndProc procedure = nullptr;
    uint32_t classStyle = 0;
    int background = PLATFORM_BRUSH_NONE;
    if (IsControlClass(className, &kind)) {
        procedure = ControlProc;
    } else {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        for (auto& c : T().classes) {
            if (CompareNoCase(c.name, className) == 0) {
                procedure = c.wc.procedure;
                classStyle = c.wc.style;
                background = c.wc.background;
                break;
            }
        }
        if (!procedure) return nullptr;
    }
    if (width == CW_USEDEFAULT) width = 320;
    if (height == CW_USEDEFAULT) height = 240;
    if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
        x = (PlatformScreenWidth() - width) / 2;
        y = (PlatformScreenHeight() - height) / 2;
    }
    HWND window = NewWindow(kind, className, title, style, exStyle, x, y, width, height, parent, id, procedure,
                            classStyle, background);
    if (!window) return nullptr;
    if (kind == Kind::Generic) {
        if (PlatformSendMessage(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
            PlatformDestroyWindow(window);
            return nullptr;
        }
        if (!(style & WS_CHILD) && (style & WS_VISIBLE)) PlatformShowWindow(window, SW_SHOW);
    }
    return window;
}

int PlatformDestroyWindow(HWND window) {
    std::vector<HWND> order;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        std::function<void(HWND)> collect = [&](HWND w) {
            order.push_back(w);
            for (HWND c : w->children) collect(c);
        };
        collect(window);
        // Owned top-level windows go with their owner.
        for (HWND w : T().windows)
            if (w->parent == window && !(w->style & WS_CHILD)) order.push_back(w);
    }
    for (HWND w : order) PlatformSendMessage(w, WM_DESTROY, 0, 0);
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        for (HWND w : order) {
            if (!IsLive(w)) continue;
            w->live = false;
            auto& all = T().windows;
            all.erase(std::remove(all.begin(), all.end(), w), all.end());
            if (w->parent) {
                auto& c = w->parent->children;
                c.erase(std::remove(c.begin(), c.end(), w), c.end());
            }
            if (w->owner) {
                std::lock_guard<std::mutex> q(w->owner->mutex);
                auto& timers = w->owner->timers;
                timers.erase(std::remove_if(timers.begin(), timers.end(), [w](const Timer& t) { return t.window == w; }),
                             timers.end());
                auto& posted = w->owner->posted;
                posted.erase(std::remove_if(posted.begin(), posted.end(),
                                            [w](const PlatformMessage& m) { return m.window == w; }),
                             posted.end());
            }
        }
    }
    if (DisplayOpen()) {
        RunOnUi([&] {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            for (auto it = order.rbegin(); it != order.rend(); ++it) DestroyWidget(*it);
        });
    }
    return 1;
}

int PlatformIsWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) ? 1 : 0;
}

int PlatformIsWindowVisible(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    for (HWND w = window; w; w = (w->style & WS_CHILD) ? w->parent : nullptr)
        if (!w->visible) return 0;
    return 1;
}

int PlatformIsIconic(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) && window->minimized ? 1 : 0;
}

int PlatformShowWindow(HWND window, int command) {
    bool wasVisible = false;
    bool sizeMessage = false;
    uint32_t sizeType = SIZE_RESTORED;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        wasVisible = window->visible;
        bool topLevel = !(window->style & WS_CHILD);
        switch (command) {
            case SW_HIDE:
                window->visible = false;
                break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
                window->visible = true;
                if (topLevel && !window->minimized) {
                    window->minimized = true;
                    sizeMessage = true;
                    sizeType = SIZE_MINIMIZED;
                }
                break;
            default:
                window->visible = true;
                if (window->minimized && (command == SW_RESTORE || command == SW_SHOWNORMAL)) {
                    window->minimized = false;
                    sizeMessage = true;
                }
                break;
        }
        if (window->visible && !window->minimized) {
            window->invalid = true;
            HintPaint(*window->owner);
        }
    }
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        Fl_Widget* widget = window->widget;
        if (!widget) return;
        if (!window->visible) {
            widget->hide();
        } else if (window->minimized) {
            if (Fl_Window* w = widget->as_window()) {
                if (!w->shown()) w->show();
                w->iconize();
            }
        } else {
            widget->show();
            if (Fl_Window* w = widget->as_window(); w && !w->parent()) {
                w->show();  // raises / de-iconifies
                // Showing activates the window, which takes the keyboard.
                w->take_focus();
            }
            if (Fl_Group* parent = widget->parent()) parent->redraw();
        }
    });
    if (sizeMessage) {
        PlatformSendMessage(window, WM_SIZE, sizeType,
                            sizeType == SIZE_MINIMIZED
                                ? 0
                                : MAKELPARAM(static_cast<uint32_t>(window->width), static_cast<uint32_t>(window->height)));
    }
    return wasVisible ? 1 : 0;
}

int PlatformEnableWindow(HWND window, int enable) {
    bool was;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        was = window->enabled;
        window->enabled = enable != 0;
    }
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!window->widget) return;
        if (enable) window->widget->activate();
        else window->widget->deactivate();
    });
    return was ? 0 : 1;  // nonzero when it was disabled, as in Win32
}

int PlatformIsWindowEnabled(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) && window->enabled ? 1 : 0;
}

int PlatformSetForegroundWindow(HWND window) {
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
    }
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (Fl_Window* w = window->widget ? window->widget->as_window() : nullptr; w && w->shown() && !w->parent()) {
            w->show();
            if (!w->contains(Fl::focus())) w->take_focus();
        }
    });
    return 1;
}

int PlatformSetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags) {
    PlatformWindowPos pos{window, insertAfter, 0, 0, 0, 0, 0};
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        if (flags & SWP_NOMOVE) {
            x = window->x;
            y = window->y;
        }
        if (flags & SWP_NOSIZE) {
            width = window->width;
            height = window->height;
        }
        width = std::max(width, 0);
        height = std::max(height, 0);
        bool sized = width != window->width || height != window->height;
        bool moved = x != window->x || y != window->y;
        window->x = x;
        window->y = y;
        window->width = width;
        window->height = height;
        pos = PlatformWindowPos{window, insertAfter, x, y, width, height, flags};
        if (!sized) pos.flags |= SWP_NOSIZE;
        if (!moved) pos.flags |= SWP_NOMOVE;
        if (sized && IsShowing(window)) {
            window->invalid = true;
            HintPaint(*window->owner);
        }
    }
    RunOnUi([&] {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        Fl_Widget* widget = window->widget;
        if (!widget) return;
        int ox = 0, oy = 0;
        if ((window->style & WS_CHILD) && window->parent) WidgetOrigin(window->parent, &ox, &oy);
        Fl_Window* asWindow = widget->as_window();
        if (asWindow && !asWindow->parent() && !(window->style & WS_THICKFRAME))
            asWindow->size_range(std::max(width, 1), std::max(height, 1), std::max(width, 1), std::max(height, 1));
        widget->resize(x + ox, y + oy, std::max(width, 1), std::max(height, 1));
        if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOP) {
            if (Fl_Group* parent = widget->parent()) {
                parent->insert(*widget, parent->children());
                if (asWindow && asWindow->shown()) XRaiseWindow(fl_display, fl_xid(asWindow));
            } else if (asWindow && asWindow->shown()) {
                asWindow->show();
            }
        }
        if (Fl_Group* parent = widget->parent()) parent->redraw();
        widget->redraw();
    });
    PlatformSendMessage(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return 1;
}

int PlatformGetWindowRect(HWND window, PlatformRect* rect) {
    if (!rect) return 0;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    int x, y;
    ClientOrigin(window, &x, &y);
    *rect = PlatformRect{x, y, x + window->width, y + window->height};
    return 1;
}

int PlatformGetClientRect(HWND window, PlatformRect* rect) {
    if (!rect) return 0;
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    *rect = PlatformRect{0, 0, window->width, window->height};
    return 1;
}

int PlatformAdjustWindowRect(PlatformRect* rect, uint32_t, int) { return rect ? 1 : 0; }

HWND PlatformGetParent(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) ? window->parent : nullptr;
}

int PlatformGetDlgCtrlID(HWND window) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    return IsLive(window) ? window->id : 0;
}

HWND PlatformGetDlgItem(HWND dialog, int id) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(dialog)) return nullptr;
    for (HWND c : dialog->children)
        if (c->id == id) return c;
    return nullptr;
}

int PlatformSetWindowText(HWND window, const char* text) {
    return static_cast<int>(PlatformSendMessage(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

int PlatformGetWindowText(HWND window, char* buffer, int size) {
    return static_cast<int>(PlatformSendMessage(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                                reinterpret_cast<LPARAM>(buffer)));
}

HWND PlatformFindWindow(const char* className, const char* title) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    for (HWND w : T().windows) {
        if (w->style & WS_CHILD) continue;
        if (className && CompareNoCase(w->className, className) != 0) continue;
        if (title && w->text != title) continue;
        return w;
    }
    return nullptr;
}

int PlatformScreenWidth() {
    int w = 640;
    if (DisplayOpen()) RunOnUi([&] { w = Fl::w(); });
    return w;
}

int PlatformScreenHeight() {
    int h = 480;
    if (DisplayOpen()) RunOnUi([&] { h = Fl::h(); });
    return h;
}

// ---- public: messages ----

LRESULT PlatformSendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    PlatformWndProc procedure;
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        procedure = window->procedure;
    }
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

int PlatformPostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    PlatformMessage m{window, message, wParam, lParam, PlatformTickCount(), 0, 0, 0};
    if (!window) {
        PostTo(*CurrentQueue(), m);
        return 1;
    }
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window) || !window->owner) return 0;
    PostTo(*window->owner, m);
    return 1;
}

int PlatformPostThreadMessage(uint32_t threadId, uint32_t message, WPARAM wParam, LPARAM lParam) {
    auto queue = QueueById(threadId);
    if (!queue) return 0;
    PostTo(*queue, PlatformMessage{nullptr, message, wParam, lParam, PlatformTickCount(), 0, 0, 0});
    return 1;
}

void PlatformPostQuitMessage(int exitCode) {
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->quit = true;
    queue->quitCode = exitCode;
    queue->wake.notify_all();
}

uint32_t PlatformCurrentThreadId() { return CurrentQueue()->id; }

namespace {

bool InRange(uint32_t message, uint32_t first, uint32_t last) {
    if (first == 0 && last == 0) return true;
    return message >= first && message <= last;
}

bool TakeMessage(ThreadQueue& queue, PlatformMessage* out, HWND filter, uint32_t first, uint32_t last,
                 bool remove) {
    {
        std::lock_guard<std::mutex> lock(queue.mutex);
        for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
            if (filter && it->window != filter) continue;
            if (!InRange(it->message, first, last)) continue;
            *out = *it;
            if (remove) queue.posted.erase(it);
            return true;
        }
        if (queue.quit && !filter && InRange(WM_QUIT, first, last)) {
            *out = PlatformMessage{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, PlatformTickCount(), 0, 0, 0};
            if (remove) queue.quit = false;
            return true;
        }
    }
    bool hint;
    {
        std::lock_guard<std::mutex> lock(queue.mutex);
        hint = queue.paintHint;
        queue.paintHint = false;
    }
    if (hint && InRange(WM_PAINT, first, last)) {
        std::lock_guard<std::recursive_mutex> state(StateLock());
        for (HWND w : AllWindows()) {
            if (w->owner.get() != &queue || !w->invalid || !IsShowing(w)) continue;
            if (filter && w != filter) continue;
            *out = PlatformMessage{w, WM_PAINT, 0, 0, PlatformTickCount(), 0, 0, 0};
            HintPaint(queue);  // it stays invalid until painted
            return true;
        }
    } else if (hint) {
        HintPaint(queue);
    }
    std::lock_guard<std::mutex> lock(queue.mutex);
    if (!InRange(WM_TIMER, first, last)) return false;
    uint64_t now = Milliseconds64();
    Timer* due = nullptr;
    for (Timer& t : queue.timers) {
        if (t.due > now) continue;
        if (filter && t.window != filter) continue;
        if (!due || t.due < due->due) due = &t;
    }
    if (!due) return false;
    *out = PlatformMessage{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->procedure),
                           static_cast<uint32_t>(now), 0, 0, 0};
    if (remove) due->due = now + due->period;
    return true;
}

// Blocks until something may be there or the deadline passed (the caller looks again).
void WaitForWork(ThreadQueue& queue, uint64_t deadline = UINT64_MAX) {
    std::unique_lock<std::mutex> lock(queue.mutex);
    if (!queue.posted.empty() || queue.quit || queue.paintHint) return;
    uint64_t next = deadline;
    for (const Timer& t : queue.timers) next = std::min(next, t.due);
    if (next == UINT64_MAX) {
        queue.wake.wait(lock);
    } else {
        uint64_t now = Milliseconds64();
        if (next > now) queue.wake.wait_for(lock, std::chrono::milliseconds(next - now));
    }
}

}  // namespace

int PlatformGetMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last) {
    auto queue = CurrentQueue();
    PlatformMessage m{};
    while (!TakeMessage(*queue, &m, window, first, last, true)) WaitForWork(*queue);
    if (message) *message = m;
    return m.message == WM_QUIT ? 0 : 1;
}

int PlatformPeekMessage(PlatformMessage* message, HWND window, uint32_t first, uint32_t last, uint32_t remove) {
    auto queue = CurrentQueue();
    PlatformMessage m{};
    if (!TakeMessage(*queue, &m, window, first, last, (remove & PM_REMOVE) != 0)) return 0;
    if (message) *message = m;
    return 1;
}

int PlatformWaitMessage() {
    auto queue = CurrentQueue();
    PlatformMessage m{};
    while (!TakeMessage(*queue, &m, nullptr, 0, 0, false)) WaitForWork(*queue);
    return 1;
}

int PlatformWaitMessageTimeout(uint32_t milliseconds) {
    auto queue = CurrentQueue();
    const uint64_t deadline = Milliseconds64() + milliseconds;
    PlatformMessage m{};
    for (;;) {
        if (TakeMessage(*queue, &m, nullptr, 0, 0, false)) return 1;
        if (Milliseconds64() >= deadline) return 0;
        WaitForWork(*queue, deadline);
    }
}

int PlatformTranslateMessage(const PlatformMessage* message) {
    if (!message || !message->character) return 0;
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return 0;
    uint32_t kind = message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // The character comes next, before any later key.
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(message->window) || !message->window->owner) return 0;
    ThreadQueue& queue = *message->window->owner;
    std::lock_guard<std::mutex> q(queue.mutex);
    queue.posted.push_front(PlatformMessage{message->window, kind, message->character, message->lParam,
                                            message->time, message->x, message->y, 0});
    queue.wake.notify_all();
    return 1;
}

LRESULT PlatformDispatchMessage(const PlatformMessage* message) {
    if (!message) return 0;
    if (message->message == WM_TIMER && message->lParam) {
        auto procedure = reinterpret_cast<PlatformTimerProc>(message->lParam);
        {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (message->window && !IsLive(message->window)) return 0;
        }
        procedure(message->window, WM_TIMER, message->wParam, message->time);
        return 0;
    }
    if (!message->window) return 0;
    return PlatformSendMessage(message->window, message->message, message->wParam, message->lParam);
}

LRESULT PlatformDefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PlatformValidateRect(window, nullptr);
            return 0;
        case WM_CLOSE:
            PlatformDestroyWindow(window);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_WINDOWPOSCHANGED: {
            auto* pos = reinterpret_cast<const PlatformWindowPos*>(lParam);
            if (pos && !(pos->flags & SWP_NOSIZE))
                PlatformSendMessage(window, WM_SIZE, SIZE_RESTORED,
                                    MAKELPARAM(static_cast<uint32_t>(pos->cx), static_cast<uint32_t>(pos->cy)));
            return 0;
        }
        case WM_SETICON:
            return reinterpret_cast<LRESULT>(SetWindowIcon(window, reinterpret_cast<PlatformIcon*>(lParam)));
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lParam);
            {
                std::lock_guard<std::recursive_mutex> lock(StateLock());
                if (!IsLive(window)) return 0;
                window->text = text ? text : "";
            }
            RunOnUi([&] {
                std::lock_guard<std::recursive_mutex> lock(StateLock());
                if (window->widget && !(window->style & WS_CHILD)) window->widget->copy_label(window->text.c_str());
            });
            return 1;
        }
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(lParam);
            int size = static_cast<int>(wParam);
            if (!buffer || size <= 0) return 0;
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            if (!IsLive(window)) {
                buffer[0] = 0;
                return 0;
            }
            size_t n = std::min(window->text.size(), static_cast<size_t>(size - 1));
            std::memcpy(buffer, window->text.data(), n);
            buffer[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: {
            std::lock_guard<std::recursive_mutex> lock(StateLock());
            return IsLive(window) ? static_cast<LRESULT>(window->text.size()) : 0;
        }
        default:
            return 0;
    }
}

// ---- public: painting ----

int PlatformInvalidateRect(HWND window, const PlatformRect*, int) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!window) {
        for (HWND w : AllWindows()) {
            w->invalid = true;
            HintPaint(*w->owner);
        }
        return 1;
    }
    if (!IsLive(window)) return 0;
    window->invalid = true;
    HintPaint(*window->owner);
    return 1;
}

int PlatformValidateRect(HWND window, const PlatformRect*) {
    std::lock_guard<std::recursive_mutex> lock(StateLock());
    if (!IsLive(window)) return 0;
    window->invalid = false;
    return 1;
}

int PlatformUpdateWindow(HWND window) {
    {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        if (!window->invalid || !IsShowing(window)) return 1;
    }
    PlatformSendMessage(window, WM_PAINT, 0, 0);
    return 1;
}

int PlatformEndPaint(HWND, const PlatformPaint* paint) {
    if (paint && paint->dc) PlatformReleaseDC(nullptr, paint->dc);
    return 1;
}

// ---- public: timers ----

uintptr_t PlatformSetTimer(HWND window, uintptr_t id, uint32_t milliseconds, PlatformTimerProc procedure) {
    std::shared_ptr<ThreadQueue> queue;
    if (window) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        queue = window->owner;
    } else {
        queue = CurrentQueue();
    }
    uint64_t due = Milliseconds64() + milliseconds;
    uintptr_t fresh = window ? 0 : T().nextTimerId.fetch_add(1);
    std::lock_guard<std::mutex> lock(queue->mutex);
    if (!window) {
        // A thread timer gets a fresh id unless an existing one is named.
        bool known = false;
        for (Timer& t : queue->timers) known |= (t.window == nullptr && t.id == id && id != 0);
        if (!known) id = fresh;
    }
    for (Timer& t : queue->timers) {
        if (t.window == window && t.id == id) {
            t.period = milliseconds;
            t.procedure = procedure;
            t.due = due;
            queue->wake.notify_all();
            return window ? (id ? id : 1) : id;
        }
    }
    queue->timers.push_back(Timer{window, id, milliseconds, procedure, due});
    queue->wake.notify_all();
    return window ? (id ? id : 1) : id;
}

int PlatformKillTimer(HWND window, uintptr_t id) {
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    if (window) {
        std::lock_guard<std::recursive_mutex> lock(StateLock());
        if (!IsLive(window)) return 0;
        queues.push_back(window->owner);
    } else {
        queues.push_back(CurrentQueue());
    }
    int found = 0;
    for (auto& queue : queues) {
        std::lock_guard<std::mutex> lock(queue->mutex);
        auto& timers = queue->timers;
        auto end = std::remove_if(timers.begin(), timers.end(),
                                  [&](const Timer& t) { return t.window == window && t.id == id; });
        found |= end != timers.end();
        timers.erase(end, timers.end());
    }
    return found;
}

PlatformDC* PlatformBeginPaint(HWND window, PlatformPaint* paint) {
    PlatformValidateRect(window, nullptr);
    PlatformDC* dc = PlatformGetDC(window);
    if (paint) {
        paint->dc = dc;
        PlatformGetClientRect(window, &paint->area);
    }
    return dc;
}
