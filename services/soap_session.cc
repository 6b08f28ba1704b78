// The session operations of the SOAP service: openSession, closeSession, keepAlive.
// They translate between the messages and the session code (session_ops.h).
#include <cstring>
#include <string>

#include "platform/wsvdreq.h"
#include "session/session_ops.h"
#include "soap/wsvd_handlers.h"

namespace {

wsvdRequest *requestOf(struct soap *soap) { return static_cast<wsvdRequest *>(soap->user); }

const char *textOf(const std::string *s) { return s ? s->c_str() : nullptr; }

std::string *newText(struct soap *soap, const char *text) {
    std::string *s = soap_new_std__string(soap);
    if (s) *s = text;
    return s;
}

}  // namespace

int wsvdOpOpenSession(struct soap *soap, _com__openSessionRequest *request,
                      _com__openSessionReply &response) {
    wsvdRequest *r = requestOf(soap);
    const com__session *in = request ? request->session : nullptr;
    wsvdOpenSessionArgs args{};
    if (in) {
        args.appName = textOf(in->appName);
        args.username = textOf(in->username);
        args.password = textOf(in->password);
        args.xmlApiVersion = textOf(in->xmlApiVersion);
        args.timeout = in->timeout;
        args.clientAddress = r ? r->clientAddress : nullptr;
        args.connectionKind = r ? r->connectionKind : 0;
    }
    wsvdOpenSessionResult result;
    if (const char *fault = wsvdOpenSession(in ? &args : nullptr, &result))
        return soap_sender_fault(soap, fault, nullptr);

    com__session *out = soap_new_com__session(soap);
    if (!out) return soap_sender_fault(soap, "Out of memory", nullptr);
    out->appName = newText(soap, result.appName);
    out->username = newText(soap, result.userName);
    out->password = newText(soap, "");
    out->xmlApiVersion = newText(soap, result.xmlApiVersion);
    out->sessionId = newText(soap, result.sessionId);
    out->timeout = static_cast<unsigned int *>(soap_malloc(soap, sizeof(unsigned int)));
    if (out->timeout) *out->timeout = result.timeout;
    out->accessRight = static_cast<com__AccessRight *>(soap_malloc(soap, sizeof(com__AccessRight)));
    if (out->accessRight)
        *out->accessRight = result.accessRight == 2 ? com__AccessRight::readWrite : com__AccessRight::readOnly;
    response.session = out;
    return 0;
}

int wsvdOpCloseSession(struct soap *soap, _com__closeSessionRequest *request,
                       _com__closeSessionReply &) {
    const char *id = request ? textOf(request->sessionId) : nullptr;
    if (const char *fault = wsvdCloseSession(id)) return soap_sender_fault(soap, fault, nullptr);
    return 0;
}

int wsvdOpKeepAlive(struct soap *soap, _com__keepAliveRequest *request, _com__keepAliveReply &response) {
    wsvdRequest *r = requestOf(soap);
    const com__ClientHeader *hdr = request ? request->hdr : nullptr;
    const char *id = hdr ? textOf(hdr->sessionId) : nullptr;
    if (const char *fault = wsvdKeepAlive(request != nullptr, id, r ? r->clientKind : 0))
        return soap_sender_fault(soap, fault, nullptr);

    response.lastChangeTime = static_cast<time_t *>(soap_malloc(soap, sizeof(time_t)));
    if (response.lastChangeTime) *response.lastChangeTime = 0;
    com__ClientHeader *copy = soap_new_com__ClientHeader(soap);
    if (copy && hdr) {
        if (hdr->reqId) {
            copy->reqId = static_cast<unsigned int *>(soap_malloc(soap, sizeof(unsigned int)));
            if (copy->reqId) *copy->reqId = *hdr->reqId;
        }
        if (hdr->sessionId) copy->sessionId = newText(soap, hdr->sessionId->substr(0, 16).c_str());
    }
    response.hdr = copy;
    return 0;
}
