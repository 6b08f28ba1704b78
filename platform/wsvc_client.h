// The peer's side of wsvd's request link: connect and say hello, send a request (whole
// or in fragments), read the reply messages back, and, for the CLI peer, answer the
// daemon's CLI requests. Used by wsvc, tests, the CLI process and the web front end.
//
// One connection is used by one thread at a time. Every call that waits is bounded by
// the timeout it is given; every message read is checked before it is believed. On
// failure a call returns -1 (or nullptr) and wsvcError() tells why in one line.
// Writing to a daemon that has gone raises SIGPIPE: programs using this library should
// ignore SIGPIPE (wsvc and the test harness do).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/wsvdreq.h"

struct wsvcConn_t;

enum {
    // Bytes a request message carries besides its text: the type item, the 196-byte
    // header item, the text item's own tag and length, and the text's NUL.
    WSVC_MSG_OVERHEAD = 12 + 8 + 196 + 8 + 1,
    // Default fragment size: each request message then fits in one packet.
    WSVC_DEFAULT_FRAGMENT = WSVD_PACKET_SIZE - WSVC_MSG_OVERHEAD,
    WSVC_DEFAULT_TIMEOUT_MS = 10000,
};

// Connects as `peerName` ("wsvc", "cli", "thttpd"...) to the link `linkNumber`, or, when
// it is negative, to the link that the directory service knows as "wsvd"; sends the
// hello and waits for its acknowledgement. The whole call takes at most timeoutMs.
// nullptr on failure, with the reason in *error ("cannot reach wsvd: ...").
wsvcConn_t *wsvcConnect(const char *peerName, int linkNumber, int timeoutMs, std::string *error);
void wsvcClose(wsvcConn_t *conn);

// Why the last call on this connection failed.
const char *wsvcError(const wsvcConn_t *conn);
// The socket, for callers that poll several connections.
int wsvcFd(const wsvcConn_t *conn);
// Largest text per request message (at least 1); longer texts go out as fragments.
void wsvcSetFragmentSize(wsvcConn_t *conn, uint32_t bytes);

// What a request carries besides its text. Strings longer than their wire fields
// (32 characters) are cut.
struct wsvcRequest_t {
    std::string_view text;
    uint32_t requestId = 0;  // the daemon returns it in each reply record
    std::string userName;
    std::string password;
    uint8_t clientAddress[16] = {};
    uint32_t connectionKind = 0;  // WSVD_CONN_HTTP, WSVD_CONN_HTTPS or 0
    uint32_t headerWord = 0;      // carried back unchanged
    std::string headerText;       // carried back unchanged
};

// Sends one request: a type 3 message when the text fits in one fragment, otherwise
// a type 4, types 5 and a type 6. 0, or -1. A text may not contain NUL bytes.
int wsvcSendRequest(wsvcConn_t *conn, const wsvcRequest_t &request);

// One message from the daemon, decoded.
struct wsvcMessage_t {
    uint32_t type = 0;
    wsvdRequest record{};  // types 7-10: the daemon's record (seqnum, peerRequestId,
                           // replyOffset...); pointer fields are left zero
    std::string text;      // types 7-10: the piece; type 11: the CLI request text
    uint32_t seqnum = 0;   // type 11: the daemon's sequence number to answer with
};

// Reads the next message (any type, including ones this library does not know).
// 0, or -1 on timeout, close or an undecodable message (which ends the connection's
// usefulness: the caller should close it).
int wsvcReadMessage(wsvcConn_t *conn, wsvcMessage_t *msg, int timeoutMs);

// Collects one whole reply (type 7, or 8, 9..., 10) into *text, checking that each
// fragment's offset is the length received so far and that all fragments belong to
// one request. *requestId (may be null) gets that request's id. CLI requests that
// arrive meanwhile are kept for wsvcWaitCliRequest; other types are skipped.
// The whole call takes at most timeoutMs. 0, or -1.
int wsvcReadReply(wsvcConn_t *conn, std::string *text, uint32_t *requestId, int timeoutMs);

// Convenience: wsvcSendRequest then wsvcReadReply with the request's id.
int wsvcRoundTrip(wsvcConn_t *conn, const wsvcRequest_t &request, std::string *reply,
                  int timeoutMs);

// CLI peer: waits at most timeoutMs for a type 11 request. 0, or -1.
int wsvcWaitCliRequest(wsvcConn_t *conn, std::string *text, uint32_t *seqnum, int timeoutMs);
// CLI peer: answers with a type 12 message (status 0 means success to the daemon).
int wsvcSendCliAnswer(wsvcConn_t *conn, uint32_t seqnum, uint32_t status, std::string_view text);
