// grib script asm / disasm / trace.
#include "tests/script/script_support.h"

namespace {

using testsupport::RunGrib;
using testsupport::TempDir;

class ScriptTool : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    // Assembles source with the tool into dir/name.cob; returns the path.
    std::string Build(const std::string& source, const std::string& name = "s") {
        std::string in = dir.write(name + ".asm", source).string();
        std::string out = dir.str() + "/" + name + ".cob";
        auto r = RunGrib({"script", "asm", in, "-o", out});
        EXPECT_EQ(r.status, 0) << r.err;
        return out;
    }
    static std::string Threads(const std::string& first) {
        std::string s = "threads " + first;
        for (int i = 1; i < 8; i++) s += " 0x00000000";
        return s + "\n";
    }
    TempDir dir;
};

TEST_F(ScriptTool, Help) {
    auto r = RunGrib({"script", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("grib script trace FILE.cob"), std::string::npos);
    EXPECT_EQ(RunGrib({"script"}).status, 2);
    EXPECT_EQ(RunGrib({"script", "bogus"}).status, 2);
}

TEST_F(ScriptTool, WorkedTurnExample) {
    std::string cob = Build("piece base hull turret\nfunction Main\n"
                            " word 0x10021001 16384 0x10021001 8192 0x10002000 2 1 0x10011000 2 1 0x10065000\n");
    auto r = RunGrib({"script", "trace", cob, "start:Main", "run:1*17"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expect = "start Main 1\n";
    for (int i = 1; i <= 16; i++)
        expect += "run 1\nset-angle 2 1 " + std::to_string(i < 16 ? 546 * i : 8192) + "\n" + Threads("0x02100000");
    // The resume comes in the pass after the target; the empty stack returns 0.
    expect += "run 1\nresult Main 0\n" + Threads("0x00000000");
    EXPECT_EQ(r.out, expect);
}

TEST_F(ScriptTool, TraceLinesForEveryHostCall) {
    std::string cob = Build(R"(
piece a b
function Main
    show 1
    hide 0
    cache_on 1
    cache_off 0
    shade_on 0
    shade_off 1
    push 1
    push 2
    host_a 3
    host_b 4
    push 5
    host_c 6
    push 7
    host_d 8
    push 9
    push 10
    set_value
    push 11
    get_value
    push 300
    push -20
    move b z
    push 60000
    push 65535
    turn a x
    push 3
    return
function Aim
    push_local 0
    push_local 1
    sub
    return
)");
    auto r = RunGrib({"script", "trace", cob, "startnow:Main", "start:Aim:10,3", "start:Nope", "start:Aim:", "run:2",
                      "startnow:Nope:1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "visible 1 1\nvisible 0 0\ncache 1 1\ncache 0 0\nshade 0 1\nshade 1 0\n"
              "host-a 3 1 2\nhost-b 4\nhost-c 6 5\nhost-d 8 7\nset-value 9 10\nget-value 11\n"
              "result Main 3\nstart Main 1\n"
              "start Aim 1\nstart Nope 0\nstart Aim 1\n"
              "run 2\nresult Aim 7\nresult Aim 0\nset-angle 0 0 65535\nset-pos 1 2 -20\n" +
                  Threads("0x00000000") + "result Nope 0\nstart Nope 0\n")
        << r.out;
}

TEST_F(ScriptTool, TickRateAndSeed) {
    std::string cob = Build("piece p\nfunction Main\n push 300\n push 1000\n move p y\n"
                            " push 0\n push 1000000\n random\n return\n");
    auto r = RunGrib({"script", "trace", cob, "--tick-rate", "10", "--seed", "1", "startnow:Main", "run:1*2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "result Main 16807\nstart Main 1\nrun 1\nset-pos 0 1 30\n" + Threads("0x00000000") +
                         "run 1\nset-pos 0 1 60\n" + Threads("0x00000000"));
    auto again = RunGrib({"script", "trace", cob, "--seed", "99", "startnow:Main"});
    auto other = RunGrib({"script", "trace", cob, "--seed", "99", "startnow:Main"});
    EXPECT_EQ(again.out, other.out);
    EXPECT_EQ(again.out.find("result Main 16807"), std::string::npos);
}

TEST_F(ScriptTool, AsmDisasmRoundTrip) {
    std::string source = "piece base \"gun 2\"\nstatic x\nfunction Create\n push 1\n pop_static x\nloop:\n"
                         " push 0\n push 100\n spin \"gun 2\" y\n push 500\n sleep\n jump loop\n";
    std::string cob = Build(source);
    auto d = RunGrib({"script", "disasm", cob});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_NE(d.out.find("spin \"gun 2\" y"), std::string::npos) << d.out;
    std::string again = Build(d.out, "again");
    EXPECT_EQ(testsupport::ReadBytes(cob), testsupport::ReadBytes(again));
}

TEST_F(ScriptTool, Failures) {
    std::string bad = dir.write("bad.asm", "function A\n push 1\n bogus 3\n").string();
    auto r = RunGrib({"script", "asm", bad, "-o", dir.str() + "/bad.cob"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grib: " + bad + ": line 3: unknown instruction 'bogus'\n");
    EXPECT_EQ(RunGrib({"script", "asm", bad}).status, 2);
    EXPECT_EQ(RunGrib({"script", "disasm", dir.str() + "/missing.cob"}).status, 1);
    EXPECT_EQ(RunGrib({"script", "trace", dir.str() + "/missing.cob"}).status, 1);
    std::string junk = dir.write("junk.cob", std::string(60, '\x7f')).string();
    r = RunGrib({"script", "disasm", junk});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grib: " + junk + ": not a valid script\n");
    EXPECT_EQ(RunGrib({"script", "trace", junk, "run:1"}).status, 2);
    std::string ok = Build("function A\n return\n");
    for (const char* step : {"run:x", "walk:1", "start:", "start:A:1,2,3,4,5", "run:1*-2", "start:A:z"})
        EXPECT_EQ(RunGrib({"script", "trace", ok, step}).status, 2) << step;
    EXPECT_EQ(RunGrib({"script", "trace", ok, "--tick-rate", "0"}).status, 2);
    EXPECT_EQ(RunGrib({"script", "trace", ok, "--seed"}).status, 2);
}

}  // namespace
