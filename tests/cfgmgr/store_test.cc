// cfgmgr's store and saved file, in-process.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "platform/cm.h"

namespace {

std::string readData(const char *name) {
    std::ifstream in(std::string(CFGMGR_DATA_DIR) + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(cfgStoreInit(readData("catalogue"), &why), 0) << why;
        cfgRelayClear();
        ASSERT_EQ(cfgApplyDefaults(readData("defaults"), &why), 0) << why;
    }
};

TEST_F(StoreTest, FactoryDefaults) {
    cfgReply_t r = cfgStoreHandle(CM_GET_PLAIN, "<module_vlan><get><vlan/></get></module_vlan>");
    EXPECT_EQ(r.status, 1u) << r.message;
    EXPECT_NE(r.data.find("Default"), std::string::npos) << r.data;
}

}  // namespace
