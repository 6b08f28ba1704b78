// Handlers of the session operations (open, close, keep-alive), not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpOpenSession(struct soap *soap, _com__openSessionRequest *, _com__openSessionReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpCloseSession(struct soap *soap, _com__closeSessionRequest *, _com__closeSessionReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpKeepAlive(struct soap *soap, _com__keepAliveRequest *, _com__keepAliveReply &) {
    return wsvdSoapNotAvailable(soap);
}
