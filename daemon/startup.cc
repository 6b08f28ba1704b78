#include "daemon/startup.h"

#include <getopt.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/wsvdbe_objdef.h"
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/upm_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cmclient/cm.h"
#include "cmclient/cmbe.h"
#include "daemon/answers.h"
#include "daemon/backend_ops.h"
#include "daemon/intake.h"
#include "daemon/trace_file.h"
#include "daemon/worker.h"
#include "framework/xmlfwk_registry.h"
#include "platform/aaa.h"
#include "platform/cli/clisub.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/ds.h"
#include "platform/epm.h"
#include "platform/ipml.h"
#include "platform/lm.h"
#include "platform/sm.h"
#include "platform/util.h"
#include "session/session_auth.h"
#include "session/session_table.h"

namespace {

// "exit -1": the status the shell sees is 255.
enum { EXIT_STARTUP_FAILURE = 255 };

// Set only by dispatcher callbacks, never reset.
bool gLibrariesUp = false;
bool gFrontendPending = true;
bool gBackendPending = true;
bool gCliPending = true;

[[noreturn]] void fail(const char *message) {
    printf("%s", message);
    fflush(stdout);
    // Some failures come from dispatcher callbacks while a worker may run: _exit, so
    // that no global is destroyed under another thread.
    _exit(EXIT_STARTUP_FAILURE);
}

void scheduleRegister() {
    dispatchExecuteWorkItem(wsvdRegister, nullptr, 0, dispatchTime_t{1, 0}, DISPATCH_WORK_ONCE);
}

void parseOptions(int argc, char **argv) {
    opterr = 0;  // our own message only
    int c;
    while ((c = getopt(argc, argv, "dht:x:")) != -1) {
        switch (c) {
            case 'd':
            case 't':
            case 'x':
                break;
            case 'h':
                exit(0);
            default:
                printf("Unknown option: -%c\n", optopt ? optopt : c);
                fflush(stdout);
                exit(EXIT_STARTUP_FAILURE);
        }
    }
}

}  // namespace

void wsvdLibWatchCallBack(int event, void *group) {
    if (event != LM_EVENT_ALL_UP) return;
    // The ready event should come once and only after the device manager is in sync;
    // anything else is noted and ignored, and registration waits for a proper one.
    if (!dmInSync() || gLibrariesUp) {
        WSVD_LOG("wsvd: libraries-up event ignored (in sync %d, already up %d)", dmInSync(),
                 gLibrariesUp ? 1 : 0);
        return;
    }
    lmCancelGroup(group);
    gLibrariesUp = true;
    wsvdRegister(nullptr);
}

void wsvdRegister(void *) {
    if (dsNBRegister(karnGetProcessName(), wsvdRegisterCallBack, nullptr) != 0) scheduleRegister();
}

void wsvdRegisterCallBack(void *, dsRegistration_t *result, int status) {
    if (status < 0 || !result) {
        scheduleRegister();
        return;
    }
    if (gWsvdLink) {
        dispatchRemove(gWsvdLink);
        ipmlClose(gWsvdLink);
        gWsvdLink = nullptr;
    }
    gWsvdLink = ipmlInitServerClient(0, result->linkNumber, 1, wsvdIpmlPeerCallBack, nullptr);
    if (!gWsvdLink) return;

    dispatchServer_t server = {gWsvdLink, "wsvdIpmlReceive", wsvdIpmlReceive};
    if (dispatchAddServer(&server) != 0) {
        printf("Failed to add wsvd to dispatcher.");
        fflush(stdout);
        dsDeregister(karnGetProcessName(), 1);
        ipmlClose(gWsvdLink);
        gWsvdLink = nullptr;
        return;
    }

    char names[2][LM_NAME_SLOT];
    memset(names, 0, sizeof names);
    strlcpy(names[0], "cliSubagent", LM_NAME_SLOT);
    strlcpy(names[1], "cmFrontend", LM_NAME_SLOT);
    if (!lmWatchGroup(names, 2, 3, wsvdConfigLibWatchCallBack, 0, 0))
        fail("Failed to initialize configuration library handle.");

    wsvdStartConfigLinks();
    dmSetProcessState(0, DM_STATE_RUNNING);
}

void wsvdConfigLibWatchCallBack(int event, void *group) {
    if (event != LM_EVENT_ALL_UP) return;
    lmCancelGroup(group);
    dmSetProcessState(0, DM_STATE_READY);
}

void wsvdDmCallBack(void *handle, int event, int flags, void *data) {
    if (event == DM_EVENT_PROCESS_UP) {
        const char *name = static_cast<const char *>(data);
        if (name && (strcmp(name, "cfgmgr") == 0 || strcmp(name, "cli") == 0))
            wsvdStartConfigLinks();
    } else if (event == DM_EVENT_LOAD) {
        cmBackEndSendLoadRequest(handle, event, flags, data);
    }
}

void wsvdStartConfigLinks() {
    if (!gLibrariesUp) return;
    if (gFrontendPending && dmGetProcessState("cfgmgr") >= DM_STATE_RUNNING) {
        WSVD_LOG("Starting CM frontend");
        if (!cmFrontendInit(karnGetProcessName(), wsvdCmFrontendCallBack))
            fail("Failed to initialize cfgmgr library.");
        gFrontendPending = false;
    }
    if (gBackendPending && dmGetProcessState("cfgmgr") >= DM_STATE_RUNNING) {
        WSVD_LOG("Starting CM backend");
        wsvdbeSetDaemonOps(&wsvdBackendOps);
        if (!cmBackendInit("wsvdbe", 0)) fail("Failed to initialize cfgmgr library.");
        gBackendPending = false;
    }
    if (gCliPending && dmGetProcessState("cli") >= DM_STATE_RUNNING) {
        WSVD_LOG("Starting CLI subagent");
        if (cliSubagentInit(karnGetProcessName(), wsvdCliCallBack) != 0)
            fail("Failed to initialize cli library.");
        gCliPending = false;
    }
}

int wsvdMain(int argc, char **argv) {
    karnSetProcessName("wsvd");
    // Standard output usually goes to a log file; a line should be there when printed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    parseOptions(argc, argv);

    char libraries[4][LM_NAME_SLOT];
    memset(libraries, 0, sizeof libraries);
    const char *names[4] = {"epmlib", "dslib", "dmlib", "emslib"};
    for (int i = 0; i < 4; i++) strlcpy(libraries[i], names[i], LM_NAME_SLOT);
    if (!lmWatchGroup(libraries, 4, 3, wsvdLibWatchCallBack, 0, 0))
        fail("Error: Failed to initialize library handle.");

    if (dmInit(64, wsvdDmCallBack) != 0) fail("Error: Failed to initialize devmgr library.");

    if (wsvdIntakeInit() != 0) fail("Error: Failed to allocate transmit packet.");

    if (!cmFuncTableInit()) fail("Error: Failed to initialize object parsing table.");
    cmObjectInit_fdb();
    cmObjectInit_vlan();
    cmObjectInit_acl();
    cmObjectInit_upm();

    dmSetProcessState(0, DM_STATE_INITIALISED);
    epmClientSetPid();

    dispatchThread_t mainThread;
    memset(&mainThread, 0, sizeof mainThread);
    mainThread.tid = pthread_self();
    mainThread.priority = 10;
    mainThread.pid = getpid();
    strlcpy(mainThread.name, "main", sizeof mainThread.name);
    dispatchInit(karnGetProcessName(), 0, 1, &mainThread, 1);

    gWsvdTraceHandle = emsInitTraceBuffer("wsvd", 100000, 0, dmConnect());
    // Room for the waits of a few tens of thousands of requests.
    gWsvdQueueTrace = emsInitTraceBuffer("wsvd_queue", 256 * 1024, EMS_TRACE_PLAIN, dmConnect());

    // KARN_ROOT names the root of the schema files. Without it the daemon still starts:
    // the schema directory becomes "/config/www/api/xsd" from the file system root, and
    // the registry reports what it cannot find.
    const char *root = getenv("KARN_ROOT");
    if (!root) {
        printf("KARN_ROOT is not set; using an empty prefix.\n");
        WSVD_LOG("wsvd: KARN_ROOT is not set; using an empty prefix");
        root = "";
    }
    char schemaDir[300];
    Sprintf(schemaDir, sizeof schemaDir, "%s%s", root, "/config/www/api/xsd");
    // Without its metadata the daemon still serves everything but the generic objects.
    if (!xmlFwkInit(schemaDir)) printf("Could not init XML Schema Parse\n");

    // The session-table mutex is initialised statically (gWsvdSessionMutex).
    if (aaaRegister(wsvdAAACallBack, 0) != 0)
        printf("THTTPD Unable to register with AAA unable to start wsvd");
    smInit(wsvdSessionMgmtCallBack);
    wsvdSessionTableReset();
    wsvdSessionTimerStart(30);
    wsvdSessionTableReset();

    wsvdTraceFileInit();

    dispatchHandler();
    return 0;
}
