// Where the running switch is. The platform process, started with a state directory,
// holds "<state>/lock" (a write lock, with its pid in the file) for as long as it runs
// and writes "<state>/env": the KARN_* and WSVD_* variables of the switch, as shell
// "export NAME='value'" lines, so that a person can source it and the tools can read
// it. A tool started without KARN_RUN_LOCATION takes its variables from there; a file
// whose lock nobody holds is left from a switch that has stopped.
#pragma once
#include <sys/types.h>

#include <map>
#include <string>

// WSVD_STATE, else the project's "state" beside the build directory the program runs
// from ("<bin>/../../state").
std::string switchStateDir();

// Takes the lock of `stateDir` and writes the pid into it: the open lock file (keep it
// open while the switch runs), or -1 with the pid of the holder in *holder (0 when the
// lock could not be taken for another reason, with errno).
int switchLock(const std::string &stateDir, pid_t *holder);
// The pid holding the lock of `stateDir`, or 0 when nobody does.
pid_t switchLockHolder(const std::string &stateDir);

// Writes "<stateDir>/env" atomically with every KARN_* and WSVD_* variable of this
// process's environment. 0 or -1.
int switchWriteEnv(const std::string &stateDir);
void switchRemoveEnv(const std::string &stateDir);
// The variables of an env file's text; lines it cannot read are skipped.
std::map<std::string, std::string> switchParseEnv(const std::string &text);

enum switchFound {
    SWITCH_FROM_ENVIRONMENT,  // KARN_RUN_LOCATION was set: nothing read
    SWITCH_RUNNING,           // the variables of a running switch are now set
    SWITCH_STOPPED,           // an env file from a switch that stopped: only the
                              // directories that outlive a run are set
    SWITCH_NONE,              // no env file: only the state directory's config/ and
                              // scratch/ are set, when they exist
};
// For a tool: fills the unset variables from the env file of switchStateDir().
// *envPath names the file read (or looked for).
switchFound switchUseEnv(std::string *envPath);
// Why a tool cannot reach the switch, for its error message: "" when the switch was
// found (SWITCH_FROM_ENVIRONMENT, SWITCH_RUNNING).
std::string switchMissingText(switchFound found, const std::string &envPath);
