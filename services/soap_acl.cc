// The dynamic ACL service: named rules kept by the configuration manager's module "acl"
// (written as rule text, read back statement by statement), and their application to
// VLANs and ports.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cmclient/cm.h"
#include "services/acl_common.h"
#include "services/rule_text.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

const char kAclModule[] = "acl";

enum { kApplNameMax = 255 };  // characters of the application name of a set or delete

#define PORT_CANNOT_BE_NULL "Port cannot be Null"

std::string applName(const std::string *name) {
    return cmXmlEscape(name ? std::string_view(*name).substr(0, kApplNameMax) : "");
}

// "<tag>value</tag>" with the value escaped.
std::string element(const char *tag, std::string_view value) {
    return std::string("<") + tag + ">" + cmXmlEscape(value) + "</" + tag + ">";
}

// ---- reading a rule back

struct RuleRead {
    struct soap *soap;
    std::string name;  // escaped, for the next requests
    qtn__Policy_AclCondition *match;
    qtn__Policy_AclAction *response;
    std::string applName = "";
    uint32_t persistence = 0;
};

bool takeStatement(void *context, void *object, uint32_t status, uint32_t, std::string *next) {
    auto *read = static_cast<RuleRead *>(context);
    const auto *s = static_cast<const dynStatement_t *>(object);
    if (status != 1) {
        *next = "<module_acl><get><dynStatement><entryName>" + read->name +
                "</entryName><statementNumber>" + std::to_string(s->statementNumber) +
                "</statementNumber></dynStatement></get></module_acl>";
    }
    read->applName = s->applName;
    read->persistence = s->dynamic;
    bool known = s->type == 1 ? wsvdAclConditionMap(read->soap, read->match, s->keyword, s->value)
                              : wsvdAclActionMap(read->soap, read->response, s->keyword, s->value);
    if (!known) WSVD_LOG("Unknown attribute %s", s->keyword);
    return status != 1;
}

void freeStatement(void *object) {
    dynStatement_t_free(static_cast<dynStatement_t *>(object));
}

// ---- listings

const char *entryName(const void *object) {
    return static_cast<const dynEntry_t *>(object)->entryName;
}

void freeEntry(void *object) {
    dynEntry_t_free(static_cast<dynEntry_t *>(object));
}

struct ApplicationList {
    qtn__Common_StringSequence *names;
    int direction;
};

bool takeApplication(void *context, void *object, uint32_t, uint32_t, std::string *next) {
    auto *list = static_cast<ApplicationList *>(context);
    const auto *a = static_cast<const aclRuleAppl_t *>(object);
    std::vector<std::string> &names = list->names->name;
    // One rule on several interfaces in a row is listed once.
    if (a->dynEntryNumber > 0 && (names.empty() || names.back() != a->ruleName))
        names.push_back(a->ruleName);
    char text[CM_TEXT_SIZE * 2];
    snprintf(text, sizeof text,
             "<module_acl><get><aclRuleAppl><vlanIfInstance>%u</vlanIfInstance><portInstance>%u"
             "</portInstance><entryNumber>%u</entryNumber><dynEntryNumber>%u</dynEntryNumber>"
             "<statementNumber>%u</statementNumber><currEntryNo>%u</currEntryNo><aclIfDirection>%u"
             "</aclIfDirection></aclRuleAppl></get></module_acl>",
             a->vlanIfInstance, a->portInstance, a->entryNumber, a->dynEntryNumber,
             a->statementNumber, a->currEntryNo, unsigned(list->direction));
    *next = text;
    return names.size() < CM_WALK_MAX;
}

void freeApplication(void *object) {
    aclRuleAppl_t_free(static_cast<aclRuleAppl_t *>(object));
}

// Rule action of an insertion: before the existing rule (or first), after it (or last).
int insertAction(const qtn__Acl_InsertDirection *direction) {
    if (!direction) return 0;
    switch (*direction) {
        case qtn__Acl_InsertDirection::BEFORE:
        case qtn__Acl_InsertDirection::FIRST:
            return 1;
        case qtn__Acl_InsertDirection::AFTER:
        case qtn__Acl_InsertDirection::LAST:
            return 2;
    }
    return 0;
}

// "<tag>value</tag>" when the value has a character other than a blank, without its
// leading blanks; else nothing.
std::string elementIfNotBlank(const char *tag, const std::string *value) {
    if (!value) return "";
    std::string_view text = aclWithoutLeadingBlanks(*value);
    return text.empty() ? "" : element(tag, text);
}

std::string elementIfNotEmpty(const char *tag, const std::string *value) {
    return value && !value->empty() ? element(tag, *value) : "";
}

}  // namespace

int wsvdOpSetDynamicAcl(struct soap *soap, _qtnacl__setDynamicAcl *request,
                        _qtnacl__setDynamicAclResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    const qtn__Policy_AclRule *rule = request ? request->rule : nullptr;
    if (!rule || !rule->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (int rc = cmRefuseControl(soap, "name", *rule->name)) return rc;

    qtn__Policy_AclRuleSequence one;
    one.rule.push_back(*rule);
    std::string ruleText, why;
    if (wsvdRuleTextWrite(&ruleText, &one, nullptr, false, &why) != 0)
        return cmFault(soap, why.c_str());
    bool persistent = rule->isPersistent && *rule->isPersistent;
    std::string text = "<module_acl><set><aclRuleObj><rowStatus>create</rowStatus>" +
                       element("name", *rule->name) + element("entryBuffer", ruleText) +
                       (persistent ? "<dynamic>1</dynamic>" : "") + "<applName>" +
                       applName(rule->applicationName) +
                       "</applName></aclRuleObj></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

int wsvdOpDeleteDynamicAcl(struct soap *soap, _qtnacl__deleteDynamicAcl *request,
                           _qtnacl__deleteDynamicAclResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string text = "<module_acl><set><aclRuleObj><rowStatus>delete</rowStatus>" +
                       element("name", *request->name) + "<applName>" +
                       applName(request->applicationName) +
                       "</applName></aclRuleObj></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

int wsvdOpGetDynamicAcl(struct soap *soap, _qtnacl__getDynamicAcl *request,
                        _qtnacl__getDynamicAclResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    if (!request || !request->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);

    qtn__Policy_AclRule *rule = soap_new_qtn__Policy_AclRule(soap);
    RuleRead read{soap, cmXmlEscape(*request->name), soap_new_qtn__Policy_AclCondition(soap),
                  soap_new_qtn__Policy_AclAction(soap)};
    if (!rule || !read.match || !read.response) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    const cmWalkSteps_t walk = {kAclModule,    CM_GET_NEXT,   ACL_WALK_GUARD,
                                takeStatement, freeStatement, &read};
    uint32_t count = 0;
    std::string first = "<module_acl><get><dynStatement><entryName>" + read.name +
                        "</entryName></dynStatement></get></module_acl>";
    if (int rc = cmWalk(soap, r, &walk, first, &count)) return rc;
    rule->name = serviceNewText(soap, request->name->c_str());
    rule->applicationName = serviceNewText(soap, read.applName.c_str());
    rule->isPersistent = serviceNewValue<bool>(soap, read.persistence != 0);
    rule->match = read.match;
    rule->response = read.response;
    response.reply = rule;
    return 0;
}

int wsvdOpListDynamicAcl(struct soap *soap, _qtnacl__listDynamicAcl *,
                         _qtnacl__listDynamicAclResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    const aclNameWalk_t walk = {kAclModule,
                                "<module_acl><get><dynEntry/></get></module_acl>",
                                "<module_acl><get><dynEntry><entryName>",
                                "</entryName></dynEntry></get></module_acl>",
                                entryName,
                                freeEntry};
    return aclListNames(soap, r, walk, &response.reply);
}

int wsvdOpInsertDynamicAclOnInterface(struct soap *soap,
                                      _qtnacl__insertDynamicAclOnInterface *request,
                                      _qtnacl__insertDynamicAclOnInterfaceResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->newRule) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string text =
        "<module_acl><set><aclRuleAppl><rowStatus>configure</rowStatus><ruleAction>" +
        std::to_string(insertAction(request->direction)) + "</ruleAction>" +
        element("ruleName", *request->newRule) + "<aclIfDirection>" +
        std::to_string(aclDirection(request->portDirection)) + "</aclIfDirection>";
    text += elementIfNotBlank("relName", request->existingRule);
    text += elementIfNotBlank("vlan", request->vlan);
    text += elementIfNotBlank("ports", request->port);
    text +=
        "<priority>" + std::to_string(request->priority ? *request->priority : 0) + "</priority>";
    text += elementIfNotEmpty("applName", request->applicationName);
    text += elementIfNotEmpty("zone", request->zone);
    text += "</aclRuleAppl></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

int wsvdOpRemoveDynamicAclOnInterface(struct soap *soap,
                                      _qtnacl__removeDynamicAclOnInterface *request,
                                      _qtnacl__removeDynamicAclOnInterfaceResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->rule) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string text =
        "<module_acl><set><aclRuleAppl><rowStatus>unconfigure</rowStatus><ruleAction>5"
        "</ruleAction><aclIfDirection>" +
        std::to_string(aclDirection(request->portDirection)) + "</aclIfDirection>" +
        element("ruleName", *request->rule);
    if (request->vlan) text += element("vlan", *request->vlan);
    if (request->port) {
        std::string_view port = aclWithoutLeadingBlanks(*request->port);
        if (port.empty()) return cmFault(soap, PORT_CANNOT_BE_NULL);
        text += element("ports", port);
    }
    text += elementIfNotEmpty("applName", request->applicationName);
    text += "</aclRuleAppl></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

int wsvdOpRemoveDynamicAclOnAllInterfaces(struct soap *soap,
                                          _qtnacl__removeDynamicAclOnAllInterfaces *request,
                                          _qtnacl__removeDynamicAclOnAllInterfacesResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (!request || !request->rule) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    std::string text =
        "<module_acl><set><aclRuleAppl><rowStatus>unconfigure</rowStatus><ruleAction>6"
        "</ruleAction>" +
        element("ruleName", *request->rule) +
        elementIfNotEmpty("applName", request->applicationName) +
        "</aclRuleAppl></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

int wsvdOpListDynamicAclOnInterface(struct soap *soap, _qtnacl__listDynamicAclOnInterface *request,
                                    _qtnacl__listDynamicAclOnInterfaceResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    const std::string *vlan = request ? request->vlan : nullptr;
    const std::string *port = request ? request->port : nullptr;
    int direction = aclDirection(request ? request->direction : nullptr);
    std::string first = "<module_acl><get><aclRuleAppl>";
    if (!vlan && !port) first += "<any>1</any>";
    if (vlan) first += element("vlan", *vlan);
    if (port) {
        std::string_view text = aclWithoutLeadingBlanks(*port);
        if (text.empty()) return cmFault(soap, PORT_CANNOT_BE_NULL);
        first += element("port", text);
    }
    if (direction == 1) first += "<aclIfDirection>1</aclIfDirection>";
    first += "</aclRuleAppl></get></module_acl>";

    ApplicationList list{aclNewNameSequence(soap), direction};
    if (!list.names) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    const cmWalkSteps_t walk = {kAclModule,      CM_GET_NEXT,     ACL_WALK_GUARD,
                                takeApplication, freeApplication, &list};
    uint32_t count = 0;
    if (int rc = cmWalk(soap, r, &walk, first, &count)) return rc;
    response.reply = list.names;
    return 0;
}
