#include "cfgmgmt/objdefs/acl_obj.h"

#include "cfgmgmt/objdefs/objdef_module.h"

namespace {

enum : uint16_t {
    aclTag_aclEntry = 1,
    aclTag_aclIfDirection = 2,
    aclTag_aclIfEntry = 3,
    aclTag_aclName = 4,
    aclTag_aclRuleAppl = 5,
    aclTag_aclRuleObj = 6,
    aclTag_any = 7,
    aclTag_applName = 8,
    aclTag_currEntryNo = 9,
    aclTag_dynEntry = 10,
    aclTag_dynEntryNumber = 11,
    aclTag_dynStatement = 12,
    aclTag_dynamic = 13,
    aclTag_entryBuffer = 14,
    aclTag_entryName = 15,
    aclTag_entryNumber = 16,
    aclTag_get = 17,
    aclTag_keyword = 18,
    aclTag_module_acl = 19,
    aclTag_name = 20,
    aclTag_port = 21,
    aclTag_portInstance = 22,
    aclTag_ports = 23,
    aclTag_precedence = 24,
    aclTag_priority = 25,
    aclTag_relName = 26,
    aclTag_rowStatus = 27,
    aclTag_ruleAction = 28,
    aclTag_ruleName = 29,
    aclTag_set = 30,
    aclTag_setop = 31,
    aclTag_statementNumber = 32,
    aclTag_type = 33,
    aclTag_value = 34,
    aclTag_vlan = 35,
    aclTag_vlanIfInstance = 36,
    aclTag_vlanName = 37,
    aclTag_zone = 38,
};
const cmTag_t aclTags[] = {
    {"aclEntry", 1, cmTagKind_object, 6},
    {"aclIfDirection", 2, cmTagKind_leaf, 0},
    {"aclIfEntry", 3, cmTagKind_object, 5},
    {"aclName", 4, cmTagKind_leaf, 0},
    {"aclRuleAppl", 5, cmTagKind_object, 4},
    {"aclRuleObj", 6, cmTagKind_object, 3},
    {"any", 7, cmTagKind_leaf, 0},
    {"applName", 8, cmTagKind_leaf, 0},
    {"currEntryNo", 9, cmTagKind_leaf, 0},
    {"dynEntry", 10, cmTagKind_object, 2},
    {"dynEntryNumber", 11, cmTagKind_leaf, 0},
    {"dynStatement", 12, cmTagKind_object, 1},
    {"dynamic", 13, cmTagKind_leaf, 0},
    {"entryBuffer", 14, cmTagKind_leaf, 0},
    {"entryName", 15, cmTagKind_leaf, 0},
    {"entryNumber", 16, cmTagKind_leaf, 0},
    {"get", 17, cmTagKind_action, 0},
    {"keyword", 18, cmTagKind_leaf, 0},
    {"module_acl", 19, cmTagKind_module, 0},
    {"name", 20, cmTagKind_leaf, 0},
    {"port", 21, cmTagKind_leaf, 0},
    {"portInstance", 22, cmTagKind_leaf, 0},
    {"ports", 23, cmTagKind_leaf, 0},
    {"precedence", 24, cmTagKind_leaf, 0},
    {"priority", 25, cmTagKind_leaf, 0},
    {"relName", 26, cmTagKind_leaf, 0},
    {"rowStatus", 27, cmTagKind_leaf, 0},
    {"ruleAction", 28, cmTagKind_leaf, 0},
    {"ruleName", 29, cmTagKind_leaf, 0},
    {"set", 30, cmTagKind_action, 0},
    {"setop", 31, cmTagKind_action, 0},
    {"statementNumber", 32, cmTagKind_leaf, 0},
    {"type", 33, cmTagKind_leaf, 0},
    {"value", 34, cmTagKind_leaf, 0},
    {"vlan", 35, cmTagKind_leaf, 0},
    {"vlanIfInstance", 36, cmTagKind_leaf, 0},
    {"vlanName", 37, cmTagKind_leaf, 0},
    {"zone", 38, cmTagKind_leaf, 0},
};
enum : uint16_t {
    pmTag_entryName = 1,
    pmTag_entryNumber = 2,
    pmTag_entryType = 3,
    pmTag_get = 4,
    pmTag_keyword = 5,
    pmTag_matchType = 6,
    pmTag_module_pm = 7,
    pmTag_option = 8,
    pmTag_pMEntry = 9,
    pmTag_pMPolicy = 10,
    pmTag_pMPolicyUtil = 11,
    pmTag_pMStatement = 12,
    pmTag_policyName = 13,
    pmTag_polname = 14,
    pmTag_rowStatus = 15,
    pmTag_set = 16,
    pmTag_setop = 17,
    pmTag_statementNumber = 18,
    pmTag_statementType = 19,
    pmTag_value = 20,
};
const cmTag_t pmTags[] = {
    {"entryName", 1, cmTagKind_leaf, 0},       {"entryNumber", 2, cmTagKind_leaf, 0},
    {"entryType", 3, cmTagKind_leaf, 0},       {"get", 4, cmTagKind_action, 0},
    {"keyword", 5, cmTagKind_leaf, 0},         {"matchType", 6, cmTagKind_leaf, 0},
    {"module_pm", 7, cmTagKind_module, 0},     {"option", 8, cmTagKind_leaf, 0},
    {"pMEntry", 9, cmTagKind_object, 2},       {"pMPolicy", 10, cmTagKind_object, 1},
    {"pMPolicyUtil", 11, cmTagKind_object, 4}, {"pMStatement", 12, cmTagKind_object, 3},
    {"policyName", 13, cmTagKind_leaf, 0},     {"polname", 14, cmTagKind_leaf, 0},
    {"rowStatus", 15, cmTagKind_leaf, 0},      {"set", 16, cmTagKind_action, 0},
    {"setop", 17, cmTagKind_action, 0},        {"statementNumber", 18, cmTagKind_leaf, 0},
    {"statementType", 19, cmTagKind_leaf, 0},  {"value", 20, cmTagKind_leaf, 0},
};

#define A(S, m, t) CM_FIELD(S, m, t, aclTag_##m)
#define AS(S, m) CM_STRING(S, m, aclTag_##m)
#define P(S, m, t) CM_FIELD(S, m, t, pmTag_##m)
#define PS(S, m) CM_STRING(S, m, pmTag_##m)

const cmFieldDesc_t kDynStatementFields[] = {
    AS(dynStatement_t, entryName),
    A(dynStatement_t, statementNumber, cmType_uint32),
    AS(dynStatement_t, applName),
    A(dynStatement_t, dynamic, cmType_uint32),
    A(dynStatement_t, type, cmType_uint32),
    AS(dynStatement_t, keyword),
    AS(dynStatement_t, value),
};
const cmFieldDesc_t kDynEntryFields[] = {AS(dynEntry_t, entryName)};
const cmFieldDesc_t kAclRuleObjFields[] = {
    A(aclRuleObj_t, rowStatus, cmType_action),
    AS(aclRuleObj_t, name),
    AS(aclRuleObj_t, entryBuffer),
    A(aclRuleObj_t, dynamic, cmType_uint32),
    AS(aclRuleObj_t, applName),
};
const cmFieldDesc_t kAclRuleApplFields[] = {
    A(aclRuleAppl_t, rowStatus, cmType_action),
    A(aclRuleAppl_t, ruleAction, cmType_uint32),
    AS(aclRuleAppl_t, ruleName),
    A(aclRuleAppl_t, aclIfDirection, cmType_uint32),
    AS(aclRuleAppl_t, relName),
    AS(aclRuleAppl_t, vlan),
    A(aclRuleAppl_t, ports, cmType_portlist),
    A(aclRuleAppl_t, priority, cmType_int32),
    AS(aclRuleAppl_t, applName),
    AS(aclRuleAppl_t, zone),
    A(aclRuleAppl_t, any, cmType_uint32),
    A(aclRuleAppl_t, port, cmType_portlist),
    A(aclRuleAppl_t, vlanIfInstance, cmType_uint32),
    A(aclRuleAppl_t, portInstance, cmType_uint32),
    A(aclRuleAppl_t, entryNumber, cmType_uint32),
    A(aclRuleAppl_t, dynEntryNumber, cmType_uint32),
    A(aclRuleAppl_t, statementNumber, cmType_uint32),
    A(aclRuleAppl_t, currEntryNo, cmType_uint32),
};
const cmFieldDesc_t kAclIfEntryFields[] = {
    AS(aclIfEntry_t, aclName),
    A(aclIfEntry_t, rowStatus, cmType_action),
    A(aclIfEntry_t, precedence, cmType_uint32),
    AS(aclIfEntry_t, vlan),
    A(aclIfEntry_t, ports, cmType_portlist),
    A(aclIfEntry_t, aclIfDirection, cmType_uint32),
};
const cmFieldDesc_t kAclEntryFields[] = {
    AS(aclEntry_t, vlanName),
    A(aclEntry_t, any, cmType_uint32),
    A(aclEntry_t, port, cmType_portlist),
    A(aclEntry_t, aclIfDirection, cmType_uint32),
    AS(aclEntry_t, aclName),
};
const cmFieldDesc_t kPolicyFields[] = {PS(pMPolicy_t, policyName)};
const cmFieldDesc_t kEntryFields[] = {
    P(pMEntry_t, entryNumber, cmType_uint32),
    PS(pMEntry_t, policyName),
    PS(pMEntry_t, entryName),
    P(pMEntry_t, entryType, cmType_uint32),
    P(pMEntry_t, matchType, cmType_uint32),
};
const cmFieldDesc_t kStatementFields[] = {
    PS(pMStatement_t, policyName),
    P(pMStatement_t, entryNumber, cmType_uint32),
    P(pMStatement_t, statementNumber, cmType_uint32),
    P(pMStatement_t, statementType, cmType_uint32),
    PS(pMStatement_t, keyword),
    PS(pMStatement_t, value),
};
const cmFieldDesc_t kPolicyUtilFields[] = {P(pMPolicyUtil_t, option, cmType_uint32),
                                           PS(pMPolicyUtil_t, polname)};

const cmObjectDesc_t kDynStatementDesc = CM_DESC(dynStatement_t, kDynStatementFields);
const cmObjectDesc_t kDynEntryDesc = CM_DESC(dynEntry_t, kDynEntryFields);
const cmObjectDesc_t kAclRuleObjDesc = CM_DESC(aclRuleObj_t, kAclRuleObjFields);
const cmObjectDesc_t kAclRuleApplDesc = CM_DESC(aclRuleAppl_t, kAclRuleApplFields);
const cmObjectDesc_t kAclIfEntryDesc = CM_DESC(aclIfEntry_t, kAclIfEntryFields);
const cmObjectDesc_t kAclEntryDesc = CM_DESC(aclEntry_t, kAclEntryFields);
const cmObjectDesc_t kPolicyDesc = CM_DESC(pMPolicy_t, kPolicyFields);
const cmObjectDesc_t kEntryDesc = CM_DESC(pMEntry_t, kEntryFields);
const cmObjectDesc_t kStatementDesc = CM_DESC(pMStatement_t, kStatementFields);
const cmObjectDesc_t kPolicyUtilDesc = CM_DESC(pMPolicyUtil_t, kPolicyUtilFields);

const cmObjectDesc_t *const kAclDescs[] = {nullptr,          &kDynStatementDesc, &kDynEntryDesc,
                                           &kAclRuleObjDesc, &kAclRuleApplDesc,  &kAclIfEntryDesc,
                                           &kAclEntryDesc};
const cmObjectDesc_t *const kPmDescs[] = {nullptr, &kPolicyDesc, &kEntryDesc, &kStatementDesc,
                                          &kPolicyUtilDesc};

}  // namespace

extern const cmModuleDef_t gAclModule, gPmModule, gPolMgrModule;
const cmModuleDef_t gAclModule = {"acl", aclTags, sizeof(aclTags) / sizeof(aclTags[0]), kAclDescs,
                                  7};
const cmModuleDef_t gPmModule = {"pm", pmTags, sizeof(pmTags) / sizeof(pmTags[0]), kPmDescs, 5};
// The policy manager is addressed as "polMgr" by some requests; same objects.
const cmModuleDef_t gPolMgrModule = {"polMgr", pmTags, sizeof(pmTags) / sizeof(pmTags[0]), kPmDescs,
                                     5};

void cmObjectInit_acl() {
    cmModuleRegister(&cmModuleEntry<gAclModule>::entry);
    cmModuleRegister(&cmModuleEntry<gPmModule>::entry);
    cmModuleRegister(&cmModuleEntry<gPolMgrModule>::entry);
}

void dynStatement_t_free(dynStatement_t *s) {
    cmObjectFreeCore(&kDynStatementDesc, s);
}
void dynEntry_t_free(dynEntry_t *e) {
    cmObjectFreeCore(&kDynEntryDesc, e);
}
void aclRuleObj_t_free(aclRuleObj_t *r) {
    cmObjectFreeCore(&kAclRuleObjDesc, r);
}
void aclRuleAppl_t_free(aclRuleAppl_t *a) {
    cmObjectFreeCore(&kAclRuleApplDesc, a);
}
void aclIfEntry_t_free(aclIfEntry_t *e) {
    cmObjectFreeCore(&kAclIfEntryDesc, e);
}
void aclEntry_t_free(aclEntry_t *e) {
    cmObjectFreeCore(&kAclEntryDesc, e);
}
void pMPolicy_t_free(pMPolicy_t *p) {
    cmObjectFreeCore(&kPolicyDesc, p);
}
void pMEntry_t_free(pMEntry_t *e) {
    cmObjectFreeCore(&kEntryDesc, e);
}
void pMStatement_t_free(pMStatement_t *s) {
    cmObjectFreeCore(&kStatementDesc, s);
}
void pMPolicyUtil_t_free(pMPolicyUtil_t *u) {
    cmObjectFreeCore(&kPolicyUtilDesc, u);
}
