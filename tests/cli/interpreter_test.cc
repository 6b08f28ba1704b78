// The command interpreter against a small in-memory configuration manager: what each
// command sends, how replies become tables, and that bad input only ever gives an
// error line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cli/cli_commands.h"
#include "cmclient/cm.h"

namespace {

std::string leaf(const std::string &xml, const std::string &name) {
    size_t a = xml.find("<" + name + ">");
    if (a == std::string::npos) return "";
    a += name.size() + 2;
    return xml.substr(a, xml.find("</" + name + ">", a) - a);
}

// Just enough of cfgmgr for the CLI: VLANs keyed by name (the switch scenarios run the
// CLI against the real cfgmgr).
struct FakeCfgmgr {
    struct Vlan {
        std::string vr;
        std::string tag;
    };
    std::map<std::string, Vlan> vlans;
    std::vector<std::string> requests;
    bool reachable = true;
    std::string failNext;  // message of a failure for the next set

    cliServices_t services() {
        cliServices_t s;
        s.cmExchange = [this](uint32_t op, uint32_t flags, const char *module,
                              const std::string &text,
                              cliCmReply_t *r) { return exchange(op, flags, module, text, r); };
        return s;
    }

    std::string vlanXml(const std::string &name, const Vlan &v) {
        return "<vlan><name>" + name + "</name><vrName>" + v.vr + "</vrName>" +
               (v.tag.empty() ? "" : "<tag>" + v.tag + "</tag>") + "</vlan>";
    }

    bool exchange(uint32_t op, uint32_t flags, const std::string &module, const std::string &text,
                  cliCmReply_t *r) {
        requests.push_back(text);
        if (!reachable) {
            r->message = "Unable to send message to cfgmgr.";
            return false;
        }
        r->status = 1;
        if (op != CM_OP_GET && !failNext.empty()) {
            r->status = 0;
            r->message = failNext;
            failNext.clear();
            return true;
        }
        if (module == "vlan" && op == CM_OP_GET) {
            EXPECT_EQ(flags, CM_GET_NEXT);
            auto it = vlans.upper_bound(leaf(text, "name"));
            if (it != vlans.end()) r->data = vlanXml(it->first, it->second);
        }
        return true;
    }
};

struct Outcome {
    bool ok;
    std::string out;
};

class Interpreter : public ::testing::Test {
protected:
    FakeCfgmgr cm;
    cliServices_t svc = cm.services();

    Outcome run(const std::string &line) {
        Outcome r{false, ""};
        r.ok = cliExecute(svc, line, [&](const std::string &t) { r.out += t; });
        return r;
    }
};

TEST_F(Interpreter, BadInputGivesOneErrorLineAndSendsNothing) {
    struct Case {
        const char *line;
        const char *error;
    } cases[] = {
        {"frobnicate", "Error: Unknown command \"frobnicate\". Type \"help\" for the commands.\n"},
        {"create vlan", "Error: Incomplete or wrong command. Usage:\n  create vlan NAME"},
        {"create vlan v1 tag 1 tag 2", "Error: Incomplete or wrong command"},
        {"create vlan a<b", "Error: Invalid VLAN name \"a<b\"."},
        {"create vlan 123456789012345678901234567890123", "Error: Invalid VLAN name"},
        {"create vlan v1 tag 0", "Error: Invalid 802.1Q tag \"0\" (1 to 4095)."},
        {"create vlan v1 tag 4096", "Error: Invalid 802.1Q tag"},
        {"create vlan v1 tag 99999999999", "Error: Invalid 802.1Q tag"},
        {"create vlan v1 vr x&y", "Error: Invalid virtual router name"},
        {"configure vlan v1 add ports 99:1", "Error: Invalid port list \"99:1\"."},
        {"create fdb 00:11:22:33:44 vlan v ports 1:1", "Error: Invalid MAC address"},
        {"configure management max-sessions many", "Error: Invalid number \"many\"."},
        {"show vlan \"Default", "Error: Missing closing quote.\n"},
        {"help me", "Error: Incomplete or wrong command"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        cm.requests.clear();
        Outcome r = run(c.line);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.out.rfind(c.error, 0), 0u) << r.out;
        EXPECT_TRUE(cm.requests.empty());
    }
}

TEST_F(Interpreter, BlankLinesAndCommentsDoNothing) {
    for (const char *line : {"", "   \t", "# a comment", "#"}) {
        Outcome r = run(line);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(Interpreter, ConfigurationManagerFailuresArePrintedAsErrors) {
    cm.failNext = "VLAN name already exists.";
    EXPECT_EQ(run("create vlan v1").out, "Error: VLAN name already exists.\n");
    cm.failNext = "";
    cm.vlans["v1"] = {"VR-Default", "5"};
    EXPECT_EQ(run("configure vlan nosuch tag 3").out, "Error: VLAN \"nosuch\" does not exist.\n");
    cm.reachable = false;
    for (const char *line : {"show vlan", "show fdb", "save configuration", "show management"})
        EXPECT_EQ(run(line).out, "Error: Unable to send message to cfgmgr.\n") << line;
}

// The VLAN texts the real cfgmgr takes are checked end to end (the switch scenarios);
// these are the ones that need more than a look at the command.
TEST_F(Interpreter, RequestTextsAreTheOnesCfgmgrExpects) {
    cm.vlans["blue"] = {"VR-Default", "10"};
    struct Case {
        const char *line;
        const char *request;  // the last request sent
    } cases[] = {
        {"configure vlan blue delete ports 1:4",
         "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>blue</name><taggedPorts>1:4"
         "</taggedPorts><untaggedPorts>1:4</untaggedPorts><rowStatus>unconfigure</rowStatus>"
         "</vlan></set></module_vlan>"},
        {"create fdb 00-0A-0b-0C-0d-0E vlan blue ports 1:2",
         "<module_fdb><set><fdb_op><macAddr>00:0a:0b:0c:0d:0e</macAddr><vlanName>blue</vlanName>"
         "<portList>1:2</portList><action>create</action><sub_action>4</sub_action></fdb_op></set>"
         "</module_fdb>"},
        {"configure management max-sessions 10",
         "<module_wsvdbe><set><wsvdConfig><maxSessions>10</maxSessions></wsvdConfig></set>"
         "</module_wsvdbe>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        Outcome r = run(c.line);
        EXPECT_TRUE(r.ok) << r.out;
        ASSERT_FALSE(cm.requests.empty());
        EXPECT_EQ(cm.requests.back(), c.request);
    }
}

// Variables of a run stand in words as their values, whole; without variables "$" is
// an ordinary character.
TEST_F(Interpreter, VariablesOfARun) {
    const cliVariables_t variables = {{"V", "v2"}, {"T", "7"}, {"SPACED", "a b"}, {"E", ""}};
    struct Case {
        const char *line;
        const char *request;  // the last request, or the error line
    } cases[] = {
        {"create vlan $V tag ${T}",
         "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>v2</name><tag>7</tag>"
         "<rowStatus>create</rowStatus></vlan></set></module_vlan>"},
        {"create vlan x${V}y$E tag $T$T",
         "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>xv2y</name><tag>77</tag>"
         "<rowStatus>create</rowStatus></vlan></set></module_vlan>"},
        {"create vlan $SPACED", "Error: Invalid VLAN name \"a b\".\n"},
        {"create vlan a$$", "Error: Invalid VLAN name \"a$\".\n"},
        {"create vlan ${V", "Error: Invalid VLAN name \"${V\".\n"},
        {"create vlan $NOPE", "Error: Unknown variable \"$NOPE\".\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        cm.requests.clear();
        std::string out;
        bool ok = cliExecute(
            svc, c.line, [&](const std::string &t) { out += t; }, &variables);
        EXPECT_EQ(ok, c.request[0] == '<') << out;
        EXPECT_EQ(ok ? cm.requests.back() : out, c.request);
    }
    EXPECT_EQ(run("create vlan $V").out, "Error: Invalid VLAN name \"$V\".\n");
}

// A walk goes on from the name cfgmgr reported (which any client may have chosen: it is
// escaped into the next request), and stops when a key comes back again.
TEST_F(Interpreter, WalkThatNeverEndsIsCutWhenAKeyRepeats) {
    std::vector<std::string> sent;
    svc.cmExchange = [&](uint32_t, uint32_t, const char *, const std::string &text,
                         cliCmReply_t *r) {
        sent.push_back(text);
        r->status = 1;
        r->data = "<vlan><name>a&amp;b</name><vrName>VR-Default</vrName></vlan>";
        return true;
    };
    Outcome r = run("show vlan");
    EXPECT_TRUE(r.ok);
    EXPECT_NE(r.out.find("Total number of VLANs: 1\n"), std::string::npos) << r.out;
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1],
              "<module_vlan><get><vlan><vrName>VR-Default</vrName><name>a&amp;b</name></vlan>"
              "</get></module_vlan>");
}

TEST_F(Interpreter, UnreadableReplyIsAnError) {
    svc.cmExchange = [&](uint32_t, uint32_t, const char *, const std::string &, cliCmReply_t *r) {
        r->status = 1;
        r->data = "<vlan><name>x</name><tag>notanumber</tag></vlan>";
        return true;
    };
    Outcome r = run("show vlan");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.out.rfind("Error: ", 0), 0u) << r.out;
}

}  // namespace
