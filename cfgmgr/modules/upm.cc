// Module "upm", profiles and bindings: the requests that create, enable and delete
// profiles and bind them to port events, and the views showUpmProfileName and
// showUpmProfile that the daemon walks. Timers and runs: modules/upmrun.cc.
#include "cfgmgr/modules/upm.h"

#include <algorithm>
#include <ctime>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "cfgmgr/types.h"

namespace {

const char *const kEventNames[] = {
    "unknown", "device-detect", "device-remove", "user-authenticate", "user-unauthenticate",
    "timer",   "static",        "log-message"};

// CRC-16/CCITT (polynomial 0x1021, start 0xFFFF) of a script.
uint16_t checksum(const std::string &text) {
    uint16_t crc = 0xFFFF;
    for (unsigned char byte : text) {
        crc ^= uint16_t(byte << 8);
        for (int bit = 0; bit < 8; bit++)
            crc = uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

bool hasControl(const std::string &text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

// The profile a request names: its name, checked; false (the hook fails) otherwise.
bool namedProfile(cfgChange &c, const char *object, std::string *name) {
    const std::string *given = c.table.value(c.request, "profileName");
    if (!given || given->empty()) {
        upmFail(c, std::string("Missing field \"profileName\" of ") + object + ".");
        return false;
    }
    if (hasControl(*given)) {
        upmFail(c, "Profile name \"" + *given + "\" holds a control character.");
        return false;
    }
    *name = *given;
    return true;
}

// The row of an existing profile, or -1 (the hook fails).
int existingProfile(cfgChange &c, const std::string &name) {
    int at = upmFindProfile(name);
    if (at < 0) upmFail(c, "Profile \"" + name + "\" does not exist.");
    return at;
}

int setField(cfgChange &c, cfgTable &t, cfgRow &row, const char *field, const std::string &value) {
    return t.assign(row, field, value, &c.why);
}

int createProfile(cfgChange &c, const std::string &name) {
    cfgTable &profiles = upmTable("upmProfile");
    if (upmFindProfile(name) >= 0) return upmFail(c, "Profile \"" + name + "\" already exists.");
    if (profiles.rows().size() >= UPM_PROFILES_MAX)
        return upmFail(c, "There are " + std::to_string(UPM_PROFILES_MAX) +
                              " profiles already: delete one first.");
    const std::string *data = c.table.value(c.request, "data");
    std::string script = data ? *data : "";
    std::string now = std::to_string(upmNow());
    cfgRow row = profiles.blank();
    if (setField(c, profiles, row, "profileName", name) != 0 ||
        setField(c, profiles, row, "data", script) != 0 ||
        setField(c, profiles, row, "enable", "1") != 0 ||
        setField(c, profiles, row, "checksum", std::to_string(checksum(script))) != 0 ||
        setField(c, profiles, row, "creationTime", now) != 0 ||
        setField(c, profiles, row, "lastChangeTime", now) != 0 ||
        setField(c, profiles, row, "lastBindingTime", "0") != 0)
        return -1;
    return profiles.insert(std::move(row), &c.why);
}

// upmProfileBuffer: create a profile with its script, or delete one (its bindings go
// with it; a timer that runs it keeps it).
int profileBuffer(cfgChange &c) {
    std::string name;
    if (!namedProfile(c, "upmProfileBuffer", &name)) return -1;
    if (c.action == CM_ACTION_CREATE) return createProfile(c, name);
    if (c.action != CM_ACTION_DELETE)
        return upmFail(c, "upmProfileBuffer needs the row status create or delete.");
    cfgTable &timers = upmTable("upmTimer");
    for (const cfgRow &t : timers.rows()) {
        const std::string *bound = timers.value(t, "profileName");
        if (bound && *bound == name)
            return upmFail(c, "Profile \"" + name + "\" is bound to timer \"" +
                                  *timers.value(t, "timerName") + "\": unbind it first.");
    }
    int at = existingProfile(c, name);
    return at < 0 ? -1 : cfgStoreDelete(upmTable("upmProfile"), size_t(at), &c.why);
}

// cfgUpmProfile: a "create" (or configure) of an existing profile sets whether it runs.
int enableProfile(cfgChange &c) {
    std::string name;
    if (!namedProfile(c, "cfgUpmProfile", &name)) return -1;
    if (c.action != CM_ACTION_CREATE && c.action != CM_ACTION_CONFIGURE &&
        c.action != CM_ACTION_NONE)
        return upmFail(c, "cfgUpmProfile needs the row status create or configure.");
    const std::string *enable = c.table.value(c.request, "enable");
    if (!enable) return upmFail(c, "Missing field \"enable\" of cfgUpmProfile.");
    int at = existingProfile(c, name);
    if (at < 0) return -1;
    cfgTable &profiles = upmTable("upmProfile");
    cfgRow row = profiles.rows()[size_t(at)];
    if (setField(c, profiles, row, "enable", *enable) != 0 ||
        setField(c, profiles, row, "lastChangeTime", std::to_string(upmNow())) != 0)
        return -1;
    return profiles.replace(size_t(at), std::move(row), &c.why);
}

int countBindings(const std::string &profile) {
    int n = 0;
    for (const cfgRow &row : upmTable("upmEventBinding").rows())
        n += *upmTable("upmEventBinding").value(row, "profileName") == profile;
    cfgTable &timers = upmTable("upmTimer");
    for (const cfgRow &row : timers.rows()) {
        const std::string *bound = timers.value(row, "profileName");
        n += bound && *bound == profile;
    }
    return n;
}

std::string describeBinding(const std::string &profile, uint32_t event) {
    return "Profile \"" + profile + "\" " +
           (event == UPM_EVENT_STATIC ? std::string("statically")
                                      : std::string("to ") + upmEventName(event));
}

// Binds a profile to an event (1 to 4, or 6 static) on `ports` (added to those it has).
int bindEvent(cfgChange &c, const std::string &profile, uint32_t event, const std::string *ports) {
    if (existingProfile(c, profile) < 0) return -1;
    if (event != UPM_EVENT_STATIC && (!ports || ports->empty()))
        return upmFail(c, "A binding to " + std::string(upmEventName(event)) +
                              " needs the ports in \"portList\".");
    cfgTable &bindings = upmTable("upmEventBinding");
    cfgRow row = bindings.blank();
    if (setField(c, bindings, row, "profileName", profile) != 0 ||
        setField(c, bindings, row, "upmEvent", std::to_string(event)) != 0 ||
        setField(c, bindings, row, "portList", ports ? *ports : "") != 0)
        return -1;
    int at = bindings.find(row);
    if (at >= 0) {
        std::string had = cfgValueOr(bindings, bindings.rows()[size_t(at)], "portList");
        std::string now = cfgPortsCombine(had, ports ? *ports : "", true);
        if (now == had)
            return upmFail(c, describeBinding(profile, event) + " is bound already" +
                                  (had.empty() ? "." : " on ports " + had + "."));
        cfgRow changed = bindings.rows()[size_t(at)];
        if (setField(c, bindings, changed, "portList", now) != 0) return -1;
        bindings.update(size_t(at), std::move(changed));
    } else {
        if (countBindings(profile) >= int(UPM_BINDINGS_MAX))
            return upmFail(c, "Profile \"" + profile + "\" has " +
                                  std::to_string(UPM_BINDINGS_MAX) + " bindings already.");
        if (bindings.insert(std::move(row), &c.why) != 0) return -1;
    }
    upmProfileBound(profile);
    return 0;
}

// Deletes a binding, or only the ports given of it.
int unbindEvent(cfgChange &c, const std::string &profile, uint32_t event,
                const std::string *ports) {
    cfgTable &bindings = upmTable("upmEventBinding");
    cfgRow key = bindings.blank();
    if (setField(c, bindings, key, "profileName", profile) != 0 ||
        setField(c, bindings, key, "upmEvent", std::to_string(event)) != 0)
        return -1;
    int at = bindings.find(key);
    if (at < 0) return upmFail(c, describeBinding(profile, event) + " is not bound.");
    if (ports && !ports->empty()) {
        std::string had = cfgValueOr(bindings, bindings.rows()[size_t(at)], "portList");
        std::string left = cfgPortsCombine(had, *ports, false);
        if (!left.empty()) {
            cfgRow changed = bindings.rows()[size_t(at)];
            if (setField(c, bindings, changed, "portList", left) != 0) return -1;
            bindings.update(size_t(at), std::move(changed));
            return 0;
        }
    }
    bindings.erase(size_t(at));
    return 0;
}

// cfgUpmProfileEvent: binding to a port event (1 to 4) or statically (6), and deleting.
int profileEvent(cfgChange &c) {
    std::string profile;
    if (!namedProfile(c, "cfgUpmProfileEvent", &profile)) return -1;
    const std::string *event = c.table.value(c.request, "upmEvent");
    if (!event) return upmFail(c, "Missing field \"upmEvent\" of cfgUpmProfileEvent.");
    uint32_t number = uint32_t(std::stoul(*event));
    if (number == UPM_EVENT_TIMER)
        return upmFail(c, "Profiles are bound to timers through cfgUpmTimer.");
    const std::string *ports = c.table.value(c.request, "portList");
    if (c.action == CM_ACTION_CREATE) return bindEvent(c, profile, number, ports);
    if (c.action == CM_ACTION_DELETE) return unbindEvent(c, profile, number, ports);
    return upmFail(c, "cfgUpmProfileEvent needs the row status create or delete.");
}

// cfgUpmStaticProfile: with an event type or an environment a run of the profile, else
// a static binding (create) or its deletion.
int staticProfile(cfgChange &c) {
    std::string profile;
    if (!namedProfile(c, "cfgUpmStaticProfile", &profile)) return -1;
    const std::string *event = c.table.value(c.request, "eventType");
    const std::string *environment = c.table.value(c.request, "envString");
    const std::string *ports = c.table.value(c.request, "portList");
    bool run = (event && *event != "0") || environment;
    if (!run) {
        if (c.action == CM_ACTION_CREATE) return bindEvent(c, profile, UPM_EVENT_STATIC, ports);
        if (c.action == CM_ACTION_DELETE) return unbindEvent(c, profile, UPM_EVENT_STATIC, ports);
        return upmFail(c, "cfgUpmStaticProfile needs the row status create or delete.");
    }
    if (c.action != CM_ACTION_CREATE)
        return upmFail(c, "A run of a profile is a create of cfgUpmStaticProfile.");
    upmParameters_t parameters;
    if (environment && !upmParseParameters(*environment, &parameters, &c.why)) return -1;
    int at = existingProfile(c, profile);
    if (at < 0) return -1;
    cfgTable &profiles = upmTable("upmProfile");
    if (cfgValueOr(profiles, profiles.rows()[size_t(at)], "enable", "1") != "1")
        return upmFail(c, "Profile \"" + profile + "\" is disabled.");
    // The run is all that is left to do, and it does not touch the store.
    upmRun(profile, event ? uint32_t(std::stoul(*event)) : 0, "", ports ? *ports : "", parameters);
    return 0;
}

// ---- views

// showUpmProfileName: the profile a request names, or every profile.
int profileNames(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                 std::string *why) {
    cfgTable &profiles = upmTable("upmProfile");
    const std::string *only = view.value(request, "profileName");
    for (const cfgRow &p : profiles.rows()) {
        const std::string &name = *profiles.value(p, "profileName");
        if (only && *only != name) continue;
        if (cfgRowWriter(view).copy(profiles, p).addTo(rows, why) != 0) return -1;
    }
    return 0;
}

// The index of the first row at or after `key`, which may give only the leading keys;
// the table's size when there is none.
size_t firstFrom(const cfgTable &t, const cfgRow &key) {
    int exact = t.hasKey(key) ? t.find(key) : -1;
    if (exact >= 0) return size_t(exact);
    cfgFound found;
    std::string why;
    if (t.get(cfgGet::next, key, &found, &why) != 0 || found.rows.empty()) return t.rows().size();
    return found.rows[0];
}

// The showUpmProfile rows of one profile: its event bindings and timers, or one row of
// event type 0.
int bindingRows(const cfgTable &view, const std::string &profile, const std::string &count,
                std::vector<cfgRow> *rows, std::string *why) {
    cfgTable &bindings = upmTable("upmEventBinding"), &timers = upmTable("upmTimer");
    size_t first = rows->size();
    auto add = [&](uint32_t event, const std::string &timer, const std::string &ports) {
        return cfgRowWriter(view)
                   .set("profileName", profile)
                   .set("eventType", event)
                   .set("timerName", timer)
                   .set("portList", ports)
                   .set("numProfiles", count)
                   .addTo(rows, why) == 0;
    };
    cfgRow key = bindings.blank();
    if (bindings.assign(key, "profileName", profile, why) != 0) return -1;
    for (size_t b = firstFrom(bindings, key); b < bindings.rows().size(); b++) {
        const cfgRow &binding = bindings.rows()[b];
        if (*bindings.value(binding, "profileName") != profile) break;
        if (!add(uint32_t(std::stoul(*bindings.value(binding, "upmEvent"))), "",
                 cfgValueOr(bindings, binding, "portList")))
            return -1;
    }
    for (const cfgRow &t : timers.rows()) {
        const std::string *bound = timers.value(t, "profileName");
        if (bound && *bound == profile && !add(UPM_EVENT_TIMER, *timers.value(t, "timerName"), ""))
            return -1;
    }
    if (rows->size() == first && !add(0, "", "")) return -1;
    return 0;
}

// showUpmProfile. A request that names a profile is a walk position in it. The row
// engine would take a key field left out as coming before every value, so the rows of
// the position's event are left out instead (no eventType counts as 0; no timerName
// as past all timers), and the next row is the one after them. Besides that profile's
// rows, a walk needs those of the two profiles that follow (the row after the next).
int profileBindings(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                    std::string *why) {
    cfgTable &profiles = upmTable("upmProfile");
    std::string count = std::to_string(profiles.rows().size());
    const std::string *at = view.value(request, "profileName");
    size_t first = 0, last = profiles.rows().size();
    if (at) {
        cfgRow key = profiles.blank();
        if (profiles.assign(key, "profileName", *at, why) != 0) return -1;
        first = firstFrom(profiles, key);
        last = std::min(last, first + 3);
    }
    const std::string *event = view.value(request, "eventType");
    bool timerGiven = view.value(request, "timerName") != nullptr;
    for (size_t p = first; p < last; p++) {
        const std::string &name = *profiles.value(profiles.rows()[p], "profileName");
        size_t from = rows->size();
        if (bindingRows(view, name, count, rows, why) != 0) return -1;
        if (!at || name != *at || timerGiven) continue;
        std::string past = event ? *event : "0";
        for (size_t r = from; r < rows->size();)
            if (*view.value((*rows)[r], "eventType") == past)
                rows->erase(rows->begin() + long(r));
            else
                r++;
    }
    return 0;
}

const cfgHook_t kHooks[] = {
    {"upm", "upmProfileBuffer", cfgEvent::op, profileBuffer, nullptr},
    {"upm", "cfgUpmProfile", cfgEvent::op, enableProfile, nullptr},
    {"upm", "cfgUpmProfileEvent", cfgEvent::op, profileEvent, nullptr},
    {"upm", "cfgUpmStaticProfile", cfgEvent::op, staticProfile, nullptr},
    {"upm", "showUpmProfileName", cfgEvent::view, nullptr, profileNames},
    {"upm", "showUpmProfile", cfgEvent::view, nullptr, profileBindings},
};

}  // namespace

CFG_MODULE_HOOKS(upm, kHooks);

cfgTable &upmTable(const char *object) {
    return *cfgTableFind("upm", object);
}

int upmFail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

int upmFind(const char *object, const char *key, const std::string &value) {
    cfgTable &t = upmTable(object);
    cfgRow row = t.blank();
    std::string why;
    if (t.assign(row, key, value, &why) != 0) return -1;
    return t.find(row);
}

int upmFindProfile(const std::string &name) {
    return upmFind("upmProfile", "profileName", name);
}

const char *upmEventName(uint32_t event) {
    return kEventNames[event < sizeof kEventNames / sizeof kEventNames[0] ? event : 0];
}

uint32_t upmNow() {
    return uint32_t(time(nullptr));
}

void upmProfileBound(const std::string &name) {
    int at = upmFindProfile(name);
    if (at < 0) return;
    cfgTable &profiles = upmTable("upmProfile");
    cfgRow row = profiles.rows()[size_t(at)];
    std::string why;
    if (profiles.assign(row, "lastBindingTime", std::to_string(upmNow()), &why) == 0)
        profiles.update(size_t(at), std::move(row));
}

bool upmParseParameters(const std::string &text, upmParameters_t *out, std::string *why) {
    out->clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(start, end - start);
        start = end + 1;
        size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
        if (a == std::string::npos) continue;
        item = item.substr(a, b - a + 1);
        size_t equals = item.find('=');
        std::string name = item.substr(0, equals == std::string::npos ? 0 : equals);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        bool valid = !name.empty() && !isdigit(static_cast<unsigned char>(name[0]));
        for (char ch : name)
            valid = valid && (isalnum(static_cast<unsigned char>(ch)) || ch == '_');
        if (!valid) {
            *why = "Parameter \"" + item +
                   "\" is not NAME=value (a name of letters, digits and _; parameters are "
                   "separated by \";\").";
            return false;
        }
        out->emplace_back(name, item.substr(equals + 1));
    }
    return true;
}
