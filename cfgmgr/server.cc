#include "cfgmgr/server.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/readahead.h"
#include "cfgmgr/request.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"
#include "cmclient/cm_readahead.h"
#include "cmclient/cmlink.h"
#include "platform/bm.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/ds.h"
#include "platform/ipml.h"
#include "platform/linkserver.h"
#include "platform/log.h"
#include "platform/tlv.h"
#include "platform/util.h"

namespace {

// A backend that has not answered a relayed request in this time is not waited for.
const uint64_t kRelayTimeoutUs = 60000000;

struct Peer {
    int role = 0;
    std::string name;
    cmLinkAssembler assembler;
};

struct Relay {
    uint32_t frontPeer;  // 0 once the frontend has gone
    uint32_t frontId;
    std::string module;
    std::string text;
    bool isSet;
    uint64_t deadlineUs;
};

std::map<uint32_t, Peer> gPeers;
std::map<std::string, uint32_t> gBackends;  // application name -> peer
std::map<uint32_t, Relay> gRelays;
uint32_t gNextRelay = 1;
bool gLoadAnnounced;
uint32_t gAnnouncedThreshold;
dispatchWork_t gTick;
// The count of changes to the store, shared with the frontends (null: not shared; they
// then watch their link for news of a change).
std::unique_ptr<cmLinkChanges> gChanges;

uint64_t changesNow() {
    return gChanges ? gChanges->count() : 0;
}

// The batch a walking peer will ask for next, computed after sending it the one before,
// while its process works through that: the same work its request would cause on
// arrival, done early. Every request other than a get drops it, before it is handled,
// so a walk never gets rows older than a change answered before it asked.
uint32_t gPreparedPeer = 0;
cfgAheadBatch gPrepared;

void dropPrepared() {
    gPreparedPeer = 0;
    gPrepared = cfgAheadBatch();
}

std::string karnConfigDirString() {
    return karnConfigDir();
}

void sendTo(uint32_t peer, const cmLinkMessage &message) {
    cmLinkSendPieces(message.bytes(), [peer](const uint8_t *data, uint32_t length) {
        bmPacket_t *packet = bmAllocPacket(length, 0, 1);
        if (!packet) return -1;
        memcpy(packet->data, data, length);
        int sent = ipmlSend(peer, packet, 0);
        bmFree(packet);
        return sent > 0 ? 0 : -1;
    });
}

// Appends a message's frames as they go on the wire, for a burst sent in one write.
void appendFrames(const cmLinkMessage &message, std::vector<uint8_t> *burst) {
    cmLinkSendPieces(message.bytes(), [burst](const uint8_t *data, uint32_t length) {
        const auto *word = reinterpret_cast<const uint8_t *>(&length);
        burst->insert(burst->end(), word, word + 4);
        burst->insert(burst->end(), data, data + length);
        return 0;
    });
}

cmLinkMessage replyMessage(uint32_t id, uint32_t status, const std::string &message,
                           const std::string &data) {
    cmLinkMessage m(CMLINK_REPLY);
    m.u32(CMLINK_TAG_ID, id).u32(CMLINK_TAG_STATUS, status);
    if (!message.empty()) m.text(CMLINK_TAG_MESSAGE, message.c_str());
    // A successful reply always carries its data, even when no row came back.
    if (status != 0) m.text(CMLINK_TAG_DATA, data.c_str());
    return m;
}

void reply(uint32_t peer, uint32_t id, uint32_t status, const std::string &message,
           const std::string &data) {
    if (!peer) return;
    sendTo(peer, replyMessage(id, status, message, data));
}

// The configured number of failed logins before lock-out, which frontends are told.
uint32_t lockoutThreshold() {
    return uint32_t(
        strtoul(cfgStoreSingleValue("cfgmgr", "loginLockout", "failures").c_str(), nullptr, 10));
}

void sendThreshold(uint32_t peer, int event, uint32_t value) {
    cmLinkMessage m(CMLINK_THRESHOLD);
    m.u32(CMLINK_TAG_EVENT, uint32_t(event)).u32(CMLINK_TAG_VALUE, value);
    sendTo(peer, m);
}

// After every change: frontends hear of a new threshold.
void announceThreshold() {
    uint32_t now = lockoutThreshold();
    if (now == gAnnouncedThreshold) return;
    gAnnouncedThreshold = now;
    for (auto &[id, peer] : gPeers)
        if (peer.role == CMLINK_ROLE_FRONTEND) sendThreshold(id, CM_EVENT_LOCKOUT_CHANGED, now);
}

void announceChange() {
    // The count first: a frontend that reads it after the setter's reply, or after this
    // news, sees it moved.
    if (gChanges) gChanges->bump();
    cmLinkMessage m(CMLINK_CHANGED);
    for (auto &[id, peer] : gPeers)
        if (peer.role == CMLINK_ROLE_FRONTEND) sendTo(id, m);
}

int saveHook(std::string *why) {
    return cfgPersistSave(karnConfigDirString(), why);
}

void failRelays(const std::string &backend, const std::string &why) {
    for (auto it = gRelays.begin(); it != gRelays.end();) {
        if (it->second.module == backend) {
            reply(it->second.frontPeer, it->second.frontId, 0, why, "");
            it = gRelays.erase(it);
        } else {
            ++it;
        }
    }
}

void onRequest(uint32_t peer, tlv_t *t) {
    uint32_t id, operation, flags;
    const char *text;
    if (tlvDecode(t, CMLINK_TAG_ID, TLV_DEC_U32, &id, CMLINK_TAG_OPERATION, TLV_DEC_U32, &operation,
                  CMLINK_TAG_FLAGS, TLV_DEC_U32, &flags, CMLINK_TAG_TEXT, TLV_DEC_STRING, &text,
                  nullptr, TLV_DEC_END) != 0) {
        logWarn("malformed request from peer %u dropped", peer);
        return;
    }
    if (operation != CM_OP_GET) dropPrepared();
    std::string module = cfgRequestModule(text);
    auto backend = gBackends.find(module);
    if (backend != gBackends.end() || cfgStoreIsBackendModule(module)) {
        if (backend == gBackends.end()) {
            reply(peer, id, 0, "Backend " + module + " is not connected.", "");
            return;
        }
        uint32_t relayId = gNextRelay++;
        cmLinkMessage m(CMLINK_BE_REQUEST);
        m.u32(CMLINK_TAG_ID, relayId)
            .u32(CMLINK_TAG_OPERATION, operation)
            .u32(CMLINK_TAG_FLAGS, flags)
            .text(CMLINK_TAG_TEXT, text);
        gRelays[relayId] =
            Relay{peer, id, module, text, operation == CM_OP_SET, clockNowUs() + kRelayTimeoutUs};
        sendTo(backend->second, m);
        return;
    }
    uint32_t ahead = 0;
    if (operation == CM_OP_GET && flags == CM_GET_NEXT &&
        tlvDecode(t, CMLINK_TAG_AHEAD, TLV_DEC_U32, &ahead, TLV_DEC_END) == 0 && ahead > 0) {
        if (ahead > CM_READ_AHEAD_MOST) ahead = CM_READ_AHEAD_MOST;
        cfgAheadBatch batch;
        if (gPreparedPeer == peer && gPrepared.ahead == ahead &&
            gPrepared.request == cmCanonicalGetOfText(text)) {
            batch = std::move(gPrepared);
        } else {
            batch.ahead = ahead;
            batch.changes = changesNow();
            batch.reply = cfgStoreHandle(flags, text);
            batch.answers = cfgReadAhead(text, batch.reply, ahead);
        }
        dropPrepared();
        const cfgReply_t &r = batch.reply;
        const std::vector<cfgAheadAnswer> &answers = batch.answers;
        // The answers read ahead, then the reply, in one write: the walk's process wakes
        // once for them all. The buffer is kept for the next batch: a new one of some
        // 200 kB each time grew the heap and gave it back to the kernel (a trim) per batch.
        static std::vector<uint8_t> burst;
        burst.clear();
        for (const cfgAheadAnswer &a : answers) {
            cmLinkMessage m(CMLINK_AHEAD);
            m.u32(CMLINK_TAG_ID, id)
                .text(CMLINK_TAG_TEXT, a.request.c_str())
                .u32(CMLINK_TAG_STATUS, a.reply.status);
            if (gChanges) m.u64(CMLINK_TAG_CHANGES, batch.changes);
            if (!a.reply.message.empty()) m.text(CMLINK_TAG_MESSAGE, a.reply.message.c_str());
            if (a.reply.status != 0) m.text(CMLINK_TAG_DATA, a.reply.data.c_str());
            appendFrames(m, &burst);
        }
        appendFrames(replyMessage(id, r.status, r.message, r.data), &burst);
        ipmlSendFrames(peer, burst.data(), burst.size());
        if (cfgNextBatch(answers, ahead, &gPrepared)) {
            gPrepared.changes = changesNow();
            gPreparedPeer = peer;
        }
        return;
    }
    cfgReply_t r = cfgStoreHandle(flags, text);
    bool changed = operation != CM_OP_GET && r.status != 0;
    // Before the setter hears that its set is done: a walk that starts after it then
    // never gets answers read ahead before it, whoever reads.
    if (changed) announceChange();
    reply(peer, id, r.status, r.message, r.data);
    if (changed) announceThreshold();
}

void onBackendReply(tlv_t *t) {
    uint32_t id, status;
    if (tlvDecode(t, CMLINK_TAG_ID, TLV_DEC_U32, &id, CMLINK_TAG_STATUS, TLV_DEC_U32, &status,
                  TLV_DEC_END) != 0)
        return;
    auto it = gRelays.find(id);
    if (it == gRelays.end()) return;
    const char *message = nullptr, *data = nullptr;
    tlvDecode(t, CMLINK_TAG_MESSAGE, TLV_DEC_STRING, &message, nullptr, TLV_DEC_END);
    tlvDecode(t, CMLINK_TAG_DATA, TLV_DEC_STRING, &data, nullptr, TLV_DEC_END);
    Relay relay = it->second;
    gRelays.erase(it);
    if (relay.isSet && status != 0) cfgRelayRecord(relay.module, relay.text);
    reply(relay.frontPeer, relay.frontId, status, message ? message : "", data ? data : "");
}

void onLoad(uint32_t peer, const Peer &p) {
    std::string texts;
    for (const std::string &text : cfgRelayTexts(p.name)) {
        texts += text;
        texts.push_back(0);
    }
    cmLinkMessage m(CMLINK_LOAD_DATA);
    m.u32(CMLINK_TAG_ID, 0).block(CMLINK_TAG_TEXT, texts.data(), uint32_t(texts.size()));
    sendTo(peer, m);
}

void onMessage(uint32_t peer, Peer &p, const std::vector<uint8_t> &bytes) {
    uint32_t kind = 0;
    if (cmLinkDecodeKind(bytes.data(), uint32_t(bytes.size()), &kind) != 0) {
        logWarn("message without kind from peer %u dropped", peer);
        return;
    }
    tlv_t t;
    tlvInit(&t, const_cast<uint8_t *>(bytes.data()), uint32_t(bytes.size()));
    switch (kind) {
        case CMLINK_HELLO: {
            uint32_t role;
            const char *name;
            if (tlvDecode(&t, CMLINK_TAG_ROLE, TLV_DEC_U32, &role, CMLINK_TAG_NAME, TLV_DEC_STRING,
                          &name, nullptr, TLV_DEC_END) != 0 ||
                (role != CMLINK_ROLE_FRONTEND && role != CMLINK_ROLE_BACKEND) || p.role) {
                logWarn("bad hello from peer %u ignored", peer);
                return;
            }
            p.role = int(role);
            p.name = name;
            if (role == CMLINK_ROLE_FRONTEND) {
                sendThreshold(peer, CM_EVENT_LOCKOUT_THRESHOLD, lockoutThreshold());
                if (gChanges) {
                    cmLinkMessage m(CMLINK_CHANGES);
                    m.text(CMLINK_TAG_TEXT, gChanges->path().c_str())
                        .u64(CMLINK_TAG_TOKEN, gChanges->token());
                    sendTo(peer, m);
                }
            } else {
                auto old = gBackends.find(p.name);
                if (old != gBackends.end() && old->second != peer)
                    failRelays(p.name, "Backend " + p.name + " was replaced.");
                gBackends[p.name] = peer;
                logInfo("backend %s connected", name);
            }
            return;
        }
        case CMLINK_REQUEST:
            if (p.role == CMLINK_ROLE_FRONTEND) onRequest(peer, &t);
            return;
        case CMLINK_REPLY:
            if (p.role == CMLINK_ROLE_BACKEND) onBackendReply(&t);
            return;
        case CMLINK_LOAD:
            if (p.role == CMLINK_ROLE_BACKEND) onLoad(peer, p);
            return;
        default:
            logWarn("message of unknown kind %u from peer %u dropped", kind, peer);
    }
}

void onReceive(ipmlLink_t *, uint32_t peer, void *packet, int length) {
    auto *p = static_cast<bmPacket_t *>(packet);
    if (!p) return;
    auto it = gPeers.find(peer);
    if (it != gPeers.end() && length > 0 && uint32_t(length) <= p->size) {
        Peer &state = it->second;
        int whole = state.assembler.add(p->data, uint32_t(length));
        if (whole < 0) {
            logWarn("malformed frame from peer %u; message dropped", peer);
            state.assembler = cmLinkAssembler();
        } else if (whole == 1) {
            std::vector<uint8_t> bytes = state.assembler.message();
            onMessage(peer, state, bytes);
        }
    }
    bmFree(p);
}

void onPeer(ipmlLink_t *, int event, uint32_t peer) {
    if (event == IPML_PEER_CONNECT) {
        gPeers[peer] = Peer();
        return;
    }
    auto it = gPeers.find(peer);
    if (it == gPeers.end()) return;
    if (it->second.role == CMLINK_ROLE_BACKEND) {
        auto b = gBackends.find(it->second.name);
        if (b != gBackends.end() && b->second == peer) {
            gBackends.erase(b);
            failRelays(it->second.name, "Backend " + it->second.name + " went away.");
            logInfo("backend %s disconnected", it->second.name.c_str());
        }
    }
    for (auto &[id, relay] : gRelays)
        if (relay.frontPeer == peer) relay.frontPeer = 0;
    gPeers.erase(it);
    if (gPreparedPeer == peer) dropPrepared();
}

void onTick(void *) {
    uint64_t now = clockNowUs();
    for (auto it = gRelays.begin(); it != gRelays.end();) {
        if (it->second.deadlineUs <= now) {
            reply(it->second.frontPeer, it->second.frontId, 0,
                  "Backend " + it->second.module + " did not answer.", "");
            it = gRelays.erase(it);
        } else {
            ++it;
        }
    }
}

// Each time the link is (re)opened.
void onServing(uint16_t linkNumber) {
    dmSetProcessState(0, DM_STATE_RUNNING);
    if (!gLoadAnnounced) {
        // Backends apply their saved configuration now that it is loaded and served.
        gLoadAnnounced = dmSendLoadRequest("") == 0;
    }
    logInfo("serving link %u", linkNumber);
}

const dsLinkServer_t kLinkServer = {"cfgmgr", "cfgmgrReceive", onPeer, onReceive, onServing};

}  // namespace

int cfgServerStart() {
    cfgStoreSetEnvironment(cfgStoreEnvironment_t{saveHook, karnConfigDirString, announceChange});
    gAnnouncedThreshold = lockoutThreshold();
    // Beside the link's socket (platformd made the directory), before the link is
    // served: a frontend of a cfgmgr before this one stops trusting its answers read
    // ahead before this one answers anybody.
    gChanges = cmLinkChanges::publish(karnRunDir());
    if (!gChanges)
        logWarn("cannot share the change count in %s; frontends watch their link instead",
                karnRunDir());
    gTick = dispatchExecuteWorkItem(onTick, nullptr, 0, {1, 0}, DISPATCH_WORK_REPEAT);
    dsServeLink(&kLinkServer);
    return gTick ? 0 : -1;
}

void cfgServerStop() {
    // Frontends stop trusting what was read ahead even before they see the link end.
    if (gChanges) gChanges->bump();
    dsStopLink();
    dsDeregister("cfgmgr", 1);
}
