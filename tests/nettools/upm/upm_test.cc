// The UPM service: what each operation checks and in which order, the request texts it
// sends, and how the walks read cfgmgr's answers (a scripted cfgmgr answers each
// request in turn and every request text is compared).
#include <ctime>
#include <memory>

#include "cfgmgmt/objdefs/upm_obj.h"
#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"
#include "tests/support/scratch.h"

namespace {

std::string hdr(const std::string &sessionId) {
    return "<u:hdr><reqId>7</reqId><sessionId>" + sessionId + "</sessionId></u:hdr>";
}

// "<u:NAME>inner HDR</u:NAME>"
std::string op(const std::string &name, const std::string &inner, const std::string &header) {
    return "<u:" + name + ">" + inner + header + "</u:" + name + ">";
}

// "<u:NAME>content</u:NAME>"
std::string u(const std::string &name, const std::string &content) {
    return "<u:" + name + ">" + content + "</u:" + name + ">";
}

std::string upm(const std::string &operation, const std::string &object) {
    return "<module_upm><" + operation + ">" + object + "</" + operation + "></module_upm>";
}

struct Step {
    std::string text;  // the request expected
    FakeCmReply reply;
    uint32_t flags = CM_GET_NEXT;
};

class UpmTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        cmObjectInit_upm();
        env = std::make_unique<ScopedEnv>();
        env->set("TZ", "EST5");  // five hours west of UTC, no summer time
        tzset();
        wsvdSession_t s{};
        s.sessionIndex = 3;
        s.accessRight = 1;  // read-write
        wsvdSessionFormatId(3, 77, s.sessionId);
        wsvdSessionStore(&s);
        sid_ = s.sessionId;
    }
    void TearDown() override {
        env.reset();
        tzset();
        ServiceTest::TearDown();
    }

    // Serves `body` against cfgmgr answering `steps` in order, and checks that the
    // requests were exactly those of `steps`.
    std::string run(const std::string &body, const std::vector<Step> &steps) {
        gFake.cmCalls.clear();
        gFake.cmAnswer = [steps](const FakeCmCall &) {
            size_t i = gFake.cmCalls.size() - 1;
            return i < steps.size() ? steps[i].reply : cmStatus(0, "unexpected request");
        };
        std::string out = serve(body);
        EXPECT_EQ(gFake.cmCalls.size(), steps.size()) << out;
        for (size_t i = 0; i < gFake.cmCalls.size() && i < steps.size(); i++) {
            const FakeCmCall &c = gFake.cmCalls[i];
            EXPECT_EQ(c.text, steps[i].text) << "request " << i;
            EXPECT_EQ(c.module, "upm");
            if (c.operation == CM_OP_GET) {
                EXPECT_EQ(c.getFlags, steps[i].flags) << c.text;
            }
        }
        return out;
    }
    // A set request expected to be sent once with `text`.
    std::string runSet(const std::string &body, const std::string &text,
                       FakeCmReply reply = cmOk()) {
        std::string out = run(body, {{text, reply}});
        if (!gFake.cmCalls.empty()) {
            EXPECT_EQ(gFake.cmCalls[0].operation, uint32_t(CM_OP_SET));
        }
        return out;
    }
    static bool hasHeaderCopy(const std::string &out) {
        return out.find("<reqId>7</reqId>") != std::string::npos;
    }

    std::string sid_;
    std::unique_ptr<ScopedEnv> env;  // reset before tzset() reads the zone back
};

// "<showUpmProfile>" rows of a walk.
std::string bindingRow(const std::string &profile, int event, const std::string &more = "") {
    return "<showUpmProfile><profileName>" + profile + "</profileName><eventType>" +
           std::to_string(event) + "</eventType>" + more + "</showUpmProfile>";
}
std::string profileRow(const std::string &name, const std::string &script) {
    return "<showUpmProfileName><profileName>" + name + "</profileName><data><![CDATA[" + script +
           "]]></data><enable>1</enable><lastBindingTime>0</lastBindingTime><lastChangeTime>"
           "1700000100</lastChangeTime><creationTime>1700000000</creationTime><checksum>4660"
           "</checksum></showUpmProfileName>";
}
FakeCmReply more(const std::string &data) {
    FakeCmReply r = cmOk(data);
    r.status = 2;
    return r;
}

// The session is judged first: an unknown one is refused, and a read-only one may only
// read; each operation counts as a read or as another kind for the session.
TEST_F(UpmTest, SessionCheckComesFirstAndReadOnlySessionsOnlyRead) {
    const std::string name = u("profileName", "p"), event = u("eventObject", u("event", "static"));
    const struct {
        const char *op;
        std::string inner;  // enough for the operation to reach cfgmgr
        int counter;
    } cases[] = {
        {"createProfileRequest", u("profile", u("name", "p")), WSVD_OPC_OTHER},
        {"editProfileRequest", u("profile", u("name", "p") + u("profileEnabled", "true")),
         WSVD_OPC_OTHER},
        {"deleteProfileRequest", u("profile", "p"), WSVD_OPC_OTHER},
        {"getProfileRequest", u("profile", "p"), WSVD_OPC_GET},
        {"getAllProfileRequest", "", WSVD_OPC_GET},
        {"bindProfileRequest", name + event, WSVD_OPC_OTHER},
        {"unbindProfileRequest", name + event, WSVD_OPC_OTHER},
        {"createTimerRequest", u("timer", u("timerName", "t") + u("every", "5")), WSVD_OPC_OTHER},
        {"deleteTimerRequest", u("timer", "t"), WSVD_OPC_OTHER},
        {"getAllTimersRequest", "", WSVD_OPC_GET},
        {"runScriptRequest",
         name + u("event", "timer") + u("portList", "1:1") + u("parameters", "A=1"),
         WSVD_OPC_OTHER},
        {"getExecutionResultRequest", u("executionId", "1"), WSVD_OPC_GET},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.op);
        // Without a session and without arguments: the session is what is refused.
        EXPECT_EQ(fault(run(op(c.op, "", hdr("20af00000000ff")), {})), "Invalid session id");
        uint64_t before = wsvdSessionSlot(3)->opCounters[c.counter];
        gFake.cmAnswer = [](const FakeCmCall &) { return cmOk(); };
        gFake.cmCalls.clear();
        serve(op(c.op, c.inner, hdr(sid_)));
        EXPECT_EQ(gFake.cmCalls.size(), 1u);
        EXPECT_EQ(wsvdSessionSlot(3)->opCounters[c.counter], before + 1);

        bool read = c.counter == WSVD_OPC_GET;
        wsvdSessionSlot(3)->accessRight = 0;
        gFake.cmCalls.clear();
        std::string refused = fault(serve(op(c.op, c.inner, hdr(sid_))));
        if (!read) {
            EXPECT_EQ(refused, "No write permission");
        }
        EXPECT_EQ(gFake.cmCalls.size(), read ? 1u : 0u);
        wsvdSessionSlot(3)->accessRight = 1;
    }
}

// Each change: the request text it sends, or the fault it answers without sending.
TEST_F(UpmTest, ChangesSendTheirTextsOrFault) {
    struct Case {
        const char *op;
        std::string inner;
        std::string expected;  // a request text, or a fault
    };
    const std::string at = u("at", "2026-03-01T12:00:30Z");  // 07:00:30 in the pinned zone
    const std::string date =
        "<sec>30</sec><min>0</min><hour>7</hour><day>1</day><month>3</month><year>2026</year>";
    const std::string pq = u("profileName", "p&amp;q");
    auto event = [](const char *e, const std::string &more = "") {
        return u("eventObject", u("event", e) + more);
    };
    const char *missing = "Missing argument";
    const Case cases[] = {
        {"createProfileRequest", u("profile", u("name", "a&lt;b") + u("data", "x]]&gt;y")),
         upm("set",
             "<upmProfileBuffer><profileName>a&lt;b</profileName><rowStatus>create"
             "</rowStatus><data><![CDATA[x]]]]><![CDATA[>y]]></data></upmProfileBuffer>")},
        {"createProfileRequest", u("profile", u("name", "") + u("data", "x")), missing},
        {"editProfileRequest",
         u("profile", u("name", "p") + u("data", "kept") + u("profileEnabled", "false")),
         upm("set",
             "<cfgUpmProfile><enable>0</enable><profileName>p</profileName><rowStatus>"
             "create</rowStatus></cfgUpmProfile>")},
        {"editProfileRequest", u("profile", u("name", "p")), "Missing Arguments"},
        {"deleteProfileRequest", u("profile", "p&lt;q"),
         upm("set",
             "<upmProfileBuffer><profileName>p&lt;q</profileName><rowStatus>delete</rowStatus>"
             "</upmProfileBuffer>")},
        {"bindProfileRequest", pq + event("timer", u("timerName", "t1")),
         upm("set",
             "<cfgUpmTimer><timerName>t1</timerName><profileName>p&amp;q</profileName>"
             "<rowStatus>create</rowStatus></cfgUpmTimer>")},
        {"bindProfileRequest", pq + u("portList", "1:1-2") + event("static"),
         upm("set",
             "<cfgUpmStaticProfile><profileName>p&amp;q</profileName><portList>1:1-2"
             "</portList><rowStatus>create</rowStatus></cfgUpmStaticProfile>")},
        {"bindProfileRequest", pq + u("portList", "2:3") + event("user-authenticate"),
         upm("set",
             "<cfgUpmProfileEvent><profileName>p&amp;q</profileName><upmEvent>3</upmEvent>"
             "<portList>2:3</portList><rowStatus>create</rowStatus></cfgUpmProfileEvent>")},
        {"bindProfileRequest", pq + event("user-authenticate"), missing},
        {"bindProfileRequest", pq + u("portList", "1:1") + event("log-message"), missing},
        {"unbindProfileRequest", event("timer", u("timerName", "t1")),
         upm("set",
             "<cfgUpmTimer><timerName>t1</timerName><rowStatus>unconfigure</rowStatus>"
             "</cfgUpmTimer>")},
        {"unbindProfileRequest", pq + event("static"),
         upm("set",
             "<cfgUpmProfileEvent><profileName>p&amp;q</profileName><upmEvent>6</upmEvent>"
             "<rowStatus>delete</rowStatus></cfgUpmProfileEvent>")},
        {"createTimerRequest", u("timer", u("timerName", "t1") + at),
         upm("set", "<cfgUpmTimer><rowStatus>create</rowStatus>" + date +
                        "<timerType>1</timerType><timerName>t1</timerName></cfgUpmTimer>")},
        {"createTimerRequest", u("timer", u("timerName", "t3") + at + u("every", "3600")),
         upm("set", "<cfgUpmTimer><rowStatus>create</rowStatus>" + date +
                        "<timerType>2</timerType><secs>3600</secs><timerName>t3</timerName>"
                        "</cfgUpmTimer>")},
        {"createTimerRequest", u("timer", u("timerName", "t") + u("at", "1970-01-01T00:00:00Z")),
         missing},
        {"deleteTimerRequest", u("timer", "t&gt;1"),
         upm("set",
             "<cfgUpmTimer><timerName>t&gt;1</timerName><rowStatus>delete</rowStatus>"
             "</cfgUpmTimer>")},
        {"runScriptRequest",
         u("profileName", "p") + u("event", "log-message") + u("portList", "1:1") +
             u("parameters", "A=&lt;1&gt;"),
         upm("set",
             "<cfgUpmStaticProfile><eventType>7</eventType><envString>A=&lt;1&gt;"
             "</envString><profileName>p</profileName><rowStatus>create</rowStatus>"
             "</cfgUpmStaticProfile>")},
        {"runScriptRequest", u("profileName", "p") + u("event", "timer") + u("portList", "1:1"),
         missing},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        bool sends = c.expected.rfind("<module_upm>", 0) == 0;
        std::string body = op(c.op, c.inner, hdr(sid_));
        std::string out = sends ? runSet(body, c.expected) : run(body, {});
        EXPECT_EQ(fault(out), sends ? "" : c.expected) << out;
        EXPECT_EQ(hasHeaderCopy(out), sends);
    }

    // Only a profile creation is cut, at 8192 characters: cfgmgr refuses it whole.
    gFake.cmCalls.clear();
    serve(op("createProfileRequest",
             u("profile", u("name", "p") + u("data", std::string(9000, 'x'))), hdr(sid_)));
    ASSERT_EQ(gFake.cmCalls.size(), 1u);
    EXPECT_EQ(gFake.cmCalls[0].text.size(), 8192u);
}

// Creating and deleting a profile succeed only with status 1, the other changes fail
// only with status 0.
TEST_F(UpmTest, HowRepliesOfChangesAreJudged) {
    std::string create = op("createProfileRequest", u("profile", u("name", "p")), hdr(sid_));
    std::string remove = op("deleteProfileRequest", u("profile", "p"), hdr(sid_));
    std::string timer = op("deleteTimerRequest", u("timer", "t"), hdr(sid_));
    FakeCmReply notSent;
    notSent.sendResult = 0;
    const struct {
        std::string body;
        FakeCmReply reply;
        const char *fault;
    } cases[] = {
        {create, cmStatus(2), "Unknown error"},
        {remove, cmStatus(2, "busy"), "busy"},
        {timer, cmStatus(2), ""},
        {timer, notSent, "Unable to send message to cfgmgr."},
    };
    for (const auto &c : cases) {
        gFake.cmAnswer = [&](const FakeCmCall &) { return c.reply; };
        std::string out = serve(c.body);
        EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_EQ(hasHeaderCopy(out), c.fault[0] == 0);
    }
}

// Timers until the last one (status 1): `at` from the date in the local zone (07:00:30
// in the pinned zone is 12:00:30 UTC), `every` of periodic ones, names cut to 30.
TEST_F(UpmTest, TimerListing) {
    auto timer = [](const std::string &name, int type, const std::string &fields) {
        return "<cfgUpmTimer><timerName>" + name + "</timerName><timerType>" +
               std::to_string(type) + "</timerType>" + fields + "</cfgUpmTimer>";
    };
    auto after = [](const std::string &name) {
        return upm("get", "<cfgUpmTimer><timerName>" + name + "</timerName></cfgUpmTimer>");
    };
    const std::string date =
        "<sec>30</sec><min>0</min><hour>7</hour><day>1</day><month>3</month><year>2026</year>";
    std::string name32(32, 'n');
    std::string out = run(op("getAllTimersRequest", "", hdr(sid_)),
                          {{upm("get", "<cfgUpmTimer/>"), more(timer("once", 1, date))},
                           {after("once"), more(timer(name32, 2, "<secs>60</secs>"))},
                           {after(name32), more(timer("odd", 9, date))},
                           {after("odd"), cmOk(timer("daily", 2, date + "<secs>86400</secs>"))}});
    const std::string at = "<upm:at>2026-03-01T12:00:30Z</upm:at>",
                      zero = "<upm:at>1970-01-01T00:00:00Z</upm:at>";
    for (const std::string &entry :
         {"once</upm:timerName>" + at + "<upm:every>0<",
          name32.substr(0, 30) + "</upm:timerName>" + zero + "<upm:every>60<",
          "odd</upm:timerName>" + zero + "<upm:every>0<", at + "<upm:every>86400<"})
        EXPECT_NE(out.find(entry), std::string::npos) << entry << "\n" << out;
    EXPECT_TRUE(hasHeaderCopy(out));
    // No timer: success without a header.
    out = run(op("getAllTimersRequest", "", hdr(sid_)), {{upm("get", "<cfgUpmTimer/>"), cmOk()}});
    EXPECT_EQ(fault(out) + (hasHeaderCopy(out) ? "header" : ""), "");
}

// getProfile: the profile by name, then its bindings until a row of another profile.
TEST_F(UpmTest, ProfileWithItsBindings) {
    const std::string name =
        upm("get", "<showUpmProfileName><profileName>p1</profileName></showUpmProfileName>");
    auto walk = [](const std::string &key) {
        return upm("get",
                   "<showUpmProfile><profileName>p1</profileName>" + key + "</showUpmProfile>");
    };
    std::string body = op("getProfileRequest", u("profile", "p1"), hdr(sid_));
    std::string out = run(
        body,
        {{name, cmOk(profileRow("p1", "create vlan v1"))},
         {walk(""), more(bindingRow("p1", 1, "<portList>1:1-2</portList>"))},
         {walk("<eventType>1</eventType>"), more(bindingRow("p1", 5, "<timerName>t1</timerName>"))},
         {walk("<eventType>5</eventType><timerName>t1</timerName>"), more(bindingRow("p2", 6))}});
    EXPECT_NE(
        out.find("<upm:name>p1</upm:name><upm:data>create vlan v1</upm:data>"
                 "<upm:profileEnabled>true</upm:profileEnabled>"
                 "<upm:lastBindingTime>1970-01-01T00:00:00Z</upm:lastBindingTime>"
                 "<upm:lastChangeTime>2023-11-14T22:15:00Z</upm:lastChangeTime>"
                 "<upm:creationTime>2023-11-14T22:13:20Z</upm:creationTime>"
                 "<upm:checksum>4660</upm:checksum><upm:bindingObjectList><upm:bindObject>"
                 "<upm:portList>1:1-2</upm:portList><upm:eventObject><upm:event>"
                 "device-detect</upm:event></upm:eventObject></upm:bindObject><upm:bindObject>"
                 "<upm:eventObject><upm:event>timer</upm:event><upm:timerName>t1"
                 "</upm:timerName></upm:eventObject></upm:bindObject></upm:bindingObjectList>"),
        std::string::npos)
        << out;
    EXPECT_EQ(fault(run(body, {{name, cmOk()}})), "Profile not found");
}

// Results by id (one, however many follow) or by count;
// cfgmgr's result codes 1, 2 and 3 are success, failure and timeout.
TEST_F(UpmTest, ExecutionResults) {
    auto exec = [](int id, int result, const std::string &ports) {
        return "<upmProfileExec><execId>" + std::to_string(id) + "</execId><execTime>1700000000" +
               "</execTime><eventType>5</eventType><profileName>p</profileName><timerName>t" +
               "</timerName><portList>" + ports + "</portList><result>" + std::to_string(result) +
               "</result><output><![CDATA[out]]></output></upmProfileExec>";
    };
    auto byId = [](int id) {
        return upm("get",
                   "<upmProfileExec><execId>" + std::to_string(id) + "</execId></upmProfileExec>");
    };
    auto records = [](int n) { return u("numberOfRecords", std::to_string(n)); };
    const std::string first = upm("get", "<upmProfileExec> </upmProfileExec>"),
                      request = "getExecutionResultRequest";
    std::string out = run(op(request, u("executionId", "4"), hdr(sid_)),
                          {{byId(4), more(exec(4, 1, "1:1")), CM_GET_EXACT}});
    EXPECT_NE(out.find("<upm:executionResults><upm:executionId>4</upm:executionId>"
                       "<upm:executionTime>1700000000</upm:executionTime><upm:eventName>timer"
                       "</upm:eventName><upm:profileName>p</upm:profileName><upm:timerName>t"
                       "</upm:timerName><upm:portList>1:1</upm:portList><upm:status>success"
                       "</upm:status><upm:data>out</upm:data></upm:executionResults>"),
              std::string::npos)
        << out;
    out = run(op(request, records(3), hdr(sid_)), {{first, more(exec(1, 2, ""))},
                                                   {byId(1), more(exec(2, 3, "1:2"))},
                                                   {byId(2), more(exec(3, 7, "1:3"))}});
    EXPECT_NE(out.find("<upm:timerName>t</upm:timerName><upm:status>failure"), std::string::npos);
    EXPECT_NE(out.find("<upm:status>timeout"), std::string::npos);
    EXPECT_NE(out.find("<upm:status>unknown"), std::string::npos);
}

}  // namespace
