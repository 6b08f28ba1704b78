// The generic object operations of the SOAP service: switch:getRequest, setRequest,
// createRequest and deleteRequest, each naming one external object, checked against
// the caller's session and carried out by the request processor (xmlfwk_process.h).
#pragma once
#include "framework/xmlfwk_process.h"
#include "session/session_ops.h"

// The caller's access: the session named by the SOAP header's "hdr", else by the first
// "<hdr>" block of the request text (copied into *bodyHeader, whose sessionId stays
// empty otherwise). -1 refused, 0 read-only, 1 read-write; `op` is counted for the
// session.
int xmlFwkSessionAccess(soap *soap, int op, wsvdClientHeader_t *bodyHeader);

// Session check, then xmlFwkParseRequest, then the answer: 0 with *result (allocated in
// the SOAP context) holding the objects of a get or the empty text of a set, followed by
// the session header when the session came from the body; or the code of the sender
// fault that carries the error. `soapType` is the SOAP layer's type number of the
// request's "filter" element, 0 when its xsi:type was not recognised.
int xmlFwkRequest(soap *soap, int op, int soapType, char **result);

// Finds the object element of the request text (typed filter, switchObject with module
// and object, filter of a known category, or switchObject / <category>Object /
// moduleObject) and runs the processor over it. Returns its status; `result` holds the
// answer (empty for a successful set, create or delete) or the error message.
int xmlFwkParseRequest(soap *soap, int op, int soapType, xmlFwkResult_t *result);
