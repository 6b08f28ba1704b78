// Module "upm", timers and runs: the requests on cfgUpmTimer (a view of the timers kept
// in upmTimer, whose sets this module carries out), the timers' schedules on
// the dispatcher, runs of profiles through the CLI process, and the ring of their
// results (the view upmProfileExec). Everything here runs on the dispatcher thread.
#include <cstdlib>
#include <ctime>
#include <deque>
#include <map>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "cfgmgr/modules/upm.h"
#include "platform/cli/clilink.h"
#include "platform/dispatch.h"
#include "platform/portlist.h"

namespace {

enum : uint32_t {
    kResultsKept = 256,
    kOutputMax = 8192,       // characters of a run's output that are kept
    kRunsAtOnce = 32,        // runs beyond these are not started
    kDefaultRunSeconds = 30  // KARN_UPM_RUN_SECONDS overrides it
};
enum : uint32_t { kSuccess = 1, kFailure = 2, kTimeout = 3 };

// ---- results

struct Result {
    uint32_t id, time, event;
    std::string profile, timer, ports;
    uint32_t result;
    std::string output;
};
std::deque<Result> gResults;  // oldest first
uint32_t gNextRunId = 1;

// ---- runs

struct Run {
    Result result;
    std::vector<std::string> commands;  // the script's commands, sent in lists
    size_t sent = 0;                    // commands handed to the CLI so far
    uint32_t failed = 0;
    std::vector<std::string> variables;  // NAME=value
    dispatchWork_t bound = nullptr;
};
std::map<uint32_t, Run> gRuns;  // by run id, the CLI's sequence number
const upmCli_t *gCli = nullptr;

uint32_t runSeconds() {
    const char *v = getenv("KARN_UPM_RUN_SECONDS");
    long n = v ? strtol(v, nullptr, 10) : 0;
    return n > 0 && n < 86400 ? uint32_t(n) : kDefaultRunSeconds;
}

void addOutput(Result &r, const char *text, size_t length) {
    if (r.output.size() < kOutputMax)
        r.output.append(text, std::min(length, size_t(kOutputMax) - r.output.size()));
}

void record(Result result) {
    gResults.push_back(std::move(result));
    if (gResults.size() > kResultsKept) gResults.pop_front();
    if (auto changed = cfgStoreEnvironment().changed) changed();
}

void finish(uint32_t id, uint32_t outcome, const std::string &why = "") {
    auto it = gRuns.find(id);
    if (it == gRuns.end()) return;
    Run &run = it->second;
    if (run.bound) dispatchWorkCancel(run.bound);
    addOutput(run.result, why.data(), why.size());
    run.result.result = outcome;
    record(std::move(run.result));
    gRuns.erase(it);
}

std::vector<char *> pointers(std::vector<std::string> &texts) {
    std::vector<char *> list;
    for (std::string &t : texts) list.push_back(t.data());
    list.push_back(nullptr);
    return list;
}

// Hands the next list of commands to the CLI; the run ends when none is left.
void sendNext(uint32_t id) {
    Run &run = gRuns.at(id);
    if (run.sent == run.commands.size()) {
        finish(id, run.failed ? kFailure : kSuccess);
        return;
    }
    if (!gCli) {
        finish(id, kFailure, "Error: The CLI is not available.\n");
        return;
    }
    size_t count = std::min(run.commands.size() - run.sent, size_t(CLI_MAX_COMMANDS));
    std::vector<std::string> list(run.commands.begin() + long(run.sent),
                                  run.commands.begin() + long(run.sent + count));
    run.sent += count;
    std::vector<std::string> variables = run.variables;
    gCli->execute(pointers(list).data(), pointers(variables).data(), id);
}

void onBound(void *arg) {
    auto id = uint32_t(reinterpret_cast<uintptr_t>(arg));
    auto it = gRuns.find(id);
    if (it == gRuns.end()) return;
    it->second.bound = nullptr;  // a one-shot item is gone once it has run
    if (gCli) gCli->cancel(id);
    finish(id, kTimeout,
           "Error: The profile did not finish within " + std::to_string(runSeconds()) +
               " seconds; it was stopped.\n");
}

// The script's commands: every line but empty ones and comments.
std::vector<std::string> commandsOf(const std::string &script) {
    std::vector<std::string> commands;
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find('\n', start);
        if (end == std::string::npos) end = script.size();
        std::string line = script.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] != '#') commands.push_back(line);
    }
    return commands;
}

// ---- timers

std::map<std::string, dispatchWork_t> gTimers;  // by timer name

void onTimer(void *arg);

// When the timer fires first, in seconds from now; false when it never will again.
bool firstDelay(const cfgTable &timers, const cfgRow &row, time_t now, long *delay) {
    auto number = [&](const char *field) {
        const std::string *v = timers.value(row, field);
        return v ? long(std::stoul(*v)) : 0L;
    };
    long every = number("secs");
    bool periodic = number("timerType") == 2;
    // A saved row is read back without the checks of a request: it may lack its period.
    if (periodic && every <= 0) return false;
    if (!timers.value(row, "year")) {
        *delay = every;
        return periodic;
    }
    struct tm local = {};
    local.tm_sec = int(number("sec"));
    local.tm_min = int(number("min"));
    local.tm_hour = int(number("hour"));
    local.tm_mday = int(number("day"));
    local.tm_mon = int(number("month")) - 1;
    local.tm_year = int(number("year")) - 1900;
    local.tm_isdst = -1;
    int day = local.tm_mday, month = local.tm_mon;
    time_t at = mktime(&local);
    // mktime carries a day the month does not have (31 April) into the next month.
    if (at == time_t(-1) || local.tm_mday != day || local.tm_mon != month) return false;
    if (at <= now && periodic) at += time_t((now - at) / every + 1) * every;
    *delay = long(at - now);
    return at > now;
}

void cancelTimer(const std::string &name) {
    auto it = gTimers.find(name);
    if (it == gTimers.end()) return;
    dispatchWorkCancel(it->second);
    gTimers.erase(it);
}

// The work item's argument is the name kept as the map's key, which stays where it is
// until the entry goes, and the entry goes only with its item.
void schedule(const std::string &name, long delay, int kind) {
    auto it = gTimers.emplace(name, nullptr).first;
    it->second = dispatchExecuteWorkItem(onTimer, const_cast<std::string *>(&it->first), 0,
                                         {delay, 0}, kind);
    if (!it->second) {
        gTimers.erase(it);
        return;
    }
    dispatchWorkRegisterAttr(it->second, "upm timer");
}

long period(const cfgTable &timers, const cfgRow &row) {
    return long(std::stoul(*timers.value(row, "secs")));
}

bool isPeriodic(const cfgTable &timers, const cfgRow &row) {
    const std::string *type = timers.value(row, "timerType");
    return type && *type == "2";
}

// A periodic timer without a date fires every period from now: one repeating item. The
// others wait for their date first.
void scheduleFromRow(const cfgTable &timers, const cfgRow &row) {
    const std::string &name = *timers.value(row, "timerName");
    cancelTimer(name);
    long delay = 0;
    if (!firstDelay(timers, row, time(nullptr), &delay)) return;
    if (isPeriodic(timers, row) && !timers.value(row, "year"))
        schedule(name, period(timers, row), DISPATCH_WORK_REPEAT);
    else
        schedule(name, delay, DISPATCH_WORK_ONCE);
}

int findTimer(const std::string &name) {
    return upmFind("upmTimer", "timerName", name);
}

bool enabled(const std::string &profile) {
    int at = upmFindProfile(profile);
    cfgTable &profiles = upmTable("upmProfile");
    return at >= 0 && cfgValueOr(profiles, profiles.rows()[size_t(at)], "enable", "1") == "1";
}

void onTimer(void *arg) {
    std::string name = *static_cast<const std::string *>(arg);  // the entry may go below
    cfgTable &timers = upmTable("upmTimer");
    int at = findTimer(name);
    if (at < 0) {  // the store was emptied under it
        cancelTimer(name);
        return;
    }
    const cfgRow &row = timers.rows()[size_t(at)];
    if (!isPeriodic(timers, row)) {
        gTimers.erase(name);  // its one-shot item is done
    } else if (timers.value(row, "year")) {
        // Its date has come: from now on it repeats with its period.
        gTimers.erase(name);
        schedule(name, period(timers, row), DISPATCH_WORK_REPEAT);
    }
    const std::string *profile = timers.value(row, "profileName");
    if (profile && enabled(*profile)) upmRun(*profile, UPM_EVENT_TIMER, name, "", {});
}

// ---- cfgUpmTimer requests and view

const char *const kTimerFields[] = {"timerName", "profileName", "timerType", "sec",  "min",
                                    "hour",      "day",         "month",     "year", "secs"};

// A row of `to` with the timer fields `row` of `from` holds; -1 with *why if one does
// not fit (cannot happen: the two objects declare the same fields).
int copyTimer(const cfgTable &from, const cfgRow &row, const cfgTable &to, cfgRow *out,
              std::string *why) {
    *out = to.blank();
    for (const char *field : kTimerFields) {
        const std::string *value = from.value(row, field);
        if (value && to.assign(*out, field, *value, why) != 0) return -1;
    }
    return 0;
}

int createTimer(cfgChange &c, const std::string &name) {
    cfgTable &timers = upmTable("upmTimer");
    if (!c.table.value(c.request, "timerType"))
        return upmFail(c, "Missing field \"timerType\" of cfgUpmTimer.");
    if (timers.rows().size() >= UPM_TIMERS_MAX)
        return upmFail(c, "There are " + std::to_string(UPM_TIMERS_MAX) +
                              " timers already: delete one first.");
    cfgRow row;
    if (copyTimer(c.table, c.request, timers, &row, &c.why) != 0) return -1;
    bool periodic = isPeriodic(timers, row);
    int dateFields = 0;
    for (const char *f : {"sec", "min", "hour", "day", "month", "year"})
        dateFields += timers.value(row, f) != nullptr;
    if (dateFields != 0 && dateFields != 6)
        return upmFail(c, "A timer's date needs all of sec, min, hour, day, month and year.");
    if (periodic && !timers.value(row, "secs"))
        return upmFail(c, "A periodic timer needs its period in \"secs\".");
    if (!periodic && dateFields == 0)
        return upmFail(c, "A one-shot timer needs its date and time.");
    if (!periodic) timers.reset(row, size_t(timers.field("secs")));
    long delay = 0;
    if (!firstDelay(timers, row, time(nullptr), &delay))
        return upmFail(c, "The time of timer \"" + name + "\" has passed or does not exist.");
    const std::string *profile = timers.value(row, "profileName");
    if (profile && upmFindProfile(*profile) < 0)
        return upmFail(c, "Profile \"" + *profile + "\" does not exist.");
    std::string bound = profile ? *profile : "";
    if (timers.insert(std::move(row), &c.why) != 0) return -1;
    if (!bound.empty()) upmProfileBound(bound);
    return 0;
}

int bindTimer(cfgChange &c, size_t at, const std::string &profile) {
    cfgTable &timers = upmTable("upmTimer");
    const std::string &name = *timers.value(timers.rows()[at], "timerName");
    const std::string *bound = timers.value(timers.rows()[at], "profileName");
    if (bound && *bound == profile)
        return upmFail(c,
                       "Profile \"" + profile + "\" is bound to timer \"" + name + "\" already.");
    if (bound)
        return upmFail(
            c, "Timer \"" + name + "\" runs profile \"" + *bound + "\" already: unbind it first.");
    if (upmFindProfile(profile) < 0)
        return upmFail(c, "Profile \"" + profile + "\" does not exist.");
    cfgRow row = timers.rows()[at];
    if (timers.assign(row, "profileName", profile, &c.why) != 0 ||
        timers.replace(at, std::move(row), &c.why) != 0)
        return -1;
    upmProfileBound(profile);
    return 0;
}

// cfgUpmTimer: create a timer (with timerType), or bind a profile to an existing one
// (profileName alone); unconfigure unbinds its profile (the one named, if named);
// delete deletes it.
int timerRequest(cfgChange &c) {
    cfgTable &timers = upmTable("upmTimer");
    const std::string *name = c.table.value(c.request, "timerName");
    if (!name || name->empty()) return upmFail(c, "Missing field \"timerName\" of cfgUpmTimer.");
    int at = findTimer(*name);
    const std::string *profile = c.table.value(c.request, "profileName");
    bool typed = c.table.value(c.request, "timerType") != nullptr;
    int rc;
    if (c.action == CM_ACTION_CREATE && at >= 0 && !typed) {
        if (!profile) return upmFail(c, "Timer \"" + *name + "\" exists already.");
        rc = bindTimer(c, size_t(at), *profile);
    } else if (c.action == CM_ACTION_CREATE) {
        if (at >= 0) return upmFail(c, "Timer \"" + *name + "\" exists already.");
        // A bind to a timer that is not there.
        if (profile && !typed) return upmFail(c, "Timer \"" + *name + "\" does not exist.");
        rc = createTimer(c, *name);
    } else if (at < 0) {
        return upmFail(c, "Timer \"" + *name + "\" does not exist.");
    } else if (c.action == CM_ACTION_UNCONFIGURE) {
        cfgRow row = timers.rows()[size_t(at)];
        const std::string *bound = timers.value(row, "profileName");
        if (profile && (!bound || *bound != *profile))
            return upmFail(c,
                           "Profile \"" + *profile + "\" is not bound to timer \"" + *name + "\".");
        timers.reset(row, size_t(timers.field("profileName")));
        return timers.replace(size_t(at), std::move(row), &c.why);
    } else if (c.action == CM_ACTION_DELETE) {
        timers.erase(size_t(at));
        rc = 0;
    } else {
        return upmFail(c, "cfgUpmTimer needs the row status create, unconfigure or delete.");
    }
    // The schedule follows the table, last: nothing after this can fail the request.
    if (rc == 0) upmTimerChanged(*name);
    return rc;
}

int timerRows(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    const cfgTable &timers = upmTable("upmTimer");
    for (const cfgRow &t : timers.rows()) {
        if (cfgRowWriter(view).copy(timers, t).addTo(rows, why) != 0) return -1;
    }
    return 0;
}

// ---- the view of the results

int results(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    for (const Result &r : gResults) {
        cfgRowWriter row(view);
        row.set("execId", r.id)
            .set("execTime", r.time)
            .set("eventType", r.event)
            .set("profileName", r.profile)
            .set("timerName", r.timer)
            .set("portList", r.ports)
            .set("result", r.result)
            .set("output", r.output);
        if (row.addTo(rows, why) != 0) return -1;
    }
    return 0;
}

std::string portText(uint32_t portId) {
    buffer_t b = {};
    bufferPutf(&b, "%M", portId);
    std::string text = b.data ? b.data : "";
    free(b.data);
    return text;
}

const cfgHook_t kHooks[] = {
    {"upm", "cfgUpmTimer", cfgEvent::op, timerRequest, nullptr},
    {"upm", "cfgUpmTimer", cfgEvent::view, nullptr, timerRows},
    {"upm", "upmProfileExec", cfgEvent::view, nullptr, results},
};

}  // namespace

CFG_MODULE_HOOKS(upmrun, kHooks);

void upmRun(const std::string &profile, uint32_t event, const std::string &timer,
            const std::string &ports, const upmParameters_t &parameters) {
    int at = upmFindProfile(profile);
    if (at < 0) return;
    cfgTable &profiles = upmTable("upmProfile");
    const cfgRow &row = profiles.rows()[size_t(at)];
    uint32_t id = gNextRunId++;
    if (gNextRunId == 0) gNextRunId = 1;
    Run run;
    run.result = Result{id, upmNow(), event, profile, timer, ports, 0, ""};
    run.commands = commandsOf(cfgValueOr(profiles, row, "data"));
    for (const auto &[name, value] : parameters) run.variables.push_back(name + "=" + value);
    // The run's own variables come last: they win over parameters of the same name.
    run.variables.push_back("EVENT=" + std::string(upmEventName(event)));
    run.variables.push_back("PROFILE=" + profile);
    run.variables.push_back("PORTS=" + ports);
    run.variables.push_back("TIMER=" + timer);
    if (!gCli || gRuns.size() >= kRunsAtOnce) {
        run.result.result = kFailure;
        run.result.output = !gCli ? "Error: The CLI is not available.\n"
                                  : "Error: Too many profiles are running; this run was skipped.\n";
        record(std::move(run.result));
        return;
    }
    Run &started = gRuns.emplace(id, std::move(run)).first->second;
    started.bound = dispatchExecuteWorkItem(onBound, reinterpret_cast<void *>(uintptr_t(id)), 0,
                                            {long(runSeconds()), 0}, DISPATCH_WORK_ONCE);
    sendNext(id);
}

void upmTimerChanged(const std::string &name) {
    int at = findTimer(name);
    if (at < 0) {
        cancelTimer(name);
        return;
    }
    cfgTable &timers = upmTable("upmTimer");
    scheduleFromRow(timers, timers.rows()[size_t(at)]);
}

void upmSetCli(const upmCli_t *cli) {
    gCli = cli;
}

void upmCliOutput(uint32_t seqnum, const char *text, uint32_t length) {
    auto it = gRuns.find(seqnum);
    if (it != gRuns.end() && text) addOutput(it->second.result, text, length);
}

void upmCliEnd(uint32_t seqnum, uint32_t failed) {
    auto it = gRuns.find(seqnum);
    if (it == gRuns.end()) return;
    it->second.failed += failed;
    sendNext(seqnum);
}

void upmPortEvent(int event, uint32_t portId) {
    cfgTable *bindings = cfgTableFind("upm", "upmEventBinding");
    if (!bindings || event < 1 || event > 4) return;
    int slot = int(portId >> 16), port = int(portId & 0xFFFF);
    std::vector<std::string> profiles;
    for (const cfgRow &row : bindings->rows()) {
        portlist_t ports;
        if (*bindings->value(row, "upmEvent") != std::to_string(event) ||
            !STRING_TO_PORTLIST(&ports, bindings->value(row, "portList")->c_str(), 0) ||
            !plTestPort(&ports, slot, port))
            continue;
        profiles.push_back(*bindings->value(row, "profileName"));
    }
    for (const std::string &profile : profiles)
        if (enabled(profile)) upmRun(profile, uint32_t(event), "", portText(portId), {});
}

void upmStart() {
    cfgTable *timers = cfgTableFind("upm", "upmTimer");
    if (!timers) return;
    for (const cfgRow &row : timers->rows()) scheduleFromRow(*timers, row);
}

void upmStop() {
    while (!gTimers.empty()) cancelTimer(gTimers.begin()->first);
    for (auto &[id, run] : gRuns) {
        if (run.bound) dispatchWorkCancel(run.bound);
        if (gCli) gCli->cancel(id);
    }
    gRuns.clear();
    gResults.clear();
    gNextRunId = 1;
}
