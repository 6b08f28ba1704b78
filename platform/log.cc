#include "platform/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/util.h"

namespace {

const uint64_t kDefaultMaxBytes = 1u << 20;
const int kKeptFiles = 2;  // <name>.log.1 and .2 besides the current one

struct LogState {
    std::mutex mutex;
    bool configured = false;
    logSettings settings;
    logLevel threshold = LOG_LEVEL_INFO;
    uint64_t maxBytes = kDefaultMaxBytes;
    std::string path;  // "" when there is no file
    int fd = -1;
    uint64_t size = 0;
};

LogState &state() {
    static LogState s;
    return s;
}

logLevel levelFromEnv() {
    const char *v = getenv("KARN_LOG_LEVEL");
    if (!v) return LOG_LEVEL_INFO;
    if (strcmp(v, "error") == 0) return LOG_LEVEL_ERROR;
    if (strcmp(v, "warn") == 0) return LOG_LEVEL_WARN;
    if (strcmp(v, "debug") == 0) return LOG_LEVEL_DEBUG;
    return LOG_LEVEL_INFO;
}

uint64_t maxBytesFromEnv() {
    const char *v = getenv("KARN_LOG_MAX_BYTES");
    if (!v || !*v) return kDefaultMaxBytes;
    char *end;
    unsigned long long n = strtoull(v, &end, 10);
    return *end == 0 && n >= 1024 ? n : kDefaultMaxBytes;
}

void closeFile(LogState &s) {
    if (s.fd >= 0) close(s.fd);
    s.fd = -1;
}

void openFile(LogState &s) {
    closeFile(s);
    if (s.path.empty()) return;
    s.fd = open(s.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
    struct stat st;
    s.size = s.fd >= 0 && fstat(s.fd, &st) == 0 ? uint64_t(st.st_size) : 0;
}

// Reads the settings of the environment once (or again after logConfigure).
void configure(LogState &s) {
    if (s.configured) return;
    s.configured = true;
    s.threshold = levelFromEnv();
    s.maxBytes = maxBytesFromEnv();
    s.path.clear();
    const char *dir = getenv("KARN_LOG_LOCATION");
    if (s.settings.file && dir && *dir) {
        mkdir(dir, 0755);
        s.path = std::string(dir) + "/" + karnGetProcessName() + ".log";
    }
    openFile(s);
}

void rotate(LogState &s) {
    for (int i = kKeptFiles; i > 1; i--)
        rename((s.path + "." + std::to_string(i - 1)).c_str(),
               (s.path + "." + std::to_string(i)).c_str());
    rename(s.path.c_str(), (s.path + ".1").c_str());
    openFile(s);
}

const char *levelName(logLevel level) {
    switch (level) {
        case LOG_LEVEL_ERROR:
            return "error";
        case LOG_LEVEL_WARN:
            return "warn ";
        case LOG_LEVEL_INFO:
            return "info ";
        default:
            return "debug";
    }
}

}  // namespace

uint64_t logWallNowUs() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

std::string logTimeText(uint64_t wallUs) {
    time_t seconds = time_t(wallUs / 1000000u);
    struct tm local;
    localtime_r(&seconds, &local);
    char text[40];
    size_t n = strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    snprintf(text + n, sizeof text - n, ".%03u", unsigned(wallUs / 1000u % 1000u));
    return text;
}

bool logEnabled(logLevel level) {
    LogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    configure(s);
    return level <= s.threshold;
}

void logConfigure(const logSettings &settings) {
    LogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.settings = settings;
    s.configured = false;
    closeFile(s);
}

void logWriteV(logLevel level, const char *format, va_list ap) {
    LogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    configure(s);
    if (level > s.threshold) return;
    char message[2048];
    int n = vsnprintf(message, sizeof message, format, ap);
    if (n < 0) return;
    size_t length = strlen(message);
    while (length > 0 && message[length - 1] == '\n') length--;
    std::string line = logTimeText(logWallNowUs()) + " " + levelName(level) + " " +
                       karnGetProcessName() + ": " + std::string(message, length) + "\n";
    if (s.settings.console && write(STDERR_FILENO, line.data(), line.size()) < 0) {
        // nowhere left to say so
    }
    if (s.fd < 0) return;
    if (s.size + line.size() > s.maxBytes) rotate(s);
    if (s.fd >= 0 && write(s.fd, line.data(), line.size()) > 0) s.size += line.size();
}

#define LOG_AT(level)             \
    va_list ap;                   \
    va_start(ap, format);         \
    logWriteV(level, format, ap); \
    va_end(ap)

void logError(const char *format, ...) {
    LOG_AT(LOG_LEVEL_ERROR);
}
void logWarn(const char *format, ...) {
    LOG_AT(LOG_LEVEL_WARN);
}
void logInfo(const char *format, ...) {
    LOG_AT(LOG_LEVEL_INFO);
}
void logDebug(const char *format, ...) {
    LOG_AT(LOG_LEVEL_DEBUG);
}
