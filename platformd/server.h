// platformd's side of the platform link: connected processes, their states, the
// directory of link numbers, and the events broadcast to every process.
#pragma once
#include <poll.h>

#include <vector>

// Listens on the platform socket (creating the run directory). The socket, or -1.
int serverListen();
// Adds the listening socket and every client to `fds`.
void serverPollFds(std::vector<pollfd> &fds);
// Serves whatever poll reported on `fd` (the listener or a client).
void serverOnReady(const pollfd &fd);
// A started process has died: its state returns to 0.
void serverProcessDied(const char *name);
// Sends event 65 (load request for `name`) to every client.
void serverBroadcastLoad(const char *name);
// Work that falls due with time (called at least once a second): locks that end.
void serverTick();
// Closes every connection and removes the socket.
void serverClose();
