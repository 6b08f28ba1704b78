// The FDB service: checks and their spellings, request texts, entry fields and the
// listing walk.
#include <cstdio>

#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"

namespace {

struct FdbArgs {
    const char *mac;
    const char *vlan;
    const char *port;
};

std::string fdbBody(const std::string &op, FdbArgs a) {
    std::string inner;
    if (a.mac) inner += "<macAddress>" + std::string(a.mac) + "</macAddress>";
    if (a.vlan) inner += "<vlan>" + std::string(a.vlan) + "</vlan>";
    if (a.port) inner += "<port>" + std::string(a.port) + "</port>";
    return "<f:" + op + ">" + inner + "</f:" + op + ">";
}

std::string fdbReply(const std::string &mac, const std::string &flags, unsigned instance,
                     const std::string &ports = "1:5") {
    return "<fdb_show><mac_addr>" + mac + "</mac_addr><vlan_name>Default</vlan_name><port_list>" +
           ports + "</port_list><age>4000000000</age><flags>" + flags + "</flags><vlanInstance>" +
           std::to_string(instance) + "</vlanInstance></fdb_show>";
}

using FdbTest = ServiceTest;

TEST_F(FdbTest, ChecksAndTheirSpellings) {
    struct Case {
        const char *op;
        FdbArgs args;
        FakeAaa aaa;
        const char *fault;
    };
    const FakeAaa rw = FakeAaa::readWrite, ro = FakeAaa::readOnly, no = FakeAaa::refuse;
    const char *mac = "00:01:02:03:04:05";
    const Case cases[] = {
        {"createFdb", {mac, "Default", "1:1"}, no, "Not a valid user"},
        {"getFdb", {mac, nullptr, nullptr}, ro, ""},
        {"getAllFdb", {nullptr, nullptr, nullptr}, ro, ""},
        {"createFdb", {"", "", nullptr}, rw, "Missing argument"},
        {"createFdb", {"", "", ""}, rw, "Mac Address can not be NULL"},
        {"createFdb", {mac, "", ""}, rw, "Vlan can not be NULL"},
        {"createFdb", {mac, "Default", ""}, rw, "Port can not be NULL"},
        {"deleteFdb", {mac, nullptr, nullptr}, rw, "Missing argument"},
        {"getFdb", {"", nullptr, nullptr}, rw, "Mac Address can not be Null"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.fault);
        gFake.aaa = c.aaa;
        expectFault(fdbBody(c.op, c.args), c.fault);
    }
}

TEST_F(FdbTest, EntryFields) {
    struct Case {
        const char *flags;
        bool isStatic;
        bool isPermanent;
    };
    const Case cases[] = {{"d s", true, false}, {"p", false, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flags);
        gFake.cmAnswer = [&](const FakeCmCall &) {
            return cmOk(fdbReply("0A:1b:FF:00:10:09", c.flags, 7));
        };
        std::string out = serve(fdbBody("getFdb", {"x", nullptr, nullptr}));
        EXPECT_EQ(fault(out), "") << out;
        EXPECT_NE(out.find("<macAddress>0a:1b:ff:00:10:09</macAddress>"), std::string::npos) << out;
        EXPECT_NE(out.find("<vlan>Default</vlan>"), std::string::npos) << out;
        EXPECT_NE(out.find("<age>4000000000</age>"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("<isStatic>") + (c.isStatic ? "true" : "false")),
                  std::string::npos);
        EXPECT_NE(out.find(std::string("<isPermanent>") + (c.isPermanent ? "true" : "false")),
                  std::string::npos);
    }
}

// The walk itself is the shared one (tested with the VLAN listing); the FDB's own part is
// its next key: the last entry's MAC address in lower case with its VLAN instance.
TEST_F(FdbTest, GetAllFdbWalksOnFromTheLastEntry) {
    gFake.cmAnswer = [](const FakeCmCall &) {
        return cmOk(gFake.cmCalls.size() == 1 ? fdbReply("00:0A:00:00:00:0B", "s", 20) : "");
    };
    std::string out = serve("<f:getAllFdb/>");
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_EQ(count(out, "<fdb>"), 1u);
    ASSERT_EQ(gFake.cmCalls.size(), 2u);
    EXPECT_EQ(
        gFake.cmCalls[1].text,
        "<module_fdb><get><fdb_show><mac_addr>00:0a:00:00:00:0b</mac_addr><vlanInstance>20"
        "</vlanInstance><vlan_name/><port_list/><type>0</type></fdb_show></get></module_fdb>");
}

}  // namespace
