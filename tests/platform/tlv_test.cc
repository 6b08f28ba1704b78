#include "platform/tlv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Builds raw items by hand, so that malformed messages can be made.
struct Raw {
    std::vector<uint8_t> bytes;
    Raw &item(uint32_t tag, uint32_t length, const void *value, uint32_t valueBytes) {
        put(tag);
        put(length);
        auto *v = static_cast<const uint8_t *>(value);
        bytes.insert(bytes.end(), v, v + valueBytes);
        return *this;
    }
    Raw &u32(uint32_t tag, uint32_t v) { return item(tag, 4, &v, 4); }
    void put(uint32_t v) {
        auto *p = reinterpret_cast<uint8_t *>(&v);
        bytes.insert(bytes.end(), p, p + 4);
    }
};

TEST(Tlv, RoundTripOfEveryKind) {
    uint8_t buf[256];
    tlv_t enc;
    ASSERT_EQ(tlvInit(&enc, buf, sizeof buf), 0);
    const uint8_t header[5] = {1, 0, 2, 0, 3};
    const char piece[] = "abc";
    ASSERT_EQ(tlvEncode(&enc, 100u, TLV_ENC_U32, 7u, 200u, TLV_ENC_STRING, "hello", 300u,
                        TLV_ENC_BLOCK, header, 5u, 302u, TLV_ENC_BUFFER, piece, 3u, 303u,
                        TLV_ENC_STRING, "", TLV_ENC_END),
              0);
    EXPECT_EQ(tlvLength(&enc), 8u * 5 + 4 + 6 + 5 + 3 + 1);

    tlv_t dec;
    tlvInit(&dec, buf, tlvLength(&enc));
    uint32_t type = 0, nameLength = 0, headerLength = 0, pieceLength = 0;
    const char *name = nullptr, *empty = nullptr;
    const void *hdr = nullptr, *pc = nullptr;
    ASSERT_EQ(tlvDecode(&dec, 302u, TLV_DEC_BLOCK, &pc, &pieceLength, 100u, TLV_DEC_U32, &type,
                        200u, TLV_DEC_STRING, &name, &nameLength, 300u, TLV_DEC_BLOCK, &hdr,
                        &headerLength, 303u, TLV_DEC_STRING, &empty, nullptr, TLV_DEC_END),
              0);
    EXPECT_EQ(type, 7u);
    EXPECT_STREQ(name, "hello");
    EXPECT_EQ(nameLength, 5u);
    ASSERT_EQ(headerLength, 5u);
    EXPECT_EQ(memcmp(hdr, header, 5), 0);
    ASSERT_EQ(pieceLength, 3u);
    EXPECT_EQ(memcmp(pc, "abc", 3), 0);
    EXPECT_STREQ(empty, "");
}

TEST(Tlv, EncodeFailureKeepsNothingOfTheCall) {
    uint8_t buf[24];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    ASSERT_EQ(tlvEncode(&t, 100u, TLV_ENC_U32, 1u, TLV_ENC_END), 0);
    // The first item fits, the second does not: the whole call is undone.
    EXPECT_EQ(tlvEncode(&t, 101u, TLV_ENC_U32, 2u, 200u, TLV_ENC_STRING, "too long", TLV_ENC_END),
              -1);
    EXPECT_EQ(tlvLength(&t), 12u);
    EXPECT_EQ(tlvEncode(&t, 101u, 999, 2u, TLV_ENC_END), -1);         // unknown kind
    EXPECT_EQ(tlvEncode(&t, 101u, TLV_ENC_U32, 3u, TLV_ENC_END), 0);  // exactly fills the buffer
    EXPECT_EQ(tlvLength(&t), 24u);
}

struct BadCase {
    const char *what;
    Raw message;
    int kind;  // what is asked for tag 1
};

TEST(Tlv, MalformedMessagesAreRefused) {
    uint32_t huge = 0xfffffff0u;
    std::vector<BadCase> cases = {
        {"missing tag", Raw().u32(2, 5), TLV_DEC_U32},
        {"u32 of three bytes", Raw().item(1, 3, "abc", 3), TLV_DEC_U32},
        {"string without NUL", Raw().item(1, 3, "abc", 3), TLV_DEC_STRING},
        {"length past the end", Raw().item(1, 10, "abc", 3), TLV_DEC_BLOCK},
        {"huge length", Raw().item(1, huge, "abcd", 4), TLV_DEC_BLOCK},
        {"truncated header", Raw().u32(1, 1).item(2, 0, nullptr, 0), TLV_DEC_U32},
        {"unknown decoder kind", Raw().u32(1, 1), 99},
    };
    // "truncated header": the last item keeps only 5 of its 8 header bytes; the message
    // is refused as a whole even though tag 1 itself is fine.
    cases[5].message.bytes.resize(cases[5].message.bytes.size() - 3);
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> copy = c.message.bytes;  // exact size: ASan sees any over-read
        tlv_t t;
        tlvInit(&t, copy.data(), static_cast<uint32_t>(copy.size()));
        uint32_t v = 0, len = 0;
        const char *s = nullptr;
        const void *b = nullptr;
        int r;
        if (c.kind == TLV_DEC_U32)
            r = tlvDecode(&t, 1u, TLV_DEC_U32, &v, TLV_DEC_END);
        else if (c.kind == TLV_DEC_STRING)
            r = tlvDecode(&t, 1u, TLV_DEC_STRING, &s, &len, TLV_DEC_END);
        else if (c.kind == TLV_DEC_BLOCK)
            r = tlvDecode(&t, 1u, TLV_DEC_BLOCK, &b, &len, TLV_DEC_END);
        else
            r = tlvDecode(&t, 1u, c.kind, &v, TLV_DEC_END);
        EXPECT_EQ(r, -1);
    }
}

}  // namespace
