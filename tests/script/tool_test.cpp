// grib script asm / disasm / trace.
#include "tests/script/script_support.h"

namespace {

using testsupport::RunGrib;

class ScriptTool : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    // Assembles source with the tool into dir/name.cob; returns the path.
    std::string Build(const std::string& source, const std::string& name = "s") {
        std::string out = dir.str() + "/" + name + ".cob";
        auto r = RunGrib({"script", "asm", dir.write(name + ".asm", source).string(), "-o", out});
        EXPECT_EQ(r.status, 0) << r.err;
        return out;
    }
    static std::string Threads(const std::string& first) {
        std::string s = "threads " + first;
        for (int i = 1; i < 8; i++) s += " 0x00000000";
        return s + "\n";
    }
    testsupport::TempDir dir;
};

TEST_F(ScriptTool, TraceLinesForEveryHostCallAtTheGivenRateAndSeed) {
    std::string cob = Build("piece a b\nfunction Main\n show 1\n hide 0\n cache_on 1\n cache_off 0\n shade_on 0\n"
                            " shade_off 1\n push 1\n push 2\n host_a 3\n host_b 4\n push 5\n host_c 6\n push 7\n"
                            " host_d 8\n push 9\n push 10\n set_value\n push 11\n get_value\n push 300\n push -100\n"
                            " move b z\n push 0\n push 1000000\n random\n return\n"
                            "function Aim\n push_local 0\n push_local 1\n sub\n return\n");
    auto r = RunGrib({"script", "trace", cob, "--tick-rate", "10", "--seed", "1", "startnow:Main", "start:Aim:10,3",
                      "start:Nope", "start:Aim:", "run:2", "startnow:Nope:1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "visible 1 1\nvisible 0 0\ncache 1 1\ncache 0 0\nshade 0 1\nshade 1 0\n"
              "host-a 3 1 2\nhost-b 4\nhost-c 6 5\nhost-d 8 7\nset-value 9 10\nget-value 11\n"
              "result Main 16807\nstart Main 1\nstart Aim 1\nstart Nope 0\nstart Aim 1\n"
              "run 2\nresult Aim 7\nresult Aim 0\nset-pos 1 2 -60\n" +
                  Threads("0x00000000") + "result Nope 0\nstart Nope 0\n");
    auto other = RunGrib({"script", "trace", cob, "--seed", "99", "startnow:Main"});
    EXPECT_EQ(other.out.find("result Main 16807"), std::string::npos) << other.out;
}

TEST_F(ScriptTool, AsmDisasmRoundTrip) {
    std::string cob = Build("piece base \"gun 2\"\nstatic x\nfunction Create\n push 1\n pop_static x\nloop:\n"
                            " push 0\n push 100\n spin \"gun 2\" y\n push 500\n sleep\n jump loop\n");
    auto d = RunGrib({"script", "disasm", cob});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_NE(d.out.find("spin \"gun 2\" y"), std::string::npos) << d.out;
    EXPECT_EQ(testsupport::ReadBytes(cob), testsupport::ReadBytes(Build(d.out, "again")));
}

TEST_F(ScriptTool, HelpAndFailures) {
    EXPECT_NE(RunGrib({"script", "--help"}).out.find("grib script trace FILE.cob"), std::string::npos);
    std::string bad = dir.write("bad.asm", "function A\n push 1\n bogus 3\n").string();
    auto r = RunGrib({"script", "asm", bad, "-o", dir.str() + "/bad.cob"});
    EXPECT_EQ(r.err, "grib: " + bad + ": line 3: unknown instruction 'bogus'\n");
    std::string junk = dir.write("junk.cob", std::string(60, '\x7f')).string();
    r = RunGrib({"script", "disasm", junk});
    EXPECT_EQ(r.err, "grib: " + junk + ": not a valid script\n");
    std::string ok = Build("function A\n return\n"), missing = dir.str() + "/missing.cob";
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"script"}, 2}, {{"script", "bogus"}, 2}, {{"script", "asm", bad, "-o", dir.str() + "/bad.cob"}, 2},
        {{"script", "asm", bad}, 2}, {{"script", "disasm", missing}, 1}, {{"script", "trace", missing}, 1},
        {{"script", "disasm", junk}, 2}, {{"script", "trace", junk, "run:1"}, 2},
        {{"script", "trace", ok, "run:x"}, 2}, {{"script", "trace", ok, "walk:1"}, 2},
        {{"script", "trace", ok, "start:"}, 2}, {{"script", "trace", ok, "start:A:1,2,3,4,5"}, 2},
        {{"script", "trace", ok, "run:1*-2"}, 2}, {{"script", "trace", ok, "start:A:z"}, 2},
        {{"script", "trace", ok, "--tick-rate", "0"}, 2}, {{"script", "trace", ok, "--seed"}, 2},
        {{"script", "--help"}, 0},
    };
    for (const auto& [args, status] : cases) EXPECT_EQ(RunGrib(args).status, status) << args.back();
}

}  // namespace
