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
    const Case cases[] = {
        {"createFdb", {"00:01:02:03:04:05", "Default", "1:1"}, FakeAaa::refuse, "Not a valid user"},
        {"createFdb",
         {"00:01:02:03:04:05", "Default", "1:1"},
         FakeAaa::readOnly,
         "No write permission"},
        {"deleteFdb",
         {"00:01:02:03:04:05", "Default", nullptr},
         FakeAaa::readOnly,
         "No write permission"},
        {"getFdb", {"00:01:02:03:04:05", nullptr, nullptr}, FakeAaa::refuse, "Not a valid user"},
        {"getFdb", {"00:01:02:03:04:05", nullptr, nullptr}, FakeAaa::readOnly, ""},
        {"getAllFdb", {nullptr, nullptr, nullptr}, FakeAaa::readOnly, ""},
        {"createFdb", {"", "", nullptr}, FakeAaa::readWrite, "Missing argument"},
        {"createFdb", {"", "", ""}, FakeAaa::readWrite, "Mac Address can not be NULL"},
        {"createFdb", {"00:01:02:03:04:05", "", ""}, FakeAaa::readWrite, "Vlan can not be NULL"},
        {"createFdb",
         {"00:01:02:03:04:05", "Default", ""},
         FakeAaa::readWrite,
         "Port can not be NULL"},
        {"deleteFdb",
         {"00:01:02:03:04:05", nullptr, nullptr},
         FakeAaa::readWrite,
         "Missing argument"},
        {"deleteFdb", {"", "", nullptr}, FakeAaa::readWrite, "Mac Address can not be NULL"},
        {"deleteFdb",
         {"00:01:02:03:04:05", "", nullptr},
         FakeAaa::readWrite,
         "Vlan can not be NULL"},
        {"getFdb", {nullptr, nullptr, nullptr}, FakeAaa::readWrite, "Missing argument"},
        {"getFdb", {"", nullptr, nullptr}, FakeAaa::readWrite, "Mac Address can not be Null"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.fault);
        gFake.cmCalls.clear();
        gFake.aaa = c.aaa;
        std::string out = serve(fdbBody(c.op, c.args));
        EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_EQ(gFake.cmCalls.size(), c.fault[0] ? 0u : 1u);
    }
}

TEST_F(FdbTest, RequestTexts) {
    struct Case {
        std::string body;
        uint32_t operation;
        uint32_t flags;
        std::string text;
    };
    const Case cases[] = {
        // The client's texts go out as given, not reformatted.
        {fdbBody("createFdb", {"00:0A:0b:0c:0d:0e", "Default", "1:1-2"}), CM_OP_SET, 0,
         "<module_fdb><set><fdb_op><macAddr>00:0A:0b:0c:0d:0e</macAddr><vlanName>Default</vlanName>"
         "<portList>1:1-2</portList><action>create</action><sub_action>4</sub_action></fdb_op></"
         "set>"
         "</module_fdb>"},
        {fdbBody("deleteFdb", {"00:0A:0b:0c:0d:0e", "Default", nullptr}), CM_OP_SET, 0,
         "<module_fdb><set><fdb_op><macAddr>00:0A:0b:0c:0d:0e</macAddr><vlanName>Default</vlanName>"
         "<action>delete</action><sub_action>5</sub_action></fdb_op></set></module_fdb>"},
        {fdbBody("getFdb", {"00:0A:0b:0c:0d:0e", nullptr, nullptr}), CM_OP_GET, CM_GET_EXACT,
         "<module_fdb><get><fdb_show><type>1</type><vlan_name/><port_list/><vlanInstance>0</"
         "vlanInstance>"
         "<mac_addr>00:0A:0b:0c:0d:0e</mac_addr></fdb_show></get></module_fdb>"},
        {"<f:getAllFdb/>", CM_OP_GET, CM_GET_NEXT,
         "<module_fdb><get><fdb_show><type>0</type><vlan_name/><port_list/><vlanInstance>0</"
         "vlanInstance>"
         "<mac_addr>00:00:00:00:00:00</mac_addr></fdb_show></get></module_fdb>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        gFake.cmCalls.clear();
        EXPECT_EQ(fault(serve(c.body)), "");
        ASSERT_EQ(gFake.cmCalls.size(), 1u);
        EXPECT_EQ(gFake.cmCalls[0].text, c.text);
        EXPECT_EQ(gFake.cmCalls[0].operation, c.operation);
        EXPECT_EQ(gFake.cmCalls[0].getFlags, c.flags);
        EXPECT_EQ(gFake.cmCalls[0].module, "fdb");
    }
}

TEST_F(FdbTest, EntryFields) {
    struct Case {
        const char *flags;
        bool isStatic;
        bool isPermanent;
    };
    const Case cases[] = {
        {"", false, false}, {"sp", true, true}, {"d s", true, false}, {"p", false, true}};
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

// Entries with MAC addresses 00:00:00:00:<hi>:<lo> for index 0 .. count-1, keyed by the
// MAC address of the request (the walk's key), answered as cfgmgr does (2 while more
// follow, 1 for the last, then empty data).
struct FdbTable {
    int count;
    int failAt = -1;
    int calls = 0;
    FakeCmReply operator()(const FakeCmCall &call) {
        int index = calls++;
        if (index == failAt) return cmStatus(0);
        size_t a = call.text.find("<mac_addr>") + strlen("<mac_addr>");
        unsigned m[6];
        sscanf(call.text.c_str() + a, "%x:%x:%x:%x:%x:%x", &m[0], &m[1], &m[2], &m[3], &m[4],
               &m[5]);
        int next = index == 0 ? 0 : int(m[4] * 256 + m[5]) + 1;
        if (next >= count) return cmOk();
        char mac[32];
        snprintf(mac, sizeof mac, "00:00:00:00:%02X:%02X", next / 256, next % 256);
        return cmOk(fdbReply(mac, "s", unsigned(next + 10)), next + 1 < count ? 2 : 1);
    }
};

TEST_F(FdbTest, GetAllFdbWalk) {
    struct Case {
        int entries;
        int failAt;
        size_t listed;
        size_t requests;
        const char *fault;
    };
    const Case cases[] = {
        {0, -1, 0, 1, ""},
        {12, -1, 12, 13, ""},
        {1300, -1, 1024, 1024, ""},
        {12, 4, 0, 5, "Unknown error"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entries);
        gFake.cmCalls.clear();
        FdbTable table{c.entries, c.failAt};
        gFake.cmAnswer = std::ref(table);
        std::string out = serve("<f:getAllFdb/>");
        EXPECT_EQ(fault(out), c.fault);
        EXPECT_EQ(count(out, "<fdb>"), c.listed);
        EXPECT_EQ(gFake.cmCalls.size(), c.requests);
        if (c.entries == 12 && c.failAt < 0) {
            // The next key is the last entry's MAC address in lower case with its VLAN instance.
            EXPECT_EQ(
                gFake.cmCalls[11].text,
                "<module_fdb><get><fdb_show><mac_addr>00:00:00:00:00:0a</mac_addr><vlanInstance>20"
                "</vlanInstance><vlan_name/><port_list/><type>0</type></fdb_show></get></"
                "module_fdb>");
        }
    }
}

}  // namespace
