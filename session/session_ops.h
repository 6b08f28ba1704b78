// The three session operations (openSession, closeSession, keepAlive) as the SOAP
// handlers call them: plain arguments in, a fault text out (nullptr on success).
#pragma once
#include <cstdint>

struct wsvdOpenSessionArgs {
    const char *appName;  // each may be null (absent)
    const char *username;
    const char *password;
    const char *xmlApiVersion;
    const uint32_t *timeout;
    const uint8_t *clientAddress;  // 16 bytes, from the request record
    uint32_t connectionKind;       // from the request record
};

struct wsvdOpenSessionResult {
    char appName[33];
    char userName[33];
    char xmlApiVersion[33];
    char sessionId[17];
    uint32_t timeout;  // as clamped
    int accessRight;   // com:AccessRight code: 1 readOnly, 2 readWrite
};

// `args` null means the request carried no session structure.
const char *wsvdOpenSession(const wsvdOpenSessionArgs *args, wsvdOpenSessionResult *result);
// `sessionId` null when absent.
const char *wsvdCloseSession(const char *sessionId);
// `present` false when the request is missing; `sessionId` null when the header has none.
const char *wsvdKeepAlive(bool present, const char *sessionId, uint32_t clientKind);

// True when an xmlApiVersion text is served by this release (absent: null).
bool wsvdApiVersionAccepted(const char *version);
// The OS version: the text after the first "=" of KARN_GlobalVersion, without its "$".
void wsvdOsVersion(char *out, unsigned size);

// The session header written in a body: "<hdr><reqId>%d</reqId><sessionId>%s</sessionId></hdr>".
struct wsvdClientHeader_t {
    uint32_t reqId;
    char sessionId[17];
};
// Parses the text between "<hdr" and "</hdr>" (the whole element); -1 without a sessionId.
int wsvdHeaderParse(const char *text, unsigned length, wsvdClientHeader_t *out);

// The build's version record: "KARN_GlobalVersion=<version>$".
extern "C" const char KARN_GlobalVersion[];
