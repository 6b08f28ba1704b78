// Passwords in the request trace: masked wherever the pieces of the text are cut.
#include "daemon/trace_mask.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    std::string text, masked;
};

const Case kCases[] = {
    {"<password>s3cret</password>", "<password>***</password>"},
    {"<a><com:password xml:lang=\"en\">s3cret</com:password></a>",
     "<a><com:password xml:lang=\"en\">***</com:password></a>"},
    {"<password >s<b>3</b>c</password >", "<password >***</password >"},
    {"<password><![CDATA[x</password>y]]></password>z", "<password>***</password>z"},
    {"<password a='>'>s</password>", "<password a='>'>***</password>"},
    {"<password/><password />x", "<password/><password />x"},
    {"<passwords>kept</passwords><mypassword>kept</mypassword>",
     "<passwords>kept</passwords><mypassword>kept</mypassword>"},
    {"a<b<password>s</password>", "a<b<password>***</password>"},
    {"<u>admin</u><password>p1</password><x>1 &lt; 2</x><password>p2</password>",
     "<u>admin</u><password>***</password><x>1 &lt; 2</x><password>***</password>"},
    {"[BEGIN:3-><password>s", "[BEGIN:3-><password>***"},
};

// However the text is cut into pieces (or not at all), the passwords come out masked.
TEST(TraceMask, EveryCutGivesTheSameText) {
    for (const Case &c : kCases) {
        for (size_t a = 0; a <= c.text.size(); a++) {
            for (size_t b = a; b <= c.text.size(); b++) {
                wsvdTraceMask m;
                std::string out = m.feed(c.text.substr(0, a));
                out += m.feed(c.text.substr(a, b - a));
                out += m.feed(c.text.substr(b));
                ASSERT_EQ(out, c.masked) << c.text << " cut at " << a << " and " << b;
            }
        }
    }
}

TEST(TraceMask, ResetStartsAfresh) {
    wsvdTraceMask m;
    EXPECT_EQ(m.feed("<password>never closed"), "<password>***");
    m.reset();
    EXPECT_EQ(m.feed("<name>next request</name>"), "<name>next request</name>");
}

}  // namespace
