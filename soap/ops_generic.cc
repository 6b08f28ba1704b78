// Handlers of the generic object requests (get, set, create, delete), not available in this build
// yet: each answers the client fault "Operation not available". The subsystem that implements them
// replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpSwitchGet(struct soap *soap, _switch__getRequest *, _switch__getResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpSwitchSet(struct soap *soap, _switch__setRequest *, _switch__setResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpSwitchCreate(struct soap *soap, _switch__createRequest *, _switch__createResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpSwitchDelete(struct soap *soap, _switch__deleteRequest *, _switch__deleteResponse &) {
    return wsvdSoapNotAvailable(soap);
}
