// grib tdf get: the command's output and exit statuses.
#include <gtest/gtest.h>

#include "tests/support/support.h"

namespace {

using testsupport::RunGrib;

class TdfCli : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir.write("gamedata/unit.fbi",
                         "[UNITINFO]\n{\n  Name = Big Tank ;\n  MaxVelocity = 1.25 ;\n  BuildTime=1200x;\n"
                         "  [WEAPON1] { reload = 2; [DAMAGE] { default = 50; } }\n}\n")
                   .string();
    }
    testsupport::ToolResult Get(std::vector<std::string> args) {
        args.insert(args.begin(), {"tdf", "get"});
        return RunGrib(args);
    }

    testsupport::TempDir dir;
    std::string file;
};

TEST_F(TdfCli, PrintsStringIntAndFloatValues) {
    auto r = Get({file, "name", "--section", "unitinfo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Big Tank\n");
    r = Get({file, "buildtime", "--section", "UNITINFO", "--int"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1200\n");
    r = Get({file, "maxvelocity", "--float", "--section", "UNITINFO"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.25\n");
    r = Get({file, "name", "--section", "UNITINFO", "--float"});
    EXPECT_EQ(r.out, "0\n");
}

TEST_F(TdfCli, FloatPrintsSeventeenDigits) {
    dir.write("f.tdf", "[A]{v=0.1;}");
    auto r = Get({(dir.path() / "f.tdf").string(), "v", "--section", "A", "--float"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0.10000000000000001\n");
}

TEST_F(TdfCli, SectionsNestInTheOrderGiven) {
    auto r = Get({file, "default", "--section", "UNITINFO", "--section", "WEAPON1", "--section", "DAMAGE", "--int"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "50\n");
    r = Get({file, "default", "--section", "UNITINFO", "--section", "DAMAGE"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(TdfCli, SizeCutsTheValue) {
    auto r = Get({file, "name", "--section", "UNITINFO", "--size", "3"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Big\n");
    r = Get({file, "name", "--section", "UNITINFO", "--size", "0"});
    EXPECT_EQ(r.out, "\n");
    r = Get({file, "name", "--section", "UNITINFO", "--size", "2000000000"});
    EXPECT_EQ(r.out, "Big Tank\n");
    std::string longValue(300, 'v');
    dir.write("long.tdf", "[A]{v=" + longValue + ";}");
    r = Get({(dir.path() / "long.tdf").string(), "v", "--section", "A"});
    EXPECT_EQ(r.out, longValue.substr(0, 255) + "\n") << "default size 255";
}

TEST_F(TdfCli, MissingSectionOrKeyExitsOneWithNothingOnStdout) {
    for (std::vector<std::string> args : {std::vector<std::string>{file, "name", "--section", "NOSUCH"},
                                          {file, "nosuch", "--section", "UNITINFO"},
                                          {file, "nosuch", "--section", "UNITINFO", "--int"},
                                          {file, "reload", "--section", "UNITINFO"},
                                          {file, "name"}}) {
        auto r = Get(args);
        EXPECT_EQ(r.status, 1) << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("grib: ", 0), 0u) << r.err;
    }
}

TEST_F(TdfCli, MissingAndEmptyFiles) {
    auto r = Get({(dir.path() / "missing.tdf").string(), "k", "--section", "A"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    dir.write("empty.tdf", std::string());
    r = Get({(dir.path() / "empty.tdf").string(), "k", "--section", "A"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
}

TEST_F(TdfCli, RelativePathsWithEitherSeparator) {
    for (const char* path : {"gamedata/unit.fbi", "gamedata\\unit.fbi"}) {
        auto r = RunGrib({"tdf", "get", path, "reload", "--section", "unitinfo", "--section", "weapon1"}, dir.str());
        EXPECT_EQ(r.status, 0) << path << ": " << r.err;
        EXPECT_EQ(r.out, "2\n");
    }
}

TEST_F(TdfCli, UsageErrorsExitTwo) {
    for (std::vector<std::string> args : {std::vector<std::string>{"tdf"},
                                          {"tdf", "put", file, "k"},
                                          {"tdf", "get", file},
                                          {"tdf", "get", file, "k", "extra"},
                                          {"tdf", "get", file, "k", "--section"},
                                          {"tdf", "get", file, "k", "--size"},
                                          {"tdf", "get", file, "k", "--size", "-1"},
                                          {"tdf", "get", file, "k", "--size", "3x"},
                                          {"tdf", "get", file, "k", "--int", "--float"},
                                          {"tdf", "get", file, "k", "--int", "--size", "4"},
                                          {"tdf", "get", file, "k", "--bogus"}}) {
        auto r = RunGrib(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
}

TEST_F(TdfCli, HelpExitsZero) {
    for (std::vector<std::string> args : {std::vector<std::string>{"tdf", "--help"}, {"tdf", "get", "--help"}}) {
        auto r = RunGrib(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("grib tdf get FILE KEY"), std::string::npos);
    }
}

}  // namespace
