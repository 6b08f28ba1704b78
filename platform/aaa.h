// AAA client: authentication of a user by the platform's AAA service (in platformd,
// against the switch's local accounts; see aaa_accounts.h).
//
// aaaAuthenticateClient sends the request and returns at once; the result arrives
// later through the registered callback, on the dispatcher thread — except a result
// answered from memory (below), which the callback receives on the caller's own thread
// before aaaAuthenticateClient returns. Every accepted
// request gets exactly one result: a real one, or a failure when the service cannot
// be reached, goes away, or does not answer within AAA_TIMEOUT_SECONDS (or the seconds in
// KARN_AAA_TIMEOUT_SECONDS, read when the request is sent).
//
// Credentials platformd accepted are remembered here and answered without asking it
// again, until platformd announces a change of the accounts or of a lock-out (or the
// link to it drops). Failures, and requests carrying the lock-out flag, always go to
// platformd, so that it counts every failed attempt.
#pragma once
#include <cstdint>

enum { AAA_TIMEOUT_SECONDS = 10 };

// Why an attempt failed (the authenError of a result).
enum aaaError {
    AAA_OK = 0,
    AAA_ERR_BAD_CREDENTIALS = 1,  // unknown user or wrong password
    AAA_ERR_LOCKED_OUT = 2,       // the account is locked (or this attempt locked it)
    AAA_ERR_STORE = 3,            // the accounts could not be read
};
enum { AAA_FLAG_READ_WRITE = 0x1, AAA_FLAG_SESSION_TIMED_OUT = 0x2 };

struct aaaRequest_t {
    void *userdata;             // handed back in the result
    char userName[33];
    char password[33];
    uint32_t service;           // 7: a management-API login
    uint8_t clientAddress[16];
    char method[32];            // "cookie"
    uint32_t lockout;           // 1: the caller counts this user's failures as enough to lock
};

struct aaaResult_t {
    void *userdata;
    char userName[33];          // as authenticated
    char securityProfile[64];
    uint32_t privilege;         // converted for the session manager by smConvertAAAAuthToSmAuth
    int32_t authenResult;       // non-zero: authenticated
    int32_t authenError;        // why not (aaaError)
    uint32_t flags;             // AAA_FLAG_*
};

typedef void (*aaaCallBack_t)(aaaResult_t *result);

int aaaRegister(aaaCallBack_t callBack, int flags);  // 0 = registered
int aaaAuthenticateClient(aaaRequest_t *request);    // 0 = accepted (a result will come)

// Tells platformd that the account file was changed by another process: it reads it
// again and announces the change to every process before it answers. 0 once it has;
// -1 when it cannot be reached.
int aaaAccountsChanged();
