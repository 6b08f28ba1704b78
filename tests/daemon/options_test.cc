// Command-line handling of the daemon binary: these paths end the process before any
// platform service is touched, so the binary runs on its own.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct ProcessRun {
    int status;
    std::string output;  // standard output and error together
};

ProcessRun runWsvd(const std::string &args) {
    std::string command = std::string(WSVD_BIN_DIR) + "/wsvd " + args + " 2>&1";
    ProcessRun run{-1, ""};
    FILE *p = popen(command.c_str(), "r");
    if (!p) return run;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) run.output.append(buf, n);
    int st = pclose(p);
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return run;
}

TEST(WsvdOptions, ExitStatusAndMessage) {
    struct {
        const char *args;
        int status;
        const char *output;
    } cases[] = {
        {"-h", 0, ""},
        {"-d -t 3 -x y -h", 0, ""},
        {"-q", 255, "Unknown option: -q\n"},
        {"-d -z", 255, "Unknown option: -z\n"},
        {"-t", 255, "Unknown option: -t\n"},  // its argument is missing
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.args);
        ProcessRun r = runWsvd(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, c.output);
    }
}

}  // namespace
