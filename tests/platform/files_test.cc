#include "platform/files.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "tests/support/scratch.h"

namespace {

class Files : public ::testing::Test {
protected:
    std::string read() const { return readFile(path_); }
    int entries() const {
        int n = 0;
        DIR *d = opendir(dir_.c_str());
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') n++;
        closedir(d);
        return n;
    }
    karnFileResult replace(const std::string &text) {
        return karnFileReplace(path_.c_str(), text.data(), text.size());
    }
    ScratchDir scratch_{"files_test"};
    ScopedEnv env_;
    std::string dir_ = scratch_.path(), path_ = scratch_ / "p.pol";
};

TEST_F(Files, PartitionUsageAgainstTheFreeShareAsked) {
    // A 1000-byte partition: full at 10% once its files take more than 900 bytes, wherever
    // they lie beneath it, whatever the host disk's own share.
    env_.set("KARN_CONFIG_PARTITION_BYTES", "1000").unset("KARN_PARTITION_FULL");
    writeFile(scratch_ / "a.cfg", std::string(850, 'x'));
    EXPECT_EQ(checkPartitionUsage(dir_.c_str(), 10), 0);
    EXPECT_NE(checkPartitionUsage(dir_.c_str(), 16), 0);
    ASSERT_EQ(mkdir((scratch_ / "sub").c_str(), 0755), 0);
    writeFile(scratch_ / "sub/b.pol", std::string(60, 'x'));
    EXPECT_NE(checkPartitionUsage(dir_.c_str(), 10), 0);
    EXPECT_EQ(checkPartitionUsage(dir_.c_str(), 0), 0);
    EXPECT_EQ(checkPartitionUsage((dir_ + "/missing").c_str(), 101), 0);  // cannot tell

    env_.set("KARN_CONFIG_PARTITION_BYTES", "1000x");  // not a size: 64 MiB
    EXPECT_EQ(checkPartitionUsage(dir_.c_str(), 10), 0);
    // Never roomier than the disk beneath.
    env_.set("KARN_CONFIG_PARTITION_BYTES", "1125899906842624");
    EXPECT_NE(checkPartitionUsage(dir_.c_str(), 10), 0);

    env_.set("KARN_PARTITION_FULL", "1");
    EXPECT_NE(checkPartitionUsage(dir_.c_str(), 0), 0);
}

TEST_F(Files, ReplaceWritesTheWholeTextOrLeavesTheOldFile) {
    ASSERT_EQ(replace("old text\n"), KARN_FILE_WRITTEN);
    EXPECT_EQ(read(), "old text\n");
    ASSERT_EQ(replace("new\n"), KARN_FILE_WRITTEN);
    EXPECT_EQ(read(), "new\n");

    // A write that runs out of room (here: the file size limit) fails whole.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    karnFileResult result = replace(std::string(4096, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(result, KARN_FILE_CANNOT_WRITE);
    EXPECT_EQ(read(), "new\n");
    EXPECT_EQ(entries(), 1);  // no temporary file is left behind

    EXPECT_EQ(karnFileReplace((dir_ + "/no/such/dir.pol").c_str(), "x", 1),
              KARN_FILE_CANNOT_CREATE);
    EXPECT_EQ(karnFileReplace(dir_.c_str(), "x", 1), KARN_FILE_CANNOT_CREATE);  // a directory
    EXPECT_EQ(entries(), 1);
}

}  // namespace
