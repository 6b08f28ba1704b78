// The XML tree library: parsing as written, raw and escaped text, node-list caps, bounded writing
// and ownership (leaks and double frees show under ASan).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/xmldom.h"
#include "platform/xmldom_hash.h"

namespace {

struct DocFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Doc = std::unique_ptr<xmlDomNode_t, DocFree>;

Doc parse(const std::string &text) {
    return Doc(xmlDomParseXmlData(text.data(), text.size()));
}

std::string build(const xmlDomNode_t *n, size_t size = 4096) {
    std::string out(size, '\x7f');
    int length = xmlDomBuildXmlData(n, out.data(), size, XML_DOM_WRITE_COMPACT);
    return length < 0 ? "<failed>" : out.substr(0, size_t(length));
}

TEST(XmlDom, ParsesNamesAttributesAndTextAsWritten) {
    Doc doc = parse(
        "<S:Envelope xmlns:S='urn:s' a='1&amp;2'>\n  <S:Body>\n    <v>x &lt; y</v>\n"
        "    <e/>\n  </S:Body>\n</S:Envelope>");
    ASSERT_TRUE(doc);
    xmlDomNode_t *env = xmlDomGetFirstChild(doc.get());
    EXPECT_STREQ(env->name, "S:Envelope");
    EXPECT_STREQ(xmlDomGetAttributeValue(env, "xmlns:S"), "urn:s");
    EXPECT_STREQ(xmlDomGetAttributeValue(env, "a"), "1&2");
    xmlDomNode_t *body = xmlDomFindNode("S:Body", 0, doc.get());
    EXPECT_STREQ(xmlDomGetData(body), "");  // indentation is not data
    EXPECT_STREQ(xmlDomGetCharacterData(body, "v", 0), "x < y");
    EXPECT_STREQ(xmlDomGetCharacterData(body, "e", 0), "");
    EXPECT_EQ(xmlDomFindNode("Body", 0, doc.get()), nullptr);  // the prefix is part of it
    EXPECT_EQ(build(doc.get()),
              "<S:Envelope xmlns:S=\"urn:s\" a=\"1&amp;2\"><S:Body><v>x &lt; y</v><e/></S:Body>"
              "</S:Envelope>");
}

TEST(XmlDom, RefusesBadTexts) {
    std::string deep;
    for (int i = 0; i <= XML_DOM_MAX_DEPTH; i++) deep += "<a>";
    for (const std::string &text :
         {std::string("<a><b></a>"), std::string("<a/><b/>"),
          std::string("<!DOCTYPE a [<!ENTITY x 'y'>]><a>&x;</a>"), deep}) {
        SCOPED_TRACE(text.substr(0, 40));
        EXPECT_FALSE(parse(text));
    }
}

TEST(XmlDom, RawDataIsWrittenAsMarkupAndValuesEscaped) {
    Doc root(xmlDomCreateElement("r"));
    xmlDomNode_t *value = xmlDomCreateCharacterNode("v", "a<b>&\"c\"\r");
    xmlDomNode_t *raw = xmlDomCreateElement("raw");
    ASSERT_EQ(xmlDomSetData(raw, "<x>1</x>"), 0);
    ASSERT_EQ(xmlDomAppendData(raw, "<&>"), 0);  // a value joining markup is escaped
    ASSERT_EQ(xmlDomAppendChild(root.get(), value), 0);
    ASSERT_EQ(xmlDomAppendChild(root.get(), raw), 0);
    ASSERT_EQ(xmlDomSetAttribute(root.get(), "q", "\"'<\n"), 0);
    EXPECT_EQ(build(root.get()),
              "<r q=\"&quot;'&lt;&#10;\"><v>a&lt;b&gt;&amp;\"c\"&#13;</v>"
              "<raw><x>1</x>&lt;&amp;&gt;</raw></r>");
    // What was escaped reads back as the value.
    Doc again = parse(build(root.get()));
    xmlDomNode_t *r = xmlDomGetFirstChild(again.get());
    EXPECT_STREQ(xmlDomGetCharacterData(r, "v", 0), "a<b>&\"c\"\r");
    EXPECT_STREQ(xmlDomGetAttributeValue(r, "q"), "\"'<\n");
}

TEST(XmlDom, WritesIntoBoundedBuffersOnly) {
    Doc doc = parse("<a><b>text</b><c x='1'/></a>");
    const std::string whole = "<a><b>text</b><c x=\"1\"/></a>";
    EXPECT_EQ(build(doc.get(), whole.size() + 1), whole);
    for (size_t size : {whole.size(), size_t(5), size_t(1)}) {
        std::string out(size + 8, '\x7f');
        EXPECT_EQ(xmlDomBuildXmlData(doc.get(), out.data(), size, XML_DOM_WRITE_COMPACT), -1);
        EXPECT_EQ(out[0], 0);
        EXPECT_EQ(out[size], '\x7f');  // nothing written past the given size
    }
    char content[64];
    ASSERT_GT(xmlDomGetNodeContent(xmlDomGetFirstChild(doc.get()), content, sizeof content), 0);
    EXPECT_STREQ(content, "<b>text</b><c x=\"1\"/>");
    EXPECT_EQ(xmlDomGetNodeContent(xmlDomGetFirstChild(doc.get()), content, 10), -1);
}

TEST(XmlDom, BuildRejectsBadNamesAndCycles) {
    for (const char *bad : {"", "1a", "a<b"}) EXPECT_EQ(xmlDomCreateElement(bad), nullptr) << bad;
    Doc a(xmlDomCreateElement("a"));
    xmlDomNode_t *b = xmlDomCreateElement("b");
    ASSERT_EQ(xmlDomAppendChild(a.get(), b), 0);
    EXPECT_EQ(xmlDomAppendChild(b, a.get()), -1);  // a under its own child
    EXPECT_EQ(xmlDomAppendChild(a.get(), b), -1);  // b is in a tree already
    EXPECT_EQ(xmlDomSetAttribute(b, "x=", "v"), -1);
    xmlDomFreeNode(b);  // refused: b belongs to a
    EXPECT_EQ(xmlDomGetFirstChild(a.get()), b);
}

TEST(XmlDom, DeepBuiltTreesAreWrittenAndFreedWithoutRecursion) {
    const int depth = 200000;  // far beyond what recursion on the stack would survive
    Doc root(xmlDomCreateElement("n"));
    for (int i = 1; i < depth; i++) {
        Doc above(xmlDomCreateElement("n"));
        ASSERT_EQ(xmlDomAppendChild(above.get(), root.release()), 0);
        root = std::move(above);
    }
    std::string out(size_t(depth) * 7, 0);
    ASSERT_EQ(xmlDomBuildXmlData(root.get(), out.data(), out.size(), XML_DOM_WRITE_COMPACT),
              (depth - 1) * 7 + 4);  // "<n>" and "</n>" around the innermost "<n/>"
}

TEST(XmlDom, ListsAreCappedAndOccurrencesFollowTheNode) {
    std::string many = "<r><x/>";
    for (int i = 0; i < XML_DOM_LIST_MAX + 5; i++) many += "<i><i/></i>";
    many += "</r>";
    Doc doc = parse(many);
    xmlDomNode_t *r = xmlDomGetFirstChild(doc.get());
    xmlDomNodeList_t *list = nullptr;
    EXPECT_EQ(xmlDomGetCompleteNodeListByTagName(r, "i", &list), XML_DOM_LIST_MAX);
    xmlDomFreeNodeList(list);
    EXPECT_EQ(xmlDomGetAllNodes(r, "r", &list), 1);  // the node itself counts here
    xmlDomFreeNodeList(list);

    Doc rep = parse("<o><a>1</a><b/><a>2</a><c><a>3</a></c></o>");
    xmlDomNode_t *first = xmlDomFindNode("a", 0, rep.get());
    ASSERT_EQ(xmlDomGetChilds(first, &list), 2);  // not the one inside c
    EXPECT_STREQ(xmlDomGetData(list->nodes[1]), "2");
    EXPECT_EQ(xmlDomFindInNodeList("a", 0, list), list->nodes[0]);
    xmlDomFreeNodeList(list);
}

// One key holds at most its cap of values; handed-over values go with the hash.
TEST(XmlHash, KeepsValuesPerKeyUpToTheCap) {
    xmlHash_t *h = xmlHashCreate();
    for (int i = 0; i < XML_HASH_MAX_VALUES; i++)
        ASSERT_EQ(xmlHashInsertElement("k", xmlStrdup("v"), h), 0);
    int refused = 0;
    EXPECT_EQ(xmlHashInsertElement("k", &refused, h), -1);
    int count = 0;
    xmlHashFindElementList("k", h, &count);
    EXPECT_EQ(count, XML_HASH_MAX_VALUES);
    xmlHashFree(h, xmlFree);
}

}  // namespace
