#include "soap/wsvd_soap.h"

#include "soapH.h"

namespace {
wsvdSoapStream gStream = {nullptr, nullptr};
}

void wsvdSoapSetStream(const wsvdSoapStream *stream) {
    gStream = stream ? *stream : wsvdSoapStream{nullptr, nullptr};
}

int wsvdSoapSend(struct soap *soap, const char *data, size_t n) {
    auto *r = static_cast<wsvdRequest *>(soap->user);
    if (!gStream.write || !r) return SOAP_EOF;
    return gStream.write(r, data, n) == 0 ? SOAP_OK : SOAP_EOF;
}

size_t wsvdSoapRecv(struct soap *soap, char *buffer, size_t size) {
    auto *r = static_cast<wsvdRequest *>(soap->user);
    if (!gStream.read || !r) return 0;
    size_t n = gStream.read(r, buffer, size);
    return n > size ? size : n;
}

int wsvdSoapPoll(struct soap *) {
    return SOAP_OK;
}

struct soap *wsvdSoapContextNew() {
    // Plain XML both ways: no HTTP header on input or output, and the default (flush)
    // output mode, so the reply leaves in small writes as it is produced.
    struct soap *soap =
        soap_new2(SOAP_ENC_PLAIN | SOAP_C_UTFSTRING, SOAP_ENC_PLAIN | SOAP_C_UTFSTRING);
    if (!soap) return nullptr;
    soap_set_namespaces(soap, namespaces);  // the service's table (wsvd_namespaces.cc)
    soap->fsend = wsvdSoapSend;
    soap->frecv = wsvdSoapRecv;
    soap->fpoll = wsvdSoapPoll;
    soap->recv_maxlength = WSVD_SOAP_MAX_MESSAGE;
    soap->maxlevel = WSVD_SOAP_MAX_LEVEL;
    soap->maxoccurs = WSVD_SOAP_MAX_OCCURS;
    soap->maxlength = WSVD_SOAP_MAX_TEXT;
    return soap;
}

void wsvdSoapContextFree(struct soap *soap) {
    if (!soap) return;
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);  // soap_done and the context itself
}

void wsvdSoapServe(struct soap *soap, wsvdRequest *r) {
    soap->user = r;
    // Each request starts as SOAP 1.1; reading a 1.2 envelope switches the answer to 1.2.
    soap_set_version(soap, 1);
    soap->keep_alive = 0;
    soap_serve(soap);
    soap->user = nullptr;
}

void wsvdSoapRequestEnd(struct soap *soap) {
    soap_destroy(soap);
    soap_end(soap);
}

const com__ClientHeader *wsvdSoapSessionHeader(const struct soap *soap) {
    if (!soap->header) return nullptr;
    return soap->header->hdr ? soap->header->hdr : soap->header->com__hdr;
}

int wsvdSoapNotAvailable(struct soap *soap) {
    return soap_sender_fault(soap, "Operation not available", nullptr);
}
