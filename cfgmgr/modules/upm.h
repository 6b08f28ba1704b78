// The upm module of cfgmgr: profiles, scripts of CLI commands that the switch runs when
// something happens on a port, when a timer fires or on demand; their bindings, the
// timers, and the results of the runs (data/cfgmgr/catalogue/upm).
//
// modules/upm.cc keeps profiles and bindings and computes their views; modules/upmrun.cc
// runs profiles, fires timers and keeps the last results. A run hands the script to
// the CLI process and ends in callbacks on the dispatcher thread, so cfgmgr goes on
// serving requests (the script's own among them) while a profile runs. Timers run on
// the dispatcher's clock, which tests move by hand.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct cfgChange;
class cfgTable;

// ---- what the process provides and calls (cfgmgr's main; tests)

// The CLI process: `execute` hands it commands with "NAME=value" variables as call
// `seqnum`; what the commands write comes back through upmCliOutput and the end, with
// the number of commands that failed, through upmCliEnd, always. `cancel` stops a call:
// the CLI drops its commands not yet run and nothing more comes for it.
struct upmCli_t {
    void (*execute)(char **commands, char **variables, uint32_t seqnum);
    void (*cancel)(uint32_t seqnum);
};
// Null: every run fails at once, saying that the CLI is not available.
void upmSetCli(const upmCli_t *cli);
void upmCliOutput(uint32_t seqnum, const char *text, uint32_t length);
void upmCliEnd(uint32_t seqnum, uint32_t failed);

// A port event (platform/dm.h, 1 to 4): the enabled profiles bound to it on that port
// run, with the port in $PORTS.
void upmPortEvent(int event, uint32_t portId);

// Schedules the timers of the loaded configuration; call once it is loaded, with the
// dispatcher up.
void upmStart();
// Cancels every timer and run and forgets the results.
void upmStop();

// ---- shared by the module's files

enum : uint32_t {
    UPM_EVENT_TIMER = 5,
    UPM_EVENT_STATIC = 6,
    UPM_EVENT_LOG_MESSAGE = 7,
    UPM_PROFILES_MAX = 256,
    UPM_TIMERS_MAX = 256,
    UPM_BINDINGS_MAX = 40,  // per profile, port events and timers together
};

// A table of the module (the catalogue declares them all, so hooks always find them).
cfgTable &upmTable(const char *object);
// Fails a hook with `why`: returns -1.
int upmFail(cfgChange &c, const std::string &why);
// The index of the row of a table keyed by one field whose key is `value`, or -1.
int upmFind(const char *object, const char *key, const std::string &value);
// The index of the profile's row, or -1.
int upmFindProfile(const std::string &name);
// The event's name as clients know it ("device-detect", "timer", ...).
const char *upmEventName(uint32_t event);
// Seconds since 1970 now.
uint32_t upmNow();
// Notes that a binding was made: the profile's lastBindingTime.
void upmProfileBound(const std::string &name);

// A run's parameters, NAME=value.
typedef std::vector<std::pair<std::string, std::string>> upmParameters_t;
// Reads "NAME=value;NAME=value" (blanks around items and names are dropped); false with
// *why when an item is not NAME=value or a name is not a name.
bool upmParseParameters(const std::string &text, upmParameters_t *out, std::string *why);

// Runs the profile now (its result comes later). `ports` is a port-list text.
void upmRun(const std::string &profile, uint32_t event, const std::string &timer,
            const std::string &ports, const upmParameters_t &parameters);
// The timer was made, changed or deleted: its schedule follows.
void upmTimerChanged(const std::string &name);
