// grib tdf get: the command's output and exit statuses.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/support.h"

namespace {

const std::string kLong(300, 'v');
const struct {
    std::string args;  // after "grib tdf", split at spaces, run in the folder holding g/u.fbi
    int status;
    std::string out;
} kCalls[] = {
    {"get g/u.fbi name --section unit", 0, "Big Tank\n"}, {"get g\\u.fbi time --section UNIT --int", 0, "1200\n"},
    {"get g/u.fbi precise --section UNIT --float", 0, "0.10000000000000001\n"},
    {"get g/u.fbi default --section UNIT --section WEAPON1 --section DAMAGE --int", 0, "50\n"},
    {"get g/u.fbi name --section UNIT --size 3", 0, "Big\n"},
    {"get g/u.fbi name --section UNIT --size 2000000000", 0, "Big Tank\n"},
    {"get g/u.fbi long --section UNIT", 0, kLong.substr(0, 255) + "\n"},  // 255 by default
    {"get g/u.fbi name --section NOSUCH", 1, ""}, {"get g/u.fbi name", 1, ""}, {"get missing.tdf k --section A", 1, ""},
    {"get empty.tdf k --section A", 2, ""}, {"get g/u.fbi", 2, ""}, {"get g/u.fbi k extra", 2, ""},
    {"get g/u.fbi k --section", 2, ""}, {"get g/u.fbi k --size -1", 2, ""}, {"get g/u.fbi k --int --float", 2, ""},
    {"get g/u.fbi k --bogus", 2, ""}, {"put g/u.fbi k", 2, ""},
};

TEST(TdfCli, OutputAndExitStatus) {
    testsupport::TempDir dir;
    dir.write("g/u.fbi", "[UNIT]\n{\n  Name = Big Tank ;\n  Time=1200x;\n  Precise=0.1; Long=" + kLong + ";\n"
                         "  [WEAPON1] { reload = 2; [DAMAGE] { default = 50; } }\n}\n");
    dir.write("empty.tdf", "");
    for (const auto& c : kCalls) {
        std::vector<std::string> args = {"tdf"};
        std::istringstream words(c.args);
        for (std::string w; words >> w;) args.push_back(w);
        auto r = testsupport::RunGrib(args, dir.str());
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.err.rfind(c.status ? "grib: " : "", 0), 0u) << r.err;
    }
    EXPECT_EQ(testsupport::RunGrib({"tdf"}).status, 2);
    for (std::vector<std::string> args : {std::vector<std::string>{"tdf", "--help"}, {"tdf", "get", "--help"}})
        EXPECT_NE(testsupport::RunGrib(args).out.find("grib tdf get FILE KEY"), std::string::npos);
}

}  // namespace
