// The configuration-manager link: what cfgmgr and its client libraries (frontend and
// backend) say to each other over a message link (platform/ipml.h).
//
// cfgmgr registers with the directory service as "cfgmgr" and serves the link number it
// is given; clients connect with ipmlConnect. Every message is a TLV sequence
// (platform/tlv.h) whose tag CMLINK_TAG_KIND holds its kind. A message may be larger
// than one frame, so each frame carries a 32-bit word (1: more pieces follow, 0: last)
// and then a piece of the message; the pieces of one message follow each other on the
// connection, and a message is decoded when its last piece has arrived.
//
// Besides the link, cfgmgr shares the count of changes to its store with its frontends
// (cmLinkChanges below), so that a frontend can tell without a system call whether an
// answer read ahead still holds.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tlv.h"

enum cmLinkKind : uint32_t {
    CMLINK_HELLO = 1,       // client: role, name
    CMLINK_REQUEST = 2,     // frontend -> cfgmgr: id, operation, flags, module, text
    CMLINK_REPLY = 3,       // cfgmgr -> frontend, backend -> cfgmgr: id, status, [message], [data]
    CMLINK_THRESHOLD = 4,   // cfgmgr -> frontend: event (1 or 4), value
    CMLINK_BE_REQUEST = 5,  // cfgmgr -> backend: id, operation, flags, text
    CMLINK_LOAD = 6,        // backend -> cfgmgr: id. Answered with CMLINK_LOAD_DATA
    CMLINK_LOAD_DATA = 7,   // cfgmgr -> backend: id, texts (set requests, NUL-separated)
    // cfgmgr -> frontend, before the reply to a get-next that asked for read-ahead: id,
    // text (the canonical get-next answered), status, [message], [data], [changes]
    CMLINK_AHEAD = 8,
    CMLINK_CHANGED = 9,  // cfgmgr -> frontend: the store changed (before the setter's reply)
    // cfgmgr -> frontend, after its hello when cfgmgr shares its change count: text (the
    // file of the count), token (what the file must hold to be this cfgmgr's)
    CMLINK_CHANGES = 10,
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
    // (15 cannot be a tag: platform/tlv.h)
    CMLINK_TAG_CHANGES = 16,  // 8 bytes: in an answer read ahead, the change count it holds at
    CMLINK_TAG_TOKEN = 17,    // 8 bytes: in CMLINK_CHANGES, what the file of the count holds
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
    cmLinkMessage &u64(uint32_t tag, uint64_t value) { return block(tag, &value, 8); }
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

// An item of 8 bytes (cmLinkMessage::u64) of a decoded message; 0, or -1 when it is
// missing or of another length.
int cmLinkDecodeU64(tlv_t *t, uint32_t tag, uint64_t *value);

// The count of changes to cfgmgr's store, in a file beside its link's socket that cfgmgr
// and its frontends map. It moves before the news of a change and the setter's reply go
// out, and each answer cfgmgr reads ahead carries the count it was computed at: while the
// two are equal the answer shows every change whose setter has had its reply, whoever
// set it.
struct cmLinkChangesPage {
    uint64_t token;               // names the cfgmgr that made the file (CMLINK_CHANGES)
    std::atomic<uint64_t> count;  // changes so far
};
// Both processes work on the one word: only a lock-free atomic does that.
static_assert(std::atomic<uint64_t>::is_always_lock_free);
inline constexpr char CMLINK_CHANGES_FILE[] = "cfgmgr.changes";

// A mapping of such a file; unmapped when destroyed.
class cmLinkChanges {
public:
    // cfgmgr's: a new file in `dir`, which replaces the one a cfgmgr before this one left
    // there once that one's count has moved: a frontend still mapping it (its link to the
    // dead cfgmgr not yet seen to end) then trusts nothing that cfgmgr read ahead. Null
    // when the file cannot be made.
    static std::unique_ptr<cmLinkChanges> publish(const std::string &dir);
    // A frontend's: the file at `path`, read only, when it holds `token`; null otherwise.
    static std::unique_ptr<cmLinkChanges> attach(const std::string &path, uint64_t token);
    ~cmLinkChanges();
    cmLinkChanges(const cmLinkChanges &) = delete;
    cmLinkChanges &operator=(const cmLinkChanges &) = delete;

    uint64_t count() const { return page_->count.load(std::memory_order_acquire); }
    uint64_t token() const { return page_->token; }
    const std::string &path() const { return path_; }
    // cfgmgr's (a frontend's mapping cannot be written): the store changed.
    void bump() {
        if (writable_) page_->count.fetch_add(1);
    }

private:
    cmLinkChanges(cmLinkChangesPage *page, std::string path, bool writable)
        : page_(page), path_(std::move(path)), writable_(writable) {}
    cmLinkChangesPage *page_;
    std::string path_;
    bool writable_;
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
    // The change count of the cfgmgr at the other end, when it shares one and it could
    // be mapped (a frontend's, under its lock).
    std::unique_ptr<cmLinkChanges> changes;

    // Sends a whole message; 0, or -1 when the connection is gone.
    int send(const cmLinkMessage &message);
    // Reads what is available; calls onMessage(bytes, length) for every whole message.
    // 0 while the connection is good, -1 when it ended or broke (the caller closes it).
    // Stops early once enough() says so after the whole messages of a read: what is
    // left stays in the socket (or, a part of a frame, in rx until the rest comes), so
    // the link's readiness still shows it.
    template <typename OnMessage, typename Enough>
    int readAvailable(OnMessage onMessage, Enough enough);
    template <typename OnMessage>
    int readAvailable(OnMessage onMessage) {
        return readAvailable(onMessage, [] { return false; });
    }
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

template <typename OnMessage, typename Enough>
int cmLinkClient::readAvailable(OnMessage onMessage, Enough enough) {
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
        if (enough()) return 0;
    }
}
