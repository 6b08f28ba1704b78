// The switch's local accounts, as the AAA service of the platform process keeps them.
//
// Accounts live in "<config dir>/accounts", one per line:
//     name:rw|ro:hash
// where hash is a crypt(3) hash with a random salt (yescrypt); passwords are never
// stored in clear. The file is written atomically (temporary file, fsync, rename) and
// readable by its owner only. When it does not exist it is created with the two
// accounts a switch ships with: "admin" (read-write) and "user" (read-only), both with
// an empty password.
//
// Lock-out (aaaLockout): failed attempts are counted per account, whoever makes them and
// whatever other names are tried in between; the failure that reaches the limit, or a
// failure of an attempt that carries the caller's lock-out flag, locks the account for
// the lock-out period. A locked account fails every attempt without extending the lock,
// which lifts exactly when its period ends; the count then starts again from nothing. A
// right password outweighs the flag: the flag says the caller has seen enough failures
// of this user in a row, not that this attempt failed. Lock state is kept in memory
// only, so a restart of the platform process clears it.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/aaa.h"  // aaaError

enum { AAA_NAME_MAX = 32 };

struct aaaAccount {
    std::string name;
    bool readWrite = false;
    std::string hash;
};

struct aaaVerdict {
    bool authenticated = false;
    bool readWrite = false;
    aaaError error = AAA_ERR_BAD_CREDENTIALS;
    bool lockedNow = false;  // this attempt locked the account
};

class aaaAccountStore {
public:
    explicit aaaAccountStore(std::string path);

    // Reads the file, creating it with the shipped accounts when it is missing.
    // Re-reads only when the file changed since the last load. 0, or -1 (then the
    // accounts read before stay in force).
    int load();
    // Writes the accounts atomically. 0 or -1.
    int save() const;

    const aaaAccount *find(const std::string &name) const;
    const std::vector<aaaAccount> &accounts() const { return accounts_; }

    // Names are 1 to 32 characters of letters, digits, '.', '_' and '-'.
    static bool validName(const std::string &name);
    // 0, or -1 (bad name, duplicate, unknown, or hashing failed). The caller saves.
    int add(const std::string &name, bool readWrite, const std::string &password);
    int remove(const std::string &name);
    int setPassword(const std::string &name, const std::string &password);
    int setAccess(const std::string &name, bool readWrite);

    // True when the password matches the account's hash. Every request of a management
    // session is authenticated again, and the stored hash is deliberately slow (tens of
    // milliseconds), so a password once verified is remembered, for as long as the
    // accounts stay unchanged, as a keyed hash under a key made for this process.
    bool verify(const std::string &name, const std::string &password) const;

    const std::string &path() const { return path_; }
    // Counts the changes that can turn a verified password wrong (a reload that found
    // the file changed, a removal, a new password or access right).
    uint64_t generation() const { return generation_; }

private:
    void changed() {
        verified_.clear();
        generation_++;
    }

    std::string path_;
    uint64_t generation_ = 0;
    std::vector<aaaAccount> accounts_;
    int64_t loadedMtimeNs_ = -1;
    int64_t loadedSize_ = -1;
    mutable std::map<std::string, std::string> verified_;  // name -> keyedHash(password)
};

// The lock state of the accounts, in one place. Times are clockNowUs values. Only the
// names of accounts that exist should be given, so that a flood of made-up names cannot
// grow the table.
class aaaLockout {
public:
    // `failures`: the failed attempts in a row that lock an account (0: only the flag
    // locks); `periodUs`: how long a lock lasts.
    aaaLockout(uint32_t failures, uint64_t periodUs) : failures_(failures), periodUs_(periodUs) {}

    bool locked(const std::string &name, uint64_t nowUs) const {
        return timeLeftUs(name, nowUs) > 0;
    }
    // Microseconds until the lock lifts; 0 when the account is not locked.
    uint64_t timeLeftUs(const std::string &name, uint64_t nowUs) const;
    // Locks for one period from now, or lifts a lock and forgets the failures.
    void lock(const std::string &name, uint64_t nowUs);
    void unlock(const std::string &name);

    // A failed attempt on an account that is not locked; true when it locked the account.
    bool failed(const std::string &name, bool lockNow, uint64_t nowUs);
    // A successful attempt: the failures so far are forgotten.
    void succeeded(const std::string &name) { unlock(name); }
    // Failed attempts counted since the last success or lock.
    uint32_t failureCount(const std::string &name, uint64_t nowUs) const;
    // The accounts locked now, with the time left.
    std::vector<std::pair<std::string, uint64_t>> lockedAccounts(uint64_t nowUs) const;
    // Counts the locks started. A lock that lifts needs no count: nothing was accepted
    // while it lasted, so nothing accepted before it can outlive it.
    uint64_t generation() const { return locksStarted_; }
    // Forgets the locks whose period has ended by now; the names of those accounts.
    std::vector<std::string> expire(uint64_t nowUs);
    uint64_t periodUs() const { return periodUs_; }

private:
    struct State {
        uint32_t failures = 0;
        uint64_t lockedUntilUs = 0;  // 0: not locked
    };
    // A lock whose period has ended leaves nothing behind.
    const State *current(const std::string &name, uint64_t nowUs) const;

    uint32_t failures_;
    uint64_t periodUs_;
    uint64_t locksStarted_ = 0;
    std::map<std::string, State> accounts_;
};

// Decides one authentication attempt, with the lock-out rule.
class aaaAuthenticator {
public:
    aaaAuthenticator(aaaAccountStore &store, uint32_t lockoutSeconds = 300,
                     uint32_t lockoutFailures = 3)
        : store_(store), lockout_(lockoutFailures, uint64_t(lockoutSeconds) * 1000000u) {}

    aaaVerdict authenticate(const std::string &name, const std::string &password, bool lockoutFlag,
                            uint64_t nowUs);
    // Reads the account file again if it changed. 0 or -1.
    int reload() { return store_.load(); }
    // Changes when an answer given before may no longer hold: the processes that
    // remember accepted credentials are told (PLINK_AAA_CHANGED).
    uint64_t generation() const { return store_.generation() + lockout_.generation(); }
    aaaLockout &lockout() { return lockout_; }
    const aaaLockout &lockout() const { return lockout_; }

private:
    aaaAccountStore &store_;
    aaaLockout lockout_;
};

// A crypt(3) hash of `password` with a fresh random salt, or "" on failure.
std::string aaaHashPassword(const std::string &password);
