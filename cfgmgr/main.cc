// cfgmgr: the configuration manager of the switch. It keeps every configuration object,
// answers the configuration requests of the switch's processes one at a time, relays
// the modules of backend applications to them, and saves and restores the
// configuration.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cfgmgr/modules/idMgr.h"
#include "cfgmgr/modules/upm.h"
#include "cfgmgr/persist.h"
#include "cfgmgr/server.h"
#include "cfgmgr/store.h"
#include "platform/cli/clisub.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/epm.h"
#include "platform/log.h"
#include "platform/util.h"

namespace {

// $KARN_ROOT/cfgmgr when it holds a catalogue, else the data installed with the program.
std::string dataDirectory() {
    const char *root = getenv("KARN_ROOT");
    if (root && *root) {
        std::string dir = std::string(root) + "/cfgmgr";
        if (access((dir + "/catalogue").c_str(), R_OK) == 0) return dir;
    }
    return CFGMGR_DATA_DIR;
}

void onDeviceManager(void *, int, int, void *) {}

// Profiles run their scripts in the CLI process, through the CLI subagent library.
void onCliEvent(int event, cliEventData_t *data) {
    if (event == CLI_EVENT_OUTPUT) upmCliOutput(data->seqnum, data->text, data->length);
    if (event == CLI_EVENT_END) upmCliEnd(data->seqnum, data->status);
}
void executeCli(char **commands, char **variables, uint32_t seqnum) {
    karnExecuteCLIWithVariables("upm", commands, variables, 0, seqnum);
}
const upmCli_t kCli = {executeCli, karnCancelCLI};

// With the dispatcher up: runs go to the CLI, port events reach the profiles bound to
// them, and the saved timers start.
void startProfiles() {
    if (cliSubagentInit("cfgmgr", onCliEvent) == 0)
        upmSetCli(&kCli);
    else
        logWarn("no CLI subagent; profiles will not run");
    dmSetPortEventHandler(upmPortEvent);
    dmSetIdentityHandler(idMgrIdentitySeen);
    upmStart();
}

}  // namespace

int main(int argc, char **argv) {
    karnSetProcessName("cfgmgr");
    std::string dataDir;
    for (int opt; (opt = getopt(argc, argv, "d:h")) != -1;) {
        if (opt == 'd') {
            dataDir = optarg;
        } else if (opt == 'h') {
            printf("usage: cfgmgr [-d data directory]\n");
            return 0;
        } else {
            return 2;
        }
    }
    if (dataDir.empty()) dataDir = dataDirectory();
    setvbuf(stderr, nullptr, _IOLBF, 0);

    std::string why;
    if (cfgStoreInit(dataDir, &why) != 0) {
        logError("%s", why.c_str());
        return 1;
    }
    int loaded = cfgPersistLoad(karnConfigDir(), &why);
    if (loaded < 0)
        logWarn("the saved configuration is damaged (%s); kept as %s.damaged, "
                "using the factory defaults",
                why.c_str(), kSavedFileName);
    if (loaded != 1) {
        cfgStoreClear();
        if (cfgApplyFactory(&why) != 0) logWarn("factory defaults incomplete: %s", why.c_str());
    }
    logInfo("configuration from %s", loaded == 1 ? "the saved file" : "factory defaults");

    if (dmInit(64, onDeviceManager) != 0) {
        logError("cannot reach the device manager");
        return 1;
    }
    dmSetProcessState(0, DM_STATE_INITIALISED);
    epmClientSetPid();
    dispatchThread_t mainThread{pthread_self(), 10, getpid(), "main"};
    if (dispatchInit("cfgmgr", 0, 1, &mainThread, 1) != 0 || cfgServerStart() != 0) {
        logError("cannot start the dispatcher");
        return 1;
    }
    dmConnect();
    startProfiles();
    int status = dispatchHandler();
    cfgServerStop();
    return status;
}
