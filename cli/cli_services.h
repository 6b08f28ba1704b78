// The CLI process's connections to the rest of the switch, as the interpreter's
// services: the configuration manager (through the frontend library) and the session
// manager (through the platform link).
#pragma once
#include "cli/cli_commands.h"

// Starts the configuration-manager frontend (retried every second until it starts);
// call on the dispatcher thread before it runs.
void cliServicesStart();
// The services. Their calls block the calling thread until the answer is in, bounded,
// and must not be made on the dispatcher thread (which delivers the answers).
const cliServices_t &cliServices();
// Makes every waiting call give up (at shutdown).
void cliServicesStop();
