#include "cfgmgmt/objdefs/upm_obj.h"

#include "cfgmgmt/objdefs/objdef_module.h"

namespace {

enum : uint16_t {
    upmTag_cfgUpmProfile = 1,
    upmTag_cfgUpmProfileEvent = 2,
    upmTag_cfgUpmStaticProfile = 3,
    upmTag_cfgUpmTimer = 4,
    upmTag_checksum = 5,
    upmTag_creationTime = 6,
    upmTag_data = 7,
    upmTag_day = 8,
    upmTag_enable = 9,
    upmTag_envString = 10,
    upmTag_eventType = 11,
    upmTag_execId = 12,
    upmTag_execTime = 13,
    upmTag_filter = 14,
    upmTag_get = 15,
    upmTag_hour = 16,
    upmTag_lastBindingTime = 17,
    upmTag_lastChangeTime = 18,
    upmTag_min = 19,
    upmTag_module_upm = 20,
    upmTag_month = 21,
    upmTag_numProfiles = 22,
    upmTag_output = 23,
    upmTag_portList = 24,
    upmTag_profileName = 25,
    upmTag_result = 26,
    upmTag_rowStatus = 27,
    upmTag_sec = 28,
    upmTag_secs = 29,
    upmTag_set = 30,
    upmTag_setop = 31,
    upmTag_showUpmProfile = 32,
    upmTag_showUpmProfileName = 33,
    upmTag_timerName = 34,
    upmTag_timerType = 35,
    upmTag_upmEvent = 36,
    upmTag_upmProfileBuffer = 37,
    upmTag_upmProfileExec = 38,
    upmTag_year = 39,
};
const cmTag_t upmTags[] = {
    {"cfgUpmProfile", 1, cmTagKind_object, 2},
    {"cfgUpmProfileEvent", 2, cmTagKind_object, 5},
    {"cfgUpmStaticProfile", 3, cmTagKind_object, 4},
    {"cfgUpmTimer", 4, cmTagKind_object, 3},
    {"checksum", 5, cmTagKind_leaf, 0},
    {"creationTime", 6, cmTagKind_leaf, 0},
    {"data", 7, cmTagKind_leaf, 0},
    {"day", 8, cmTagKind_leaf, 0},
    {"enable", 9, cmTagKind_leaf, 0},
    {"envString", 10, cmTagKind_leaf, 0},
    {"eventType", 11, cmTagKind_leaf, 0},
    {"execId", 12, cmTagKind_leaf, 0},
    {"execTime", 13, cmTagKind_leaf, 0},
    {"filter", 14, cmTagKind_leaf, 0},
    {"get", 15, cmTagKind_action, 0},
    {"hour", 16, cmTagKind_leaf, 0},
    {"lastBindingTime", 17, cmTagKind_leaf, 0},
    {"lastChangeTime", 18, cmTagKind_leaf, 0},
    {"min", 19, cmTagKind_leaf, 0},
    {"module_upm", 20, cmTagKind_module, 0},
    {"month", 21, cmTagKind_leaf, 0},
    {"numProfiles", 22, cmTagKind_leaf, 0},
    {"output", 23, cmTagKind_leaf, 0},
    {"portList", 24, cmTagKind_leaf, 0},
    {"profileName", 25, cmTagKind_leaf, 0},
    {"result", 26, cmTagKind_leaf, 0},
    {"rowStatus", 27, cmTagKind_leaf, 0},
    {"sec", 28, cmTagKind_leaf, 0},
    {"secs", 29, cmTagKind_leaf, 0},
    {"set", 30, cmTagKind_action, 0},
    {"setop", 31, cmTagKind_action, 0},
    {"showUpmProfile", 32, cmTagKind_object, 7},
    {"showUpmProfileName", 33, cmTagKind_object, 6},
    {"timerName", 34, cmTagKind_leaf, 0},
    {"timerType", 35, cmTagKind_leaf, 0},
    {"upmEvent", 36, cmTagKind_leaf, 0},
    {"upmProfileBuffer", 37, cmTagKind_object, 1},
    {"upmProfileExec", 38, cmTagKind_object, 8},
    {"year", 39, cmTagKind_leaf, 0},
};

#define U(S, m, t) CM_FIELD(S, m, t, upmTag_##m)
#define US(S, m) CM_STRING(S, m, upmTag_##m)

const cmFieldDesc_t kBufferFields[] = {
    US(upmProfileBuffer_t, profileName),
    U(upmProfileBuffer_t, rowStatus, cmType_action),
    US(upmProfileBuffer_t, data),
};
const cmFieldDesc_t kProfileFields[] = {
    U(cfgUpmProfile_t, enable, cmType_uint32),
    US(cfgUpmProfile_t, profileName),
    U(cfgUpmProfile_t, rowStatus, cmType_action),
};
const cmFieldDesc_t kTimerFields[] = {
    US(cfgUpmTimer_t, timerName),
    US(cfgUpmTimer_t, profileName),
    U(cfgUpmTimer_t, rowStatus, cmType_action),
    U(cfgUpmTimer_t, sec, cmType_uint32),
    U(cfgUpmTimer_t, min, cmType_uint32),
    U(cfgUpmTimer_t, hour, cmType_uint32),
    U(cfgUpmTimer_t, day, cmType_uint32),
    U(cfgUpmTimer_t, month, cmType_uint32),
    U(cfgUpmTimer_t, year, cmType_uint32),
    U(cfgUpmTimer_t, timerType, cmType_uint32),
    U(cfgUpmTimer_t, secs, cmType_uint32),
};
const cmFieldDesc_t kStaticFields[] = {
    US(cfgUpmStaticProfile_t, profileName),
    U(cfgUpmStaticProfile_t, portList, cmType_portlist),
    U(cfgUpmStaticProfile_t, rowStatus, cmType_action),
    U(cfgUpmStaticProfile_t, eventType, cmType_uint32),
    US(cfgUpmStaticProfile_t, envString),
};
const cmFieldDesc_t kEventFields[] = {
    US(cfgUpmProfileEvent_t, profileName),
    U(cfgUpmProfileEvent_t, upmEvent, cmType_uint32),
    U(cfgUpmProfileEvent_t, portList, cmType_portlist),
    U(cfgUpmProfileEvent_t, rowStatus, cmType_action),
};
const cmFieldDesc_t kShowNameFields[] = {
    US(showUpmProfileName_t, profileName),
    US(showUpmProfileName_t, data),
    U(showUpmProfileName_t, enable, cmType_uint32),
    U(showUpmProfileName_t, lastBindingTime, cmType_uint32),
    U(showUpmProfileName_t, lastChangeTime, cmType_uint32),
    U(showUpmProfileName_t, creationTime, cmType_uint32),
    U(showUpmProfileName_t, checksum, cmType_uint16),
};
const cmFieldDesc_t kShowFields[] = {
    US(showUpmProfile_t, profileName),
    U(showUpmProfile_t, eventType, cmType_uint32),
    U(showUpmProfile_t, portList, cmType_portlist),
    US(showUpmProfile_t, timerName),
    US(showUpmProfile_t, filter),
    U(showUpmProfile_t, numProfiles, cmType_uint32),
};
const cmFieldDesc_t kExecFields[] = {
    U(upmProfileExec_t, execId, cmType_uint32),
    U(upmProfileExec_t, execTime, cmType_uint32),
    U(upmProfileExec_t, eventType, cmType_uint32),
    US(upmProfileExec_t, profileName),
    US(upmProfileExec_t, timerName),
    U(upmProfileExec_t, portList, cmType_portlist),
    U(upmProfileExec_t, result, cmType_uint32),
    US(upmProfileExec_t, output),
};

const cmObjectDesc_t kBufferDesc = CM_DESC(upmProfileBuffer_t, kBufferFields);
const cmObjectDesc_t kProfileDesc = CM_DESC(cfgUpmProfile_t, kProfileFields);
const cmObjectDesc_t kTimerDesc = CM_DESC(cfgUpmTimer_t, kTimerFields);
const cmObjectDesc_t kStaticDesc = CM_DESC(cfgUpmStaticProfile_t, kStaticFields);
const cmObjectDesc_t kEventDesc = CM_DESC(cfgUpmProfileEvent_t, kEventFields);
const cmObjectDesc_t kShowNameDesc = CM_DESC(showUpmProfileName_t, kShowNameFields);
const cmObjectDesc_t kShowDesc = CM_DESC(showUpmProfile_t, kShowFields);
const cmObjectDesc_t kExecDesc = CM_DESC(upmProfileExec_t, kExecFields);

const cmObjectDesc_t *const kUpmDescs[] = {nullptr,        &kBufferDesc, &kProfileDesc,
                                           &kTimerDesc,    &kStaticDesc, &kEventDesc,
                                           &kShowNameDesc, &kShowDesc,   &kExecDesc};

}  // namespace

extern const cmModuleDef_t gUpmModule;
const cmModuleDef_t gUpmModule = {"upm", upmTags, sizeof(upmTags) / sizeof(upmTags[0]), kUpmDescs,
                                  9};

void cmObjectInit_upm() {
    cmModuleRegister(&cmModuleEntry<gUpmModule>::entry);
}

void upmProfileBuffer_t_free(upmProfileBuffer_t *p) {
    cmObjectFreeCore(&kBufferDesc, p);
}
void cfgUpmProfile_t_free(cfgUpmProfile_t *p) {
    cmObjectFreeCore(&kProfileDesc, p);
}
void cfgUpmTimer_t_free(cfgUpmTimer_t *t) {
    cmObjectFreeCore(&kTimerDesc, t);
}
void cfgUpmStaticProfile_t_free(cfgUpmStaticProfile_t *p) {
    cmObjectFreeCore(&kStaticDesc, p);
}
void cfgUpmProfileEvent_t_free(cfgUpmProfileEvent_t *p) {
    cmObjectFreeCore(&kEventDesc, p);
}
void showUpmProfileName_t_free(showUpmProfileName_t *p) {
    cmObjectFreeCore(&kShowNameDesc, p);
}
void showUpmProfile_t_free(showUpmProfile_t *p) {
    cmObjectFreeCore(&kShowDesc, p);
}
void upmProfileExec_t_free(upmProfileExec_t *e) {
    cmObjectFreeCore(&kExecDesc, e);
}
