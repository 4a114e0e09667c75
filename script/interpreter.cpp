// RunScript: the resume checks, each runnable thread's turn in thread order,
// then the animation step. The instruction loop follows the shape of a
// classic register-less VM: fetch, switch on the family, and leave through
// one of three doors (block, end, fault).
#include <algorithm>
#include <cstdlib>

#include "script/instance.h"
#include "script/opcodes.h"
#include "script/script_file.h"

namespace {


constexpr int32_t kClassMask = static_cast<int32_t>(0xFF000000u);
constexpr int32_t kWaitClass = 0x02000000;

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
int32_t Neg(int32_t v) { return static_cast<int32_t>(0u - static_cast<uint32_t>(v)); }
int32_t ClampTo32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int32_t Rate(const ScriptInstance* in) { return std::max<int32_t>(in->tickRate, 1); }

bool ValidPiece(const ScriptInstance* in, int32_t piece, int32_t axis) {
    return piece >= 0 && piece < in->script->pieceCount && axis >= 0 && axis <= 2;
}

void FreeThread(ScriptInstance* in, int32_t t) {
    in->threads[t].state = SCRIPT_FREE;
    in->activeThreads--;
}

void WakeCallersOf(ScriptInstance* in, int32_t t) {
    for (ScriptThread& th : in->threads)
        if ((th.state & 0xFFF00000) == SCRIPT_WAIT_CALL && th.awaitedThread == t) th.state = SCRIPT_RUNNABLE;
}

void StartMove(ScriptInstance* in, int32_t p, int32_t x, int32_t target, int32_t speed) {
    PieceAnimState& a = in->pieceStates[p];
    a.moveTarget[x] = target;
    int32_t perTick = speed / Rate(in);
    if (in->GetPiecePosition(p, x) > target) perTick = Neg(perTick);
    a.moveSpeed[x] = perTick;
    a.active = 1;
    in->animationPending = 1;
}

void StartTurn(ScriptInstance* in, int32_t p, int32_t x, int32_t target, int32_t speed) {
    PieceAnimState& a = in->pieceStates[p];
    a.turnTarget[x] = target & 0xFFFF;
    a.spinAcceleration[x] = 0;
    int32_t perTick = speed / Rate(in);
    int64_t d = static_cast<int64_t>(a.turnTarget[x]) - in->GetPieceAngle(p, x);
    // The shorter way round; exactly half a turn goes toward the sign of d.
    if (d == 0)
        perTick = 0;
    else if ((std::llabs(d) > 0x8000) != (d < 0))
        perTick = Neg(perTick);
    a.turnSpeed[x] = perTick;
    a.active = 1;
    in->animationPending = 1;
}

void StartSpin(ScriptInstance* in, int32_t p, int32_t x, int32_t speed, int32_t acceleration) {
    PieceAnimState& a = in->pieceStates[p];
    a.turnTarget[x] = -1;
    a.spinTargetSpeed[x] = speed / Rate(in);
    a.spinAcceleration[x] = acceleration / Rate(in);
    if (a.spinAcceleration[x] == 0) a.turnSpeed[x] = a.spinTargetSpeed[x];
    a.active = 1;
    in->animationPending = 1;
}

void StopSpin(ScriptInstance* in, int32_t p, int32_t x, int32_t deceleration) {
    PieceAnimState& a = in->pieceStates[p];
    a.spinTargetSpeed[x] = 0;
    a.spinAcceleration[x] = Neg(deceleration / Rate(in));
    if (a.spinAcceleration[x] == 0) a.turnSpeed[x] = 0;
}

int32_t Divide(int32_t a, int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return Neg(a);
    return a / b;
}

// One thread's turn: runs from its position until it blocks or ends, on the
// instructions left of the instance's turn.
void RunThread(ScriptInstance* in, int32_t t, int32_t& budget) {
    ScriptThread& th = in->threads[t];
    const ScriptFile& f = *in->script;
    const int32_t* code = f.code.data();
    const int64_t codeSize = static_cast<int64_t>(f.code.size());
    int32_t* stack = th.stack;
    int64_t pc = th.position;
    int32_t a = 0, b = 0, piece = 0, axis = 0;

// One case per family of the opcode table; an instruction with operands
// must fit in the code before they are read, and NEXT steps over it.
#define vmcase(id) case ScriptFamily(OP_##id)
#define NEED(id) \
    if (pc + OP_LENGTH_##id > codeSize) goto fault
#define NEXT(id) pc += OP_LENGTH_##id
#define OPERAND(n) code[pc + (n)]
#define POP() (th.top >= 0 ? stack[th.top--] : 0)
#define PUSH(v)                                                  \
    do {                                                         \
        int32_t pushed_ = (v);                                   \
        if (th.top >= SCRIPT_STACK_SLOTS - 1) goto fault;        \
        stack[++th.top] = pushed_;                               \
    } while (0)
#define PIECE_AXIS(id)                                      \
    NEED(id);                                               \
    piece = OPERAND(1);                                     \
    axis = OPERAND(2);                                      \
    if (!ValidPiece(in, piece, axis)) goto fault
#define PIECE(id)                                                     \
    NEED(id);                                                         \
    piece = OPERAND(1);                                               \
    if (piece < 0 || piece >= f.pieceCount) goto fault
#define BINARY(id, expr) \
    b = POP();           \
    a = POP();           \
    PUSH(expr);          \
    NEXT(id);            \
    break

    for (; budget > 0; budget--) {
        if (pc < 0 || pc >= codeSize) goto fault;
        const int32_t op = code[pc];
        const int32_t family = ScriptFamily(op);
        switch (family) {
        vmcase(MOVE):
            PIECE_AXIS(MOVE);
            a = POP();  // target
            b = POP();  // speed
            StartMove(in, piece, axis, a, b);
            NEXT(MOVE);
            break;
        vmcase(TURN):
            PIECE_AXIS(TURN);
            a = POP();
            b = POP();
            StartTurn(in, piece, axis, a, b);
            NEXT(TURN);
            break;
        vmcase(SPIN):
            PIECE_AXIS(SPIN);
            a = POP();  // speed
            b = POP();  // acceleration
            StartSpin(in, piece, axis, a, b);
            NEXT(SPIN);
            break;
        vmcase(STOP_SPIN):
            PIECE_AXIS(STOP_SPIN);
            StopSpin(in, piece, axis, POP());
            NEXT(STOP_SPIN);
            break;
        vmcase(SHOW):
        vmcase(HIDE):
            PIECE(SHOW);
            in->SetPieceVisible(piece, family == OP_SHOW);
            NEXT(SHOW);
            break;
        vmcase(CACHE_ON):
        vmcase(CACHE_OFF):
            PIECE(CACHE_ON);
            in->SetPieceCacheFlag(piece, family == OP_CACHE_ON);
            NEXT(CACHE_ON);
            break;
        vmcase(SHADE_ON):
        vmcase(SHADE_OFF):
            PIECE(SHADE_ON);
            in->SetPieceShadeFlag(piece, family == OP_SHADE_ON);
            NEXT(SHADE_ON);
            break;
        vmcase(HOST_A):
            NEED(HOST_A);
            b = POP();
            a = POP();
            in->HostCommandA(OPERAND(1), a, b);
            NEXT(HOST_A);
            break;
        vmcase(HOST_B):
            NEED(HOST_B);
            in->HostCommandB(OPERAND(1));
            NEXT(HOST_B);
            break;
        vmcase(HOST_C):
            NEED(HOST_C);
            in->HostCommandC(OPERAND(1), POP());
            NEXT(HOST_C);
            break;
        vmcase(HOST_D):
            NEED(HOST_D);
            in->HostCommandD(OPERAND(1), POP());
            NEXT(HOST_D);
            break;
        vmcase(MOVE_NOW): {
            PIECE_AXIS(MOVE_NOW);
            a = POP();
            PieceAnimState& s = in->pieceStates[piece];
            s.moveTarget[axis] = a;
            s.moveSpeed[axis] = 0;
            in->SetPiecePosition(piece, axis, a);
            NEXT(MOVE_NOW);
            break;
        }
        vmcase(TURN_NOW): {
            PIECE_AXIS(TURN_NOW);
            a = POP();
            PieceAnimState& s = in->pieceStates[piece];
            s.turnTarget[axis] = a & 0xFFFF;
            s.spinAcceleration[axis] = 0;
            s.turnSpeed[axis] = 0;
            in->SetPieceAngle(piece, axis, s.turnTarget[axis]);
            NEXT(TURN_NOW);
            break;
        }
        vmcase(WAIT_TURN):
        vmcase(WAIT_MOVE):
            PIECE_AXIS(WAIT_TURN);
            th.waitPiece = piece;
            th.waitAxis = axis;
            th.state = family == OP_WAIT_TURN ? SCRIPT_WAIT_TURN : SCRIPT_WAIT_MOVE;
            th.position = static_cast<int32_t>(pc + OP_LENGTH_WAIT_TURN);
            return;
        vmcase(SLEEP):
            th.sleepLeft = ClampTo32(static_cast<int64_t>(POP()) * Rate(in) / 1000);
            th.state = SCRIPT_SLEEPING;
            th.position = static_cast<int32_t>(pc + OP_LENGTH_SLEEP);
            return;
        vmcase(PUSH):  // the whole push family; the source bits pick what
            NEED(PUSH);
            switch (ScriptSource(op)) {
            case ScriptSource(OP_PUSH): PUSH(OPERAND(1)); break;
            case ScriptSource(OP_PUSH_LOCAL):
                if (OPERAND(1) < 0 || OPERAND(1) >= SCRIPT_STACK_SLOTS) goto fault;
                PUSH(stack[OPERAND(1)]);
                break;
            case ScriptSource(OP_PUSH_STATIC):
                if (OPERAND(1) < 0 || OPERAND(1) >= f.staticCount) goto fault;
                PUSH(in->statics[OPERAND(1)]);
                break;
            default: PUSH(0); break;
            }
            NEXT(PUSH);
            break;
        vmcase(ALLOCATE):
            if (th.top >= SCRIPT_STACK_SLOTS - 1) goto fault;
            th.top++;
            NEXT(ALLOCATE);
            break;
        vmcase(POP_LOCAL):  // the whole pop family
            NEED(POP_LOCAL);
            switch (ScriptSource(op)) {
            case ScriptSource(OP_POP_LOCAL):
                if (OPERAND(1) < 0 || OPERAND(1) >= SCRIPT_STACK_SLOTS) goto fault;
                a = POP();
                stack[OPERAND(1)] = a;
                break;
            case ScriptSource(OP_POP_STATIC):
                if (OPERAND(1) < 0 || OPERAND(1) >= f.staticCount) goto fault;
                in->statics[OPERAND(1)] = POP();
                break;
            default: break;
            }
            NEXT(POP_LOCAL);
            break;
        vmcase(DROP):
            if (th.top >= 0) th.top--;
            NEXT(DROP);
            break;
        vmcase(ADD): BINARY(ADD, Wrap(static_cast<int64_t>(a) + b));
        vmcase(SUB): BINARY(SUB, Wrap(static_cast<int64_t>(a) - b));
        vmcase(MUL): BINARY(MUL, Wrap(static_cast<int64_t>(a) * b));
        vmcase(DIV): BINARY(DIV, Divide(a, b));
        vmcase(BIT_AND): BINARY(BIT_AND, a & b);
        vmcase(BIT_OR): BINARY(BIT_OR, a | b);
        vmcase(BIT_XOR):
        vmcase(XOR): BINARY(XOR, a ^ b);
        vmcase(LESS): BINARY(LESS, a < b);
        vmcase(LESS_EQUAL): BINARY(LESS_EQUAL, a <= b);
        vmcase(GREATER): BINARY(GREATER, a > b);
        vmcase(GREATER_EQUAL): BINARY(GREATER_EQUAL, a >= b);
        vmcase(EQUAL): BINARY(EQUAL, a == b);
        vmcase(NOT_EQUAL): BINARY(NOT_EQUAL, a != b);
        vmcase(AND): BINARY(AND, a != 0 && b != 0);
        vmcase(OR): BINARY(OR, a != 0 || b != 0);
        vmcase(RANDOM):
            b = POP();  // high
            a = POP();  // low
            PUSH(Wrap(static_cast<int64_t>(a) + ScriptRandom(Wrap(static_cast<int64_t>(b) - a + 1))));
            NEXT(RANDOM);
            break;
        vmcase(BIT_NOT):
            a = POP();
            PUSH(~a);
            NEXT(BIT_NOT);
            break;
        vmcase(NOT):
            a = POP();
            PUSH(a == 0);
            NEXT(NOT);
            break;
        vmcase(GET_VALUE):
            a = POP();
            PUSH(in->GetValue(a));
            NEXT(GET_VALUE);
            break;
        vmcase(SET_VALUE):
            b = POP();  // value
            a = POP();  // key
            in->SetValue(a, b);
            NEXT(SET_VALUE);
            break;
        vmcase(START):
        vmcase(CALL): {
            NEED(CALL);
            const int32_t count = OPERAND(2);
            if (count < 0 || count > SCRIPT_STACK_SLOTS) goto fault;
            const int32_t n = AllocateThread(in, OPERAND(1));
            if (n >= 0) {
                ScriptThread& child = in->threads[n];
                for (int32_t i = count - 1; i >= 0; i--) child.stack[i] = POP();
                child.signalMask = th.signalMask;
            }
            NEXT(CALL);
            if (family == OP_CALL) {
                th.awaitedThread = n;
                th.state = SCRIPT_WAIT_CALL;
                th.position = static_cast<int32_t>(pc);
                return;
            }
            break;
        }
        vmcase(CALL_EXTERNAL): {
            NEED(CALL_EXTERNAL);
            const int32_t entry = OPERAND(1);
            const int32_t count = OPERAND(2);
            if (entry < 0 || entry >= f.externalCount) goto fault;
            if (count < 0 || count > SCRIPT_STACK_SLOTS) goto fault;
            int32_t args[4] = {0, 0, 0, 0};
            for (int32_t i = count - 1; i >= 0; i--) {
                int32_t v = POP();
                if (i < 4) args[i] = v;
            }
            ScriptExternalTarget* target = f.externals[static_cast<size_t>(entry)].binding;
            if (target && target->call) target->call(target, args);
            NEXT(CALL_EXTERNAL);
            break;
        }
        vmcase(JUMP):
            NEED(JUMP);
            pc = OPERAND(1);
            break;
        vmcase(JUMP_IF_ZERO):
            NEED(JUMP_IF_ZERO);
            a = POP();
            pc = a == 0 ? OPERAND(1) : pc + OP_LENGTH_JUMP_IF_ZERO;
            break;
        vmcase(RETURN):
            if (th.receiver) {
                a = POP();
                th.receiver->Result(a);
            }
            FreeThread(in, t);
            WakeCallersOf(in, t);
            return;
        vmcase(SIGNAL): {
            const int32_t mask = POP();
            for (int32_t k = 0; k < SCRIPT_THREADS; k++) {
                ScriptThread& other = in->threads[k];
                if (other.state != SCRIPT_FREE && (mask & other.signalMask) != 0) {
                    FreeThread(in, k);
                    WakeCallersOf(in, k);
                }
            }
            NEXT(SIGNAL);
            if (th.state == SCRIPT_FREE) return;
            break;
        }
        vmcase(SET_SIGNAL_MASK):
            th.signalMask = POP();
            NEXT(SET_SIGNAL_MASK);
            break;
        default:
            goto fault;
        }
    }
    // Out of budget: the thread never blocked.
fault:
    FreeThread(in, t);

#undef vmcase
#undef NEED
#undef NEXT
#undef OPERAND
#undef POP
#undef PUSH
#undef PIECE_AXIS
#undef PIECE
#undef BINARY
}

int32_t WaitSpeed(const ScriptInstance* in, const ScriptThread& th, bool turn) {
    if (!ValidPiece(in, th.waitPiece, th.waitAxis)) return 0;
    const PieceAnimState& a = in->pieceStates[th.waitPiece];
    return turn ? a.turnSpeed[th.waitAxis] : a.moveSpeed[th.waitAxis];
}

void StepAnimations(ScriptInstance* in, int32_t elapsed) {
    in->animationPending = 0;
    const int64_t e = elapsed;
    for (int32_t p = 0; p < in->script->pieceCount; p++) {
        PieceAnimState& a = in->pieceStates[p];
        if (!a.active) continue;
        a.active = 0;
        for (int32_t x = 0; x < 3; x++) {
            if (a.moveSpeed[x] != 0) {
                const int32_t speed = a.moveSpeed[x];
                int64_t n = in->GetPiecePosition(p, x) + e * speed;
                if ((speed > 0 && n < a.moveTarget[x]) || (speed < 0 && n > a.moveTarget[x])) {
                    a.active = 1;
                } else {
                    n = a.moveTarget[x];
                    a.moveSpeed[x] = 0;
                }
                in->SetPiecePosition(p, x, Wrap(n));
            }
            if (a.spinAcceleration[x] != 0) {
                const int32_t acc = a.spinAcceleration[x];
                int64_t s = static_cast<int64_t>(a.turnSpeed[x]) + acc;
                if ((acc > 0 && s >= a.spinTargetSpeed[x]) || (acc < 0 && s <= a.spinTargetSpeed[x])) {
                    s = a.spinTargetSpeed[x];
                    a.spinAcceleration[x] = 0;
                }
                a.turnSpeed[x] = static_cast<int32_t>(s);
            }
            if (a.turnSpeed[x] != 0) {
                const int32_t speed = a.turnSpeed[x];
                const int64_t c = in->GetPieceAngle(p, x);
                const int64_t s = e * speed;
                int64_t n = c + s;
                const int64_t target = a.turnTarget[x];
                if (target == -1) {
                    a.active = 1;  // a spin never arrives
                } else {
                    int64_t left = speed > 0 ? target - c : c - target;
                    left = ((left % 65536) + 65536) % 65536;
                    if (left > (speed > 0 ? s : -s)) {
                        a.active = 1;
                    } else {
                        n = target;
                        a.turnSpeed[x] = 0;
                    }
                }
                in->SetPieceAngle(p, x, static_cast<int32_t>(n & 0xFFFF));
            }
        }
        if (a.active) in->animationPending = 1;
    }
}

}  // namespace

void RunScript(ScriptInstance* in, int32_t elapsedTicks) {
    if (!in || !in->script) return;
    if (in->activeThreads != 0) {
        // One budget for all threads, so that hostile code costs a frame at
        // most this many instructions, however many threads it starts.
        int32_t budget = SCRIPT_TURN_LIMIT;
        for (int32_t t = 0; t < SCRIPT_THREADS; t++) {
            ScriptThread& th = in->threads[t];
            if ((th.state & kClassMask) == kWaitClass) {
                switch (th.state & 0x00F00000) {
                case 0x100000:
                    if (WaitSpeed(in, th, true) == 0) th.state = SCRIPT_RUNNABLE;
                    break;
                case 0x200000:
                    if (WaitSpeed(in, th, false) == 0) th.state = SCRIPT_RUNNABLE;
                    break;
                case 0x400000:
                    th.sleepLeft = ClampTo32(static_cast<int64_t>(th.sleepLeft) - elapsedTicks);
                    if (th.sleepLeft <= 0) th.state = SCRIPT_RUNNABLE;
                    break;
                default:
                    break;  // a call waits for RETURN or SIGNAL
                }
            }
            // Threads not reached once the budget is spent run next turn.
            if ((th.state & kClassMask) == SCRIPT_RUNNABLE && budget > 0) RunThread(in, t, budget);
        }
    }
    if (elapsedTicks != 0 && in->animationPending) StepAnimations(in, elapsedTicks);
}
