// The request processor: one object element of a client's get, set, create or delete,
// carried out through the object's callbacks as one or more configuration-manager
// requests, and the replies turned into the answer.
//
// A get walks: each round reads one object (by its index, or the one after the last
// read), sends one more request per further internal object its fields live in, and
// appends the object to the answer; the configuration manager's status 2 ("more
// follow") or the client's "next" paging keep the walk going. A round that would send
// the configuration manager the very request of the round before, or that is told more
// follow without being given an object, ends the walk as a failure: a walk never
// depends on the configuration manager to stop it.
#pragma once
#include <cstddef>
#include <string>

#include "framework/xmlfwk_registry.h"

enum {
    XML_FWK_MODE_NEXT = 4,         // a get with action "next": paging by maxSize
    XML_FWK_PAGE_MAX = 256,        // objects of one "next" page
    XML_FWK_REQUESTS_MAX = 400,    // request nodes of one object
    XML_FWK_OBJECT_MAX = 4194304,  // bytes of one object in the answer
    XML_FWK_GET_RESULT_SIZE = 8388508,
    XML_FWK_SET_RESULT_SIZE = 8092,
};

// The text a request answers with: "<objects>...</objects>" for a get, "SUCCESS" for a
// set, the error message on failure. It holds fewer than `size` bytes, the size of the
// buffer the answer is given in.
struct xmlFwkResult_t {
    std::string text;
    size_t size = XML_FWK_GET_RESULT_SIZE;

    bool fits(size_t more) const { return text.size() + more < size; }
    void set(const char *message);  // the message, cut to fit
};

// Carries out `objectNode` (its element name is the external object's name) for `op`:
// *status 1 with the answer in `result`, or 0 with the error message there. `category`
// and `typeAttribute` make each answered object's type attribute ("xsi:type" =
// "vlan:VlanConfig"); no attribute is written when `typeAttribute` is empty. `mode`
// XML_FWK_MODE_NEXT pages a get: at most `maxSize` objects (at least one) after the
// index given. `container` is the schema container of the objects; `profile` is unused.
void xmlFwkProcess(soap *soap, const char *category, xmlDomNode_t *objectNode, int op,
                   const char *container, xmlFwkResult_t *result, int *status,
                   const char *typeAttribute, int profile, int mode, int maxSize);

// For get callbacks that write objects themselves (an object handler with a walk of its
// own): appends `xml` to the answer of the get being served on this thread, before its
// closing "</objects>". 0, or -1 when no get is being served or the text does not fit;
// the walk then ends, as when an object of its own does not fit.
int xmlFwkResultAppend(const char *xml);
