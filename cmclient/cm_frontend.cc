// Frontend library: requests to cfgmgr, one reply event for each.
//
// The link is (re)made by a periodic tick on the dispatcher thread, which also fails
// requests whose reply is overdue. Requests may be sent from any thread; replies,
// failures and lock-out events are delivered on the dispatcher thread, except
// - the answer of a get-next that was read ahead: it is handed to the callback on the
//   sender's own thread before cmSendRequest returns, which spares a walk two thread
//   hand-offs per row;
// - whatever a sender off the dispatcher's thread reads while it waits for its reply
//   inside cmSendRequest, which spares it the hand-over through the dispatcher.
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "cmclient/cm.h"
#include "cmclient/cm_readahead.h"
#include "cmclient/cmclient.h"
#include "cmclient/cmlink.h"
#include "platform/dispatch.h"
#include "platform/log.h"
#include "platform/tlv.h"
#include "platform/util.h"

namespace {

const long kTickUs = 100000;

struct Pending {
    uint32_t seqnum;
    uint64_t deadlineUs;
};

std::mutex gMutex;  // guards everything below
cmFrontendCallBack_t gCallBack;
std::string gName;
std::shared_ptr<cmLinkClient> gLink;
std::map<uint32_t, Pending> gPending;  // by request id on the link
uint32_t gNextId = 1;
uint64_t gTimeoutUs = 30000000;
dispatchWork_t gTick;

// Answers cfgmgr computed ahead of a get-next walk, in the order the walk will ask for
// them. Only the first may be taken: any other request, a set, news that the store
// changed, or a new link drops them all.
struct Ahead {
    std::string request;  // canonical get-next text
    uint32_t status;
    std::string message, data;
    bool hasMessage, hasData;
    bool stamped;      // it carries the change count it was computed at:
    uint64_t changes;  // taken only while the link's count still says so
};
std::deque<Ahead> gAhead;
uint32_t gAheadFor = 0;  // the link request id whose answers are arriving (0: none)
uint32_t gAheadAsked = CM_READ_AHEAD_FIRST;  // how many the next walk request asks for
bool gAheadUsedUp = false;  // all answers taken, the last saying more follow: a walk goes on
// Bytes from cfgmgr are held that are not handled yet (they may be news of a change):
// while the link is read, and after it when part of a message is left. What a link
// without a change count goes by (see takeAheadLocked).
bool gReading = false;
// One reader of the link at a time, so that messages are handled in order: the
// dispatcher while it handles the link's readiness, or a sender that waits for its
// reply on its own thread (see cmSendRequest), which takes the link out of the
// dispatcher's hands before its request goes, so that the reply does not wake the
// dispatcher, and gives it back once the reply has been handled.
bool gDispatcherReading = false;
std::shared_ptr<cmLinkClient> gSenderLink;  // the link a sender reads (null: none)

void onReadable(int fd, void *);

// A sender takes the link from the dispatcher, when nobody reads it.
bool holdLocked() {
    if (!gLink || gDispatcherReading || gSenderLink) return false;
    gSenderLink = gLink;
    dispatchRemoveFd(gLink->fd);
    return true;
}

// The sender gives `link` back: to the dispatcher, or, when it was dropped meanwhile,
// to nobody: then the sender closes it (see dropLink). False when the dispatcher cannot
// take it: the link is no good.
bool releaseLocked(const std::shared_ptr<cmLinkClient> &link) {
    if (gSenderLink == link) gSenderLink.reset();
    if (gLink == link) return dispatchAddFd(link->fd, onReadable, nullptr) == 0;
    link->close();
    return true;
}

void dropAheadLocked() {
    gAhead.clear();
    gAheadFor = 0;
    gAheadUsedUp = false;
}

char *copyText(const char *text) {
    return text ? strdup(text) : nullptr;
}

// Hands one event to the callback, then frees what the callback left.
void deliver(int event, uint32_t seqnum, uint32_t status, const char *message, const char *data,
             uint32_t value) {
    cmFrontendCallBack_t callBack;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        callBack = gCallBack;
    }
    cmEventData_t ev{};
    ev.seqnum = seqnum;
    ev.status = status;
    ev.message = copyText(message);
    ev.data = copyText(data);
    ev.value = value;
    if (callBack) callBack(event, &ev);
    free(ev.message);
    free(ev.data);
}

void failAll(std::map<uint32_t, Pending> &lost, const char *why) {
    for (auto &entry : lost) deliver(CM_EVENT_REPLY, entry.second.seqnum, 0, why, nullptr, 0);
}

// Forgets the link; every request still waiting gets its failure.
void dropLink(const std::shared_ptr<cmLinkClient> &link, const char *why) {
    std::map<uint32_t, Pending> lost;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLink != link) return;
        dispatchRemoveFd(link->fd);
        // A sender may be about to poll the descriptor: it only learns of the end here,
        // and closes the descriptor itself when it gives the link back.
        if (gSenderLink == link)
            shutdown(link->fd, SHUT_RDWR);
        else
            link->close();
        gLink.reset();
        lost.swap(gPending);
        dropAheadLocked();
    }
    failAll(lost, why);
}

// The one way out for a message from cfgmgr that does not decode.
void dropMessage(uint32_t kind, const char *why) {
    logWarn("cmclient: message of kind %u from cfgmgr dropped: %s", kind, why);
}

// The change count cfgmgr shares with the frontends of link `from` is mapped for it.
void takeChanges(const std::shared_ptr<cmLinkClient> &from, tlv_t *t) {
    const char *path;
    uint64_t token;
    if (tlvDecode(t, CMLINK_TAG_TEXT, TLV_DEC_STRING, &path, nullptr, TLV_DEC_END) != 0 ||
        cmLinkDecodeU64(t, CMLINK_TAG_TOKEN, &token) != 0)
        return dropMessage(CMLINK_CHANGES, "no text or token");
    if (!from) return;  // not from a link: nothing to map for
    std::unique_ptr<cmLinkChanges> changes = cmLinkChanges::attach(path, token);
    if (!changes)
        logWarn(
            "cmclient: the change count of cfgmgr (%s) cannot be read; the link is "
            "watched for news instead",
            path);
    std::lock_guard<std::mutex> lock(gMutex);
    from->changes = std::move(changes);
}

// Handles a whole message from cfgmgr that came on link `from` (null: from elsewhere).
void onMessage(const std::shared_ptr<cmLinkClient> &from, const uint8_t *bytes, uint32_t length) {
    uint32_t kind = 0;
    if (cmLinkDecodeKind(bytes, length, &kind) != 0) return dropMessage(0, "no kind");
    tlv_t t;
    tlvInit(&t, const_cast<uint8_t *>(bytes), length);
    if (kind == CMLINK_AHEAD) {
        uint32_t id, status;
        const char *request = nullptr;
        if (tlvDecode(&t, CMLINK_TAG_ID, TLV_DEC_U32, &id, CMLINK_TAG_STATUS, TLV_DEC_U32, &status,
                      CMLINK_TAG_TEXT, TLV_DEC_STRING, &request, nullptr, TLV_DEC_END) != 0)
            return dropMessage(kind, "no id, status or text");
        const char *message = nullptr, *data = nullptr;
        tlvDecode(&t, CMLINK_TAG_MESSAGE, TLV_DEC_STRING, &message, nullptr, TLV_DEC_END);
        tlvDecode(&t, CMLINK_TAG_DATA, TLV_DEC_STRING, &data, nullptr, TLV_DEC_END);
        uint64_t changes = 0;
        bool stamped = cmLinkDecodeU64(&t, CMLINK_TAG_CHANGES, &changes) == 0;
        std::lock_guard<std::mutex> lock(gMutex);
        if (id != gAheadFor || gAhead.size() >= CM_READ_AHEAD_MOST) return;
        gAhead.push_back(Ahead{request, status, message ? message : "", data ? data : "",
                               message != nullptr, data != nullptr || status != 0, stamped,
                               changes});
    } else if (kind == CMLINK_CHANGES) {
        takeChanges(from, &t);
    } else if (kind == CMLINK_CHANGED) {
        std::lock_guard<std::mutex> lock(gMutex);
        dropAheadLocked();
    } else if (kind == CMLINK_REPLY) {
        uint32_t id, status;
        if (tlvDecode(&t, CMLINK_TAG_ID, TLV_DEC_U32, &id, CMLINK_TAG_STATUS, TLV_DEC_U32, &status,
                      TLV_DEC_END) != 0)
            return dropMessage(kind, "no id or status");
        const char *message = nullptr, *data = nullptr;
        tlvDecode(&t, CMLINK_TAG_MESSAGE, TLV_DEC_STRING, &message, nullptr, TLV_DEC_END);
        tlvDecode(&t, CMLINK_TAG_DATA, TLV_DEC_STRING, &data, nullptr, TLV_DEC_END);
        uint32_t seqnum;
        {
            std::lock_guard<std::mutex> lock(gMutex);
            auto it = gPending.find(id);
            if (it == gPending.end()) return;  // already failed by the time bound
            seqnum = it->second.seqnum;
            gPending.erase(it);
        }
        // A successful reply always hands over its data, empty when no object came back.
        deliver(CM_EVENT_REPLY, seqnum, status, message, data || status == 0 ? data : "", 0);
    } else if (kind == CMLINK_THRESHOLD) {
        uint32_t event, value;
        if (tlvDecode(&t, CMLINK_TAG_EVENT, TLV_DEC_U32, &event, CMLINK_TAG_VALUE, TLV_DEC_U32,
                      &value, TLV_DEC_END) != 0)
            return dropMessage(kind, "no event or value");
        if (event == CM_EVENT_LOCKOUT_THRESHOLD || event == CM_EVENT_LOCKOUT_CHANGED)
            deliver(int(event), 0, 0, nullptr, nullptr, value);
    }
}

void setReading(bool reading) {
    std::lock_guard<std::mutex> lock(gMutex);
    gReading = reading;
}

// Takes the first answer read ahead when it answers `canonical` and still holds: the
// store's change count has not moved since it was computed, or, on a link without one,
// nothing cfgmgr has sent is still unread or being handled (it may be news of a change),
// which costs a system call. Under gMutex.
bool takeAheadLocked(const std::string &canonical, Ahead *answer) {
    if (gAhead.empty() || gAhead.front().request != canonical || !gLink) return false;
    const cmLinkChanges *changes = gLink->changes.get();
    if (changes && gAhead.front().stamped) {
        if (changes->count() != gAhead.front().changes) return false;
    } else {
        if (gReading) return false;
        char byte;
        ssize_t n = recv(gLink->fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
    }
    *answer = std::move(gAhead.front());
    gAhead.pop_front();
    gAheadUsedUp = gAhead.empty() && answer->status == 2;
    return true;
}

// Reads what the link holds and handles every whole message, or, when `awaited` is
// not 0, until that request has been answered; 0, or -1 when the link ended or broke
// (the caller drops it).
int readMessages(const std::shared_ptr<cmLinkClient> &link, uint32_t awaited = 0) {
    setReading(true);
    auto handle = [&link](const uint8_t *bytes, uint32_t length) {
        // While one message is handled (a reply may wake a walk that asks for its next
        // row at once), only the bytes read after it can hold news not yet heard.
        setReading(link->rx.size() > link->rxAt);
        onMessage(link, bytes, length);
        setReading(true);
    };
    // A sender stops once its reply is in: another read would most often find nothing.
    auto answered = [awaited] {
        if (awaited == 0) return false;
        std::lock_guard<std::mutex> lock(gMutex);
        return gPending.count(awaited) == 0;
    };
    int rc = link->readAvailable(handle, answered);
    // Bytes of a message not yet whole may be news of a change.
    setReading(link->rx.size() > link->rxAt);
    return rc;
}

void onReadable(int fd, void *) {
    std::shared_ptr<cmLinkClient> link;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLink && gLink->fd == fd) {
            // A sender took the link between the event and this call: it reads.
            if (gSenderLink == gLink) return;
            gDispatcherReading = true;
            link = gLink;
        }
    }
    if (!link) {
        dispatchRemoveFd(fd);
        return;
    }
    int rc = readMessages(link);
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gDispatcherReading = false;
    }
    if (rc != 0) dropLink(link, CM_TEXT_WENT_AWAY);
}

void tryConnect() {
    std::string name;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gLink) return;
        name = gName;
    }
    std::shared_ptr<cmLinkClient> link = cmLinkConnect(200);
    if (!link) return;
    cmLinkMessage hello(CMLINK_HELLO);
    hello.u32(CMLINK_TAG_ROLE, CMLINK_ROLE_FRONTEND).text(CMLINK_TAG_NAME, name.c_str());
    if (link->send(hello) != 0 || dispatchAddFd(link->fd, onReadable, nullptr) != 0) {
        link->close();
        return;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = link;
}

// Fails every request whose reply is overdue.
void failOverdue() {
    std::map<uint32_t, Pending> late;
    uint64_t now = clockNowUs();
    {
        std::lock_guard<std::mutex> lock(gMutex);
        for (auto it = gPending.begin(); it != gPending.end();) {
            if (it->second.deadlineUs <= now) {
                late.insert(*it);
                it = gPending.erase(it);
            } else {
                ++it;
            }
        }
    }
    failAll(late, CM_TEXT_NO_ANSWER);
}

void onTick(void *) {
    tryConnect();
    failOverdue();
}

// The sender of request `id` reads the link it holds until the reply has been handled
// or the request has failed (overdue, or the link ended), then gives the link back.
// Every wait is a slice of at most kTickUs on the process clock.
void readUntilAnswered(const std::shared_ptr<cmLinkClient> &link, uint32_t id) {
    for (;;) {
        uint64_t deadlineUs;
        {
            std::lock_guard<std::mutex> lock(gMutex);
            auto it = gPending.find(id);
            if (it == gPending.end() || gLink != link) break;
            deadlineUs = it->second.deadlineUs;
        }
        uint64_t now = clockNowUs();
        if (now >= deadlineUs) {
            failOverdue();
            continue;
        }
        uint64_t sliceUs = std::min<uint64_t>(deadlineUs - now, kTickUs);
        pollfd ready{link->fd, POLLIN, 0};
        if (poll(&ready, 1, int((sliceUs + 999) / 1000)) > 0 && readMessages(link, id) != 0) {
            dropLink(link, CM_TEXT_WENT_AWAY);
            break;
        }
    }
    bool released;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        released = releaseLocked(link);
    }
    if (!released) dropLink(link, CM_TEXT_WENT_AWAY);
}

uint64_t timeoutFromEnvironment() {
    const char *text = getenv("KARN_CM_TIMEOUT_SECONDS");
    if (text && *text) {
        char *end;
        long seconds = strtol(text, &end, 10);
        if (*end == 0 && seconds > 0 && seconds <= 86400) return uint64_t(seconds) * 1000000u;
    }
    return 30000000u;
}

}  // namespace

int cmFrontendInit(const char *processName, cmFrontendCallBack_t callBack) {
    if (!callBack) return 0;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gCallBack = callBack;
        gName = processName ? processName : "";
        gTimeoutUs = timeoutFromEnvironment();
        if (gTick) return 1;
        gTick = dispatchExecuteWorkItem(onTick, nullptr, 0, {0, kTickUs}, DISPATCH_WORK_REPEAT);
        if (!gTick) return 0;
        dispatchWorkRegisterAttr(gTick, "cmFrontendTick");
    }
    // A first attempt now, so that a caller on the dispatcher thread is served at once
    // when cfgmgr is up; otherwise the tick keeps trying.
    if (dispatchOnThread()) tryConnect();
    return 1;
}

int cmSendRequest(const cmRequest_t *request) {
    if (!request || !request->text) return 0;
    if (request->operation < CM_OP_GET || request->operation > CM_OP_SETOP) return 0;
    char module[CM_MODULE_NAME_SIZE];
    memcpy(module, request->module, sizeof module);
    module[sizeof module - 1] = 0;
    bool next = request->operation == CM_OP_GET && request->getFlags == CM_GET_NEXT;
    std::string canonical = next ? cmCanonicalGetOfText(request->text) : "";
    // Off the dispatcher's thread the sender reads its reply itself (see cm.h).
    bool readHere = !dispatchOnThread();
    std::shared_ptr<cmLinkClient> link;
    uint32_t id, ahead = 0;
    {
        std::unique_lock<std::mutex> lock(gMutex);
        if (!gLink) return 0;
        Ahead answer;
        if (!canonical.empty() && takeAheadLocked(canonical, &answer)) {
            lock.unlock();
            deliver(CM_EVENT_REPLY, request->seqnum, answer.status,
                    answer.hasMessage ? answer.message.c_str() : nullptr,
                    answer.hasData ? answer.data.c_str() : nullptr, 0);
            return 1;
        }
        link = gLink;
        id = gNextId++;
        if (gNextId == 0) gNextId = 1;
        gPending[id] = Pending{request->seqnum, clockNowUs() + gTimeoutUs};
        readHere = readHere && holdLocked();
        if (request->operation != CM_OP_GET || !canonical.empty()) {
            // A set, or a walk not carrying on from the answers held: they go. A walk that
            // used up what it was given asks for twice as many.
            bool carryingOn = gAheadUsedUp && !canonical.empty();
            dropAheadLocked();
            if (!canonical.empty()) {
                gAheadAsked = carryingOn ? std::min<uint32_t>(gAheadAsked * 2, CM_READ_AHEAD_MOST)
                                         : CM_READ_AHEAD_FIRST;
                ahead = gAheadAsked;
                gAheadFor = id;
            }
        }
    }
    cmLinkMessage message(CMLINK_REQUEST);
    message.u32(CMLINK_TAG_ID, id)
        .u32(CMLINK_TAG_OPERATION, request->operation)
        .u32(CMLINK_TAG_FLAGS, request->getFlags)
        .text(CMLINK_TAG_MODULE, module)
        .text(CMLINK_TAG_TEXT, request->text);
    if (ahead) message.u32(CMLINK_TAG_AHEAD, ahead);
    if (message.bytes().size() > CMLINK_MAX_MESSAGE || link->send(message) != 0) {
        // Not sent: unless the link's end has already failed it (then its reply is on
        // its way), the request is taken back and no reply will come.
        std::unique_lock<std::mutex> lock(gMutex);
        if (gPending.erase(id)) {
            if (readHere && !releaseLocked(link)) {
                lock.unlock();
                dropLink(link, CM_TEXT_WENT_AWAY);
            }
            return 0;
        }
    }
    if (readHere) readUntilAnswered(link, id);
    return 1;
}

bool cmFrontendConnected() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gLink != nullptr;
}

void cmFrontendTakeMessage(const uint8_t *bytes, uint32_t length) {
    onMessage(nullptr, bytes, length);
}

void cmFrontendShutdown() {
    std::shared_ptr<cmLinkClient> link;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gTick) dispatchWorkCancel(gTick);
        gTick = nullptr;
        link = gLink;
    }
    if (link) dropLink(link, CM_TEXT_WENT_AWAY);
    std::lock_guard<std::mutex> lock(gMutex);
    gCallBack = nullptr;
}
