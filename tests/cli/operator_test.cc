// Operator sessions through the real configuration manager: what is configured and
// saved through the CLI is there after cfgmgr restarts.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/cli_calls.h"
#include "tests/support/switch_harness.h"

namespace {

// Runs the commands and returns their output (empty with a test failure on no end).
std::string cli(std::vector<std::string> commands) {
    static uint32_t seqnum = 1000;
    uint32_t seq = seqnum++;
    executeCli(std::move(commands), seq, "operator");
    EXPECT_TRUE(waitCliEnd(seq, 20000));
    EXPECT_EQ(gCliCalls[seq].ends, 1);
    return gCliCalls[seq].output;
}

// Repeats a read until it gives no error (the CLI reconnects to a restarted cfgmgr).
std::string cliSettled(const std::string &command) {
    std::string out;
    for (int i = 0; i < 25; i++) {
        out = cli({command});
        if (out.find("Error:") == std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return out;
}

TEST(Operator, ConfigureSaveRestartShow) {
    if (access((SwitchHarness::binDir() + "/cfgmgr").c_str(), X_OK) != 0)
        GTEST_SKIP() << "cfgmgr is not built";
    SwitchHarness sw({"cfgmgr", "cli"});
    ASSERT_TRUE(sw.start());
    ASSERT_EQ(cliSubagentInit("test", onCliEvent), 0);

    std::string show = cliSettled("show vlan");
    if (show.find("Error:") != std::string::npos)
        GTEST_SKIP() << "cfgmgr cannot list VLANs yet:\n" << show;
    EXPECT_NE(show.find("Default"), std::string::npos) << show;

    std::string out = cli({"create vlan ops tag 100", "configure vlan ops add ports 1:1-2",
                           "configure vlan ops add ports 2:5 tagged", "create vlan ops"});
    size_t firstError = out.find("Error:");
    ASSERT_NE(firstError, std::string::npos) << "creating ops twice must fail:\n" << out;
    EXPECT_EQ(out.find("Error:", firstError + 1), std::string::npos) << out;

    std::string detail = cli({"show vlan ops"});
    EXPECT_NE(detail.find("802.1Q tag:      100\n"), std::string::npos) << detail;
    EXPECT_NE(detail.find("Untagged ports:  1:1-2\n"), std::string::npos) << detail;
    EXPECT_NE(detail.find("Tagged ports:    2:5\n"), std::string::npos) << detail;
    EXPECT_EQ(cli({"save configuration"}), "Configuration saved.\n");

    // Changed after the save: gone after the restart.
    cli({"create vlan scratch"});
    sw.expectDeaths();
    ASSERT_TRUE(sw.kill("cfgmgr", SIGKILL));
    ASSERT_TRUE(sw.waitForLog("restarting cfgmgr"));
    ASSERT_TRUE(sw.waitForProcess("cfgmgr"));
    EXPECT_EQ(cliSettled("show vlan ops"), detail);
    EXPECT_EQ(cli({"show vlan"}).find("scratch"), std::string::npos);

    std::string config = cli({"show configuration"});
    EXPECT_NE(config.find("create vlan ops vr VR-Default tag 100\n"), std::string::npos) << config;
    std::string ports = cli({"show ports"});
    EXPECT_NE(ports.find("1:1      ops"), std::string::npos) << ports;
}

}  // namespace
