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
// Lock-out: an attempt that carries the lock-out flag fails and locks its account for
// the lock-out period; a locked account fails every attempt until the period ends. Lock
// state is kept in memory only, so a restart of the platform process clears it.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum { AAA_NAME_MAX = 32 };

// Why an attempt failed (the authenError of an AAA result).
enum aaaError {
    AAA_OK = 0,
    AAA_ERR_BAD_CREDENTIALS = 1,  // unknown user or wrong password
    AAA_ERR_LOCKED_OUT = 2,       // account is locked (or this attempt locked it)
    AAA_ERR_STORE = 3,            // the account file could not be read
};

struct aaaAccount {
    std::string name;
    bool readWrite = false;
    std::string hash;
};

struct aaaVerdict {
    bool authenticated = false;
    bool readWrite = false;
    aaaError error = AAA_ERR_BAD_CREDENTIALS;
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
    // accounts stay unchanged, as a fast salted hash with a salt made for this process.
    bool verify(const std::string &name, const std::string &password) const;

    const std::string &path() const { return path_; }

private:
    std::string path_;
    std::vector<aaaAccount> accounts_;
    int64_t loadedMtimeNs_ = -1;
    int64_t loadedSize_ = -1;
    mutable std::map<std::string, std::string> verified_;  // name -> fast hash
};

// Decides one authentication attempt, with the lock-out rule. Times are clockNowUs values.
class aaaAuthenticator {
public:
    aaaAuthenticator(aaaAccountStore &store, uint32_t lockoutSeconds = 300)
        : store_(store), lockoutUs_(uint64_t(lockoutSeconds) * 1000000u) {}

    aaaVerdict authenticate(const std::string &name, const std::string &password,
                            bool lockoutFlag, uint64_t nowUs);
    bool locked(const std::string &name, uint64_t nowUs) const;

private:
    aaaAccountStore &store_;
    uint64_t lockoutUs_;
    std::map<std::string, uint64_t> lockedUntilUs_;
};

// A crypt(3) hash of `password` with a fresh random salt, or "" on failure.
std::string aaaHashPassword(const std::string &password);
