// The switch under attack, end to end.
//
// The authorization matrix: every operation of the service, as the operation list
// declares it (so that each operation joins as soon as it is listed or gets a handler),
// sent by a read-only session, with a guessed session id and with no credentials at all;
// the configuration manager's store must be the same after as before. The same request
// from a read-write session shows that the request would have changed the store, for
// the operations that change it.
//
// Besides: client values that are markup reach the store as text and come back as
// they went, and the request trace holds no password and is its owner's only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wsvd_link.h"
#include "soap/wsvd_soap.h"
#include "soapH.h"
#include "tests/support/run_tool.h"
#include "tests/support/scratch.h"
#include "tests/support/switch_harness.h"

namespace {

// The generated types of the request elements of the operation list, served or not
// yet, and the two elements that come before them and are never served.
const char *const kOperations[] = {
    "_event__post",
    "_netb__hello",
#define WSVD_OPERATION(glue, entry, request, response, handler) #request,
#define WSVD_PLACEHOLDER(glue, entry, request, response) #request,
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
};

// "_qtnvlan__createVlan" -> {"qtnvlan", "createVlan"}. An element is "_prefix__name";
// the NETCONF rpc is read through its type "netb__rpcType", whose element is netb:rpc.
std::pair<std::string, std::string> elementOf(std::string type) {
    bool element = type[0] == '_';
    if (element) type.erase(0, 1);
    size_t sep = type.find("__");
    std::string prefix = type.substr(0, sep), name = type.substr(sep + 2);
    if (!element && name.size() > 4 && name.compare(name.size() - 4, 4, "Type") == 0)
        name.resize(name.size() - 4);
    return {prefix, name};
}

// The namespace table the engine reads with.
std::string namespaceOf(const std::string &prefix) {
    struct Engine {
        struct soap *soap = wsvdSoapContextNew();
        ~Engine() { wsvdSoapContextFree(soap); }
    };
    static const Engine engine;
    for (const Namespace *n = engine.soap ? engine.soap->namespaces : nullptr; n && n->id; n++)
        if (prefix == n->id) return n->ns;
    return "";
}

std::string escaped(const std::string &text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

// Parameters that would change the configuration if the caller were allowed to, under
// the names the typed services use; each operation reads the ones it knows.
std::string commonParameters(const std::string &guess) {
    return "<name>mx1</name><vr>VR-Default</vr><macAddress>00:11:22:33:44:55</macAddress>"
           "<vlan>Default</vlan><port>1:1</port><command>show vlan;create vlan "
           "mxcli</command><config>" +
           escaped(
               "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>mxcfg</name>"
               "<rowStatus>create</rowStatus></vlan></set></module_vlan>") +
           "</config><applicationName>mx</applicationName><sessionId>" + guess + "</sessionId>";
}

// A configuration object of the generic interface: a VLAN with these fields.
std::string vlanObject(const char *element, const std::string &fields) {
    return std::string("<") + element +
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:vlan=\"urn:wsvd/XMLSchema/qtn/vlan\" xsi:type=\"vlan:VlanConfig\">" +
           fields + "</" + element + ">";
}

// The parameters of the operations whose requests hold structures (rules, policies,
// profiles, objects) or take a VLAN or a port but not both, in place of the common ones.
const std::map<std::string, std::string> kOwnParameters = {
    {"rpc", "<netb:edit-config><netb:target><netb:running/></netb:target><netb:config><top>" +
                vlanObject("object", "<name>mxkeep</name><tagValue>777</tagValue>") +
                "</top></netb:config></netb:edit-config>"},
    {"setRequest", vlanObject("filter", "<name>mxkeep</name><tagValue>778</tagValue>")},
    {"createRequest", vlanObject("filter", "<vrName>VR-Default</vrName><name>mxgen</name>")},
    {"deleteRequest", vlanObject("filter", "<vrName>VR-Default</vrName><name>mxgen</name>")},
    {"setDynamicAcl", "<rule><name>mxacl</name><isPersistent>true</isPersistent></rule>"},
    {"insertDynamicAclOnInterface",
     "<port>1:1</port><newRule>mxacl</newRule><direction>LAST</direction><priority>0</priority>"},
    {"removeDynamicAclOnInterface", "<port>1:1</port><rule>mxacl</rule>"},
    {"removeDynamicAclOnAllInterfaces", "<rule>mxacl</rule>"},
    {"savePolicy", "<name>mxpol</name><aclRules><rule><name>mxrule</name></rule></aclRules>"},
    {"bindPolicyOnInterface", "<name>mxkeep</name><port>1:1</port>"},
    {"unbindPolicyOnInterface", "<name>mxkeep</name><port>1:1</port>"},
    {"deletePolicy", "<name>mxpol</name>"},
    {"createProfileRequest",
     "<upm:profile><upm:name>mxprof</upm:name><upm:data>show vlan</upm:data></upm:profile>"},
    {"deleteProfileRequest", "<upm:profile>mxprof</upm:profile>"},
    {"editProfileRequest",
     "<upm:profile><upm:name>mxkeep</upm:name><upm:profileEnabled>false"
     "</upm:profileEnabled></upm:profile>"},
    {"createTimerRequest",
     "<upm:timer><upm:timerName>mxtimer</upm:timerName><upm:every>3600</upm:every></upm:timer>"},
    {"deleteTimerRequest", "<upm:timer>mxtimer</upm:timer>"},
    {"bindProfileRequest",
     "<upm:profileName>mxkeep</upm:profileName><upm:eventObject><upm:event>"
     "timer</upm:event><upm:timerName>mxkeep</upm:timerName>"
     "</upm:eventObject>"},
    {"unbindProfileRequest",
     "<upm:profileName>mxkeep</upm:profileName><upm:eventObject>"
     "<upm:event>timer</upm:event><upm:timerName>mxkeep</upm:timerName>"
     "</upm:eventObject>"},
    {"runScriptRequest",
     "<upm:profileName>mxkeep</upm:profileName><upm:event>user-authenticate"
     "</upm:event><upm:portList>1:1</upm:portList><upm:parameters>A=1"
     "</upm:parameters>"},
};

std::string request(const char *type, const std::string &sessionId, const std::string &guess) {
    auto [prefix, name] = elementOf(type);
    std::string upmHeader = prefix == "upm" ? "<upm:hdr><reqId>1</reqId><sessionId>" + sessionId +
                                                  "</sessionId></upm:hdr>"
                                            : "";
    auto own = kOwnParameters.find(name);
    std::string header = sessionId.empty() ? ""
                                           : "<S:Header><hdr><reqId>1</reqId><sessionId>" +
                                                 sessionId + "</sessionId></hdr></S:Header>";
    return "<?xml version=\"1.0\"?><S:Envelope "
           "xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:" +
           prefix + "=\"" + namespaceOf(prefix) + "\">" + header + "<S:Body><" + prefix + ":" +
           name + ">" + (own == kOwnParameters.end() ? commonParameters(guess) : own->second) +
           "<hdr><reqId>1</reqId><sessionId>" + sessionId + "</sessionId></hdr>" + upmHeader +
           "</" + prefix + ":" + name + "></S:Body></S:Envelope>";
}

std::string element(const std::string &xml, const std::string &name) {
    size_t open = xml.find("<" + name + ">");
    if (open == std::string::npos) return "";
    open += name.size() + 2;
    return xml.substr(open, xml.find("</" + name + ">", open) - open);
}

class Authorization : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw_.start());
        web_ = sw_.connect("thttpd");
        local_ = sw_.connect("wsvc");
        ASSERT_TRUE(web_ && local_);
        // The daemon reaches the CLI, and the CLI the configuration manager, once they
        // are up: until then commands answer with an error.
        std::string reply;
        for (int i = 0; i < 200; i++) {
            reply = send(local_.get(), body("<c:execCli><command>show vlan</command></c:execCli>"));
            if (element(reply, "reply").rfind("Error", 0) != 0) break;
            usleep(50000);
        }
        ASSERT_EQ(element(reply, "reply").rfind("Error", 0), std::string::npos) << reply;
    }
    std::string send(wsvcConn_t *conn, const std::string &text) {
        wsvcRequest_t req;
        req.text = text;
        req.requestId = ++id_;
        req.connectionKind = WSVD_CONN_HTTP;
        std::string reply;
        EXPECT_EQ(wsvcRoundTrip(conn, req, &reply, 30000), 0) << wsvcError(conn);
        return reply;
    }
    std::string body(const std::string &body, const std::string &sessionId = "") {
        std::string header = sessionId.empty() ? ""
                                               : "<S:Header><hdr><sessionId>" + sessionId +
                                                     "</sessionId></hdr></S:Header>";
        return "<?xml version=\"1.0\"?><S:Envelope "
               "xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\" "
               "xmlns:com=\"urn:wsvd/XMLSchema/qtn/common\" "
               "xmlns:upm=\"urn:wsvd/XMLSchema/qtn/upm\" "
               "xmlns:v=\"urn:xapi/l2protocol/vlan\" xmlns:c=\"urn:xapi/cfgmgmt/cfgmgr\">" +
               header + "<S:Body>" + body + "</S:Body></S:Envelope>";
    }
    std::string open(const char *user) {
        std::string reply = send(
            web_.get(), body("<com:openSessionRequest><session><username>" + std::string(user) +
                             "</username><password></password></session>"
                             "</com:openSessionRequest>"));
        std::string id = element(reply, "sessionId");
        EXPECT_EQ(id.size(), 14u) << reply;
        return id;
    }
    // The whole store, as the configuration manager saves it (asked by the local client,
    // which may always save), and the other files of the configuration (policies).
    std::string store() {
        std::string reply =
            send(local_.get(), body("<upm:saveConfigRequest><upm:hdr><reqId>1</reqId>"
                                    "<sessionId>-</sessionId></upm:hdr>"
                                    "</upm:saveConfigRequest>"));
        EXPECT_EQ(element(reply, "faultstring"), "") << reply;
        std::map<std::string, std::string> files;
        for (const auto &f : std::filesystem::directory_iterator(sw_.configDir()))
            files[f.path().filename()] = readFile(f.path());
        std::string all;
        for (const auto &[name, text] : files) all += "== " + name + "\n" + text;
        return all;
    }
    bool alive(const std::string &sessionId) {
        std::string reply =
            send(web_.get(), body("<com:keepAliveRequest><hdr><sessionId>" + sessionId +
                                  "</sessionId></hdr></com:keepAliveRequest>"));
        return reply.find("faultstring") == std::string::npos;
    }

    SwitchHarness sw_{{"cfgmgr", "wsvd", "cli"}};
    WsvcConn web_, local_;
    uint32_t id_ = 0;
};

TEST_F(Authorization, NoOperationChangesTheStoreWithoutWriteAccess) {
    std::string admin = open("admin"), user = open("user");
    ASSERT_FALSE(admin.empty() || user.empty());
    // A guess that shares the slot and shape of admin's id, as an attacker's would.
    std::string guess = admin;
    guess.back() = guess.back() == '0' ? '1' : '0';
    ASSERT_NE(guess, admin);

    // A VLAN, a policy, a profile (whose script only reads) and a timer that stay for
    // the changes, bindings and runs (the ones the matrix creates are deleted before).
    for (auto [op, name] : {std::pair{"_qtnvlan__createVlan", "mx1"},
                            {"_qtnpol__savePolicy", "mxpol"},
                            {"_upm__createProfileRequest", "mxprof"},
                            {"_upm__createTimerRequest", "mxtimer"}}) {
        std::string keep = request(op, admin, guess);
        for (size_t at; (at = keep.find(name)) != std::string::npos;)
            keep.replace(at, strlen(name), "mxkeep");
        std::string reply = send(web_.get(), keep);
        ASSERT_EQ(element(reply, "faultstring"), "") << reply;
    }

    // Each operation from the three callers that may not change anything, then from
    // admin; the store is saved and read once after each round (what admin changed is
    // the next operation's "before").
    std::set<std::string> changedByAdmin;
    std::string before = store();
    for (const char *op : kOperations) {
        auto [prefix, name] = elementOf(op);
        SCOPED_TRACE(prefix + ":" + name + " from a read-only session, a guessed id or nobody");
        ASSERT_NE(namespaceOf(prefix), "") << "a prefix of the namespace table";
        for (const std::string &caller : {user, guess, std::string()})
            send(web_.get(), request(op, caller, guess));
        EXPECT_EQ(store(), before);
        send(web_.get(), request(op, admin, guess));
        std::string after = store();
        if (after != before) changedByAdmin.insert(name);
        before = after;
    }
    // The matrix tried requests that do change the store when the caller may.
    std::istringstream writers(
        "createVlan deleteVlan createFdb deleteFdb execCli execConfig setDynamicAcl "
        "insertDynamicAclOnInterface removeDynamicAclOnInterface savePolicy deletePolicy "
        "bindPolicyOnInterface unbindPolicyOnInterface createProfileRequest "
        "deleteProfileRequest editProfileRequest createTimerRequest deleteTimerRequest "
        "bindProfileRequest unbindProfileRequest rpc setRequest createRequest deleteRequest");
    for (std::string writer; writers >> writer;)
        EXPECT_EQ(changedByAdmin.count(writer), 1u) << writer << " changed nothing as admin";
    EXPECT_TRUE(alive(admin)) << "no guess ended admin's session";
    EXPECT_TRUE(alive(user));
}

TEST_F(Authorization, MarkupInANameRoundTrips) {
    std::string admin = open("admin");
    const std::string name = "a&amp;b&lt;/name&gt;";  // a&b</name> as the client writes it
    auto call = [&](const std::string &op) {
        return send(web_.get(), body("<v:" + op + "><name>" + name +
                                         "</name><vr>VR-Default</vr></v:" + op + ">",
                                     admin));
    };
    std::string reply = call("createVlan");
    EXPECT_EQ(element(reply, "faultstring"), "") << reply;
    reply = call("getVlan");
    EXPECT_EQ(element(reply, "name"), name) << reply;
    reply = send(web_.get(), body("<v:getAllVlan/>", admin));
    EXPECT_NE(reply.find("<name>" + name + "</name>"), std::string::npos) << reply;
    reply = call("deleteVlan");
    EXPECT_EQ(element(reply, "faultstring"), "") << reply;
    EXPECT_EQ(element(call("getVlan"), "name"), "");
}

TEST_F(Authorization, TheRequestTraceHoldsNoPasswordAndIsTheOwnersOnly) {
    std::string admin = open("admin");
    std::string reply = send(web_.get(), body("<c:execCli><command>configure management trace "
                                              "size 100000;configure management trace on"
                                              "</command></c:execCli>",
                                              admin));
    ASSERT_EQ(element(reply, "faultstring"), "") << reply;
    ASSERT_EQ(element(reply, "reply"), "") << "both commands succeeded";
    send(web_.get(),
         body("<com:openSessionRequest><session><username>admin</username>"
              "<password>Secret-&amp;-1</password></session></com:openSessionRequest>"));

    std::string out = runTool("switchctl", {"trace"}).out;
    EXPECT_NE(out.find("<username>admin</username><password>***</password>"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("Secret"), std::string::npos) << out;
    struct stat st;
    ASSERT_EQ(stat((sw_.scratchDir() + "/intern/trace.wsvd").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((sw_.scratchDir() + "/intern").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
