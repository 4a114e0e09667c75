// The interpreter through small assembled programs and a recording host.
#include "tests/script/script_support.h"

namespace {

using scripttest::Receiver;
using scripttest::ScriptTest;
using V = std::vector<int32_t>;
using S = std::vector<std::string>;

class Eval : public ScriptTest {
protected:
    // Runs body at once and returns the value it leaves on top.
    int32_t Value(const std::string& body) {
        Load("function Main\n" + body + "\n host_c 1\n return\n");
        EXPECT_EQ(Start("Main", nullptr, 1), 1);
        V r = Reported();
        EXPECT_EQ(r.size(), 1u) << body;
        return r.empty() ? 0 : r.back();
    }
};

TEST_F(Eval, ArithmeticWrapsAndKeepsOperandOrder) {
    EXPECT_EQ(Value("push 2147483647\n push 1\n add"), INT32_MIN);
    EXPECT_EQ(Value("push -2147483648\n push 1\n sub"), INT32_MAX);
    EXPECT_EQ(Value("push 10\n push 3\n sub"), 7);
    EXPECT_EQ(Value("push 65536\n push 65536\n mul"), 0);
    EXPECT_EQ(Value("push 0x10001\n push 0x10001\n mul"), 0x20001);
    EXPECT_EQ(Value("push -3\n push 7\n mul"), -21);
}

TEST_F(Eval, DivisionTruncatesTowardZero) {
    EXPECT_EQ(Value("push -7\n push 2\n div"), -3);
    EXPECT_EQ(Value("push 7\n push -2\n div"), -3);
    EXPECT_EQ(Value("push 10\n push 2\n div"), 5);
    EXPECT_EQ(Value("push 1\n push 3\n div"), 0);
}

TEST_F(Eval, BitwiseAndLogical) {
    EXPECT_EQ(Value("push 12\n push 10\n bit_and"), 8);
    EXPECT_EQ(Value("push 12\n push 10\n bit_or"), 14);
    EXPECT_EQ(Value("push 12\n push 10\n bit_xor"), 6);
    EXPECT_EQ(Value("push 12\n push 10\n xor"), 6);
    EXPECT_EQ(Value("push 0\n bit_not"), -1);
    EXPECT_EQ(Value("push 2\n push 3\n and"), 1);
    EXPECT_EQ(Value("push 0\n push 3\n and"), 0);
    EXPECT_EQ(Value("push 0\n push 0\n or"), 0);
    EXPECT_EQ(Value("push 0\n push -9\n or"), 1);
    EXPECT_EQ(Value("push 0\n not"), 1);
    EXPECT_EQ(Value("push 5\n not"), 0);
}

TEST_F(Eval, ComparisonsAreSignedWithSecondOnTheLeft) {
    EXPECT_EQ(Value("push 1\n push 2\n less"), 1);
    EXPECT_EQ(Value("push 2\n push 1\n less"), 0);
    EXPECT_EQ(Value("push -1\n push 1\n less"), 1);
    EXPECT_EQ(Value("push 2\n push 2\n less_equal"), 1);
    EXPECT_EQ(Value("push 3\n push 2\n less_equal"), 0);
    EXPECT_EQ(Value("push 3\n push 2\n greater"), 1);
    EXPECT_EQ(Value("push 2\n push 2\n greater"), 0);
    EXPECT_EQ(Value("push 2\n push 2\n greater_equal"), 1);
    EXPECT_EQ(Value("push 1\n push 2\n greater_equal"), 0);
    EXPECT_EQ(Value("push 4\n push 4\n equal"), 1);
    EXPECT_EQ(Value("push 4\n push 5\n equal"), 0);
    EXPECT_EQ(Value("push 4\n push 5\n not_equal"), 1);
}

TEST_F(Eval, RandomStaysInRangeAndHandlesEmptyRanges) {
    SetScriptRandomState(1);
    EXPECT_EQ(Value("push 7\n push 3\n random"), 7);
    EXPECT_EQ(Value("push 7\n push 7\n random"), 7);
    EXPECT_EQ(GetScriptRandomState(), 1);  // n < 2 doesn't advance
    SetScriptRandomState(1);
    EXPECT_EQ(Value("push 0\n push 99999\n random"), 16807);
    EXPECT_EQ(Value("push 10\n push 10009\n random"), 10 + 282475249 % 10000);
    for (int i = 0; i < 50; i++) {
        int32_t v = Value("push -5\n push 5\n random");
        EXPECT_GE(v, -5);
        EXPECT_LE(v, 5);
    }
}

TEST(ScriptRandomTest, MinimalStandardSequence) {
    SetScriptRandomState(1);
    EXPECT_EQ(ScriptRandom(1), 0);
    EXPECT_EQ(ScriptRandom(-4), 0);
    EXPECT_EQ(GetScriptRandomState(), 1);
    EXPECT_EQ(ScriptRandom(INT32_MAX), 16807);
    EXPECT_EQ(ScriptRandom(INT32_MAX), 282475249);
    EXPECT_EQ(ScriptRandom(INT32_MAX), 1622650073);
    // The 10000th state of the sequence from 1 is the classic check value.
    SetScriptRandomState(1);
    for (int i = 0; i < 10000; i++) ScriptRandom(2);
    EXPECT_EQ(GetScriptRandomState(), 1043618065);
    SetScriptRandomState(0);
    EXPECT_EQ(GetScriptRandomState(), 1);
    SetScriptRandomState(-5);
    EXPECT_EQ(GetScriptRandomState(), 2147483642);
}

TEST_F(ScriptTest, LocalsAreStackSlotsFromTheBottom) {
    Load(R"(
static counter
function Main
    push 10
    push 20
    push_local 0
    host_c 1          ; 10
    push 99
    pop_local 0
    push_local 0
    host_c 1          ; 99
    push_local 1
    host_c 1          ; 20
    drop
    drop
    allocate          ; keeps what slot 0 held
    push_local 0
    host_c 1          ; 99
    push_static counter
    host_c 1          ; 0: statics start at 0
    push 5
    pop_static counter
    word 0x10023001 7 ; POP with kind 1 does nothing
    push_local 0
    host_c 1          ; 99
    return
function Second
    push_static counter
    host_c 1
    return
)");
    Start("Main", nullptr, 1);
    Start("Second", nullptr, 1);
    EXPECT_EQ(Reported(), (V{10, 99, 20, 99, 0, 99, 5}));
}

TEST_F(ScriptTest, StartWithArgumentsFillsTheLowSlots) {
    Load(R"(
function Aim
    push_local 2      ; slot 2 is the first one pushes overwrite
    host_c 1
    push_local 3
    host_c 1
    push_local 0
    host_c 1
    push_local 1
    host_c 1
    return
)");
    ASSERT_EQ(StartFunctionWithArgs(host.get(), "Aim", nullptr, 0, 2, 11, 22, 33, 44), 1);
    EXPECT_EQ(host->threads[0].top, 1);
    EXPECT_TRUE(Reported().empty());
    Run(0);
    EXPECT_EQ(Reported(), (V{33, 44, 11, 22}));
}

TEST_F(ScriptTest, HostCommandsGetTheirOperandsInOrder) {
    Load(R"(
piece a b
function Main
    show b
    hide a
    cache_on a
    cache_off b
    shade_on b
    shade_off a
    push 1
    push 2
    host_a 9
    host_b 8
    push 3
    host_c 7
    push 4
    host_d 6
    push 5
    push 6
    set_value
    push 12
    get_value
    host_c 1
    return
)");
    host->values[12] = 77;
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->Take(), (S{"visible 1 1", "visible 0 0", "cache 0 1", "cache 1 0", "shade 1 1", "shade 0 0",
                               "host-a 9 1 2", "host-b 8", "host-c 7 3", "host-d 6 4", "set-value 5 6",
                               "get-value 12", "host-c 1 77"}));
}

TEST_F(ScriptTest, BaseHostCommandsDoNothingAndGetValueIsZero) {
    class Minimal : public ScriptInstance {
    public:
        int32_t GetPiecePosition(int32_t, int32_t) override { return 0; }
        void SetPiecePosition(int32_t, int32_t, int32_t) override {}
        int32_t GetPieceAngle(int32_t, int32_t) override { return 0; }
        void SetPieceAngle(int32_t, int32_t, int32_t) override {}
        void SetPieceVisible(int32_t, int32_t) override {}
        void SetPieceCacheFlag(int32_t, int32_t) override {}
        void SetPieceShadeFlag(int32_t, int32_t) override {}
    } m;
    Load("function Main\n push 1\n push 2\n host_a 1\n host_b 1\n push 1\n host_c 1\n push 1\n host_d 1\n"
         " push 1\n push 2\n set_value\n push 3\n get_value\n return\n");
    AttachScript(&m, file.get());
    Receiver r;
    ASSERT_EQ(StartFunction(&m, "Main", &r, 1), 1);
    EXPECT_EQ(r.results, V{0});
    EXPECT_EQ(m.activeThreads, 0);
}

TEST_F(ScriptTest, SleepConvertsMillisecondsToTicks) {
    Load(R"(
function Nap
    push_local 0
    sleep
    host_c 1
    return
)");
    const int32_t ms[] = {0, 33, 34, 100, 1000};
    const int32_t ticks[] = {0, 0, 1, 3, 30};
    for (int i = 0; i < 5; i++) ASSERT_EQ(StartFunctionWithArgs(host.get(), "Nap", nullptr, 0, 2, ms[i], 0, 0, 0), 1);
    Run(0);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(State(i), SCRIPT_SLEEPING);
        EXPECT_EQ(host->threads[i].sleepLeft, ticks[i]) << ms[i];
    }
    // Zero-tick sleeps end at the next call whatever the elapsed ticks.
    Run(0);
    EXPECT_EQ(Reported().size(), 2u);
    EXPECT_EQ(State(0), SCRIPT_FREE);
    EXPECT_EQ(State(1), SCRIPT_FREE);
    EXPECT_EQ(State(2), SCRIPT_SLEEPING);
}

TEST_F(ScriptTest, SleepResumesWhenTheTicksRunOut) {
    Load("function Nap\n push 100\n sleep\n push 1\n host_c 1\n return\n");
    Start("Nap", nullptr, 1);
    Run(1);
    Run(0);
    Run(1);
    EXPECT_EQ(State(0), SCRIPT_SLEEPING);
    Run(1);
    EXPECT_EQ(State(0), SCRIPT_FREE);
    EXPECT_EQ(Reported(), V{1});
    Start("Nap", nullptr, 1);
    Run(5);
    EXPECT_EQ(State(0), SCRIPT_FREE);
}

TEST_F(ScriptTest, RunNowRunsEveryRunnableThreadUpToItsFirstBlock) {
    Load("function A\n push 1\n host_c 1\n push 0\n sleep\n push 2\n host_c 1\n return\n");
    Start("A");
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
    EXPECT_TRUE(Reported().empty());
    Start("A", nullptr, 1);
    EXPECT_EQ(State(0), SCRIPT_SLEEPING);
    EXPECT_EQ(State(1), SCRIPT_SLEEPING);
    EXPECT_EQ(Reported(), (V{1, 1}));
}

TEST_F(ScriptTest, MoveStepsBySpeedTimesElapsedAndLandsOnTheTarget) {
    Load(R"(
piece base arm
function Main
    push 300         ; 10 per tick at 30 ticks per second
    push 35
    move arm x
    wait_move arm x
    push 1
    host_c 1
    push 3000
    push -20
    move arm x       ; from 35 down: the speed turns negative
    wait_move arm x
    push 2
    host_c 1
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->Take(), S{});
    EXPECT_EQ(host->pieceStates[1].moveSpeed[0], 10);
    Run(1);
    Run(2);
    EXPECT_EQ(host->Take(), (S{"set-pos 1 0 10", "set-pos 1 0 30"}));
    Run(1);
    EXPECT_EQ(host->Take(), S{"set-pos 1 0 35"});
    EXPECT_EQ(State(0), SCRIPT_WAIT_MOVE);  // resumes in the next pass
    Run(1);
    EXPECT_EQ(host->Take(), (S{"host-c 1 1", "set-pos 1 0 -20"}));
    EXPECT_EQ(host->pieceStates[1].moveSpeed[0], 0);
    Run(1);
    EXPECT_EQ(host->Take(), S{"host-c 1 2"});
    EXPECT_EQ(State(0), SCRIPT_FREE);
}

TEST_F(ScriptTest, SlowMovesNeverStartAndTheirWaitEndsAtOnce) {
    Load("piece p\nfunction Main\n push 29\n push 500\n move p y\n wait_move p y\n push 1\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    Run(1);
    EXPECT_EQ(host->Take(), S{"host-c 1 1"});
}

TEST_F(ScriptTest, MoveNowAndTurnNowSetAtOnceAndCancel) {
    Load(R"(
piece p
function Main
    push 300
    push 1000
    move p z
    push 77
    move_now p z
    push 300
    push 1000
    turn p x
    push 65636
    turn_now p x
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->Take(), (S{"set-pos 0 2 77", "set-angle 0 0 100"}));
    EXPECT_EQ(host->pieceStates[0].moveSpeed[2], 0);
    EXPECT_EQ(host->pieceStates[0].turnSpeed[0], 0);
    EXPECT_EQ(host->pieceStates[0].turnTarget[0], 100);
    Run(1);
    EXPECT_EQ(host->Take(), S{});
}

class TurnTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        Load(R"(
piece p
function Turn
    push_local 0
    turn_now p y
    push_local 2
    push_local 1
    turn p y
    wait_turn p y
    push 1
    host_c 1
    return
)");
    }
    // Angles set while turning from 'from' to 'to' at speed per second.
    std::vector<int32_t> Angles(int32_t from, int32_t to, int32_t speed, int passes) {
        StartFunctionWithArgs(host.get(), "Turn", nullptr, 1, 3, from, to, speed, 0);
        host->Take();
        Run(1, passes);
        std::vector<int32_t> out;
        for (const std::string& l : Lines("set-angle 0 1 ")) out.push_back(std::stoi(l.substr(14)));
        return out;
    }
};

TEST_F(TurnTest, ForwardThroughZero) {
    V a = Angles(65000, 500, 3000, 12);
    EXPECT_EQ(a, (V{65100, 65200, 65300, 65400, 65500, 64, 164, 264, 364, 464, 500}));
    EXPECT_EQ(State(0), SCRIPT_FREE);
}

TEST_F(TurnTest, BackwardThroughZero) {
    V a = Angles(500, 65000, 3000, 12);
    EXPECT_EQ(a, (V{400, 300, 200, 100, 0, 65436, 65336, 65236, 65136, 65036, 65000}));
}

TEST_F(TurnTest, HalfATurnGoesTowardTheSignOfTheDifference) {
    V up = Angles(0, 0x8000, 3000 * 128, 3);
    EXPECT_EQ(up, (V{12800, 25600, 32768}));
    host->Take();
    V down = Angles(0x8000, 0, 3000 * 128, 3);
    EXPECT_EQ(down, (V{32768 - 12800, 32768 - 25600, 0}));
}

TEST_F(TurnTest, TurnToTheCurrentAngleEndsNextPass) {
    StartFunctionWithArgs(host.get(), "Turn", nullptr, 1, 3, 1234, 1234, 3000, 0);
    EXPECT_EQ(host->pieceStates[0].turnSpeed[1], 0);
    EXPECT_EQ(host->pieceStates[0].active, 1);
    EXPECT_EQ(host->animationPending, 1);
    EXPECT_EQ(State(0), SCRIPT_WAIT_TURN);
    Run(1);
    EXPECT_EQ(State(0), SCRIPT_FREE);
    EXPECT_EQ(Reported(), V{1});
    EXPECT_TRUE(Lines("set-angle 0 1 1234").size() == 1);  // only the turn_now
}

TEST_F(TurnTest, ElapsedTicksScaleTheStep) {
    EXPECT_EQ(Angles(0, 1000, 3000, 0), V{});
    Run(3);
    Run(5);
    V a;
    for (const std::string& l : Lines("set-angle 0 1 ")) a.push_back(std::stoi(l.substr(14)));
    EXPECT_EQ(a, (V{300, 800}));
}

TEST_F(ScriptTest, SpinWithoutAccelerationReachesItsSpeedAtOnce) {
    Load("piece p\nfunction Main\n push 0\n push 3000\n spin p z\n return\n");
    Start("Main", nullptr, 1);
    Run(1, 3);
    Run(2);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 2 100", "set-angle 0 2 200", "set-angle 0 2 300", "set-angle 0 2 500"}));
    EXPECT_EQ(host->pieceStates[0].turnTarget[2], -1);
    EXPECT_EQ(host->animationPending, 1);
}

TEST_F(ScriptTest, SpinAcceleratesOncePerStepAndStopSpinDecelerates) {
    Load(R"(
piece p
function Spin
    push 900        ; acceleration: 30 per step
    push 3000       ; speed: 100 per tick
    spin p x
    return
function Stop
    push_local 0
    stop_spin p x
    wait_turn p x
    push 1
    host_c 1
    return
)");
    Start("Spin", nullptr, 1);
    EXPECT_EQ(host->pieceStates[0].turnSpeed[0], 0);
    Run(1);
    Run(2);  // the acceleration is per step, whatever the ticks
    Run(1, 3);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 0 30", "set-angle 0 0 150", "set-angle 0 0 240",
                               "set-angle 0 0 340", "set-angle 0 0 440"}));
    EXPECT_EQ(host->pieceStates[0].spinAcceleration[0], 0);
    StartFunctionWithArgs(host.get(), "Stop", nullptr, 1, 1, 1200, 0, 0, 0);  // 40 per step
    Run(1, 3);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 0 500", "set-angle 0 0 520"}));
    EXPECT_EQ(host->pieceStates[0].turnSpeed[0], 0);
    Run(1);
    EXPECT_EQ(host->Take(), S{"host-c 1 1"});
    EXPECT_EQ(host->animationPending, 0);
}

TEST_F(ScriptTest, StopSpinWithoutDecelerationStopsAtOnce) {
    Load("piece p\nfunction Spin\n push 0\n push 3000\n spin p y\n return\n"
         "function Stop\n push 0\n stop_spin p y\n wait_turn p y\n push 1\n host_c 1\n return\n");
    Start("Spin", nullptr, 1);
    Run(1, 2);
    Start("Stop", nullptr, 1);
    Run(1);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 1 100", "set-angle 0 1 200", "host-c 1 1"}));
    Run(1);
    EXPECT_TRUE(host->Take().empty());
}

TEST_F(ScriptTest, ThreadsStartedHigherRunInTheSamePassLowerInTheNext) {
    Load(R"(
function Main
    push 1
    host_c 1
    start Child 0
    push 2
    host_c 1
    push 0
    sleep
    return
function Child
    push 3
    host_c 1
    return
function Short
    return
function Spawner
    start Child 0
    push 4
    host_c 1
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(Reported(), (V{1, 2, 3}));
    host->Take();
    Run(0);  // Main ends
    Start("Short");    // thread 0
    Start("Spawner");  // thread 1
    Run(0);            // Short frees 0; Spawner's child takes 0: next pass
    EXPECT_EQ(Reported(), V{4});
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
    Run(0);
    EXPECT_EQ(Reported(), (V{4, 3}));
}

TEST_F(ScriptTest, CallWaitsForReturnAndPassesArguments) {
    Load(R"(
function Main
    push 42
    push 7
    push 8
    call Sub 2
    host_c 1         ; the 42 below the arguments: the return value is not passed
    return
function Sub
    push_local 0
    host_c 1
    push_local 1
    host_c 1
    push 100
    sleep
    push 99
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);
    EXPECT_EQ(host->threads[0].awaitedThread, 1);
    EXPECT_EQ(host->threads[1].top, -1);
    EXPECT_EQ(Reported(), (V{7, 8}));
    Run(3);  // Sub returns; Main, lower, runs next pass
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
    EXPECT_EQ(State(1), SCRIPT_FREE);
    Run(0);
    EXPECT_EQ(Reported(), (V{7, 8, 42}));
}

TEST_F(ScriptTest, ChildrenInheritTheSignalMaskAndSignalsEndByMask) {
    Load(R"(
function Main
    push 6
    set_signal_mask
    start Waiter 0
    push 1000
    sleep
    return
function Waiter
    push 1000
    sleep
    return
function Other
    push 1000
    sleep
    return
function Signal
    push_local 0
    signal
    push 5
    host_c 1
    return
)");
    Start("Main", nullptr, 1);  // 0, mask 6; its child 1 gets mask 6
    Start("Other", nullptr, 1);  // 2, mask 1
    EXPECT_EQ(host->threads[1].signalMask, 6);
    EXPECT_EQ(host->threads[2].signalMask, 1);
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 8, 0, 0, 0);  // meets no one
    EXPECT_EQ(host->activeThreads, 3);
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 2, 0, 0, 0);  // ends 0 and 1
    EXPECT_EQ(State(0), SCRIPT_FREE);
    EXPECT_EQ(State(1), SCRIPT_FREE);
    EXPECT_EQ(State(2), SCRIPT_SLEEPING);
    EXPECT_EQ(host->activeThreads, 1);
    // Mask 1 ends the signaller too: it stops after the instruction.
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(host->activeThreads, 0);
    EXPECT_EQ(Reported(), (V{5, 5}));
}

TEST_F(ScriptTest, SignalWakesTheCallerOfAnEndedThread) {
    Load(R"(
function Main
    push 2
    set_signal_mask
    call Sub 0
    push 1
    host_c 1
    return
function Sub
    push 4
    set_signal_mask
    push 1000
    sleep
    return
function Kill
    push 4
    signal
    return
)");
    Receiver r;
    Start("Main", nullptr, 1);
    host->threads[1].receiver = &r;
    Start("Kill", nullptr, 1);  // thread 2 ends 1; Main (0) wakes for the next pass
    EXPECT_EQ(State(1), SCRIPT_FREE);
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
    Run(0);
    EXPECT_EQ(Reported(), V{1});
    EXPECT_TRUE(r.results.empty());  // an ended thread's receiver is not told
}

TEST_F(ScriptTest, CallOfAMissingThreadWaitsUntilSignalled) {
    Load(R"(
function Main
    push 9
    call 57 1          ; no such function: nothing popped
    return
function Check
    return
)");
    Start("Main", nullptr, 1);
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);
    EXPECT_EQ(host->threads[0].awaitedThread, -1);
    EXPECT_EQ(host->threads[0].top, 0);
    Run(10, 3);
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);
}

TEST_F(ScriptTest, ReceiversAreToldReturnValuesOrZero) {
    Load("function Aim\n push_local 0\n push_local 1\n add\n return\nfunction Plain\n push 5\n return\n");
    Receiver r;
    ASSERT_EQ(StartFunctionWithArgs(host.get(), "Aim", &r, 1, 2, 3, 4, 0, 0), 1);
    EXPECT_EQ(r.results, V{7});
    EXPECT_EQ(StartFunctionWithArgs(host.get(), "Missing", &r, 1, 2, 3, 4, 0, 0), 0);
    EXPECT_EQ(r.results, (V{7, 0}));
    EXPECT_EQ(StartFunction(host.get(), "Missing", &r, 1), 0);
    EXPECT_EQ(r.results, (V{7, 0}));
    // Without a receiver RETURN doesn't pop.
    Start("Plain", nullptr, 1);
    EXPECT_EQ(host->threads[0].top, 0);
}

TEST_F(ScriptTest, NinthThreadIsRefusedAndFreedSlotsAreReused) {
    Load("function Wait\n push 1000\n sleep\n return\nfunction Quick\n return\n");
    for (int i = 0; i < 8; i++) EXPECT_EQ(Start("Wait", nullptr, 1), 1);
    EXPECT_EQ(host->activeThreads, 8);
    Receiver r;
    EXPECT_EQ(Start("Wait"), 0);
    EXPECT_EQ(StartFunctionWithArgs(host.get(), "Wait", &r, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(r.results, V{0});
    host->threads[5].state = SCRIPT_FREE;
    host->threads[2].state = SCRIPT_FREE;
    host->activeThreads -= 2;
    EXPECT_EQ(AllocateThread(host.get(), 1), 2);
    EXPECT_EQ(AllocateThread(host.get(), 1), 5);
    EXPECT_EQ(AllocateThread(host.get(), 1), -1);
    EXPECT_EQ(AllocateThread(host.get(), -1), -1);
    EXPECT_EQ(AllocateThread(host.get(), 2), -1);
}

TEST_F(ScriptTest, ZeroElapsedTicksAdvanceNoTimeButEndFinishedWaits) {
    Load(R"(
piece p q
function Nap
    push 100
    sleep
    return
function Move
    push 300
    push 50
    move p x
    wait_move p x
    return
function Turned
    push 300
    push 0
    turn q x            ; already there: speed 0
    wait_turn q x
    push 1
    host_c 1
    return
)");
    Start("Nap", nullptr, 1);
    Start("Move", nullptr, 1);
    Start("Turned", nullptr, 1);
    Run(0, 5);
    EXPECT_EQ(host->threads[0].sleepLeft, 3);
    EXPECT_EQ(State(1), SCRIPT_WAIT_MOVE);
    EXPECT_EQ(State(2), SCRIPT_FREE);
    EXPECT_TRUE(Lines("set-").empty());
    EXPECT_EQ(Reported(), V{1});
}

TEST_F(ScriptTest, IdlePiecesAreNotTouched) {
    Load("piece a b c\nfunction Main\n push 300\n push 20\n move b y\n return\n");
    Start("Main", nullptr, 1);
    Run(1, 4);
    EXPECT_EQ(host->Take(), (S{"set-pos 1 1 10", "set-pos 1 1 20"}));
    EXPECT_EQ(host->animationPending, 0);
    EXPECT_EQ(host->pieceStates[1].active, 0);
}

TEST_F(ScriptTest, UnknownOpcodesEndTheirThreadSilently) {
    Load(R"(
function Main
    call Sub 0
    push 1
    host_c 1
    return
function Sub
    push 3
    word 0x10099000
    return
)");
    Receiver r;
    Start("Main", &r, 1);
    EXPECT_EQ(State(1), SCRIPT_FREE);
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);  // not woken
    EXPECT_EQ(host->activeThreads, 1);
    Run(1, 3);
    EXPECT_TRUE(Reported().empty());
    // The ignored bits of an opcode don't matter.
    Load("function Main\n word 0x00021001 5\n push 1\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->activeThreads, 0);
    EXPECT_TRUE(Reported().empty());
    Load("function Main\n word 0x1FF21FF9 5\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(Reported(), V{5});
}

TEST_F(ScriptTest, FindFunctionIsExact) {
    Load("function Create\n return\nfunction create2\n return\nfunction Create\n return\n");
    EXPECT_EQ(FindFunction(host.get(), "Create"), 0);
    EXPECT_EQ(FindFunction(host.get(), "create"), -1);
    EXPECT_EQ(FindFunction(host.get(), "create2"), 1);
    EXPECT_EQ(FindFunction(host.get(), "Creat"), -1);
    EXPECT_EQ(FindFunction(host.get(), ""), -1);
}

}  // namespace
