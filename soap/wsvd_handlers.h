// Handler table of the SOAP service: one entry per operation of wsvd_operations.def,
// in dispatch order. The generated dispatcher calls the glue of wsvd_handlers.cc,
// which calls the entry here. Every entry starts as "Operation not available"
// (gWsvdSoapDefaultHandlers); the daemon installs the handlers at start-up, and tests
// replace entries as they need. A handler returns 0 with the response filled, or the
// code of soap_sender_fault (see wsvd_soap.h).
#pragma once
#include "soapH.h"

struct wsvdSoapHandlers {
#define WSVD_OPERATION(glue, entry, request, response, ...) \
    int (*entry)(struct soap *, request *, response &);
#define WSVD_PLACEHOLDER(glue, entry, request, response) \
    WSVD_OPERATION(glue, entry, request, response)
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
};

// The table the operations go through.
extern wsvdSoapHandlers gWsvdSoapHandlers;
// Every entry "Operation not available".
extern const wsvdSoapHandlers gWsvdSoapDefaultHandlers;

// The handlers of the list, defined by the folders above that serve them.
#define WSVD_OPERATION(glue, entry, request, response, handler) \
    int handler(struct soap *soap, request *in, response &out);
#define WSVD_PLACEHOLDER(glue, entry, request, response)
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
