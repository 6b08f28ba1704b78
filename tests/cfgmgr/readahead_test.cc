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
    };
    for (const auto &c : cases) EXPECT_EQ(cmCanonicalGetOfText(c.text), c.canonical) << c.why;
}

}  // namespace
