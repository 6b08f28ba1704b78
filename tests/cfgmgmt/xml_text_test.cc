// Client values on their way into request texts: every markup character escaped, and
// control characters found (line breaks only where the caller allows them).
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(XmlText, MarkupIsEscapedAndControlCharactersFound) {
    EXPECT_EQ(cmXmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(cmXmlEscape("plain \t\xc3\xa9"), "plain \t\xc3\xa9");
    struct Case {
        std::string text;
        bool lineBreaksAllowed, control;
    } cases[] = {
        {"ab c~", false, false},    {"a\tb", false, true},
        {"a\tb\r\n", true, false},  {std::string("a\0b", 3), true, true},
        {"a\x1f", true, true},      {"a\x7f", true, true},
        {"\xc3\xa9", false, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cmTextHasControl(c.text, c.lineBreaksAllowed), c.control)
            << testing::PrintToString(c.text);
}

}  // namespace
