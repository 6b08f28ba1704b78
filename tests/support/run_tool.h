// Runs one of the switch's programs as a person would from a shell: with arguments, an
// input, and an environment changed by the test, bounded in time.
//
//   ToolRun r = runTool("switchctl", {"sessions", "list"}, "", {{"KARN_RUN_LOCATION", ""}});
//   EXPECT_EQ(r.status, 0) << r.err;
#pragma once
#include <string>
#include <utility>
#include <vector>

struct ToolRun {
    int status = -1;  // exit status, or -1 when it did not exit normally in time
    std::string out, err;
};

// `program` is a file name in the build's bin directory or an absolute path. Each
// environment change sets a variable, or unsets it when the value is empty. The
// program is killed after `timeoutMs`.
ToolRun runTool(const std::string &program, const std::vector<std::string> &args,
                const std::string &input = "",
                const std::vector<std::pair<std::string, std::string>> &env = {},
                int timeoutMs = 20000);
