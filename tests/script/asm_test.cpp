// The assembler's encoding, its errors, and the disassembler round trip.
#include "tests/script/script_support.h"

namespace {

using scripttest::Assemble;
using scripttest::FromBytes;
using scripttest::ScriptPtr;

class AsmTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    static std::string Error(const std::string& src) {
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_FALSE(AssembleScript(src, out, error)) << src;
        return error;
    }
    static std::string Disasm(const std::vector<uint8_t>& b) {
        std::string text, error;
        EXPECT_TRUE(DisassembleScript(b, text, error)) << error;
        return text;
    }
    // asm -> disasm -> asm gives the same bytes.
    static void RoundTrip(const std::string& src) {
        std::vector<uint8_t> first = Assemble(src);
        std::string text = Disasm(first);
        std::vector<uint8_t> second;
        std::string error;
        ASSERT_TRUE(AssembleScript(text, second, error)) << error << "\n" << text;
        EXPECT_EQ(first, second) << src << "\n----\n" << text;
    }
};

TEST_F(AsmTest, EncodesTheWorkedExampleWords) {
    ScriptPtr f(FromBytes(Assemble("piece a b c\nfunction Main\n push 16384\n PUSH 8192\n turn c y\n"
                                   " wait_turn 2 1\n return\n")));
    ASSERT_NE(f, nullptr);
    std::vector<int32_t> code(f->code.begin(), f->code.begin() + 11);
    EXPECT_EQ(code, (std::vector<int32_t>{0x10021001, 16384, 0x10021001, 8192, 0x10002000, 2, 1, 0x10011000, 2, 1,
                                          0x10065000}));
    EXPECT_EQ(f->version, 4);
    EXPECT_EQ(f->codeOffset, 44);
}

TEST_F(AsmTest, EveryInstructionHasItsFamily) {
    for (const ScriptOpInfo& op : ScriptOps()) {
        int32_t family = op.opcode & 0x100FF000;
        if (family == 0x10021000 || family == 0x10023000)
            EXPECT_NE(op.opcode & 7, 0) << op.name;
        else
            EXPECT_EQ(op.opcode, family) << op.name;
        EXPECT_EQ(static_cast<int>(std::strlen(op.operands)), op.operandCount) << op.name;
    }
    EXPECT_EQ(ScriptOps().size(), 55u);
}

TEST_F(AsmTest, NamesConstantsLocalsAndLabels) {
    ScriptPtr f(FromBytes(Assemble(R"(
version 7
const SPEED 0x7FFFFFFF
const BACK -2
piece "left wheel" gun   ; two pieces
static a b
statics 5
external helper
function Main
    local speed target
    jump later           ; forward reference
back:
    push SPEED
    push_local target
    pop_static b
    turn "left wheel" Z
    start Other BACK
    call_external helper 0
    push 0xFFFFFFFF
later: jump back
function Other
    move gun 0
    call Main 1
)")));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->version, 7);
    EXPECT_EQ(f->staticCount, 5);
    EXPECT_STREQ(f->pieceNames[0], "left wheel");
    const std::vector<int32_t> expect = {0x10064000, 19, 0x10021001, 0x7FFFFFFF, 0x10021002, 1, 0x10023004, 1,
                                         0x10002000, 0, 2, 0x10061000, 1, -2, 0x10063000, 0, 0, 0x10021001, -1,
                                         0x10064000, 2, 0x10001000, 1, 0, 0x10062000, 0, 1};
    EXPECT_EQ(std::vector<int32_t>(f->code.begin(), f->code.begin() + expect.size()), expect);
    EXPECT_EQ(f->functionStarts[1], 21);
}

TEST_F(AsmTest, ErrorsNameTheLine) {
    EXPECT_EQ(Error("function A\n frobnicate\n"), "line 2: unknown instruction 'frobnicate'");
    EXPECT_EQ(Error("function A\n\n push\n"), "line 3: push takes 1 operand(s)");
    EXPECT_EQ(Error("function A\n jump nowhere\n"), "line 2: unknown label 'nowhere'");
    EXPECT_EQ(Error("piece a\nfunction A\n show b\n"), "line 3: unknown piece 'b'");
    EXPECT_EQ(Error("function A\n turn 0 w\n"), "line 2: unknown axis 'w'");
    EXPECT_EQ(Error("function A\n start B 0\n"), "line 2: unknown function 'B'");
    EXPECT_EQ(Error("x:\nx:\n"), "line 2: label 'x' defined twice");
    EXPECT_EQ(Error("piece \"abc\n"), "line 1: unterminated string");
    EXPECT_EQ(Error("function A\n push 4294967296\n"), "line 2: unknown value '4294967296'");
    EXPECT_EQ(Error("statics 70000\n"), "line 1: statics takes a count (0-65536)");
    EXPECT_EQ(Error("function A\n push_local nope\n"), "line 2: unknown local 'nope'");
    EXPECT_EQ(Error("piece \"a\\x00b\"\n"), "line 1: names can't hold NUL");
}

TEST_F(AsmTest, RoundTripOfEveryInstruction) {
    std::string src = "piece p0 \"odd name\" 12 \"q\\\"uote\" p0\nexternal e0 \"e 1\"\nstatic s\nstatics 3\n";
    src += "function Main\n";
    for (const ScriptOpInfo& op : ScriptOps()) {
        src += " " + std::string(op.name);
        for (int k = 0; k < op.operandCount; k++) {
            switch (op.operands[k]) {
            case 'p': src += k ? " 1" : " \"odd name\""; break;
            case 'a': src += " z"; break;
            case 'f': src += " Second"; break;
            case 'e': src += " \"e 1\""; break;
            case 'j': src += " end"; break;
            case 'n': src += " 2"; break;
            default: src += " -77"; break;
            }
        }
        src += "\n";
    }
    src += "end:\n word 0x12345678 0x10001000\n jump 3\nfunction Second\nfunction \"Third one\"\n show 4\n"
           " show 99\n start 5 0\n call_external 9 0\n turn 0 7\nfunction Empty\n";
    RoundTrip(src);
    std::string text = Disasm(Assemble(src));
    EXPECT_NE(text.find("turn \"odd name\" z"), std::string::npos) << text;
    EXPECT_NE(text.find("show 4"), std::string::npos);  // a duplicate name: by number
    EXPECT_NE(text.find("word 0x12345678"), std::string::npos);
    EXPECT_NE(text.find("function \"Third one\""), std::string::npos);
}

TEST_F(AsmTest, RoundTripOfRandomPrograms) {
    testsupport::Rng rng(77);
    for (int round = 0; round < 300; round++) {
        std::string src = "piece a b \"c c\"\nexternal x\nstatics " + std::to_string(rng.below(4)) + "\n";
        int functions = 1 + static_cast<int>(rng.below(4));
        for (int fn = 0; fn < functions; fn++) {
            src += "function f" + std::to_string(fn) + "\n";
            int n = static_cast<int>(rng.below(12));
            for (int i = 0; i < n; i++) {
                if (rng.below(6) == 0) {
                    src += "L" + std::to_string(round) + "_" + std::to_string(fn) + "_" + std::to_string(i) + ":\n";
                }
                const ScriptOpInfo& op = ScriptOps()[rng.below(static_cast<uint32_t>(ScriptOps().size()))];
                if (rng.below(5) == 0) {
                    // Raw words: opcodes cut short, stray operands, odd kinds.
                    src += " word " + std::to_string(rng.below(2) ? op.opcode : static_cast<int32_t>(rng.next())) + "\n";
                    continue;
                }
                src += " " + std::string(op.name);
                for (int k = 0; k < op.operandCount; k++)
                    src += " " + std::to_string(static_cast<int32_t>(rng.below(40)) - 4);
                src += "\n";
            }
        }
        RoundTrip(src);
        if (HasFailure()) break;
    }
}

TEST_F(AsmTest, DisassemblyRejectsWhatTheLoaderRejects) {
    std::string text, error;
    EXPECT_FALSE(DisassembleScript({}, text, error));
    EXPECT_FALSE(DisassembleScript(std::vector<uint8_t>(40, 0), text, error));
    std::vector<uint8_t> b = Assemble("function Main\n return\n");
    b.pop_back();
    EXPECT_FALSE(DisassembleScript(b, text, error));
    EXPECT_EQ(error, "not a valid script");
}

}  // namespace
