// Handlers of the policy files, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpSavePolicy(struct soap *soap, _qtnpol__savePolicy *, _qtnpol__savePolicyResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpDeletePolicy(struct soap *soap, _qtnpol__deletePolicy *,
                       _qtnpol__deletePolicyResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetPolicy(struct soap *soap, _qtnpol__getPolicy *, _qtnpol__getPolicyResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpRefreshPolicy(struct soap *soap, _qtnpol__refreshPolicy *,
                        _qtnpol__refreshPolicyResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpListPolicy(struct soap *soap, _qtnpol__listPolicy *, _qtnpol__listPolicyResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpBindPolicyOnInterface(struct soap *soap, _qtnpol__bindPolicyOnInterface *,
                                _qtnpol__bindPolicyOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUnbindPolicyOnInterface(struct soap *soap, _qtnpol__unbindPolicyOnInterface *,
                                  _qtnpol__unbindPolicyOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpListPolicyOnInterface(struct soap *soap, _qtnpol__listPolicyOnInterface *,
                                _qtnpol__listPolicyOnInterfaceResponse &) {
    return wsvdSoapNotAvailable(soap);
}
