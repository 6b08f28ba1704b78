// The policy service: policy files ("NAME.pol" in the configuration directory, written
// in the rule language) saved from rule records and synchronised with the CLI process,
// read back through the configuration manager's policy module "pm", deleted, refreshed,
// and bound to VLANs and ports through module "acl".
// Reading and listing need a valid user; every change (save, delete, refresh, bind,
// unbind) needs write permission, so that a read-only session changes nothing.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cfgmgmt/rules/rule_lang.h"
#include "cmclient/cm.h"
#include "platform/files.h"
#include "services/acl_common.h"
#include "services/cli_sync.h"
#include "services/rule_text.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

const char kPmModule[] = "pm";
const char kAclModule[] = "acl";

enum {
    kPathMax = 127,        // characters of a policy file's path
    kMinFreePercent = 10,  // of the configuration partition, to write a policy file
    // The CLI process checks a file at once; the guard only ends the wait for one that
    // hangs (one that goes away ends it at once, see the daemon's intake).
    kCliAnswerSeconds = 5,
};

const char kPartitionFull[] =
    "Configuration partition is full.\n       Please remove unused files to free up storage "
    "space and try the \n       command again.";
const char kNoCliProcess[] =
    "!! This is a serious problem. Cli process is not available so file sync is going to "
    "happen...\n";

wsvdCliSend_t gCliSend = nullptr;

// Why `name` cannot name a policy file of the configuration directory, or null: a file
// outside it, or one that is not a policy, is never written or removed.
const char *policyNameProblem(const std::string &name) {
    if (name.size() > RULE_POLICY_NAME_MAX) return "Policy file name cannot exceed 32 characters";
    return rulePolicyNameOk(name) ? nullptr : "Invalid policy name";
}

std::string policyPath(const std::string &name) {
    const char *location = getenv("KARN_CONFIG_LOCATION");
    std::string file = name + ".pol";
    return location && *location ? std::string(location) + "/" + file : file;
}

// ---- synchronising with the CLI process

struct CliAsk {
    wsvdRequest *r;
    const char *text;
    int sent;
};

bool sendToCli(void *arg) {
    auto *ask = static_cast<CliAsk *>(arg);
    ask->sent = gCliSend ? gCliSend(ask->r, ask->text) : -1;
    return ask->sent >= 1;
}

// Asks the CLI process to take up the policy file `fileName`: 0, or the fault code of
// its refusal or silence.
int syncWithCli(struct soap *soap, wsvdRequest *r, const std::string &fileName) {
    CliAsk ask{r, fileName.c_str(), -1};
    wsvdAwait_t outcome = wsvdAnswerAwait(
        r->answer, wsvdAnswerGuardSeconds(nullptr, kCliAnswerSeconds), sendToCli, &ask);
    int rc = 0;
    if (outcome == WSVD_NOT_SENT && ask.sent == -1) {
        fputs(kNoCliProcess, stdout);
        fflush(stdout);
    } else if (outcome == WSVD_NOT_SENT) {
        rc = cmFault(soap, "Unable to send message to the Cli process.");
    } else if (outcome == WSVD_NO_ANSWER) {
        rc = cmFault(soap, "The Cli process did not answer.");
    } else if (r->replyStatus == 0) {
        rc = cmReplyFault(soap, r);
    }
    cmExchangeClear(r);
    return rc;
}

// ---- reading a policy back

struct PolicyRead {
    struct soap *soap;
    qtn__Policy_AclRuleSequence *acl;
    qtn__Policy_TripwatchRuleSequence *tripwatch;
    wsvdRequest *r;
    int fault = 0;          // of a statement walk
    bool complete = false;  // the walk ended on the last entry (or a full sequence)
    // The entry whose statements are read.
    const pMEntry_t *entry = nullptr;
    qtn__Policy_AclRule *aclRule = nullptr;
    qtn__Policy_TripwatchRule *tripwatchRule = nullptr;
};

std::string entryKey(const pMEntry_t *e) {
    return "<policyName>" + cmXmlEscape(e->policyName) + "</policyName><entryNumber>" +
           std::to_string(e->entryNumber) + "</entryNumber>";
}

bool takePolicyStatement(void *context, void *object, uint32_t status, uint32_t,
                         std::string *next) {
    auto *read = static_cast<PolicyRead *>(context);
    const auto *s = static_cast<const pMStatement_t *>(object);
    if (status != 1) {
        *next = "<module_pm><get><pMStatement>" + entryKey(read->entry) + "<statementNumber>" +
                std::to_string(s->statementNumber) +
                "</statementNumber></pMStatement></get></module_pm>";
    }
    struct soap *soap = read->soap;
    if (qtn__Policy_AclRule *rule = read->aclRule) {
        if (s->statementType == 1)
            wsvdAclConditionMap(soap, rule->match, s->keyword, s->value);
        else
            wsvdAclActionMap(soap, rule->response, s->keyword, s->value);
    } else if (qtn__Policy_TripwatchRule *rule = read->tripwatchRule) {
        if (s->statementType == 1) {
            wsvdTripwatchConditionMap(soap, rule->match, s->keyword, s->value);
            rule->match->type = soap_new_qtn__Policy_TripwatchMatchType(soap);
            if (rule->match->type)
                *rule->match->type = read->entry->matchType == RULE_MATCH_ALL
                                         ? qtn__Policy_TripwatchMatchType::MATCH_USCOREALL
                                         : qtn__Policy_TripwatchMatchType::MATCH_USCOREANY;
        } else {
            wsvdTripwatchActionMap(
                soap, s->statementType == 2 ? &rule->positiveResponse : &rule->negativeResponse,
                s->keyword, s->value);
        }
    }
    return status != 1;
}

void freePolicyStatement(void *object) {
    pMStatement_t_free(static_cast<pMStatement_t *>(object));
}

// Reads the statements of entry `e` into a new rule of its kind and appends the rule.
// False when the walk must end here (a fault, or a full sequence).
bool readEntry(PolicyRead *read, const pMEntry_t *e) {
    struct soap *soap = read->soap;
    read->aclRule = nullptr;
    read->tripwatchRule = nullptr;
    if (e->entryType == RULE_ENTRY_ACL) {
        if (read->acl->rule.size() >= CM_WALK_MAX) return read->complete = true, false;
        read->aclRule = soap_new_qtn__Policy_AclRule(soap);
        if (!read->aclRule) return read->fault = cmFault(soap, CM_FAULT_OUT_OF_MEMORY), false;
        read->aclRule->name = serviceNewText(soap, e->entryName);
        read->aclRule->applicationName = serviceNewText(soap, "");
        read->aclRule->match = soap_new_qtn__Policy_AclCondition(soap);
        read->aclRule->response = soap_new_qtn__Policy_AclAction(soap);
    } else if (e->entryType == RULE_ENTRY_TRIPWATCH) {
        if (read->tripwatch->rule.size() >= CM_WALK_MAX) return read->complete = true, false;
        read->tripwatchRule = soap_new_qtn__Policy_TripwatchRule(soap);
        if (!read->tripwatchRule) return read->fault = cmFault(soap, CM_FAULT_OUT_OF_MEMORY), false;
        read->tripwatchRule->name = serviceNewText(soap, e->entryName);
        read->tripwatchRule->match = soap_new_qtn__Policy_TripwatchMatch(soap);
    } else {
        return true;  // a kind this service does not read
    }
    read->entry = e;
    const cmWalkSteps_t walk = {kPmModule,           CM_GET_NEXT,         ACL_WALK_GUARD,
                                takePolicyStatement, freePolicyStatement, read};
    uint32_t count = 0;
    read->fault = cmWalk(
        soap, read->r, &walk,
        "<module_pm><get><pMStatement>" + entryKey(e) + "</pMStatement></get></module_pm>", &count);
    if (read->fault) return false;
    if (read->aclRule) read->acl->rule.push_back(*read->aclRule);
    if (read->tripwatchRule) read->tripwatch->rule.push_back(*read->tripwatchRule);
    return true;
}

bool takeEntry(void *context, void *object, uint32_t status, uint32_t, std::string *next) {
    auto *read = static_cast<PolicyRead *>(context);
    const auto *e = static_cast<const pMEntry_t *>(object);
    if (!readEntry(read, e)) return false;
    if (status == 1) return read->complete = true, false;
    *next = "<module_pm><get><pMEntry>" + entryKey(e) + "</pMEntry></get></module_pm>";
    return true;
}

void freeEntry(void *object) {
    pMEntry_t_free(static_cast<pMEntry_t *>(object));
}

const char *policyName(const void *object) {
    return static_cast<const pMPolicy_t *>(object)->policyName;
}

void freePolicy(void *object) {
    pMPolicy_t_free(static_cast<pMPolicy_t *>(object));
}

// The binding of a policy to interfaces; unbinding always names the direction.
int setBinding(struct soap *soap, const std::string *name, const std::string *vlan,
               const std::string *port, const qtn__Acl_Direction *direction, bool bind) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string text = "<module_acl><set><aclIfEntry><aclName>" + cmXmlEscape(*name) +
                       "</aclName><rowStatus>" + (bind ? "configure" : "unconfigure") +
                       "</rowStatus><precedence>1</precedence>";
    if (vlan) text += "<vlan>" + cmXmlEscape(*vlan) + "</vlan>";
    if (port) text += "<ports>" + cmXmlEscape(*port) + "</ports>";
    if (aclDirection(direction) == 1)
        text += "<aclIfDirection>1</aclIfDirection>";
    else if (!bind)
        text += "<aclIfDirection>0</aclIfDirection>";
    text += "</aclIfEntry></set></module_acl>";
    return aclSet(soap, r, kAclModule, text);
}

}  // namespace

void wsvdPolicySetCliSend(wsvdCliSend_t send) {
    gCliSend = send;
}

int wsvdOpSavePolicy(struct soap *soap, _qtnpol__savePolicy *request,
                     _qtnpol__savePolicyResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->name || !request->aclRules)
        return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    const std::string &name = *request->name;
    if (const char *problem = policyNameProblem(name)) return cmFault(soap, problem);
    if (checkPartitionUsage(getenv("KARN_CONFIG_LOCATION"), kMinFreePercent))
        return cmFault(soap, kPartitionFull);
    std::string path = policyPath(name);
    std::string text, why;
    if (wsvdRuleTextWrite(&text, request->aclRules, request->tripwatchRules, true, &why) != 0)
        return cmFault(soap, why.c_str());

    int rc = 0;
    karnFileResult written = path.size() > kPathMax
                                 ? KARN_FILE_CANNOT_CREATE
                                 : karnFileReplace(path.c_str(), text.data(), text.size());
    if (written == KARN_FILE_CANNOT_CREATE) rc = cmFault(soap, "Failed to create file");
    if (written == KARN_FILE_CANNOT_WRITE) rc = cmFault(soap, "Failed to write file");
    sync();
    // The CLI process is told even when the write failed: it then checks the old file.
    if (int synced = syncWithCli(soap, r, name + ".pol")) rc = synced;
    return rc;
}

int wsvdOpDeletePolicy(struct soap *soap, _qtnpol__deletePolicy *request,
                       _qtnpol__deletePolicyResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (const char *problem = policyNameProblem(*request->name)) return cmFault(soap, problem);
    std::string text = "<module_cfgmgr><set><fileOp><op>rm</op><srcloc>config</srcloc><src>" +
                       cmXmlEscape(*request->name) + ".pol</src></fileOp></set></module_cfgmgr>";
    return aclSet(soap, r, "cfgmgr", text);
}

int wsvdOpRefreshPolicy(struct soap *soap, _qtnpol__refreshPolicy *request,
                        _qtnpol__refreshPolicyResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, true)) return rc;
    if (!request || !request->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string text = "<module_pm><set><pMPolicyUtil><option>5</option><polname>" +
                       cmXmlEscape(*request->name) + "</polname></pMPolicyUtil></set></module_pm>";
    return aclSet(soap, r, "polMgr", text);
}

int wsvdOpGetPolicy(struct soap *soap, _qtnpol__getPolicy *request,
                    _qtnpol__getPolicyResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    if (!request || !request->name) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    std::string name = cmXmlEscape(*request->name);
    std::string text = "<module_pm><get><pMPolicy><policyName>" + name +
                       "</policyName></pMPolicy></get></module_pm>";
    int rc = cmExchange(r, CM_OP_GET, CM_GET_PLAIN, kPmModule, text.c_str()) == 0
                 ? cmReplyFault(soap, r)
                 : 0;
    cmExchangeClear(r);
    if (rc) return rc;

    qtn__Policy_Policy *policy = soap_new_qtn__Policy_Policy(soap);
    PolicyRead read{soap, soap_new_qtn__Policy_AclRuleSequence(soap),
                    soap_new_qtn__Policy_TripwatchRuleSequence(soap), r};
    if (!policy || !read.acl || !read.tripwatch) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    const cmWalkSteps_t walk = {kPmModule, CM_GET_NEXT, ACL_WALK_GUARD,
                                takeEntry, freeEntry,   &read};
    uint32_t count = 0;
    rc = cmWalk(soap, r, &walk,
                "<module_pm><get><pMEntry><policyName>" + name +
                    "</policyName></pMEntry></get></module_pm>",
                &count);
    if (rc || read.fault) return rc ? rc : read.fault;
    // Without its last entry the policy was not read whole: none is answered.
    if (!read.complete && count < ACL_WALK_GUARD) return 0;
    policy->name = serviceNewText(soap, request->name->c_str());
    policy->aclRules = read.acl;
    policy->tripwatchRules = read.tripwatch;
    response.reply = policy;
    return 0;
}

int wsvdOpListPolicy(struct soap *soap, _qtnpol__listPolicy *,
                     _qtnpol__listPolicyResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    const aclNameWalk_t walk = {kPmModule,
                                "<module_pm><get><pMPolicy/></get></module_pm>",
                                "<module_pm><get><pMPolicy><policyName>",
                                "</policyName></pMPolicy></get></module_pm>",
                                policyName,
                                freePolicy};
    return aclListNames(soap, r, walk, &response.reply);
}

int wsvdOpBindPolicyOnInterface(struct soap *soap, _qtnpol__bindPolicyOnInterface *request,
                                _qtnpol__bindPolicyOnInterfaceResponse &) {
    if (!request) return setBinding(soap, nullptr, nullptr, nullptr, nullptr, true);
    return setBinding(soap, request->name, request->vlan, request->port, request->direction, true);
}

int wsvdOpUnbindPolicyOnInterface(struct soap *soap, _qtnpol__unbindPolicyOnInterface *request,
                                  _qtnpol__unbindPolicyOnInterfaceResponse &) {
    if (!request) return setBinding(soap, nullptr, nullptr, nullptr, nullptr, false);
    return setBinding(soap, request->name, request->vlan, request->port, request->direction, false);
}

int wsvdOpListPolicyOnInterface(struct soap *soap, _qtnpol__listPolicyOnInterface *request,
                                _qtnpol__listPolicyOnInterfaceResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = aclCheckAccess(soap, r, false)) return rc;
    const std::string *vlan = request ? request->vlan : nullptr;
    const std::string *port = request ? request->port : nullptr;
    std::string text = "<module_acl><get><aclEntry>";
    if (vlan)
        text += "<vlanName>" + cmXmlEscape(*vlan) + "</vlanName>";
    else if (!port)
        text += "<any>1</any>";
    if (port) text += "<port>" + cmXmlEscape(*port) + "</port>";
    text += aclDirection(request ? request->direction : nullptr) == 1
                ? "<aclIfDirection>1</aclIfDirection>"
                : "<aclIfDirection>0</aclIfDirection>";
    text += "</aclEntry></get></module_acl>";

    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    void *object = nullptr;
    int rc = cmGet(soap, r, parser, kAclModule, CM_GET_PLAIN, text.c_str(), &object);
    cmObjectParserFree(parser);
    if (rc != 0 || !object) return rc;
    auto *entry = static_cast<aclEntry_t *>(object);
    response.reply = serviceNewText(soap, entry->aclName);
    aclEntry_t_free(entry);
    return 0;
}
