// The worker's read and write paths as seen by a serve step.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "daemon/trace_file.h"
#include "daemon/worker.h"
#include "platform/wsvdreq.h"
#include "tests/support/scratch.h"

namespace {

wsvdBuflist_t *piecesOf(const std::vector<std::string> &texts) {
    wsvdBuflist_t *all = nullptr;
    for (const std::string &t : texts) {
        wsvdBuflist_t *l = wsvdBufferToBuflist(t.c_str(), static_cast<uint32_t>(t.size()));
        if (!all)
            all = l;
        else
            wsvdBuflistAppend(all, l);
    }
    return all;
}

std::string readAll(wsvdRequest *r, size_t chunk) {
    std::string out;
    std::vector<char> buf(chunk);
    size_t n;
    while ((n = wsvdRequestRead(r, buf.data(), chunk)) > 0) {
        EXPECT_LE(n, chunk);
        out.append(buf.data(), n);
    }
    EXPECT_EQ(wsvdRequestRead(r, buf.data(), chunk), 0u);  // stays at the end
    return out;
}

TEST(RequestRead, WalksAllPiecesWhateverTheChunkSize) {
    std::string big(5000, 'b');  // cut into two pieces by the request library
    std::vector<std::string> texts = {"  <a>", "", big, "</a>"};
    for (size_t chunk : {1, 3, 4096, 100000}) {
        SCOPED_TRACE(chunk);
        wsvdRequest r;
        memset(&r, 0, sizeof r);
        r.pieces = piecesOf(texts);
        r.currentPiece = r.pieces->head;
        r.readPos = r.pieces->head->text + 2;  // the worker skips leading blanks
        EXPECT_EQ(readAll(&r, chunk), "<a>" + big + "</a>");
        wsvdBuflistFree(r.pieces);
    }
}

class ResponseWrite : public ::testing::Test {
protected:
    ScratchDir scratch{"wsvd-rw"};
    ScopedEnv env;
    void SetUp() override {
        env.set("KARN_SCRATCH_LOCATION", scratch.path());
        wsvdTraceFileInit();
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED | WSVD_TRACE_SET_MAX_SIZE, 1 << 30, 1);
    }
    void TearDown() override {
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 0);
        env.unset("KARN_SCRATCH_LOCATION");
        wsvdTraceFileInit();
    }
    std::string traced() { return readFile(scratch / "intern/trace.wsvd"); }
};

// The request's peer is unknown here, so nothing reaches a socket; what was flushed
// shows in the trace file, what is held shows in the buffer.
TEST_F(ResponseWrite, FlushesHeldTextOnceMoreThan4000BytesWouldBeHeld) {
    struct Case {
        const char *name;
        std::vector<size_t> writes;
        size_t flushed, held;
    } cases[] = {
        {"exactly 4000 stays held", {1000, 1000, 1000, 1000}, 0, 4000},
        {"one byte more flushes", {1000, 1000, 1000, 1000, 1}, 4000, 1},
        {"big write after small flushes the small", {10, 5000}, 10, 5000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        wsvdRequest r;
        memset(&r, 0, sizeof r);
        r.peerId = 0xdead;
        r.response = bufferAlloc(512);
        char fill = 'a';
        std::string all;
        for (size_t n : c.writes) {
            std::string w(n, fill++);
            all += w;
            EXPECT_EQ(wsvdResponseWrite(&r, w.data(), w.size()), 0);
        }
        EXPECT_EQ(traced(), all.substr(0, c.flushed));
        EXPECT_EQ(std::string(r.response->data, r.response->length), all.substr(c.flushed));
        bufferFree(r.response);
    }
}

}  // namespace
