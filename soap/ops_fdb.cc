// Handlers of the forwarding database, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpCreateFdb(struct soap *soap, _qtnfdb__createFdb *, _qtnfdb__createFdbResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpDeleteFdb(struct soap *soap, _qtnfdb__deleteFdb *, _qtnfdb__deleteFdbResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetFdb(struct soap *soap, _qtnfdb__getFdb *, _qtnfdb__getFdbResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpGetAllFdb(struct soap *soap, _qtnfdb__getAllFdb *, _qtnfdb__getAllFdbResponse &) {
    return wsvdSoapNotAvailable(soap);
}
