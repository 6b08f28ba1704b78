// Small helpers of the typed-service handlers for building SOAP responses. Everything
// is allocated in the SOAP context and lives until the response has been written.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/wsvdreq.h"
#include "session/session_ops.h"
#include "soapH.h"

inline wsvdRequest *serviceRequest(struct soap *soap) {
    return static_cast<wsvdRequest *>(soap->user);
}

inline const char *serviceText(const std::string *s) {
    return s ? s->c_str() : nullptr;
}

// A string of the SOAP context holding at most `max` characters of `text`.
inline std::string *serviceNewText(struct soap *soap, const char *text,
                                   size_t max = std::string::npos) {
    std::string *s = soap_new_std__string(soap);
    if (!s) return nullptr;
    *s = text ? text : "";
    if (s->size() > max) s->resize(max);
    return s;
}

template <typename T>
T *serviceNewValue(struct soap *soap, T value) {
    T *p = static_cast<T *>(soap_malloc(soap, sizeof(T)));
    if (p) *p = value;
    return p;
}

// The response's copy of a client header: reqId, and sessionId cut to 16 characters.
inline com__ClientHeader *serviceCopyHeader(struct soap *soap, const com__ClientHeader *hdr) {
    com__ClientHeader *copy = soap_new_com__ClientHeader(soap);
    if (!copy || !hdr) return copy;
    if (hdr->reqId) copy->reqId = serviceNewValue<unsigned int>(soap, *hdr->reqId);
    if (hdr->sessionId) copy->sessionId = serviceNewText(soap, hdr->sessionId->c_str(), 16);
    return copy;
}

// The raw text of the request, its pieces joined.
inline std::string serviceRequestText(const wsvdRequest *r) {
    std::string text;
    if (!r || !r->pieces) return text;
    text.reserve(size_t(r->pieces->bytes));
    for (const wsvdBuf_t *b = r->pieces->head; b; b = b->next) text.append(b->text, b->length);
    return text;
}

// The session header written in the body of a request text: from the first "<hdr" up to
// and including the following "</hdr>". An element without its end, longer than
// `maxLength` bytes, or without a sessionId counts as none.
inline bool serviceBodyHeader(const std::string &text, size_t maxLength, wsvdClientHeader_t *hdr) {
    size_t start = text.find("<hdr");
    if (start == std::string::npos) return false;
    size_t end = text.find("</hdr>", start);
    if (end == std::string::npos) return false;
    size_t length = end + strlen("</hdr>") - start;
    if (length > maxLength) return false;
    return wsvdHeaderParse(text.c_str() + start, unsigned(length), hdr) == 0;
}
