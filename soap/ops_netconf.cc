// Handlers of the NETCONF rpc, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpNetconfRpc(struct soap *soap, netb__rpcType *, _netb__rpc_reply &) {
    return wsvdSoapNotAvailable(soap);
}
