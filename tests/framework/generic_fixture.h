// The generic object operations and NETCONF through the SOAP engine, over a small
// hand-written schema and a scripted configuration manager (tests/services/fake_peers):
// each test gives the replies in order and checks the request texts that were sent.
#pragma once
#include <string>
#include <vector>

#include "cmclient/cm.h"
#include "framework/xmlfwk_registry.h"
#include "tests/framework/generic_schema.h"
#include "session/session_table.h"
#include "tests/services/service_fixture.h"

// A virtual router row as cfgmgr writes it: "vr<n>", vrId n.
inline std::string vrRow(int n, const char *state = "1") {
    std::string name = "vr" + std::to_string(n);
    return "<vr><name>" + name + "</name><vrId>" + std::to_string(n) + "</vrId><adminState>" +
           state + "</adminState><description>d" + std::to_string(n) + "</description></vr>";
}

// Row builders for the tables of requests sent and replies scripted.
template <class... T>
std::vector<std::string> texts(T... t) {
    return {std::string(t)...};
}
template <class... T>
std::vector<FakeCmReply> replies(T... r) {
    return {r...};
}

class GenericTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        writeFile(dir_ / "objects.xsd", kGenericSchema);
        writeFile(dir_ / "xsdlist.lst", "objects.xsd\n");
        // The generic operations alone: no object handler over the hand-written schema.
        ASSERT_EQ(xmlFwkInitWith(dir_.c_str(), [] {}), 1);
        rw_ = openSession(2, 1);
        ro_ = openSession(3, 0);
    }
    void TearDown() override {
        xmlFwkFree();
        ServiceTest::TearDown();
    }

    std::string header(const std::string &session) const {
        return "<hdr><sessionId>" + session + "</sessionId></hdr>";
    }

    // The replies cfgmgr gives, in order; every request after the last gets an empty
    // success.
    void script(std::vector<FakeCmReply> replies) {
        gFake.cmAnswer = [replies](const FakeCmCall &) {
            size_t n = gFake.cmCalls.size() - 1;
            return n < replies.size() ? replies[n] : cmOk();
        };
    }
    // The requests sent, each as "E " (the object the key names), "N " (the object
    // after it) or "S " (a set) and its text.
    static std::vector<std::string> sent() {
        std::vector<std::string> texts;
        for (const FakeCmCall &c : gFake.cmCalls) {
            const char *kind = c.operation == CM_OP_SET     ? "S "
                               : c.getFlags == CM_GET_EXACT ? "E "
                               : c.getFlags == CM_GET_NEXT  ? "N "
                                                            : "? ";
            texts.push_back(kind + c.text);
        }
        return texts;
    }

    // An operation of the switch namespace on a typed filter, with the read-write
    // session in the SOAP header.
    std::string generic(const char *operation, const std::string &object,
                        const std::string &attributes = "", const std::string &session = "") {
        return serve("<sw:" + std::string(operation) + kGenericNs + attributes + ">" + object +
                         "</sw:" + operation + ">",
                     header(session.empty() ? rw_ : session));
    }
    static std::string typed(const char *type, const std::string &fields) {
        return std::string("<filter xsi:type=\"") + type + "\" objectType=\"x\">" + fields +
               "</filter>";
    }
    static std::string vlan(const std::string &fields) { return typed("vlan:VlanConfig", fields); }
    static std::string vr(const std::string &fields) { return typed("vlan:VirtualRouter", fields); }
    // The objects text of a get response.
    static std::string objects(const std::string &out) {
        size_t a = out.find("<objects>");
        size_t b = out.find("</objects>");
        if (a == std::string::npos || b == std::string::npos) return "(none) " + out;
        return out.substr(a, b + strlen("</objects>") - a);
    }

    ScratchDir dir_{"generic"};
    std::string rw_, ro_;
};
