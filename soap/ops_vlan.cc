// Handlers of the VLAN service, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpCreateVlan(struct soap *soap, _qtnvlan__createVlan *, _qtnvlan__createVlanResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpDeleteVlan(struct soap *soap, _qtnvlan__deleteVlan *, _qtnvlan__deleteVlanResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetVlan(struct soap *soap, _qtnvlan__getVlan *, _qtnvlan__getVlanResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetAllVlan(struct soap *soap, _qtnvlan__getAllVlan *, _qtnvlan__getAllVlanResponse &) {
    return wsvdSoapNotAvailable(soap);
}
