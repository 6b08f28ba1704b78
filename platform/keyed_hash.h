// A fast keyed hash for remembering a secret already verified: HMAC-SHA-256 (GnuTLS)
// under a random key made for this process, so that a remembered value is no use
// outside the process and costs microseconds to check, unlike the deliberately slow
// stored hashes.
#pragma once
#include <string>

// The 32-byte digest of `text`, or "" when no key could be made.
std::string keyedHash(const std::string &text);

// Compares in time that depends only on the lengths, so a wrong secret takes as long
// to refuse as a right one takes to accept.
bool constantTimeEqual(const std::string &a, const std::string &b);
