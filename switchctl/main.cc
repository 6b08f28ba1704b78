// switchctl: the operator's tool for the platform's local accounts and management
// sessions (until the CLI offers the same commands), and for raising the port events
// that the simulated switch has no hardware to notice.
//
//   switchctl users list                 accounts, with the locked ones and time left
//   switchctl users add NAME rw|ro       password read from the terminal or stdin
//   switchctl users passwd NAME          password read from the terminal or stdin
//   switchctl users access NAME rw|ro
//   switchctl users del NAME
//   switchctl users unlock NAME          lifts a lock-out
//   switchctl sessions list
//   switchctl sessions end ID|--all
//   switchctl event device-detect|device-remove|user-authenticate|user-unauthenticate PORT
//   switchctl identity add USER MAC PORT [DOMAIN]   a user seen behind a port
//   switchctl trace                      the management API's request trace, oldest first
//   switchctl trace NAME [-f]            a process's trace ring (wsvd, xmlfwk) with time
//                                        stamps, or its log; -f follows
//
// Accounts are kept in "$KARN_CONFIG_LOCATION/accounts"; sessions and locks are asked of
// the running platform process. Without KARN_RUN_LOCATION the switch is found through
// the env file of its state directory (platform/switchenv.h). Passwords are never taken
// from the command line.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "daemon/trace_file.h"
#include "platform/aaa.h"
#include "platform/dm.h"
#include "platform/ems.h"
#include "platform/plink.h"
#include "platform/portlist.h"
#include "platform/switchenv.h"
#include "platform/util.h"
#include "platformd/aaa_accounts.h"

namespace {

switchFound gFound = SWITCH_FROM_ENVIRONMENT;
std::string gEnvPath;

// Connects to the platform process, or says why it cannot. True when connected.
bool reachPlatform() {
    std::string missing = switchMissingText(gFound, gEnvPath);
    if (!missing.empty()) {
        fprintf(stderr, "switchctl: %s\n", missing.c_str());
        return false;
    }
    if (plinkConnect() != 0) {
        fprintf(stderr, "switchctl: cannot reach the platform process (is the switch running?)\n");
        return false;
    }
    return true;
}

// Sends a request to the platform process and waits for its reply: the reply's status
// and text. False (with a message) when there is no answer.
bool askPlatform(tlv_t *request, uint32_t id, uint32_t *status, std::string *text) {
    if (plinkAsk(request, id, status, text) == 0) return true;
    fprintf(stderr, "switchctl: the platform process did not answer\n");
    return false;
}

// The locked accounts with their seconds left, or false when the switch is not running.
bool lockedAccounts(std::map<std::string, std::string> *locked) {
    if (!switchMissingText(gFound, gEnvPath).empty() || plinkConnect() != 0) return false;
    uint32_t id = plinkNextId(), status;
    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_LOCKS), PLINK_TAG_ID, TLV_ENC_U32,
              id, TLV_ENC_END);
    std::string text;
    if (!askPlatform(&t, id, &status, &text) || status != 0) return false;
    std::istringstream lines(text);
    for (std::string name, seconds; lines >> name >> seconds;) (*locked)[name] = seconds;
    return true;
}

int unlock(const char *name) {
    if (!reachPlatform()) return 1;
    uint32_t id = plinkNextId(), status;
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_UNLOCK), PLINK_TAG_ID,
              TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, name, TLV_ENC_END);
    std::string text;
    if (!askPlatform(&t, id, &status, &text)) return 1;
    if (status != 0) {
        fprintf(stderr, "switchctl: account \"%s\" is not locked\n", name);
        return 1;
    }
    printf("account \"%s\" unlocked\n", name);
    return 0;
}

int usage() {
    fprintf(stderr,
            "usage: switchctl users list | add NAME rw|ro | passwd NAME | access NAME rw|ro | del "
            "NAME | unlock NAME\n"
            "       switchctl sessions list | end ID|--all\n"
            "       switchctl identity add USER MAC PORT [DOMAIN]\n"
            "       switchctl event device-detect|device-remove|user-authenticate|"
            "user-unauthenticate PORT\n"
            "       switchctl trace [NAME [-f]]\n");
    return 2;
}

// Reads a password without echo from a terminal, else one line of standard input.
bool readPassword(const char *prompt, std::string *out) {
    bool tty = isatty(STDIN_FILENO);
    termios old{};
    if (tty) {
        fprintf(stderr, "%s", prompt);
        tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    bool ok = bool(std::getline(std::cin, *out));
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSANOW, &old);
        fprintf(stderr, "\n");
    }
    if (ok && out->size() > AAA_NAME_MAX) {
        fprintf(stderr, "switchctl: passwords are at most %d characters\n", AAA_NAME_MAX);
        return false;
    }
    return ok;
}

bool parseAccess(const char *text, bool *readWrite) {
    if (strcmp(text, "rw") == 0)
        *readWrite = true;
    else if (strcmp(text, "ro") == 0)
        *readWrite = false;
    else
        return false;
    return true;
}

int users(int argc, char **argv) {
    if (argc < 1) return usage();
    if (strcmp(argv[0], "unlock") == 0) {
        if (argc != 2 || !aaaAccountStore::validName(argv[1])) return usage();
        return unlock(argv[1]);
    }
    const char *dir = karnConfigDir();
    if (!dir[0]) {
        fprintf(stderr, "switchctl: KARN_CONFIG_LOCATION is not set and there is no %s\n",
                gEnvPath.c_str());
        return 1;
    }
    aaaAccountStore store(std::string(dir) + "/accounts");
    if (store.load() != 0) {
        fprintf(stderr, "switchctl: cannot read %s\n", store.path().c_str());
        return 1;
    }
    std::string cmd = argv[0];
    if (cmd == "list" && argc == 1) {
        std::map<std::string, std::string> locked;
        bool running = lockedAccounts(&locked);
        printf("%-32s %-10s %s\n", "NAME", "ACCESS", running ? "LOCKED" : "");
        for (const aaaAccount &a : store.accounts()) {
            auto lock = locked.find(a.name);
            std::string state = lock == locked.end() ? "" : "locked, " + lock->second + " s left";
            printf("%-32s %-10s %s\n", a.name.c_str(), a.readWrite ? "read-write" : "read-only",
                   state.c_str());
        }
        if (!running) printf("(the switch is not running: locks are not shown)\n");
        return 0;
    }
    int rc = -1;
    bool readWrite = false;
    std::string password;
    if (cmd == "add" && argc == 3 && parseAccess(argv[2], &readWrite)) {
        if (!readPassword("Password: ", &password)) return 1;
        rc = store.add(argv[1], readWrite, password);
    } else if (cmd == "passwd" && argc == 2) {
        if (!readPassword("Password: ", &password)) return 1;
        rc = store.setPassword(argv[1], password);
    } else if (cmd == "access" && argc == 3 && parseAccess(argv[2], &readWrite)) {
        rc = store.setAccess(argv[1], readWrite);
    } else if (cmd == "del" && argc == 2) {
        rc = store.remove(argv[1]);
    } else {
        return usage();
    }
    if (rc != 0) {
        fprintf(stderr,
                "switchctl: cannot %s account \"%s\" (bad or duplicate name, or no such account)\n",
                cmd.c_str(), argv[1]);
        return 1;
    }
    if (store.save() != 0) {
        fprintf(stderr, "switchctl: cannot write %s\n", store.path().c_str());
        return 1;
    }
    // Processes remember accepted passwords until platformd says the accounts changed.
    if (plinkConnect() == 0) aaaAccountsChanged();
    return 0;
}

int sessions(int argc, char **argv) {
    if (argc < 1) return usage();
    std::string cmd = argv[0];
    uint32_t id = plinkNextId();
    uint8_t buf[256];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    bool all = false;
    if (cmd == "list" && argc == 1) {
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_LIST), PLINK_TAG_ID,
                  TLV_ENC_U32, id, TLV_ENC_END);
    } else if (cmd == "end" && argc == 2 && strcmp(argv[1], "--all") == 0) {
        all = true;
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_KILL), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_FLAGS, TLV_ENC_U32, uint32_t(PLINK_SM_KILL_ALL),
                  TLV_ENC_END);
    } else if (cmd == "end" && argc == 2 && strlen(argv[1]) <= 32) {
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_KILL), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_COOKIE, TLV_ENC_STRING, argv[1], TLV_ENC_END);
    } else {
        return usage();
    }
    if (!reachPlatform()) return 1;
    uint32_t status;
    std::string text;
    if (!askPlatform(&t, id, &status, &text)) return 1;
    if (cmd == "list") {
        printf("%s", text.c_str());
        return 0;
    }
    if (all) {
        printf("sessions told to end: %d\n", int(status));
        return 0;
    }
    if (status != 0) {
        fprintf(stderr, "switchctl: no session has the id \"%s\"\n", argv[1]);
        return 1;
    }
    return 0;
}

// A port event, as if the port had noticed it: every process of the switch hears of it
// (profiles bound to the event and port run).
int event(int argc, char **argv) {
    static const char *const kEvents[] = {"device-detect", "device-remove", "user-authenticate",
                                          "user-unauthenticate"};
    if (argc != 2) return usage();
    int kind = 0;
    for (int i = 0; i < 4; i++)
        if (strcmp(argv[0], kEvents[i]) == 0) kind = DM_PORT_DEVICE_DETECT + i;
    uint32_t port = 0;
    if (kind == 0) return usage();
    if (!STRING_TO_PORTMASK(&port, argv[1], 0) || plIsMgmtPort(port)) {
        fprintf(stderr, "switchctl: \"%s\" is not a front port of this switch\n", argv[1]);
        return 1;
    }
    if (plinkConnect() != 0) {
        fprintf(stderr, "switchctl: cannot reach the platform process (is the switch running?)\n");
        return 1;
    }
    if (dmRaisePortEvent(kind, port) != 0) {
        fprintf(stderr, "switchctl: the platform process did not take the event\n");
        return 1;
    }
    return 0;
}

// A user seen behind a front port, as the identity manager would learn it from the
// port's traffic; the domain is "default" unless given.
int identity(int argc, char **argv) {
    if ((argc != 4 && argc != 5) || strcmp(argv[0], "add") != 0) return usage();
    uint32_t port = 0;
    if (!STRING_TO_PORTMASK(&port, argv[3], 0) || plIsMgmtPort(port)) {
        fprintf(stderr, "switchctl: \"%s\" is not a front port of this switch\n", argv[3]);
        return 1;
    }
    if (plinkConnect() != 0) {
        fprintf(stderr, "switchctl: cannot reach the platform process (is the switch running?)\n");
        return 1;
    }
    if (dmRaiseIdentity(argv[1], argc == 5 ? argv[4] : "default", argv[2], port) != 0) {
        fprintf(stderr, "switchctl: the platform process did not take the identity\n");
        return 1;
    }
    return 0;
}

// The two files of wsvd's request trace (readable by their owner only), the older one
// first: the daemon writes one until it is full and then starts the other afresh.
// The part of `now` that `before` did not show: the ring drops its oldest text as it
// takes new text, so the end of what was printed is looked for in what is there now.
std::string newText(const std::string &before, const std::string &now) {
    if (before.empty()) return now;
    std::string tail = before.substr(before.size() > 256 ? before.size() - 256 : 0);
    size_t at = now.rfind(tail);
    if (at == std::string::npos) return now;  // all of it is new
    return now.substr(at + tail.size());
}

// A process's trace ring ("<scratch>/ems/NAME.trace"), or its log file when it keeps
// no ring; with -f, what is added is printed as it comes, until interrupted.
int processTrace(const std::string &name, bool follow) {
    if (!aaaAccountStore::validName(name)) return usage();
    const char *scratch = getenv("KARN_SCRATCH_LOCATION");
    const char *logs = getenv("KARN_LOG_LOCATION");
    std::string ring = std::string(scratch ? scratch : "") + "/ems/" + name + ".trace";
    std::string log = std::string(logs ? logs : "") + "/" + name + ".log";
    bool isRing = scratch && *scratch && access(ring.c_str(), R_OK) == 0;
    if (!isRing && !(logs && *logs && access(log.c_str(), R_OK) == 0)) {
        fprintf(stderr, "switchctl: %s keeps no trace ring or log here (%s)\n", name.c_str(),
                gEnvPath.c_str());
        return 1;
    }
    auto read = [&] {
        if (isRing) return emsReadTraceFile(ring.c_str());
        std::ifstream in(log, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string shown;
    for (;;) {
        std::string now = read();
        std::string added = newText(shown, now);
        fwrite(added.data(), 1, added.size(), stdout);
        fflush(stdout);
        shown = now;
        if (!follow) return 0;
        usleep(500 * 1000);
    }
}

int trace(int argc, char **argv) {
    if (argc >= 1) {
        bool follow = argc == 2 && strcmp(argv[1], "-f") == 0;
        if (argc > 2 || (argc == 2 && !follow)) return usage();
        return processTrace(argv[0], follow);
    }
    const char *scratch = getenv("KARN_SCRATCH_LOCATION");
    if (!scratch || !scratch[0]) {
        fprintf(stderr, "switchctl: KARN_SCRATCH_LOCATION is not set\n");
        return 1;
    }
    std::string dir = std::string(scratch) + "/" WSVD_TRACE_DIR "/";
    std::string names[2] = {dir + WSVD_TRACE_FILE, dir + WSVD_TRACE_SECOND_PREFIX WSVD_TRACE_FILE};
    struct stat st[2];
    bool present[2];
    for (int i = 0; i < 2; i++) present[i] = stat(names[i].c_str(), &st[i]) == 0;
    if (!present[0] && !present[1]) {
        fprintf(stderr, "switchctl: no request trace (configure management trace on)\n");
        return 1;
    }
    bool secondFirst = present[0] && present[1] &&
                       (st[1].st_mtim.tv_sec < st[0].st_mtim.tv_sec ||
                        (st[1].st_mtim.tv_sec == st[0].st_mtim.tv_sec &&
                         st[1].st_mtim.tv_nsec < st[0].st_mtim.tv_nsec));
    for (int i : {secondFirst ? 1 : 0, secondFirst ? 0 : 1}) {
        if (!present[i]) continue;
        std::ifstream in(names[i], std::ios::binary);
        if (!in) {
            fprintf(stderr, "switchctl: cannot read %s\n", names[i].c_str());
            return 1;
        }
        std::cout << in.rdbuf();
    }
    std::cout.flush();
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    karnSetProcessName("switchctl");
    if (argc < 2) return usage();
    gFound = switchUseEnv(&gEnvPath);
    if (strcmp(argv[1], "users") == 0) return users(argc - 2, argv + 2);
    if (strcmp(argv[1], "sessions") == 0) return sessions(argc - 2, argv + 2);
    if (strcmp(argv[1], "event") == 0) return event(argc - 2, argv + 2);
    if (strcmp(argv[1], "identity") == 0) return identity(argc - 2, argv + 2);
    if (strcmp(argv[1], "trace") == 0) return trace(argc - 2, argv + 2);
    return usage();
}
