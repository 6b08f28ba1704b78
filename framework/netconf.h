// NETCONF carried in SOAP (netb:rpc): get-config and get read one external object,
// edit-config sets one, through the request processor (xmlfwk_process.h); every other
// operation is answered with an rpc-error. The caller's session decides first, as for
// the generic operations: edit-config needs a read-write session, get-config and get
// any valid one; otherwise the answer is an rpc-error access-denied.
#pragma once
#include "framework/xmlfwk_process.h"

enum { NETCONF_RESULT_SIZE = 8388608, NETCONF_MESSAGE_MAX = 1055 };

// Carries out the rpc of the request text: 1 with the reply's content in `result` (a
// "data" element holding the objects, or "<ok/>"), 0 with one rpc-error element there.
int netconfProcess(soap *soap, xmlFwkResult_t *result);
