#include "cfgmgmt/cmBackend/src/wsvdbe_objdef.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_backend_app.h"
#include "daemon/backend_ops.h"
#include "daemon/trace_file.h"
#include "platform/ems.h"
#include "session/session_table.h"
#include "tests/support/scratch.h"

namespace {

// One backend request with its own buffers and reply wrapper, as the library hands it.
struct Request {
    buffer_t out{};
    buffer_t message{};
    cmObject_t reply{};
    cmBackendRequest_t r{};
    explicit Request(uint32_t flags = 0) {
        r.flags = flags;
        r.out = &out;
        r.message = &message;
        r.reply = &reply;
        r.tags = wsvdbeTags;
        r.result = -1;
    }
    ~Request() {
        cmObjectFree(&reply, cmFree_data);
        free(out.data);
        free(message.data);
    }
    std::string text() const { return out.data ? out.data : ""; }
    std::string why() const { return message.data ? message.data : ""; }
    template <class T>
    const T *answer() const {
        return static_cast<const T *>(reply.data);
    }
};

class WsvdbeTest : public ::testing::Test {
protected:
    static inline std::unique_ptr<ScratchDir> scratch;
    static inline std::unique_ptr<ScopedEnv> env;
    static inline cmObjectParser_t *parser = nullptr;

    // A scratch directory of our own: trace files and the ems ring land there, and its
    // run directory holds no platform socket, so session-manager calls fail at once.
    static void SetUpTestSuite() {
        scratch = std::make_unique<ScratchDir>("wsvdbe");
        env = std::make_unique<ScopedEnv>();
        ASSERT_EQ(mkdir((*scratch / "intern").c_str(), 0755), 0);
        env->set("KARN_SCRATCH_LOCATION", scratch->path())
            .set("KARN_RUN_LOCATION", scratch->path())
            .unset("KARN_EMS_INCIDENTS")
            .unset("KARN_SESSION_VAR");
        gWsvdTraceHandle = emsInitTraceBuffer("wsvdbe_test", 20000, 0, nullptr);
        wsvdbeSetDaemonOps(&wsvdBackendOps);
        parser = cmObjectParserAlloc();
    }
    static void TearDownTestSuite() {
        cmObjectParserFree(parser);
        cmFuncTableEntryRemove(&gWsvdbeFuncTableEntry);
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 0);
        emsTraceFree(gWsvdTraceHandle);
        gWsvdTraceHandle = nullptr;
        env.reset();
        scratch.reset();
    }
    void SetUp() override {
        ASSERT_NE(cmFuncTableInit(), nullptr);
        cmFuncTableEntryInsert(&gWsvdbeFuncTableEntry);
        wsvdSessionTableReset();
        wsvdTraceFileInit();
    }

    // Runs one action on a request object read from XML the way the configuration
    // manager sends it, carrying `action` ("get" or "set"); returns what cmBackendAction
    // returned.
    static int run(Request &req, const char *xml, const char *action) {
        cmObject_t *o = cmObjectParse(parser, "wsvdbe", xml, uint32_t(strlen(xml)));
        EXPECT_NE(o, nullptr) << xml;
        if (!o) return -1;
        o->action = wsvdbeLookup(action);
        int supported = cmBackendAction(&req.r, o);
        cmObjectFree(o, cmFree_all);
        return supported;
    }
    static std::string convert(Request &req) {
        EXPECT_EQ(cmBackendConvert(&req.r, &req.reply), 1);
        return req.text();
    }
    static std::string withId(const char *object, const char *id) {
        return std::string("<") + object + "><sessionId>" + id + "</sessionId></" + object + ">";
    }

    // Stores a session in `slot` the way openSession does.
    static wsvdSession_t open(int slot, uint32_t kind = 1) {
        wsvdSession_t e{};
        e.sessionIndex = uint32_t(slot);
        e.connectionKind = kind;
        e.accessRight = 1;
        snprintf(e.userName, sizeof e.userName, "user%d", slot);
        wsvdSessionFormatCookie(slot, wsvdSessionCookieCounter(), e.cookie);
        wsvdSessionFormatId(slot, wsvdSessionNextCookieCounter(), e.sessionId);
        wsvdSessionStore(&e);
        return e;
    }
    static std::vector<int> slotsInUse() {
        std::vector<int> used;
        for (int i = 0; i < WSVD_SESSION_SLOTS; i++)
            if (wsvdSessionSlot(i)->inUse) used.push_back(i);
        return used;
    }
};

TEST_F(WsvdbeTest, UnsupportedPairsSayWhichObjectAndMethod) {
    Request req;
    bufferPuts(&req.message, "stale text");
    EXPECT_EQ(run(req, "<wsvdSession/>", "set"), 0);
    EXPECT_EQ(req.r.result, 0);
    EXPECT_EQ(req.why(), "Object wsvdSession does not support method set.");
}

TEST_F(WsvdbeTest, ConfigReportsAndBoundsMaxSessions) {
    Request get;
    EXPECT_EQ(run(get, "<wsvdConfig/>", "get"), 1);
    EXPECT_EQ(get.r.result, 1);
    EXPECT_EQ(convert(get),
              "<wsvdConfig><http>0</http><https>0</https><maxSessions>6</maxSessions>"
              "<radius>0</radius><tacas>0</tacas></wsvdConfig>");

    Request refused;
    EXPECT_EQ(run(refused, "<wsvdConfig><maxSessions>33</maxSessions></wsvdConfig>", "set"), 1);
    EXPECT_EQ(refused.r.result, 0);
    EXPECT_EQ(refused.why(), "Session exceeded max sessions");
    EXPECT_EQ(wsvdSessionGetMax(), 6);

    Request accepted;
    EXPECT_EQ(run(accepted, "<wsvdConfig><maxSessions>10</maxSessions></wsvdConfig>", "set"), 1);
    EXPECT_EQ(accepted.r.result, 1);
    EXPECT_EQ(wsvdSessionGetMax(), 10);
}

TEST_F(WsvdbeTest, HttpAndHttpsGivenAsZeroEndTheirSessionsAndHttpsDecides) {
    struct Case {
        const char *fields;
        std::vector<int> left;
    } cases[] = {
        {"<http>0</http>", {1, 4}},
        {"<https>0</https>", {0, 3}},
        {"<http>0</http><https>1</https>", {0, 1, 3, 4}},
        {"<http>0</http><https>0</https>", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fields);
        wsvdSessionTableReset();
        open(0, 1);
        open(1, 2);
        open(3, 1);
        open(4, 2);
        std::string before = emsTraceText(gWsvdTraceHandle);
        Request req;
        std::string xml = std::string("<wsvdConfig>") + c.fields + "</wsvdConfig>";
        EXPECT_EQ(run(req, xml.c_str(), "set"), 1);
        EXPECT_EQ(req.r.result, 1);
        EXPECT_EQ(slotsInUse(), c.left);
        // Every ended slot, and only those, is announced in the platform trace.
        std::string added = emsTraceText(gWsvdTraceHandle).substr(before.size());
        for (int slot : {0, 1, 3, 4})
            EXPECT_EQ(added.find("Index:" + std::to_string(slot) + " is being freed\n") ==
                          std::string::npos,
                      std::count(c.left.begin(), c.left.end(), slot) == 1)
                << slot;
    }
}

TEST_F(WsvdbeTest, SessionGetNextWalksTheTableByReturnedIds) {
    open(0);
    open(2, 2);
    open(5);
    std::vector<int> seen;
    std::string id;
    for (int step = 0; step < 10; step++) {
        Request req(CM_BE_FLAG_GET_NEXT);
        std::string xml = id.empty() ? "<wsvdSession/>" : withId("wsvdSession", id.c_str());
        EXPECT_EQ(run(req, xml.c_str(), "get"), 1);
        if (req.r.result == 1) break;
        ASSERT_EQ(req.r.result, 2);
        const auto *s = req.answer<wsvdbeSession_t>();
        EXPECT_EQ(req.reply.tag, wsvdbeLookup("wsvdSession"));
        id = s->sessionId;
        seen.push_back(int(s->userName[4] - '0'));  // "user<slot>"
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 2, 5}));
}

TEST_F(WsvdbeTest, TraceConfigGetReportsFourFieldsAndSetUsesTheValidBitsAsMask) {
    Request get;
    EXPECT_EQ(run(get, "<wsvdTraceConfig/>", "get"), 1);
    EXPECT_EQ(get.r.result, 1);
    EXPECT_EQ(convert(get), "<wsvdTraceConfig><fileName><![CDATA[" +
                                *scratch /
                                    "intern/trace.wsvd]]></fileName><maxFileSize>1000</maxFileSize>"
                                    "<secondFileName><![CDATA[" +
                                *scratch /
                                    "intern/secondtrace.wsvd]]></secondFileName>"
                                    "<startTracing>0</startTracing></wsvdTraceConfig>");
    Request set;
    EXPECT_EQ(run(set,
                  "<wsvdTraceConfig><maxFileSize>2000</maxFileSize><startTracing>1"
                  "</startTracing></wsvdTraceConfig>",
                  "set"),
              1);
    EXPECT_EQ(set.r.result, 1);
    wsvdTraceReport_t report{};
    wsvdTraceFileReport(&report);
    EXPECT_EQ(report.maxFileSize, 2000);
    EXPECT_EQ(report.enabled, 1u);
    Request off;
    run(off, "<wsvdTraceConfig><startTracing>0</startTracing></wsvdTraceConfig>", "set");
    wsvdTraceFileReport(&report);
    EXPECT_EQ(report.maxFileSize, 2000);  // not given, so left as it was
    EXPECT_EQ(report.enabled, 0u);
}

}  // namespace
