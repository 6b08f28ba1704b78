// Parsing and formatting throughput of the object library on 1024 VLAN objects, and
// expat alone (no handlers doing work) on the same text as the ceiling.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "platform/cmxml.h"

namespace {

// 1024 VLAN objects, parsed one text per object (a get-next walk reads them one reply at a
// time) and formatted as one list.
std::string vlanText(int i) {
    buffer_t b = {};
    bufferPutf(&b,
               "<vlan><name><![CDATA[vlan%04d]]></name><vrName><![CDATA[VR-Default]]></vrName>"
               "<tag>%d</tag><ipMtu>1500</ipMtu><qosProfile>%d</qosProfile>"
               "<loopbackEnable>0</loopbackEnable><ipForwarding>1</ipForwarding>"
               "<taggedPorts>1:1-8,2:%d</taggedPorts><untaggedPorts>3:1-24</untaggedPorts>"
               "</vlan>",
               i, i + 1, i % 8, i % 24 + 1);
    std::string s = b.data;
    free(b.data);
    return s;
}

const std::vector<std::string> &texts() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v;
        for (int i = 0; i < 1024; i++) v.push_back(vlanText(i));
        return v;
    }();
    return all;
}

size_t totalBytes() {
    size_t n = 0;
    for (const auto &t : texts()) n += t.size();
    return n;
}

void BM_Parse(benchmark::State &state) {
    cmObjectInit_vlan();
    cmObjectParser_t *parser = cmObjectParserAlloc();
    cmFuncTableEntry_t *entry = cmFuncTableEntryGet("vlan");
    for (auto _ : state) {
        for (const auto &t : texts()) {
            cmObject_t *o = cmObjectParse(parser, "vlan", t.data(), t.size());
            if (!o) state.SkipWithError(parser->errorBuffer->data);
            entry->free(o, cmFree_all);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalBytes()));
    cmObjectParserFree(parser);
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

void onStart(void *, const char *, const char **) {}
void onEnd(void *, const char *) {}
void onText(void *, const char *, int) {}

void BM_ExpatAlone(benchmark::State &state) {
    for (auto _ : state) {
        for (const auto &t : texts()) {
            XML_Parser p = XML_ParserCreate(nullptr);
            XML_SetElementHandler(p, onStart, onEnd);
            XML_SetCharacterDataHandler(p, onText);
            XML_Parse(p, t.data(), static_cast<int>(t.size()), 1);
            XML_ParserFree(p);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalBytes()));
}
BENCHMARK(BM_ExpatAlone)->Unit(benchmark::kMillisecond);

// The reader of the plain form the processes write, with the same empty handlers.
void BM_PlainAlone(benchmark::State &state) {
    for (auto _ : state) {
        for (const auto &t : texts())
            if (!cmXML_ParsePlainContent(t.data(), t.size(), onStart, onEnd, onText, nullptr))
                state.SkipWithError("not plain");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalBytes()));
}
BENCHMARK(BM_PlainAlone)->Unit(benchmark::kMillisecond);

void BM_FormatList(benchmark::State &state) {
    cmObjectInit_vlan();
    cmObjectParser_t *parser = cmObjectParserAlloc();
    // Build the list once from the texts.
    cfgVlan_t *head = nullptr;
    for (auto it = texts().rbegin(); it != texts().rend(); ++it) {
        cmObject_t *o = cmObjectParse(parser, "vlan", it->data(), it->size());
        auto *v = static_cast<cfgVlan_t *>(o->data);
        cmFuncTableEntryGet("vlan")->free(o, cmFree_wrapper);
        v->next = head;
        head = v;
    }
    const cmModuleDef_t *m = cmModuleFind("vlan");
    const cmTag_t *tag = cmModuleLookup(m, "vlan");
    buffer_t *out = bufferAlloc(0);
    size_t bytes = 0;
    for (auto _ : state) {
        bufferReset(out);
        cmFormatContext_t ctx = {0, out};
        cmObjectFormatList(m->tags, &cfgVlanDesc, &ctx, tag, head);
        bytes += out->length;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    cmObjectFreeList(&cfgVlanDesc, head);
    bufferFree(out);
    cmObjectParserFree(parser);
}
BENCHMARK(BM_FormatList)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
