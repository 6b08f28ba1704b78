// Small rules of the web front end about what passes through it: which SOAP version a
// request speaks, whether a request is the daemon's file-reading test hook, whether a
// reply is a SOAP fault, and how a client's address travels in the request header.
#pragma once
#include <sys/socket.h>

#include <cstdint>
#include <string_view>

enum webSoapVersion { WEB_SOAP_NONE = 0, WEB_SOAP_11 = 1, WEB_SOAP_12 = 2 };

// From a Content-Type header value (null allowed): "text/xml" is SOAP 1.1,
// "application/soap+xml" is SOAP 1.2, whatever the parameters; anything else is NONE.
webSoapVersion webSoapVersionOf(const char *contentType);
// The content type of a reply in that version.
const char *webReplyContentType(webSoapVersion version);

// True when the text, after leading white space, starts with the daemon's "<exec>"
// hook, which would make it read a file of its own and serve that instead.
bool webIsExecHook(std::string_view text);

// The local name of the first element inside the Body (the operation of a request);
// empty when there is none. *hasBody tells whether a Body start tag was found.
std::string_view webSoapOperation(std::string_view text, bool *hasBody);

// True when the reply text (its first non-empty fragment) is a SOAP fault: the first
// element inside the Body is a Fault (any prefix). Without a Body in the text, any
// Fault element counts.
bool webIsSoapFault(std::string_view text);

// The 16 address bytes of the request header: an IPv4 address (also one mapped into
// IPv6) in the first 4 bytes and zeros after, an IPv6 address in all 16. Other families
// and null give zeros.
void webClientAddress(const sockaddr *address, uint8_t out[16]);
