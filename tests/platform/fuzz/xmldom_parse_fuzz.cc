// Parses arbitrary bytes as a document, plain and indexed, searches it and writes it back:
// what is written must parse again and write the same text.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/xmldom.h"

namespace {

std::string write(const xmlDomNode_t *doc, size_t size) {
    std::vector<char> out(size);
    int length = xmlDomBuildXmlData(doc, out.data(), out.size(), XML_DOM_WRITE_COMPACT);
    return length < 0 ? std::string() : std::string(out.data(), size_t(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<char> copy(data, data + size);  // exact size: an over-read is visible
    for (bool indexed : {false, true}) {
        xmlDomNode_t *doc = indexed ? xmlDomParseXmlDataFastSearch(copy.data(), size)
                                    : xmlDomParseXmlData(copy.data(), size);
        if (!doc) continue;
        xmlDomNode_t *root = xmlDomGetFirstChild(doc);
        xmlDomNode_t *first = nullptr;
        if (xmlDomFastSearch(doc, root->name, &first) < 1 || first != root) __builtin_trap();
        xmlDomNodeList_t *list = nullptr;
        xmlDomGrepCompleteNodeListByTagName(root, root->name, &list);
        xmlDomFreeNodeList(list);
        if (xmlDomNode_t *child = xmlDomGetFirstChild(root)) {
            xmlDomGetChilds(child, &list);
            xmlDomFreeNodeList(list);
        }

        // Escaping at most multiplies a character by six ("&quot;").
        std::string text = write(doc, size * 6 + 64);
        if (text.empty()) __builtin_trap();
        xmlDomNode_t *again = xmlDomParseXmlData(text.data(), text.size());
        if (!again || write(again, text.size() + 1) != text) __builtin_trap();
        if (text.size() > 1 && write(doc, text.size()) != "") __builtin_trap();  // too small
        xmlDomFreeNode(again);
        xmlDomFreeNode(doc);
    }
    return 0;
}
