// Handlers of the configuration save, configuration and CLI execution, not available in this build
// yet: each answers the client fault "Operation not available". The subsystem that implements them
// replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpUpmSaveConfig(struct soap *soap, _upm__saveConfigRequest *, _upm__saveConfigResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpExecConfig(struct soap *soap, _qtncfg__execConfig *, _qtncfg__execConfigResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpExecCli(struct soap *soap, _qtncfg__execCli *, _qtncfg__execCliResponse &) {
    return wsvdSoapNotAvailable(soap);
}
