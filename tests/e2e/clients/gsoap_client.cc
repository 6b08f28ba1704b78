// The client-matrix session with a gSOAP client that wsdl2h and soapcpp2 generate at
// build time from the WSDL webd serves, over its SOAP 1.2 binding (wsvdSoap12Proxy).
// The session id travels in the SOAP Header the WSDL declares (soap_header).
//
// usage: gsoap_matrix_client ENDPOINT VLAN_NAME MAC_ADDRESS; prints "STEP<TAB>VALUE" lines.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "soapwsvdSoap12Proxy.h"
#include "wsvdSoap12.nsmap"

namespace {

wsvdSoap12Proxy gProxy;
std::string gEndpoint;
std::string gSession;  // named in the SOAP Header of a call; none when empty

void report(const char *step, const std::string &value) {
    printf("%s\t%s\n", step, value.c_str());
    fflush(stdout);
}

// What a failed call reports: its fault text, or gSOAP's error.
std::string failure() {
    if (gProxy.soap->error == SOAP_FAULT || gProxy.soap->error == SOAP_CLI_FAULT)
        return std::string("fault: ") +
               (gProxy.soap_fault_string() ? gProxy.soap_fault_string() : "");
    return "error: gSOAP error " + std::to_string(gProxy.soap->error);
}

// Calls an operation of the proxy with gSession in its SOAP Header; SOAP_OK or the error.
template <typename Request, typename Reply>
int call(int (wsvdSoap12Proxy::*operation)(const char *, const char *, Request *, Reply &),
         Request *request, Reply &reply) {
    if (gSession.empty()) {
        gProxy.soap_noheader();
    } else {
        auto *header = soap_new_com__ClientHeader(gProxy.soap);
        header->sessionId = soap_new_std__string(gProxy.soap);
        *header->sessionId = gSession;
        gProxy.soap_header(header);
    }
    return (gProxy.*operation)(gEndpoint.c_str(), nullptr, request, reply);
}

std::string text(const std::string *s) {
    return s ? *s : std::string();
}

// The field of each entry, joined by commas.
template <typename Entry>
std::string joined(const std::vector<Entry *> &entries, std::string *Entry::*field) {
    std::string out;
    for (const Entry *e : entries) out += (out.empty() ? "" : ",") + text(e->*field);
    return out;
}

// The words of a text, one space apart.
std::string words(const std::string &text) {
    std::istringstream in(text);
    std::string out, word;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

// A session of `user` (empty password); the reported value.
std::string openSession(std::string user, std::string *sessionId) {
    std::string password, session = gSession;
    com__session credentials;
    credentials.username = &user;
    credentials.password = &password;
    com__openSessionRequest request;
    request.session = &credentials;
    com__openSessionReply reply;
    gSession.clear();
    int rc = call(&wsvdSoap12Proxy::openSession, &request, reply);
    gSession = session;
    if (rc != SOAP_OK) return failure();
    *sessionId = reply.session ? text(reply.session->sessionId) : "";
    return *sessionId;
}

std::string closeSession(std::string sessionId) {
    com__closeSessionRequest request;
    request.sessionId = &sessionId;
    com__closeSessionReply reply;
    std::string session = gSession;
    gSession.clear();
    int rc = call(&wsvdSoap12Proxy::closeSession, &request, reply);
    gSession = session;
    return rc == SOAP_OK ? "done" : failure();
}

std::string createVlan(std::string name) {
    std::string vr = "VR-Default";
    qtnvlan__createVlan request;
    request.name = &name;
    request.vr = &vr;
    qtnvlan__createVlanResponse reply;
    return call(&wsvdSoap12Proxy::createVlan, &request, reply) == SOAP_OK ? "done" : failure();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: gsoap_matrix_client ENDPOINT VLAN_NAME MAC_ADDRESS\n");
        return 2;
    }
    gEndpoint = argv[1];
    std::string name = argv[2], mac = argv[3], vr = "VR-Default";
    gProxy.soap->connect_timeout = 10;
    gProxy.soap->recv_timeout = 30;
    gProxy.soap->send_timeout = 30;
    report("wsdl", "loaded");  // at build time

    std::string admin;
    report("openSession", openSession("admin", &admin));
    gSession = admin;
    report("createVlan", createVlan(name));

    qtnvlan__getVlan getVlan;
    getVlan.name = &name;
    getVlan.vr = &vr;
    qtnvlan__getVlanResponse vlan;
    int rc = call(&wsvdSoap12Proxy::getVlan, &getVlan, vlan);
    report("getVlan", rc ? failure() : text(vlan.reply ? vlan.reply->name : nullptr));

    qtnvlan__getAllVlan getAllVlan;
    qtnvlan__getAllVlanResponse vlans;
    rc = call(&wsvdSoap12Proxy::getAllVlan, &getAllVlan, vlans);
    report("getAllVlan", rc            ? failure()
                         : vlans.reply ? joined(vlans.reply->vlan, &qtn__Vlan_VlanEntry::name)
                                       : "");

    std::string port = "1:5";
    qtnfdb__createFdb createFdb;
    createFdb.macAddress = &mac;
    createFdb.vlan = &name;
    createFdb.port = &port;
    qtnfdb__createFdbResponse created;
    rc = call(&wsvdSoap12Proxy::createFdb, &createFdb, created);
    report("createFdb", rc ? failure() : "done");

    qtnfdb__getAllFdb getAllFdb;
    qtnfdb__getAllFdbResponse fdbs;
    rc = call(&wsvdSoap12Proxy::getAllFdb, &getAllFdb, fdbs);
    report("getAllFdb", rc           ? failure()
                        : fdbs.reply ? joined(fdbs.reply->fdb, &qtn__Fdb_FdbEntry::macAddress)
                                     : "");

    std::string command = "show vlan";
    qtncfg__execCli execCli;
    execCli.command = &command;
    qtncfg__execCliResponse output;
    rc = call(&wsvdSoap12Proxy::execCli, &execCli, output);
    report("execCli", rc ? failure() : words(text(output.reply)));

    // upm's request carries the session in its own upm:hdr.
    com__ClientHeader saveHeader;
    saveHeader.sessionId = &admin;
    upm__saveConfigRequest save;
    save.hdr = &saveHeader;
    upm__saveConfigResponse saved;
    rc = call(&wsvdSoap12Proxy::saveConfig, &save, saved);
    report("saveConfig", rc ? failure() : "done");

    report("duplicateVlan", createVlan(name));

    std::string reader;
    std::string readOnly = openSession("user", &reader);
    if (!reader.empty()) {
        gSession = reader;
        readOnly = createVlan(name + "ro");
        gSession = admin;
        closeSession(reader);
    }
    report("readOnlyUser", readOnly);

    report("closeSession", closeSession(admin));
    return 0;
}
