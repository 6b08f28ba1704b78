// TLV coding of link messages. An encoded message is a sequence of items
// { tag: u32, length: u32, value: length bytes } in host byte order (both ends of
// a link run on the same machine). Decoding looks an item up by its tag and
// checks every length against the buffer.
#pragma once
#include <cstdint>

struct tlv_t {
    uint8_t *buf;
    uint32_t size;  // bytes available
    uint32_t used;  // bytes encoded so far (encoding) or valid bytes (decoding)
};

// Encoder kinds.
enum {
    TLV_ENC_BLOCK = 103,   // const void *data, uint32_t length
    TLV_ENC_STRING = 104,  // const char *text (sent with its terminating NUL)
    TLV_ENC_BUFFER = 105,  // const void *address, uint32_t length
    TLV_ENC_U32 = 107,     // uint32_t value
    TLV_ENC_END = 108,     // no value: ends the argument list
};
// Decoder kinds.
enum {
    TLV_DEC_BLOCK = 5,    // const void **data, uint32_t *length: points into the message
    TLV_DEC_STRING = 11,  // const char **text, uint32_t *length (may be null): NUL-terminated,
                          // points into the message
    TLV_DEC_U32 = 13,     // uint32_t *value
    TLV_DEC_END = 15,     // no value: ends the argument list
};

// The end markers stand where a tag would: tags 108 and 15 cannot be used.

// The argument lists below end with an end kind written where a tag would stand, so
// the tags 15 (TLV_DEC_END) and 108 (TLV_ENC_END) cannot be used for items.

// Prepares `t` over `size` bytes at `buf` (for encoding: empty; for decoding: `size` valid bytes).
int tlvInit(tlv_t *t, void *buf, uint32_t size);

// tlvEncode(t, tag, kind, value..., [tag, kind, value...]..., TLV_ENC_END)
// Appends items; 0 on success, -1 when the buffer is too small or a kind is unknown
// (then nothing of this call is kept).
int tlvEncode(tlv_t *t, ...);

// tlvDecode(t, tag, kind, out..., [tag, kind, out...]..., TLV_DEC_END)
// Fills each output from the first item with that tag; 0 when all were found and
// well-formed, -1 otherwise (a missing tag, a wrong length, a string without its NUL).
// The `size` bytes given to tlvInit must be whole items; a message with an item that
// runs past its end is refused as a whole. A string's length is that before its NUL.
int tlvDecode(tlv_t *t, ...);

// Number of bytes encoded so far.
uint32_t tlvLength(const tlv_t *t);
