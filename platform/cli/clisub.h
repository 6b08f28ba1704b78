// CLI subagent: a process has command lists run by the CLI process and gets their
// output back as events on its dispatcher thread.
//
// Every call of karnExecuteCLI gets any number of output events and then exactly one
// end event, carrying the sequence number it was given. The library makes the end
// event itself (after an output event saying why) when the commands cannot be handed
// to the CLI process, when it goes away, or when it does not finish within
// KARN_CLI_TIMEOUT_SECONDS (default 60); so a caller may always wait for the end. Only
// a call the caller cancels (karnCancelCLI) ends without an event.
#pragma once
#include <cstdint>

enum { CLI_EVENT_OUTPUT = 0, CLI_EVENT_END = 1 };

struct cliEventData_t {
    uint32_t seqnum;
    const char *text;  // output text (event 0); valid during the callback only
    uint32_t length;
    // End event: 0 when every command ran without error; otherwise the number of
    // commands that failed, or 1 when the library ended the call itself.
    uint32_t status;
};

typedef void (*cliCallBack_t)(int event, cliEventData_t *data);

// Starts the subagent link to the CLI process. 0 on success.
int cliSubagentInit(const char *processName, cliCallBack_t callBack);
// Runs the NULL-terminated command list for client `client`. 0 when handed to the CLI
// process, -1 when not (the end event comes anyway), CLI_NOT_STARTED before
// cliSubagentInit (there is no callback to end the call with: no event comes). Safe
// from any thread.
enum { CLI_NOT_STARTED = -2 };
int karnExecuteCLI(const char *client, char **commands, int flags, uint32_t seqnum);
// The same with variables: `variables` is a NULL-terminated list of "NAME=value" texts
// (null: none), and a command word's $NAME or ${NAME} stands for that value (see
// cli/README.md).
int karnExecuteCLIWithVariables(const char *client, char **commands, char **variables, int flags,
                                uint32_t seqnum);
// Ends the open calls with sequence number `seqnum` at once: the CLI process drops
// their commands not yet run, and no further event comes for them. Safe from any thread.
void karnCancelCLI(uint32_t seqnum);
