// cfgmgr's store in-process, with its shipped catalogue and factory rows and a
// configuration directory of its own (removed afterwards), for tests of what reads the
// directory's files.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"

class StoreInTree : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/store_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir() = pattern;
        std::string why;
        ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
        cfgStoreSetEnvironment(cfgStoreEnvironment_t{nullptr, [] { return dir(); }});
    }
    void TearDown() override {
        cfgStoreSetEnvironment(cfgStoreEnvironment_t{});
        EXPECT_EQ(system(("rm -rf " + dir()).c_str()), 0);
    }
    static std::string &dir() {
        static std::string path;
        return path;
    }
    static void writeFile(const std::string &name, const std::string &text) {
        std::ofstream(dir() + "/" + name) << text;
    }
};
