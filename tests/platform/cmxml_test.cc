#include "platform/cmxml.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/cmxml_events.h"

namespace {

using cmxmltest::parserCalls;
using cmxmltest::plainCalls;

// What the plain reader accepts it reads as the parser does; anything else it leaves
// to the parser without a call.
TEST(PlainContent, ReadsWhatTheParserReadsAndLeavesItTheRest) {
    std::string deep;  // deeper than any reply
    for (int i = 0; i < 33; i++) deep = "<a>" + deep + "</a>";
    std::string longer;  // than a text whose handler calls are noted
    for (int i = 0; i < 5000; i++) longer += "<a>x &amp; y<b/></a><![CDATA[z]]>";
    const struct {
        std::string text;
        bool plain;
    } kCases[] = {
        {"", true},
        {"<vlan><name><![CDATA[v 1]]></name><tag>10</tag></vlan>", true},
        {"\n  <a/><b>x &amp; &lt;y&gt; &quot;&apos;</b>\t", true},
        {"<a><![CDATA[<&>]]><![CDATA[]]]]><![CDATA[>]]></a>", true},
        {"<x.y-z_1><_q></_q></x.y-z_1>", true},
        {"a > b", true},
        {"<a x=\"1\"/>", false},
        {"<a >b</a>", false},
        {"<p:a></p:a>", false},
        {"<a></b>", false},
        {"<a><b></a></b>", false},
        {"<a>", false},
        {"</a>", false},
        {"&#65;", false},
        {"&nbsp;", false},
        {"&amp", false},
        {"a]]>b", false},
        {"a\r\nb", false},
        {"caf\xc3\xa9", false},
        {std::string("a\0b", 3), false},
        {"<![CDATA[x\ry]]>", false},
        {"<![CDATA[x", false},
        {"<!-- c --><a/>", false},
        {"<?pi x?>", false},
        {deep, false},
        {longer, true},
        {longer + "<p:a/>", false},
        {longer.substr(0, longer.size() - 4), false},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.text);
        std::string plain = plainCalls(c.text);
        if (c.plain)
            EXPECT_EQ(plain, parserCalls(c.text));
        else
            EXPECT_EQ(plain, "refused");
    }
}

// A handler may itself read plain content: the outer text's calls go on undisturbed.
TEST(PlainContent, HandlerMayReadPlainContentOfItsOwn) {
    struct Calls {
        std::string outer, inner;
    } calls;
    auto start = [](void *user, const char *name, const char **) {
        auto *c = static_cast<Calls *>(user);
        c->outer += std::string("<") + name + ">";
        std::string text = "<n" + std::string(name) + ">y</n" + name + "><m/>";
        cmXML_ParsePlainContent(text.data(), text.size(), cmxmltest::onStart, cmxmltest::onEnd,
                                cmxmltest::onText, &c->inner);
    };
    auto end = [](void *user, const char *name) {
        static_cast<Calls *>(user)->outer += std::string("</") + name + ">";
    };
    const std::string text = "<a>x</a><b/><c><d/></c>";
    ASSERT_TRUE(cmXML_ParsePlainContent(text.data(), text.size(), start, end, nullptr, &calls));
    EXPECT_EQ(calls.outer, "<a></a><b></b><c><d></d></c>");
    EXPECT_EQ(calls.inner,
              "<na>|y|</na><m></m><nb>|y|</nb><m></m><nc>|y|</nc><m></m><nd>|y|</nd><m></m>");
}

}  // namespace
