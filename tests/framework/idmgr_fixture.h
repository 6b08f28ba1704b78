// The identity manager's objects through the generic operations, over the installed
// metadata: the requests they send to a scripted configuration manager, or to cfgmgr's
// own store running in the test (with a failure injected at a chosen request).
#pragma once
#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "tests/framework/generic_fixture.h"

class IdMgrTest : public GenericTest {
protected:
    void SetUp() override {
        GenericTest::SetUp();
        xmlFwkFree();
        ASSERT_EQ(xmlFwkInit(WSVD_DATA_DIR "/config/www/api/xsd"), 1);
    }

    std::string idmgr(const char *operation, const char *type, const std::string &fields,
                      const std::string &attributes = "") {
        return serve(std::string("<sw:") + operation + kGenericNs +
                         " xmlns:idmgr=\"" WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/idmgr\"" +
                         attributes + "><filter xsi:type=\"idmgr:" + type + "\">" + fields +
                         "</filter></sw:" + operation + ">",
                     header(rw_));
    }

    // cfgmgr's store answers, from its factory state; request `failAt` (counted from 1)
    // fails instead with the message "injected".
    void useStore(size_t failAt = 0) {
        std::string why;
        ASSERT_EQ(cfgStoreInit(WSVD_DATA_DIR "/cfgmgr", &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
        gFake.cmCalls.clear();
        gFake.cmAnswer = [failAt](const FakeCmCall &call) {
            if (gFake.cmCalls.size() == failAt) return cmStatus(0, "injected");
            cfgReply_t r =
                cfgStoreHandle(call.operation == CM_OP_SET ? 0 : call.getFlags, call.text.c_str());
            return r.status ? cmOk(r.data, r.status) : cmStatus(0, r.message.c_str());
        };
    }
    // What the store answers to a get, with its data.
    static std::string storeGet(uint32_t flags, const std::string &object) {
        cfgReply_t r = cfgStoreHandle(
            flags, ("<module_idMgr><get>" + object + "</get></module_idMgr>").c_str());
        return r.status ? r.data : "failed: " + r.message;
    }
};
