// The log of a process: every line a process writes for people goes through here, with
// a time stamp, a level and the process's name, to standard error and, when
// KARN_LOG_LOCATION names a directory, to "<dir>/<process>.log". A log file is kept
// below KARN_LOG_MAX_BYTES (default 1 MiB): when full it becomes "<process>.log.1"
// (the one before that, ".2") and a new one starts. Lines below KARN_LOG_LEVEL
// (error, warn, info or debug; default info) are not written. Thread-safe; one write
// per line, so lines of threads and processes sharing a console stay whole.
//
//   2026-12-06 04:54:04.123 info  platformd: started cfgmgr (pid 4711)
#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>

enum logLevel { LOG_LEVEL_ERROR, LOG_LEVEL_WARN, LOG_LEVEL_INFO, LOG_LEVEL_DEBUG };

void logError(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logWarn(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logInfo(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logDebug(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logWriteV(logLevel level, const char *format, va_list ap);
bool logEnabled(logLevel level);

// A server's record of the requests it answered: `text` as one time-stamped line of
// "<dir>/<process>-access.log" (bounded and rotated like the log; nothing without
// KARN_LOG_LOCATION). The caller leaves out credentials and bodies.
void logAccess(const std::string &text);

// Where the lines go: the console (standard error) and the file. A program that owns
// the terminal (an interactive prompt) turns the console off. Tests reset with
// logConfigure({}) after changing the environment.
struct logSettings {
    bool console = true;
    bool file = true;
};
void logConfigure(const logSettings &settings);

// "2026-12-06 04:54:04.123" for a wall-clock time in microseconds since the epoch
// (local time).
std::string logTimeText(uint64_t wallUs);
enum { LOG_TIME_TEXT_MAX = 32 };
// The same text written into `out` (LOG_TIME_TEXT_MAX bytes), for writers that must not
// allocate; returns its length (the text is terminated).
size_t logTimeTextInto(uint64_t wallUs, char *out);
uint64_t logWallNowUs();
