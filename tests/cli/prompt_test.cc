// The operator's prompt on a terminal: cli -i on a pseudo-terminal, driven by keys.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "cli/cli_commands.h"
#include "tests/support/switch_harness.h"

namespace {

TEST(CliCompletions, OfferTheCommandWordsThatMayComeNext) {
    struct {
        const char *line;
        std::vector<std::string> words;
    } cases[] = {
        {"show man", {"management"}},
        {"show management ", {"counters", "sessions"}},
        {"show vlan ", {}},  // a name comes next, not a command word
        {"c", {"clear", "configure", "create"}},
    };
    for (auto &c : cases) EXPECT_EQ(cliCompletions(c.line), c.words) << c.line;
}

class Terminal {
public:
    explicit Terminal(const std::string &program) {
        pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            execl(program.c_str(), program.c_str(), "-i", static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    ~Terminal() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }
    void type(const std::string &keys) {
        ASSERT_EQ(write(fd_, keys.data(), keys.size()), ssize_t(keys.size()));
    }
    // Reads the screen until `text` has appeared `times` times after what the last
    // expect found, for at most `ms`.
    bool expect(const std::string &text, int times = 1, int ms = 5000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            int seen = 0;
            size_t last = 0;
            for (size_t at = screen_.find(text, from_); at != std::string::npos;
                 at = screen_.find(text, at + 1)) {
                seen++;
                last = at + text.size();
            }
            if (seen >= times) {
                from_ = last;
                return true;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(left.count())) <= 0) continue;
            char buf[4096];
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) return false;
            screen_.append(buf, size_t(n));
        }
    }
    // The exit status once the program ended (bounded), or -1.
    int exitStatus(int ms = 5000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        int status;
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            expect("\x01never", 1, 20);  // keeps the terminal drained meanwhile
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string &screen() const { return screen_; }

private:
    int fd_ = -1;
    pid_t pid_ = -1;
    std::string screen_;  // all the program wrote
    size_t from_ = 0;
};

TEST(CliPrompt, EditsCompletesAndRemembersLines) {
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    Terminal t(SwitchHarness::binDir() + "/cli");
    ASSERT_TRUE(t.expect("switch # ")) << t.screen();
    // Tab completes a command word: "hel" alone would be an unknown command.
    t.type("hel\t\r");
    EXPECT_TRUE(t.expect("list the commands")) << t.screen();
    EXPECT_EQ(t.screen().find("Unknown command"), std::string::npos);
    // "?" lists the commands too.
    t.type("?\r");
    EXPECT_TRUE(t.expect("list the commands")) << t.screen();
    // Editing: a wrong word rubbed out (backspace) and retyped.
    t.type("helX\x7fp\r");
    EXPECT_TRUE(t.expect("list the commands")) << t.screen();
    // History: the previous line back with ^P (up), run again.
    t.type("\x10\r");
    EXPECT_TRUE(t.expect("list the commands")) << t.screen();
    t.type("exit\r");
    EXPECT_EQ(t.exitStatus(), 0);
    EXPECT_EQ(t.screen().find("dropped a message"), std::string::npos) << t.screen();
}

}  // namespace
