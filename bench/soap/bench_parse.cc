// The worst request texts we know for the SOAP engine's parser, each grown up to a given
// size, served through the engine as the worker serves them (no link, no handler: every
// operation answers "Operation not available" or a fault). It reports, per input class,
// the time the worker spends on the worst text of the class next to a plain request of
// the same size (long text content, the cheapest kind of byte), and what the engine
// answered. A program to run by hand, not a test.
//
//   bench_parse [MAX_BYTES [REPEATS]]     defaults: the SOAP request limit, 3
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "soap/wsvd_soap.h"
#include "soapH.h"
#include "tests/soap/soap_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kVlanNs = "xmlns:v=\"urn:xapi/l2protocol/vlan\"";

// A getVlan request whose Envelope start tag ends in `envelopeExtra`, whose getVlan start
// tag ends in `opExtra` and whose getVlan holds `inner` before its own children.
std::string request(const std::string &envelopeExtra, const std::string &opExtra,
                    const std::string &inner, const std::string &header = "") {
    return "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + std::string(kEnv11) + "\" " + kVlanNs +
           envelopeExtra + ">" + (header.empty() ? "" : "<e:Header>" + header + "</e:Header>") +
           "<e:Body><v:getVlan" + opExtra + ">" + inner +
           "<name>Default</name><vr>VR-Default</vr></v:getVlan></e:Body></e:Envelope>";
}

struct InputClass {
    const char *name;
    std::function<std::string(size_t bytes)> make;
};

std::string attrs(size_t n, const std::string &prefix = "a") {
    std::string out;
    for (size_t i = 0; i < n; i++) out += " " + prefix + std::to_string(i) + "=\"1\"";
    return out;
}

std::string decls(size_t n, const std::string &prefix) {
    std::string out;
    for (size_t i = 0; i < n; i++)
        out +=
            " xmlns:" + prefix + std::to_string(i) + "=\"urn:" + prefix + std::to_string(i) + "\"";
    return out;
}

// `count` copies of `unit`, but no more than fit in `bytes`.
std::string repeat(size_t count, size_t bytes, const std::string &unit) {
    std::string out;
    for (size_t i = 0; i < count && out.size() + unit.size() <= bytes; i++) out += unit;
    return out;
}

// Elements the envelope's fixed parts take; the rest are left for the body.
const size_t kSpareElements = 16;
constexpr size_t kBodyElements = WSVD_SOAP_MAX_ELEMENTS - kSpareElements;

// Each class is the worst text of its kind that the limits allow (up to `n` bytes);
// a few classes are also shown past the limits, to show the refusal is quick.
std::vector<InputClass> classes() {
    return {
        {"plain text (reference)",
         [](size_t n) { return request("", "", "<pad>" + std::string(n, 'x') + "</pad>"); }},
        {"attributes: 64 on each of 64 elements",
         [](size_t) {
             return request(
                 "", "",
                 repeat(WSVD_SOAP_MAX_ATTRIBUTES / WSVD_SOAP_MAX_ATTRIBUTES_PER_ELEMENT - 1,
                        ~size_t(0), "<a" + attrs(WSVD_SOAP_MAX_ATTRIBUTES_PER_ELEMENT) + "/>"));
         }},
        {"attributes: one element past the limit",
         [](size_t n) { return request("", attrs(n / 10), ""); }},
        {"namespaces: 64 in scope, every element resolved",
         [](size_t n) {
             // NETCONF content (kept as trees, each name resolved) in two nested elements
             // of 31 declarations each, repeated while declarations last; the elements
             // name the outermost declarations.
             size_t groups = WSVD_SOAP_MAX_NAMESPACES / 62;
             size_t per = (kBodyElements - 2 * groups) / groups;
             std::string body;
             for (size_t g = 0; g < groups; g++) {
                 std::string inner;
                 for (size_t i = 0; i < per && inner.size() < n / groups; i++) {
                     std::string p = "o" + std::to_string(i % 31);
                     inner += "<" + p + ":x/>";
                 }
                 body += "<d" + decls(31, "o") + "><d" + decls(31, "i") + ">" + inner + "</d></d>";
             }
             return "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + std::string(kEnv11) +
                    "\"><e:Body><nc:rpc xmlns:nc=\"urn:ietf:params:xml:ns:netconf:base:1.0\" "
                    "message-id=\"1\"><nc:get><nc:filter>" +
                    body + "</nc:filter></nc:get></nc:rpc></e:Body></e:Envelope>";
         }},
        {"namespaces: one element past the limit",
         [](size_t n) { return request(decls(n / 24, "n"), "", ""); }},
        {"elements: siblings",
         [](size_t n) { return request("", "", repeat(kBodyElements, n, "<a/>")); }},
        {"elements: under a wildcard (openSession)",
         [](size_t n) {
             return "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + std::string(kEnv11) +
                    "\" xmlns:c=\"urn:wsvd/XMLSchema/qtn/common\"><e:Body><c:openSessionRequest>"
                    "<session><username>u</username>" +
                    repeat(kBodyElements, n, "<x>t</x>") +
                    "</session></c:openSessionRequest></e:Body></e:Envelope>";
         }},
        {"elements: NETCONF rpc content",
         [](size_t n) {
             return "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + std::string(kEnv11) +
                    "\" xmlns:nc=\"urn:ietf:params:xml:ns:netconf:base:1.0\"><e:Body><nc:rpc "
                    "message-id=\"1\"><nc:get><nc:filter>" +
                    repeat(kBodyElements / 2, n, "<y><z/></y>") +
                    "</nc:filter></nc:get></nc:rpc></e:Body></e:Envelope>";
         }},
        {"elements: 64 in the Header, 64 attributes each",
         [](size_t) {
             return request(
                 "", "", "",
                 repeat(WSVD_SOAP_MAX_HEADER_ELEMENTS - 1, ~size_t(0),
                        "<h" + attrs(WSVD_SOAP_MAX_ATTRIBUTES / WSVD_SOAP_MAX_HEADER_ELEMENTS) +
                            "/>"));
         }},
        {"elements: nested 60 deep, repeated",
         [](size_t n) {
             std::string chain;
             for (int d = 0; d < 55; d++) chain += "<a>";
             for (int d = 0; d < 55; d++) chain += "</a>";
             return request("", "", repeat(kBodyElements / 55, n, chain));
         }},
        {"elements: repeated known element (name)",
         [](size_t n) { return request("", "", repeat(kBodyElements, n, "<name>n</name>")); }},
        {"names: 1024 characters",
         [](size_t n) {
             std::string name(WSVD_SOAP_MAX_NAME, 'n');
             return request("", "", repeat(n, n, "<" + name + " " + name + "=\"v\"/>"));
         }},
        {"character references",
         [](size_t n) {
             return request("", "",
                            "<pad>" +
                                repeat(n, std::min<size_t>(n, WSVD_SOAP_MAX_TEXT), "&#x41;&lt;") +
                                "</pad>");
         }},
        {"comments and processing instructions",
         [](size_t n) { return request("", "", repeat(n, n, "<!--c--><?p x?>")); }},
    };
}

struct Outcome {
    double ms;
    std::string answer;
};

Outcome serveOnce(struct soap *soap, const std::string &text) {
    auto start = Clock::now();
    SoapExchange x = serveText(soap, text, 64 * 1024);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::string out = x.output();
    size_t a = out.find("<faultstring>");
    std::string answer = a == std::string::npos
                             ? "(no fault)"
                             : out.substr(a + 13, out.find("</faultstring>", a) - a - 13);
    if (answer.size() > 60) answer = answer.substr(0, 57) + "...";
    return {ms, answer};
}

}  // namespace

int main(int argc, char **argv) {
    size_t maxBytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : size_t(WSVD_SOAP_MAX_MESSAGE);
    int repeats = argc > 2 ? atoi(argv[2]) : 3;
    struct soap *soap = wsvdSoapContextNew();
    if (!soap) return 1;
    printf("worst parse time per input class, texts up to %zu bytes, best of %d runs\n", maxBytes,
           repeats);
    printf("%-44s %10s %10s %9s  %s\n", "input class", "bytes", "ms", "x plain", "answer");
    // The reference: plain text content at the largest size.
    double reference = 1e18;
    for (int r = 0; r < repeats; r++)
        reference = std::min(reference, serveOnce(soap, classes()[0].make(maxBytes - 2000)).ms);
    for (const InputClass &c : classes()) {
        // Sizes from a sixteenth of the limit up: some classes are worst below the top
        // (a cap turns them away early there).
        double worst = 0;
        size_t worstBytes = 0;
        std::string worstAnswer;
        for (size_t bytes = maxBytes / 16; bytes <= maxBytes; bytes *= 2) {
            std::string text = c.make(bytes - std::min<size_t>(bytes, 2000));
            if (text.size() > maxBytes) text.resize(maxBytes);  // as the link would cut it
            double best = 1e18;
            Outcome o;
            for (int r = 0; r < repeats; r++) {
                o = serveOnce(soap, text);
                best = std::min(best, o.ms);
            }
            if (best >= worst) {
                worst = best;
                worstBytes = text.size();
                worstAnswer = o.answer;
            }
        }
        printf("%-44s %10zu %10.2f %9.1f  %s\n", c.name, worstBytes, worst, worst / reference,
               worstAnswer.c_str());
        fflush(stdout);
    }
    wsvdSoapContextFree(soap);
    return 0;
}
