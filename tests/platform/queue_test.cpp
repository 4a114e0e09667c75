// Message queues: order of retrieval, paints only when idle, quit, timers,
// waiting, the modal loop and the signal handler.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
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
    if (message >= WM_USER || message == WM_PAINT || message == WM_DESTROY || message == WM_SIZE)
        g_seen.push_back({window, message, wParam});
    if (message == WM_PAINT && !g_validatePaint) return 0;
    return PlatformDefWindowProc(window, message, wParam, lParam);
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
int Paints(const std::vector<uint32_t>& order) { return int(std::count(order.begin(), order.end(), WM_PAINT)); }
// The next message's number and wParam, and whether GetMessage went on.
std::vector<uintptr_t> Next() {
    PlatformMessage m{};
    const int more = PlatformGetMessage(&m, nullptr, 0, 0);
    return {uintptr_t(more), m.message, m.wParam};
}

class QueueTest : public testing::Test {
protected:
    void SetUp() override {
        static const bool registered = [] {
            PlatformWindowClass wc{0, RecordingProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_FACE, "Recorder"};
            return PlatformRegisterClass(&wc) == 1;
        }();
        ASSERT_TRUE(registered);
        g_seen.clear();
        g_validatePaint = true;
        Drain();
    }
    HWND Make(const char* title, uint32_t style = WS_CAPTION, HWND parent = nullptr) {
        return PlatformCreateWindow(0, "Recorder", title, style, 0, 0, 80, 60, parent, 0, nullptr, nullptr);
    }
};

TEST_F(QueueTest, PostedMessagesComeInOrderThenQuit) {
    PlatformPostQuitMessage(7);
    PlatformPostMessage(nullptr, WM_USER + 1, 1, 0);
    PlatformPostThreadMessage(PlatformCurrentThreadId(), WM_USER + 2, 2, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE), 1);
    EXPECT_EQ((std::vector<std::vector<uintptr_t>>{Next(), Next(), Next()}),
              (std::vector<std::vector<uintptr_t>>{{1, WM_USER + 1, 1}, {1, WM_USER + 2, 2}, {0, WM_QUIT, 7}}));
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
}

TEST_F(QueueTest, PaintsComeOnlyWhenIdleAndOnlyForShownWindows) {
    REQUIRE_DISPLAY();
    HWND window = Make("paint");
    ASSERT_NE(window, nullptr);
    PlatformInvalidate(window);
    EXPECT_EQ(Paints(Drain()), 0);  // hidden
    PlatformShowWindow(window, SW_SHOW);
    Drain();
    PlatformPostMessage(window, WM_USER + 1, 0, 0);
    PlatformInvalidate(window);
    PlatformPostMessage(window, WM_USER + 2, 0, 0);
    EXPECT_EQ(Drain(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
    // A paint that does not validate comes again.
    g_validatePaint = false;
    PlatformInvalidate(window);
    EXPECT_EQ(Paints(Drain(5)), 5);
    g_validatePaint = true;
    Drain();
    g_seen.clear();
    PlatformShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(PlatformIsIconic(window), 1);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ((std::vector<uintptr_t>{g_seen.back().message, g_seen.back().wParam}),
              (std::vector<uintptr_t>{WM_SIZE, SIZE_MINIMIZED}));
    PlatformInvalidate(window);
    EXPECT_EQ(Paints(Drain()), 0);
    PlatformShowWindow(window, SW_RESTORE);
    EXPECT_EQ(PlatformIsIconic(window), 0);
    EXPECT_EQ(Paints(Drain()), 1);
    PlatformDestroyWindow(window);
}

TEST_F(QueueTest, DestroyingAWindowDropsItsMessagesAndSendsDestroyToChildrenToo) {
    REQUIRE_DISPLAY();
    HWND parent = Make("parent");
    HWND child = Make("", WS_CHILD | WS_VISIBLE, parent);
    ASSERT_NE(child, nullptr);
    PlatformPostMessage(child, WM_USER + 3, 0, 0);
    g_seen.clear();
    EXPECT_EQ(PlatformDestroyWindow(parent), 1);
    EXPECT_EQ(PlatformIsWindow(child), 0);
    EXPECT_EQ(PlatformPostMessage(child, WM_USER, 0, 0), 0);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_TRUE(g_seen[0].window == parent && g_seen[1].window == child);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(PlatformDestroyWindow(parent), 0);
}

TEST_F(QueueTest, TimersComeAfterPostedMessagesOncePerPeriodAndStopWhenKilled) {
    REQUIRE_DISPLAY();
    HWND window = Make("timer");
    ASSERT_NE(window, nullptr);
    EXPECT_NE(PlatformSetTimer(window, 7, 20, nullptr), 0u);
    PlatformSleep(40);
    PlatformPostMessage(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(Next(), (std::vector<uintptr_t>{1, WM_USER + 1, 0}));
    EXPECT_EQ(Next(), (std::vector<uintptr_t>{1, WM_TIMER, 7}));
    // One due period gives one message, however long it waited.
    PlatformMessage m{};
    EXPECT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 0);
    EXPECT_EQ(PlatformKillTimer(window, 7), 1);
    EXPECT_EQ(PlatformKillTimer(window, 7), 0);
    PlatformDestroyWindow(window);
}

bool g_ownerDisabledInside;
intptr_t ModalProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (lParam == 3) PlatformPostQuitMessage(3);
        else PlatformPostMessage(dialog, WM_COMMAND, 1032, 0);
    } else if (message == WM_COMMAND && LOWORD(wParam) == 1032) {
        g_ownerDisabledInside = PlatformIsWindowEnabled(PlatformGetParent(dialog)) == 0;
        PlatformEndDialog(dialog, 42);
    }
    return 1;
}
const PlatformDialogItem kOkItem[] = {{"BUTTON", "OK", IDOK, WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 10, 50, 14}};
const PlatformDialogTemplate kModal{WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 120, 40, "Modal", "MS Sans Serif", 8,
                                    kOkItem, 1};

TEST_F(QueueTest, TheModalLoopDispatchesEverythingUntilEndDialogOrQuit) {
    REQUIRE_DISPLAY();
    HWND owner = Make("owner");
    HWND other = Make("other");
    ASSERT_NE(other, nullptr);
    PlatformPostMessage(other, WM_USER + 4, 0, 0);
    g_ownerDisabledInside = false;
    EXPECT_EQ(PlatformDialogBox(&kModal, owner, ModalProc, 1234), 42);
    EXPECT_TRUE(g_ownerDisabledInside);
    EXPECT_TRUE(std::any_of(g_seen.begin(), g_seen.end(), [](const Seen& s) { return s.message == WM_USER + 4; }));
    EXPECT_EQ(PlatformIsWindowEnabled(owner), 1);
    EXPECT_EQ(PlatformFindWindow(nullptr, "Modal"), nullptr);
    for (HWND w : {owner, other}) PlatformDestroyWindow(w);
    // A quit ends the loop and is posted again.
    EXPECT_EQ(PlatformDialogBox(&kModal, nullptr, ModalProc, 3), 0);
    EXPECT_EQ(Next(), (std::vector<uintptr_t>{0, WM_QUIT, 3}));
}

std::atomic<int> g_ctrlType{-1};
int RecordCtrl(uint32_t type) {
    g_ctrlType = int(type);
    return 1;
}

TEST(SignalTest, SignalsReachTheHandlerAsControlEventsAndLeaveTheProcessRunning) {
    ASSERT_EQ(PlatformSetCtrlHandler(RecordCtrl), 1);
    for (auto [number, type] : {std::pair{SIGINT, CTRL_C_EVENT}, {SIGHUP, CTRL_CLOSE_EVENT}, {SIGTERM, CTRL_SHUTDOWN_EVENT}}) {
        g_ctrlType = -1;
        kill(getpid(), number);
        for (int i = 0; i < 2000 && g_ctrlType < 0; ++i) PlatformSleep(10);
        EXPECT_EQ(g_ctrlType, int(type)) << number;
    }
    EXPECT_EQ(PlatformSetCtrlHandler(nullptr), 1);
}

}  // namespace
