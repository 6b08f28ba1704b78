// execConfig, execCli and saveConfig: where the session comes from, which commands need
// write access, how command texts are split, how configurations are classified.
#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"

namespace {

std::string cliBody(const std::string &command, const std::string &extra = "") {
    return "<c:execCli>" + extra + "<command>" + escaped(command) + "</command></c:execCli>";
}
std::string configBody(const std::string &config) {
    return "<c:execConfig><config>" + escaped(config) + "</config></c:execConfig>";
}
std::string hdr(const std::string &sessionId, const std::string &pad = "") {
    return "<hdr><reqId>9</reqId><sessionId>" + sessionId + "</sessionId>" + pad + "</hdr>";
}

using ExecTest = ServiceTest;

TEST_F(ExecTest, AccessOfCommandsAndConfigurations) {
    struct Case {
        const char *what;
        FakeAaa aaa;         // the fallback when the session check refuses
        std::string body;    // the request
        std::string header;  // SOAP header
        const char *fault;
        int aaaCalls;
    };
    std::string ro = openSession(1, 0), rw = openSession(2, 1);
    std::string longPad = "<pad>" + std::string(400, 'x') + "</pad>";
    const Case cases[] = {
        {"debug show is a read", FakeAaa::refuse, cliBody("debug cfgmgr show vlan", hdr(ro)), "",
         "", 0},
        {"debug alone is a write", FakeAaa::refuse, cliBody("debug cfgmgr", hdr(ro)), "",
         "No write permission", 0},
        {"configuration", FakeAaa::refuse, configBody("<module_vlan><get/>"),
         "<com:hdr><sessionId>" + ro + "</sessionId></com:hdr>", "No write permission", 0},
        {"no session: read-write user", FakeAaa::readWrite, cliBody("create vlan v1"), "", "", 1},
        {"no session: read-only user writes", FakeAaa::readOnly, cliBody("create vlan v1"), "",
         "No write permission", 1},
        {"body header, read-write session", FakeAaa::refuse, cliBody("create vlan v1", hdr(rw)), "",
         "", 0},
        {"overlong body header is no header", FakeAaa::refuse,
         cliBody("create vlan v1", hdr(rw, longPad)), "", "Not a valid user", 1},
        // Each command of a list is judged on its own, before anything runs.
        {"list of reads", FakeAaa::refuse, cliBody("show vlan;\tdebug cfgmgr show x", hdr(ro)), "",
         "", 0},
        {"a write later in a list", FakeAaa::readWrite,
         cliBody("show vlan; create vlan ro3", hdr(ro)), "", "No write permission", 0},
        {"missing command comes first", FakeAaa::refuse, "<c:execCli/>", "", "Missing argument", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake.aaa = c.aaa;
        gFake.aaaCalls = 0;
        gFake.cliCalls.clear();
        gFake.cmCalls.clear();
        std::string out = serve(c.body, c.header);
        EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_EQ(gFake.aaaCalls, c.aaaCalls);
        EXPECT_EQ(gFake.cliCalls.size() + gFake.cmCalls.size(), c.fault[0] ? 0u : 1u);
    }
}

TEST_F(ExecTest, CommandSplitting) {
    std::vector<std::string> many;
    std::string text;
    for (int i = 0; i < 250; i++) text += (i ? ";" : "") + std::string("show ") + std::to_string(i);
    for (int i = 0; i < 199; i++) many.push_back("show " + std::to_string(i));
    struct Case {
        std::string command;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"create vlan \"a;b\";show vlan", {"create vlan \"a;b\"", "show vlan"}},
        {text, many},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command.substr(0, 60));
        gFake.cliCalls.clear();
        EXPECT_EQ(fault(serve(cliBody(c.command))), "");
        ASSERT_EQ(gFake.cliCalls.size(), 1u);
        EXPECT_EQ(gFake.cliCalls[0].commands, c.commands);
    }
}

TEST_F(ExecTest, CliOutputBecomesTheReply) {
    gFake.cliOutput = {"VLAN Default\n", "VLAN Mgmt & more\n"};
    std::string out = serve(cliBody("show vlan"), "", WSVD_CLIENT_LOCAL);
    EXPECT_EQ(fault(out), "");
    EXPECT_NE(out.find("<reply>VLAN Default\nVLAN Mgmt &amp; more\n</reply>"), std::string::npos)
        << out;
    ASSERT_EQ(gFake.cliCalls.size(), 1u);
    EXPECT_EQ(gFake.cliCalls[0].seqnum, seqnum_);
    EXPECT_EQ(response_->length, 0u);  // emptied for the engine's own output

    // Before the CLI link is up nothing would end a wait for the CLI: the request is not
    // held for the wait's guard.
    gFake.cliStarted = false;
    out = serve(cliBody("show vlan"));
    EXPECT_NE(out.find("<reply>Error: The CLI process is not available.\n</reply>"),
              std::string::npos)
        << out;
}

TEST_F(ExecTest, ConfigurationOperations) {
    struct Case {
        std::string config;
        const char *fault;
        uint32_t operation;
        std::string module;
    };
    const std::string longModule(70, 'm');
    const Case cases[] = {
        {"<module_vlan><get><set>", "", CM_OP_GET, "vlan"},
        {"<module_cfgmgr><setop><saveConfig/></setop></module_cfgmgr>", "", CM_OP_SETOP, "cfgmgr"},
        {"<module_" + longModule + "><set>", "", CM_OP_SET, longModule.substr(0, 64)},
        {"<vlan><get>", "No module specified in configuration", 0, ""},
        {"<module_vlan", "No module specified in configuration", 0, ""},
        {"<module_vlan>", "No operation specified in configuration", 0, ""},
        {"<module_vlan><get/>", "Invalid operation specified in configuration", 0, ""},
        {"<module_vlan><get", "Invalid operation specified in configuration", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.config);
        gFake.cmCalls.clear();
        std::string out = serve(configBody(c.config));
        EXPECT_EQ(fault(out), c.fault) << out;
        if (c.fault[0]) {
            EXPECT_TRUE(gFake.cmCalls.empty());
            continue;
        }
        ASSERT_EQ(gFake.cmCalls.size(), 1u);
        EXPECT_EQ(gFake.cmCalls[0].text, c.config);
        EXPECT_EQ(gFake.cmCalls[0].operation, c.operation);
        EXPECT_EQ(gFake.cmCalls[0].module, c.module);
    }
}

// Read access is enough to save; a status other than 0 is a success.
TEST_F(ExecTest, SaveConfig) {
    const std::string hdr =
        "<u:hdr><reqId>5</reqId><sessionId>0123456789abcdefXYZ</sessionId></u:hdr>";
    struct Case {
        std::string header;
        FakeAaa aaa;
        const char *fault;
    };
    const Case cases[] = {
        {hdr, FakeAaa::readOnly, ""},
        {hdr, FakeAaa::refuse, "Not a valid user"},
        {"", FakeAaa::readWrite, "Invalid Packet"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        gFake.cmCalls.clear();
        gFake.aaa = c.aaa;
        gFake.cmAnswer = [](const FakeCmCall &) { return cmStatus(2); };
        std::string out = serve("<u:saveConfigRequest>" + c.header + "</u:saveConfigRequest>");
        EXPECT_EQ(fault(out), c.fault) << out;
        ASSERT_EQ(gFake.cmCalls.size(), c.fault[0] ? 0u : 1u);
        if (c.fault[0]) continue;
        EXPECT_EQ(gFake.cmCalls[0].text,
                  "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop>"
                  "</module_cfgmgr>");
        EXPECT_EQ(gFake.cmCalls[0].operation, uint32_t(CM_OP_SETOP));
        // The header goes back with the id cut to its 16 characters.
        EXPECT_NE(out.find("<reqId>5</reqId><sessionId>0123456789abcdef</sessionId>"),
                  std::string::npos)
            << out;
    }
}

}  // namespace
