// grib tdf get: the command's output and exit statuses.
#include <gtest/gtest.h>

#include "tests/support/support.h"

namespace {

struct Call {
    std::vector<std::string> args;  // after "grib tdf get", run in the folder holding gamedata/unit.fbi
    int status;
    std::string out;
};

const std::string kLong(300, 'v');
const Call kCalls[] = {
    {{"gamedata/unit.fbi", "name", "--section", "unitinfo"}, 0, "Big Tank\n"},
    {{"gamedata\\unit.fbi", "buildtime", "--section", "UNITINFO", "--int"}, 0, "1200\n"},
    {{"gamedata/unit.fbi", "maxvelocity", "--float", "--section", "UNITINFO"}, 0, "1.25\n"},
    {{"gamedata/unit.fbi", "precise", "--section", "UNITINFO", "--float"}, 0, "0.10000000000000001\n"},
    {{"gamedata/unit.fbi", "name", "--section", "UNITINFO", "--float"}, 0, "0\n"},
    {{"gamedata/unit.fbi", "default", "--section", "UNITINFO", "--section", "WEAPON1", "--section", "DAMAGE", "--int"},
     0, "50\n"},
    {{"gamedata/unit.fbi", "name", "--section", "UNITINFO", "--size", "3"}, 0, "Big\n"},
    {{"gamedata/unit.fbi", "name", "--section", "UNITINFO", "--size", "0"}, 0, "\n"},
    {{"gamedata/unit.fbi", "name", "--section", "UNITINFO", "--size", "2000000000"}, 0, "Big Tank\n"},
    {{"gamedata/unit.fbi", "long", "--section", "UNITINFO"}, 0, kLong.substr(0, 255) + "\n"},  // 255 by default
    {{"gamedata/unit.fbi", "name", "--section", "NOSUCH"}, 1, ""},
    {{"gamedata/unit.fbi", "name"}, 1, ""},
    {{"missing.tdf", "k", "--section", "A"}, 1, ""},
    {{"empty.tdf", "k", "--section", "A"}, 2, ""},
    {{"gamedata/unit.fbi"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "extra"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--section"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--size"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--size", "-1"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--size", "3x"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--int", "--float"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--int", "--size", "4"}, 2, ""},
    {{"gamedata/unit.fbi", "k", "--bogus"}, 2, ""},
};

TEST(TdfCli, OutputAndExitStatus) {
    testsupport::TempDir dir;
    dir.write("gamedata/unit.fbi", "[UNITINFO]\n{\n  Name = Big Tank ;\n  MaxVelocity = 1.25 ;\n  BuildTime=1200x;\n"
                                   "  Precise=0.1; Long=" + kLong + ";\n"
                                   "  [WEAPON1] { reload = 2; [DAMAGE] { default = 50; } }\n}\n");
    dir.write("empty.tdf", "");
    for (const Call& c : kCalls) {
        std::vector<std::string> args = {"tdf", "get"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = testsupport::RunGrib(args, dir.str());
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
        if (c.status) {
            EXPECT_EQ(r.err.rfind("grib: ", 0), 0u) << r.err;
        }
    }
    for (std::vector<std::string> args : {std::vector<std::string>{"tdf"}, {"tdf", "put", "f", "k"}})
        EXPECT_EQ(testsupport::RunGrib(args).status, 2);
    for (std::vector<std::string> args : {std::vector<std::string>{"tdf", "--help"}, {"tdf", "get", "--help"}}) {
        auto r = testsupport::RunGrib(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("grib tdf get FILE KEY"), std::string::npos);
    }
}

}  // namespace
