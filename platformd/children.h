// The processes platformd starts, watches and restarts.
#pragma once
#include <cstdint>
#include <string>

// Adds one process from a text "name [program [args...]]" (blank-separated; a
// program without a slash is looked up beside platformd). 0, or -1 when malformed.
int childrenAdd(const std::string &entry);
// Adds every line of a process list file (blank lines and "#" comments skipped).
// 0, or -1 when the file cannot be read.
int childrenAddFile(const char *path);

void childrenStartAll();
// Reaps dead processes and schedules their restarts.
void childrenReap();
// Starts processes whose restart time has come.
void childrenTick();
// Time (clockNowUs) of the next restart, or 0 when none is due.
uint64_t childrenNextDeadlineUs();

// Asks every process to end (SIGTERM); childrenAlive() tells when all have gone.
void childrenStopAll();
bool childrenAlive();
// The process that exited saying it cannot run as configured (DM_EXIT_CANNOT_RUN): the
// switch cannot run either. "" while there is none.
const std::string &childrenCannotRun();
void childrenKillAll();  // SIGKILL and reap what is left
