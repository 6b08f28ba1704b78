// What the dynamic ACL and policy handlers share: the access check and the interface
// fields of their requests. Client values go into request texts through cmXmlEscape
// (cfgmgmt/cmBackend/src/cm_xml_text.h).
#pragma once
#include <string>
#include <string_view>

#include "soapH.h"

struct wsvdRequest;

// A walk that the configuration manager does not end (on its last object, or by a cap
// of the operation) is not followed beyond this many objects.
enum { ACL_WALK_GUARD = 64 * 1024 };

// Request authentication of the request's caller: faults "Not a valid user" when refused
// and, when `needWrite`, "No write permission" for a read-only caller; 0 to go on.
int aclCheckAccess(struct soap *soap, wsvdRequest *r, bool needWrite);

// A set to `module` that fails only on status 0: 0 or the fault code.
int aclSet(struct soap *soap, wsvdRequest *r, const char *module, const std::string &text);

// The interface direction written in requests: 1 for EGRESS, else 0 (also when absent).
int aclDirection(const qtn__Acl_Direction *direction);

// The text without its leading blanks.
std::string_view aclWithoutLeadingBlanks(std::string_view text);

// A new string sequence of the SOAP context with room reserved for a whole walk.
qtn__Common_StringSequence *aclNewNameSequence(struct soap *soap);

// A listing of names (at most CM_WALK_MAX): a get-next walk of `module` that starts with
// `first` and asks for the object after each one with `open`, its name escaped and
// `close`. 0 with *names, or the fault code.
struct aclNameWalk_t {
    const char *module;
    const char *first;
    const char *open;
    const char *close;
    const char *(*nameOf)(const void *object);
    void (*freeObject)(void *object);
};
int aclListNames(struct soap *soap, wsvdRequest *r, const aclNameWalk_t &walk,
                 qtn__Common_StringSequence **names);
