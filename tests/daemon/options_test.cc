// Command-line handling of the daemon binary: these paths end the process before any
// platform service is touched, so the binary runs on its own.
#include <gtest/gtest.h>

#include "tests/support/run_tool.h"

namespace {

TEST(WsvdOptions, ExitStatusAndMessage) {
    struct {
        std::vector<std::string> args;
        int status;
        const char *output;
    } cases[] = {
        {{"-d", "-t", "3", "-x", "y", "-h"}, 0, ""},
        {{"-d", "-z"}, 255, "Unknown option: -z\n"},
        {{"-t"}, 255, "Unknown option: -t\n"},  // its argument is missing
    };
    for (auto &c : cases) {
        ToolRun r = runTool("wsvd", c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out + r.err, c.output) << c.args.back();
    }
}

}  // namespace
