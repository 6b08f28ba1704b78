// Arbitrary bytes into the daemon's message intake, as if sent by a connected peer.
// The input is cut into messages at each 0xff 0xfe pair so that one run can carry a
// start fragment and its continuations. No sockets: replies to the fake peer fail
// quietly, and the worker is waited for so that nothing outlives the run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "daemon/intake.h"
#include "daemon/worker.h"
#include "platform/ipml.h"
#include "platform/wsvdreq.h"

namespace {

void readAllServe(void *, wsvdRequest *r) {
    char chunk[512];
    size_t total = 0, n;
    while ((n = wsvdRequestRead(r, chunk, sizeof chunk)) > 0) total += n;
    wsvdResponseWrite(r, "done", 4);
    (void)total;
}

void waitIdle() {
    for (int i = 0; i < 10000; i++) {
        wsvdIntakeStats_t s;
        wsvdIntakeGetStats(&s);
        if (s.runningWorkers == 0) return;
        usleep(100);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool initialised = [] {
        static const wsvdServeOps ops = {nullptr, readAllServe, nullptr, nullptr};
        wsvdSetServeOps(&ops);
        return wsvdIntakeInit() == 0;
    }();
    if (!initialised) return 0;
    const uint32_t peer = 4242;
    wsvdIpmlPeerCallBack(nullptr, IPML_PEER_CONNECT, peer);
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end + 1 < size && !(data[end] == 0xff && data[end + 1] == 0xfe)) end++;
        if (end + 1 >= size) end = size;  // no further separator
        wsvdHandleMessage(peer, data + start, static_cast<uint32_t>(end - start));
        if (end >= size) break;
        start = end + 2;
    }
    waitIdle();
    // Leaving frees whatever the input left half-sent.
    wsvdIpmlPeerCallBack(nullptr, IPML_PEER_LEAVE, peer);
    return 0;
}
