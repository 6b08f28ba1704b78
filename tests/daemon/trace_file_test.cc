// The trace file, and the worker's read and write paths as a serve step sees them.
#include "daemon/trace_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/buffer.h"
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

class TraceFileTest : public ::testing::Test {
protected:
    ScratchDir scratch{"wsvd-tf"};
    ScopedEnv env;
    std::string first = scratch / "intern/trace.wsvd", second = scratch / "intern/secondtrace.wsvd";
    void SetUp() override {
        env.set("KARN_SCRATCH_LOCATION", scratch.path());
        wsvdTraceFileInit();
    }
    void TearDown() override {
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 0);
        env.unset("KARN_SCRATCH_LOCATION");
        wsvdTraceFileInit();
    }
};

TEST_F(TraceFileTest, OffCreatesNothing) {
    wsvdTraceWrite("%s", "lost");
    wsvdTraceFileConfigure(WSVD_TRACE_SET_MAX_SIZE, 10, 1);  // enabled not in the mask
    wsvdTraceWrite("%s", "lost");
    EXPECT_FALSE(std::filesystem::exists(scratch / "intern"));
}

// Writes of 300 bytes with the limit at 1000: the size is checked before each write, so
// a file takes four writes (1200 bytes) before the other one starts from empty.
TEST_F(TraceFileTest, AlternatesBetweenTheTwoFiles) {
    ASSERT_EQ(wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 1), 1);
    std::string block(300, 'x');
    struct Step {
        char mark;
        size_t firstSize, secondSize;
    } steps[] =
        {
            {'a', 300, 0},    {'b', 600, 0},    {'c', 900, 0},    {'d', 1200, 0},
            {'e', 1200, 300}, {'f', 1200, 600}, {'g', 1200, 900}, {'h', 1200, 1200},
            {'i', 300, 1200},  // the first file starts again from empty
        };
    for (const Step &s : steps) {
        block[0] = s.mark;
        wsvdTraceWrite("%s", block.c_str());
        SCOPED_TRACE(std::string("after write ") + s.mark);
        EXPECT_EQ(readFile(first).size(), s.firstSize);
        EXPECT_EQ(readFile(second).size(), s.secondSize);
    }
    EXPECT_EQ(readFile(first)[0], 'i');
    EXPECT_EQ(readFile(second)[0], 'e');
}

// A file that holds exactly the maximum size is full.
TEST_F(TraceFileTest, MaxSizeTakesEffectAtNextWrite) {
    wsvdTraceFileConfigure(WSVD_TRACE_SET_MAX_SIZE | WSVD_TRACE_SET_ENABLED, 10, 1);
    wsvdTraceWrite("[BEGIN:%d->", 7);
    wsvdTraceWrite("%s\n", "body");
    EXPECT_EQ(readFile(first), "[BEGIN:7->");
    EXPECT_EQ(readFile(second), "body\n");
}

// The files outlive the requests in them: passwords are masked, and only the owner
// reads them, also when the directory was made with wider rights before.
TEST_F(TraceFileTest, PasswordsAreMaskedAndFilesAreTheOwnersOnly) {
    std::filesystem::create_directory(scratch / "intern");
    chmod((scratch / "intern").c_str(), 0755);
    wsvdTraceFileConfigure(WSVD_TRACE_SET_MAX_SIZE | WSVD_TRACE_SET_ENABLED, 100000, 1);
    wsvdTraceRequestBegin();
    wsvdTraceWrite("[BEGIN:%d->", 1);
    wsvdTraceWrite("%s", "<session><username>admin</username><pass");
    wsvdTraceWrite("%s", "word>Secret-1</password></session>");
    EXPECT_EQ(readFile(first),
              "[BEGIN:1-><session><username>admin</username><password>***</password></session>")
        << "a tag cut between writes is written when it is complete";
    struct stat st;
    ASSERT_EQ(stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((scratch / "intern").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// The request's peer is unknown here, so nothing reaches a socket; what was flushed
// shows in the trace file, what is held shows in the buffer.
TEST_F(TraceFileTest, FlushesHeldTextOnceMoreThan4000BytesWouldBeHeld) {
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
        wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED | WSVD_TRACE_SET_MAX_SIZE, 1 << 30, 1);
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
        EXPECT_EQ(readFile(first), all.substr(0, c.flushed));
        EXPECT_EQ(std::string(r.response->data, r.response->length), all.substr(c.flushed));
        bufferFree(r.response);
    }
}

}  // namespace
