// Small helpers of the typed-service handlers for building SOAP responses. Everything
// is allocated in the SOAP context and lives until the response has been written.
#pragma once
#include <cstddef>
#include <string>

#include "platform/wsvdreq.h"
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
