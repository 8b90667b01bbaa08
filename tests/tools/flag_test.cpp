// The notification command prints its title and information.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

std::string flag() { return testsupport::built_program("tools/flag"); }

TEST(Flag, PrintsTitleThenInformation) {
    ASSERT_TRUE(std::filesystem::exists(flag()));
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {{"-title", "BSDL File", "-info", "BSDL file was written into ./chip.bsd."}, 0,
         "BSDL File\nBSDL file was written into ./chip.bsd.\n"},
        {{"-info", "text; $(not run) `either`", "-title", "T"}, 0, "T\ntext; $(not run) `either`\n"},
        {{"-info", "only"}, 0, "only\n"},
        {{}, 0, ""},
        {{"-title"}, 2, ""},
        {{"-window"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{flag()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const testsupport::RunResult r = testsupport::run(argv);
        EXPECT_EQ(r.status, c.status) << argv.size();
        EXPECT_EQ(r.out, c.out);
        if (c.status != 0) {
            EXPECT_NE(r.err.find("usage: flag"), std::string::npos);
        }
    }
}

}  // namespace
