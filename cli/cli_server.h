// The CLI process's service to subagent clients: registration as "cli" with the
// directory service, the subagent link (platform/cli/clilink.h), and the executor
// thread that runs the command lists one after another.
#pragma once

// Registers and opens the link (retrying every second); call on the dispatcher thread.
// Announces process state 6 once the link is served.
void cliServerStart();
// Stops the executor (bounded) and closes the link.
void cliServerStop();
