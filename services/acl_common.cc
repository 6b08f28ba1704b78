#include "services/acl_common.h"

#include "cmclient/cm.h"
#include "services/cm_exchange.h"
#include "services/soap_util.h"
#include "session/session_auth.h"

std::string aclXmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

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
