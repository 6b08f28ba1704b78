// The namespace table of the service, in the order gSOAP tries it. The third column is
// the pattern also accepted on input ("*" matches any text), which is how SOAP 1.2
// envelopes are read. Every row is listed even where no message uses the prefix.
#include "soapH.h"

#ifndef WSVD_SCHEMA_BASE_URI
#error "WSVD_SCHEMA_BASE_URI must be defined by the build"
#endif
#define WSVD_NS(path) WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/" path

SOAP_NMAC struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", "http://www.w3.org/*/soap-envelope",
     nullptr},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", "http://www.w3.org/*/soap-encoding",
     nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance",
     nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns1", WSVD_NS("l2protocol"), nullptr, nullptr},
    {"qtn", "urn:xapi", nullptr, nullptr},
    {"vlan", WSVD_NS("vlan"), nullptr, nullptr},
    {"idmgr", WSVD_NS("idmgr"), nullptr, nullptr},
    {"ipfix", WSVD_NS("ipfix"), nullptr, nullptr},
    {"port", WSVD_NS("port"), nullptr, nullptr},
    {"fdb", WSVD_NS("fdb"), nullptr, nullptr},
    {"ns2", WSVD_NS("dhcp"), nullptr, nullptr},
    {"ems", WSVD_NS("ems"), nullptr, nullptr},
    {"aaa", WSVD_NS("aaa"), nullptr, nullptr},
    {"snmp", WSVD_NS("snmp"), nullptr, nullptr},
    {"system", WSVD_NS("system"), nullptr, nullptr},
    {"event", WSVD_NS("event"), nullptr, nullptr},
    {"ns4", "urn:ietf:params:xml:ns:netconf:soap:1.0", nullptr, nullptr},
    {"netb", "urn:ietf:params:xml:ns:netconf:base:1.0", nullptr, nullptr},
    {"switch", WSVD_NS("switch"), nullptr, nullptr},
    {"com", WSVD_NS("common"), nullptr, nullptr},
    {"upm", WSVD_NS("upm"), nullptr, nullptr},
    {"qtnacl", "urn:xapi/l2protocol/acl", nullptr, nullptr},
    {"qtncfg", "urn:xapi/cfgmgmt/cfgmgr", nullptr, nullptr},
    {"qtnfdb", "urn:xapi/l2protocol/fdb", nullptr, nullptr},
    {"qtnpol", "urn:xapi/system/policy", nullptr, nullptr},
    {"qtnvlan", "urn:xapi/l2protocol/vlan", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
