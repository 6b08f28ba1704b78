// cfgmgr's store in-process, with its shipped catalogue and factory rows and a
// configuration directory of its own (removed afterwards), for tests of what reads the
// directory's files.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "tests/support/scratch.h"

class StoreInTree : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<ScratchDir>("store_test");
        dir() = scratch_->path();
        std::string why;
        ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
        // The store asks through a plain function, which cannot hold the fixture.
        cfgStoreSetEnvironment(cfgStoreEnvironment_t{nullptr, [] { return dir(); }, nullptr});
    }
    void TearDown() override { cfgStoreSetEnvironment(cfgStoreEnvironment_t{}); }
    static std::string &dir() {
        static std::string path;
        return path;
    }
    // A file of the configuration directory, by its name there.
    static void writeFile(const std::string &name, const std::string &text) {
        ::writeFile(dir() + "/" + name, text);
    }

private:
    std::unique_ptr<ScratchDir> scratch_;
};
