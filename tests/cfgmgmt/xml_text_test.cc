// The escaping of client values for request texts.
#include <gtest/gtest.h>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"

namespace {

TEST(XmlText, EscapeAndControlCharacters) {
    EXPECT_EQ(cmXmlEscape("plain name-1.2"), "plain name-1.2");
    EXPECT_EQ(cmXmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(cmXmlEscape("&amp;"), "&amp;amp;");
    EXPECT_EQ(cmXmlEscape(std::string_view("a\0b", 3)), std::string("a\0b", 3));
    std::string out = "<x>";
    cmXmlEscapeAppend(out, "<");
    EXPECT_EQ(out, "<x>&lt;");

    struct Case {
        std::string text;
        bool control;
        bool controlOutsideLines;
    };
    const Case cases[] = {
        {"", false, false},    {"VR-Default é", false, false},
        {"a\x7f", true, true}, {"\x01", true, true},
        {"a\tb", true, false}, {"a\r\nb", true, false},
        {"\x1f", true, true},  {std::string("\0", 1), true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cmTextHasControl(c.text), c.control);
        EXPECT_EQ(cmTextHasControl(c.text, true), c.controlOutsideLines);
    }
}

}  // namespace
