// Serves SOAP envelopes through the engine with a request record set up as the worker
// would (user, client kind, answer, response buffer, raw text as pieces), against
// the fake peers.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "daemon/soap_serve.h"
#include "session/session_auth.h"
#include "session/session_table.h"
#include "tests/services/fake_peers.h"
#include "tests/soap/soap_test_support.h"
#include "tests/support/scratch.h"

inline const std::string kNsDecls =
    "xmlns:v=\"urn:xapi/l2protocol/vlan\" xmlns:f=\"urn:xapi/l2protocol/fdb\" "
    "xmlns:c=\"urn:xapi/cfgmgmt/cfgmgr\" xmlns:a=\"urn:xapi/l2protocol/acl\" "
    "xmlns:p=\"urn:xapi/system/policy\" xmlns:u=\"" WSVD_SCHEMA_BASE_URI
    "/XMLSchema/qtn/upm\" "
    "xmlns:com=\"" WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/common\"";

// Text as a client writes it inside an XML element.
inline std::string escaped(const std::string &text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            wsvdSoapInstallHandlers();
            cmObjectInit_vlan();
            cmObjectInit_fdb();
            registered = true;
        }
        env_.unset("KARN_SESSION_VAR");
        wsvdSessionTableReset();
        wsvdLockoutReset();
        gFake = FakePeers();
        soap_ = wsvdSoapContextNew();
        ASSERT_NE(soap_, nullptr);
        ASSERT_EQ(wsvdAnswerInit(&answer_), 0);
        response_ = bufferAlloc(512);
        ASSERT_NE(response_, nullptr);
    }
    void TearDown() override {
        wsvdSoapContextFree(soap_);
        bufferFree(response_);
        wsvdAnswerDestroy(&answer_);
        gFake = FakePeers();
    }

    // Serves `body` (and an optional SOAP header) as a web-server request of the given
    // client kind and returns what the engine wrote.
    std::string serve(const std::string &body, const std::string &header = "",
                      uint32_t clientKind = WSVD_CLIENT_WEB) {
        wsvdRequest r{};
        r.seqnum = ++seqnum_;
        strcpy(r.userName, "alice");
        strcpy(r.password, "secret");
        r.clientKind = clientKind;
        r.answer = &answer_;
        r.response = response_;
        gFake.active = &r;
        SoapExchange x = serveText(soap_, envelope(body, kNsDecls, kEnv11, header), 1000, &r);
        gFake.active = nullptr;
        // The handler leaves no reply text, data, pending post or open wait behind.
        EXPECT_EQ(r.replyMessage, nullptr);
        EXPECT_EQ(r.replyData, nullptr);
        EXPECT_NE(sem_trywait(&answer_.posted), 0);
        EXPECT_FALSE(answer_.awaited);
        return x.output();
    }

    // Serves `body` expecting fault `want` ("" = carried out, one request sent); a
    // refused request sends cfgmgr nothing.
    std::string expectFault(const std::string &body, const char *want) {
        gFake.cmCalls.clear();
        std::string out = serve(body);
        EXPECT_EQ(fault(out), want) << out;
        EXPECT_EQ(gFake.cmCalls.size(), want[0] ? 0u : 1u);
        return out;
    }

    // Serves `body`, expecting it carried out with one request to cfgmgr: that request.
    FakeCmCall sentOne(const std::string &body) {
        gFake.cmCalls.clear();
        std::string out = serve(body);
        EXPECT_EQ(fault(out), "") << out;
        EXPECT_EQ(gFake.cmCalls.size(), 1u) << out;
        return gFake.cmCalls.empty() ? FakeCmCall{} : gFake.cmCalls[0];
    }

    // A session in slot `slot` with the given access right (1 read-write); returns its id.
    static std::string openSession(int slot, uint32_t accessRight) {
        wsvdSession_t s{};
        s.sessionIndex = uint32_t(slot);
        s.accessRight = accessRight;
        wsvdSessionFormatId(slot, 40u + uint32_t(slot), s.sessionId);
        wsvdSessionStore(&s);
        return s.sessionId;
    }
    static std::string fault(const std::string &out) {
        size_t a = out.find("<faultstring>");
        if (a == std::string::npos) return "";
        a += strlen("<faultstring>");
        return out.substr(a, out.find("</faultstring>", a) - a);
    }
    static size_t count(const std::string &out, const std::string &what) {
        size_t n = 0;
        for (size_t p = out.find(what); p != std::string::npos; p = out.find(what, p + 1)) n++;
        return n;
    }

    ScopedEnv env_;  // what a test changes of the environment, put back after it
    struct soap *soap_ = nullptr;
    wsvdAnswer_t answer_;
    buffer_t *response_ = nullptr;
    uint32_t seqnum_ = 100;
};
