#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/scratch.h"

ToolRun runTool(const std::string &program, const std::vector<std::string> &args,
                const std::string &input,
                const std::vector<std::pair<std::string, std::string>> &env, int timeoutMs) {
    ToolRun r;
    // The input and the outputs are files: nothing to pump while the program runs.
    ScratchDir files("tool");
    writeFile(files / "in", input);
    std::string path = program.find('/') == 0 ? program : std::string(WSVD_BIN_DIR) + "/" + program;
    pid_t pid = fork();
    if (pid == 0) {
        for (auto &[name, value] : env) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<std::string> argv{path};
        argv.insert(argv.end(), args.begin(), args.end());
        execProgram(open((files / "in").c_str(), O_RDONLY),
                    open((files / "out").c_str(), O_WRONLY | O_CREAT, 0600),
                    open((files / "err").c_str(), O_WRONLY | O_CREAT, 0600), argv);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << program << " did not end in time";
            return r;
        }
        usleep(10000);
    }
    r.out = readFile(files / "out");
    r.err = readFile(files / "err");
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    return r;
}

void execProgram(int in, int out, int err, std::vector<std::string> args) {
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    signal(SIGPIPE, SIG_DFL);
    // A test that ran a dispatcher has SIGINT/SIGTERM blocked; the program needs them.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    dprintf(2, "cannot run %s: %s\n", argv[0], strerror(errno));
    _exit(127);
}
