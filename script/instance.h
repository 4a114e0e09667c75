// The running state of one unit's script: 8 cooperative threads, the static
// variables, per-piece animation states and the 13 host operations through
// which the interpreter acts on the model.
//
// Faults in a script program have defined outcomes and never touch memory
// outside the instance's own tables:
// - The threads share SCRIPT_TURN_LIMIT instructions a turn: the thread that
//   runs out (it never blocks) is ended, and those not reached wait for the
//   next turn.
// - A push or ALLOCATE beyond the 32 stack slots ends the thread.
// - A pop from an empty stack yields 0 and leaves the stack empty (DROP on
//   an empty stack does nothing; BIT_NOT and NOT then push their result).
// - A local index outside 0-31, a static index outside the statics, a piece
//   index outside the script's piece table, an axis other than 0-2 and an
//   external index outside the external table end the thread.
// - Running off the code (a jump target outside it, or an instruction whose
//   operands would lie beyond its end) ends the thread.
// - DIV by 0 gives 0; -2147483648 / -1 gives -2147483648.
// - CALL_EXTERNAL, START and CALL with a negative count or one above 32 end
//   the thread; CALL_EXTERNAL with more than four arguments pops them all
//   and keeps arguments 0 to 3.
// - PUSH with a kind other than 1, 2 or 4 pushes 0.
// - A start instruction naming a function outside the table starts nothing
//   (CALL then waits until a signal ends the caller).
// "Ends the thread" is what an unknown opcode does: the thread is freed, no
// receiver is told and no waiting caller is woken.
// All arithmetic on values, speeds and positions wraps at 32 bits or is done
// wide enough not to overflow.
#pragma once

#include <cstdint>

struct ScriptFile;

enum : int32_t {
    SCRIPT_THREADS = 8,
    SCRIPT_STACK_SLOTS = 32,
    // Real scripts run a few hundred instructions between blocking ones.
    SCRIPT_TURN_LIMIT = 1 << 20,
};

// Thread states: the top byte is the class, the next four bits the wait.
enum : int32_t {
    SCRIPT_FREE = 0x00000000,
    SCRIPT_RUNNABLE = 0x01000000,
    SCRIPT_WAIT_TURN = 0x02100000,
    SCRIPT_WAIT_MOVE = 0x02200000,
    SCRIPT_SLEEPING = 0x02400000,
    SCRIPT_WAIT_CALL = 0x02800000,
};

// Told the return value of a started function.
class CompletionReceiver {
public:
    virtual ~CompletionReceiver() = default;
    virtual void Result(int32_t value) = 0;
};

struct ScriptThread {
    int32_t state;
    int32_t position;  // word index of the next instruction
    int32_t top;       // index of the top stack slot; -1 = empty
    int32_t sleepLeft;
    int32_t waitPiece;
    int32_t waitAxis;
    int32_t awaitedThread;
    int32_t signalMask;
    CompletionReceiver* receiver;
    int32_t stack[SCRIPT_STACK_SLOTS];  // local i is slot i
};

struct PieceAnimState {
    int32_t active;
    int32_t moveTarget[3];
    int32_t moveSpeed[3];        // per tick; 0 = not moving
    int32_t turnTarget[3];       // 0-65535, or -1 while spinning
    int32_t turnSpeed[3];        // per tick; 0 = not turning
    int32_t spinTargetSpeed[3];  // per tick
    int32_t spinAcceleration[3]; // per animation step; 0 = none
};
static_assert(sizeof(PieceAnimState) == 19 * 4);

// A script instance. The host derives from it and provides operations 0-6;
// 7-12 have base behaviour (nothing, GetValue 0). Host operations must not
// call RunScript.
class ScriptInstance {
public:
    ScriptInstance();
    virtual ~ScriptInstance();
    ScriptInstance(const ScriptInstance&) = delete;
    ScriptInstance& operator=(const ScriptInstance&) = delete;

    virtual int32_t GetPiecePosition(int32_t piece, int32_t axis) = 0;
    virtual void SetPiecePosition(int32_t piece, int32_t axis, int32_t position) = 0;
    virtual int32_t GetPieceAngle(int32_t piece, int32_t axis) = 0;
    virtual void SetPieceAngle(int32_t piece, int32_t axis, int32_t angle) = 0;
    virtual void SetPieceVisible(int32_t piece, int32_t visible) = 0;
    virtual void SetPieceCacheFlag(int32_t piece, int32_t flag) = 0;
    virtual void SetPieceShadeFlag(int32_t piece, int32_t flag) = 0;
    virtual void HostCommandA(int32_t operand, int32_t a, int32_t b);
    virtual void HostCommandB(int32_t operand);
    virtual void HostCommandC(int32_t operand, int32_t value);
    virtual void HostCommandD(int32_t operand, int32_t value);
    virtual void SetValue(int32_t key, int32_t value);
    virtual int32_t GetValue(int32_t key);

    int32_t tickRate;    // ticks per second, from GRIB_GetTickRate at construction
    ScriptFile* script;  // null until attached
    int32_t* statics;    // script->staticCount entries, "Static Varibles"
    PieceAnimState* pieceStates;  // script->pieceCount entries, "Object States"
    int32_t animationPending;
    ScriptThread threads[SCRIPT_THREADS];
    int32_t activeThreads;
};

// Binds the file (or null). Piece states are cleared, statics start at 0,
// external bindings are cleared. When the tables can't be allocated the
// instance stays without a script.
void AttachScript(ScriptInstance* instance, ScriptFile* file);
// Exact, case-sensitive lookup; -1 when absent.
int32_t FindFunction(ScriptInstance* instance, const char* name);
// Takes the lowest free thread for function index f: its index, or -1 when
// f is not a function of the script or all threads are busy.
int32_t AllocateThread(ScriptInstance* instance, int32_t function);
int StartFunction(ScriptInstance* instance, const char* name, CompletionReceiver* receiver, int runNow);
// Argument counts below 0 count as 0 and above 32 as 32; slots 4 and up keep
// whatever they held.
int StartFunctionWithArgs(ScriptInstance* instance, const char* name, CompletionReceiver* receiver, int runNow,
                          int32_t argumentCount, int32_t a0, int32_t a1, int32_t a2, int32_t a3);
// Advances the instance by elapsed ticks (interpreter.cpp).
void RunScript(ScriptInstance* instance, int32_t elapsedTicks);

// The program-wide random source of RANDOM: 0 for n < 2, else the next
// minimal-standard value mod n.
int32_t ScriptRandom(int32_t n);
// Sets the generator state; it is brought into 1 ... 2^31-2 (0 becomes 1).
void SetScriptRandomState(int32_t state);
int32_t GetScriptRandomState();
