// Handlers of the dynamic ACLs, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpSetDynamicAcl(struct soap *soap, _qtnacl__setDynamicAcl *,
                        _qtnacl__setDynamicAclResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpDeleteDynamicAcl(struct soap *soap, _qtnacl__deleteDynamicAcl *,
                           _qtnacl__deleteDynamicAclResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetDynamicAcl(struct soap *soap, _qtnacl__getDynamicAcl *,
                        _qtnacl__getDynamicAclResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpListDynamicAcl(struct soap *soap, _qtnacl__listDynamicAcl *,
                         _qtnacl__listDynamicAclResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpInsertDynamicAclOnInterface(struct soap *soap, _qtnacl__insertDynamicAclOnInterface *,
                                      _qtnacl__insertDynamicAclOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpRemoveDynamicAclOnInterface(struct soap *soap, _qtnacl__removeDynamicAclOnInterface *,
                                      _qtnacl__removeDynamicAclOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpRemoveDynamicAclOnAllInterfaces(struct soap *soap,
                                          _qtnacl__removeDynamicAclOnAllInterfaces *,
                                          _qtnacl__removeDynamicAclOnAllInterfacesResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpListDynamicAclOnInterface(struct soap *soap, _qtnacl__listDynamicAclOnInterface *,
                                    _qtnacl__listDynamicAclOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
