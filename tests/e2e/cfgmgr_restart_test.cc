// The daemon and a configuration manager that dies: requests never wait without bound,
// and after the platform restarts cfgmgr the daemon's next requests succeed without the
// daemon being restarted.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/support/switch_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kGetVlan[] =
    "<?xml version=\"1.0\"?><S:Envelope xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:v=\"urn:xapi/l2protocol/vlan\"><S:Body><v:getVlan><name>Default</name>"
    "<vr>VR-Default</vr></v:getVlan></S:Body></S:Envelope>";

// Sends getVlan as the local client (which needs no session) and returns the reply.
std::string getVlan(wsvcConn_t *conn, uint32_t id) {
    wsvcRequest_t req;
    req.text = kGetVlan;
    req.requestId = id;
    std::string reply;
    if (wsvcRoundTrip(conn, req, &reply, 90000) != 0) return std::string("link error: ") + wsvcError(conn);
    return reply;
}

bool answered(const std::string &reply) { return reply.find("<tag>1</tag>") != std::string::npos; }

// Repeats getVlan until it reads the default VLAN (the daemon links to cfgmgr once the
// platform reports it up).
bool waitForAnswer(wsvcConn_t *conn, uint32_t &id, int seconds) {
    auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        if (answered(getVlan(conn, ++id))) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(CfgmgrRestart, RequestsFailPromptlyWhileItIsDownAndSucceedAfterItsRestart) {
    SwitchHarness sw({"cfgmgr", "wsvd"});
    ASSERT_TRUE(sw.start());
    WsvcConn conn = sw.connect("wsvc");
    ASSERT_TRUE(conn);
    uint32_t id = 0;
    ASSERT_TRUE(waitForAnswer(conn.get(), id, 20)) << sw.log();

    sw.expectDeaths();
    ASSERT_TRUE(sw.kill("cfgmgr", SIGKILL));
    auto start = Clock::now();
    std::string reply = getVlan(conn.get(), ++id);
    auto took = Clock::now() - start;
    EXPECT_NE(reply.find("faultstring"), std::string::npos) << reply;
    EXPECT_LT(took, std::chrono::seconds(10)) << "a dead cfgmgr is not waited for";

    ASSERT_TRUE(sw.waitForProcess("cfgmgr", 20000));
    EXPECT_TRUE(waitForAnswer(conn.get(), id, 20)) << sw.log();
}

}  // namespace
