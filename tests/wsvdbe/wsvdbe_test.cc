#include "cfgmgmt/cmBackend/src/wsvdbe_objdef.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "daemon/counters.h"
#include "daemon/log.h"
#include "daemon/trace_file.h"
#include "platform/cmbe.h"
#include "platform/ems.h"
#include "session/session_table.h"

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
    static inline std::string scratch;
    static inline cmObjectParser_t *parser = nullptr;

    // A scratch directory of our own: trace files and the ems ring land there, and its
    // run directory holds no platform socket, so session-manager calls fail at once.
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/wsvdbe-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        ASSERT_EQ(mkdir((scratch + "/intern").c_str(), 0755), 0);
        setenv("KARN_SCRATCH_LOCATION", scratch.c_str(), 1);
        setenv("KARN_RUN_LOCATION", scratch.c_str(), 1);
        unsetenv("KARN_EMS_INCIDENTS");
        gWsvdTraceHandle = emsInitTraceBuffer("wsvdbe_test", 20000, 0, nullptr);
        parser = cmObjectParserAlloc();
    }
    static void TearDownTestSuite() {
        cmObjectParserFree(parser);
        cmFuncTableEntryRemove(&gWsvdbeFuncTableEntry);
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 0);
        emsTraceFree(gWsvdTraceHandle);
        gWsvdTraceHandle = nullptr;
        for (const char *file :
             {"/intern/trace.wsvd", "/intern/secondtrace.wsvd", "/ems/wsvdbe_test.trace"})
            unlink((scratch + file).c_str());
        rmdir((scratch + "/intern").c_str());
        rmdir((scratch + "/ems").c_str());
        rmdir(scratch.c_str());
    }
    void SetUp() override {
        ASSERT_NE(cmFuncTableInit(), nullptr);
        cmFuncTableEntryInsert(&gWsvdbeFuncTableEntry);
        unsetenv("KARN_SESSION_VAR");
        wsvdSessionTableReset();
        wsvdTraceFileInit();
    }

    // A request object read from XML the way the configuration manager sends it,
    // carrying `action` ("get" or "set").
    static cmObject_t *object(const char *xml, const char *action) {
        cmObject_t *o = cmObjectParse(parser, "wsvdbe", xml, uint32_t(strlen(xml)));
        EXPECT_NE(o, nullptr) << xml << ": "
                              << (parser->errorBuffer->data ? parser->errorBuffer->data : "");
        if (o) o->action = wsvdbeLookup(action);
        return o;
    }
    // Runs one action; returns what cmBackendAction returned.
    static int run(Request &req, const char *xml, const char *action) {
        cmObject_t *o = object(xml, action);
        if (!o) return -1;
        int supported = cmBackendAction(&req.r, o);
        cmObjectFree(o, cmFree_all);
        return supported;
    }
    static std::string convert(Request &req) {
        EXPECT_EQ(cmBackendConvert(&req.r, &req.reply), 1);
        return req.text();
    }

    // Stores a session in `slot` the way openSession does.
    static wsvdSession_t open(int slot, uint32_t kind = 1) {
        wsvdSession_t e{};
        e.sessionIndex = uint32_t(slot);
        e.connectionKind = kind;
        e.accessRight = 1;
        e.idleTimeout = 120;
        snprintf(e.userName, sizeof e.userName, "user%d", slot);
        strcpy(e.password, "pw");
        strcpy(e.appName, "app");
        strcpy(e.xmlApiVersion, "1.0");
        strcpy(e.clientAddress, "10.0.0.1");
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

TEST_F(WsvdbeTest, TagTableIsSortedWithIdsAtPositionsAndDescriptorsNameLeaves) {
    ASSERT_EQ(wsvdbeTagCount, 49u);
    for (uint32_t i = 0; i < wsvdbeTagCount; i++) {
        const cmTag_t &t = wsvdbeTags[i];
        EXPECT_EQ(t.id, i + 1) << t.name;
        if (i > 0) {
            EXPECT_LT(strcmp(wsvdbeTags[i - 1].name, t.name), 0) << t.name;
        }
        EXPECT_EQ(wsvdbeLookup(t.name), &t);
        EXPECT_EQ(t.objectIndex != 0, t.kind == cmTagKind_object) << t.name;
        if (t.kind == cmTagKind_object) {
            EXPECT_NE(wsvdbeDescs[t.objectIndex], nullptr) << t.name;
        }
    }
    EXPECT_EQ(wsvdbeLookup("nonesuch"), nullptr);
    EXPECT_EQ(wsvdbeLookup("module_wsvdbe")->kind, uint32_t(cmTagKind_module));
    EXPECT_EQ(wsvdbeLookup("get")->kind, uint32_t(cmTagKind_action));
    EXPECT_EQ(wsvdbeLookup("set")->kind, uint32_t(cmTagKind_action));
    EXPECT_EQ(wsvdbeDescs[0], nullptr);
    for (uint32_t index = 1; index <= wsvdbeObjectCount; index++) {
        const cmObjectDesc_t *d = wsvdbeDescs[index];
        for (uint32_t f = 0; f < d->fieldCount; f++) {
            const cmFieldDesc_t &field = d->fields[f];
            ASSERT_GE(field.tagId, 1);
            EXPECT_EQ(wsvdbeTags[field.tagId - 1].kind, uint32_t(cmTagKind_leaf));
            EXPECT_EQ(field.arrayMax, field.type == cmType_string ? field.size : 0);
            EXPECT_LE(field.offset + field.size, d->nextOffset);
        }
        EXPECT_GE(d->validOffset, d->nextOffset + sizeof(void *));
        EXPECT_LE(d->validOffset + 4u, d->size);
    }
}

TEST_F(WsvdbeTest, ApplicationInitHandsOverTheTagTableAndTerminateClearsIt) {
    cmBackendApp_t app{};
    app.name = "wsvdbe";
    EXPECT_EQ(cmBackendApplicationInit(&app), 1);
    EXPECT_EQ(app.tags, wsvdbeTags);
    EXPECT_EQ(app.tagCount, 49u);
    EXPECT_NE(app.storage[0], nullptr);
    EXPECT_NE(app.storage[1], app.storage[0]);
    cmBackendApplicationTerminate(&app);
    EXPECT_EQ(app.tags, nullptr);
    EXPECT_EQ(app.tagCount, 0u);
    EXPECT_EQ(app.storage[0], nullptr);
    EXPECT_EQ(app.storage[1], nullptr);
}

TEST_F(WsvdbeTest, UnsupportedPairsSayWhichObjectAndMethod) {
    struct Case {
        const char *xml;
        const char *action;
        const char *message;
    } cases[] = {
        {"<wsvdSession/>", "set", "Object wsvdSession does not support method set."},
        {"<wsvdSessionStats/>", "set", "Object wsvdSessionStats does not support method set."},
        {"<wsvdConfig/>", "module_wsvdbe",
         "Object wsvdConfig does not support method module_wsvdbe."},
    };
    for (const Case &c : cases) {
        Request req;
        bufferPuts(&req.message, "stale text");
        EXPECT_EQ(run(req, c.xml, c.action), 0) << c.xml;
        EXPECT_EQ(req.r.result, 0);
        EXPECT_EQ(req.why(), c.message);
        EXPECT_EQ(req.reply.data, nullptr);
    }
    // An object without any action, and no object at all, are refused the same way.
    Request req;
    cmObject_t bare{};
    bare.tag = wsvdbeLookup("wsvdConfig");
    EXPECT_EQ(cmBackendAction(&req.r, &bare), 0);
    EXPECT_EQ(req.why(), "Object wsvdConfig does not support method .");
    EXPECT_EQ(cmBackendAction(&req.r, nullptr), 0);
}

TEST_F(WsvdbeTest, ConfigGetWritesTheFiveFieldsInOrder) {
    Request req;
    EXPECT_EQ(run(req, "<wsvdConfig/>", "get"), 1);
    EXPECT_EQ(req.r.result, 1);
    EXPECT_EQ(convert(req),
              "<wsvdConfig><http>0</http><https>0</https><maxSessions>6</maxSessions>"
              "<radius>0</radius><tacas>0</tacas></wsvdConfig>");
}

TEST_F(WsvdbeTest, MaxSessionsAboveTheTableIsRefused) {
    {
        Request req;
        EXPECT_EQ(run(req, "<wsvdConfig><maxSessions>33</maxSessions></wsvdConfig>", "set"), 1);
        EXPECT_EQ(req.r.result, 0);
        EXPECT_EQ(req.why(), "Session exceeded max sessions");
        EXPECT_EQ(wsvdSessionGetMax(), 6);
    }
    Request req;
    EXPECT_EQ(run(req, "<wsvdConfig><maxSessions>10</maxSessions></wsvdConfig>", "set"), 1);
    EXPECT_EQ(req.r.result, 1);
    EXPECT_EQ(wsvdSessionGetMax(), 10);
    Request get;
    run(get, "<wsvdConfig/>", "get");
    EXPECT_NE(convert(get).find("<maxSessions>10</maxSessions>"), std::string::npos);
}

TEST_F(WsvdbeTest, HttpAndHttpsGivenAsZeroEndTheirSessionsAndHttpsDecides) {
    struct Case {
        const char *fields;
        std::vector<int> left;
    } cases[] = {
        {"<http>0</http>", {1, 4}},
        {"<https>0</https>", {0, 3}},
        {"<http>0</http><https>1</https>", {0, 1, 3, 4}},
        {"<http>1</http><https>0</https>", {0, 3}},
        {"<http>0</http><https>0</https>", {}},
        {"<http>1</http>", {0, 1, 3, 4}},
        {"<radius>0</radius><tacas>0</tacas>", {0, 1, 3, 4}},
        {"<maxSessions>5</maxSessions><http>0</http>", {1, 4}},
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

        // Every ended slot was announced in the platform trace before it went.
        std::string added = emsTraceText(gWsvdTraceHandle).substr(before.size());
        for (int slot : {0, 1, 3, 4}) {
            bool ended = std::find(c.left.begin(), c.left.end(), slot) == c.left.end();
            std::string line = "Index:" + std::to_string(slot) + " is being freed\n";
            EXPECT_EQ(added.find(line) != std::string::npos, ended) << slot;
        }
    }
}

TEST_F(WsvdbeTest, SessionGetNextWalksTheTableByReturnedIds) {
    open(0);
    wsvdSession_t second = open(2, 2);
    open(5);
    std::vector<int> seen;
    std::string id;
    for (int step = 0; step < 10; step++) {
        Request req(CM_BE_FLAG_GET_NEXT);
        std::string xml = id.empty()
                              ? "<wsvdSession/>"
                              : "<wsvdSession><sessionId>" + id + "</sessionId></wsvdSession>";
        EXPECT_EQ(run(req, xml.c_str(), "get"), 1);
        if (req.r.result == 1) break;
        ASSERT_EQ(req.r.result, 2);
        const auto *s = req.answer<wsvdbeSession_t>();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(req.reply.tag, wsvdbeLookup("wsvdSession"));
        id = s->sessionId;
        wsvdSessionIdParsed_t parsed;
        wsvdSessionIdParse(s->sessionId, &parsed);
        seen.push_back(parsed.slotIndex);
        if (parsed.slotIndex == 2) {
            EXPECT_STREQ(s->sessionId, second.sessionId);
            EXPECT_STREQ(s->cookie, second.cookie);
            EXPECT_STREQ(s->userName, "user2");
            EXPECT_STREQ(s->password, "pw");
            EXPECT_STREQ(s->appName, "app");
            EXPECT_STREQ(s->xmlApiVersion, "1.0");
            EXPECT_STREQ(s->ipAddress, "10.0.0.1");
            EXPECT_EQ(s->timeout, 120);
            EXPECT_EQ(s->clientTimeout, 120);
            EXPECT_EQ(s->accessRight, 1);
            EXPECT_EQ(s->status, 1);
            EXPECT_EQ(s->connectionType, 2);
            EXPECT_EQ(s->port + s->process + s->sessionIndex, 0);
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 2, 5}));
}

TEST_F(WsvdbeTest, SessionGetAnswersOnlyGetNextAndStopsAtAnEmptyId) {
    open(0);
    {
        Request req;  // a plain get
        run(req, "<wsvdSession/>", "get");
        EXPECT_EQ(req.r.result, 0);
        ASSERT_NE(req.answer<wsvdbeSession_t>(), nullptr);
        EXPECT_STREQ(req.answer<wsvdbeSession_t>()->sessionId, "");
    }
    // A slot in use whose id is empty ends the walk, even with a session after it.
    open(3);
    wsvdSessionSlot(1)->inUse = 1;
    Request req(CM_BE_FLAG_GET_NEXT);
    std::string xml = std::string("<wsvdSession><sessionId>") + wsvdSessionSlot(0)->sessionId +
                      "</sessionId></wsvdSession>";
    run(req, xml.c_str(), "get");
    EXPECT_EQ(req.r.result, 1);
}

TEST_F(WsvdbeTest, SessionStatsReportTheNextSessionsCounters) {
    open(1);
    open(4);
    const int kinds[] = {1, 1, 1, 6, 6, 7, 8, 8, 8, 8, 2, 5};
    for (int kind : kinds) wsvdSessionCountOperation(4, kind);

    Request first;
    EXPECT_EQ(run(first, "<wsvdSessionStats/>", "get"), 1);
    ASSERT_EQ(first.r.result, 2);
    EXPECT_STREQ(first.answer<wsvdbeSessionStats_t>()->sessionId, wsvdSessionSlot(1)->sessionId);
    EXPECT_EQ(first.answer<wsvdbeSessionStats_t>()->index, 0u);

    Request next;
    std::string xml = std::string("<wsvdSessionStats><sessionId>") + wsvdSessionSlot(1)->sessionId +
                      "</sessionId></wsvdSessionStats>";
    run(next, xml.c_str(), "get");
    ASSERT_EQ(next.r.result, 2);
    const auto *s = next.answer<wsvdbeSessionStats_t>();
    EXPECT_STREQ(s->sessionId, wsvdSessionSlot(4)->sessionId);
    EXPECT_EQ(s->index, 2u);  // the slot the search started from
    EXPECT_EQ(s->getApi, 3u);
    EXPECT_EQ(s->setApi, 2u);
    EXPECT_EQ(s->createApi, 1u);
    EXPECT_EQ(s->deleteApi, 4u);
    EXPECT_EQ(s->genericSetApi, 2u);

    Request end;
    xml = std::string("<wsvdSessionStats><sessionId>") + wsvdSessionSlot(4)->sessionId +
          "</sessionId></wsvdSessionStats>";
    run(end, xml.c_str(), "get");
    EXPECT_EQ(end.r.result, 1);
}

TEST_F(WsvdbeTest, CountersMapOntoTheirFields) {
    struct Case {
        int counter;
        uint64_t wsvdbeGlobalCounter_t::*field;
        int times;
    } cases[] = {
        {WSVD_CNT_AUTH_FAILURES, &wsvdbeGlobalCounter_t::authFailure, 1},
        {WSVD_CNT_BACKEND_ERRORS, &wsvdbeGlobalCounter_t::xmlBackendError, 2},
        {WSVD_CNT_ERRORS, &wsvdbeGlobalCounter_t::xmlError, 3},
        {WSVD_CNT_INTERNAL_ERRORS, &wsvdbeGlobalCounter_t::xmlInternalError, 4},
        {WSVD_CNT_SCHEMA_ERRORS, &wsvdbeGlobalCounter_t::xmlSchemaError, 5},
        {WSVD_CNT_SESSIONS_DENIED, &wsvdbeGlobalCounter_t::xmlSessionDenied, 6},
        {WSVD_CNT_SESSION_REQUESTS, &wsvdbeGlobalCounter_t::xmlSessionRequest, 7},
        {WSVD_CNT_SESSIONS_TIMED_OUT, &wsvdbeGlobalCounter_t::xmlSessionTimedOut, 8},
    };
    Request before;
    run(before, "<wsvdGlobalCounter/>", "get");
    for (const Case &c : cases)
        for (int i = 0; i < c.times; i++) wsvdCounterIncrement(c.counter);
    wsvdCounterIncrement(WSVD_CNT_REQUESTS);  // reported by no field

    Request after;
    EXPECT_EQ(run(after, "<wsvdGlobalCounter/>", "get"), 1);
    EXPECT_EQ(after.r.result, 1);
    const auto *b = before.answer<wsvdbeGlobalCounter_t>();
    const auto *a = after.answer<wsvdbeGlobalCounter_t>();
    for (const Case &c : cases) EXPECT_EQ(a->*c.field - b->*c.field, uint64_t(c.times));
    EXPECT_EQ(a->xmlRequest, 0u);

    Request set;  // accepted, changes nothing
    EXPECT_EQ(run(set, "<wsvdGlobalCounter><xmlError>0</xmlError></wsvdGlobalCounter>", "set"), 1);
    EXPECT_EQ(set.r.result, 1);
    EXPECT_EQ(wsvdCounterGet(WSVD_CNT_ERRORS), a->xmlError);
}

TEST_F(WsvdbeTest, TraceConfigGetReportsFourFieldsAndSetUsesTheValidBitsAsMask) {
    const std::string first = scratch + "/intern/trace.wsvd";
    const std::string second = scratch + "/intern/secondtrace.wsvd";
    auto get = [&] {
        Request req;
        EXPECT_EQ(run(req, "<wsvdTraceConfig/>", "get"), 1);
        EXPECT_EQ(req.r.result, 1);
        return convert(req);
    };
    EXPECT_EQ(get(), "<wsvdTraceConfig><fileName><![CDATA[" + first +
                         "]]></fileName><maxFileSize>1000</maxFileSize><secondFileName><![CDATA[" +
                         second +
                         "]]></secondFileName><startTracing>0</startTracing>"
                         "</wsvdTraceConfig>");

    struct Step {
        const char *fields;
        int32_t maxFileSize;
        uint32_t enabled;
    } steps[] = {
        {"<maxFileSize>2000</maxFileSize>", 2000, 0},
        {"<startTracing>1</startTracing>", 2000, 1},
        {"<currentFileSize>5</currentFileSize><rollOver>1</rollOver>", 2000, 1},
        {"<maxFileSize>300</maxFileSize><startTracing>0</startTracing>", 300, 0},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.fields);
        Request req;
        std::string xml = std::string("<wsvdTraceConfig>") + s.fields + "</wsvdTraceConfig>";
        EXPECT_EQ(run(req, xml.c_str(), "set"), 1);
        EXPECT_EQ(req.r.result, 1);
        wsvdTraceReport_t report{};
        wsvdTraceFileReport(&report);
        EXPECT_EQ(report.maxFileSize, s.maxFileSize);
        EXPECT_EQ(report.enabled, s.enabled);
    }
    EXPECT_NE(get().find("<maxFileSize>300</maxFileSize>"), std::string::npos);
}

TEST_F(WsvdbeTest, ConvertEmptiesTheOutputAndWritesEveryReplyObject) {
    Request config, counters;
    run(config, "<wsvdConfig/>", "get");
    run(counters, "<wsvdGlobalCounter/>", "get");
    // A list of two answers with an object of no known index between them.
    static const cmTag_t bogus = {"bogus", 99, cmTagKind_object, 7};
    cmObject_t middle{};
    middle.tag = &bogus;
    config.reply.next = &middle;
    middle.next = &counters.reply;

    Request req;
    bufferPuts(&req.out, "left over");
    testing::internal::CaptureStderr();
    EXPECT_EQ(cmBackendConvert(&req.r, &config.reply), 1);
    std::string incidents = testing::internal::GetCapturedStderr();
    config.reply.next = nullptr;
    EXPECT_NE(incidents.find("Invalid object type --> 7!"), std::string::npos) << incidents;
    std::string xml = req.text();
    EXPECT_EQ(xml.rfind("<wsvdConfig><http>0</http>", 0), 0u) << xml;
    EXPECT_NE(xml.find("</wsvdConfig><wsvdGlobalCounter><authFailure>"), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 20), "</wsvdGlobalCounter>");
}

TEST_F(WsvdbeTest, BadTagsAreReportedAsIncidentsAndRefused) {
    static const cmTag_t badIndex = {"bogus", 99, cmTagKind_object, 6};
    static const cmTag_t zeroIndex = {"bogus", 99, cmTagKind_object, 0};
    static const cmTag_t grouping = {"bogus", 99, cmTagKind_grouping, 0};
    const cmTag_t *getTag = wsvdbeLookup("get");
    const cmTag_t *leafTag = wsvdbeLookup("http");

    testing::internal::CaptureStderr();
    EXPECT_EQ(cmObjectAlloc(&badIndex), nullptr);
    EXPECT_EQ(cmObjectAlloc(&zeroIndex), nullptr);
    EXPECT_EQ(cmObjectAlloc(getTag), nullptr);
    EXPECT_EQ(cmObjectAlloc(&grouping), nullptr);

    cmObject_t *leaf = cmObjectAlloc(leafTag);  // a wrapper without structure
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->data, nullptr);
    cmObject_t item{};
    item.tag = leafTag;
    item.data = const_cast<char *>("1");
    EXPECT_EQ(cmObjectSetData(leaf, &item), -1);
    cmObjectFree(leaf, cmFree_all);

    cmObject_t wrong{};
    wrong.tag = &badIndex;
    EXPECT_EQ(cmObjectSetData(&wrong, &item), -1);
    cmObjectFree(&wrong, cmFree_data);
    EXPECT_EQ(wrong.tag, nullptr);
    wrong.tag = getTag;
    cmObjectFree(&wrong, cmFree_data);
    std::string incidents = testing::internal::GetCapturedStderr();

    for (const char *expected :
         {"wsvdbe_objdef: cmObjectAlloc: Invalid object C type --> 6!",
          "wsvdbe_objdef: cmObjectAlloc: Invalid object C type --> 0!",
          "wsvdbe_objdef: cmObjectAlloc: Invalid object info type --> 2!",
          "wsvdbe_objdef: cmObjectAlloc: Invalid object info type --> 5!",
          "wsvdbe_objdef: cmObjectSetData: Invalid parent container type --> 3!",
          "wsvdbe_objdef: cmObjectSetData: Invalid object C type --> 6!",
          "wsvdbe_objdef: cmObjectFree: Invalid object C type --> 6!",
          "wsvdbe_objdef: cmObjectFree: Invalid object info type --> 2!"})
        EXPECT_NE(incidents.find(expected), std::string::npos) << expected << "\n" << incidents;

    cmObject_t *bare = cmObjectAlloc(nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->tag, nullptr);
    cmObjectFree(bare, cmFree_all);
}

TEST_F(WsvdbeTest, RequestTextsAreReadLeniently) {
    // Fields of other objects are skipped; a nested object is dropped whole (the
    // sanitizer build checks that nothing of it leaks).
    cmObject_t *o = object(
        "<wsvdConfig><maxSessions>4</maxSessions><fileName>x</fileName>"
        "<wsvdTraceConfig><maxFileSize>1</maxFileSize></wsvdTraceConfig></wsvdConfig>",
        "set");
    ASSERT_NE(o, nullptr);
    const auto *c = static_cast<const wsvdbeConfig_t *>(o->data);
    EXPECT_EQ(c->maxSessions, 4);
    EXPECT_EQ(c->valid, 1u << 2);
    cmObjectFree(o, cmFree_all);

    // A value that does not convert fails the parse without leaking the object.
    const char bad[] = "<wsvdConfig><maxSessions>many</maxSessions></wsvdConfig>";
    EXPECT_EQ(cmObjectParse(parser, "wsvdbe", bad, uint32_t(strlen(bad))), nullptr);
}

}  // namespace
