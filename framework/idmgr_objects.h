// The identity manager's external objects (category "idmgr", cfgmgr module "idMgr"):
// identity queries, its configuration and reset to defaults, Kerberos and LDAP servers,
// user roles with their ordered policies, child roles and static identities; and the
// fill builder of IPFIX ports. Their callbacks check the client's values, reshape the
// request nodes the request processor built for the identity manager and finish its
// replies; the lists, their precedence and the refresh of roles need nothing beyond
// the defaults.
#pragma once
#include "framework/xmlfwk_registry.h"

enum {
    IDMGR_LDAP_BIND_NAME_MAX = 128,
    IDMGR_ROLE_NAME_MAX = 32,
    IDMGR_MATCH_CRITERIA_MAX = 1024,
    IDMGR_ROLE_ENTRIES_MAX = 8,  // policies and dynamic rules of one role, together
    IDMGR_IDENTITY_NAME_MAX = 64,
};

// Registers the callbacks above; xmlFwkRegisterHandlers runs it after the AAA and
// switch registrations.
void xmlFwkRegisterIdMgr();

// The callbacks, for tests that drive them with request nodes of their own.
void idMgrIdentityGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags);
void idMgrConfigGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                    xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                    char **message, int *status, int *flags);
void idMgrConfigSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                    xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                    char **message, int *status);
void idMgrKerberosSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                      xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status);
void idMgrLdapServerGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                        xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                        char **message, int *status, int *flags);
void idMgrLdapServerSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                        xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                        char **message, int *status);
void idMgrUserRoleGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags);
void idMgrUserRoleSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                      xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status);
void idMgrIpfixPortFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record,
                        xmlFwkValue_t *templateRecord, const char *internalObject,
                        const char *externalObject, xmlFwkObjectInfo_t *info);
