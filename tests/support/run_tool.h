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

// In a child just forked: standard input from `in`, output and error to `out` and `err`,
// no signal blocked or ignored, then `args` (args[0] a path) in place of the child; says
// why on `err` and exits 127 when it cannot run.
[[noreturn]] void execProgram(int in, int out, int err, std::vector<std::string> args);
