#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/cfgmgmt_print/print_helpers.h"

namespace {

struct IntCase {
    const char *format;
    int value;
    const char *text;
    int count;
};

TEST(BufferPutf, IntegerConversionsAndFlags) {
    const IntCase cases[] = {
        {"%d", 42, "42", 2},
        {"%5d", 42, "   42", 5},
        {"%-4d|", 7, "7   |", 5},
        {"%04d", -7, "-007", 4},
        {"%.0d", 0, "", 0},
        {"%08.3d", 7, "     007", 8},  // "0" is ignored with a precision
        {"%d", INT_MIN, "-2147483648", 11},
        {"%u", -1, "4294967295", 10},
        {"%#o", 8, "010", 3},
        {"%x", 255, "ff", 2},
        {"%#x", 255, "0xff", 4},
        {"%#08x", 255, "0x0000ff", 8},
        {"%b", 7, "1", 1},
        {"%#b", 0, "False", 5},
        {"%#b", 3, "True", 4},
        {"%c", 0, "", 1},  // a NUL character appends nothing but counts
    };
    for (const IntCase &c : cases) {
        auto [text, n] = putf(c.format, c.value);
        EXPECT_EQ(text, c.text) << c.format << " " << c.value;
        EXPECT_EQ(n, c.count) << c.format << " " << c.value;
    }
}

TEST(BufferPutf, PaddingLongerThanOnePieceIsComplete) {
    // Padding is written 16 characters at a time; widths across piece boundaries.
    for (int width : {16, 17, 33}) {
        std::string w = std::to_string(width);
        auto [blanks, n1] = putf(("%" + w + "d").c_str(), 7);
        EXPECT_EQ(blanks, std::string(width - 1, ' ') + "7");
        EXPECT_EQ(n1, width);
        auto [zeros, n2] = putf(("%0" + w + "d").c_str(), -7);
        EXPECT_EQ(zeros, "-" + std::string(width - 2, '0') + "7");
        EXPECT_EQ(n2, width);
    }
}

TEST(BufferPutf, SixtyFourBitAndLongForms) {
    EXPECT_EQ(putf("%lld", (long long)INT64_MIN).first, "-9223372036854775808");
    EXPECT_EQ(putf("%llu", (unsigned long long)UINT64_MAX).first, "18446744073709551615");
    EXPECT_EQ(putf("%D", -5L).first, "-5");
    EXPECT_EQ(putf("%U", 4000000000UL).first, "4000000000");
    EXPECT_EQ(putf("%lu", 0x1FFFFFFFFUL).first, "4294967295");  // "l" is 32 bits
}

TEST(BufferPutf, StarStringPointerAddressAndFloatArguments) {
    // "*" takes the width and precision from the arguments.
    EXPECT_EQ(putf("%*d", 5, 42), std::make_pair(std::string("   42"), 5));
    EXPECT_EQ(putf("%*d|", -5, 42).first, "42   |");
    EXPECT_EQ(putf("%.*d", 4, 42).first, "0042");
    EXPECT_EQ(putf("%.s", "abc").first, "");
    EXPECT_EQ(putf("%s", "abc"), std::make_pair(std::string("abc"), 3));
    EXPECT_EQ(putf("%.2s", "abc").first, "ab");
    EXPECT_EQ(putf("%s", (const char *)nullptr).first, "(null)");
    EXPECT_EQ(putf("%p", (void *)nullptr), std::make_pair(std::string("0x0"), 3));
    EXPECT_EQ(putf("a %s b", "x"), std::make_pair(std::string("a x b"), 5));
    EXPECT_EQ(putf(""), std::make_pair(std::string(), 0));
    uint8_t bytes[4] = {10, 0, 0, 1};
    uint32_t address;
    memcpy(&address, bytes, 4);
    EXPECT_EQ(putf("%I/%d", address, 24), std::make_pair(std::string("10.0.0.1/24"), 11));
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc};
    EXPECT_EQ(putf("%m", mac), std::make_pair(std::string("00:11:22:aa:bb:cc"), 17));
    EXPECT_EQ(putf("%#m", mac).first, "00:11:22:AA:BB:CC");
    EXPECT_EQ(putf("%m", (const uint8_t *)nullptr).first, "(null)");
    // Floats go through the C library.
    EXPECT_EQ(putf("%.2f", 3.14159), std::make_pair(std::string("3.14"), 4));
    EXPECT_EQ(putf("%f", 1e300).first.size(), 127u);  // cut to the 128-byte area
}

TEST(BufferPutf, PercentUnknownLettersAndTruncatedDirectives) {
    struct {
        const char *format, *text;
        int count;
    } cases[] = {
        {"%%", "%", 1}, {"%5%", "    %", 5}, {"%05%", "0000%", 5}, {"%-3q|", "q  |", 4},
        {"%q", "q", 1}, {"ab%", "ab", 2},    {"ab%-5", "ab", 2},   {"100%%", "100%", 4},
    };
    for (const auto &c : cases) {
        auto [text, n] = putf(c.format);
        EXPECT_EQ(text, c.text) << c.format;
        EXPECT_EQ(n, c.count) << c.format;
    }
}

TEST(BufferPutf, AppendsAfterExistingTextAndCountsOnlyItsOwn) {
    buffer_t b = {};
    bufferPuts(&b, "head:");
    EXPECT_EQ(bufferPutf(&b, "%d-%s", 12, "x"), 4);
    EXPECT_STREQ(b.data, "head:12-x");
    EXPECT_EQ(b.length, 9u);
    free(b.data);
}

TEST(BufferPutf, ListConversionsAreNotCounted) {
    timeslotlist_t slots = 0xE2000000;  // 1, 2, 3, 7
    EXPECT_EQ(putf("x%ty", &slots), std::make_pair(std::string("x1-3, 7y"), 2));
    timeslotlist_t all = 0xFFFFFFFF;
    EXPECT_EQ(putf("%10t", &all).first, "1-32");  // flags and width are ignored

    bitarray_t *ba = bitarray_alloc(10);
    for (uint32_t bit : {1, 2, 3, 5, 9}) bitarray_set_bit(ba, bit);
    EXPECT_EQ(putf("%K", ba), std::make_pair(std::string("10:1-3,5,9"), 0));
    bitarray_free(ba);
}

}  // namespace
