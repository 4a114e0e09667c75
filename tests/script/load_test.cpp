// Loading .cob files: what is resolved, what is rejected, and what attaching
// allocates. Damaged and random files are the fuzz replay's (tests/fuzz).
#include "tests/script/script_support.h"

namespace {

using scripttest::Assemble;
using scripttest::FromBytes;
using scripttest::RecordingHost;
using scripttest::ScriptPtr;
using V4 = std::vector<int32_t>;

const char kSample[] =
    "piece base turret barrel\nexternal \"far away\"\nstatic heading pitch\n"
    "function Create\n push 1\n pop_static heading\n show turret\n start Loop 0\n return\n"
    "function Loop\n push 3000\n push 500\n move turret y\n wait_move turret y\n return\n"
    "function Aim\n push_local 0\n return\n";

class LoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        bytes = Assemble(kSample);
    }
    int32_t Get(size_t at) const {
        return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                    static_cast<uint32_t>(bytes[at + 3]) << 24);
    }
    static bool AcceptsWith(std::vector<uint8_t> b, size_t at, int32_t v) {
        for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
        return ScriptPtr(FromBytes(b)) != nullptr;
    }
    std::vector<uint8_t> bytes;
};

TEST_F(LoadTest, ResolvesTheTables) {
    testsupport::TempDir dir;
    dir.write("scripts/armtest.cob", bytes);
    ScriptPtr f(LoadScript((dir.str() + "/scripts/armtest.cob").c_str()));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ((V4{f->length, f->functionCount, f->pieceCount, f->staticCount, f->externalCount}),
              (V4{static_cast<int32_t>(bytes.size()), 3, 3, 2, 1}));
    EXPECT_EQ(std::string(f->functionNames[1]) + "|" + f->pieceNames[2] + "|" + f->externals[0].name,
              "Loop|barrel|far away");
    EXPECT_EQ((V4{f->functionStarts[0], f->functionStarts[1], f->code[0], f->code[1]}), (V4{0, 10, 0x10021001, 1}));
    dir.write("empty.cob", std::string());
    for (std::string name : {"scripts/none.cob", "empty.cob"})
        EXPECT_EQ(LoadScript((dir.str() + "/" + name).c_str()), nullptr) << name;
    EXPECT_EQ(LoadScript(nullptr), nullptr);
}

TEST_F(LoadTest, RejectsCountsOffsetsStartsAndNamesOutsideTheFile) {
    const int32_t size = static_cast<int32_t>(bytes.size()), words = (size - Get(36)) / 4;
    const size_t starts = size_t(Get(24)), names = size_t(Get(28)), pieces = size_t(Get(32));
    const size_t externals = size_t(Get(40));
    const struct {
        size_t at;
        int32_t value;
        bool accepted;
    } cases[] = {
        {4, -1, false}, {4, 0x40000000, false}, {4, size / 4, false}, {8, -1, false}, {8, size, false},  // counts
        {16, -1, false}, {16, SCRIPT_MAX_STATICS + 1, false}, {16, SCRIPT_MAX_STATICS, true},
        {20, -1, false}, {20, size / 8, false},
        {24, -1, false}, {24, size - 4, false}, {24, INT32_MAX, false},   // the tables' offsets
        {28, -4, false}, {28, size - 8, false}, {32, size, false}, {32, INT32_MIN, false},
        {36, -1, false}, {36, size + 1, false}, {40, size - 4, false}, {40, -8, false},
        {starts + 4, -1, false}, {starts + 4, words + 1, false}, {starts + 4, INT32_MAX, false},
        {starts + 8, words, true},  // an empty function at the very end
        {names, -1, false}, {pieces + 8, size, false}, {externals + 4, INT32_MAX, false},
    };
    for (const auto& c : cases) EXPECT_EQ(AcceptsWith(bytes, c.at, c.value), c.accepted) << c.at << " = " << c.value;
    // Empty tables are never read: their offsets don't matter.
    std::vector<uint8_t> bare = Assemble("function Main\n return\n");
    EXPECT_TRUE(AcceptsWith(bare, 32, -12345) && AcceptsWith(bare, 40, INT32_MAX));
    // The file ends with a name, so every shorter prefix loses a NUL or more.
    for (size_t n = 0; n < bytes.size(); n++)
        EXPECT_EQ(ScriptPtr(FromBytes({bytes.begin(), bytes.begin() + long(n)})), nullptr) << n;
    bytes.back() = 'x';
    EXPECT_EQ(ScriptPtr(FromBytes(bytes)), nullptr);
}

TEST_F(LoadTest, AttachClearsAndReleasesTheTables) {
    const uint32_t base = GRIB_GetEnvironment()->allocatedBytes;
    {
        ScriptPtr f(FromBytes(bytes));
        auto host = std::make_unique<RecordingHost>();
        AttachScript(host.get(), f.get());
        ASSERT_EQ(StartFunction(host.get(), "Create", nullptr, 1), 1);
        EXPECT_EQ((V4{host->statics[0], host->activeThreads}), (V4{1, 1}));  // Loop waits for its move
        AttachScript(host.get(), f.get());  // starts from zero again
        EXPECT_EQ(host->statics[0] + host->pieceStates[1].moveSpeed[1], 0);
        ScriptPtr bare(FromBytes(Assemble("function Main\n return\n")));  // no statics, externals or pieces
        AttachScript(host.get(), bare.get());
        EXPECT_EQ(StartFunction(host.get(), "Main", nullptr, 1), 1);
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base);
}

}  // namespace
