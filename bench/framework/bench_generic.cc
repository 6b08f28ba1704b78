// What the generic object interface costs beside the typed VLAN service, in one
// process: a generic get of one VLAN against getVlan, and a generic walk of 1024 VLANs
// against getAllVlan, both through the SOAP engine with the same in-memory cfgmgr
// (tests/services/fake_peers), which answers at once from 1024 sorted VLAN rows. The
// generic object is mapped one to one onto cfgmgr's vlan object, so both sides send
// the same requests and the difference is the request processor's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cmclient/cm.h"
#include "daemon/soap_serve.h"
#include "framework/xmlfwk_registry.h"
#include "platform/wsvd_link.h"
#include "session/session_table.h"
#include "tests/services/fake_peers.h"
#include "tests/soap/soap_test_support.h"

namespace {

const char kSchema[] = R"(<schema xmlns="http://www.w3.org/2001/XMLSchema"
    xmlns:t="urn:t" targetNamespace="urn:t">
  <simpleType name="TrueFalse"><restriction base="string">
    <enumeration value="unknown"/><enumeration value="true"/><enumeration value="false"/>
  </restriction></simpleType>
  <complexType name="AccessObject"><choice>
    <element name="vlanConfig" type="t:VlanConfig"/>
  </choice></complexType>
  <complexType name="VlanConfig">
    <annotation><appinfo>
      <module>vlan</module><internalObject>vlan</internalObject>
      <nameinfo extName="queryParameters" access="QUERY"/>
      <nameinfo extName="vrName" access="INDEX READ WRITE"/>
      <nameinfo extName="name" access="INDEX READ WRITE"/>
      <nameinfo extName="tagValue" variable="tag" access="READ WRITE"/>
      <nameinfo extName="ipMtu" access="READ WRITE"/>
      <nameinfo extName="qosProfile" access="READ WRITE"/>
      <nameinfo extName="loopbackEnabled" variable="loopbackEnable" access="READ WRITE"/>
      <nameinfo extName="ipv4ForwardingEnabled" variable="ipForwarding" access="READ WRITE"/>
    </appinfo></annotation>
    <sequence>
      <element name="queryParameters" type="string"/>
      <element name="vrName" type="string"/><element name="name" type="string"/>
      <element name="tagValue" type="string"/><element name="ipMtu" type="string"/>
      <element name="qosProfile" type="string"/>
      <element name="loopbackEnabled" type="t:TrueFalse"/>
      <element name="ipv4ForwardingEnabled" type="t:TrueFalse"/>
    </sequence>
  </complexType>
</schema>)";

const std::string kNs = " xmlns:sw=\"" WSVD_SCHEMA_BASE_URI
                        "/XMLSchema/qtn/switch\""
                        " xmlns:vlan=\"" WSVD_SCHEMA_BASE_URI
                        "/XMLSchema/qtn/vlan\""
                        " xmlns:v=\"urn:xapi/l2protocol/vlan\""
                        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";

// cfgmgr's vlan table: (vrName, name) in key order, and each row's text.
std::vector<std::pair<std::pair<std::string, std::string>, std::string>> gRows;

std::string field(const std::string &text, const char *name) {
    std::string open = std::string("<") + name + ">";
    size_t a = text.find(open);
    if (a == std::string::npos) return "";
    a += open.size();
    return text.substr(a, text.find('<', a) - a);
}

FakeCmReply answer(const FakeCmCall &call) {
    std::pair<std::string, std::string> key{field(call.text, "vrName"), field(call.text, "name")};
    auto at = std::lower_bound(gRows.begin(), gRows.end(), key,
                               [](const auto &row, const auto &k) { return row.first < k; });
    if (call.getFlags == CM_GET_NEXT) {
        if (at != gRows.end() && at->first == key) ++at;
        if (at == gRows.end()) return cmOk();
        return cmOk(at->second, at + 1 == gRows.end() ? 1 : 2);
    }
    return at != gRows.end() && at->first == key ? cmOk(at->second) : cmOk();
}

struct Switch {
    struct soap *soap;
    wsvdAnswer_t answer{};
    buffer_t *response;
    std::string session;

    Switch() {
        for (int i = 0; i < 1024; i++) {
            char name[16];
            snprintf(name, sizeof name, "v%04d", i);
            gRows.push_back(
                {{"VR-Default", name},
                 std::string("<vlan><name>") + name + "</name><vrName>VR-Default</vrName><tag>" +
                     std::to_string(i + 1) +
                     "</tag><ipMtu>1500</ipMtu><qosProfile>1</qosProfile>"
                     "<loopbackEnable>0</loopbackEnable><ipForwarding>0</ipForwarding>"
                     "<taggedPorts></taggedPorts><untaggedPorts></untaggedPorts></vlan>"});
        }
        char dir[] = "/tmp/bench-generic.XXXXXX";
        if (!mkdtemp(dir)) abort();
        std::ofstream(std::string(dir) + "/objects.xsd") << kSchema;
        std::ofstream(std::string(dir) + "/xsdlist.lst") << "objects.xsd\n";
        if (xmlFwkInit(dir) != 1) abort();
        wsvdSoapInstallHandlers();
        cmObjectInit_vlan();
        wsvdSessionTableReset();
        wsvdSession_t s{};
        s.sessionIndex = 1;
        s.accessRight = 1;
        wsvdSessionFormatId(1, 7, s.sessionId);
        wsvdSessionStore(&s);
        session = s.sessionId;
        soap = wsvdSoapContextNew();
        wsvdAnswerInit(&answer);
        response = bufferAlloc(512);
        gFake.cmAnswer = ::answer;
    }

    // Serves one body; the answer's length, or 0 for a fault.
    size_t serve(const std::string &body) {
        wsvdRequest r{};
        r.seqnum = 1;
        r.clientKind = WSVD_CLIENT_WEB;
        r.answer = &answer;
        r.response = response;
        gFake.active = &r;
        gFake.cmCalls.clear();
        SoapExchange x = serveText(
            soap, envelope(body, kNs, kEnv11, "<hdr><sessionId>" + session + "</sessionId></hdr>"),
            1000, &r);
        gFake.active = nullptr;
        std::string out = x.output();
        return out.find("Fault>") == std::string::npos ? out.size() : 0;
    }
};

Switch &theSwitch() {
    static Switch s;
    return s;
}

void run(benchmark::State &state, const std::string &body, size_t requests) {
    Switch &s = theSwitch();
    size_t bytes = 0;
    for (auto _ : state) bytes = s.serve(body);
    if (!bytes || gFake.cmCalls.size() != requests) state.SkipWithError("unexpected answer");
    state.counters["answer_bytes"] = double(bytes);
    state.counters["cfgmgr_requests"] = double(gFake.cmCalls.size());
}

void BM_TypedGetVlan(benchmark::State &state) {
    run(state, "<v:getVlan><name>v0512</name><vr>VR-Default</vr></v:getVlan>", 1);
}

void BM_GenericGetVlan(benchmark::State &state) {
    run(state,
        "<sw:getRequest><filter xsi:type=\"vlan:VlanConfig\" objectType=\"VlanConfig\">"
        "<vrName>VR-Default</vrName><name>v0512</name></filter></sw:getRequest>",
        1);
}

void BM_TypedGetAllVlan(benchmark::State &state) {
    run(state, "<v:getAllVlan/>", 1024);
}

void BM_GenericWalk1024(benchmark::State &state) {
    run(state,
        "<sw:getRequest><filter xsi:type=\"vlan:VlanConfig\" objectType=\"VlanConfig\"/>"
        "</sw:getRequest>",
        1024);
}

}  // namespace

BENCHMARK(BM_TypedGetVlan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenericGetVlan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypedGetAllVlan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenericWalk1024)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
