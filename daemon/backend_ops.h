// The daemon as its own backend objects (module "module_wsvdbe") see it: limits,
// sessions, counters and trace settings. Start-up installs this table with
// wsvdbeSetDaemonOps before it starts the backend library.
#pragma once

struct wsvdbeDaemonOps_t;

extern const wsvdbeDaemonOps_t wsvdBackendOps;
