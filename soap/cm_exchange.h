// The exchange of the typed services with the configuration manager: a handler prints
// one request text for a module, sends it and awaits the reply (cm_send.h), and turns
// the reply into its response or into a sender fault.
//
// Every exchange leaves the record clean: the reply text and data are freed and their
// pointers cleared before the helpers return, so the next exchange of the same
// request starts from nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "soap/cm_send.h"

struct soap;
struct wsvdRequest;
struct cmObjectParser_t;

// Fault texts shared by the typed services (sender faults without detail).
#define CM_FAULT_NOT_VALID_USER "Not a valid user"
#define CM_FAULT_NO_WRITE "No write permission"
#define CM_FAULT_MISSING_ARGUMENT "Missing argument"
#define CM_FAULT_UNKNOWN "Unknown error"
#define CM_FAULT_INVALID_SESSION "Invalid session id"
#define CM_FAULT_INVALID_PACKET "Invalid Packet"
#define CM_FAULT_OUT_OF_MEMORY "Out of memory"

enum {
    CM_TEXT_SIZE = 256,  // request texts of the typed handlers (cut at 255 characters)
    CM_WALK_MAX = 1024,  // entries of a VLAN, FDB, ACL or policy listing
    CM_FIELD_MAX = 31,   // characters of a text field of a listed entry
};

// How the status of a set or setop reply is read: the VLAN and FDB services, the
// configuration execution and the profile creation accept only 1; the others fail
// only on 0.
enum cmSetRule { CM_SET_ONE_IS_SUCCESS, CM_SET_ZERO_IS_FAILURE };

// Trace lines written around a set or get. CREATE: "Request: %s\n" before sending and
// "Response: %s\n" with the text of a failed reply; UPM: "Request: %s" and
// "Response : %s" (a get also "RetCode: %d Response : %s" with its data).
enum cmTraceStyle { CM_TRACE_NONE, CM_TRACE_CREATE, CM_TRACE_UPM };

// A sender fault with `text` (copied into the SOAP context); returns the fault code.
int cmFault(struct soap *soap, const char *text);
// A sender fault with the record's reply text, or CM_FAULT_UNKNOWN when it has none.
int cmReplyFault(struct soap *soap, const wsvdRequest *r);

// The fault "Invalid character in <field>" when `value` holds a control character (an
// unknown entity reference arrives as one, see cm_xml_text.h); 0 when it holds none.
// With `lineBreaks`, tab, line feed and carriage return are allowed.
int cmRefuseControl(struct soap *soap, const char *field, const std::string &value,
                    bool lineBreaks = false);

// A whole set or setop: send, read the status by `rule`, fault on failure, clear.
// Returns 0 or the fault code; `status` (may be null) receives the reply status.
int cmSet(struct soap *soap, wsvdRequest *r, const char *module, uint32_t operation,
          const char *text, cmSetRule rule, cmTraceStyle trace, uint32_t *status);

// A whole get: send with `getFlags`; status 0 is a failure; otherwise the reply data is
// parsed with `module`. Returns 0 with *object set to the typed object of the first
// parsed object (the caller frees it with the module's free function) or null when
// none came back; or the fault code (reply text, "Unknown error" or the parser's error
// text). The reply is cleared in every case. `status` (may be null) receives the reply
// status (in a get-next walk, 1 marks the last object). With CM_TRACE_UPM the get
// traces "Request: %s", "Response : %s" with the text of a failed reply, and
// "RetCode: %d Response : %s" with the data of a successful one.
int cmGet(struct soap *soap, wsvdRequest *r, cmObjectParser_t *parser, const char *module,
          uint32_t getFlags, const char *text, void **object, cmTraceStyle trace = CM_TRACE_NONE,
          uint32_t *status = nullptr);

// A get-next walk: the first request is `firstText`; for every object that comes back,
// `take` fills entry `index` from it and prints the request for the object after it
// into `next` (CM_TEXT_SIZE bytes); the walk frees the object with `freeObject`. It
// ends when a reply carries no object or after `max` entries; a failed reply or a
// parser error ends it with a fault. *count is the number of entries taken (on a
// fault the caller drops them).
struct cmWalk_t {
    const char *module;
    const char *firstText;
    uint32_t max;
    void (*take)(void *context, void *object, uint32_t index, char *next);
    void (*freeObject)(void *object);
    void *context;
};
int cmGetNextWalk(struct soap *soap, wsvdRequest *r, const cmWalk_t *walk, uint32_t *count);

// The general form of a walk, for requests of any length and walks that end on the
// reply's status: `step` reads object `index` as the reply of status `status` brought
// it, prints the next request into *next (emptied before) and returns false to end the
// walk after this object. The walk also ends when a reply carries no object or after
// `max` objects; a failed reply or a parser error ends it with a fault.
struct cmWalkSteps_t {
    const char *module;
    uint32_t getFlags;
    uint32_t max;
    bool (*step)(void *context, void *object, uint32_t status, uint32_t index, std::string *next);
    void (*freeObject)(void *object);
    void *context;
};
int cmWalk(struct soap *soap, wsvdRequest *r, const cmWalkSteps_t *walk, const std::string &first,
           uint32_t *count);
