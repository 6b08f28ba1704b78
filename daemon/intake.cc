#include "daemon/intake.h"

#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "daemon/intake_internal.h"
#include "daemon/worker.h"
#include "platform/bm.h"
#include "platform/clock.h"
#include "platform/ipml.h"
#include "platform/tlv.h"
#include "platform/util.h"
#include "platform/wsvd_link.h"
#include "platform/wsvdreq.h"

pthread_mutex_t gWsvdMutex = PTHREAD_MUTEX_INITIALIZER;
uint32_t gWsvdSeqnum = 0;
ipmlLink_t *gWsvdLink = nullptr;

wsvdRequestList_t gWsvdWaiting;
wsvdRequestList_t gWsvdActive;
uint32_t gWsvdRunningWorkers = 0;

namespace {

const char kNoMemory[] =
    "<reply><status>ERROR</status><message>Failed to allocate memory.</message></reply>";
const char kTooMany[] =
    "<reply><status>ERROR</status><message>Too many oustanding SOAP requests.</message></reply>";
const char kNoThread[] =
    "<reply><status>ERROR</status><message>Failed to spawn processing thread.</message></reply>";
const char kTooLarge[] =
    "<reply><status>ERROR</status><message>Request too large.</message></reply>";

// Guarded by gWsvdMutex.
p2Btree_t *gClients = nullptr;
uint32_t gClientsAdded = 0, gClientsFreed = 0, gClientsPresent = 0;
bool gHaveCliPeer = false;
uint32_t gCliPeer = 0;
// The request that awaits the CLI peer's answer, if any (only the worker asks).
bool gCliAsked = false;
uint32_t gCliAskedSeqnum = 0;
wsvdRequestList_t gPartial;

// Dispatcher thread only: hello acknowledgements and the error replies of intake.
bmPacket_t *gTxPacket = nullptr;

struct Lock {
    Lock() { pthread_mutex_lock(&gWsvdMutex); }
    ~Lock() { pthread_mutex_unlock(&gWsvdMutex); }
};

wsvdClient *acquireClient(uint32_t peer) {
    Lock lock;
    return wsvdClientAcquireLocked(peer);
}

void releaseClient(wsvdClient *client) {
    Lock lock;
    wsvdClientReleaseLocked(client);
}

// The one way out for bad input: say why in the trace and let the caller drop it.
void dropMessage(uint32_t peer, const char *why) {
    WSVD_LOG("wsvd: dropped a message from peer %u: %s", peer, why);
}

void freePartialRequestsOfLocked(uint32_t peer) {
    wsvdRequest *r = gPartial.head;
    while (r) {
        wsvdRequest *next = r->listNext;
        if (r->peerId == peer) {
            wsvdRequestRemove(&gPartial, r);
            wsvdRequestFree(r);
        }
        r = next;
    }
}

// Reads tags 300 and 301. The header must be exactly one record long.
bool decodeRequest(tlv_t *t, wsvdRequest *header, const char **text, uint32_t *textLength) {
    const void *block = nullptr;
    uint32_t blockLength = 0;
    if (tlvDecode(t, WSVD_TAG_HEADER, TLV_DEC_BLOCK, &block, &blockLength, WSVD_TAG_TEXT,
                  TLV_DEC_STRING, text, textLength, TLV_DEC_END) != 0)
        return false;
    if (blockLength != WSVD_HDR_SIZE || !block || !*text) return false;
    wsvdHeaderUnpack(static_cast<const uint8_t *>(block), header);
    *textLength = strlen(*text);
    return true;
}

void dispatchRequest(wsvdClient *client, wsvdRequest *r) {
    if (strcmp(client->name, "cli") == 0 || strcmp(client->name, "wsvc") == 0)
        r->clientKind = WSVD_CLIENT_LOCAL;
    else if (strcmp(client->name, "thttpd") == 0)
        r->clientKind = WSVD_CLIENT_WEB;

    const char *error = nullptr;
    bool wake = false;
    r->queuedUs = clockNowUs();
    pthread_mutex_lock(&gWsvdMutex);
    if (gWsvdRunningWorkers) {
        if (wsvdRequestCount(&gWsvdWaiting) < WSVD_MAX_WAITING)
            wsvdRequestEnque(&gWsvdWaiting, r);
        else
            error = kTooMany;
    } else if (wsvdWorkerStartLocked(r) == 0) {
        gWsvdRunningWorkers = 1;
        wake = true;
    } else {
        error = kNoThread;
    }
    pthread_mutex_unlock(&gWsvdMutex);
    if (wake) wsvdWorkerWake();

    if (error) {
        WSVD_LOG("wsvd: request %u of peer %u refused", r->seqnum, r->peerId);
        wsvdSendReply(r, error, 1);
        wsvdRequestFree(r);
    }
}

void handleHello(wsvdClient *client, uint32_t peer, tlv_t *t) {
    const char *name = nullptr;
    if (tlvDecode(t, WSVD_TAG_NAME, TLV_DEC_STRING, &name, nullptr, TLV_DEC_END) != 0 || !name) {
        dropMessage(peer, "hello without a name");
        return;
    }
    {
        Lock lock;
        strlcpy(client->name, name, sizeof client->name);
    }
    wsvdSendMessage(peer, gTxPacket, WSVD_MSG_HELLO_ACK, nullptr);
    if (strcmp(client->name, "cli") == 0) {
        Lock lock;
        gHaveCliPeer = true;
        gCliPeer = peer;
    }
}

void handleRequestStart(wsvdClient *client, uint32_t peer, uint32_t type, tlv_t *t) {
    wsvdRequest header;
    memset(&header, 0, sizeof header);
    const char *text = nullptr;
    uint32_t textLength = 0;
    if (!decodeRequest(t, &header, &text, &textLength)) {
        dropMessage(peer, "undecodable request");
        return;
    }
    wsvdRequest *r = wsvdRequestAlloc();
    wsvdBuflist_t *pieces = r ? wsvdBufferToBuflist(text, textLength) : nullptr;
    if (!r || !pieces) {
        // Answer with the peer's own header so that it can match the error to its request.
        wsvdRequestFree(r);
        header.peerId = peer;
        header.peerRequestId = header.seqnum;
        header.replyOffset = 0;
        wsvdSendReply(&header, kNoMemory, 1);
        return;
    }
    r->seqnum = gWsvdSeqnum++;
    r->pieces = pieces;
    r->peerId = peer;
    r->peerRequestId = header.seqnum;
    r->headerWord = header.headerWord;
    r->connectionKind = header.connectionKind;
    strlcpy(r->userName, header.userName, sizeof r->userName);
    strlcpy(r->password, header.password, sizeof r->password);
    strlcpy(r->headerText, header.headerText, sizeof r->headerText);
    memcpy(r->clientAddress, header.clientAddress, sizeof r->clientAddress);

    if (type == WSVD_MSG_REQUEST) {
        dispatchRequest(client, r);
    } else {
        Lock lock;
        wsvdRequestEnque(&gPartial, r);
    }
}

void handleRequestMore(wsvdClient *client, uint32_t peer, uint32_t type, tlv_t *t) {
    wsvdRequest header;
    memset(&header, 0, sizeof header);
    const char *text = nullptr;
    uint32_t textLength = 0;
    if (!decodeRequest(t, &header, &text, &textLength)) {
        dropMessage(peer, "undecodable request fragment");
        return;
    }
    wsvdBuflist_t *pieces = wsvdBufferToBuflist(text, textLength);
    if (!pieces) {
        dropMessage(peer, "no memory for a request fragment");
        return;
    }
    wsvdRequest *r;
    bool tooLarge = false;
    {
        Lock lock;
        r = wsvdRequestLookupBySrcId(&gPartial, peer, header.seqnum);
        if (r) {
            tooLarge = r->pieces->bytes + pieces->bytes > WSVD_MAX_REQUEST_BYTES;
            if (tooLarge || type == WSVD_MSG_REQUEST_LAST) wsvdRequestRemove(&gPartial, r);
        }
    }
    if (!r) {
        wsvdBuflistFree(pieces);
        dropMessage(peer, "fragment without a request");
        return;
    }
    if (tooLarge) {
        wsvdBuflistFree(pieces);
        WSVD_LOG("wsvd: request %u of peer %u is too large", r->seqnum, peer);
        wsvdSendReply(r, kTooLarge, 1);
        wsvdRequestFree(r);
        return;
    }
    // The request is still on the partial list for a middle fragment, but only this
    // thread touches a partial request.
    wsvdBuflistAppend(r->pieces, pieces);
    if (type == WSVD_MSG_REQUEST_LAST) dispatchRequest(client, r);
}

struct CliAnswer {
    uint32_t status;
    const char *text;
};

void storeCliAnswer(wsvdRequest *r, void *arg) {
    auto *answer = static_cast<CliAnswer *>(arg);
    r->replyStatus = answer->status == 0 ? 1 : 0;
    free(r->replyMessage);
    r->replyMessage = strdup(answer->text);
}

void handleCliAnswer(uint32_t peer, tlv_t *t) {
    uint32_t seqnum = 0;
    CliAnswer answer = {0, nullptr};
    if (tlvDecode(t, WSVD_TAG_SEQNUM, TLV_DEC_U32, &seqnum, WSVD_TAG_STATUS, TLV_DEC_U32,
                  &answer.status, WSVD_TAG_CLI_REPLY, TLV_DEC_STRING, &answer.text, nullptr,
                  TLV_DEC_END) != 0 ||
        !answer.text) {
        dropMessage(peer, "undecodable CLI answer");
        return;
    }
    {
        Lock lock;
        if (gCliAsked && gCliAskedSeqnum == seqnum) gCliAsked = false;
    }
    if (wsvdAnswerActiveRequest(seqnum, storeCliAnswer, &answer, true) != 0)
        WSVD_LOG("wsvd: CLI answer for request %u that no one awaits", seqnum);
}

}  // namespace

wsvdClient *wsvdClientAcquireLocked(uint32_t peerId) {
    if (!gClients) return nullptr;
    auto *client = static_cast<wsvdClient *>(findNode(gClients, peerId));
    if (client) client->refCount++;
    return client;
}

void wsvdClientReleaseLocked(wsvdClient *client) {
    if (!client) return;
    if (client->refCount > 1) {
        client->refCount--;
        return;
    }
    free(client);
    gClientsFreed++;
}

int wsvdIntakeInit() {
    pthread_mutex_lock(&gWsvdMutex);
    gWsvdLink = nullptr;
    gWsvdRunningWorkers = 0;
    gClientsAdded = gClientsFreed = gClientsPresent = 0;
    gHaveCliPeer = false;
    gCliAsked = false;
    if (!gClients) gClients = p2BtreeCreate();
    bool ok = gClients != nullptr;
    pthread_mutex_unlock(&gWsvdMutex);
    if (gTxPacket) bmFree(gTxPacket);
    gTxPacket = bmAllocPacket(WSVD_PACKET_SIZE, 32, 1, 0);
    return ok && gTxPacket ? 0 : -1;
}

void wsvdIpmlPeerCallBack(ipmlLink_t *, int event, uint32_t peer) {
    if (event == IPML_PEER_CONNECT) {
        ipmlSetPeerOption(peer, 8, 2);
        auto *client = static_cast<wsvdClient *>(calloc(1, sizeof(wsvdClient)));
        if (!client) {
            WSVD_LOG("wsvd: no memory for peer %u", peer);
            return;
        }
        client->peerId = peer;
        client->refCount = 1;
        Lock lock;
        if (!gClients || p2BtreeInsert(gClients, peer, client) != 0) {
            free(client);
            WSVD_LOG("wsvd: peer %u could not be recorded", peer);
            return;
        }
        gClientsAdded++;
        gClientsPresent++;
    } else if (event == IPML_PEER_LEAVE) {
        bool unanswered = false;
        uint32_t asked = 0;
        {
            Lock lock;
            if (gHaveCliPeer && gCliPeer == peer) {
                gHaveCliPeer = false;
                unanswered = gCliAsked;
                asked = gCliAskedSeqnum;
                gCliAsked = false;
            }
            // Its unfinished requests can never be completed now.
            freePartialRequestsOfLocked(peer);
            auto *client = gClients ? static_cast<wsvdClient *>(findNode(gClients, peer)) : nullptr;
            if (client) {
                p2BtreeDelete(gClients, peer);
                if (gClientsPresent) gClientsPresent--;
                wsvdClientReleaseLocked(client);
            }
        }
        // A CLI that goes away will not answer: its asker fails now, not at its guard.
        if (unanswered) {
            CliAnswer gone = {1, "Cli process is not available"};
            wsvdAnswerActiveRequest(asked, storeCliAnswer, &gone, true);
        }
    }
}

void wsvdIpmlReceive(ipmlLink_t *, uint32_t peer, void *packet, int length) {
    auto *p = static_cast<bmPacket_t *>(packet);
    if (!p) return;
    if (length > 0 && p->data) {
        uint32_t n =
            static_cast<uint32_t>(length) < p->size ? static_cast<uint32_t>(length) : p->size;
        wsvdHandleMessage(peer, p->data, n);
    }
    bmFree(p);
}

void wsvdHandleMessage(uint32_t peer, const uint8_t *data, uint32_t length) {
    tlv_t t;
    uint32_t type = 0;
    if (tlvInit(&t, const_cast<uint8_t *>(data), length) != 0 ||
        tlvDecode(&t, WSVD_TAG_TYPE, TLV_DEC_U32, &type, TLV_DEC_END) != 0) {
        dropMessage(peer, "no message type");
        return;
    }
    wsvdClient *client = acquireClient(peer);
    if (!client) {
        dropMessage(peer, "unknown peer");
        return;
    }
    switch (type) {
        case WSVD_MSG_HELLO:
            handleHello(client, peer, &t);
            break;
        case WSVD_MSG_REQUEST:
        case WSVD_MSG_REQUEST_FIRST:
            handleRequestStart(client, peer, type, &t);
            break;
        case WSVD_MSG_REQUEST_MORE:
        case WSVD_MSG_REQUEST_LAST:
            handleRequestMore(client, peer, type, &t);
            break;
        case WSVD_MSG_CLI_ANSWER:
            handleCliAnswer(peer, &t);
            break;
        default:
            break;  // not a message a peer sends us
    }
    releaseClient(client);
}

int wsvdSendMessage(uint32_t peer, bmPacket_t *packet, uint32_t type, wsvdRequest *record) {
    if (!packet) return 0;
    tlv_t t;
    if (tlvInit(&t, packet->data, packet->size) != 0) return 0;
    int rc = -1;
    if (type == WSVD_MSG_HELLO_ACK) {
        rc = tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, TLV_ENC_END);
    } else if (type >= WSVD_MSG_REPLY && type <= WSVD_MSG_REPLY_LAST && record && record->sending) {
        uint8_t header[WSVD_HDR_SIZE];
        wsvdHeaderPack(record, header);
        rc = tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_HEADER, TLV_ENC_BLOCK, header,
                       (uint32_t)WSVD_HDR_SIZE, WSVD_TAG_PIECE, TLV_ENC_BUFFER,
                       record->sending->text, record->sending->length, TLV_ENC_END);
    } else if (type == WSVD_MSG_CLI_REQUEST && record && record->sending && record->sending->text) {
        rc = tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_CLI_TEXT, TLV_ENC_STRING,
                       record->sending->text, WSVD_TAG_SEQNUM, TLV_ENC_U32, record->seqnum,
                       TLV_ENC_END);
    }
    if (rc != 0) return 0;
    if (bmTrimPacket(packet, tlvLength(&t)) != 0) return 0;
    int sent = ipmlSend(peer, packet, 0);
    bmUnTrimPacket(packet);
    return sent;
}

int wsvdSendReply(wsvdRequest *request, const char *text, int final) {
    uint32_t peer = request->peerId;
    wsvdClient *client = acquireClient(peer);
    if (!client) return -1;
    if (!text) text = "";
    wsvdBuflist_t *pieces = wsvdBufferToBuflist(text, (uint32_t)strlen(text));
    if (!pieces) {
        releaseClient(client);
        return -1;
    }
    // The worker has a packet of its own; intake errors go out on the dispatcher's.
    bmPacket_t *packet = request->replyPacket ? request->replyPacket : gTxPacket;
    int rc = 0;
    for (wsvdBuf_t *piece = pieces->head; piece; piece = piece->next) {
        bool first = piece == pieces->head;
        bool last = piece->next == nullptr;
        uint32_t type;
        if (first && last)
            type = request->replyOffset == 0 ? (final ? WSVD_MSG_REPLY : WSVD_MSG_REPLY_FIRST)
                                             : (final ? WSVD_MSG_REPLY_LAST : WSVD_MSG_REPLY_MORE);
        else if (first)
            type = request->replyOffset == 0 ? WSVD_MSG_REPLY_FIRST : WSVD_MSG_REPLY_MORE;
        else if (last)
            type = final ? WSVD_MSG_REPLY_LAST : WSVD_MSG_REPLY_MORE;
        else
            type = WSVD_MSG_REPLY_MORE;
        request->sending = piece;
        rc = wsvdSendMessage(peer, packet, type, request);
        if (rc < 1) break;
        request->replyOffset += piece->length;
    }
    request->sending = nullptr;
    wsvdBuflistFree(pieces);
    releaseClient(client);
    return rc;
}

int wsvdSendCliRequest(wsvdRequest *request, const char *text) {
    uint32_t peer;
    {
        Lock lock;
        if (!gHaveCliPeer) return -1;
        peer = gCliPeer;
    }
    // Only a worker asks the CLI, and only with its own packet.
    if (!request->replyPacket) return -1;
    if (!text) text = "";
    wsvdBuf_t piece = {const_cast<char *>(text), (uint32_t)strlen(text), nullptr};
    {
        // Before the send: the answer, or the CLI's leaving, may come at once.
        Lock lock;
        gCliAsked = true;
        gCliAskedSeqnum = request->seqnum;
    }
    request->sending = &piece;
    int rc = wsvdSendMessage(peer, request->replyPacket, WSVD_MSG_CLI_REQUEST, request);
    request->sending = nullptr;
    return rc;
}

namespace {
struct Delivery {
    void (*fill)(wsvdRequest *, void *);
    wsvdRequest *request;
    void *arg;
};
void deliver(void *delivery) {
    auto *d = static_cast<Delivery *>(delivery);
    if (d->fill) d->fill(d->request, d->arg);
}
}  // namespace

int wsvdAnswerActiveRequest(uint32_t seqnum, void (*fill)(wsvdRequest *, void *), void *arg,
                            bool final) {
    Lock lock;
    wsvdRequest *r = wsvdRequestLookupBySeqnum(&gWsvdActive, seqnum);
    if (!r) return -1;
    Delivery d{fill, r, arg};
    return wsvdAnswerDeliver(r->answer, deliver, &d, final) ? 0 : -1;
}

void wsvdIntakeGetStats(wsvdIntakeStats_t *out) {
    Lock lock;
    out->peersAdded = gClientsAdded;
    out->peersFreed = gClientsFreed;
    out->peersPresent = gClientsPresent;
    out->partial = wsvdRequestCount(&gPartial);
    out->waiting = wsvdRequestCount(&gWsvdWaiting);
    out->active = wsvdRequestCount(&gWsvdActive);
    out->runningWorkers = gWsvdRunningWorkers;
}
