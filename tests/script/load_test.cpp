// Loading .cob files: what is resolved, what is rejected, and damaged files.
#include "tests/script/script_support.h"

namespace {

using scripttest::Assemble;
using scripttest::FromBytes;
using scripttest::RecordingHost;
using scripttest::ScriptPtr;

const char kSample[] = R"(
piece base turret barrel
external "far away"
static heading pitch
function Create
    push 1
    pop_static heading
    show turret
    start Loop 0
    return
function Loop
top:
    push 0
    push 900
    spin barrel z
    push 3000
    push 500
    move turret y
    wait_move turret y
    push 100
    sleep
    push 1
    push 2
    call_external "far away" 2
    push 0
    push 5
    random
    jump_if_zero top
    push 3000
    push 0
    turn base x
    wait_turn base x
    jump top
function Aim
    push_local 0
    push_local 1
    add
    return
)";

class LoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        bytes = Assemble(kSample);
        ASSERT_GT(bytes.size(), 44u);
    }
    static int32_t Get(const std::vector<uint8_t>& b, size_t at) {
        return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
    }
    static void Put(std::vector<uint8_t>& b, size_t at, int32_t v) {
        for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    }
    bool Accepts(const std::vector<uint8_t>& b) { return ScriptPtr(FromBytes(b)) != nullptr; }
    std::vector<uint8_t> bytes;
};

// Loads the file, starts every function and runs some passes.
void Exercise(ScriptFile* f, testsupport::Rng& rng) {
    RecordingHost host;
    AttachScript(&host, f);
    for (int32_t i = 0; i < f->functionCount; i++)
        StartFunctionWithArgs(&host, f->functionNames[i], nullptr, static_cast<int>(rng.below(2)),
                              static_cast<int32_t>(rng.below(6)), 1, 2, 3, 4);
    for (int pass = 0; pass < 6; pass++) RunScript(&host, static_cast<int32_t>(rng.below(40)));
}

TEST_F(LoadTest, ResolvesTheTables) {
    testsupport::TempDir dir;
    dir.write("scripts/armtest.cob", bytes);
    ScriptPtr f(LoadScript((dir.str() + "/scripts/armtest.cob").c_str()));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->length, static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(f->functionCount, 3);
    EXPECT_EQ(f->pieceCount, 3);
    EXPECT_EQ(f->staticCount, 2);
    EXPECT_EQ(f->externalCount, 1);
    EXPECT_STREQ(f->functionNames[1], "Loop");
    EXPECT_STREQ(f->pieceNames[2], "barrel");
    EXPECT_STREQ(f->externals[0].name, "far away");
    EXPECT_EQ(f->functionStarts[0], 0);
    EXPECT_EQ(f->functionStarts[1], 10);
    EXPECT_EQ(f->code[0], 0x10021001);
    EXPECT_EQ(f->code[1], 1);
    EXPECT_EQ(LoadScript((dir.str() + "/scripts/none.cob").c_str()), nullptr);
    dir.write("empty.cob", std::string());
    EXPECT_EQ(LoadScript((dir.str() + "/empty.cob").c_str()), nullptr);
    EXPECT_EQ(LoadScript(nullptr), nullptr);
}

TEST_F(LoadTest, RejectsCountsAndOffsetsOutsideTheFile) {
    const int32_t size = static_cast<int32_t>(bytes.size());
    struct Patch {
        size_t at;
        int32_t value;
    };
    const Patch bad[] = {
        {4, -1}, {4, 0x40000000}, {4, size / 4},  // function count
        {8, -1}, {8, size},                        // piece count
        {16, -1}, {16, SCRIPT_MAX_STATICS + 1},    // static count
        {20, -1}, {20, size / 8},                  // external count
        {24, -1}, {24, size - 4}, {24, INT32_MAX}, // function start table
        {28, -4}, {28, size - 8},                  // function name table
        {32, size}, {32, INT32_MIN},               // piece name table
        {36, -1}, {36, size + 1},                  // code
        {40, size - 4}, {40, -8},                  // external table
    };
    for (const Patch& p : bad) {
        std::vector<uint8_t> b = bytes;
        Put(b, p.at, p.value);
        EXPECT_FALSE(Accepts(b)) << "word at " << p.at << " = " << p.value;
    }
    std::vector<uint8_t> b = bytes;
    Put(b, 16, SCRIPT_MAX_STATICS);
    EXPECT_TRUE(Accepts(b));
    // Empty tables are never read: their offsets don't matter.
    ScriptPtr f(FromBytes(Assemble("function Main\n return\n")));
    ASSERT_NE(f, nullptr);
    b = Assemble("function Main\n return\n");
    Put(b, 32, -12345);
    Put(b, 40, INT32_MAX);
    EXPECT_TRUE(Accepts(b));
    EXPECT_FALSE(Accepts(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 43)));
}

TEST_F(LoadTest, RejectsBadFunctionStartsAndNames) {
    const int32_t startTable = Get(bytes, 24);
    const int32_t nameTable = Get(bytes, 28);
    const int32_t pieceTable = Get(bytes, 32);
    const int32_t externalTable = Get(bytes, 40);
    const int32_t codeWords = (static_cast<int32_t>(bytes.size()) - Get(bytes, 36)) / 4;
    for (int32_t start : {-1, codeWords + 1, INT32_MAX}) {
        std::vector<uint8_t> b = bytes;
        Put(b, startTable + 4, start);
        EXPECT_FALSE(Accepts(b)) << start;
    }
    std::vector<uint8_t> b = bytes;
    Put(b, startTable + 8, codeWords);  // an empty function at the very end
    EXPECT_TRUE(Accepts(b));
    for (int32_t table : {nameTable, pieceTable + 8, externalTable + 4}) {
        for (int32_t offset : {-1, static_cast<int32_t>(bytes.size()), INT32_MAX}) {
            b = bytes;
            Put(b, table, offset);
            EXPECT_FALSE(Accepts(b)) << table << " " << offset;
        }
    }
    // A name running to the end of the file without its NUL.
    b = bytes;
    b.back() = 'x';
    EXPECT_FALSE(Accepts(b));
}

TEST_F(LoadTest, EveryTruncationIsRejected) {
    // The file ends with a name, so every shorter prefix loses a NUL or more.
    for (size_t n = 0; n < bytes.size(); n++) {
        std::vector<uint8_t> b(bytes.begin(), bytes.begin() + n);
        EXPECT_FALSE(Accepts(b)) << n;
    }
    EXPECT_TRUE(Accepts(bytes));
}

TEST_F(LoadTest, DamagedFilesNeverEscapeTheirTables) {
    testsupport::Rng rng(4);
    int accepted = 0;
    for (int round = 0; round < 3000; round++) {
        std::vector<uint8_t> b = bytes;
        int flips = 1 + static_cast<int>(rng.below(4));
        for (int k = 0; k < flips; k++) {
            size_t at = rng.below(static_cast<uint32_t>(b.size()));
            b[at] = rng.below(3) == 0 ? static_cast<uint8_t>(rng.next()) : static_cast<uint8_t>(b[at] ^ (1u << rng.below(8)));
        }
        if (rng.below(8) == 0) b.resize(rng.below(static_cast<uint32_t>(b.size())));
        ScriptPtr f(FromBytes(b));
        if (!f) continue;
        accepted++;
        Exercise(f.get(), rng);
    }
    EXPECT_GT(accepted, 1000);  // most flips land in the code, which is run
}

TEST_F(LoadTest, RandomCodeRunsSafely) {
    // Mostly real opcodes with random operands: deeper than random bytes.
    testsupport::Rng rng(9);
    std::vector<int32_t> opcodes;
    for (const ScriptOpInfo& op : ScriptOps()) opcodes.push_back(op.opcode);
    for (int round = 0; round < 400; round++) {
        std::string src = "piece a b\nstatics 3\nexternal e\n";
        for (int fn = 0; fn < 3; fn++) {
            src += "function F" + std::to_string(fn) + "\n";
            for (int i = 0; i < 30; i++) {
                int32_t word = rng.below(10) == 0 ? static_cast<int32_t>(rng.next())
                                                  : opcodes[rng.below(static_cast<uint32_t>(opcodes.size()))];
                src += " word " + std::to_string(word);
                int operands = static_cast<int>(rng.below(3));
                for (int k = 0; k < operands; k++)
                    src += " " + std::to_string(rng.below(5) == 0 ? static_cast<int32_t>(rng.next())
                                                                  : static_cast<int32_t>(rng.below(100)) - 3);
                src += "\n";
            }
        }
        ScriptPtr f(FromBytes(Assemble(src)));
        ASSERT_NE(f, nullptr);
        Exercise(f.get(), rng);
    }
}

TEST_F(LoadTest, AttachSizesClearsAndReleasesTheTables) {
    const uint32_t base = GRIB_GetEnvironment()->allocatedBytes;
    {
        ScriptPtr f(FromBytes(bytes));
        ASSERT_NE(f, nullptr);
        auto host = std::make_unique<RecordingHost>();
        EXPECT_EQ(host->tickRate, 30);
        EXPECT_EQ(host->script, nullptr);
        EXPECT_EQ(host->activeThreads, 0);
        AttachScript(host.get(), f.get());
        ASSERT_NE(host->statics, nullptr);
        ASSERT_NE(host->pieceStates, nullptr);
        EXPECT_STREQ(GRIB_BlockTag(host->statics), "Static Varibles");
        EXPECT_STREQ(GRIB_BlockTag(host->pieceStates), "Object States");
        EXPECT_EQ(GRIB_BlockSize(host->statics), 2 * 4u);
        EXPECT_EQ(GRIB_BlockSize(host->pieceStates), 3 * 76u);
        ASSERT_EQ(StartFunction(host.get(), "Create", nullptr, 1), 1);
        EXPECT_EQ(host->statics[0], 1);
        EXPECT_EQ(host->activeThreads, 1);  // Loop is waiting for its move
        RunScript(host.get(), 5);
        // Re-attaching starts from zero again.
        AttachScript(host.get(), f.get());
        EXPECT_EQ(host->statics[0], 0);
        for (int p = 0; p < 3; p++) EXPECT_EQ(host->pieceStates[p].moveSpeed[1], 0);
        // Scripts without statics, externals or pieces attach normally.
        ScriptPtr bare(FromBytes(Assemble("function Main\n return\n")));
        AttachScript(host.get(), bare.get());
        EXPECT_EQ(host->script, bare.get());
        EXPECT_EQ(StartFunction(host.get(), "Main", nullptr, 1), 1);
        host.reset();
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base);
}

}  // namespace
