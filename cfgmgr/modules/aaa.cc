// Module "aaa": the accounting servers of TACACS+ as their own object, and the
// management sessions. The sessions are the platform's: platformd's session manager
// keeps them, and cfgmgr asks it for them (session) and to end one (a set of session).
#include <cstdio>
#include <sstream>
#include <string>

#include "cfgmgr/hooks.h"
#include "platform/plink.h"
#include "platform/tlv.h"

namespace {

const char kAccounting[] = "1";  // tacacs type
const char kApiSession[] = "5";  // session type of the management API

int accountingServers(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows,
                      std::string *why) {
    const cfgTable *servers = cfgTableFind("aaa", "tacacs");
    for (size_t i = 0; servers && i < servers->rows().size(); i++) {
        const cfgRow &row = servers->rows()[i];
        if (*servers->value(row, "type") != kAccounting) continue;
        cfgRowWriter r(view);
        if (r.copy(*servers, row).addTo(rows, why) != 0) return -1;
    }
    return 0;
}

int none(const cfgTable &, const cfgRow &, std::vector<cfgRow> *, std::string *) {
    return 0;
}

// ---- sessions, from platformd's session manager

// One request to the session manager (list, or kill with a cookie): its status and text.
int sessionManager(uint32_t kind, const std::string *cookie, uint32_t *status, std::string *text,
                   std::string *why) {
    if (plinkConnect() != 0) {
        *why = "The session manager is not available.";
        return -1;
    }
    if (plinkAskKind(kind, cookie ? cookie->c_str() : nullptr, status, text) != 0) {
        *why = "The session manager did not answer.";
        return -1;
    }
    return 0;
}

struct Session {
    std::string cookie, user, client, process, started;
    uint32_t id = 0;  // the counter of the daemon's cookie "WSVDSession:<slot>:<counter>"
};

// The sessions of the management API; none when the session manager cannot be reached
// (cfgmgr running without platformd).
std::vector<Session> apiSessions() {
    uint32_t status = 0;
    std::string text, why;
    std::vector<Session> out;
    if (sessionManager(PLINK_SM_LIST, nullptr, &status, &text, &why) != 0 || status != 0)
        return out;
    std::istringstream lines(text);
    std::string line, privilege;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        Session s;
        std::istringstream words(line);
        int slot = 0;
        unsigned counter = 0;
        char end = 0;
        if (!(words >> s.cookie >> s.user >> s.client >> s.process >> s.started >> privilege) ||
            sscanf(s.cookie.c_str(), "WSVDSession:%d:%u%c", &slot, &counter, &end) != 2)
            continue;
        s.id = counter;
        out.push_back(s);
    }
    return out;
}

int sessions(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    for (const Session &s : apiSessions()) {
        cfgRowWriter r(view);
        r.set("sessId", s.id)
            .set("userName", s.user)
            .set("loginTime", s.started)
            .set("type", kApiSession)
            .set("authType", "1")
            .set("active", "1");
        // An IPv6 client has no place in clientIp.
        if (s.client.find(':') == std::string::npos && s.client != "-") r.set("clientIp", s.client);
        if (r.addTo(rows, why) != 0) return -1;
    }
    return 0;
}

// A set of session with its sessId ends that session: its daemon hears it from the
// session manager and ends it.
int endSession(cfgChange &c) {
    const std::string *id = c.table.value(c.request, "sessId");
    if (!id || id->empty()) {
        c.why = "Name the session to end with its sessId.";
        return -1;
    }
    for (const Session &s : apiSessions()) {
        if (std::to_string(s.id) != *id) continue;
        uint32_t status = 0;
        std::string text;
        if (sessionManager(PLINK_SM_KILL, &s.cookie, &status, &text, &c.why) != 0) return -1;
        if (status == 0) return 0;
        break;
    }
    c.why = "Session " + *id + " does not exist.";
    return -1;
}

const cfgHook_t kHooks[] = {
    {"aaa", "tacacs1", cfgEvent::view, nullptr, accountingServers},
    {"aaa", "session", cfgEvent::view, nullptr, sessions},
    {"aaa", "session", cfgEvent::op, endSession, nullptr},
    {"aaa", "session_history", cfgEvent::view, nullptr, none},
};

}  // namespace

CFG_MODULE_HOOKS(aaa, kHooks);
