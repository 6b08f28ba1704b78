#include "soap/wsvd_soap.h"

#include <string>

#include "soap/wsvd_screen.h"
#include "soapH.h"

namespace {
wsvdSoapStream gStream = {nullptr, nullptr};

// The text of the request being served on this thread (a context belongs to one
// thread), read whole before the engine starts so that it can be screened.
struct Input {
    std::string text;
    size_t pos = 0;
};
thread_local Input *tInput = nullptr;

// Reads the request's text through the stream; false when it is larger than the limit.
bool readWhole(wsvdRequest *r, std::string *text) {
    char chunk[16384];
    size_t n;
    while (gStream.read && (n = gStream.read(r, chunk, sizeof chunk)) > 0) {
        if (text->size() + n > WSVD_SOAP_MAX_MESSAGE) return false;
        text->append(chunk, n);
    }
    return true;
}

// Answers with a client fault without reading the request.
void refuse(struct soap *soap, const char *why) {
    soap_begin(soap);
    soap_sender_fault(soap, why, nullptr);
    soap_send_fault(soap);
}
}  // namespace

void wsvdSoapSetStream(const wsvdSoapStream *stream) {
    gStream = stream ? *stream : wsvdSoapStream{nullptr, nullptr};
}

int wsvdSoapSend(struct soap *soap, const char *data, size_t n) {
    auto *r = static_cast<wsvdRequest *>(soap->user);
    if (!gStream.write || !r) return SOAP_EOF;
    return gStream.write(r, data, n) == 0 ? SOAP_OK : SOAP_EOF;
}

size_t wsvdSoapRecv(struct soap *, char *buffer, size_t size) {
    if (!tInput) return 0;
    size_t n = tInput->text.copy(buffer, size, tInput->pos);
    tInput->pos += n;
    return n;
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
    Input input;
    const char *refused = readWhole(r, &input.text) ? wsvdSoapScreen(input.text, gWsvdScreenLimits)
                                                    : "Request too large";
    if (refused) {
        refuse(soap, refused);
    } else {
        tInput = &input;
        soap_serve(soap);
        tInput = nullptr;
    }
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
