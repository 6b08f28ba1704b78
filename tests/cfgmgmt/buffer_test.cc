#include "cfgmgmt/cmBackend/src/buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Owned {
    buffer_t *b;
    explicit Owned(uint32_t size) : b(bufferAlloc(size)) {}
    ~Owned() { bufferFree(b); }
};

TEST(Buffer, CapacityIsRoundedToMultiplesOf128) {
    struct {
        uint32_t asked, capacity;
    } cases[] = {{0, 128}, {1, 128}, {128, 128}, {129, 256}, {1000, 1024}};
    for (auto c : cases) {
        Owned o(c.asked);
        ASSERT_NE(o.b, nullptr);
        EXPECT_EQ(o.b->capacity, c.capacity) << "asked " << c.asked;
        EXPECT_EQ(o.b->length, 0u);
        EXPECT_EQ(o.b->data[0], 0);
    }
}

TEST(Buffer, GrowsOnlyByWhatAWriteNeeds) {
    Owned o(0);
    std::string text(200, 'x');
    EXPECT_EQ(bufferPuts(o.b, text.c_str()), 200);
    EXPECT_EQ(o.b->capacity, 256u);
    EXPECT_EQ(std::string(o.b->data), text);
    // 55 more characters still fit (255 < 256); the 56th needs room for its terminator.
    EXPECT_EQ(bufferPuts(o.b, std::string(55, 'y').c_str()), 55);
    EXPECT_EQ(o.b->capacity, 256u);
    EXPECT_EQ(bufferPutc(o.b, 'z'), 1);
    EXPECT_EQ(o.b->capacity, 384u);
    EXPECT_EQ(o.b->length, 256u);
    EXPECT_EQ(o.b->data[256], 0);
}

TEST(Buffer, PutnStopsAtNulButReturnsCount) {
    Owned o(0);
    const char bytes[10] = {'a', 'b', 'c', 0, 'd', 'e'};
    EXPECT_EQ(bufferPutn(o.b, bytes, 10), 10);
    EXPECT_STREQ(o.b->data, "abc");
    EXPECT_EQ(o.b->length, 3u);
    EXPECT_EQ(bufferPutn(o.b, "zz", 0), 0);
    EXPECT_EQ(bufferPutn(o.b, "zz", -3), -3);
    EXPECT_STREQ(o.b->data, "abc");
}

TEST(Buffer, NullStringAppendsNothing) {
    Owned o(0);
    EXPECT_EQ(bufferPuts(o.b, nullptr), 0);
    EXPECT_EQ(o.b->length, 0u);
}

TEST(Buffer, ZeroRecordIsAValidEmptyBuffer) {
    buffer_t b{};
    EXPECT_EQ(bufferPuts(&b, "hello"), 5);
    EXPECT_EQ(b.capacity, 128u);
    EXPECT_STREQ(b.data, "hello");
    free(b.data);
}

TEST(Buffer, CopyKeepsCapacityAndText) {
    Owned o(300);
    bufferPuts(o.b, "some text");
    buffer_t *c = bufferCopy(o.b);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->capacity, 384u);
    EXPECT_STREQ(c->data, "some text");
    EXPECT_EQ(c->length, 9u);
    bufferFree(c);
    EXPECT_EQ(bufferCopy(nullptr), nullptr);
}

TEST(Buffer, ExpandRoundsCapacityPlusExtra) {
    Owned o(0);
    EXPECT_EQ(bufferExpand(o.b, 1), 0);
    EXPECT_EQ(o.b->capacity, 256u);
    EXPECT_EQ(bufferExpand(o.b, 200), 0);
    EXPECT_EQ(o.b->capacity, 512u);
}

}  // namespace
