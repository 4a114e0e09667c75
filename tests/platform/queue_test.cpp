// Message queues: order of retrieval, paints only when idle, quit, timers,
// the modal loop and queues of other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/display_env.h"

namespace {

struct Seen {
    HWND window;
    uint32_t message;
    WPARAM wParam;
};
std::vector<Seen> g_seen;
bool g_validatePaint = true;

LRESULT RecordingProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER || message == WM_PAINT || message == WM_TIMER || message == WM_COMMAND ||
        message == WM_CREATE || message == WM_DESTROY || message == WM_SIZE)
        g_seen.push_back({window, message, wParam});
    if (message == WM_PAINT && !g_validatePaint) return 0;
    return PlatformDefWindowProc(window, message, wParam, lParam);
}

void RegisterRecorder() {
    static bool done = false;
    if (done) return;
    PlatformWindowClass wc{0, RecordingProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_FACE, "Recorder"};
    ASSERT_EQ(PlatformRegisterClass(&wc), 1);
    done = true;
}

// Drains the queue: what came out, in order.
std::vector<uint32_t> Drain(int limit = 50) {
    std::vector<uint32_t> order;
    PlatformMessage m{};
    while (limit-- > 0 && PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(m.message);
        if (m.message != WM_QUIT) PlatformDispatchMessage(&m);
    }
    return order;
}

class QueueTest : public testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        g_validatePaint = true;
        Drain();
    }
};

TEST_F(QueueTest, ThreadMessagesComeInOrderAndQuitComesLast) {
    PlatformPostQuitMessage(7);
    PlatformPostMessage(nullptr, WM_USER + 1, 1, 0);
    PlatformPostThreadMessage(PlatformCurrentThreadId(), WM_USER + 2, 2, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.message, WM_USER + 2u);
    EXPECT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
}

TEST_F(QueueTest, PeekWithoutRemoveLeavesTheMessage) {
    PlatformPostMessage(nullptr, WM_USER + 5, 0, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE), 1);
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 1);
    EXPECT_EQ(m.message, WM_USER + 5u);
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
}

TEST_F(QueueTest, GetMessageWakesForAnotherThreadsPost) {
    uint32_t me = PlatformCurrentThreadId();
    std::thread poster([me] {
        PlatformSleep(30);
        PlatformPostThreadMessage(me, WM_USER + 9, 9, 0);
    });
    PlatformMessage m{};
    ASSERT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.message, WM_USER + 9u);
    poster.join();
}

TEST_F(QueueTest, PaintComesOnlyWhenNothingElseIsQueued) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND window = PlatformCreateWindow(0, "Recorder", "paint", WS_CAPTION, 10, 10, 80, 60, nullptr, 0, nullptr,
                                       nullptr);
    ASSERT_NE(window, nullptr);
    PlatformShowWindow(window, SW_SHOW);
    Drain();
    PlatformPostMessage(window, WM_USER + 1, 0, 0);
    PlatformInvalidate(window);
    PlatformPostMessage(window, WM_USER + 2, 0, 0);
    std::vector<uint32_t> order = Drain();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], WM_USER + 1u);
    EXPECT_EQ(order[1], WM_USER + 2u);
    EXPECT_EQ(order[2], WM_PAINT);
    // Painting validated the window: no second paint.
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 1);
    PlatformDestroyWindow(window);
}

TEST_F(QueueTest, AWindowThatIsNotValidatedPaintsAgain) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND window = PlatformCreateWindow(0, "Recorder", "repaint", WS_CAPTION | WS_VISIBLE, 10, 10, 80, 60, nullptr, 0,
                                       nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    Drain();
    g_validatePaint = false;
    PlatformInvalidate(window);
    std::vector<uint32_t> order = Drain(5);
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 5);
    g_validatePaint = true;
    Drain();
    PlatformDestroyWindow(window);
}

TEST_F(QueueTest, HiddenAndMinimisedWindowsGetNoPaint) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND window = PlatformCreateWindow(0, "Recorder", "hidden", WS_CAPTION, 10, 10, 80, 60, nullptr, 0, nullptr,
                                       nullptr);
    ASSERT_NE(window, nullptr);
    PlatformInvalidate(window);
    std::vector<uint32_t> order = Drain();
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 0);
    PlatformShowWindow(window, SW_SHOW);
    order = Drain();
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 1);
    g_seen.clear();
    PlatformShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(PlatformIsIconic(window), 1);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().message, WM_SIZE);
    EXPECT_EQ(g_seen.back().wParam, SIZE_MINIMIZED);
    PlatformInvalidate(window);
    order = Drain();
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 0);
    PlatformShowWindow(window, SW_RESTORE);
    EXPECT_EQ(PlatformIsIconic(window), 0);
    order = Drain();
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_PAINT), 1);
    PlatformDestroyWindow(window);
}

TEST_F(QueueTest, DestroyingAWindowDropsItsMessagesAndSendsDestroyToChildrenToo) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND parent = PlatformCreateWindow(0, "Recorder", "parent", WS_CAPTION, 0, 0, 100, 100, nullptr, 0, nullptr,
                                       nullptr);
    HWND child = PlatformCreateWindow(0, "Recorder", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, 0, nullptr,
                                      nullptr);
    ASSERT_NE(child, nullptr);
    PlatformPostMessage(child, WM_USER + 3, 0, 0);
    g_seen.clear();
    EXPECT_EQ(PlatformDestroyWindow(parent), 1);
    EXPECT_EQ(PlatformIsWindow(child), 0);
    EXPECT_EQ(PlatformPostMessage(child, WM_USER, 0, 0), 0);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].window, parent);
    EXPECT_EQ(g_seen[1].window, child);
    std::vector<uint32_t> order = Drain();
    EXPECT_EQ(std::count(order.begin(), order.end(), WM_USER + 3u), 0);
    EXPECT_EQ(PlatformDestroyWindow(parent), 0);
}

std::atomic<int> g_timerCalls;
void CountingTimer(HWND, uint32_t message, uintptr_t, uint32_t) {
    if (message == WM_TIMER) ++g_timerCalls;
}

TEST_F(QueueTest, TimersComeAfterPostedMessagesAndStopWhenKilled) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND window = PlatformCreateWindow(0, "Recorder", "timer", WS_CAPTION, 0, 0, 50, 50, nullptr, 0, nullptr,
                                       nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(PlatformSetTimer(window, 7, 20, nullptr), 0u);
    PlatformSleep(40);
    PlatformPostMessage(window, WM_USER + 1, 0, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.window, window);
    // One due period gives one message, however long it waited.
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
    EXPECT_EQ(PlatformKillTimer(window, 7), 1);
    PlatformSleep(40);
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
    EXPECT_EQ(PlatformKillTimer(window, 7), 0);
    PlatformDestroyWindow(window);
}

TEST_F(QueueTest, ThreadTimerProceduresRunThroughDispatch) {
    g_timerCalls = 0;
    uintptr_t a = PlatformSetTimer(nullptr, 0, 10, CountingTimer);
    uintptr_t b = PlatformSetTimer(nullptr, 0, 10, CountingTimer);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    displaytest::PumpUntil([] { return g_timerCalls >= 6; }, 2000);
    EXPECT_GE(g_timerCalls.load(), 6);
    PlatformKillTimer(nullptr, a);
    PlatformKillTimer(nullptr, b);
    int now = g_timerCalls;
    displaytest::Pump(50);
    EXPECT_EQ(g_timerCalls.load(), now);
}

// ---- the modal loop ----

HWND g_other;
bool g_ownerDisabledInside;
bool g_otherHandledInside;

intptr_t ModalProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        EXPECT_EQ(lParam, 1234);
        PlatformPostMessage(dialog, WM_COMMAND, 1032, 0);
        return 1;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == 1032) {
        g_ownerDisabledInside = PlatformIsWindowEnabled(PlatformGetParent(dialog)) == 0;
        g_otherHandledInside =
            std::any_of(g_seen.begin(), g_seen.end(), [](const Seen& s) { return s.message == WM_USER + 4; });
        PlatformEndDialog(dialog, 42);
        return 1;
    }
    return 0;
}

intptr_t QuittingProc(HWND dialog, uint32_t message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        PlatformPostQuitMessage(3);
        (void)dialog;
        return 1;
    }
    return 0;
}

const PlatformDialogItem kOkItem[] = {{"BUTTON", "OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 10, 50, 14}};
const PlatformDialogTemplate kModal{WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 120, 40, "Modal", "MS Sans Serif", 8,
                                    kOkItem, 1};

TEST_F(QueueTest, TheModalLoopDispatchesEverythingAndReturnsEndDialogsValue) {
    REQUIRE_DISPLAY();
    RegisterRecorder();
    HWND owner = PlatformCreateWindow(0, "Recorder", "owner", WS_CAPTION, 0, 0, 60, 60, nullptr, 0, nullptr, nullptr);
    g_other = PlatformCreateWindow(0, "Recorder", "other", WS_CAPTION, 0, 0, 60, 60, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(g_other, nullptr);
    PlatformPostMessage(g_other, WM_USER + 4, 0, 0);
    g_ownerDisabledInside = g_otherHandledInside = false;
    EXPECT_EQ(PlatformDialogBox(&kModal, owner, ModalProc, 1234), 42);
    EXPECT_TRUE(g_ownerDisabledInside);
    EXPECT_TRUE(g_otherHandledInside);
    EXPECT_EQ(PlatformIsWindowEnabled(owner), 1);
    EXPECT_EQ(PlatformFindWindow(nullptr, "Modal"), nullptr);
    PlatformDestroyWindow(owner);
    PlatformDestroyWindow(g_other);
}

TEST_F(QueueTest, AQuitEndsTheModalLoopAndIsPostedAgain) {
    REQUIRE_DISPLAY();
    EXPECT_EQ(PlatformDialogBox(&kModal, nullptr, QuittingProc), 0);
    PlatformMessage m{};
    EXPECT_EQ(PlatformGetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.wParam, 3u);
}

// ---- a dialog on its own thread, as the loading box runs ----

struct BoxShared {
    std::atomic<HWND> box{nullptr};
    std::atomic<bool> closeRequested{false};
    std::atomic<bool> active{true};
};
BoxShared g_box;

const PlatformDialogItem kBoxItems[] = {
    {"STATIC", "Initializing", 1000, WS_VISIBLE | SS_LEFT, 10, 10, 100, 8},
    {"BUTTON", "Abort", 1001, WS_VISIBLE, 10, 30, 50, 14},
};
const PlatformDialogTemplate kBox{WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_CENTER, 0, 0, 186, 82, "Box",
                                  "MS Sans Serif", 8, kBoxItems, 2};

intptr_t BoxProc(HWND, uint32_t, WPARAM, LPARAM) { return 0; }

void BoxThread(void*) {
    HWND box = PlatformCreateDialog(&kBox, nullptr, BoxProc);
    g_box.box = box;
    PlatformMessage m{};
    while (PlatformGetMessage(&m, nullptr, 0, 0)) {
        PlatformTranslateMessage(&m);
        PlatformDispatchMessage(&m);
        if (g_box.closeRequested) break;
    }
    PlatformDestroyWindow(box);
    g_box.box = nullptr;
    g_box.closeRequested = false;
    g_box.active = false;
}

TEST_F(QueueTest, ADialogOnAnotherThreadTakesTextAndClosesOnRequest) {
    REQUIRE_DISPLAY();
    ASSERT_EQ(PlatformStartThread(BoxThread, 0, nullptr), 1);
    for (int i = 0; i < 300 && !g_box.box; ++i) PlatformSleep(10);
    HWND box = g_box.box;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(PlatformSetDlgItemText(box, 1000, "Textures"), 1);
    char text[32];
    PlatformGetDlgItemText(box, 1000, text, sizeof text);
    EXPECT_STREQ(text, "Textures");
    g_box.closeRequested = true;
    PlatformPostMessage(box, WM_NULL, 0, 0);
    for (int i = 0; i < 300 && g_box.closeRequested; ++i) PlatformSleep(10);
    EXPECT_FALSE(g_box.closeRequested);
    for (int i = 0; i < 300 && g_box.active; ++i) PlatformSleep(10);
    EXPECT_EQ(PlatformIsWindow(box), 0);
}

}  // namespace
