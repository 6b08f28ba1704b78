#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/dmcard.h"
#include "platform/portlist.h"
#include "tests/cfgmgmt_print/print_helpers.h"

namespace {

const char kSingle[] =
    "slots 1\n"
    "slot 1 ports 24 family1 1-4\n"
    "mgmt 1\n"
    "self 1\n";

// Slot 4 is not operational, slot 5 disabled, slot 6 forced usable, slot 7 empty.
const char kMulti[] =
    "# test stack\n"
    "slots 7\n"
    "slot 1 ports 48 family1 1-4,9\n"
    "slot 2 ports 48\n"
    "slot 3 ports 24\n"
    "slot 4 ports 24 state 100\n"
    "slot 5 ports 24 flags 10000\n"
    "slot 6 ports 24 state 5 flags 20000\n"
    "mgmt 1\n"
    "self 1\n";

class Ports : public testing::Test {
protected:
    void TearDown() override { dmLoadSwitchDescription(nullptr); }
    static void load(const char *text) { ASSERT_EQ(dmLoadSwitchDescriptionText(text), 0); }
    static std::string listText(portlist_t list, int family = 0) {
        return printed([&](buffer_t *b) { PORTLIST_TO_STRING_BY_TYPE(&list, b, family); });
    }
};

TEST_F(Ports, OnePortOnAMultiSlotSwitch) {
    load(kMulti);
    struct {
        uint32_t id;
        const char *text;
    } cases[] = {
        {plPortId(1, 5), "1:5"},           {plPortId(2, 48), "2:48"},
        {plPortId(3, 25), "invalid port"}, {plPortId(3, 0), "invalid port"},
        {plPortId(8, 1), "invalid slot"},  {plPortId(4, 1), "invalid slot"},
        {plPortId(5, 1), "invalid slot"},  {plPortId(6, 1), "6:1"},
        {plPortId(7, 1), "invalid slot"},  {PL_MGMT_PORT, "mgmt"},
    };
    for (const auto &c : cases) {
        auto [text, n] = putf("%M", c.id);
        EXPECT_EQ(text, c.text) << std::hex << c.id;
        EXPECT_EQ(n, (int)strlen(c.text));
    }
    EXPECT_EQ(putf("%8M|", plPortId(1, 5)).first, "     1:5|");
}

TEST_F(Ports, ListsPrintAsRunsPerSlot) {
    load(kMulti);
    portlist_t list;
    plClearAll(&list);
    for (int p = 20; p <= 24; p++) plSetPort(&list, 3, p);  // run up to the last port
    plSetPort(&list, 3, 30);                                // beyond the card
    plSetPort(&list, 4, 1);                                 // slot not usable
    plSetPort(&list, 6, 2);
    EXPECT_EQ(listText(list), "3:20-24,6:2");

    plClearAll(&list);
    EXPECT_EQ(putf("%P", &list), std::make_pair(std::string(), 0));
}

TEST_F(Ports, ManagementPortAndReservedBits) {
    load(kMulti);
    portlist_t list;
    plClearAll(&list);
    list.words[0] = 0x7FFFFFFF;  // reserved bits only
    EXPECT_EQ(listText(list), "");
    plSetMgmt(&list);
    EXPECT_EQ(listText(list), "mgmt");
    plSetPort(&list, 2, 7);
    EXPECT_EQ(listText(list), "mgmt,2:7");
    buffer_t b = {};
    PORTLIST_TO_STRING(&list, &b);
    EXPECT_EQ(list.words[0], PL_MGMT_BIT);  // reserved bits cleared by printing
    free(b.data);

    // No management port on the slot this process runs on: the bit prints nothing.
    load("slots 2\nslot 1 ports 8\nslot 2 ports 8\nmgmt 2\nself 1\n");
    EXPECT_EQ(listText(list), "2:7");
}

TEST_F(Ports, FamiliesSelectPorts) {
    load(kMulti);
    portlist_t list;
    plClearAll(&list);
    for (int p = 1; p <= 10; p++) plSetPort(&list, 1, p);
    EXPECT_EQ(listText(list, 0), "1:1-10");
    EXPECT_EQ(listText(list, 1), "1:1-4,1:9");
    EXPECT_EQ(putf("%T", &list).first, "1:1-4,1:9");
    EXPECT_EQ(PORTLIST_ISCLR_ALL_BY_TYPE(&list, 1), 0);
    plClearAll(&list);
    plSetPort(&list, 2, 5);
    plSetMgmt(&list);
    EXPECT_EQ(PORTLIST_ISCLR_ALL_BY_TYPE(&list, 1), 1);
}

struct ParseCase {
    const char *text;
    int ok;
    const char *printed;
};

TEST_F(Ports, TextToListRoundTripsOnAMultiSlotSwitch) {
    load(kMulti);
    const ParseCase cases[] = {
        {"1:1-3,1:5,2:4", 1, "1:1-3,1:5,2:4"},
        {"mgmt,1:1", 1, "mgmt,1:1"},
        {"3:*", 1, "3:1-24"},
        {" 1:1 , 1:2 ", 1, "1:1-2"},
        {"2:5,1:7", 1, "1:7,2:5"},
        {"", 1, ""},
        {"1:0", 0, nullptr},
        {"1:49", 0, nullptr},
        {"8:1", 0, nullptr},
        {"4:1", 0, nullptr},
        {"1:3-2", 0, nullptr},
        {"1:1,", 0, nullptr},
        {"1:99999999", 0, nullptr},
    };
    for (const ParseCase &c : cases) {
        portlist_t list;
        EXPECT_EQ(STRING_TO_PORTLIST(&list, c.text, 0), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(listText(list), c.printed) << c.text;
        }
    }
    portlist_t list;
    ASSERT_EQ(STRING_TO_PORTLIST(&list, "1:1-12", 1), 1);  // ports of family 1 only
    EXPECT_EQ(listText(list), "1:1-4,1:9");
}

// Without slot numbers in text; the slot part of a single port is not looked at.
TEST_F(Ports, SingleSlotSwitchHasNoSlotNumbers) {
    load(kSingle);
    EXPECT_EQ(putf("%M", plPortId(1, 5)).first, "5");
    EXPECT_EQ(putf("%M", plPortId(9, 5)).first, "5");

    portlist_t list;
    plClearAll(&list);
    for (int p : {1, 2, 3, 5, 24}) plSetPort(&list, 1, p);
    EXPECT_EQ(listText(list), "1-3,5,24");
    EXPECT_EQ(listText(list, 1), "1-3");

    const ParseCase cases[] = {
        {"1-3,5", 1, "1-3,5"}, {"24", 1, "24"},     {"mgmt,2", 1, "mgmt,2"},
        {"25", 0, nullptr},    {"1:1", 0, nullptr}, {"0", 0, nullptr},
    };
    for (const ParseCase &c : cases) {
        EXPECT_EQ(STRING_TO_PORTLIST(&list, c.text, 0), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(listText(list), c.printed) << c.text;
        }
    }
}

TEST_F(Ports, TextToOnePort) {
    load(kMulti);
    struct {
        const char *text;
        int family, ok;
        uint32_t id;
    } cases[] = {
        {"1:5", 0, 1, plPortId(1, 5)},
        {"mgmt", 0, 1, PL_MGMT_PORT},
        {"2:49", 0, 0, 0},
        {"1:5", 1, 0, 0},
        {"1:3", 1, 1, plPortId(1, 3)},
        {"5", 0, 0, 0},
        {"1:5x", 0, 0, 0},
    };
    for (const auto &c : cases) {
        uint32_t id = 0;
        EXPECT_EQ(STRING_TO_PORTMASK(&id, c.text, c.family), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(id, c.id) << c.text;
        }
    }
}

// Bad lines are skipped, the good ones kept; a missing file changes nothing.
TEST_F(Ports, BadDescriptionLinesAndFiles) {
    load("slots 2\nslot 99 ports 4\nbogus\nslot 2 ports 8 colour red\nslot 1 ports 12\n");
    EXPECT_EQ(dmGetCardPorts(1), 12);
    EXPECT_EQ(dmCardPresent(2), 0);
    EXPECT_EQ(dmLoadSwitchDescription("/nonexistent/switch"), -1);
    EXPECT_EQ(dmGetCardPorts(1), 12);
}

}  // namespace
