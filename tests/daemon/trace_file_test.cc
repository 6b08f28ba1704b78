// The trace file, and the worker's write path as a serve step sees it.
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

// Nothing is written while tracing is off. The size is checked before each write, so a
// file that holds exactly the maximum is full; the files take turns, each starting again
// from empty.
TEST_F(TraceFileTest, NothingWhileOffThenTheFilesTakeTurns) {
    wsvdTraceWrite("%s", "lost");
    wsvdTraceFileConfigure(WSVD_TRACE_SET_MAX_SIZE, 10, 1);  // enabled not in the mask
    wsvdTraceWrite("%s", "lost");
    EXPECT_FALSE(std::filesystem::exists(scratch / "intern"));
    wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 1);  // the maximum stays 10
    wsvdTraceWrite("[BEGIN:%d->", 7);
    wsvdTraceWrite("%s\n", "body");
    EXPECT_EQ(readFile(first), "[BEGIN:7->");
    EXPECT_EQ(readFile(second), "body\n");
    wsvdTraceWrite("%s", "12345");  // the second is not full yet
    wsvdTraceWrite("%s", "again");
    EXPECT_EQ(readFile(first), "again");
    EXPECT_EQ(readFile(second), "body\n12345");
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
        {"short writes flush before the one that would pass 4000", std::vector<size_t>(700, 6),
         3996, 204},
        {"short writes into a buffer that must grow", std::vector<size_t>(100, 31), 0, 3100},
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
        int k = 0;
        std::string all;
        for (size_t n : c.writes) {
            std::string w(n, char('a' + k++ % 26));
            all += w;
            EXPECT_EQ(wsvdResponseWrite(&r, w.data(), w.size()), 0);
        }
        EXPECT_EQ(readFile(first), all.substr(0, c.flushed));
        EXPECT_EQ(std::string(r.response->data, r.response->length), all.substr(c.flushed));
        bufferFree(r.response);
    }
}

// Short and long writes alike keep the text up to a NUL in them and drop the rest of
// that write, as the buffer's append does; the next write goes on from there.
TEST_F(TraceFileTest, WritesStopAtANulAsTheBufferDoes) {
    using namespace std::string_literals;
    const struct {
        std::vector<std::string> writes;
        std::string held;
    } kCases[] = {
        {{"ab\0cd"s, "ef"}, "abef"},
        {{"\0"s, "x", "\0\0"s}, "x"},
        {{std::string(20, 'a') + "\0"s + std::string(40, 'b'), "c"}, std::string(20, 'a') + "c"},
        {{"ab", std::string(40, 'b') + "\0"s + "z"}, "ab" + std::string(40, 'b')},
    };
    for (const auto &c : kCases) {
        wsvdRequest r;
        memset(&r, 0, sizeof r);
        r.response = bufferAlloc(512);
        for (const std::string &w : c.writes) wsvdResponseWrite(&r, w.data(), w.size());
        EXPECT_EQ(std::string(r.response->data, r.response->length), c.held);
        EXPECT_EQ(strlen(r.response->data), r.response->length);
        bufferFree(r.response);
    }
}

}  // namespace
