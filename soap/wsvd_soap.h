// The SOAP engine of the worker: one gSOAP context per worker thread that reads the
// request text and streams the reply through the request's stream functions, with no
// HTTP framing (the web server does HTTP). Operations are dispatched on the first body
// element (wsvd_handlers.h); handlers report failures with soap_sender_fault.
#pragma once
#include <cstddef>

struct soap;
struct wsvdRequest;

// Where the engine reads the request text and writes the reply. The daemon's serve
// step installs the worker's wsvdRequestRead/wsvdResponseWrite; tests install fakes.
struct wsvdSoapStream {
    int (*write)(wsvdRequest *r, const char *data, size_t n);   // 0 on success
    size_t (*read)(wsvdRequest *r, char *buffer, size_t size);  // 0 at the end
};
void wsvdSoapSetStream(const wsvdSoapStream *stream);

// Limits of one request, chosen for this service rather than gSOAP's permissive
// defaults (2 GB messages, 10000 levels, 100000 repeats):
enum {
    // The whole envelope: the request link never delivers more (WSVD_MAX_REQUEST_BYTES).
    WSVD_SOAP_MAX_MESSAGE = 4 * 1024 * 1024,
    // Nesting: the deepest message (a get of an object list down to a DHCP option's
    // extension) is about 15 levels; the rest is room for wildcard content.
    WSVD_SOAP_MAX_LEVEL = 64,
    // Repeats of one element: lists hold at most 1024 entries (VLAN, FDB, ACL, policy).
    WSVD_SOAP_MAX_OCCURS = 1024 + 64,
    // One text value: the longest typed field is 8K; configuration and CLI texts of the
    // exec operations may be longer, but never longer than a quarter of the message.
    WSVD_SOAP_MAX_TEXT = 1024 * 1024,
};

// What the screen (wsvd_screen.h) lets through to the engine. The largest requests of
// the service, a policy of a thousand rules or a set of an object list, hold some 25000
// elements, a few namespace declarations and a handful of attributes per element; a
// client of the engine's own kind declares every namespace of the service (about 30)
// on the Envelope. Elements the engine keeps as trees (wildcards, NETCONF content)
// cost it a few microseconds each, which bounds their number.
enum {
    WSVD_SOAP_MAX_ATTRIBUTES_PER_ELEMENT = 64,
    WSVD_SOAP_MAX_ATTRIBUTES = 4096,
    WSVD_SOAP_MAX_NAMESPACES_IN_SCOPE = 64,  // each name is looked up among them
    WSVD_SOAP_MAX_NAMESPACES = 1024,
    WSVD_SOAP_MAX_ELEMENTS = 32768,
    WSVD_SOAP_MAX_HEADER_ELEMENTS = 64,  // kept as trees by the engine: dear
    WSVD_SOAP_MAX_NAME = 1024,           // the engine's own limit of a tag name
};

// The gSOAP hooks: send writes through the stream with soap->user as the request;
// recv reads the request text being served; poll always says ready.
int wsvdSoapSend(struct soap *soap, const char *data, size_t n);
size_t wsvdSoapRecv(struct soap *soap, char *buffer, size_t size);
int wsvdSoapPoll(struct soap *soap);

// A context with the hooks and limits above (nullptr when memory runs out); freed with
// wsvdSoapContextFree.
struct soap *wsvdSoapContextNew();
void wsvdSoapContextFree(struct soap *soap);
// Serves one request (soap_serve with soap->user = r); the answer or fault has been
// written when it returns. The whole text is read first and screened (wsvd_screen.h):
// a text beyond the limits above gets the client fault "Request refused: ..." (or
// "Request too large") without the engine reading it. wsvdSoapRequestEnd frees the
// request's temporaries.
void wsvdSoapServe(struct soap *soap, wsvdRequest *r);
void wsvdSoapRequestEnd(struct soap *soap);

// The session header of the request's SOAP Header: "hdr" as written by hand, else
// "com:hdr" as sent by clients built from the WSDL; null when there is neither.
class com__ClientHeader;
const com__ClientHeader *wsvdSoapSessionHeader(const struct soap *soap);

// The client fault "Operation not available", for operations without a handler yet.
int wsvdSoapNotAvailable(struct soap *soap);
