// cfgmgr's upm module in-process: what its requests change and refuse, the shapes of
// the walks the daemon makes, and runs through a fake CLI on a hand-moved clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cfgmgr/modules/upm.h"
#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "tests/support/scratch.h"

namespace {

std::vector<uint32_t> gCliCalls;  // the runs handed to the CLI, by sequence number
std::vector<uint32_t> gCancelled;

void fakeExecute(char **, char **, uint32_t seqnum) {
    gCliCalls.push_back(seqnum);
}
void fakeCancel(uint32_t seqnum) {
    gCancelled.push_back(seqnum);
}
const upmCli_t kFakeCli = {fakeExecute, fakeCancel};

int gChanges = 0;  // times the store told its process that a view changed on its own
void countChange() {
    gChanges++;
}

cfgReply_t request(const std::string &text, uint32_t flags = 0) {
    return cfgStoreHandle(flags, text.c_str());
}
std::string set(const std::string &object) {
    return "<module_upm><set>" + object + "</set></module_upm>";
}
std::string get(const std::string &object) {
    return "<module_upm><get>" + object + "</get></module_upm>";
}
::testing::AssertionResult changes(const std::string &object) {
    cfgReply_t r = request(set(object));
    if (r.status == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << object << ": " << r.message;
}
std::string refusal(const std::string &object) {
    cfgReply_t r = request(set(object));
    return r.status == 0 ? r.message : "(done)";
}
std::string profile(const std::string &name, const std::string &script) {
    return "<upmProfileBuffer><profileName>" + name +
           "</profileName><rowStatus>create</rowStatus>" + "<data><![CDATA[" + script +
           "]]></data></upmProfileBuffer>";
}
std::string binding(const std::string &name, int event, const std::string &ports,
                    const char *row = "create") {
    return "<cfgUpmProfileEvent><profileName>" + name + "</profileName><upmEvent>" +
           std::to_string(event) + "</upmEvent>" +
           (ports.empty() ? "" : "<portList>" + ports + "</portList>") + "<rowStatus>" + row +
           "</rowStatus></cfgUpmProfileEvent>";
}
std::string periodic(const std::string &name, int every) {
    return "<cfgUpmTimer><rowStatus>create</rowStatus><timerType>2</timerType><secs>" +
           std::to_string(every) + "</secs><timerName>" + name + "</timerName></cfgUpmTimer>";
}
std::string bindTimer(const std::string &timer, const std::string &name,
                      const char *row = "create") {
    return "<cfgUpmTimer><timerName>" + timer + "</timerName>" +
           (name.empty() ? "" : "<profileName>" + name + "</profileName>") + "<rowStatus>" + row +
           "</rowStatus></cfgUpmTimer>";
}
std::string run(const std::string &name, int event, const std::string &environment) {
    return "<cfgUpmStaticProfile><eventType>" + std::to_string(event) + "</eventType><envString>" +
           environment + "</envString><profileName>" + name +
           "</profileName><rowStatus>create</rowStatus></cfgUpmStaticProfile>";
}
std::string removal(const std::string &object, const std::string &key, const std::string &name) {
    return "<" + object + "><" + key + ">" + name + "</" + key +
           "><rowStatus>delete</rowStatus></" + object + ">";
}
// The date fields of a time in the local zone.
std::string dateFields(time_t at) {
    struct tm t;
    localtime_r(&at, &t);
    return "<sec>" + std::to_string(t.tm_sec) + "</sec><min>" + std::to_string(t.tm_min) +
           "</min><hour>" + std::to_string(t.tm_hour) + "</hour><day>" + std::to_string(t.tm_mday) +
           "</day><month>" + std::to_string(t.tm_mon + 1) + "</month><year>" +
           std::to_string(t.tm_year + 1900) + "</year>";
}
// Every value of `field` in the objects of a reply, in order.
std::vector<std::string> values(const std::string &data, const std::string &field) {
    std::vector<std::string> out;
    std::string open = "<" + field + ">", close = "</" + field + ">";
    for (size_t a = data.find(open); a != std::string::npos; a = data.find(open, a)) {
        a += open.size();
        std::string v = data.substr(a, data.find(close, a) - a);
        if (v.rfind("<![CDATA[", 0) == 0) v = v.substr(9, v.size() - 12);
        out.push_back(v);
    }
    return out;
}

class UpmModule : public ::testing::Test {
protected:
    void SetUp() override {
        env = std::make_unique<ScopedEnv>();
        env->set("TZ", "EST5");  // five hours west of UTC, no summer time
        tzset();
        std::string why;
        ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
        clockUseManual();
        upmSetCli(&kFakeCli);
        gCliCalls.clear();
        gCancelled.clear();
        gChanges = 0;
        cfgStoreSetEnvironment(cfgStoreEnvironment_t{nullptr, nullptr, countChange});
    }
    void TearDown() override {
        cfgStoreSetEnvironment(cfgStoreEnvironment_t{});
        upmStop();
        upmSetCli(nullptr);
        dispatchShutdown();
        clockSetSource(nullptr);
        env.reset();
        tzset();
    }
    // Moves the dispatcher's clock and runs what came due.
    static void advance(uint64_t seconds) {
        clockAdvanceUs(seconds * 1000000);
        for (int i = 0; i < 3; i++) dispatchRunOnce(0);
    }
    static std::string results() { return request(get("<upmProfileExec/>"), CM_GET_PLAIN).data; }
    std::unique_ptr<ScopedEnv> env;  // reset before tzset() reads the zone back
};

// Requests that must be refused leave the store as it was and say why.
TEST_F(UpmModule, ChangesAndRefusals) {
    ASSERT_TRUE(changes(profile("p1", "create vlan a\nx]]]]><![CDATA[>y")));
    ASSERT_TRUE(changes(profile("p2", "")));
    ASSERT_TRUE(changes(periodic("t1", 60)));
    ASSERT_TRUE(changes(bindTimer("t1", "p1")));
    ASSERT_TRUE(changes(binding("p2", 1, "1:1-2")));
    struct Case {
        std::string object;
        const char *why;
    } cases[] = {
        {profile("p1", "other"), "Profile \"p1\" already exists."},
        {profile("a\tb", ""), "Profile name \"a\tb\" holds a control character."},
        {removal("upmProfileBuffer", "profileName", "p1"),
         "Profile \"p1\" is bound to timer \"t1\": unbind it first."},
        {bindTimer("t1", "p2"), "Timer \"t1\" runs profile \"p1\" already: unbind it first."},
        {bindTimer("t1", "p2", "unconfigure"), "Profile \"p2\" is not bound to timer \"t1\"."},
        {"<cfgUpmTimer><rowStatus>create</rowStatus><timerType>1</timerType><timerName>t2"
         "</timerName></cfgUpmTimer>",
         "A one-shot timer needs its date and time."},
        {"<cfgUpmTimer><rowStatus>create</rowStatus>" + dateFields(time(nullptr) - 10) +
             "<timerType>1</timerType><timerName>t2</timerName></cfgUpmTimer>",
         "The time of timer \"t2\" has passed or does not exist."},
        {binding("p2", 1, "1:2"),
         "Profile \"p2\" to device-detect is bound already on ports 1:1-2."},
        {binding("p2", 3, ""), "A binding to user-authenticate needs the ports in \"portList\"."},
        {binding("p2", 5, "1:1"), "Profiles are bound to timers through cfgUpmTimer."},
        {run("p2", 1, "A=1;=2"),
         "Parameter \"=2\" is not NAME=value (a name of letters, digits and _; parameters are "
         "separated by \";\")."},
    };
    std::string before = cfgPersistText();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.object);
        EXPECT_EQ(refusal(c.object), c.why);
        EXPECT_EQ(cfgPersistText(), before);
    }

    // The switch holds 256 profiles (p1, p2 and 254 more), not one more.
    for (int i = 2; i < 256; i++) ASSERT_TRUE(changes(profile("n" + std::to_string(i), "")));
    EXPECT_EQ(refusal(profile("last", "")), "There are 256 profiles already: delete one first.");
}

// A run's result: 1 when every command ran, 2 when one failed (with the CLI's message),
// 3 when it was stopped at its bound; the output is cut at 8192 characters; the last
// 256 results are kept. Each result that comes is a change of the results' view, told
// as one (a walk over them must not be answered from rows read before it).
TEST_F(UpmModule, RunsAndTheirResults) {
    env->set("KARN_UPM_RUN_SECONDS", "20");
    std::string script;
    for (int i = 0; i < 300; i++) script += "show vlan\n";
    ASSERT_TRUE(changes(profile("long", script)));
    ASSERT_TRUE(changes(profile("p", "create vlan $NAME")));

    ASSERT_TRUE(changes(run("p", 3, "NAME=v1")));
    ASSERT_EQ(gCliCalls.size(), 1u);
    upmCliOutput(gCliCalls[0], "ok\n", 3);
    EXPECT_EQ(gChanges, 0);
    upmCliEnd(gCliCalls[0], 0);
    EXPECT_EQ(gChanges, 1);

    ASSERT_TRUE(changes(run("p", 1, "NAME=bad name")));
    upmCliEnd(gCliCalls[1], 1);

    // 300 commands go in two lists, the second once the first has ended.
    ASSERT_TRUE(changes(run("long", 7, "A=1")));
    upmCliOutput(gCliCalls[2], std::string(9000, 'o').c_str(), 9000);
    upmCliEnd(gCliCalls[2], 0);
    ASSERT_EQ(gCliCalls.size(), 4u);
    upmCliEnd(gCliCalls[3], 0);

    ASSERT_TRUE(changes(run("p", 2, "NAME=v2")));
    advance(19);
    EXPECT_TRUE(gCancelled.empty());
    advance(1);
    EXPECT_EQ(gCancelled, std::vector<uint32_t>{gCliCalls[4]});
    EXPECT_EQ(gChanges, 4);
    upmCliEnd(gCliCalls[4], 0);  // too late: changes nothing
    EXPECT_EQ(gChanges, 4);

    std::string r = results();
    EXPECT_EQ(values(r, "execId"), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(values(r, "result"), (std::vector<std::string>{"1", "2", "1", "3"}));
    EXPECT_EQ(values(r, "eventType"), (std::vector<std::string>{"3", "1", "7", "2"}));
    std::vector<std::string> output = values(r, "output");
    EXPECT_EQ(output[0], "ok\n");
    EXPECT_EQ(output[2], std::string(8192, 'o'));
    EXPECT_EQ(output[3], "Error: The profile did not finish within 20 seconds; it was stopped.\n");

    // Without the CLI a run fails at once; the ring keeps the last 256.
    upmSetCli(nullptr);
    for (int i = 0; i < 260; i++) ASSERT_TRUE(changes(run("p", 1, "NAME=x")));
    r = results();
    EXPECT_EQ(values(r, "execId").size(), 256u);
    EXPECT_EQ(values(r, "execId")[0], "9");
    EXPECT_EQ(values(r, "output")[255], "Error: The CLI is not available.\n");
}

}  // namespace
