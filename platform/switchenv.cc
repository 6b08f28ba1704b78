#include "platform/switchenv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

extern char **environ;

namespace {

const size_t kEnvFileMax = 64 * 1024;

std::string lockPath(const std::string &stateDir) {
    return stateDir + "/lock";
}
std::string envPath(const std::string &stateDir) {
    return stateDir + "/env";
}

// Record locks (not flock) so that the holder's pid can be asked of the kernel, and
// so that the children of the platform process do not inherit the lock.
struct flock wholeFile(short type) {
    struct flock l {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    return l;
}

// 'value' with every ' written as '\'' : one shell word whatever the value holds.
std::string shellQuote(const std::string &value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Reverses shellQuote; false for anything else.
bool shellUnquote(const std::string &text, std::string *value) {
    value->clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\'') {
            size_t close = text.find('\'', i + 1);
            if (close == std::string::npos) return false;
            value->append(text, i + 1, close - i - 1);
            i = close + 1;
        } else if (text.compare(i, 2, "\\'") == 0) {
            value->push_back('\'');
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool ownVariable(const std::string &name) {
    return name.rfind("KARN_", 0) == 0 || name.rfind("WSVD_", 0) == 0;
}

}  // namespace

std::string switchStateDir() {
    const char *state = getenv("WSVD_STATE");
    if (state && *state) return state;
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "state";
    path[n] = 0;
    std::string dir(path);
    for (int up = 0; up < 3; up++) {  // <top>/build/bin/program -> <top>
        size_t slash = dir.rfind('/');
        dir.erase(slash == std::string::npos ? 0 : slash);
    }
    return dir + "/state";
}

int switchLock(const std::string &stateDir, pid_t *holder) {
    *holder = 0;
    int fd = open(lockPath(stateDir).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct flock l = wholeFile(F_WRLCK);
    if (fcntl(fd, F_SETLK, &l) != 0) {
        int why = errno;
        if (why == EAGAIN || why == EACCES) {
            struct flock ask = wholeFile(F_WRLCK);
            if (fcntl(fd, F_GETLK, &ask) == 0 && ask.l_type != F_UNLCK) *holder = ask.l_pid;
        }
        close(fd);
        errno = why;
        return -1;
    }
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != ssize_t(pid.size())) {
        // the lock is what counts; the pid in the file is for people
    }
    return fd;
}

pid_t switchLockHolder(const std::string &stateDir) {
    int fd = open(lockPath(stateDir).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct flock l = wholeFile(F_WRLCK);
    pid_t pid = fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK ? l.l_pid : 0;
    close(fd);
    return pid;
}

int switchWriteEnv(const std::string &stateDir) {
    std::string text = "# The switch running on this state directory; removed when it stops.\n";
    for (char **e = environ; *e; e++) {
        std::string entry = *e;
        size_t eq = entry.find('=');
        if (eq == std::string::npos || !ownVariable(entry.substr(0, eq))) continue;
        std::string value = entry.substr(eq + 1);
        if (value.find('\n') != std::string::npos) continue;
        text += "export " + entry.substr(0, eq) + "=" + shellQuote(value) + "\n";
    }
    std::string path = envPath(stateDir), temporary = path + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return -1;
    }
    return 0;
}

void switchRemoveEnv(const std::string &stateDir) {
    unlink(envPath(stateDir).c_str());
}

std::map<std::string, std::string> switchParseEnv(const std::string &text) {
    std::map<std::string, std::string> vars;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("export ", 0) != 0) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = line.substr(7, eq - 7), value;
        if (ownVariable(name) && name.find_first_of(" \t") == std::string::npos &&
            shellUnquote(line.substr(eq + 1), &value))
            vars[name] = value;
    }
    return vars;
}

switchFound switchUseEnv(std::string *where) {
    std::string stateDir = switchStateDir();
    *where = envPath(stateDir);
    const char *run = getenv("KARN_RUN_LOCATION");
    if (run && *run) return SWITCH_FROM_ENVIRONMENT;
    std::ifstream in(*where, std::ios::binary);
    if (!in) {
        // No switch runs, but what it keeps between runs can still be worked on.
        struct stat st;
        for (auto [name, sub] : {std::pair{"KARN_CONFIG_LOCATION", "/config"},
                                 std::pair{"KARN_SCRATCH_LOCATION", "/scratch"}})
            if (stat((stateDir + sub).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                setenv(name, (stateDir + sub).c_str(), 0);
        return SWITCH_NONE;
    }
    std::string text(kEnvFileMax, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    bool running = switchLockHolder(stateDir) != 0;
    for (auto &[name, value] : switchParseEnv(text)) {
        // The sockets and the ports are those of a run; the directories outlive it.
        bool ofTheRun = name == "KARN_RUN_LOCATION" || name.rfind("WSVD_", 0) == 0;
        if (running || !ofTheRun) setenv(name.c_str(), value.c_str(), 0);
    }
    return running ? SWITCH_RUNNING : SWITCH_STOPPED;
}

std::string switchMissingText(switchFound found, const std::string &envPath) {
    if (found == SWITCH_STOPPED)
        return "the switch is not running (" + envPath + " is left from one that stopped)";
    if (found == SWITCH_NONE)
        return "the switch is not running (no " + envPath +
               "; start it with scripts/run, or set KARN_RUN_LOCATION)";
    return "";
}
