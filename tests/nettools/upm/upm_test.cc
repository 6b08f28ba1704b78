// The UPM service: what each operation checks and in which order, the request texts it
// sends, and how the walks read cfgmgr's answers (a scripted cfgmgr answers each
// request in turn and every request text is compared).
#include <ctime>

#include "cfgmgmt/objdefs/upm_obj.h"
#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"

namespace {

std::string hdr(const std::string &sessionId) {
    return "<u:hdr><reqId>7</reqId><sessionId>" + sessionId + "</sessionId></u:hdr>";
}

// "<u:NAME>inner HDR</u:NAME>"
std::string op(const std::string &name, const std::string &inner, const std::string &header) {
    return "<u:" + name + ">" + inner + header + "</u:" + name + ">";
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
        setenv("TZ", "EST5", 1);  // five hours west of UTC, no summer time
        tzset();
        wsvdSession_t s{};
        s.sessionIndex = 3;
        s.accessRight = 0;  // read-only: the UPM operations refuse only unknown sessions
        wsvdSessionFormatId(3, 77, s.sessionId);
        wsvdSessionStore(&s);
        sid_ = s.sessionId;
    }
    void TearDown() override {
        unsetenv("TZ");
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
            if (c.operation == CM_OP_GET) EXPECT_EQ(c.getFlags, steps[i].flags) << c.text;
        }
        return out;
    }
    // A set request expected to be sent once with `text`.
    std::string runSet(const std::string &body, const std::string &text,
                       FakeCmReply reply = cmOk()) {
        std::string out = run(body, {{text, reply}});
        if (!gFake.cmCalls.empty()) EXPECT_EQ(gFake.cmCalls[0].operation, uint32_t(CM_OP_SET));
        return out;
    }
    static bool hasHeaderCopy(const std::string &out) {
        return out.find("<reqId>7</reqId>") != std::string::npos;
    }

    std::string sid_;
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

TEST_F(UpmTest, SessionCheckComesFirstAndRefusesOnlyUnknownSessions) {
    struct Case {
        const char *name;
        std::string inner;  // enough for the operation to reach cfgmgr
        int counter;        // the session's operation counter it raises
    };
    const std::string timer = "<u:timer><u:timerName>t</u:timerName><u:every>5</u:every></u:timer>";
    const std::string event = "<u:eventObject><u:event>static</u:event></u:eventObject>";
    const Case cases[] = {
        {"createProfileRequest", "<u:profile><u:name>p</u:name></u:profile>", WSVD_OPC_OTHER},
        {"editProfileRequest",
         "<u:profile><u:name>p</u:name><u:profileEnabled>true</u:profileEnabled></u:profile>",
         WSVD_OPC_OTHER},
        {"deleteProfileRequest", "<u:profile>p</u:profile>", WSVD_OPC_OTHER},
        {"getProfileRequest", "<u:profile>p</u:profile>", WSVD_OPC_GET},
        {"getAllProfileRequest", "", WSVD_OPC_GET},
        {"bindProfileRequest", "<u:profileName>p</u:profileName>" + event, WSVD_OPC_OTHER},
        {"unbindProfileRequest", "<u:profileName>p</u:profileName>" + event, WSVD_OPC_OTHER},
        {"createTimerRequest", timer, WSVD_OPC_OTHER},
        {"deleteTimerRequest", "<u:timer>t</u:timer>", WSVD_OPC_OTHER},
        {"getAllTimersRequest", "", WSVD_OPC_GET},
        {"runScriptRequest",
         "<u:profileName>p</u:profileName><u:event>timer</u:event><u:portList>1:1</u:portList>"
         "<u:parameters>A=1</u:parameters>",
         WSVD_OPC_OTHER},
        {"getExecutionResultRequest", "<u:executionId>1</u:executionId>", WSVD_OPC_GET},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        gFake.cmCalls.clear();
        EXPECT_EQ(fault(serve(op(c.name, c.inner, ""))), "Invalid session id");
        EXPECT_EQ(fault(serve(op(c.name, c.inner, hdr("20af00000000ff")))), "Invalid session id");
        // Without a header and without its arguments: the session is judged first.
        EXPECT_EQ(fault(serve(op(c.name, "", ""))), "Invalid session id");
        EXPECT_TRUE(gFake.cmCalls.empty());

        uint64_t before = wsvdSessionSlot(3)->opCounters[c.counter];
        std::string out = serve(op(c.name, c.inner, hdr(sid_)));
        EXPECT_EQ(fault(out), c.name == std::string("getProfileRequest") ? "Profile not found" : "")
            << out;
        EXPECT_EQ(gFake.cmCalls.size(), 1u);
        EXPECT_EQ(wsvdSessionSlot(3)->opCounters[c.counter], before + 1);
    }
}

TEST_F(UpmTest, ChangesSendTheirRequestTexts) {
    struct Case {
        const char *what;
        std::string body;
        std::string text;
    };
    std::string h = hdr(sid_);
    auto bind = [&](const std::string &name, const std::string &ports, const std::string &event,
                    const std::string &timer = "") {
        return op(name,
                  (name == "bindProfileRequest" || !ports.empty() || event != "timer"
                       ? "<u:profileName>p&amp;q</u:profileName>"
                       : "") +
                      (ports.empty() ? "" : "<u:portList>" + ports + "</u:portList>") +
                      "<u:eventObject><u:event>" + event + "</u:event>" +
                      (timer.empty() ? "" : "<u:timerName>" + timer + "</u:timerName>") +
                      "</u:eventObject>",
                  h);
    };
    // 2026-03-01T12:00:30Z is 07:00:30 in the pinned zone.
    const std::string at = "<u:at>2026-03-01T12:00:30Z</u:at>";
    const Case cases[] = {
        {"profile with a script that holds ]]>",
         op("createProfileRequest",
            "<u:profile><u:name>a&lt;b</u:name><u:data>x]]&gt;y</u:data></u:profile>", h),
         upm("set",
             "<upmProfileBuffer><profileName>a&lt;b</profileName><rowStatus>create</rowStatus>"
             "<data><![CDATA[x]]]]><![CDATA[>y]]></data></upmProfileBuffer>")},
        {"profile without a script",
         op("createProfileRequest", "<u:profile><u:name>p</u:name></u:profile>", h),
         upm("set",
             "<upmProfileBuffer><profileName>p</profileName><rowStatus>create</rowStatus>"
             "</upmProfileBuffer>")},
        {"edit",
         op("editProfileRequest",
            "<u:profile><u:name>p</u:name><u:data>ignored</u:data><u:profileEnabled>false"
            "</u:profileEnabled></u:profile>",
            h),
         upm("set",
             "<cfgUpmProfile><enable>0</enable><profileName>p</profileName><rowStatus>create"
             "</rowStatus></cfgUpmProfile>")},
        {"delete profile", op("deleteProfileRequest", "<u:profile>p</u:profile>", h),
         upm("set",
             "<upmProfileBuffer><profileName>p</profileName><rowStatus>delete</rowStatus>"
             "</upmProfileBuffer>")},
        {"bind to a timer", bind("bindProfileRequest", "", "timer", "t1"),
         upm("set",
             "<cfgUpmTimer><timerName>t1</timerName><profileName>p&amp;q</profileName><rowStatus>"
             "create</rowStatus></cfgUpmTimer>")},
        {"bind static with ports", bind("bindProfileRequest", "1:1-2", "static"),
         upm("set",
             "<cfgUpmStaticProfile><profileName>p&amp;q</profileName><portList>1:1-2</portList>"
             "<rowStatus>create</rowStatus></cfgUpmStaticProfile>")},
        {"bind static", bind("bindProfileRequest", "", "static"),
         upm("set",
             "<cfgUpmStaticProfile><profileName>p&amp;q</profileName><rowStatus>create"
             "</rowStatus></cfgUpmStaticProfile>")},
        {"bind to a port event", bind("bindProfileRequest", "2:3", "user-authenticate"),
         upm("set",
             "<cfgUpmProfileEvent><profileName>p&amp;q</profileName><upmEvent>3</upmEvent>"
             "<portList>2:3</portList><rowStatus>create</rowStatus></cfgUpmProfileEvent>")},
        {"unbind a timer's profile", bind("unbindProfileRequest", "1:1", "timer", "t1"),
         upm("set",
             "<cfgUpmTimer><timerName>t1</timerName><profileName>p&amp;q</profileName><rowStatus>"
             "unconfigure</rowStatus></cfgUpmTimer>")},
        {"unbind whatever a timer runs", bind("unbindProfileRequest", "", "timer", "t1"),
         upm("set",
             "<cfgUpmTimer><timerName>t1</timerName><rowStatus>unconfigure</rowStatus>"
             "</cfgUpmTimer>")},
        {"unbind static", bind("unbindProfileRequest", "", "static"),
         upm("set",
             "<cfgUpmProfileEvent><profileName>p&amp;q</profileName><upmEvent>6</upmEvent>"
             "<rowStatus>delete</rowStatus></cfgUpmProfileEvent>")},
        {"unbind ports of an event", bind("unbindProfileRequest", "1:4", "device-remove"),
         upm("set",
             "<cfgUpmProfileEvent><profileName>p&amp;q</profileName><upmEvent>2</upmEvent>"
             "<portList>1:4</portList><rowStatus>delete</rowStatus></cfgUpmProfileEvent>")},
        {"one-shot timer",
         op("createTimerRequest", "<u:timer><u:timerName>t1</u:timerName>" + at + "</u:timer>", h),
         upm("set",
             "<cfgUpmTimer><rowStatus>create</rowStatus><sec>30</sec><min>0</min><hour>7</hour>"
             "<day>1</day><month>3</month><year>2026</year><timerType>1</timerType><timerName>t1"
             "</timerName></cfgUpmTimer>")},
        {"periodic timer",
         op("createTimerRequest",
            "<u:timer><u:timerName>t2</u:timerName><u:every>60</u:every></u:timer>", h),
         upm("set",
             "<cfgUpmTimer><rowStatus>create</rowStatus><timerType>2</timerType><secs>60</secs>"
             "<timerName>t2</timerName></cfgUpmTimer>")},
        {"periodic timer from a time",
         op("createTimerRequest",
            "<u:timer><u:timerName>t3</u:timerName>" + at + "<u:every>3600</u:every></u:timer>", h),
         upm("set",
             "<cfgUpmTimer><rowStatus>create</rowStatus><sec>30</sec><min>0</min><hour>7</hour>"
             "<day>1</day><month>3</month><year>2026</year><timerType>2</timerType><secs>3600"
             "</secs><timerName>t3</timerName></cfgUpmTimer>")},
        {"delete timer", op("deleteTimerRequest", "<u:timer>t&gt;1</u:timer>", h),
         upm("set",
             "<cfgUpmTimer><timerName>t&gt;1</timerName><rowStatus>delete</rowStatus>"
             "</cfgUpmTimer>")},
        {"run",
         op("runScriptRequest",
            "<u:profileName>p</u:profileName><u:event>log-message</u:event><u:portList>1:1"
            "</u:portList><u:parameters>A=&lt;1&gt;</u:parameters>",
            h),
         upm("set",
             "<cfgUpmStaticProfile><eventType>7</eventType><envString>A=&lt;1&gt;</envString>"
             "<profileName>p</profileName><rowStatus>create</rowStatus></cfgUpmStaticProfile>")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = runSet(c.body, c.text);
        EXPECT_EQ(fault(out), "") << out;
        EXPECT_TRUE(hasHeaderCopy(out)) << out;
    }
}

TEST_F(UpmTest, ProfileCreationIsCutAt8192Characters) {
    std::string script(9000, 'x');
    gFake.cmCalls.clear();
    serve(op("createProfileRequest",
             "<u:profile><u:name>p</u:name><u:data>" + script + "</u:data></u:profile>",
             hdr(sid_)));
    ASSERT_EQ(gFake.cmCalls.size(), 1u);
    const std::string &text = gFake.cmCalls[0].text;
    EXPECT_EQ(text.size(), 8192u);
    EXPECT_EQ(text.find("<module_upm><set><upmProfileBuffer><profileName>p</profileName><rowStatus>"
                        "create</rowStatus><data><![CDATA[xxx"),
              0u);
}

TEST_F(UpmTest, MissingArguments) {
    struct Case {
        const char *what;
        const char *name;
        std::string inner;
        const char *fault;
    };
    const char *missingArgument = "Missing argument";
    const Case cases[] = {
        {"profile without name", "createProfileRequest",
         "<u:profile><u:data>x</u:data></u:profile>", missingArgument},
        {"profile with an empty name", "createProfileRequest",
         "<u:profile><u:name></u:name></u:profile>", missingArgument},
        {"edit without the flag", "editProfileRequest", "<u:profile><u:name>p</u:name></u:profile>",
         "Missing Arguments"},
        {"edit without a profile", "editProfileRequest", "", "Missing Arguments"},
        {"delete without a name", "deleteProfileRequest", "", missingArgument},
        {"get without a name", "getProfileRequest", "", missingArgument},
        {"bind without an event object", "bindProfileRequest", "<u:profileName>p</u:profileName>",
         missingArgument},
        {"bind without a profile", "bindProfileRequest",
         "<u:eventObject><u:event>static</u:event></u:eventObject>", missingArgument},
        {"bind a port event without ports", "bindProfileRequest",
         "<u:profileName>p</u:profileName><u:eventObject><u:event>user-authenticate</u:event>"
         "</u:eventObject>",
         missingArgument},
        {"bind to log messages", "bindProfileRequest",
         "<u:profileName>p</u:profileName><u:eventObject><u:event>log-message</u:event>"
         "</u:eventObject>",
         missingArgument},
        {"bind without the event", "bindProfileRequest",
         "<u:profileName>p</u:profileName><u:eventObject></u:eventObject>", missingArgument},
        {"unbind a timer without its name", "unbindProfileRequest",
         "<u:profileName>p</u:profileName><u:eventObject><u:event>timer</u:event>"
         "</u:eventObject>",
         missingArgument},
        {"unbind an event without a profile", "unbindProfileRequest",
         "<u:portList>1:1</u:portList><u:eventObject><u:event>device-detect</u:event>"
         "</u:eventObject>",
         missingArgument},
        {"timer without a name", "createTimerRequest", "<u:timer><u:every>5</u:every></u:timer>",
         missingArgument},
        {"timer without values", "createTimerRequest",
         "<u:timer><u:timerName>t</u:timerName></u:timer>", missingArgument},
        {"timer at 0", "createTimerRequest",
         "<u:timer><u:timerName>t</u:timerName><u:at>1970-01-01T00:00:00Z</u:at></u:timer>",
         missingArgument},
        {"timer every 0", "createTimerRequest",
         "<u:timer><u:timerName>t</u:timerName><u:every>0</u:every></u:timer>", missingArgument},
        {"delete timer without a name", "deleteTimerRequest", "<u:timer></u:timer>",
         missingArgument},
        {"run without parameters", "runScriptRequest",
         "<u:profileName>p</u:profileName><u:event>timer</u:event><u:portList>1:1</u:portList>",
         missingArgument},
        {"run without ports", "runScriptRequest",
         "<u:profileName>p</u:profileName><u:event>timer</u:event><u:parameters>A=1"
         "</u:parameters>",
         missingArgument},
        {"run an unknown event", "runScriptRequest",
         "<u:profileName>p</u:profileName><u:event>unknown</u:event><u:portList>1:1</u:portList>"
         "<u:parameters>A=1</u:parameters>",
         missingArgument},
        {"results without a choice", "getExecutionResultRequest", "", missingArgument},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake.cmCalls.clear();
        std::string out = serve(op(c.name, c.inner, hdr(sid_)));
        EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_TRUE(gFake.cmCalls.empty());
    }
}

TEST_F(UpmTest, HowRepliesOfChangesAreJudged) {
    struct Case {
        const char *what;
        std::string body;
        FakeCmReply reply;
        const char *fault;
    };
    std::string h = hdr(sid_);
    std::string create = op("createProfileRequest", "<u:profile><u:name>p</u:name></u:profile>", h);
    std::string remove = op("deleteProfileRequest", "<u:profile>p</u:profile>", h);
    std::string timer = op("deleteTimerRequest", "<u:timer>t</u:timer>", h);
    FakeCmReply notSent;
    notSent.sendResult = 0;
    const Case cases[] = {
        // Creating and deleting a profile succeed only with status 1...
        {"created", create, cmOk(), ""},
        {"creation refused", create, cmStatus(0, "Profile \"p\" exists."), "Profile \"p\" exists."},
        {"creation with another status", create, cmStatus(2), "Unknown error"},
        {"deletion with another status", remove, cmStatus(2, "busy"), "busy"},
        // ...the other changes fail only with status 0.
        {"timer deleted with status 2", timer, cmStatus(2), ""},
        {"timer deletion refused", timer, cmStatus(0), "Unknown error"},
        {"cfgmgr not reached", timer, notSent, "Unable to send message to cfgmgr."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake.cmAnswer = [&](const FakeCmCall &) { return c.reply; };
        std::string out = serve(c.body);
        EXPECT_EQ(fault(out), c.fault) << out;
        EXPECT_EQ(hasHeaderCopy(out), c.fault[0] == 0);
    }
}

TEST_F(UpmTest, TimerListing) {
    auto timer = [](const std::string &name, int type, const std::string &fields) {
        return "<cfgUpmTimer><timerName>" + name + "</timerName><timerType>" +
               std::to_string(type) + "</timerType>" + fields + "</cfgUpmTimer>";
    };
    const std::string date =
        "<sec>30</sec><min>0</min><hour>7</hour><day>1</day><month>3</month><year>2026</year>";
    std::string longName(32, 'n');
    std::string out =
        run(op("getAllTimersRequest", "", hdr(sid_)),
            {{upm("get", "<cfgUpmTimer/>"), more(timer("once", 1, date))},
             {upm("get", "<cfgUpmTimer><timerName>once</timerName></cfgUpmTimer>"),
              more(timer(longName, 2, "<secs>60</secs>"))},
             {upm("get", "<cfgUpmTimer><timerName>" + longName + "</timerName></cfgUpmTimer>"),
              more(timer("odd", 9, date))},
             {upm("get", "<cfgUpmTimer><timerName>odd</timerName></cfgUpmTimer>"),
              cmOk(timer("daily", 2, date + "<secs>86400</secs>"))}});
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_EQ(count(out, "<upm:timer>"), 4u) << out;
    // 07:00:30 in the pinned zone is 12:00:30 UTC; names are cut to 30 characters.
    EXPECT_NE(out.find("<upm:timerName>once</upm:timerName><upm:at>2026-03-01T12:00:30Z</upm:at>"
                       "<upm:every>0</upm:every>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<upm:timerName>" + longName.substr(0, 30) +
                       "</upm:timerName><upm:at>1970-01-01T00:00:00Z</upm:at><upm:every>60"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<upm:timerName>odd</upm:timerName><upm:at>1970-01-01T00:00:00Z</upm:at>"
                       "<upm:every>0</upm:every>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<upm:at>2026-03-01T12:00:30Z</upm:at><upm:every>86400</upm:every>"),
              std::string::npos)
        << out;
    EXPECT_TRUE(hasHeaderCopy(out));

    // No timer: success without a header; a failed reply: the fault.
    out = run(op("getAllTimersRequest", "", hdr(sid_)), {{upm("get", "<cfgUpmTimer/>"), cmOk()}});
    EXPECT_EQ(fault(out), "");
    EXPECT_FALSE(hasHeaderCopy(out));
    out = run(op("getAllTimersRequest", "", hdr(sid_)),
              {{upm("get", "<cfgUpmTimer/>"), cmStatus(0, "no")}});
    EXPECT_EQ(fault(out), "no");
}

TEST_F(UpmTest, ProfileWithItsBindings) {
    const std::string name =
        upm("get", "<showUpmProfileName><profileName>p1</profileName></showUpmProfileName>");
    auto walk = [](const std::string &key) {
        return upm("get",
                   "<showUpmProfile><profileName>p1</profileName>" + key + "</showUpmProfile>");
    };
    std::string out = run(
        op("getProfileRequest", "<u:profile>p1</u:profile>", hdr(sid_)),
        {{name, cmOk(profileRow("p1", "create vlan v1"))},
         {walk(""), more(bindingRow("p1", 1, "<portList>1:1-2</portList>"))},
         {walk("<eventType>1</eventType>"), more(bindingRow("p1", 5, "<timerName>t1</timerName>"))},
         {walk("<eventType>5</eventType><timerName>t1</timerName>"), more(bindingRow("p2", 6))}});
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_NE(out.find("<upm:name>p1</upm:name><upm:data>create vlan v1</upm:data>"
                       "<upm:profileEnabled>true</upm:profileEnabled>"
                       "<upm:lastBindingTime>1970-01-01T00:00:00Z</upm:lastBindingTime>"
                       "<upm:lastChangeTime>2023-11-14T22:15:00Z</upm:lastChangeTime>"
                       "<upm:creationTime>2023-11-14T22:13:20Z</upm:creationTime>"
                       "<upm:checksum>4660</upm:checksum>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<upm:bindObject><upm:portList>1:1-2</upm:portList><upm:eventObject>"
                       "<upm:event>device-detect</upm:event></upm:eventObject></upm:bindObject>"
                       "<upm:bindObject><upm:eventObject><upm:event>timer</upm:event>"
                       "<upm:timerName>t1</upm:timerName></upm:eventObject></upm:bindObject>"
                       "</upm:bindingObjectList>"),
              std::string::npos)
        << out;
    EXPECT_TRUE(hasHeaderCopy(out));

    // A failure in the binding walk keeps what was read; an unknown profile is a fault.
    out = run(op("getProfileRequest", "<u:profile>p1</u:profile>", hdr(sid_)),
              {{name, cmOk(profileRow("p1", ""))},
               {walk(""), more(bindingRow("p1", 2, "<portList>1:3</portList>"))},
               {walk("<eventType>2</eventType>"), cmStatus(0, "gone")}});
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_EQ(count(out, "<upm:bindObject>"), 1u);
    out = run(op("getProfileRequest", "<u:profile>p1</u:profile>", hdr(sid_)), {{name, cmOk()}});
    EXPECT_EQ(fault(out), "Profile not found");
}

TEST_F(UpmTest, ProfileListingWalksPastEachProfile) {
    auto nameGet = [](const std::string &profile) {
        return upm("get", "<showUpmProfileName><profileName>" + profile +
                              "</profileName></showUpmProfileName>");
    };
    auto walk = [](const std::string &key) {
        return upm("get", "<showUpmProfile>" + key + "</showUpmProfile>");
    };
    // p1 has no binding; p2 a device-detect and a timer binding; p3 one static binding.
    const std::vector<Step> steps = {
        {walk(""), more(bindingRow("p1", 0, "<numProfiles>3</numProfiles>"))},
        {walk(""), more(bindingRow("p1", 0, "<numProfiles>3</numProfiles>"))},
        {nameGet("p1"), cmOk(profileRow("p1", "script one"))},
        {walk("<profileName>p1</profileName>"), more(bindingRow("p2", 1))},
        {nameGet("p2"), cmOk(profileRow("p2", "script two"))},
        {walk("<profileName>p2</profileName>"), more(bindingRow("p2", 1))},
        {walk("<profileName>p2</profileName><eventType>1</eventType>"),
         more(bindingRow("p2", 5, "<timerName>t</timerName>"))},
        {walk("<profileName>p2</profileName><eventType>5</eventType><timerName>t</timerName>"),
         more(bindingRow("p3", 6))},
        {walk("<profileName>p2</profileName><eventType>5</eventType><timerName>t</timerName>"),
         more(bindingRow("p3", 6))},
        {nameGet("p3"), cmOk(profileRow("p3", "script three"))},
        {walk("<profileName>p3</profileName>"), cmOk(bindingRow("p3", 6))},
        {walk("<profileName>p3</profileName><eventType>6</eventType>"), cmOk()},
    };
    for (bool content : {true, false}) {
        SCOPED_TRACE(content);
        std::string flag = content ? "true" : "false";
        std::string out = run(op("getAllProfileRequest",
                                 "<u:contentRequired>" + flag + "</u:contentRequired>", hdr(sid_)),
                              steps);
        EXPECT_EQ(fault(out), "") << out;
        EXPECT_EQ(count(out, "<upm:profile>"), 3u) << out;
        EXPECT_EQ(count(out, "<upm:bindObject>"), 3u) << out;
        EXPECT_EQ(count(out, "<upm:data>script"), content ? 3u : 0u) << out;
        EXPECT_TRUE(hasHeaderCopy(out));
    }

    // No profile at all; a count of 0.
    std::string out = run(op("getAllProfileRequest", "", hdr(sid_)), {{walk(""), cmOk()}});
    EXPECT_EQ(fault(out), "");
    EXPECT_FALSE(hasHeaderCopy(out));
    out = run(op("getAllProfileRequest", "", hdr(sid_)),
              {{walk(""), cmOk(bindingRow("p1", 0, "<numProfiles>0</numProfiles>"))}});
    EXPECT_EQ(count(out, "<upm:profile>"), 0u);
    EXPECT_TRUE(hasHeaderCopy(out));
    // A failure in the middle is the answer.
    out = run(op("getAllProfileRequest", "", hdr(sid_)),
              {{walk(""), more(bindingRow("p1", 0, "<numProfiles>2</numProfiles>"))},
               {walk(""), more(bindingRow("p1", 0))},
               {nameGet("p1"), cmStatus(0, "broken")}});
    EXPECT_EQ(fault(out), "broken");
}

TEST_F(UpmTest, ExecutionResults) {
    auto exec = [](int id, int result, const std::string &ports) {
        return "<upmProfileExec><execId>" + std::to_string(id) + "</execId><execTime>1700000000" +
               "</execTime><eventType>5</eventType><profileName>p</profileName><timerName>t" +
               "</timerName><portList>" + ports + "</portList><result>" + std::to_string(result) +
               "</result><output><![CDATA[out " + std::to_string(id) + "]]></output>" +
               "</upmProfileExec>";
    };
    auto byId = [](int id) {
        return upm("get",
                   "<upmProfileExec><execId>" + std::to_string(id) + "</execId></upmProfileExec>");
    };
    const std::string first = upm("get", "<upmProfileExec> </upmProfileExec>");

    // By id: one result, however many follow.
    std::string out =
        run(op("getExecutionResultRequest", "<u:executionId>4</u:executionId>", hdr(sid_)),
            {{byId(4), more(exec(4, 1, "1:1")), CM_GET_EXACT}});
    EXPECT_EQ(fault(out), "") << out;
    EXPECT_NE(out.find("<upm:executionResults><upm:executionId>4</upm:executionId>"
                       "<upm:executionTime>1700000000</upm:executionTime><upm:eventName>timer"
                       "</upm:eventName><upm:profileName>p</upm:profileName><upm:timerName>t"
                       "</upm:timerName><upm:portList>1:1</upm:portList><upm:status>success"
                       "</upm:status><upm:data>out 4</upm:data></upm:executionResults>"),
              std::string::npos)
        << out;

    // By count: stops at the count, and at the last result.
    out =
        run(op("getExecutionResultRequest", "<u:numberOfRecords>3</u:numberOfRecords>", hdr(sid_)),
            {{first, more(exec(1, 2, ""))},
             {byId(1), more(exec(2, 3, "1:2"))},
             {byId(2), more(exec(3, 7, "1:3"))}});
    EXPECT_EQ(count(out, "<upm:executionResults>"), 3u) << out;
    EXPECT_NE(out.find("<upm:executionId>1</upm:executionId><upm:executionTime>1700000000"
                       "</upm:executionTime><upm:eventName>timer</upm:eventName><upm:profileName>"
                       "p</upm:profileName><upm:timerName>t</upm:timerName><upm:status>failure"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<upm:status>timeout</upm:status><upm:data>out 2"), std::string::npos);
    EXPECT_NE(out.find("<upm:status>unknown</upm:status><upm:data>out 3"), std::string::npos);
    out =
        run(op("getExecutionResultRequest", "<u:numberOfRecords>9</u:numberOfRecords>", hdr(sid_)),
            {{first, more(exec(1, 1, ""))}, {byId(1), cmOk(exec(2, 1, ""))}});
    EXPECT_EQ(count(out, "<upm:executionResults>"), 2u) << out;
    EXPECT_TRUE(hasHeaderCopy(out));
    out =
        run(op("getExecutionResultRequest", "<u:numberOfRecords>9</u:numberOfRecords>", hdr(sid_)),
            {{first, more(exec(1, 1, ""))}, {byId(1), cmStatus(0, "lost")}});
    EXPECT_EQ(fault(out), "lost");
}

}  // namespace
