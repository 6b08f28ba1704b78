#include "services/acl_common.h"

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cmclient/cm.h"
#include "session/session_auth.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"

int aclCheckAccess(struct soap *soap, wsvdRequest *r, bool needWrite) {
    int access = wsvdRequestAuthenticate(r->userName, r->password, r->clientKind);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0 && needWrite) return cmFault(soap, CM_FAULT_NO_WRITE);
    return 0;
}

int aclSet(struct soap *soap, wsvdRequest *r, const char *module, const std::string &text) {
    return cmSet(soap, r, module, CM_OP_SET, text.c_str(), CM_SET_ZERO_IS_FAILURE, CM_TRACE_NONE,
                 nullptr);
}

int aclDirection(const qtn__Acl_Direction *direction) {
    return direction && *direction == qtn__Acl_Direction::EGRESS ? 1 : 0;
}

std::string_view aclWithoutLeadingBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

qtn__Common_StringSequence *aclNewNameSequence(struct soap *soap) {
    qtn__Common_StringSequence *names = soap_new_qtn__Common_StringSequence(soap);
    if (names) names->name.reserve(CM_WALK_MAX);
    return names;
}

namespace {

struct NameList {
    const aclNameWalk_t *walk;
    qtn__Common_StringSequence *names;
};

bool takeName(void *context, void *object, uint32_t, uint32_t, std::string *next) {
    auto *list = static_cast<NameList *>(context);
    const char *name = list->walk->nameOf(object);
    list->names->name.push_back(name);
    *next = list->walk->open + cmXmlEscape(name) + list->walk->close;
    return true;
}

}  // namespace

int aclListNames(struct soap *soap, wsvdRequest *r, const aclNameWalk_t &walk,
                 qtn__Common_StringSequence **names) {
    NameList list{&walk, aclNewNameSequence(soap)};
    if (!list.names) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    const cmWalkSteps_t steps = {walk.module, CM_GET_NEXT,     CM_WALK_MAX,
                                 takeName,    walk.freeObject, &list};
    uint32_t count = 0;
    if (int rc = cmWalk(soap, r, &steps, walk.first, &count)) return rc;
    *names = list.names;
    return 0;
}
