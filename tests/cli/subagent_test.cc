// The subagent library against the real CLI process on a test switch: output and end
// events, the end event when the CLI dies or stalls, and wsvd's file requests to it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/cli/clisub.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "tests/support/scratch.h"
#include "tests/support/switch_harness.h"

namespace {

// Runs command lists through the subagent library and records, per sequence number,
// the output and end events each call got.
struct CliCall {
    std::string output;
    int ends = 0;
    uint32_t status = 0;  // of the last end
};
std::map<uint32_t, CliCall> gCliCalls;

void onCliEvent(int event, cliEventData_t *d) {
    CliCall &c = gCliCalls[d->seqnum];
    if (event == CLI_EVENT_OUTPUT) c.output.append(d->text, d->length);
    if (event == CLI_EVENT_END) {
        c.ends++;
        c.status = d->status;
    }
}

// Runs the dispatcher until the call has ended (bounded in real time).
bool waitCliEnd(uint32_t seqnum, int timeoutMs = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (gCliCalls[seqnum].ends == 0 && std::chrono::steady_clock::now() < deadline)
        dispatchRunOnce(50);
    return gCliCalls[seqnum].ends > 0;
}

std::vector<char *> cliList(std::vector<std::string> &texts) {
    std::vector<char *> list;
    for (std::string &t : texts) list.push_back(t.data());
    list.push_back(nullptr);
    return list;
}

int executeCli(std::vector<std::string> commands, uint32_t seqnum) {
    return karnExecuteCLI("xmlapi", cliList(commands).data(), 0, seqnum);
}

// With variables ("NAME=value" each).
int executeCliWith(std::vector<std::string> commands, std::vector<std::string> variables,
                   uint32_t seqnum) {
    return karnExecuteCLIWithVariables("test", cliList(commands).data(), cliList(variables).data(),
                                       0, seqnum);
}

// A switch with the CLI process, and the subagent library of this test process on it.
class Subagent : public ::testing::Test {
protected:
    void SetUp() override {
        gCliCalls.clear();
        ASSERT_TRUE(sw.start());
        ASSERT_EQ(cliSubagentInit("test", onCliEvent), 0);
    }
    void TearDown() override {
        // Let the library see the old switch's CLI go before the next test starts one.
        for (int i = 0; i < 10; i++) dispatchRunOnce(20);
        clockSetSource(nullptr);
    }
    ScopedEnv env_;  // before the switch: the switch's own settings go first
    SwitchHarness sw{{"cli"}};
};

TEST_F(Subagent, CommandsRunInOrderAndEndOnce) {
    ASSERT_EQ(executeCli({"help", "bogus command", "", "show fdb extra"}, 7), 0);
    ASSERT_TRUE(waitCliEnd(7));
    const std::string &out = gCliCalls[7].output;
    size_t help = out.find("show vlan [NAME]");
    size_t unknown = out.find("Error: Unknown command \"bogus command\"");
    size_t usage = out.find("Error: Incomplete or wrong command. Usage:\n  show fdb\n");
    EXPECT_NE(help, std::string::npos) << out;
    EXPECT_LT(help, unknown);
    EXPECT_LT(unknown, usage);
    EXPECT_NE(usage, std::string::npos) << out;

    // Output larger than one message arrives whole.
    ASSERT_EQ(executeCli(std::vector<std::string>(150, "help"), 8), 0);
    ASSERT_EQ(executeCli({"help"}, 11), 0);
    ASSERT_TRUE(waitCliEnd(8));
    ASSERT_TRUE(waitCliEnd(11));
    std::string expected;
    for (int i = 0; i < 150; i++) expected += gCliCalls[11].output;
    EXPECT_EQ(gCliCalls[8].output, expected);

    // An empty list ends once, with no output.
    ASSERT_EQ(executeCli({}, 10), 0);
    ASSERT_TRUE(waitCliEnd(10));
    EXPECT_EQ(gCliCalls[10].output, "");
    for (int i = 0; i < 5; i++) dispatchRunOnce(10);
    for (uint32_t seq : {7u, 10u}) EXPECT_EQ(gCliCalls[seq].ends, 1) << seq;
}

// The end tells how many commands failed; variables travel with the commands; a
// cancelled call gets no event at all, and the link stays usable.
TEST_F(Subagent, StatusVariablesAndCancel) {
    ASSERT_EQ(executeCli({"help", "bogus", "", "help me"}, 1), 0);
    ASSERT_EQ(executeCliWith({"help${EMPTY}", "show vlan $MISSING"}, {"EMPTY=", "A=b=c"}, 2), 0);
    ASSERT_EQ(executeCliWith({"help"}, {"=nameless"}, 3), 0);
    ASSERT_TRUE(waitCliEnd(3));
    ASSERT_TRUE(waitCliEnd(2));
    ASSERT_TRUE(waitCliEnd(1));
    EXPECT_EQ(gCliCalls[1].status, 2u);
    EXPECT_EQ(gCliCalls[2].status, 1u);
    EXPECT_NE(gCliCalls[2].output.find("show vlan [NAME]"), std::string::npos);
    EXPECT_NE(gCliCalls[2].output.find("Error: Unknown variable \"$MISSING\"."), std::string::npos);
    EXPECT_EQ(gCliCalls[3].output, "Error: The variables are not NAME=value texts.\n");
    EXPECT_EQ(gCliCalls[3].status, 1u);

    sw.expectDeaths();
    ASSERT_TRUE(sw.kill("cli", SIGSTOP));
    struct Resume {
        SwitchHarness &sw;
        ~Resume() { sw.kill("cli", SIGCONT); }
    } resume{sw};
    ASSERT_EQ(executeCli({"help"}, 4), 0);
    ASSERT_EQ(executeCli(std::vector<std::string>(200, "help"), 5), 0);
    karnCancelCLI(5);
    ASSERT_TRUE(sw.kill("cli", SIGCONT));
    ASSERT_TRUE(waitCliEnd(4));
    ASSERT_EQ(executeCli({"help"}, 6), 0);
    ASSERT_TRUE(waitCliEnd(6));
    EXPECT_EQ(gCliCalls[6].status, 0u);
    EXPECT_EQ(gCliCalls.count(5), 0u);
}

TEST_F(Subagent, EndsWhenTheCliDiesMidCommandAndReconnectsAfterItsRestart) {
    ASSERT_EQ(executeCli({"help"}, 1), 0);
    ASSERT_TRUE(waitCliEnd(1));

    sw.expectDeaths();
    ASSERT_TRUE(sw.kill("cli", SIGSTOP));  // the command is then certainly still running
    ASSERT_EQ(executeCli({"help"}, 2), 0);
    ASSERT_TRUE(sw.kill("cli", SIGKILL));
    ASSERT_TRUE(waitCliEnd(2));
    EXPECT_EQ(gCliCalls[2].output,
              "Error: The CLI process went away before the commands finished.\n");

    // Until it is back, calls fail at once but still end; afterwards they work again.
    ASSERT_TRUE(sw.waitForLog("restarting cli"));
    ASSERT_TRUE(sw.waitForProcess("cli"));
    bool worked = false;
    for (uint32_t seq = 100; seq < 150 && !worked; seq++) {
        executeCli({"help"}, seq);
        ASSERT_TRUE(waitCliEnd(seq));
        EXPECT_EQ(gCliCalls[seq].ends, 1);
        worked = gCliCalls[seq].output.find("show vlan [NAME]") != std::string::npos;
        if (!worked) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(worked);
}

TEST_F(Subagent, EndsWhenTheCliDoesNotFinishInTime) {
    env_.set("KARN_CLI_TIMEOUT_SECONDS", "5");  // read at each call
    clockUseManual();
    ASSERT_EQ(cliSubagentInit("test", onCliEvent), 0);  // its timer on the manual clock
    sw.expectDeaths();
    ASSERT_TRUE(sw.kill("cli", SIGSTOP));
    struct Resume {
        SwitchHarness &sw;
        ~Resume() { sw.kill("cli", SIGCONT); }  // a stopped process would not stop in time
    } resume{sw};
    ASSERT_EQ(executeCli({"help"}, 3), 0);
    for (int i = 0; i < 5; i++) dispatchRunOnce(10);
    EXPECT_EQ(gCliCalls[3].ends, 0);
    clockAdvanceUs(4000000);
    for (int i = 0; i < 5; i++) dispatchRunOnce(10);
    EXPECT_EQ(gCliCalls[3].ends, 0);
    clockAdvanceUs(2000000);
    ASSERT_TRUE(waitCliEnd(3, 2000));
    EXPECT_EQ(gCliCalls[3].output, "Error: The CLI did not finish the commands in time.\n");

    // The late answer of the woken CLI is dropped: still one end.
    ASSERT_TRUE(sw.kill("cli", SIGCONT));
    for (int i = 0; i < 20; i++) dispatchRunOnce(20);
    EXPECT_EQ(gCliCalls[3].ends, 1);
}

TEST(CliPeer, AnswersWsvdFileRequests) {
    SwitchHarness sw({"cli", "wsvd=wsvd_testserve"});
    ASSERT_TRUE(sw.start());
    std::ofstream(sw.configDir() + "/web.pol") << "entry e1 { if { } then { permit; } }\n";
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    auto ask = [&](const std::string &text) {
        std::string reply;
        wsvcRequest_t r;
        r.text = text;
        EXPECT_EQ(wsvcRoundTrip(c.get(), r, &reply, 8000), 0) << wsvcError(c.get());
        return reply;
    };
    // The CLI connects to wsvd on its own a moment after both are up.
    std::string reply = ask("cli web.pol");
    for (int i = 0; i < 100 && reply == "no cli"; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reply = ask("cli web.pol");
    }
    EXPECT_EQ(reply, "status=1 ");
    EXPECT_EQ(ask("cli gone.pol"), "status=0 Configuration file \"gone.pol\" does not exist.");
}

}  // namespace
