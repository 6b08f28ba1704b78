// Module "acl": dynamic ACL rules, their statements and their application to
// interfaces; module "pm" (also registered as "polMgr"): policies, their entries and
// statements. Both are registered by cmObjectInit_acl.
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "platform/portlist.h"

// One statement of a dynamic rule ("dynStatement").
struct dynStatement_t {
    char entryName[256];
    uint32_t statementNumber;
    char applName[256];
    uint32_t dynamic;  // persistence value
    uint32_t type;     // 1 condition, otherwise action
    char keyword[64];
    char value[512];
    dynStatement_t *next;
    uint8_t valid[1];
};

// A dynamic rule's name ("dynEntry").
struct dynEntry_t {
    char entryName[256];
    dynEntry_t *next;
    uint8_t valid[1];
};

// Creation and deletion of a rule from its text ("aclRuleObj").
struct aclRuleObj_t {
    uint32_t rowStatus;  // action code
    char name[256];
    char entryBuffer[16384];
    uint32_t dynamic;
    char applName[256];
    aclRuleObj_t *next;
    uint8_t valid[1];
};

// A rule applied to an interface ("aclRuleAppl").
struct aclRuleAppl_t {
    uint32_t rowStatus;
    uint32_t ruleAction;
    char ruleName[256];
    uint32_t aclIfDirection;
    char relName[256];
    char vlan[33];
    portlist_t ports;
    int32_t priority;
    char applName[256];
    char zone[33];
    uint32_t any;
    portlist_t port;
    uint32_t vlanIfInstance;
    uint32_t portInstance;
    uint32_t entryNumber;
    uint32_t dynEntryNumber;
    uint32_t statementNumber;
    uint32_t currEntryNo;
    aclRuleAppl_t *next;
    uint8_t valid[3];
};

// A policy bound to an interface ("aclIfEntry").
struct aclIfEntry_t {
    char aclName[33];
    uint32_t rowStatus;
    uint32_t precedence;
    char vlan[33];
    portlist_t ports;
    uint32_t aclIfDirection;
    aclIfEntry_t *next;
    uint8_t valid[1];
};

// The policy bound to an interface, as read ("aclEntry").
struct aclEntry_t {
    char vlanName[33];
    uint32_t any;
    portlist_t port;
    uint32_t aclIfDirection;
    char aclName[33];  // the policy's name
    aclEntry_t *next;
    uint8_t valid[1];
};

struct pMPolicy_t {
    char policyName[33];
    pMPolicy_t *next;
    uint8_t valid[1];
};

struct pMEntry_t {
    uint32_t entryNumber;
    char policyName[33];
    char entryName[256];
    uint32_t entryType;  // 2 ACL rule, 4 Tripwatch rule
    uint32_t matchType;  // 2: all conditions must hold
    pMEntry_t *next;
    uint8_t valid[1];
};

struct pMStatement_t {
    char policyName[33];
    uint32_t entryNumber;
    uint32_t statementNumber;
    uint32_t statementType;
    char keyword[64];
    char value[512];
    pMStatement_t *next;
    uint8_t valid[1];
};

struct pMPolicyUtil_t {
    uint32_t option;
    char polname[33];
    pMPolicyUtil_t *next;
    uint8_t valid[1];
};

enum : uint32_t {
    dynStatementIndex = 1,
    dynEntryIndex = 2,
    aclRuleObjIndex = 3,
    aclRuleApplIndex = 4,
    aclIfEntryIndex = 5,
    aclEntryIndex = 6,
};
enum : uint32_t {
    pMPolicyIndex = 1,
    pMEntryIndex = 2,
    pMStatementIndex = 3,
    pMPolicyUtilIndex = 4
};

// Registers "acl", "pm" and "polMgr".
void cmObjectInit_acl();

void dynStatement_t_free(dynStatement_t *s);
void dynEntry_t_free(dynEntry_t *e);
void aclRuleObj_t_free(aclRuleObj_t *r);
void aclRuleAppl_t_free(aclRuleAppl_t *a);
void aclIfEntry_t_free(aclIfEntry_t *e);
void aclEntry_t_free(aclEntry_t *e);
void pMPolicy_t_free(pMPolicy_t *p);
void pMEntry_t_free(pMEntry_t *e);
void pMStatement_t_free(pMStatement_t *s);
void pMPolicyUtil_t_free(pMPolicyUtil_t *u);
