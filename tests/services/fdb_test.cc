// The FDB service: checks and their spellings, request texts, entry fields and the
// listing walk.

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

// Argument checks in order, each with its own spelling.
TEST_F(FdbTest, ChecksAndTheirSpellings) {
    struct Case {
        const char *op;
        FdbArgs args;
        const char *fault;
    };
    const char *mac = "00:01:02:03:04:05";
    const Case cases[] = {
        {"createFdb", {"", "", nullptr}, "Missing argument"},
        {"createFdb", {"", "", ""}, "Mac Address can not be NULL"},
        {"createFdb", {mac, "", ""}, "Vlan can not be NULL"},
        {"createFdb", {mac, "Default", ""}, "Port can not be NULL"},
        {"deleteFdb", {mac, nullptr, nullptr}, "Missing argument"},
        {"getFdb", {"", nullptr, nullptr}, "Mac Address can not be Null"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.fault);
        expectFault(fdbBody(c.op, c.args), c.fault);
    }
}

// The walk itself is the shared one (tested with the VLAN listing); the FDB's own parts are
// the entry's fields and its next key: the last entry's MAC address in lower case with its
// VLAN instance.
TEST_F(FdbTest, GetAllFdbReadsEntriesAndWalksOnFromTheLast) {
    gFake.cmAnswer = [](const FakeCmCall &) {
        size_t n = gFake.cmCalls.size();
        return n == 1   ? cmOk(fdbReply("0A:1b:FF:00:10:09", "d s", 7), 2)
               : n == 2 ? cmOk(fdbReply("00:0A:00:00:00:0B", "p", 20), 2)
                        : cmOk();
    };
    std::string out = serve("<f:getAllFdb/>");
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_NE(out.find("<fdb><macAddress>0a:1b:ff:00:10:09</macAddress><vlan>Default</vlan>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<age>4000000000</age>"), std::string::npos) << out;
    EXPECT_NE(out.find("<isStatic>true</isStatic><isPermanent>false</isPermanent>"),
              std::string::npos);
    EXPECT_NE(out.find("<isStatic>false</isStatic><isPermanent>true</isPermanent>"),
              std::string::npos);
    ASSERT_EQ(gFake.cmCalls.size(), 3u);
    EXPECT_EQ(
        gFake.cmCalls[2].text,
        "<module_fdb><get><fdb_show><mac_addr>00:0a:00:00:00:0b</mac_addr><vlanInstance>20"
        "</vlanInstance><vlan_name/><port_list/><type>0</type></fdb_show></get></module_fdb>");
}

}  // namespace
