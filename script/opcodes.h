// The script instruction set, one row per instruction: its assembly name,
// the exact word the assembler writes, and the kinds of the operand words
// that follow it. The interpreter, the assembler and the disassembler all
// read this one table.
//
// Operand kinds: 'p' piece, 'a' axis, 'i' integer, 'l' local, 's' static,
// 'f' function, 'n' count, 'e' external, 'j' jump target.
#pragma once

#include <cstdint>
#include <span>

#define SCRIPT_OPCODES(X)                                  \
    X(MOVE, "move", 0x10001000, "pa")                      \
    X(TURN, "turn", 0x10002000, "pa")                      \
    X(SPIN, "spin", 0x10003000, "pa")                      \
    X(STOP_SPIN, "stop_spin", 0x10004000, "pa")            \
    X(SHOW, "show", 0x10005000, "p")                       \
    X(HIDE, "hide", 0x10006000, "p")                       \
    X(CACHE_ON, "cache_on", 0x10007000, "p")               \
    X(CACHE_OFF, "cache_off", 0x10008000, "p")             \
    X(HOST_A, "host_a", 0x10009000, "i")                   \
    X(HOST_B, "host_b", 0x1000A000, "i")                   \
    X(MOVE_NOW, "move_now", 0x1000B000, "pa")              \
    X(TURN_NOW, "turn_now", 0x1000C000, "pa")              \
    X(SHADE_ON, "shade_on", 0x1000D000, "p")               \
    X(SHADE_OFF, "shade_off", 0x1000E000, "p")             \
    X(HOST_C, "host_c", 0x1000F000, "i")                   \
    X(WAIT_TURN, "wait_turn", 0x10011000, "pa")            \
    X(WAIT_MOVE, "wait_move", 0x10012000, "pa")            \
    X(SLEEP, "sleep", 0x10013000, "")                      \
    X(PUSH, "push", 0x10021001, "i")                       \
    X(PUSH_LOCAL, "push_local", 0x10021002, "l")           \
    X(PUSH_STATIC, "push_static", 0x10021004, "s")         \
    X(ALLOCATE, "allocate", 0x10022000, "")                \
    X(POP_LOCAL, "pop_local", 0x10023002, "l")             \
    X(POP_STATIC, "pop_static", 0x10023004, "s")           \
    X(DROP, "drop", 0x10024000, "")                        \
    X(ADD, "add", 0x10031000, "")                          \
    X(SUB, "sub", 0x10032000, "")                          \
    X(MUL, "mul", 0x10033000, "")                          \
    X(DIV, "div", 0x10034000, "")                          \
    X(BIT_AND, "bit_and", 0x10035000, "")                  \
    X(BIT_OR, "bit_or", 0x10036000, "")                    \
    X(BIT_XOR, "bit_xor", 0x10037000, "")                  \
    X(BIT_NOT, "bit_not", 0x10038000, "")                  \
    X(RANDOM, "random", 0x10041000, "")                    \
    X(GET_VALUE, "get_value", 0x10042000, "")              \
    X(LESS, "less", 0x10051000, "")                        \
    X(LESS_EQUAL, "less_equal", 0x10052000, "")            \
    X(GREATER, "greater", 0x10053000, "")                  \
    X(GREATER_EQUAL, "greater_equal", 0x10054000, "")      \
    X(EQUAL, "equal", 0x10055000, "")                      \
    X(NOT_EQUAL, "not_equal", 0x10056000, "")              \
    X(AND, "and", 0x10057000, "")                          \
    X(OR, "or", 0x10058000, "")                            \
    X(XOR, "xor", 0x10059000, "")                          \
    X(NOT, "not", 0x1005A000, "")                          \
    X(START, "start", 0x10061000, "fn")                    \
    X(CALL, "call", 0x10062000, "fn")                      \
    X(CALL_EXTERNAL, "call_external", 0x10063000, "en")    \
    X(JUMP, "jump", 0x10064000, "j")                       \
    X(RETURN, "return", 0x10065000, "")                    \
    X(JUMP_IF_ZERO, "jump_if_zero", 0x10066000, "j")       \
    X(SIGNAL, "signal", 0x10067000, "")                    \
    X(SET_SIGNAL_MASK, "set_signal_mask", 0x10068000, "")  \
    X(HOST_D, "host_d", 0x10071000, "i")                   \
    X(SET_VALUE, "set_value", 0x10082000, "")

enum ScriptOpcode : int32_t {
#define SCRIPT_OP_WORD(id, name, word, kinds) OP_##id = word,
    SCRIPT_OPCODES(SCRIPT_OP_WORD)
#undef SCRIPT_OP_WORD
};

// Words an instruction takes, its opcode word included.
enum : int32_t {
#define SCRIPT_OP_LENGTH(id, name, word, kinds) OP_LENGTH_##id = sizeof(kinds),
    SCRIPT_OPCODES(SCRIPT_OP_LENGTH)
#undef SCRIPT_OP_LENGTH
};

// The interpreter decodes the family of a word; within the push and pop
// families the low three bits name the source (1 constant, 2 local, 4 static).
constexpr int32_t SCRIPT_FAMILY_MASK = 0x100FF000;
constexpr int32_t SCRIPT_SOURCE_MASK = 7;
constexpr int32_t ScriptFamily(int32_t word) { return word & SCRIPT_FAMILY_MASK; }
constexpr int32_t ScriptSource(int32_t word) { return word & SCRIPT_SOURCE_MASK; }

struct ScriptOpInfo {
    const char* name;
    int32_t opcode;    // the exact word the assembler writes
    int operandCount;  // 0, 1 or 2
    const char* operands;
};

inline constexpr ScriptOpInfo kScriptOps[] = {
#define SCRIPT_OP_INFO(id, name, word, kinds) {name, word, int(sizeof(kinds)) - 1, kinds},
    SCRIPT_OPCODES(SCRIPT_OP_INFO)
#undef SCRIPT_OP_INFO
};

inline std::span<const ScriptOpInfo> ScriptOps() { return kScriptOps; }
