// The interpreter through small assembled programs and a recording host.
#include <sstream>

#include "tests/script/script_support.h"

namespace {

using scripttest::Receiver;
using scripttest::ScriptTest;
using V = std::vector<int32_t>;
using S = std::vector<std::string>;

constexpr int32_t kEnd = 1234;  // reported last when Main ran to its end

class Interp : public ScriptTest {
protected:
    // Runs body ('|' between lines, "out" reporting the top value) as Main at
    // once; the values it reported.
    V Body(const std::string& body, const std::string& head = "piece p\nstatics 2\nexternal ext\n") {
        std::string lines;
        std::istringstream in(body);
        for (std::string l; std::getline(in, l, '|');) lines += (l == "out" ? "host_c 1" : l) + "\n";
        Load(head + "function Main\n" + lines + "\npush 1234\nhost_c 1\npush 7\nreturn\n");
        receiver = Receiver{};
        EXPECT_EQ(Start("Main", &receiver, 1), 1);
        EXPECT_EQ(host->activeThreads, 0) << body;
        return Reported();
    }
    Receiver receiver;
};

TEST_F(Interp, ValuesOfOneRun) {
    const struct {
        const char* body;
        V reported;
    } cases[] = {
        // Arithmetic wraps; the second value pushed is the right operand.
        {"push 2147483647|push 1|add|out|push -2147483648|push 1|sub|out|push 10|push 3|sub|out",
         {INT32_MIN, INT32_MAX, 7, kEnd}},
        {"push 65536|push 65536|mul|out|push 0x10001|push 0x10001|mul|out|push -3|push 7|mul|out",
         {0, 0x20001, -21, kEnd}},
        {"push -7|push 2|div|out|push 7|push -2|div|out|push 5|push 0|div|out", {-3, -3, 0, kEnd}},
        {"push -2147483648|push -1|div|out|push -2147483648|push -1|mul|out", {INT32_MIN, INT32_MIN, kEnd}},
        {"push 12|push 10|bit_and|out|push 12|push 10|bit_or|out|push 12|push 10|bit_xor|out|push 12|push 10|xor|out|"
         "push 0|bit_not|out", {8, 14, 6, 6, -1, kEnd}},
        {"push 2|push 3|and|out|push 0|push 3|and|out|push 0|push 0|or|out|push 0|push -9|or|out|push 0|not|out|"
         "push 5|not|out", {1, 0, 0, 1, 1, 0, kEnd}},
        // Comparisons are signed, the first pushed on the left.
        {"push -1|push 1|less|out|push 2|push 1|less|out|push 2|push 2|less_equal|out|push 3|push 2|less_equal|out|"
         "push 3|push 2|greater|out|push 2|push 2|greater|out", {1, 0, 1, 0, 1, 0, kEnd}},
        {"push 2|push 2|greater_equal|out|push 1|push 2|greater_equal|out|push 4|push 4|equal|out|push 4|push 5|"
         "equal|out|push 4|push 5|not_equal|out", {1, 0, 1, 0, 1, kEnd}},
        // Pops from an empty stack give 0.
        {"add|out|drop|drop|sub|out|div|out|not|out|bit_not|out", {0, 0, 0, 1, -1, kEnd}},
        // Locals are stack slots from the bottom; statics start at 0.
        {"push 10|push 20|push_local 0|out|push 99|pop_local 0|push_local 0|out|push_local 1|out|drop|drop|allocate|"
         "push_local 0|out|push_static 1|out|push 5|pop_static 1|push_static 1|out", {10, 99, 20, 99, 0, 5, kEnd}},
        // Push and pop kinds outside the table push 0 and pop nothing.
        {"word 0x10021000 77|out|word 0x10021003 77|out|word 0x10021007 77|out", {0, 0, 0, kEnd}},
        {"push 5|word 0x10023000 99|word 0x10023001 99|word 0x10023007 99|out", {5, kEnd}},
        // The ignored bits of an opcode don't matter; the family bits do.
        {"word 0x1FF21FF9 5|out", {5, kEnd}}, {"word 0x00021001 5|push 1|out", {}}, {"push 3|word 0x10099000", {}},
        // The base instance's host calls pop their operands and read every value as 0.
        {"push 77|push 1|push 2|host_a 9|host_b 8|push 4|host_d 6|push 5|push 6|set_value|push 12|get_value|out|out",
         {0, 77, kEnd}},
        {"push 3|start 9 1|start -7 0|out", {3, kEnd}},  // a start outside the function table starts nothing
        // Faults end the thread: endless loops, indices outside the tables, jumps off the code.
        {"top:|jump top", {}}, {"push_local 32", {}}, {"push_local -1", {}}, {"pop_local 32", {}},
        {"pop_local -2147483648", {}}, {"push_static 2", {}}, {"push_static -1", {}}, {"pop_static 2", {}},
        {"pop_static 1000000", {}}, {"push_local 31|drop|push 4|pop_static 1|push_static 1|out", {4, kEnd}},
        {"jump 100000", {}}, {"jump -1", {}}, {"push 0|jump_if_zero 2147483647", {}}, {"call_external 1 0", {}},
        {"call_external -1 0", {}}, {"call_external ext -1", {}}, {"call_external ext 33", {}}, {"start Main 33", {}},
        {"start Main -1", {}}, {"call Main 40", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Body(c.body), c.reported) << c.body;
    EXPECT_TRUE(Body("push_static 0", "function X\n return\n").empty());  // no statics at all
}

TEST_F(Interp, PiecesAndAxesOutsideTheTableFault) {
    for (std::string op : {"move", "turn", "spin", "stop_spin", "move_now", "turn_now", "wait_turn", "wait_move"}) {
        for (const char* operands : {" 1 0", " -1 0", " 0 3", " 0 -1", " 2147483647 2"})
            EXPECT_TRUE(Body("push 1|push 1|" + op + operands).empty()) << op << operands;
        if (op.rfind("wait", 0) != 0) {
            EXPECT_EQ(Body("push 1|push 1|" + op + " p z|drop"), V{kEnd}) << op;
        }
    }
    for (std::string op : {"show", "hide", "cache_on", "cache_off", "shade_on", "shade_off"}) {
        EXPECT_TRUE(Body(op + " 1").empty()) << op;
        EXPECT_EQ(Body(op + " 0"), V{kEnd}) << op;
    }
}

TEST_F(Interp, EveryInstructionOnAnEmptyStackAndOnAFullOne) {
    std::string full;
    for (int i = 0; i < 32; i++) full += " push 0\n";
    for (const ScriptOpInfo& op : ScriptOps()) {
        const std::string word = " word " + std::to_string(op.opcode);
        // Empty, the stack reads as zeros; full, it refuses pushes; it is never left.
        for (const std::string& before : {std::string(), full}) {
            Load("piece p\nstatics 1\nexternal e\nfunction Main\n" + before + word + " 0 0\n");
            Start("Main", nullptr, 1);
            EXPECT_TRUE(host->threads[0].top >= -1 && host->threads[0].top < SCRIPT_STACK_SLOTS) << op.name;
        }
    }
}

TEST_F(Interp, TheTurnLimitAndTheStackLimit) {
    Body("top:|push 1|drop|push_static 0|push 1|add|pop_static 0|jump top");
    EXPECT_EQ(host->statics[0], SCRIPT_TURN_LIMIT / 7);
    std::string pushes;
    for (int i = 0; i < 32; i++) pushes += "push 1|";
    EXPECT_EQ(Body(pushes + "not|bit_not|out"), (V{-1, kEnd}));  // 32 slots, replaced in place
    EXPECT_TRUE(Body(pushes + "push 99").empty());
    EXPECT_TRUE(Body(pushes + "push_local 0").empty());
    std::string allocs;
    for (int i = 0; i < 33; i++) allocs += "allocate|";
    EXPECT_TRUE(Body(allocs).empty());
    // The threads share the turn's budget: the one that spends it is cut off,
    // the others run next turn.
    Load("function Spin\nl:\n jump l\nfunction Ok\n push 5\n host_c 1\n return\n");
    Start("Spin");
    Start("Ok");
    Run(1);
    const V first = Reported();
    Run(1);
    EXPECT_EQ((std::vector<V>{first, Reported()}), (std::vector<V>{{}, {5}}));
}

TEST_F(Interp, RandomStaysInRange) {
    SetScriptRandomState(1);
    EXPECT_EQ(Body("push 7|push 3|random|out|push 7|push 7|random|out"), (V{7, 7, kEnd}));
    EXPECT_EQ(GetScriptRandomState(), 1);  // ranges below 2 don't advance
    EXPECT_EQ(Body("push 0|push 99999|random|out|push 10|push 10009|random|out"),
              (V{16807, 10 + 282475249 % 10000, kEnd}));
    SetScriptRandomState(1);
    EXPECT_EQ(ScriptRandom(-4), 0);
    for (int i = 0; i < 10000; i++) ScriptRandom(2);
    EXPECT_EQ(GetScriptRandomState(), 1043618065);  // the classic check value
    for (auto [set, state] : {std::pair{0, 1}, {-5, 2147483642}}) {
        SetScriptRandomState(set);
        EXPECT_EQ(GetScriptRandomState(), state);
    }
}

TEST_F(Interp, ExternalsGetFourArgumentsAndAreUnboundOnAttach) {
    struct Target : ScriptExternalTarget {
        V seen;
    } target;
    target.call = [](ScriptExternalTarget* self, const int32_t args[4]) {
        static_cast<Target*>(self)->seen.assign(args, args + 4);
    };
    Load("external e\nfunction Main\n push 1\n push 2\n push 3\n push 4\n push 5\n call_external e 5\n"
         " push 9\n host_c 1\n push 1\n push 2\n call_external e 2\n return\n");
    file->externals[0].binding = &target;
    Start("Main", nullptr, 1);
    EXPECT_EQ(target.seen, (V{1, 2, 0, 0}));
    EXPECT_EQ(host->threads[0].top, -1);  // all five popped
    AttachScript(host.get(), file.get());
    EXPECT_EQ(file->externals[0].binding, nullptr);
}

TEST_F(ScriptTest, StartsFillTheLowSlotsAndMissingArgumentsAreZero) {
    Load("function Aim\n push_local 2\n host_c 1\n push_local 3\n host_c 1\n push_local 0\n host_c 1\n"
         " push_local 1\n host_c 1\n return\nfunction Main\n push 5\n start Aim 3\n return\n");
    ASSERT_EQ(StartFunctionWithArgs(host.get(), "Aim", nullptr, 0, 2, 11, 22, 33, 44), 1);
    EXPECT_EQ(host->threads[0].top, 1);
    Run(0);
    EXPECT_EQ(Reported(), (V{33, 44, 11, 22}));
    host->Take();
    Start("Main", nullptr, 1);
    EXPECT_EQ(Reported(), (V{5, 0, 0, 0}));
    StartFunctionWithArgs(host.get(), "Aim", nullptr, 0, 100, 1, 2, 3, 4);
    StartFunctionWithArgs(host.get(), "Aim", nullptr, 0, -5, 1, 2, 3, 4);
    EXPECT_EQ((V{host->threads[0].top, host->threads[1].top}), (V{SCRIPT_STACK_SLOTS - 1, -1}));
}

TEST_F(ScriptTest, SleepCountsTicks) {
    Load("function Nap\n push_local 0\n sleep\n host_c 1\n return\n");
    const int32_t ms[] = {0, 33, 34, 100, 1000, 2147483647, -5};
    const int32_t ticks[] = {0, 0, 1, 3, 30, 64424509, 0};
    for (int i = 0; i < 7; i++) ASSERT_EQ(StartFunctionWithArgs(host.get(), "Nap", nullptr, 0, 2, ms[i], 0, 0, 0), 1);
    Run(0);
    for (int i = 0; i < 7; i++) EXPECT_EQ(host->threads[i].sleepLeft, ticks[i]) << ms[i];
    Run(0);  // zero-tick sleeps end at the next pass whatever the ticks
    V states = {State(0), State(2)};
    Run(2);
    states.push_back(State(3));
    Run(1);
    states.push_back(State(3));
    EXPECT_EQ(states, (V{SCRIPT_FREE, SCRIPT_SLEEPING, SCRIPT_SLEEPING, SCRIPT_FREE}));
    Run(INT32_MAX);
    Run(INT32_MIN);
    EXPECT_EQ(host->activeThreads, 0);
    // A start without running now waits for the next pass.
    Start("Nap");
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
}

TEST_F(ScriptTest, MovesStepBySpeedTimesTicksAndLandOnTheTarget) {
    Load("piece base arm\nfunction Main\n push 300\n push 35\n move arm x\n wait_move arm x\n push 1\n host_c 1\n"
         " push 3000\n push -20\n move arm x\n wait_move arm x\n push 2\n host_c 1\n return\n");
    Start("Main", nullptr, 1);
    EXPECT_EQ(host->pieceStates[1].moveSpeed[0], 10);  // 300 a second at 30 ticks a second
    for (int32_t ticks : {1, 2, 1}) Run(ticks);
    EXPECT_EQ(host->Take(), (S{"set-pos 1 0 10", "set-pos 1 0 30", "set-pos 1 0 35"}));
    EXPECT_EQ(State(0), SCRIPT_WAIT_MOVE);  // resumes in the next pass
    Run(0, 2);
    EXPECT_EQ(host->Take(), S{"host-c 1 1"});
    Run(1, 2);
    EXPECT_EQ(host->Take(), (S{"set-pos 1 0 -20", "host-c 1 2"}));
    EXPECT_EQ(host->animationPending, 0);
    // move_now and turn_now set at once and cancel; a tick rate below 1 counts as 1.
    Load("piece p\nfunction Main\n push 300\n push 1000\n move p z\n push 77\n move_now p z\n push 300\n"
         " push 1000\n turn p x\n push 65636\n turn_now p x\n push 5\n push 9\n move p x\n return\n");
    host->tickRate = -3;
    Start("Main", nullptr, 1);
    Run(1);
    EXPECT_EQ(host->Take(), (S{"set-pos 0 2 77", "set-angle 0 0 100", "set-pos 0 0 5"}));
}

TEST_F(ScriptTest, TurnsTakeTheShorterWayRound) {
    Load("piece p\nfunction Turn\n push_local 0\n turn_now p y\n push_local 2\n push_local 1\n turn p y\n"
         " wait_turn p y\n push 1\n host_c 1\n return\n");
    const struct {
        int32_t from, to, speed;
        V angles;
    } cases[] = {
        {65000, 500, 3000, {65100, 65200, 65300, 65400, 65500, 64, 164, 264, 364, 464, 500}},
        {500, 65000, 3000, {400, 300, 200, 100, 0, 65436, 65336, 65236, 65136, 65036, 65000}},
        {0, 0x8000, 3000 * 128, {12800, 25600, 32768}},  // half a turn: toward the sign of the difference
        {0x8000, 0, 3000 * 128, {32768 - 12800, 32768 - 25600, 0}},
        {1234, 1234, 3000, {}},  // already there: ends in the next pass
    };
    for (const auto& c : cases) {
        StartFunctionWithArgs(host.get(), "Turn", nullptr, 1, 3, c.from, c.to, c.speed, 0);
        host->Take();
        Run(1, 12);
        V angles;
        for (const std::string& l : Lines("set-angle 0 1 ")) angles.push_back(std::stoi(l.substr(14)));
        EXPECT_EQ(angles, c.angles) << c.from << " to " << c.to;
        EXPECT_EQ(Reported(), V{1});
        EXPECT_EQ(State(0), SCRIPT_FREE);
        host->Take();
    }
}

TEST_F(ScriptTest, SpinsAccelerateOncePerStepAndStop) {
    Load("piece p\nfunction Spin\n push_local 1\n push_local 0\n spin p x\n return\n"
         "function Stop\n push_local 0\n stop_spin p x\n wait_turn p x\n push 1\n host_c 1\n return\n");
    StartFunctionWithArgs(host.get(), "Spin", nullptr, 1, 2, 3000, 900, 0, 0);  // 100 a tick, 30 more each step
    for (int32_t ticks : {1, 2, 1, 1, 1}) Run(ticks);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 0 30", "set-angle 0 0 150", "set-angle 0 0 240", "set-angle 0 0 340",
                               "set-angle 0 0 440"}));
    EXPECT_EQ(host->pieceStates[0].turnTarget[0], -1);
    StartFunctionWithArgs(host.get(), "Stop", nullptr, 1, 1, 1200, 0, 0, 0);  // 40 less each step
    Run(1, 4);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 0 500", "set-angle 0 0 520", "host-c 1 1"}));
    EXPECT_EQ(host->animationPending, 0);
    // Without acceleration the speed is reached, and lost, at once.
    StartFunctionWithArgs(host.get(), "Spin", nullptr, 1, 2, 3000, 0, 0, 0);
    Run(1, 2);
    StartFunctionWithArgs(host.get(), "Stop", nullptr, 1, 1, 0, 0, 0, 0);
    Run(1, 2);
    EXPECT_EQ(host->Take(), (S{"set-angle 0 0 620", "set-angle 0 0 720", "host-c 1 1"}));
}

TEST_F(ScriptTest, ThreadsRunInSlotOrderAndCallsWaitForTheirReturn) {
    Load("function Main\n push 1\n host_c 1\n start Child 0\n push 42\n push 7\n call Sub 1\n host_c 1\n return\n"
         "function Child\n push 3\n host_c 1\n return\nfunction Sub\n push_local 0\n host_c 1\n push 100\n sleep\n"
         " push 99\n return\nfunction Short\n return\nfunction Spawner\n start Child 0\n push 4\n host_c 1\n return\n");
    Start("Main", nullptr, 1);  // the child started higher runs in the same pass
    EXPECT_EQ(Reported(), (V{1, 3, 7}));
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);
    EXPECT_EQ(host->threads[0].awaitedThread, 2);
    Run(3);  // Sub returns; Main, lower, runs in the next pass
    EXPECT_EQ(State(0), SCRIPT_RUNNABLE);
    Run(0);
    EXPECT_EQ(Reported(), (V{1, 3, 7, 42}));
    host->Take();
    Start("Short");
    Start("Spawner");
    Run(0);  // Short frees 0, which Spawner's child takes: it runs in the next pass
    EXPECT_EQ(Reported(), V{4});
    Run(0);
    EXPECT_EQ(Reported(), (V{4, 3}));
}

TEST_F(ScriptTest, SignalsEndThreadsByMaskAndWakeTheirCallers) {
    Load("function Main\n push 6\n set_signal_mask\n start Nap 0\n call Nap 0\n push 1\n host_c 1\n return\n"
         "function Nap\n push 1000\n sleep\n return\nfunction Signal\n push_local 0\n signal\n push 5\n host_c 1\n"
         " return\nfunction Call\n push 9\n call 57 1\n return\n");
    Receiver r;
    Start("Main", nullptr, 1);  // 0 with mask 6; its children 1 and 2 inherit it
    host->threads[2].receiver = &r;
    Start("Nap", nullptr, 1);  // 3, mask 1
    EXPECT_EQ(host->threads[2].signalMask, 6);
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 8, 0, 0, 0);  // meets no one
    EXPECT_EQ(host->activeThreads, 4);
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 2, 0, 0, 0);  // ends 0, 1 and 2
    EXPECT_EQ(host->activeThreads, 1);
    EXPECT_TRUE(r.results.empty());  // an ended thread's receiver is not told
    EXPECT_EQ(Reported(), (V{5, 5}));
    // The signaller ends too when the mask is its own; a call of no thread waits until then.
    Start("Call", nullptr, 1);
    EXPECT_EQ(host->threads[0].awaitedThread, -1);
    Run(10, 2);
    EXPECT_EQ(State(0), SCRIPT_WAIT_CALL);
    host->threads[0].signalMask = 1;
    StartFunctionWithArgs(host.get(), "Signal", nullptr, 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(host->activeThreads, 0);
    EXPECT_EQ(Reported(), (V{5, 5}));
}

TEST_F(ScriptTest, ReceiversAreToldReturnValuesOrZero) {
    Load("function Aim\n push_local 0\n push_local 1\n add\n return\nfunction Plain\n push 5\n return\n"
         "function Wait\n push 1000\n sleep\n return\nfunction Zero\n return\nfunction Empty\n");
    Receiver r;
    ASSERT_EQ(StartFunctionWithArgs(host.get(), "Aim", &r, 1, 2, 3, 4, 0, 0), 1);
    EXPECT_EQ(StartFunctionWithArgs(host.get(), "Missing", &r, 1, 2, 3, 4, 0, 0), 0);
    EXPECT_EQ(StartFunction(host.get(), "Missing", &r, 1), 0);
    StartFunction(host.get(), "Zero", &r, 1);   // an empty stack returns 0
    StartFunction(host.get(), "Empty", &r, 1);  // at the end of the code: ends at once, untold
    EXPECT_EQ(r.results, (V{7, 0, 0}));
    EXPECT_EQ(host->activeThreads, 0);
    Start("Plain", nullptr, 1);
    EXPECT_EQ(host->threads[0].top, 0);  // without a receiver RETURN doesn't pop
    // The ninth thread is refused; freed slots are reused lowest first.
    for (int i = 0; i < 8; i++) EXPECT_EQ(Start("Wait", nullptr, 1), 1);
    EXPECT_EQ(StartFunctionWithArgs(host.get(), "Wait", &r, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(r.results, (V{7, 0, 0, 0}));
    host->threads[5].state = host->threads[2].state = SCRIPT_FREE;
    host->activeThreads -= 2;
    const V slots = {AllocateThread(host.get(), 1), AllocateThread(host.get(), 1), AllocateThread(host.get(), 1),
                     AllocateThread(host.get(), -1)};
    EXPECT_EQ(slots, (V{2, 5, -1, -1}));
}

TEST_F(ScriptTest, FindFunctionIsExactAndReattachingStopsEverything) {
    Load("piece a b c\nfunction Create\n push 300\n push 100\n turn c x\n wait_turn c x\n top:\n jump top\n"
         "function create2\n return\nfunction Create\n return\n");
    V found;
    for (const char* name : {"Create", "create2", "create", "Creat", ""})
        found.push_back(FindFunction(host.get(), name));
    EXPECT_EQ(found, (V{0, 1, -1, -1, -1}));
    Start("Create", nullptr, 1);
    scripttest::ScriptPtr small(scripttest::FromBytes(scripttest::Assemble("function X\n return\n")));
    AttachScript(host.get(), small.get());
    Run(1, 3);  // the wait's piece is gone: the thread resumes off the code and ends
    EXPECT_EQ(host->activeThreads, 0);
    AttachScript(host.get(), nullptr);
    Run(1);
    EXPECT_EQ((V{Start("X"), FindFunction(host.get(), "X")}), (V{0, -1}));
    AttachScript(host.get(), file.get());
}

}  // namespace
