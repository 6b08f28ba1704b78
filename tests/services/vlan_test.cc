// The VLAN service: permission and argument checks, request texts, reply reading and
// the listing walk.
#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"

namespace {

std::string vlanBody(const std::string &op, const char *name, const char *vr) {
    std::string inner;
    if (name) inner += "<name>" + std::string(name) + "</name>";
    if (vr) inner += "<vr>" + std::string(vr) + "</vr>";
    return "<v:" + op + ">" + inner + "</v:" + op + ">";
}

std::string vlanReply(const std::string &name, const std::string &vr, unsigned tag) {
    return "<vlan><name>" + name + "</name><vrName>" + vr + "</vrName><tag>" + std::to_string(tag) +
           "</tag><ipMtu>1500</ipMtu><qosProfile>3</qosProfile><loopbackEnable>true</"
           "loopbackEnable>"
           "<ipForwarding>false</ipForwarding></vlan>";
}

using VlanTest = ServiceTest;

// Permission first (asked once), then the arguments in order.
TEST_F(VlanTest, ChecksComeInTheirOrder) {
    struct Case {
        const char *op;
        FakeAaa aaa;
        const char *name, *vr;
        const char *fault;  // "" = carried out
    };
    const FakeAaa rw = FakeAaa::readWrite, ro = FakeAaa::readOnly, no = FakeAaa::refuse;
    const Case cases[] = {
        {"createVlan", no, "v1", "VR-Default", "Not a valid user"},
        {"createVlan", ro, "v1", "VR-Default", "No write permission"},
        {"getAllVlan", ro, "v1", "VR-Default", "No write permission"},
        {"getVlan", ro, "v1", "VR-Default", ""},
        {"createVlan", rw, nullptr, "VR-Default", "Missing argument"},
        {"createVlan", rw, "v1", "", "VR can not be Null"},
        {"createVlan", rw, "", "", "Name can not be Null"},
        {"getVlan", rw, nullptr, "VR-Default", "Missing argument"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.fault);
        gFake.aaa = c.aaa;
        gFake.aaaCalls = 0;
        expectFault(vlanBody(c.op, c.name, c.vr), c.fault);
        EXPECT_EQ(gFake.aaaCalls, 1);
    }
}

TEST_F(VlanTest, SetRepliesOnlySucceedWithStatusOne) {
    struct Case {
        FakeCmReply reply;
        const char *fault;
    };
    FakeCmReply notSent;
    notSent.sendResult = 0;
    const Case cases[] = {
        {cmStatus(1), ""},
        {cmStatus(0, "VLAN exists"), "VLAN exists"},
        {cmStatus(0), "Unknown error"},
        {cmStatus(2), "Unknown error"},
        // Not sent: no reply is awaited (the fake posts nothing, so a wait would hang).
        {notSent, "Unable to send message to cfgmgr."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        gFake.cmAnswer = [&](const FakeCmCall &) { return c.reply; };
        EXPECT_EQ(fault(serve(vlanBody("createVlan", "v1", "VR-Default"))), c.fault);
    }
}

// An entry (its name cut to 31 characters), no object, a refusal and data that does not
// parse: only an entry makes a reply.
TEST_F(VlanTest, GetVlanReadsTheReply) {
    const std::string longName(32, 'n');
    struct Case {
        FakeCmReply reply;
        const char *fault;  // "?": the parser's own reason
        std::string entry;
    };
    const Case cases[] = {
        {cmOk(vlanReply(longName, "VR-Default", 4094)), "",
         "<reply><name>" + longName.substr(0, 31) +
             "</name><vr>VR-Default</vr><tag>4094</tag><ipMtu>1500</ipMtu><qosProfile>3"
             "</qosProfile><isLoopbackEnabled>true</isLoopbackEnabled><isIpForwardingEnabled>"
             "false</isIpForwardingEnabled>"},
        {cmOk("<?xml version=\"1.0\"?>"), "", ""},
        {cmOk("<vlan><name>v1</nam></vlan>"), "?", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault + c.entry);
        gFake.cmAnswer = [&](const FakeCmCall &) { return c.reply; };
        std::string out = serve(vlanBody("getVlan", "v1", "VR-Default"));
        if (std::string(c.fault) == "?")
            EXPECT_NE(fault(out), "") << out;
        else
            EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_EQ(out.find(c.entry.empty() ? "<reply>" : c.entry) == std::string::npos,
                  c.entry.empty())
            << out;
    }
}

// A configuration manager holding `count` VLANs named v0000, v0001, ..., answering a walk
// as cfgmgr does: status 2 while more follow, 1 for the last, and empty data after it
// (which is what ends the walk).
struct VlanTable {
    int count;
    int failAt = -1;    // call index that gets a failure reply
    int garbleAt = -1;  // call index whose reply does not parse
    int calls = 0;
    FakeCmReply operator()(const FakeCmCall &) {
        int index = calls++;
        if (index == failAt) return cmStatus(0, "cfgmgr busy");
        if (index == garbleAt) return cmOk("<vlan><name>v1</nam></vlan>", 2);
        if (index >= count) return cmOk();
        char name[16];
        snprintf(name, sizeof name, "v%04d", index);
        return cmOk(vlanReply(name, "VR-Default", unsigned(index + 1)), index + 1 < count ? 2 : 1);
    }
};

// The shared get-next walk, through the VLAN listing: its end, its cap, and a failure or
// an unreadable reply part-way, after which none of the entries read is answered.
TEST_F(VlanTest, GetAllVlanWalk) {
    struct Case {
        int vlans;
        int failAt, garbleAt;
        size_t entries;
        size_t requests;
        const char *fault;
    };
    const Case cases[] = {
        {0, -1, -1, 0, 1, ""},
        {1500, -1, -1, 1024, 1024, ""},
        {10, 5, -1, 0, 6, "cfgmgr busy"},
        {10, -1, 4, 0, 5, "?"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.vlans) + " " + c.fault);
        gFake.cmCalls.clear();
        VlanTable table{c.vlans, c.failAt, c.garbleAt};
        gFake.cmAnswer = std::ref(table);
        std::string out = serve("<v:getAllVlan/>");
        if (std::string(c.fault) == "?")
            EXPECT_NE(fault(out), "") << out;  // the parser's own reason
        else
            EXPECT_EQ(fault(out), c.fault);
        EXPECT_EQ(count(out, "<vlan>"), c.entries);
        EXPECT_EQ(gFake.cmCalls.size(), c.requests);
        for (const FakeCmCall &call : gFake.cmCalls)
            EXPECT_EQ(call.getFlags, uint32_t(CM_GET_NEXT));
        if (c.entries > 2) {
            EXPECT_LT(out.find("<name>v0000</name>"), out.find("<name>v0001</name>"));
            EXPECT_EQ(
                gFake.cmCalls[1].text,
                "<module_vlan><get><vlan><vrName>VR-Default</vrName><name>v0000</name></vlan></get>"
                "</module_vlan>");
        }
    }
}

}  // namespace
