#include "platform/ems.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/scratch.h"

namespace {

class Ems : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("KARN_SCRATCH_LOCATION", scratch.path()).unset("KARN_EMS_INCIDENTS");
    }
    ScratchDir scratch{"wsvdems"};
    ScopedEnv env;
};

void log(emsTrace_t *t, const std::string &s) {
    emsTraceLog(t, 1, s.c_str(), static_cast<uint32_t>(s.size()));
}

TEST_F(Ems, RingDropsTheOldestTextAndFileReadsTheSame) {
    emsTrace_t *t = emsInitTraceBuffer("wsvd", 32, EMS_TRACE_PLAIN, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(emsTracePath(t)), scratch / "ems/wsvd.trace");
    log(t, "first");
    log(t, "second\n");
    log(t, "third entry");
    log(t, "fourth entry");  // 13 + 12 + 13 = 38 > 32: "first\n" goes
    std::string text = emsTraceText(t);
    EXPECT_EQ(text, std::string("first\nsecond\nthird entry\nfourth entry\n").substr(6));
    EXPECT_EQ(emsReadTraceFile(emsTracePath(t)), text);

    log(t, std::string(100, 'x') + "tail");  // larger than the ring: its newest part stays
    EXPECT_EQ(emsTraceText(t), std::string(27, 'x') + "tail\n");
    emsTraceFree(t);
    emsTraceLog(nullptr, 1, "ignored", 7);
}

// Whether `text` is `pattern` with a digit for each '#'.
bool matches(const std::string &text, const std::string &pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); i++)
        if (pattern[i] == '#' ? !isdigit(static_cast<unsigned char>(text[i]))
                              : text[i] != pattern[i])
            return false;
    return true;
}

// A stamped entry is "<date> <time>.<ms> <text>" and a line end; of one larger than the
// ring, the newest part stays, the end of the stamp with it.
TEST_F(Ems, StampedEntriesAndTheirNewestPart) {
    const std::string stamp = "####-##-## ##:##:##.### ";
    emsTrace_t *t = emsInitTraceBuffer("stamped", 40, 0, nullptr);
    ASSERT_NE(t, nullptr);
    log(t, "one\n");
    EXPECT_TRUE(matches(emsTraceText(t), stamp + "one\n")) << emsTraceText(t);
    emsTraceFree(t);
    t = emsInitTraceBuffer("stamped", 32, 0, nullptr);
    ASSERT_NE(t, nullptr);
    log(t, "abcdefgh");  // 24 + 8 + 1 = 33: the stamp's first digit goes
    EXPECT_TRUE(matches(emsTraceText(t), stamp.substr(1) + "abcdefgh\n")) << emsTraceText(t);
    log(t, std::string(40, 'y'));
    EXPECT_EQ(emsTraceText(t), std::string(31, 'y') + "\n");
    emsTraceFree(t);
}

// The file's blocks are reserved when it is made, so writing the mapped ring can never
// meet a full disk; when they cannot be reserved, the ring lives in memory.
TEST_F(Ems, TraceFileSpaceIsReservedOrTheRingStaysInMemory) {
    const uint32_t size = 256 * 1024;
    emsTrace_t *t = emsInitTraceBuffer("reserved", size, 0, nullptr);
    ASSERT_NE(t, nullptr);
    struct stat st;
    ASSERT_EQ(stat(emsTracePath(t), &st), 0);
    EXPECT_GE(uint64_t(st.st_blocks) * 512, uint64_t(size)) << "no holes in the file";
    emsTraceFree(t);

    // A file size limit below the ring stands in for a full disk.
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    t = emsInitTraceBuffer("full", size, 0, nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(emsTracePath(t), "");
    EXPECT_NE(said.find("the trace is kept in memory"), std::string::npos) << said;
    EXPECT_NE(access((scratch / "ems/full.trace").c_str(), F_OK), 0);
    for (int i = 0; i < 20000; i++) log(t, "line " + std::to_string(i));
    EXPECT_NE(emsTraceText(t).find("line 19999\n"), std::string::npos);
    emsTraceFree(t);
}

TEST_F(Ems, DamagedTraceFilesReadAsEmpty) {
    emsTrace_t *t = emsInitTraceBuffer("damaged", 64, EMS_TRACE_PLAIN, nullptr);
    log(t, "text");
    std::string path = emsTracePath(t);
    emsTraceFree(t);
    ASSERT_EQ(emsReadTraceFile(path.c_str()), "text\n");

    const std::string good = readFile(path);
    auto writeWith = [&](size_t offset, uint32_t value, size_t cut) {
        std::string bytes = good;
        if (offset + 4 <= bytes.size()) memcpy(bytes.data() + offset, &value, 4);
        bytes.resize(bytes.size() - cut);
        writeFile(path, bytes);
    };
    struct Case {
        const char *what;
        size_t offset;
        uint32_t value;
        size_t cut;
    } cases[] = {{"bad magic", 0, 0, 0},
                 {"ring larger than the file", 8, 1u << 20, 0},
                 {"position past the ring", 12, 64, 0},
                 {"file cut short", 999, 0, 10},
                 {"only part of a header", 999, 0, good.size() - 5}};
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        writeWith(c.offset, c.value, c.cut);
        EXPECT_EQ(emsReadTraceFile(path.c_str()), "");
    }
    EXPECT_EQ(emsReadTraceFile((scratch / "missing").c_str()), "");
}

}  // namespace
