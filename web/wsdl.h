// The service description served to client toolkits: the generated WSDL with the
// endpoint address of the switch being asked, and the schema files it may import.
#pragma once
#include <string>
#include <string_view>

// Rewrites a WSDL (or XSD) text for clients of `endpoint` ("http://host:port/xmlService"):
// the location attribute of every *:address element becomes the endpoint, and every
// relative schemaLocation "NAME" becomes "<endpoint>?xsd=NAME".
std::string webRewriteWsdl(std::string_view text, const std::string &endpoint);

// True for a schema file name that may be served: letters, digits, '_', '-' and '.',
// ending in ".xsd", not starting with '.', at most 64 characters.
bool webIsSchemaName(std::string_view name);

// True for a Host header value that may be written into the WSDL (a host name, an IPv4
// address or a bracketed IPv6 address, with an optional port); anything else, which
// could break the XML, is replaced by the listening address.
bool webIsSafeHost(std::string_view host);

// Reads a whole file of at most maxBytes; false when it cannot (or is larger).
bool webReadFile(const std::string &path, std::string *text, size_t maxBytes);
