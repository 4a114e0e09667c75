// The assembler's encoding, its errors, and the disassembler round trip.
#include "tests/script/script_support.h"

namespace {

using scripttest::Assemble;
using scripttest::FromBytes;
using scripttest::ScriptPtr;

class AsmTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    // asm -> disasm -> asm gives the same bytes; returns the text.
    static std::string RoundTrip(const std::string& src) {
        std::vector<uint8_t> first = Assemble(src), second;
        std::string text, error;
        EXPECT_TRUE(DisassembleScript(first, text, error)) << error;
        EXPECT_TRUE(AssembleScript(text, second, error)) << error << "\n" << text;
        EXPECT_EQ(first, second) << src << "\n----\n" << text;
        return text;
    }
};

TEST_F(AsmTest, NamesConstantsLocalsAndLabels) {
    ScriptPtr f(FromBytes(Assemble(
        "version 7\nconst SPEED 0x7FFFFFFF\nconst BACK -2\npiece \"left wheel\" gun   ; two pieces\nstatic a b\n"
        "statics 5\nexternal helper\nfunction Main\n local speed target\n jump later  ; forward reference\n"
        "back:\n push SPEED\n push_local target\n pop_static b\n turn \"left wheel\" Z\n start Other BACK\n"
        " call_external helper 0\n PUSH 0xFFFFFFFF\nlater: jump back\nfunction Other\n move gun 0\n call Main 1\n")));
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->pieceNames[0], "left wheel");
    using V = std::vector<int32_t>;
    EXPECT_EQ((V{f->version, f->staticCount, f->functionStarts[1]}), (V{7, 5, 21}));
    const std::vector<int32_t> expect = {0x10064000, 19, 0x10021001, 0x7FFFFFFF, 0x10021002, 1, 0x10023004, 1,
                                         0x10002000, 0, 2, 0x10061000, 1, -2, 0x10063000, 0, 0, 0x10021001, -1,
                                         0x10064000, 2, 0x10001000, 1, 0, 0x10062000, 0, 1};
    EXPECT_EQ(std::vector<int32_t>(f->code.begin(), f->code.begin() + expect.size()), expect);
}

TEST_F(AsmTest, ErrorsNameTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"function A\n frobnicate\n", "line 2: unknown instruction 'frobnicate'"},
        {"function A\n\n push\n", "line 3: push takes 1 operand(s)"}, {"x:\nx:\n", "line 2: label 'x' defined twice"},
        {"function A\n jump nowhere\n", "line 2: unknown label 'nowhere'"},
        {"function A\n turn 0 w\n", "line 2: unknown axis 'w'"}, {"piece \"abc\n", "line 1: unterminated string"},
        {"piece a\nfunction A\n show b\n", "line 3: unknown piece 'b'"},
        {"function A\n start B 0\n", "line 2: unknown function 'B'"},
        {"statics 70000\n", "line 1: statics takes a count (0-65536)"},
        {"function A\n push 4294967296\n", "line 2: unknown value '4294967296'"},
        {"function A\n push_local nope\n", "line 2: unknown local 'nope'"},
        {"piece \"a\\x00b\"\n", "line 1: names can't hold NUL"},
    };
    for (const auto& [source, expected] : cases) {
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_EQ(AssembleScript(source, out, error) ? "<accepted>" : error, expected) << source;
    }
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
    std::string text = RoundTrip(src);
    for (const char* line : {"turn \"odd name\" z", "show 4", "word 0x12345678", "function \"Third one\""})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;  // show 4: a duplicate name, by number
}

TEST_F(AsmTest, DisassemblyRejectsWhatTheLoaderRejects) {
    std::vector<uint8_t> cut = Assemble("function Main\n return\n");
    cut.pop_back();
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>(40, 0), cut}) {
        std::string text, error;
        EXPECT_EQ(DisassembleScript(bytes, text, error) ? "<accepted>" : error, "not a valid script");
    }
}

}  // namespace
