#include "platform/keyed_hash.h"

#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>

namespace {

struct Key {
    unsigned char bytes[32];
    bool ok;
};

const Key &processKey() {
    static const Key key = [] {
        Key k{};
        k.ok = gnutls_rnd(GNUTLS_RND_KEY, k.bytes, sizeof k.bytes) == 0;
        return k;
    }();
    return key;
}

}  // namespace

std::string keyedHash(const std::string &text) {
    const Key &key = processKey();
    if (!key.ok) return "";
    unsigned char digest[32];
    if (gnutls_hmac_fast(GNUTLS_MAC_SHA256, key.bytes, sizeof key.bytes, text.data(), text.size(),
                         digest) != 0)
        return "";
    return std::string(reinterpret_cast<const char *>(digest), sizeof digest);
}

bool constantTimeEqual(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); i++) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}
