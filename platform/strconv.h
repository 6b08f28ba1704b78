// Text conversions of configuration values between the forms clients write and the forms
// the configuration manager keeps. Each writes a terminated text into `out` (at most
// `size` bytes) and returns 0, or returns -1 and leaves `out` unspecified when the input
// is not of the expected form or the result does not fit.
#pragma once
#include <cstddef>

// "ab" -> "61:62": each byte of the text as two lower-case hexadecimal digits.
int strStringToOctet(const char *text, char *out, size_t size);
// "61:62" -> "ab": one or two hexadecimal digits per octet; a zero octet is refused.
int strOctetToString(const char *octets, char *out, size_t size);
// Six octets, an IPv4 address and a port in network order -> "10.0.0.1:161".
int strOctetToTcpAddress(const char *octets, char *out, size_t size);
// "24" -> "255.255.255.0" (0 to 32).
int strIntToNetmask(const char *text, char *out, size_t size);
// "255.255.255.0" -> "24"; the mask's bits must be contiguous.
int strNetmaskToInt(const char *text, char *out, size_t size);
