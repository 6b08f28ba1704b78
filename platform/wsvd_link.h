// The request link between wsvd and its peers (the web server "thttpd", the CLI "cli"
// and the local client "wsvc"): message types, TLV tags and the 196-byte request
// header. Both ends include this header.
//
// Every message is a TLV sequence (platform/tlv.h) that starts with tag 100, the type.
#pragma once
#include <cstddef>
#include <cstdint>

struct wsvdRequest;

enum wsvdMsgType : uint32_t {
    WSVD_MSG_HELLO = 1,          // peer -> wsvd: 200 name
    WSVD_MSG_HELLO_ACK = 2,      // wsvd -> peer
    WSVD_MSG_REQUEST = 3,        // peer -> wsvd: 300 header, 301 text (a whole request)
    WSVD_MSG_REQUEST_FIRST = 4,  // first fragment
    WSVD_MSG_REQUEST_MORE = 5,   // middle fragment
    WSVD_MSG_REQUEST_LAST = 6,   // last fragment
    WSVD_MSG_REPLY = 7,          // wsvd -> peer: 300 record, 302 piece (a whole reply)
    WSVD_MSG_REPLY_FIRST = 8,
    WSVD_MSG_REPLY_MORE = 9,
    WSVD_MSG_REPLY_LAST = 10,
    WSVD_MSG_CLI_REQUEST = 11,  // wsvd -> CLI peer: 303 text, 304 sequence number
    WSVD_MSG_CLI_ANSWER = 12,   // CLI peer -> wsvd: 304 sequence number, 305 status, 306 text
};

enum wsvdMsgTag : uint32_t {
    WSVD_TAG_TYPE = 100,
    WSVD_TAG_NAME = 200,
    WSVD_TAG_HEADER = 300,
    WSVD_TAG_TEXT = 301,
    WSVD_TAG_PIECE = 302,
    WSVD_TAG_CLI_TEXT = 303,
    WSVD_TAG_SEQNUM = 304,
    WSVD_TAG_STATUS = 305,
    WSVD_TAG_CLI_REPLY = 306,
};

// The request header as it travels (tag 300): 196 bytes, the same on every host.
// Byte offsets of the fields; pointer fields travel as zeros.
enum wsvdHeaderOffset : uint32_t {
    WSVD_HDR_SEQNUM = 0,
    WSVD_HDR_REPLY_STATUS = 16,
    WSVD_HDR_PEER_REQUEST_ID = 20,
    WSVD_HDR_WORD = 24,
    WSVD_HDR_USER = 28,      // char[33]
    WSVD_HDR_PASSWORD = 61,  // char[33]
    WSVD_HDR_ADDRESS = 96,   // 16 bytes
    WSVD_HDR_TEXT = 112,     // char[32]
    WSVD_HDR_PEER_ID = 148,
    WSVD_HDR_REPLY_OFFSET = 176,
    WSVD_HDR_CLIENT_KIND = 188,
    WSVD_HDR_CONNECTION_KIND = 192,
    WSVD_HDR_SIZE = 196,
};

// Client kinds of a request (who sent it), which the daemon sets from the peer's name:
// the web server "thttpd", or a local peer ("cli", "wsvc").
enum { WSVD_CLIENT_WEB = 1, WSVD_CLIENT_LOCAL = 2 };

// Connection kinds a peer puts in its header.
enum { WSVD_CONN_HTTP = 1, WSVD_CONN_HTTPS = 2 };

// Writes the record's wire fields into out[WSVD_HDR_SIZE].
void wsvdHeaderPack(const wsvdRequest *r, uint8_t *out);
// Reads a wire header into the record's wire fields (text fields cut to 32 characters and
// terminated; pointers untouched). The caller has checked that 196 bytes are there.
void wsvdHeaderUnpack(const uint8_t *in, wsvdRequest *r);

// The largest request text the daemon accepts (all fragments together). A request that
// grows past it is dropped and answered with an error reply.
enum { WSVD_MAX_REQUEST_BYTES = 4 * 1024 * 1024 };
