// Feeds request texts through the SOAP engine's hooks and records what it writes, as
// the worker's stream functions would.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "platform/wsvdreq.h"
#include "soap/wsvd_soap.h"
#include "soapH.h"

struct SoapExchange {
    std::string input;
    size_t readPos = 0;
    size_t readChunk = 1000;  // bytes handed out per read, to cross piece boundaries
    std::vector<std::string> writes;

    std::string output() const {
        std::string all;
        for (const auto &w : writes) all += w;
        return all;
    }
};

inline SoapExchange *gExchange = nullptr;

inline int exchangeWrite(wsvdRequest *, const char *data, size_t n) {
    gExchange->writes.emplace_back(data, n);
    return 0;
}
inline size_t exchangeRead(wsvdRequest *, char *buffer, size_t size) {
    SoapExchange &x = *gExchange;
    size_t n = std::min({size, x.readChunk, x.input.size() - x.readPos});
    x.input.copy(buffer, n, x.readPos);
    x.readPos += n;
    return n;
}

// Serves `text` on `soap` and returns everything written. With `record`, the request is
// served as that record, holding the text as its pieces (the raw text some handlers
// read) while it is served.
inline SoapExchange serveText(struct soap *soap, const std::string &text, size_t chunk = 1000,
                              wsvdRequest *record = nullptr) {
    static const wsvdSoapStream stream = {exchangeWrite, exchangeRead};
    wsvdSoapSetStream(&stream);
    SoapExchange x;
    x.input = text;
    x.readChunk = chunk;
    gExchange = &x;
    wsvdRequest request{};
    wsvdRequest *r = record ? record : &request;
    r->pieces = wsvdBufferToBuflist(text.data(), uint32_t(text.size()));
    wsvdSoapServe(soap, r);
    wsvdSoapRequestEnd(soap);
    wsvdBuflistFree(r->pieces);
    r->pieces = nullptr;
    gExchange = nullptr;
    return x;
}

inline const char *kEnv11 = "http://schemas.xmlsoap.org/soap/envelope/";
inline const char *kEnv12 = "http://www.w3.org/2003/05/soap-envelope";

// An envelope around `body`, with the given envelope namespace and extra declarations.
inline std::string envelope(const std::string &body, const std::string &decls = "",
                            const char *envNs = kEnv11, const std::string &header = "") {
    return std::string("<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"") + envNs + "\" " + decls +
           ">" + (header.empty() ? "" : "<e:Header>" + header + "</e:Header>") + "<e:Body>" + body +
           "</e:Body></e:Envelope>";
}
