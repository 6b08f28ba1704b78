#include "platformd/server.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/aaa.h"
#include "platform/clock.h"
#include "platform/dm.h"
#include "platform/dmcard.h"
#include "platform/log.h"
#include "platform/plink.h"
#include "platform/portlist.h"
#include "platform/util.h"
#include "platformd/aaa_accounts.h"
#include "platformd/sessions.h"

namespace {

enum { WRITE_TIMEOUT_MS = 1000 };

struct Client {
    int fd;
    uint64_t serial;  // never reused, unlike the descriptor
    std::vector<uint8_t> in;
    bool hello = false;
    bool dead = false;
    std::string name;
    uint32_t pid = 0;
};

struct Directory {
    uint16_t link;
    uint64_t owner;  // serial of the registering client, 0 when none
};

int gListenFd = -1;
char gSocketPath[108];
std::map<int, Client> gClients;
uint64_t gNextSerial = 1;
std::map<std::string, int> gStates;
std::map<std::string, Directory> gDirectory;
uint16_t gNextLink = 1000;

void drop(Client &c, const char *why) {
    if (c.dead) return;
    if (why)
        logWarn("dropping client %s (pid %u): %s", c.name.empty() ? "?" : c.name.c_str(), c.pid,
                why);
    c.dead = true;
}

void send(Client &c, tlv_t *t) {
    if (c.dead) return;
    if (plinkWriteFrame(c.fd, t->buf, tlvLength(t), WRITE_TIMEOUT_MS) != 0)
        drop(c, "write failed or client stopped reading");
}

void sendEvent(Client &c, int event, const char *name) {
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_EVENT), PLINK_TAG_EVENT, TLV_ENC_U32,
              uint32_t(event), PLINK_TAG_NAME, TLV_ENC_STRING, name, TLV_ENC_END);
    send(c, &t);
}

void broadcast(int event, const char *name) {
    for (auto &entry : gClients)
        if (entry.second.hello) sendEvent(entry.second, event, name);
}

void setState(const std::string &name, int state) {
    int &current = gStates[name];
    bool cameUp = current < DM_STATE_RUNNING && state >= DM_STATE_RUNNING;
    current = state;
    if (cameUp) broadcast(DM_EVENT_PROCESS_UP, name.c_str());
}

bool decodeName(tlv_t *t, const char **name) {
    return tlvDecode(t, PLINK_TAG_NAME, TLV_DEC_STRING, name, static_cast<uint32_t *>(nullptr),
                     TLV_DEC_END) == 0 &&
           strlen(*name) <= PLINK_NAME_MAX;
}

// ---- one handler per message kind; each returns false when the message is malformed

bool onHello(Client &c, tlv_t *t) {
    uint32_t id, pid;
    const char *name;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_PID, TLV_DEC_U32, &pid,
                  TLV_DEC_END) != 0 ||
        !decodeName(t, &name))
        return false;
    c.hello = true;
    c.name = name;
    c.pid = pid;
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_HELLO_ACK), PLINK_TAG_REPLY_TO,
              TLV_ENC_U32, id, TLV_ENC_END);
    send(c, &r);
    // A process that connects late still learns of every start-up it missed.
    for (auto &state : gStates)
        if (state.second >= DM_STATE_RUNNING)
            sendEvent(c, DM_EVENT_PROCESS_UP, state.first.c_str());
    return true;
}

bool onSetState(Client &c, tlv_t *t) {
    uint32_t state;
    if (tlvDecode(t, PLINK_TAG_STATE, TLV_DEC_U32, &state, TLV_DEC_END) != 0) return false;
    setState(c.name, int(state));
    return true;
}

bool onGetState(Client &c, tlv_t *t) {
    uint32_t id;
    const char *name;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0 || !decodeName(t, &name))
        return false;
    auto it = gStates.find(name);
    uint32_t state = it == gStates.end() ? 0 : uint32_t(it->second);
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_STATE), PLINK_TAG_REPLY_TO,
              TLV_ENC_U32, id, PLINK_TAG_STATE, TLV_ENC_U32, state, TLV_ENC_END);
    send(c, &r);
    return true;
}

bool onRegister(Client &c, tlv_t *t) {
    uint32_t id;
    const char *name;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0 || !decodeName(t, &name))
        return false;
    uint8_t buf[128];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    if (!*name) {
        tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_RESULT), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32, uint32_t(-1), TLV_ENC_END);
        send(c, &r);
        return true;
    }
    auto it = gDirectory.find(name);
    if (it == gDirectory.end()) it = gDirectory.emplace(name, Directory{gNextLink++, 0}).first;
    it->second.owner = c.serial;
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_RESULT), PLINK_TAG_ID, TLV_ENC_U32,
              id, PLINK_TAG_STATUS, TLV_ENC_U32, 0u, PLINK_TAG_NAME, TLV_ENC_STRING, name,
              PLINK_TAG_LINK, TLV_ENC_U32, uint32_t(it->second.link), TLV_ENC_END);
    send(c, &r);
    return true;
}

bool onDeregister(Client &c, tlv_t *t) {
    const char *name;
    if (!decodeName(t, &name)) return false;
    auto it = gDirectory.find(name);
    if (it != gDirectory.end() && it->second.owner == c.serial) it->second.owner = 0;
    return true;
}

bool ownerAlive(uint64_t serial) {
    if (!serial) return false;
    for (auto &entry : gClients)
        if (entry.second.serial == serial) return !entry.second.dead;
    return false;
}

bool onLookup(Client &c, tlv_t *t) {
    uint32_t id;
    const char *name;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0 || !decodeName(t, &name))
        return false;
    auto it = gDirectory.find(name);
    bool found = it != gDirectory.end() && ownerAlive(it->second.owner);
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_LINK), PLINK_TAG_REPLY_TO,
              TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32, found ? 0u : uint32_t(-1),
              PLINK_TAG_LINK, TLV_ENC_U32, found ? uint32_t(it->second.link) : 0u, TLV_ENC_END);
    send(c, &r);
    return true;
}

bool onSetPid(Client &c, tlv_t *t) {
    return tlvDecode(t, PLINK_TAG_PID, TLV_DEC_U32, &c.pid, TLV_DEC_END) == 0;
}

bool onLoad(Client &, tlv_t *t) {
    const char *name;
    if (!decodeName(t, &name)) return false;
    serverBroadcastLoad(name);
    return true;
}

void sendStatus(Client &c, uint32_t id, int status);

// ---- AAA: the switch's local accounts (aaa_accounts.h)

// A number from the environment, or `fallback` when it is not one from `min` to `max`.
uint32_t envNumber(const char *name, long min, long max, uint32_t fallback) {
    const char *v = getenv(name);
    if (!v || !*v) return fallback;
    char *end;
    long n = strtol(v, &end, 10);
    return *end == 0 && n >= min && n <= max ? uint32_t(n) : fallback;
}

// The lock-out period comes from KARN_AAA_LOCKOUT_SECONDS (default 300), the failures
// in a row that lock an account from KARN_AAA_LOCKOUT_FAILURES (default 3, as the
// configuration manager's own default; 0 leaves locking to the callers' flag).
aaaAuthenticator &authenticator() {
    static aaaAccountStore store(std::string(karnConfigDir()) + "/accounts");
    static aaaAuthenticator aaa(store, envNumber("KARN_AAA_LOCKOUT_SECONDS", 1, 86400 * 365, 300),
                                envNumber("KARN_AAA_LOCKOUT_FAILURES", 0, 1000000, 3));
    return aaa;
}

// Tells every process that credentials accepted before may no longer hold.
void announceAaaChange() {
    uint8_t buf[32];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_CHANGED), TLV_ENC_END);
    for (auto &entry : gClients)
        if (entry.second.hello) send(entry.second, &t);
}

// Another process changed the account file: read it now, and announce before answering,
// so that a request made after the change is never answered from before it.
bool onAaaReload(Client &c, tlv_t *t) {
    uint32_t id = 0;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0) return false;
    int status = karnConfigDir()[0] && authenticator().reload() == 0 ? 0 : -1;
    announceAaaChange();
    sendStatus(c, id, status);
    return true;
}

bool onAaaAuth(Client &c, tlv_t *t) {
    uint32_t id = 0, lockout = 0;
    const char *name = nullptr, *password = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_LOCKOUT, TLV_DEC_U32, &lockout,
                  PLINK_TAG_NAME, TLV_DEC_STRING, &name, static_cast<uint32_t *>(nullptr),
                  PLINK_TAG_PASSWORD, TLV_DEC_STRING, &password, static_cast<uint32_t *>(nullptr),
                  TLV_DEC_END) != 0)
        return false;
    aaaVerdict v;
    if (!karnConfigDir()[0]) {
        v.error = AAA_ERR_STORE;
    } else {
        uint64_t before = authenticator().generation();
        v = authenticator().authenticate(name, password, lockout != 0, clockNowUs());
        if (authenticator().generation() != before) announceAaaChange();
        if (v.lockedNow)
            logWarn(
                "account \"%s\" locked for %llu s after failed logins", name,
                static_cast<unsigned long long>(authenticator().lockout().periodUs() / 1000000));
    }
    uint32_t flags = v.readWrite ? AAA_FLAG_READ_WRITE : 0;
    uint32_t privilege = !v.authenticated ? 0
                         : v.readWrite    ? SM_PRIVILEGE_READ_WRITE
                                          : SM_PRIVILEGE_READ_ONLY;
    uint8_t buf[256];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_RESULT), PLINK_TAG_ID,
              TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32, uint32_t(v.authenticated ? 1 : 0),
              PLINK_TAG_ERROR, TLV_ENC_U32, uint32_t(v.error), PLINK_TAG_FLAGS, TLV_ENC_U32, flags,
              PLINK_TAG_PRIVILEGE, TLV_ENC_U32, privilege, PLINK_TAG_NAME, TLV_ENC_STRING, name,
              TLV_ENC_END);
    send(c, &r);
    return true;
}

// ---- session manager (sessions.h)

void sendStatus(Client &c, uint32_t id, int status) {
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_STATUS), PLINK_TAG_REPLY_TO,
              TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32, uint32_t(status), TLV_ENC_END);
    send(c, &r);
}

bool decodeCookie(tlv_t *t, const char **cookie) {
    uint32_t length = 0;
    return tlvDecode(t, PLINK_TAG_COOKIE, TLV_DEC_STRING, cookie, &length, TLV_DEC_END) == 0 &&
           strlen(*cookie) <= 32;
}

bool onSmStart(Client &c, tlv_t *t) {
    uint32_t id = 0;
    smRecord rec{};
    const char *name = nullptr, *cookie = nullptr;
    const void *address = nullptr;
    uint32_t addressLength = 0;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_PRIVILEGE, TLV_DEC_U32,
                  &rec.privilege, PLINK_TAG_TIME, TLV_DEC_U32, &rec.startTime, PLINK_TAG_NAME,
                  TLV_DEC_STRING, &name, static_cast<uint32_t *>(nullptr), PLINK_TAG_ADDRESS,
                  TLV_DEC_BLOCK, &address, &addressLength, TLV_DEC_END) != 0 ||
        addressLength != sizeof rec.clientAddress || !decodeCookie(t, &cookie) ||
        strlen(name) > AAA_NAME_MAX)
        return false;
    rec.owner = c.serial;
    rec.ownerName = c.name;
    rec.userName = name;
    rec.cookie = cookie;
    memcpy(rec.clientAddress, address, sizeof rec.clientAddress);
    sendStatus(c, id, smRecordStart(rec));
    return true;
}

bool onSmEnd(Client &c, tlv_t *t) {
    uint32_t id = 0;
    const char *cookie = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0 || !decodeCookie(t, &cookie))
        return false;
    sendStatus(c, id, smRecordEnd(c.serial, cookie));
    return true;
}

// Sends `text` as a reply of `kind` (reply-to, status 0, text), or status -1 when it
// does not fit a frame.
void sendText(Client &c, uint32_t kind, uint32_t id, const std::string &text) {
    std::vector<uint8_t> buf(text.size() + 64);
    tlv_t r;
    tlvInit(&r, buf.data(), uint32_t(buf.size()));
    if (text.size() > PLINK_MAX_FRAME - 64 ||
        tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, kind, PLINK_TAG_REPLY_TO, TLV_ENC_U32, id,
                  PLINK_TAG_STATUS, TLV_ENC_U32, 0u, PLINK_TAG_TEXT, TLV_ENC_STRING, text.c_str(),
                  TLV_ENC_END) != 0) {
        sendStatus(c, id, -1);
        return;
    }
    send(c, &r);
}

bool onSmList(Client &c, tlv_t *t) {
    uint32_t id = 0;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0) return false;
    sendText(c, PLINK_SM_LIST_REPLY, id, smRecordListText());
    return true;
}

// Ending a session from outside: its owner hears action 1 and ends it itself, which
// removes the record through PLINK_SM_END. True when the owner was told.
bool tellOwnerToEnd(const std::string &cookie) {
    uint64_t owner = smRecordOwner(cookie);
    Client *target = nullptr;
    for (auto &entry : gClients)
        if (entry.second.serial == owner && !entry.second.dead) target = &entry.second;
    if (!target) return false;
    uint8_t buf[128];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_ACTION), PLINK_TAG_ACTION,
              TLV_ENC_U32, 1u, PLINK_TAG_COOKIE, TLV_ENC_STRING, cookie.c_str(), TLV_ENC_END);
    send(*target, &r);
    return true;
}

bool onSmKill(Client &c, tlv_t *t) {
    uint32_t id = 0, flags = 0;
    const char *cookie = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0) return false;
    tlvDecode(t, PLINK_TAG_FLAGS, TLV_DEC_U32, &flags, TLV_DEC_END);
    if (flags & PLINK_SM_KILL_ALL) {
        std::vector<std::string> cookies;
        for (const smRecord &r : smRecords()) cookies.push_back(r.cookie);
        int told = 0;
        for (const std::string &each : cookies) told += tellOwnerToEnd(each) ? 1 : 0;
        sendStatus(c, id, told);
        return true;
    }
    if (!decodeCookie(t, &cookie)) return false;
    sendStatus(c, id, tellOwnerToEnd(cookie) ? 0 : -1);
    return true;
}

// ---- lock-out of accounts: listed and lifted by an operator

bool onAaaLocks(Client &c, tlv_t *t) {
    uint32_t id = 0;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0) return false;
    std::string text;
    for (auto &[name, leftUs] : authenticator().lockout().lockedAccounts(clockNowUs()))
        text += name + " " + std::to_string((leftUs + 999999) / 1000000) + "\n";
    sendText(c, PLINK_AAA_LOCKS_REPLY, id, text);
    return true;
}

bool onAaaUnlock(Client &c, tlv_t *t) {
    uint32_t id = 0;
    const char *name = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END) != 0 || !decodeName(t, &name))
        return false;
    aaaLockout &lockout = authenticator().lockout();
    bool wasLocked = lockout.locked(name, clockNowUs());
    if (wasLocked) {
        lockout.unlock(name);
        logInfo("account \"%s\" unlocked by an operator", name);
    }
    sendStatus(c, id, wasLocked ? 0 : -1);
    return true;
}

// ---- port events (switchctl event): every process hears of them

// A front port of the switch description.
bool isFrontPort(uint32_t port) {
    int slot = int(port >> 16), number = int(port & 0xFFFF);
    return !plIsMgmtPort(port) && dmSlotUsable(slot) && number >= 1 &&
           number <= dmGetCardPorts(slot);
}

bool onPortEvent(Client &c, tlv_t *t) {
    uint32_t id = 0, event = 0, port = 0;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_ACTION, TLV_DEC_U32, &event,
                  PLINK_TAG_PORT, TLV_DEC_U32, &port, TLV_DEC_END) != 0)
        return false;
    bool known =
        event >= DM_PORT_DEVICE_DETECT && event <= DM_PORT_USER_UNAUTHENTICATE && isFrontPort(port);
    if (known) {
        uint8_t buf[128];
        tlv_t e;
        tlvInit(&e, buf, sizeof buf);
        tlvEncode(&e, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_EVENT), PLINK_TAG_EVENT,
                  TLV_ENC_U32, uint32_t(DM_EVENT_PORT), PLINK_TAG_NAME, TLV_ENC_STRING, "",
                  PLINK_TAG_ACTION, TLV_ENC_U32, event, PLINK_TAG_PORT, TLV_ENC_U32, port,
                  TLV_ENC_END);
        for (auto &entry : gClients)
            if (entry.second.hello) send(entry.second, &e);
    }
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_PORT_STATUS),
              PLINK_TAG_REPLY_TO, TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32,
              known ? 0u : uint32_t(-1), TLV_ENC_END);
    send(c, &r);
    return true;
}

// ---- identities seen on ports (switchctl identity): every process hears of them

bool isName(const char *text) {
    size_t n = strnlen(text, DM_IDENTITY_NAME_MAX + 1);
    if (n == 0 || n > DM_IDENTITY_NAME_MAX) return false;
    for (size_t i = 0; i < n; i++)
        if (!isgraph(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// Six hexadecimal pairs separated by colons.
bool isMac(const char *text) {
    if (strlen(text) != 17) return false;
    for (int i = 0; i < 17; i++)
        if (i % 3 == 2 ? text[i] != ':' : !isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

bool onIdentityEvent(Client &c, tlv_t *t) {
    uint32_t id = 0, port = 0;
    const char *user = nullptr, *domain = nullptr, *mac = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_NAME, TLV_DEC_STRING, &user,
                  static_cast<uint32_t *>(nullptr), PLINK_TAG_DOMAIN, TLV_DEC_STRING, &domain,
                  static_cast<uint32_t *>(nullptr), PLINK_TAG_TEXT, TLV_DEC_STRING, &mac,
                  static_cast<uint32_t *>(nullptr), PLINK_TAG_PORT, TLV_DEC_U32, &port,
                  TLV_DEC_END) != 0)
        return false;
    bool known = isName(user) && isName(domain) && isMac(mac) && isFrontPort(port);
    if (known) {
        uint8_t buf[512];
        tlv_t e;
        tlvInit(&e, buf, sizeof buf);
        tlvEncode(&e, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_EVENT), PLINK_TAG_EVENT,
                  TLV_ENC_U32, uint32_t(DM_EVENT_IDENTITY), PLINK_TAG_NAME, TLV_ENC_STRING, user,
                  PLINK_TAG_DOMAIN, TLV_ENC_STRING, domain, PLINK_TAG_TEXT, TLV_ENC_STRING, mac,
                  PLINK_TAG_PORT, TLV_ENC_U32, port, TLV_ENC_END);
        for (auto &entry : gClients)
            if (entry.second.hello) send(entry.second, &e);
    }
    uint8_t buf[64];
    tlv_t r;
    tlvInit(&r, buf, sizeof buf);
    tlvEncode(&r, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_PORT_STATUS), PLINK_TAG_REPLY_TO,
              TLV_ENC_U32, id, PLINK_TAG_STATUS, TLV_ENC_U32, known ? 0u : uint32_t(-1),
              TLV_ENC_END);
    send(c, &r);
    return true;
}

typedef bool (*Handler)(Client &c, tlv_t *t);
struct HandlerEntry {
    Handler handler;
    bool needsHello;
};

// Later services add their kinds here.
HandlerEntry handlerFor(uint32_t kind) {
    switch (kind) {
        case PLINK_HELLO:
            return {onHello, false};
        case PLINK_SET_STATE:
            return {onSetState, true};
        case PLINK_GET_STATE:
            return {onGetState, false};
        case PLINK_DS_REGISTER:
            return {onRegister, true};
        case PLINK_DS_DEREGISTER:
            return {onDeregister, true};
        case PLINK_DS_LOOKUP:
            return {onLookup, false};
        case PLINK_SET_PID:
            return {onSetPid, true};
        case PLINK_LOAD:
            return {onLoad, false};
        case PLINK_AAA_AUTH:
            return {onAaaAuth, true};
        case PLINK_AAA_RELOAD:
            return {onAaaReload, false};
        case PLINK_SM_START:
            return {onSmStart, true};
        case PLINK_SM_END:
            return {onSmEnd, true};
        case PLINK_SM_LIST:
            return {onSmList, false};
        case PLINK_SM_KILL:
            return {onSmKill, false};
        case PLINK_PORT_EVENT:
            return {onPortEvent, false};
        case PLINK_IDENTITY:
            return {onIdentityEvent, false};
        case PLINK_AAA_LOCKS:
            return {onAaaLocks, false};
        case PLINK_AAA_UNLOCK:
            return {onAaaUnlock, false};
        default:
            return {nullptr, false};
    }
}

void handleFrame(Client &c, uint8_t *data, uint32_t length) {
    tlv_t t;
    tlvInit(&t, data, length);
    uint32_t kind = plinkKindOf(&t);
    HandlerEntry entry = handlerFor(kind);
    const char *why = nullptr;
    if (!entry.handler)
        why = "unknown message kind";
    else if (entry.needsHello && !c.hello)
        why = "message before hello";
    else if (!entry.handler(c, &t))
        why = "undecodable message";
    if (why)
        logWarn("%s (kind %u, %u bytes) from %s; dropped", why, kind, length,
                c.name.empty() ? "?" : c.name.c_str());
}

void readClient(Client &c) {
    uint8_t chunk[8192];
    ssize_t n = read(c.fd, chunk, sizeof chunk);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR && errno != EWOULDBLOCK)) {
        c.dead = true;  // a process going away is no news worth a log line
        return;
    }
    if (n < 0) return;
    c.in.insert(c.in.end(), chunk, chunk + n);
    size_t at = 0;
    while (!c.dead && c.in.size() - at >= sizeof(uint32_t)) {
        uint32_t length;
        memcpy(&length, c.in.data() + at, sizeof length);
        if (length == 0 || length > PLINK_MAX_FRAME) {
            drop(c, "bad frame length");
            break;
        }
        if (c.in.size() - at - sizeof length < length) break;
        handleFrame(c, c.in.data() + at + sizeof length, length);
        at += sizeof length + length;
    }
    c.in.erase(c.in.begin(), c.in.begin() + at);
}

void acceptClients() {
    for (;;) {
        int fd = accept4(gListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        Client c;
        c.fd = fd;
        c.serial = gNextSerial++;
        gClients.emplace(fd, std::move(c));
    }
}

bool nameStillConnected(const std::string &name) {
    for (auto &entry : gClients)
        if (!entry.second.dead && entry.second.name == name) return true;
    return false;
}

// Closes dead clients. A process whose last connection is gone is down.
void sweep() {
    for (bool again = true; again;) {
        again = false;
        for (auto it = gClients.begin(); it != gClients.end(); ++it) {
            if (!it->second.dead) continue;
            std::string name = it->second.name;
            smRecordDropOwner(it->second.serial);
            close(it->first);
            gClients.erase(it);
            if (!name.empty() && !nameStillConnected(name)) gStates[name] = 0;
            again = true;
            break;
        }
    }
}

int mkdirs(const char *path) {
    std::string p(path);
    for (size_t i = 1; i <= p.size(); i++) {
        if (i < p.size() && p[i] != '/') continue;
        std::string prefix = p.substr(0, i);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    }
    return 0;
}

}  // namespace

int serverListen() {
    if (mkdirs(karnRunDir()) != 0) {
        logError("cannot create %s: %s", karnRunDir(), strerror(errno));
        return -1;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (plinkSocketPath(addr.sun_path, sizeof addr.sun_path) != 0) {
        logError("run directory path too long: %s", karnRunDir());
        return -1;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A socket that still answers belongs to a live platformd; a silent one is stale.
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        logError("another platformd is serving %s", addr.sun_path);
        close(fd);
        return -1;
    }
    close(fd);
    unlink(addr.sun_path);
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        listen(fd, 64) != 0) {
        logError("cannot listen on %s: %s", addr.sun_path, strerror(errno));
        if (fd >= 0) close(fd);
        return -1;
    }
    strlcpy(gSocketPath, addr.sun_path, sizeof gSocketPath);
    gListenFd = fd;
    return fd;
}

void serverPollFds(std::vector<pollfd> &fds) {
    sweep();
    if (gListenFd >= 0) fds.push_back(pollfd{gListenFd, POLLIN, 0});
    for (auto &entry : gClients) fds.push_back(pollfd{entry.first, POLLIN, 0});
}

void serverOnReady(const pollfd &p) {
    if (!p.revents) return;
    if (p.fd == gListenFd) {
        acceptClients();
        return;
    }
    auto it = gClients.find(p.fd);
    if (it == gClients.end() || it->second.dead) return;
    readClient(it->second);
}

void serverProcessDied(const char *name) {
    auto it = gStates.find(name);
    if (it != gStates.end()) it->second = 0;
}

void serverBroadcastLoad(const char *name) {
    broadcast(DM_EVENT_LOAD, name);
}

void serverTick() {
    for (const std::string &name : authenticator().lockout().expire(clockNowUs()))
        logInfo("account \"%s\" unlocked: its lock-out period is over", name.c_str());
}

void serverClose() {
    for (auto &entry : gClients) close(entry.first);
    gClients.clear();
    if (gListenFd >= 0) {
        close(gListenFd);
        unlink(gSocketPath);
        gListenFd = -1;
    }
}
