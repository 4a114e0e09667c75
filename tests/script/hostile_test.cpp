// Programs that break the rules: each has a defined outcome and stays inside
// the instance's tables (the sanitizer build checks the second part).
#include "tests/script/script_support.h"

namespace {

using scripttest::Receiver;
using scripttest::ScriptTest;
using V = std::vector<int32_t>;

class Hostile : public ScriptTest {
protected:
    // Runs body as the function Main with a receiver; returns the reported
    // values. ended: whether Main was ended without a return.
    V RunBody(const std::string& body, const std::string& head = "piece p\nstatics 2\nexternal ext\n") {
        Load(head + "function Main\n" + body + "\n push 1234\n host_c 1\n push 7\n return\n");
        receiver = Receiver{};
        EXPECT_EQ(Start("Main", &receiver, 1), 1);
        EXPECT_EQ(host->activeThreads, 0) << body;
        return Reported();
    }
    bool Faulted() const { return receiver.results.empty(); }
    Receiver receiver;
};

TEST_F(Hostile, EndlessLoopsAreCutOff) {
    V r = RunBody("top:\n jump top");
    EXPECT_TRUE(r.empty());
    EXPECT_TRUE(Faulted());
    // Still cut off when the loop does work.
    r = RunBody("top:\n push 1\n drop\n push_static 0\n push 1\n add\n pop_static 0\n jump top");
    EXPECT_TRUE(Faulted());
    EXPECT_EQ(host->statics[0], SCRIPT_TURN_LIMIT / 7);
    // The next pass still runs other threads.
    Load("function Spin\nl:\n jump l\nfunction Ok\n push 5\n host_c 1\n return\n");
    Start("Spin");
    Start("Ok");
    Run(1);
    EXPECT_EQ(Reported(), V{5});
}

TEST_F(Hostile, StackOverflowEndsTheThread) {
    std::string pushes;
    for (int i = 0; i < 32; i++) pushes += " push " + std::to_string(i) + "\n";
    RunBody(pushes + " drop\n push 1\n host_c 1\n drop\n drop\n");
    EXPECT_FALSE(Faulted());  // 32 slots are fine
    RunBody(pushes + " push 99\n");
    EXPECT_TRUE(Faulted());
    std::string allocs;
    for (int i = 0; i < 33; i++) allocs += " allocate\n";
    RunBody(allocs);
    EXPECT_TRUE(Faulted());
    RunBody(pushes + " push_local 0\n");
    EXPECT_TRUE(Faulted());
    RunBody(pushes + " not\n bit_not\n drop\n");
    EXPECT_FALSE(Faulted());  // replace top in place
}

TEST_F(Hostile, PopsFromAnEmptyStackGiveZero) {
    EXPECT_EQ(RunBody(" add\n host_c 1\n drop\n drop\n sub\n host_c 1\n div\n host_c 1"), (V{0, 0, 0, 1234}));
    EXPECT_EQ(receiver.results, V{7});
    EXPECT_EQ(RunBody(" not\n host_c 1\n bit_not\n host_c 1\n push 3\n host_c 1"), (V{1, -1, 3, 1234}));
    // A return with a receiver and nothing on the stack reports 0.
    Load("function Main\n return\n");
    Receiver r;
    Start("Main", &r, 1);
    EXPECT_EQ(r.results, V{0});
}

TEST_F(Hostile, VariableIndicesOutsideTheirTables) {
    for (const char* body : {" push_local 32", " push_local -1", " pop_local 32", " pop_local -2147483648",
                             " push_static 2", " push_static -1", " pop_static 2", " pop_static 1000000"}) {
        RunBody(body);
        EXPECT_TRUE(Faulted()) << body;
    }
    RunBody(" push_local 31\n drop\n push 4\n pop_static 1\n push_static 1\n host_c 1");
    EXPECT_FALSE(Faulted());
    // Without statics every static index is outside.
    RunBody(" push_static 0", "function X\n return\n");
    EXPECT_TRUE(Faulted());
}

TEST_F(Hostile, PieceAndAxisOutsideTheTable) {
    for (std::string op : {"move", "turn", "spin", "stop_spin", "move_now", "turn_now", "wait_turn", "wait_move"}) {
        for (const char* operands : {" 1 0", " -1 0", " 0 3", " 0 -1", " 2147483647 2"}) {
            RunBody(" push 1\n push 1\n " + op + operands);
            EXPECT_TRUE(Faulted()) << op << operands;
        }
        if (op.rfind("wait", 0) == 0) continue;
        RunBody(" push 1\n push 1\n " + op + " p z\n drop");
        EXPECT_FALSE(Faulted()) << op;
    }
    for (std::string op : {"show", "hide", "cache_on", "cache_off", "shade_on", "shade_off"}) {
        RunBody(" " + op + " 1");
        EXPECT_TRUE(Faulted()) << op;
        RunBody(" " + op + " 0");
        EXPECT_FALSE(Faulted()) << op;
    }
    EXPECT_TRUE(Lines("visible 1").empty());
}

TEST_F(Hostile, JumpsAndRunningOffTheCode) {
    for (const char* body : {" jump 100000", " jump -1", " push 0\n jump_if_zero 2147483647"}) {
        RunBody(body);
        EXPECT_TRUE(Faulted()) << body;
    }
    // Running off the end, and an instruction cut short by the end.
    Load("function Main\n push 1\n host_c 1\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->activeThreads, 0);
    EXPECT_EQ(Reported(), V{1});
    Load("function Main\n push 1\n host_c 1\n word 0x10021001\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->activeThreads, 0);
    Load("function Main\n push 1\n host_c 1\n word 0x10001000 0\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->activeThreads, 0);
    // An empty function at the end of the code ends at once.
    Load("function Main\n return\nfunction Empty\n");
    EXPECT_EQ(Start("Empty", nullptr, 1), 1);
    EXPECT_EQ(host->activeThreads, 0);
}

TEST_F(Hostile, DivisionEdgeCases) {
    EXPECT_EQ(RunBody(" push 5\n push 0\n div\n host_c 1"), (V{0, 1234}));
    EXPECT_EQ(RunBody(" push -2147483648\n push -1\n div\n host_c 1"), (V{INT32_MIN, 1234}));
    EXPECT_EQ(RunBody(" push -2147483648\n push -1\n mul\n host_c 1"), (V{INT32_MIN, 1234}));
}

TEST_F(Hostile, CountsOfStartsAndExternalCalls) {
    Load("external e\nfunction Main\n push 1\n push 2\n push 3\n push 4\n push 5\n push 6\n"
         " call_external e 6\n push 9\n host_c 1\n push_local 0\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    // All six popped: the next push lands in slot 0.
    EXPECT_EQ(Reported(), (V{9, 9}));
    for (const char* body : {" call_external 1 0", " call_external -1 0", " call_external ext -1",
                             " call_external ext 33", " start Main 33", " start Main -1", " call Main 40"}) {
        RunBody(body);
        EXPECT_TRUE(Faulted()) << body;
    }
    // More arguments than values: the missing ones are 0.
    Load("function Main\n push 5\n start Child 3\n return\nfunction Child\n"
         " push_local 0\n host_c 1\n push_local 1\n host_c 1\n push_local 2\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(Reported(), (V{0, 0, 5}));
    // A start of a function outside the table starts nothing and goes on.
    EXPECT_EQ(RunBody(" push 3\n start 9 1\n start -7 0\n host_c 1"), (V{3, 1234}));
}

TEST_F(Hostile, BoundExternalsAreCalledWithFourArguments) {
    struct Target : ScriptExternalTarget {
        std::vector<int32_t> seen;
    } target;
    target.call = [](ScriptExternalTarget* self, const int32_t args[4]) {
        static_cast<Target*>(self)->seen.assign(args, args + 4);
    };
    Load("external e\nfunction Main\n push 1\n push 2\n push 3\n push 4\n push 5\n call_external e 5\n"
         " push 1\n push 2\n call_external e 2\n return\n");
    file->externals[0].binding = &target;
    Start("Main", nullptr, 0);
    Run(0);
    EXPECT_EQ(target.seen, (V{1, 2, 0, 0}));
    AttachScript(host.get(), file.get());
    EXPECT_EQ(file->externals[0].binding, nullptr);
}

TEST_F(Hostile, UnknownPushKindsPushZero) {
    EXPECT_EQ(RunBody(" word 0x10021000 77\n host_c 1\n word 0x10021003 77\n host_c 1\n word 0x10021007 77\n host_c 1"),
              (V{0, 0, 0, 1234}));
    EXPECT_EQ(RunBody(" push 5\n word 0x10023000 99\n word 0x10023007 99\n host_c 1"), (V{5, 1234}));
}

TEST_F(Hostile, ExtremeTimesSpeedsAndTicks) {
    Load(R"(
piece p
function Main
    push 2147483647
    sleep
    push 1
    host_c 1
    push -2147483648
    push 2147483647
    move p x
    push 2147483647
    push -2147483648
    move p y
    push -2147483648
    push 2147483647
    turn p z
    push -2147483648
    push 2147483647
    spin p x
    push -2147483648
    stop_spin p x
    push -5
    sleep
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->threads[0].sleepLeft, 64424509);  // no 32-bit overflow
    Run(INT32_MAX);
    Run(-2147483647 - 1);
    Run(INT32_MAX, 3);
    Run(1, 3);
    EXPECT_EQ(Reported(), V{1});
    EXPECT_EQ(host->activeThreads, 0);
    Load("piece p\nfunction Main\n push 5\n push 9\n move p x\n return\n");
    host->tickRate = -3;  // guarded: counts as 1
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->pieceStates[0].moveSpeed[0], 5);
}

TEST_F(Hostile, ArgumentCountsOfHostStarts) {
    Load("function Main\n push 1000\n sleep\n return\n");
    StartFunctionWithArgs(host.get(), "Main", nullptr, 0, 100, 1, 2, 3, 4);
    EXPECT_EQ(host->threads[0].top, SCRIPT_STACK_SLOTS - 1);
    StartFunctionWithArgs(host.get(), "Main", nullptr, 0, -5, 1, 2, 3, 4);
    EXPECT_EQ(host->threads[1].top, -1);
    Run(0);
    EXPECT_EQ(State(0), SCRIPT_FREE);  // full stack: the push overflowed
    EXPECT_EQ(State(1), SCRIPT_SLEEPING);
}

TEST_F(Hostile, ReattachingWhileThreadsRun) {
    Load("piece a b c\nfunction Main\n push 300\n push 100\n turn c x\n wait_turn c x\n top:\n jump top\n");
    Start("Main", nullptr, 1);
    scripttest::ScriptPtr small(scripttest::FromBytes(scripttest::Assemble("function X\n return\n")));
    AttachScript(host.get(), small.get());
    Run(1, 3);  // the wait's piece is gone; the thread resumes off the code and ends
    EXPECT_EQ(host->activeThreads, 0);
    AttachScript(host.get(), nullptr);
    Run(1);
    EXPECT_EQ(Start("X"), 0);
    EXPECT_EQ(FindFunction(host.get(), "X"), -1);
    AttachScript(host.get(), file.get());
}

}  // namespace
