// The NETCONF and SOAP node utilities: envelopes read into their parts whatever the
// prefixes, the rpc and its operation, and rpc-error numbering.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/netconf_util.h"

namespace {

struct SoapFree {
    void operator()(soapNode_t *n) const { soapFreeSoapNode(n); }
};
using Soap = std::unique_ptr<soapNode_t, SoapFree>;
struct NodeFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Node = std::unique_ptr<xmlDomNode_t, NodeFree>;

Soap envelope(const std::string &text) {
    return Soap(soapBuildNode(text.data(), text.size()));
}

std::string xml(const xmlDomNode_t *n) {
    char out[1024];
    return xmlDomBuildXmlData(n, out, sizeof out, XML_DOM_WRITE_COMPACT) < 0 ? "<failed>" : out;
}

TEST(NetconfUtil, EnvelopesAndRpcsAreFoundByLocalName) {
    Soap s = envelope(
        "<e:Envelope xmlns:e='urn:e'><e:Header><h/></e:Header><e:Body>"
        "<nc:rpc xmlns:nc='" NETCONF_BASE_NS
        "' message-id='7'><nc:get-config/></nc:rpc>"
        "</e:Body></e:Envelope>");
    ASSERT_TRUE(s);
    EXPECT_STREQ(s->header->name, "e:Header");
    xmlDomNode_t *rpc = rpcGetRpcNode(s->body);
    ASSERT_TRUE(rpc);
    EXPECT_STREQ(xmlDomGetAttributeValue(rpc, "message-id"), "7");
    EXPECT_STREQ(rpcGetContent(rpc)->name, "nc:get-config");

    Soap plain = envelope("<Envelope><Body><rpc><lock/></rpc></Body></Envelope>");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->header, nullptr);
    EXPECT_STREQ(rpcGetContent(rpcGetRpcNode(plain->body))->name, "lock");

    EXPECT_FALSE(envelope("<Body/>"));
    EXPECT_EQ(rpcGetRpcNode(envelope("<Envelope/>")->body), nullptr);
    Soap empty = envelope("<Envelope><Body><other/></Body></Envelope>");
    EXPECT_EQ(rpcGetRpcNode(empty->body), nullptr);
    EXPECT_EQ(rpcGetContent(rpcGetRpcNode(empty->body)), nullptr);
}

TEST(NetconfUtil, ErrorsAreNumberedInTheStandardsOrder) {
    struct Case {
        int tag, type, severity;
        const char *message;
        const char *expected;
    };
    const Case cases[] = {
        {11, 3, 1, nullptr,
         "<error-type>protocol</error-type><error-tag>access-denied</error-tag>"
         "<error-severity>warning</error-severity>"},
        {19, 0, 7, nullptr,  // codes outside their lists read as the first of the list
         "<error-type>transport</error-type><error-tag>partial-operation</error-tag>"
         "<error-severity>error</error-severity>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag);
        Node error(netconfCreateError(c.tag, c.type, c.severity, c.message));
        EXPECT_EQ(xml(error.get()), std::string("<rpc-error xmlns=\"" NETCONF_BASE_NS "\">") +
                                        c.expected + "</rpc-error>");
    }
    Node reply(rpcReplyCreate(0));
    EXPECT_EQ(xml(reply.get()), "<rpc-reply xmlns=\"" NETCONF_BASE_NS "\"/>");
}

}  // namespace
