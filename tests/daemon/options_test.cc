// Command-line handling of the daemon binary: these paths end the process before any
// platform service is touched, so the binary runs on its own.
#include <gtest/gtest.h>

#include "tests/support/run_tool.h"

namespace {

// The options it knows are taken without a word (-h ends it at once); one it does not
// know ends it with status 255 and says which (an option missing its argument goes the
// same way).
TEST(WsvdOptions, ExitStatusAndMessage) {
    ToolRun known = runTool("wsvd", {"-d", "-t", "3", "-x", "y", "-h"});
    EXPECT_EQ(known.status, 0);
    EXPECT_EQ(known.out + known.err, "");
    ToolRun unknown = runTool("wsvd", {"-d", "-z"});
    EXPECT_EQ(unknown.status, 255);
    EXPECT_EQ(unknown.out + unknown.err, "Unknown option: -z\n");
}

}  // namespace
