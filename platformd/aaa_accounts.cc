#include "platformd/aaa_accounts.h"

#include <crypt.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/keyed_hash.h"
#include "platform/log.h"

namespace {

bool statFile(const std::string &path, int64_t *mtimeNs, int64_t *size) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    *mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    *size = st.st_size;
    return true;
}

// Parses "name:rw|ro:hash"; false for a malformed line.
bool parseLine(const std::string &line, aaaAccount *out) {
    size_t a = line.find(':');
    if (a == std::string::npos) return false;
    size_t b = line.find(':', a + 1);
    if (b == std::string::npos) return false;
    std::string name = line.substr(0, a), access = line.substr(a + 1, b - a - 1);
    if (!aaaAccountStore::validName(name) || (access != "rw" && access != "ro")) return false;
    out->name = name;
    out->readWrite = access == "rw";
    out->hash = line.substr(b + 1);
    return !out->hash.empty();
}

}  // namespace

std::string aaaHashPassword(const std::string &password) {
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn("$y$", 0, nullptr, 0, salt, sizeof salt)) return "";
    struct crypt_data data;
    memset(&data, 0, sizeof data);
    const char *hash = crypt_rn(password.c_str(), salt, &data, sizeof data);
    if (!hash || hash[0] == '*') return "";
    return hash;
}

aaaAccountStore::aaaAccountStore(std::string path) : path_(std::move(path)) {}

bool aaaAccountStore::validName(const std::string &name) {
    if (name.empty() || name.size() > AAA_NAME_MAX) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

int aaaAccountStore::load() {
    int64_t mtime, size;
    if (!statFile(path_, &mtime, &size)) {
        if (errno != ENOENT) return -1;
        // First start: the accounts a switch ships with.
        accounts_.clear();
        if (add("admin", true, "") != 0 || add("user", false, "") != 0) return -1;
        if (save() != 0) return -1;
        return statFile(path_, &loadedMtimeNs_, &loadedSize_) ? 0 : -1;
    }
    if (mtime == loadedMtimeNs_ && size == loadedSize_) return 0;

    std::ifstream in(path_);
    if (!in) return -1;
    std::vector<aaaAccount> accounts;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        lineNo++;
        if (line.empty() || line[0] == '#') continue;
        aaaAccount account;
        if (!parseLine(line, &account)) {
            logWarn("%s:%d: malformed account line skipped", path_.c_str(), lineNo);
            continue;
        }
        accounts.push_back(account);
    }
    accounts_ = std::move(accounts);
    changed();
    loadedMtimeNs_ = mtime;
    loadedSize_ = size;
    return 0;
}

int aaaAccountStore::save() const {
    std::ostringstream text;
    text << "# Local accounts: name:rw|ro:crypt-hash. Edit with switchctl users.\n";
    for (const aaaAccount &a : accounts_)
        text << a.name << ':' << (a.readWrite ? "rw" : "ro") << ':' << a.hash << '\n';
    std::string body = text.str();

    std::string tmp = path_ + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    size_t done = 0;
    while (done < body.size()) {
        ssize_t n = write(fd, body.data() + done, body.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(fd);
            unlink(tmp.c_str());
            return -1;
        }
        done += size_t(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0 || rename(tmp.c_str(), path_.c_str()) != 0) {
        unlink(tmp.c_str());
        return -1;
    }
    return 0;
}

const aaaAccount *aaaAccountStore::find(const std::string &name) const {
    for (const aaaAccount &a : accounts_)
        if (a.name == name) return &a;
    return nullptr;
}

int aaaAccountStore::add(const std::string &name, bool readWrite, const std::string &password) {
    if (!validName(name) || find(name)) return -1;
    std::string hash = aaaHashPassword(password);
    if (hash.empty()) return -1;
    accounts_.push_back({name, readWrite, hash});
    return 0;
}

int aaaAccountStore::remove(const std::string &name) {
    changed();
    for (auto it = accounts_.begin(); it != accounts_.end(); ++it) {
        if (it->name == name) {
            accounts_.erase(it);
            return 0;
        }
    }
    return -1;
}

int aaaAccountStore::setPassword(const std::string &name, const std::string &password) {
    changed();
    for (aaaAccount &a : accounts_) {
        if (a.name != name) continue;
        std::string hash = aaaHashPassword(password);
        if (hash.empty()) return -1;
        a.hash = hash;
        return 0;
    }
    return -1;
}

int aaaAccountStore::setAccess(const std::string &name, bool readWrite) {
    changed();
    for (aaaAccount &a : accounts_) {
        if (a.name == name) {
            a.readWrite = readWrite;
            return 0;
        }
    }
    return -1;
}

bool aaaAccountStore::verify(const std::string &name, const std::string &password) const {
    const aaaAccount *a = find(name);
    auto known = verified_.find(name);
    if (a && known != verified_.end()) {
        std::string quick = keyedHash(password);
        if (!quick.empty() && constantTimeEqual(quick, known->second)) return true;
    }
    // An unknown user costs a hash too, so that timing does not tell which names exist.
    static const std::string kDummy = aaaHashPassword("");
    const std::string &hash = a ? a->hash : kDummy;
    struct crypt_data data;
    memset(&data, 0, sizeof data);
    const char *computed = crypt_rn(password.c_str(), hash.c_str(), &data, sizeof data);
    bool ok = a && computed && computed[0] != '*' && constantTimeEqual(computed, hash);
    if (ok) {
        std::string quick = keyedHash(password);
        if (!quick.empty()) verified_[name] = quick;
    }
    return ok;
}

const aaaLockout::State *aaaLockout::current(const std::string &name, uint64_t nowUs) const {
    auto it = accounts_.find(name);
    if (it == accounts_.end()) return nullptr;
    const State &s = it->second;
    if (s.lockedUntilUs != 0 && nowUs >= s.lockedUntilUs) return nullptr;
    return &s;
}

uint64_t aaaLockout::timeLeftUs(const std::string &name, uint64_t nowUs) const {
    const State *s = current(name, nowUs);
    return s && s->lockedUntilUs ? s->lockedUntilUs - nowUs : 0;
}

uint32_t aaaLockout::failureCount(const std::string &name, uint64_t nowUs) const {
    const State *s = current(name, nowUs);
    return s ? s->failures : 0;
}

void aaaLockout::lock(const std::string &name, uint64_t nowUs) {
    locksStarted_++;
    State &s = accounts_[name];
    s.failures = 0;
    s.lockedUntilUs = nowUs + periodUs_;
    if (s.lockedUntilUs == 0) s.lockedUntilUs = 1;  // 0 means unlocked
}

void aaaLockout::unlock(const std::string &name) {
    accounts_.erase(name);
}

bool aaaLockout::failed(const std::string &name, bool lockNow, uint64_t nowUs) {
    uint32_t failures = failureCount(name, nowUs) + 1;
    if (lockNow || (failures_ != 0 && failures >= failures_)) {
        lock(name, nowUs);
        return true;
    }
    accounts_[name] = State{failures, 0};
    return false;
}

std::vector<std::pair<std::string, uint64_t>> aaaLockout::lockedAccounts(uint64_t nowUs) const {
    std::vector<std::pair<std::string, uint64_t>> out;
    for (const auto &entry : accounts_)
        if (uint64_t left = timeLeftUs(entry.first, nowUs)) out.emplace_back(entry.first, left);
    return out;
}

std::vector<std::string> aaaLockout::expire(uint64_t nowUs) {
    std::vector<std::string> ended;
    for (auto it = accounts_.begin(); it != accounts_.end();) {
        if (it->second.lockedUntilUs != 0 && nowUs >= it->second.lockedUntilUs) {
            ended.push_back(it->first);
            it = accounts_.erase(it);
        } else {
            ++it;
        }
    }
    return ended;
}

aaaVerdict aaaAuthenticator::authenticate(const std::string &name, const std::string &password,
                                          bool lockoutFlag, uint64_t nowUs) {
    aaaVerdict v;
    if (store_.load() != 0 && store_.accounts().empty()) {
        v.error = AAA_ERR_STORE;
        return v;
    }
    if (lockout_.locked(name, nowUs)) {
        v.error = AAA_ERR_LOCKED_OUT;
        return v;
    }
    if (!store_.verify(name, password)) {
        v.lockedNow = store_.find(name) && lockout_.failed(name, lockoutFlag, nowUs);
        v.error = v.lockedNow ? AAA_ERR_LOCKED_OUT : AAA_ERR_BAD_CREDENTIALS;
        return v;
    }
    lockout_.succeeded(name);
    const aaaAccount *a = store_.find(name);
    v.authenticated = true;
    v.readWrite = a->readWrite;
    v.error = AAA_OK;
    return v;
}
