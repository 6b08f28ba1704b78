// The configuration-manager link: what cfgmgr and its client libraries (frontend and
// backend) say to each other over a message link (platform/ipml.h).
//
// cfgmgr registers with the directory service as "cfgmgr" and serves the link number it
// is given; clients connect with ipmlConnect. Every message is a TLV sequence
// (platform/tlv.h) whose tag CMLINK_TAG_KIND holds its kind. A message may be larger
// than one frame, so each frame carries a 32-bit word (1: more pieces follow, 0: last)
// and then a piece of the message; the pieces of one message follow each other on the
// connection, and a message is decoded when its last piece has arrived.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum cmLinkKind : uint32_t {
    CMLINK_HELLO = 1,       // client: role, name
    CMLINK_REQUEST = 2,     // frontend -> cfgmgr: id, operation, flags, module, text
    CMLINK_REPLY = 3,       // cfgmgr -> frontend, backend -> cfgmgr: id, status, [message], [data]
    CMLINK_THRESHOLD = 4,   // cfgmgr -> frontend: event (1 or 4), value
    CMLINK_BE_REQUEST = 5,  // cfgmgr -> backend: id, operation, flags, text
    CMLINK_LOAD = 6,        // backend -> cfgmgr: id. Answered with CMLINK_LOAD_DATA
    CMLINK_LOAD_DATA = 7,   // cfgmgr -> backend: id, texts (set requests, NUL-separated)
    // cfgmgr -> frontend, before the reply to a get-next that asked for read-ahead: id,
    // text (the canonical get-next answered), status, [message], [data]
    CMLINK_AHEAD = 8,
    CMLINK_CHANGED = 9,  // cfgmgr -> frontend: the store changed (before the setter's reply)
};

enum cmLinkTag : uint32_t {
    CMLINK_TAG_KIND = 1,
    CMLINK_TAG_ID = 2,
    CMLINK_TAG_ROLE = 3,
    CMLINK_TAG_NAME = 4,
    CMLINK_TAG_OPERATION = 5,
    CMLINK_TAG_FLAGS = 6,
    CMLINK_TAG_MODULE = 7,
    CMLINK_TAG_TEXT = 8,
    CMLINK_TAG_STATUS = 9,
    CMLINK_TAG_MESSAGE = 10,
    CMLINK_TAG_DATA = 11,
    CMLINK_TAG_EVENT = 12,
    CMLINK_TAG_VALUE = 13,
    CMLINK_TAG_AHEAD = 14,  // in a get-next request: how many answers ahead to send
};

enum { CMLINK_ROLE_FRONTEND = 1, CMLINK_ROLE_BACKEND = 2 };

// Largest whole message either end accepts; a peer that sends more is cut off.
constexpr uint32_t CMLINK_MAX_MESSAGE = 32u << 20;
// Payload bytes of one frame after the continuation word.
constexpr uint32_t CMLINK_PIECE = 60000;

// Builds one message. Items are kept in the order added.
class cmLinkMessage {
public:
    explicit cmLinkMessage(uint32_t kind) { u32(CMLINK_TAG_KIND, kind); }
    cmLinkMessage &u32(uint32_t tag, uint32_t value);
    // A text item (sent with its NUL); a null text adds nothing.
    cmLinkMessage &text(uint32_t tag, const char *value);
    cmLinkMessage &block(uint32_t tag, const void *data, uint32_t length);
    const std::vector<uint8_t> &bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Cuts a message into frames (continuation word + piece) and hands each to `write`
// (0 = written). 0, or -1 when a write failed.
int cmLinkSendPieces(const std::vector<uint8_t> &message,
                     const std::function<int(const uint8_t *, uint32_t)> &write);

// Puts the pieces of messages together again.
class cmLinkAssembler {
public:
    // Takes one frame. 1: a whole message is ready in message(); 0: more pieces are
    // needed; -1: the frame is malformed or the message too large (drop the peer).
    int add(const uint8_t *frame, uint32_t length);
    const std::vector<uint8_t> &message() const { return message_; }

private:
    std::vector<uint8_t> message_;
    bool complete_ = false;
};

// A client's connection to cfgmgr, shared by the frontend and backend libraries.
// Reading happens on the dispatcher thread; sending may come from any thread.
struct cmLinkClient {
    int fd = -1;
    std::mutex writeMutex;
    bool closed = false;      // under writeMutex: fd is no longer ours
    std::vector<uint8_t> rx;  // bytes of frames not yet complete, from rxAt
    size_t rxAt = 0;
    cmLinkAssembler assembler;

    // Sends a whole message; 0, or -1 when the connection is gone.
    int send(const cmLinkMessage &message);
    // Reads what is available; calls onMessage(bytes, length) for every whole message.
    // 0 while the connection is good, -1 when it ended or broke (the caller closes it).
    template <typename OnMessage>
    int readAvailable(OnMessage onMessage);
    // Wakes any sender and closes the descriptor.
    void close();

private:
    int receiveSome();  // bytes appended to rx, 0 at the end, -1 on error, -2 nothing yet
    // Next whole frame from rx into out; 1, 0 (none yet) or -1 (malformed).
    int nextFrame(std::vector<uint8_t> &out);
    void compact();
};

// The kind of a message; 0, or -1 when it has none.
int cmLinkDecodeKind(const uint8_t *message, uint32_t length, uint32_t *kind);

// Connects to cfgmgr through the directory service; a client record, or null.
std::shared_ptr<cmLinkClient> cmLinkConnect(int lookupTimeoutMs);

template <typename OnMessage>
int cmLinkClient::readAvailable(OnMessage onMessage) {
    for (;;) {
        int got = receiveSome();
        if (got == -2) return 0;
        if (got <= 0) return -1;
        std::vector<uint8_t> frame;
        int r;
        while ((r = nextFrame(frame)) == 1) {
            int whole = assembler.add(frame.data(), uint32_t(frame.size()));
            if (whole < 0) return -1;
            if (whole == 1)
                onMessage(assembler.message().data(), uint32_t(assembler.message().size()));
        }
        if (r < 0) return -1;
    }
}
