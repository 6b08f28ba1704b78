#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

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
        const char *names[3] = {"in", "out", "err"};
        for (int fd = 0; fd < 3; fd++) {
            int f = open((files / names[fd]).c_str(), fd ? O_WRONLY | O_CREAT : O_RDONLY, 0600);
            dup2(f, fd);
        }
        for (auto &[name, value] : env) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        std::vector<char *> argv{path.data()};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
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
