// Gets per second against cfgmgr's store with 4094 VLANs: exact gets of one VLAN,
// get-next steps and whole walks (by key, and by the name alone), each a whole request
// text in and reply text out, as cfgmgr serves them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/readahead.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"
#include "cmclient/cm_readahead.h"

namespace {

const int kVlans = 4094;

std::string vlanText(const char *op, int i, const char *extra) {
    char text[256];
    snprintf(text, sizeof text,
             "<module_vlan><%s><vlan><vrName>VR-Default</vrName><name>v%04d</name>%s</vlan></%s>"
             "</module_vlan>",
             op, i, extra, op);
    return text;
}

void fill() {
    static bool done = false;
    if (done) return;
    std::string why;
    if (cfgStoreInit(CFGMGR_DATA_DIR, &why) != 0 || cfgApplyFactory(&why) != 0) {
        fprintf(stderr, "%s\n", why.c_str());
        abort();
    }
    for (int i = 1; i <= kVlans; i++) {
        // Tags 2..4094; tag 1 is the default VLAN's, so v0001 has none.
        char extra[96];
        snprintf(
            extra, sizeof extra,
            i == 1 ? "<rowStatus>create</rowStatus>" : "<tag>%d</tag><rowStatus>create</rowStatus>",
            i);
        if (cfgStoreHandle(0, vlanText("set", i, extra).c_str()).status != 1) abort();
    }
    done = true;
}

void BM_ExactGet(benchmark::State &state) {
    fill();
    std::string texts[64];
    for (int i = 0; i < 64; i++) texts[i] = vlanText("get", 1 + (i * 61) % kVlans, "");
    int i = 0;
    for (auto _ : state) {
        cfgReply_t r = cfgStoreHandle(CM_GET_EXACT, texts[i++ & 63].c_str());
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExactGet);

void BM_NextGet(benchmark::State &state) {
    fill();
    std::string texts[64];
    for (int i = 0; i < 64; i++) texts[i] = vlanText("get", 1 + (i * 61) % kVlans, "");
    int i = 0;
    for (auto _ : state) {
        cfgReply_t r = cfgStoreHandle(CM_GET_NEXT, texts[i++ & 63].c_str());
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NextGet);

// The text between "<field><![CDATA[" and "]]>" of a reply.
std::string textOf(const std::string &data, const std::string &field) {
    size_t a = data.find("<" + field + "><![CDATA[") + field.size() + 11;
    return data.substr(a, data.find("]]>", a) - a);
}

// A whole walk over all VLANs by get-next, as the daemon's list operations do, each
// step keyed by the whole key or (`byName`) by the name alone.
void walk(benchmark::State &state, bool byName) {
    fill();
    for (auto _ : state) {
        int n = 0;
        std::string text = "<module_vlan><get><vlan/></get></module_vlan>";
        for (;;) {
            cfgReply_t r = cfgStoreHandle(CM_GET_NEXT, text.c_str());
            if (r.data.empty()) break;
            std::string vr = byName ? "" : "<vrName>" + textOf(r.data, "vrName") + "</vrName>";
            text = "<module_vlan><get><vlan>" + vr + "<name>" + textOf(r.data, "name") +
                   "</name></vlan></get></module_vlan>";
            n++;
        }
        if (n != kVlans + 2) abort();
    }
    state.SetItemsProcessed(state.iterations() * (kVlans + 2));
}

void BM_FullWalk(benchmark::State &state) {
    walk(state, false);
}
BENCHMARK(BM_FullWalk)->Unit(benchmark::kMillisecond);

// The name is a unique field: the generic object requests name a VLAN by it alone.
void BM_WalkByName(benchmark::State &state) {
    walk(state, true);
}
BENCHMARK(BM_WalkByName)->Unit(benchmark::kMillisecond);

// One get-next and the 128 answers read ahead of it, as cfgmgr serves a walk that goes on
// (items: answers).
void BM_ReadAhead128(benchmark::State &state) {
    fill();
    const std::string text = vlanText("get", 100, "");
    for (auto _ : state) {
        cfgReply_t r = cfgStoreHandle(CM_GET_NEXT, text.c_str());
        std::vector<cfgAheadAnswer> answers = cfgReadAhead(text.c_str(), r, 128);
        if (answers.size() != 128) abort();
    }
    state.SetItemsProcessed(state.iterations() * 129);
}
BENCHMARK(BM_ReadAhead128)->Unit(benchmark::kMicrosecond);

// The canonical text of a walk's get-next, as the frontend library makes it for every
// step it asks (to match it with an answer read ahead) and cfgmgr for every batch.
void BM_CanonicalGetOfText(benchmark::State &state) {
    std::string texts[64];
    for (int i = 0; i < 64; i++) texts[i] = vlanText("get", 1 + (i * 61) % kVlans, "");
    int i = 0;
    for (auto _ : state) {
        std::string canonical = cmCanonicalGetOfText(texts[i++ & 63].c_str());
        benchmark::DoNotOptimize(canonical);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CanonicalGetOfText);

}  // namespace

BENCHMARK_MAIN();
