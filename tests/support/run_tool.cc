#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// Reads what is there on each pipe; false once both are closed.
bool drain(int fds[2], std::string *texts[2], int waitMs) {
    pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
    if (poll(p, 2, waitMs) <= 0) return fds[0] >= 0 || fds[1] >= 0;
    for (int i = 0; i < 2; i++) {
        if (!p[i].revents) continue;
        char buf[4096];
        ssize_t n = read(fds[i], buf, sizeof buf);
        if (n > 0) {
            texts[i]->append(buf, size_t(n));
        } else {
            close(fds[i]);
            fds[i] = -1;
        }
    }
    return fds[0] >= 0 || fds[1] >= 0;
}

}  // namespace

ToolRun runTool(const std::string &program, const std::vector<std::string> &args,
                const std::string &input,
                const std::vector<std::pair<std::string, std::string>> &env, int timeoutMs) {
    ToolRun r;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return r;
    }
    std::string path = program.find('/') == 0 ? program : std::string(WSVD_BIN_DIR) + "/" + program;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
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
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // Small inputs only: they fit the pipe, so writing cannot block.
    if (write(in[1], input.data(), input.size()) != ssize_t(input.size())) ADD_FAILURE() << "input";
    close(in[1]);
    int fds[2] = {out[0], err[0]};
    std::string *texts[2] = {&r.out, &r.err};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (drain(fds, texts, 50) && std::chrono::steady_clock::now() < deadline) {
    }
    for (int fd : fds)
        if (fd >= 0) close(fd);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << program << " did not end in time";
            return r;
        }
        poll(nullptr, 0, 10);
    }
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    return r;
}
