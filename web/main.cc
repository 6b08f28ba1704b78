// webd: the switch's web front end. It listens for HTTP (and HTTPS when a certificate
// is configured), relays SOAP requests to wsvd as its peer "thttpd", and serves the
// service description. platformd starts it and watches it through the device manager.
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/ds.h"
#include "platform/log.h"
#include "platform/util.h"
#include "web/options.h"
#include "web/relay.h"
#include "web/server.h"

namespace {

void scheduleRegister(void *);

// The directory entry only tells the switch that webd is there; webd serves no link.
void registered(void *, dsRegistration_t *, int status) {
    if (status < 0) {
        dispatchTime_t again = {1, 0};
        dispatchExecuteWorkItem(scheduleRegister, nullptr, 0, again, DISPATCH_WORK_ONCE);
    }
}

void scheduleRegister(void *) {
    if (dsNBRegister("webd", registered, nullptr) != 0) {
        dispatchTime_t again = {1, 0};
        dispatchExecuteWorkItem(scheduleRegister, nullptr, 0, again, DISPATCH_WORK_ONCE);
    }
}

}  // namespace

int main(int argc, char **argv) {
    karnSetProcessName("webd");
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // A client or daemon that goes away while written to is an error, not a death.
    signal(SIGPIPE, SIG_IGN);

    webServerConfig_t server;
    webRelayConfig_t relay;
    std::string error;
    int rc = webParseOptions(argc, argv, &server, &relay, &error);
    if (rc != 0) {
        if (rc < 0) fprintf(stderr, "webd: %s\n", error.c_str());
        fputs(kWebUsage, rc < 0 ? stderr : stdout);
        return rc < 0 ? 2 : 0;
    }

    // The dispatcher blocks SIGINT and SIGTERM for every thread made after it, so it
    // comes before the server's threads: a stop request then reaches the loop below.
    dispatchThread_t mainThread;
    memset(&mainThread, 0, sizeof mainThread);
    mainThread.tid = pthread_self();
    mainThread.pid = getpid();
    strlcpy(mainThread.name, "main", sizeof mainThread.name);
    if (dispatchInit("webd", 0, 1, &mainThread, 1) != 0) {
        logError("cannot start the dispatcher");
        return 1;
    }
    if (dmInit(0, nullptr) != 0) logWarn("no device manager; going on");
    dmSetProcessState(0, DM_STATE_INITIALISED);

    webRelayConfigure(relay);
    if (webServerStart(server, &error) != 0) {
        // A port or certificate problem stays until the operator acts: no restart.
        logError("%s", error.c_str());
        return DM_EXIT_CANNOT_RUN;
    }
    scheduleRegister(nullptr);
    dmSetProcessState(0, DM_STATE_RUNNING);
    logInfo("listening on %s port %d%s", server.address.c_str(), server.httpPort,
            server.certFile.empty()
                ? ""
                : (" and HTTPS port " + std::to_string(server.httpsPort)).c_str());

    dispatchHandler();

    logInfo("stopping");
    webRelayStop();
    webServerStop();
    dsDeregister("webd", 0);
    return 0;
}
