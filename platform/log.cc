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

// A log file kept below a size: when full it is renamed and a new one begun.
struct LogFile {
    std::string path;  // "" when there is no file
    int fd = -1;
    uint64_t size = 0;

    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    void open(const std::string &to) {
        close();
        path = to;
        if (path.empty()) return;
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
        struct stat st;
        size = fd >= 0 && fstat(fd, &st) == 0 ? uint64_t(st.st_size) : 0;
    }
    void write(const std::string &line, uint64_t maxBytes) {
        if (fd < 0) return;
        if (size + line.size() > maxBytes) {
            for (int i = kKeptFiles; i > 1; i--)
                rename((path + "." + std::to_string(i - 1)).c_str(),
                       (path + "." + std::to_string(i)).c_str());
            rename(path.c_str(), (path + ".1").c_str());
            open(path);
        }
        if (fd >= 0 && ::write(fd, line.data(), line.size()) > 0) size += line.size();
    }
};

struct LogState {
    std::mutex mutex;
    bool configured = false;
    logSettings settings;
    logLevel threshold = LOG_LEVEL_INFO;
    uint64_t maxBytes = kDefaultMaxBytes;
    std::string dir;  // "" when lines go to no file
    LogFile file, access;
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

// Reads the settings of the environment once (or again after logConfigure).
void configure(LogState &s) {
    if (s.configured) return;
    s.configured = true;
    s.threshold = levelFromEnv();
    s.maxBytes = maxBytesFromEnv();
    const char *dir = getenv("KARN_LOG_LOCATION");
    s.dir = s.settings.file && dir && *dir ? dir : "";
    if (!s.dir.empty()) mkdir(s.dir.c_str(), 0755);
    s.file.open(s.dir.empty() ? "" : s.dir + "/" + karnGetProcessName() + ".log");
    s.access.close();  // opened with its first line
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

size_t logTimeTextInto(uint64_t wallUs, char *out) {
    // A busy thread stamps many lines a second; the local date and time of day are
    // worked out once for each second it stamps.
    thread_local time_t stampedSecond = -1;
    thread_local char secondText[LOG_TIME_TEXT_MAX - 4];
    thread_local size_t secondLength = 0;
    time_t seconds = time_t(wallUs / 1000000u);
    if (seconds != stampedSecond) {
        struct tm local;
        localtime_r(&seconds, &local);
        secondLength = strftime(secondText, sizeof secondText, "%Y-%m-%d %H:%M:%S", &local);
        stampedSecond = seconds;
    }
    unsigned ms = unsigned(wallUs / 1000u % 1000u);
    memcpy(out, secondText, secondLength);
    char *at = out + secondLength;
    *at++ = '.';
    *at++ = char('0' + ms / 100);
    *at++ = char('0' + ms / 10 % 10);
    *at++ = char('0' + ms % 10);
    *at = 0;
    return size_t(at - out);
}

std::string logTimeText(uint64_t wallUs) {
    char text[LOG_TIME_TEXT_MAX];
    return std::string(text, logTimeTextInto(wallUs, text));
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
    s.file.close();
    s.access.close();
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
    s.file.write(line, s.maxBytes);
}

void logAccess(const std::string &text) {
    LogState &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    configure(s);
    if (s.dir.empty()) return;
    if (s.access.fd < 0) s.access.open(s.dir + "/" + karnGetProcessName() + "-access.log");
    s.access.write(logTimeText(logWallNowUs()) + " " + text + "\n", s.maxBytes);
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
