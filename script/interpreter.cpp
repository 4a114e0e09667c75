// RunScript: the resume checks, each runnable thread's turn in thread order,
// then the animation step. The instruction loop follows the shape of a
// classic register-less VM: fetch, switch on the family, and leave through
// one of three doors (block, end, fault).
#include <algorithm>
#include <cstdlib>

#include "script/instance.h"
#include "script/script_file.h"

namespace {

enum : int32_t {
    OP_MOVE = 0x10001000,
    OP_TURN = 0x10002000,
    OP_SPIN = 0x10003000,
    OP_STOP_SPIN = 0x10004000,
    OP_SHOW = 0x10005000,
    OP_HIDE = 0x10006000,
    OP_CACHE_ON = 0x10007000,
    OP_CACHE_OFF = 0x10008000,
    OP_HOST_A = 0x10009000,
    OP_HOST_B = 0x1000A000,
    OP_MOVE_NOW = 0x1000B000,
    OP_TURN_NOW = 0x1000C000,
    OP_SHADE_ON = 0x1000D000,
    OP_SHADE_OFF = 0x1000E000,
    OP_HOST_C = 0x1000F000,
    OP_WAIT_TURN = 0x10011000,
    OP_WAIT_MOVE = 0x10012000,
    OP_SLEEP = 0x10013000,
    OP_PUSH = 0x10021000,
    OP_ALLOCATE = 0x10022000,
    OP_POP = 0x10023000,
    OP_DROP = 0x10024000,
    OP_ADD = 0x10031000,
    OP_SUB = 0x10032000,
    OP_MUL = 0x10033000,
    OP_DIV = 0x10034000,
    OP_BIT_AND = 0x10035000,
    OP_BIT_OR = 0x10036000,
    OP_BIT_XOR = 0x10037000,
    OP_BIT_NOT = 0x10038000,
    OP_RANDOM = 0x10041000,
    OP_GET_VALUE = 0x10042000,
    OP_LESS = 0x10051000,
    OP_LESS_EQUAL = 0x10052000,
    OP_GREATER = 0x10053000,
    OP_GREATER_EQUAL = 0x10054000,
    OP_EQUAL = 0x10055000,
    OP_NOT_EQUAL = 0x10056000,
    OP_AND = 0x10057000,
    OP_OR = 0x10058000,
    OP_XOR = 0x10059000,
    OP_NOT = 0x1005A000,
    OP_START = 0x10061000,
    OP_CALL = 0x10062000,
    OP_CALL_EXTERNAL = 0x10063000,
    OP_JUMP = 0x10064000,
    OP_RETURN = 0x10065000,
    OP_JUMP_IF_ZERO = 0x10066000,
    OP_SIGNAL = 0x10067000,
    OP_SET_SIGNAL_MASK = 0x10068000,
    OP_HOST_D = 0x10071000,
    OP_SET_VALUE = 0x10082000,
};

constexpr int32_t kFamilyMask = 0x100FF000;
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

// One thread's turn: runs from its position until it blocks or ends.
void RunThread(ScriptInstance* in, int32_t t) {
    ScriptThread& th = in->threads[t];
    const ScriptFile& f = *in->script;
    const int32_t* code = f.code.data();
    const int64_t codeSize = static_cast<int64_t>(f.code.size());
    int32_t* stack = th.stack;
    int64_t pc = th.position;
    int32_t a = 0, b = 0, piece = 0, axis = 0;

// Operand words n of the current instruction; the instruction must fit.
#define NEED(len) \
    if (pc + (len) > codeSize) goto fault
#define OPERAND(n) code[pc + (n)]
#define POP() (th.top >= 0 ? stack[th.top--] : 0)
#define PUSH(v)                                                  \
    do {                                                         \
        int32_t pushed_ = (v);                                   \
        if (th.top >= SCRIPT_STACK_SLOTS - 1) goto fault;        \
        stack[++th.top] = pushed_;                               \
    } while (0)
#define PIECE_AXIS()                                        \
    NEED(3);                                                \
    piece = OPERAND(1);                                     \
    axis = OPERAND(2);                                      \
    if (!ValidPiece(in, piece, axis)) goto fault
#define PIECE()                                                       \
    NEED(2);                                                          \
    piece = OPERAND(1);                                               \
    if (piece < 0 || piece >= f.pieceCount) goto fault
#define BINARY(expr) \
    b = POP();       \
    a = POP();       \
    PUSH(expr);      \
    pc += 1;         \
    break

    for (int32_t budget = SCRIPT_TURN_LIMIT; budget > 0; budget--) {
        if (pc < 0 || pc >= codeSize) goto fault;
        const int32_t op = code[pc];
        switch (op & kFamilyMask) {
        case OP_MOVE:
            PIECE_AXIS();
            a = POP();  // target
            b = POP();  // speed
            StartMove(in, piece, axis, a, b);
            pc += 3;
            break;
        case OP_TURN:
            PIECE_AXIS();
            a = POP();
            b = POP();
            StartTurn(in, piece, axis, a, b);
            pc += 3;
            break;
        case OP_SPIN:
            PIECE_AXIS();
            a = POP();  // speed
            b = POP();  // acceleration
            StartSpin(in, piece, axis, a, b);
            pc += 3;
            break;
        case OP_STOP_SPIN:
            PIECE_AXIS();
            StopSpin(in, piece, axis, POP());
            pc += 3;
            break;
        case OP_SHOW:
        case OP_HIDE:
            PIECE();
            in->SetPieceVisible(piece, (op & kFamilyMask) == OP_SHOW);
            pc += 2;
            break;
        case OP_CACHE_ON:
        case OP_CACHE_OFF:
            PIECE();
            in->SetPieceCacheFlag(piece, (op & kFamilyMask) == OP_CACHE_ON);
            pc += 2;
            break;
        case OP_SHADE_ON:
        case OP_SHADE_OFF:
            PIECE();
            in->SetPieceShadeFlag(piece, (op & kFamilyMask) == OP_SHADE_ON);
            pc += 2;
            break;
        case OP_HOST_A:
            NEED(2);
            b = POP();
            a = POP();
            in->HostCommandA(OPERAND(1), a, b);
            pc += 2;
            break;
        case OP_HOST_B:
            NEED(2);
            in->HostCommandB(OPERAND(1));
            pc += 2;
            break;
        case OP_HOST_C:
            NEED(2);
            in->HostCommandC(OPERAND(1), POP());
            pc += 2;
            break;
        case OP_HOST_D:
            NEED(2);
            in->HostCommandD(OPERAND(1), POP());
            pc += 2;
            break;
        case OP_MOVE_NOW: {
            PIECE_AXIS();
            a = POP();
            PieceAnimState& s = in->pieceStates[piece];
            s.moveTarget[axis] = a;
            s.moveSpeed[axis] = 0;
            in->SetPiecePosition(piece, axis, a);
            pc += 3;
            break;
        }
        case OP_TURN_NOW: {
            PIECE_AXIS();
            a = POP();
            PieceAnimState& s = in->pieceStates[piece];
            s.turnTarget[axis] = a & 0xFFFF;
            s.spinAcceleration[axis] = 0;
            s.turnSpeed[axis] = 0;
            in->SetPieceAngle(piece, axis, s.turnTarget[axis]);
            pc += 3;
            break;
        }
        case OP_WAIT_TURN:
        case OP_WAIT_MOVE:
            PIECE_AXIS();
            th.waitPiece = piece;
            th.waitAxis = axis;
            th.state = (op & kFamilyMask) == OP_WAIT_TURN ? SCRIPT_WAIT_TURN : SCRIPT_WAIT_MOVE;
            th.position = static_cast<int32_t>(pc + 3);
            return;
        case OP_SLEEP:
            th.sleepLeft = ClampTo32(static_cast<int64_t>(POP()) * Rate(in) / 1000);
            th.state = SCRIPT_SLEEPING;
            th.position = static_cast<int32_t>(pc + 1);
            return;
        case OP_PUSH:
            NEED(2);
            switch (op & 7) {
            case 1: PUSH(OPERAND(1)); break;
            case 2:
                if (OPERAND(1) < 0 || OPERAND(1) >= SCRIPT_STACK_SLOTS) goto fault;
                PUSH(stack[OPERAND(1)]);
                break;
            case 4:
                if (OPERAND(1) < 0 || OPERAND(1) >= f.staticCount) goto fault;
                PUSH(in->statics[OPERAND(1)]);
                break;
            default: PUSH(0); break;
            }
            pc += 2;
            break;
        case OP_ALLOCATE:
            if (th.top >= SCRIPT_STACK_SLOTS - 1) goto fault;
            th.top++;
            pc += 1;
            break;
        case OP_POP:
            NEED(2);
            switch (op & 7) {
            case 2:
                if (OPERAND(1) < 0 || OPERAND(1) >= SCRIPT_STACK_SLOTS) goto fault;
                a = POP();
                stack[OPERAND(1)] = a;
                break;
            case 4:
                if (OPERAND(1) < 0 || OPERAND(1) >= f.staticCount) goto fault;
                in->statics[OPERAND(1)] = POP();
                break;
            default: break;
            }
            pc += 2;
            break;
        case OP_DROP:
            if (th.top >= 0) th.top--;
            pc += 1;
            break;
        case OP_ADD: BINARY(Wrap(static_cast<int64_t>(a) + b));
        case OP_SUB: BINARY(Wrap(static_cast<int64_t>(a) - b));
        case OP_MUL: BINARY(Wrap(static_cast<int64_t>(a) * b));
        case OP_DIV: BINARY(Divide(a, b));
        case OP_BIT_AND: BINARY(a & b);
        case OP_BIT_OR: BINARY(a | b);
        case OP_BIT_XOR:
        case OP_XOR: BINARY(a ^ b);
        case OP_LESS: BINARY(a < b);
        case OP_LESS_EQUAL: BINARY(a <= b);
        case OP_GREATER: BINARY(a > b);
        case OP_GREATER_EQUAL: BINARY(a >= b);
        case OP_EQUAL: BINARY(a == b);
        case OP_NOT_EQUAL: BINARY(a != b);
        case OP_AND: BINARY(a != 0 && b != 0);
        case OP_OR: BINARY(a != 0 || b != 0);
        case OP_RANDOM:
            b = POP();  // high
            a = POP();  // low
            PUSH(Wrap(static_cast<int64_t>(a) + ScriptRandom(Wrap(static_cast<int64_t>(b) - a + 1))));
            pc += 1;
            break;
        case OP_BIT_NOT:
            a = POP();
            PUSH(~a);
            pc += 1;
            break;
        case OP_NOT:
            a = POP();
            PUSH(a == 0);
            pc += 1;
            break;
        case OP_GET_VALUE:
            a = POP();
            PUSH(in->GetValue(a));
            pc += 1;
            break;
        case OP_SET_VALUE:
            b = POP();  // value
            a = POP();  // key
            in->SetValue(a, b);
            pc += 1;
            break;
        case OP_START:
        case OP_CALL: {
            NEED(3);
            const int32_t count = OPERAND(2);
            if (count < 0 || count > SCRIPT_STACK_SLOTS) goto fault;
            const int32_t n = AllocateThread(in, OPERAND(1));
            if (n >= 0) {
                ScriptThread& child = in->threads[n];
                for (int32_t i = count - 1; i >= 0; i--) child.stack[i] = POP();
                child.signalMask = th.signalMask;
            }
            pc += 3;
            if ((op & kFamilyMask) == OP_CALL) {
                th.awaitedThread = n;
                th.state = SCRIPT_WAIT_CALL;
                th.position = static_cast<int32_t>(pc);
                return;
            }
            break;
        }
        case OP_CALL_EXTERNAL: {
            NEED(3);
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
            pc += 3;
            break;
        }
        case OP_JUMP:
            NEED(2);
            pc = OPERAND(1);
            break;
        case OP_JUMP_IF_ZERO:
            NEED(2);
            a = POP();
            pc = a == 0 ? OPERAND(1) : pc + 2;
            break;
        case OP_RETURN:
            if (th.receiver) {
                a = POP();
                th.receiver->Result(a);
            }
            FreeThread(in, t);
            WakeCallersOf(in, t);
            return;
        case OP_SIGNAL: {
            const int32_t mask = POP();
            for (int32_t k = 0; k < SCRIPT_THREADS; k++) {
                ScriptThread& other = in->threads[k];
                if (other.state != SCRIPT_FREE && (mask & other.signalMask) != 0) {
                    FreeThread(in, k);
                    WakeCallersOf(in, k);
                }
            }
            pc += 1;
            if (th.state == SCRIPT_FREE) return;
            break;
        }
        case OP_SET_SIGNAL_MASK:
            th.signalMask = POP();
            pc += 1;
            break;
        default:
            goto fault;
        }
    }
    // Out of budget: the thread never blocked.
fault:
    FreeThread(in, t);

#undef NEED
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
            if ((th.state & kClassMask) == SCRIPT_RUNNABLE) RunThread(in, t);
        }
    }
    if (elapsedTicks != 0 && in->animationPending) StepAnimations(in, elapsedTicks);
}
