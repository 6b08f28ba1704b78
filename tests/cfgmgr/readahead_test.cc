// The canonical get-next text: two requests share one only when cfgmgr would read them
// the same way, since an answer read ahead for one is handed over for the other.
#include <gtest/gtest.h>

#include <string>

#include "cmclient/cm_readahead.h"

namespace {

const std::string kVlanAfterA1 =
    "<module_vlan><get><vlan><name>a1</name><vrName>VR-Default</vrName></vlan></get></module_vlan>";

TEST(ReadAheadText, SameMeaningSameTextOtherwiseNone) {
    struct {
        const char *why;
        const char *text;
        std::string canonical;
    } cases[] = {
        {"fields in name order",
         "<module_vlan><get><vlan><vrName>VR-Default</vrName><name>a1</name></vlan></get>"
         "</module_vlan>",
         kVlanAfterA1},
        {"an empty element gives nothing",
         "<module_vlan><get><vlan><vrName>VR-Default</vrName><tag/><name>a1</name></vlan></get>"
         "</module_vlan>",
         kVlanAfterA1},
        {"the last value of a field given twice",
         "<module_vlan><get><vlan><name>zz</name><vrName>VR-Default</vrName><name>a1</name>"
         "</vlan></get></module_vlan>",
         kVlanAfterA1},
        {"escaped values stay escaped",
         "<module_vlan><get><vlan><name>a&amp;b&lt;</name></vlan></get></module_vlan>",
         "<module_vlan><get><vlan><name>a&amp;b&lt;</name></vlan></get></module_vlan>"},
        {"a set", "<module_vlan><set><vlan><name>a1</name></vlan></set></module_vlan>", ""},
        {"two objects", "<module_vlan><get><vlan/><vlan/></get></module_vlan>", ""},
        {"an attribute", "<module_vlan><get><vlan><name x='1'>a1</name></vlan></get></module_vlan>",
         ""},
        {"text beside the fields",
         "<module_vlan><get><vlan>x<name>a1</name></vlan></get></module_vlan>", ""},
        {"not well formed", "<module_vlan><get><vlan>", ""},
        {"a field closed by another name",
         "<module_vlan><get><vlan><name>a1</nam></vlan></get></module_vlan>", ""},
        {"text after the request",
         "<module_vlan><get><vlan><name>a1</name></vlan></get></module_vlan>x", ""},
        {"a control character",
         "<module_vlan><get><vlan><name>a\x01</name></vlan></get></module_vlan>", ""},
        {"a section end in a value",
         "<module_vlan><get><vlan><name>a]]></name></vlan></get></module_vlan>", ""},
        {"an unknown entity",
         "<module_vlan><get><vlan><name>&bogus;</name></vlan></get></module_vlan>", ""},
        {"blanks, a character reference and a text section read as their values",
         "<module_vlan> <get><vlan>\n<vrName><![CDATA[VR-Default]]></vrName><name>&#97;1</name>"
         "</vlan ></get></module_vlan>\n",
         kVlanAfterA1},
        {"a field left empty after a value",
         "<module_vlan><get><vlan><tag>5</tag><name>a1</name><vrName>VR-Default</vrName><tag/>"
         "</vlan></get></module_vlan>",
         kVlanAfterA1},
    };
    for (const auto &c : cases) EXPECT_EQ(cmCanonicalGetOfText(c.text), c.canonical) << c.why;
}

}  // namespace
