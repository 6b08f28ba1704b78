#include "cfgmgmt/cmBackend/src/buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Owned {
    buffer_t *b;
    explicit Owned(uint32_t size) : b(bufferAlloc(size)) {}
    ~Owned() { bufferFree(b); }
};

// Storage comes in blocks of 128: what is asked, or what a write needs with its NUL.
TEST(Buffer, CapacityIsRoundedToBlocksAndGrowsOnlyByWhatAWriteNeeds) {
    for (auto [asked, capacity] : {std::pair{0u, 128u}, {128u, 128u}, {129u, 256u}}) {
        Owned o(asked);
        ASSERT_NE(o.b, nullptr);
        EXPECT_EQ(o.b->capacity, capacity) << "asked " << asked;
        EXPECT_EQ(o.b->data[0], 0);
    }
    Owned o(0);
    std::string text(200, 'x');
    EXPECT_EQ(bufferPuts(o.b, text.c_str()), 200);
    EXPECT_EQ(o.b->capacity, 256u);
    // 55 more characters still fit (255 < 256); the 56th needs room for its terminator.
    EXPECT_EQ(bufferPuts(o.b, std::string(55, 'y').c_str()), 55);
    EXPECT_EQ(o.b->capacity, 256u);
    EXPECT_EQ(bufferPutc(o.b, 'z'), 1);
    EXPECT_EQ(o.b->capacity, 384u);
    EXPECT_EQ(o.b->length, 256u);
    EXPECT_EQ(o.b->data[256], 0);
    EXPECT_EQ(std::string(o.b->data, 200), text);

    Owned e(0);
    EXPECT_EQ(bufferExpand(e.b, 1), 0);
    EXPECT_EQ(e.b->capacity, 256u);
    EXPECT_EQ(bufferExpand(e.b, 200), 0);
    EXPECT_EQ(e.b->capacity, 512u);
    buffer_t *c = bufferCopy(e.b);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->capacity, 512u);
    bufferFree(c);
    EXPECT_EQ(bufferCopy(nullptr), nullptr);
}

TEST(Buffer, PutsOfNothingNulsAndZeroRecords) {
    Owned o(0);
    const char bytes[10] = {'a', 'b', 'c', 0, 'd', 'e'};
    EXPECT_EQ(bufferPutn(o.b, bytes, 10), 10);  // stops at the NUL but counts them all
    EXPECT_STREQ(o.b->data, "abc");
    EXPECT_EQ(o.b->length, 3u);
    EXPECT_EQ(bufferPutn(o.b, "zz", 0), 0);
    EXPECT_EQ(bufferPutn(o.b, "zz", -3), -3);
    EXPECT_EQ(bufferPuts(o.b, nullptr), 0);
    EXPECT_STREQ(o.b->data, "abc");
    EXPECT_EQ(o.b->length, 3u);

    buffer_t b{};  // a zeroed record is a valid empty buffer
    EXPECT_EQ(bufferPuts(&b, "hello"), 5);
    EXPECT_EQ(b.capacity, 128u);
    EXPECT_STREQ(b.data, "hello");
    free(b.data);
}

}  // namespace
