// Value types of configuration fields: their stored forms, the converters from text
// (STRING_TO_*: destination first, text second; 1 on success, 0 on failure) and the
// printers into a buffer_t (*_t_print).
//
// Converters print nothing and keep no state. On failure a fixed-size destination may
// have been partly written; allocating converters (octet strings, OIDs, bit arrays)
// leave the destination untouched and free what they allocated. A null text fails.
// Numbers are read with the C library in base 10 and must consume the whole text; the
// value is cut to the destination's width without a range check ("300" -> uint8 44);
// the empty text gives 0.
//
// Converters taking `char *text` write a terminator into the caller's text (over the
// "%" or "/" that separates the address from the zone or length).
//
// Printers marked "null buffer: stdout" print their text and a newline on standard
// output when given a null buffer.
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "platform/bitarray.h"

constexpr uint32_t CM_AF_INET = 2;
constexpr uint32_t CM_AF_INET6 = 10;

// Action codes.
enum {
    CM_ACTION_NONE = 0,
    CM_ACTION_CREATE = 1,
    CM_ACTION_DELETE = 2,
    CM_ACTION_CONFIGURE = 3,
    CM_ACTION_UNCONFIGURE = 4,
    CM_ACTION_ACTIVE = 5,
};

struct octetString_t {
    uint8_t *octets;  // length + 1 bytes, the last one 0
    uint32_t length;
};

struct oid_t {
    uint32_t count;
    uint32_t *components;  // count + 1 numbers, the last one 0
};

struct tod_t {
    uint8_t zero;
    uint8_t seconds;
    uint8_t minutes;
    uint8_t hours;
};

struct date_t {
    uint8_t day;
    uint8_t month;
    uint16_t year;
};

// IPv4 prefix: host-order address and length 0..32.
struct ipv4_mask_t {
    uint32_t address;
    uint32_t length;
};

// IPv6 address bytes are in network order; 4-byte aligned like the system's in6_addr.
struct ipv6_t {
    alignas(4) uint8_t address[16];
};

struct ipv6_scoped_t {
    alignas(4) uint8_t address[16];
    char zone[33];
};

struct ipv6_mask_t {
    alignas(4) uint8_t address[16];
    uint32_t length;  // 0..128
};

// An IPv4 address uses the first four address bytes: network order in the N forms,
// a host-order uint32_t in the H forms.
struct ipAddressN_t {
    uint32_t family;  // CM_AF_INET or CM_AF_INET6
    uint8_t address[16];
    char zone[33];  // IPv6 only; empty when there is none
};
typedef ipAddressN_t ipAddressH_t;

struct ipAddrN_t {
    uint32_t family;
    uint8_t address[16];
};
typedef ipAddrN_t ipAddrH_t;

struct ipAddressN_mask_t {
    uint32_t family;
    uint32_t length;
    uint8_t address[16];
};
typedef ipAddressN_mask_t ipAddressH_mask_t;

// Route distinguisher: type 0: 16-bit AS number, 32-bit assigned number; type 1: IPv4
// address (host order), 16-bit assigned number; type 2: 32-bit AS number, 16-bit
// assigned number. The value bytes hold the numbers in the processor's byte order.
struct vpnvrfrd_t {
    uint16_t type;
    uint8_t value[6];
};

// Route target: as vpnvrfrd_t with a one-byte type and a sub-type (2 once parsed).
struct vpnvrfrt_t {
    uint8_t type;
    uint8_t subType;
    uint8_t value[6];
};

// VPN identifier: OUI (3 bytes) and index (4 bytes), least significant byte first.
struct vpnid_t {
    uint8_t oui[3];
    uint8_t index[4];
    uint8_t pad;
};

// Allocation of the variable-size values: zero-filled storage one element longer than
// asked, copied from `source` when given; nullptr on failure. Free ignores null.
octetString_t *octetString_t_alloc(const uint8_t *source, uint32_t length);
void octetString_t_free(octetString_t *s);
oid_t *oid_t_alloc(const uint32_t *source, uint32_t count);
void oid_t_free(oid_t *o);

// Host-order mask with the top `length` bits set (0..32), and back.
uint32_t netmaskLengthToMask(uint32_t length);
uint32_t netmaskMaskToLength(uint32_t mask);

// Numbers.
int STRING_TO_INT8(int8_t *dst, const char *text);
int STRING_TO_SHORT(int16_t *dst, const char *text);
int STRING_TO_INT16(int16_t *dst, const char *text);
int STRING_TO_INT(int32_t *dst, const char *text);
int STRING_TO_LONG(int32_t *dst, const char *text);
int STRING_TO_INT32(int32_t *dst, const char *text);
int STRING_TO_LLONG(int64_t *dst, const char *text);
int STRING_TO_INT64(int64_t *dst, const char *text);
int STRING_TO_UINT8(uint8_t *dst, const char *text);
int STRING_TO_UINT16(uint16_t *dst, const char *text);
int STRING_TO_UINT32(uint32_t *dst, const char *text);
int STRING_TO_UINT64(uint64_t *dst, const char *text);
int STRING_TO_HEX(uint32_t *dst, const char *text);  // base 16 after "0x"/"0X"
int STRING_TO_OCT(uint32_t *dst, const char *text);  // base 8 after a leading "0"
int STRING_TO_FLOAT(float *dst, const char *text);   // never fails (but for null)

// Other scalar values.
int STRING_TO_CHAR(char *dst, const char *text);           // exactly one character
int STRING_TO_BOOLEAN(uint32_t *dst, const char *text);    // "true"/"1", "false"/"0"
int STRING_TO_ACTION(uint32_t *dst, const char *text);     // CM_ACTION_*; 0 stored on failure
int STRING_TO_IPV4(uint32_t *dst, const char *text);       // host order
int STRING_TO_IPV4N(uint32_t *dst, const char *text);      // network order
int STRING_TO_IPMASK(ipv4_mask_t *dst, const char *text);  // "a.b.c.d/len"
int STRING_TO_MAC(uint8_t *dst, const char *text);         // 6 bytes; ":" or "-" joined
int STRING_TO_TOD(tod_t *dst, const char *text);           // "hh:mm[:ss]"
int STRING_TO_DATE(date_t *dst, const char *text);         // "mm[/dd[/yyyy]]"

// Allocated values: the new record's pointer is stored at `dst`.
int STRING_TO_OCTETSTRING(octetString_t **dst, const char *text);  // "0a:ff:1"
int STRING_TO_OID(oid_t **dst, const char *text);                  // "1.3.6.1"
int STRING_TO_BITARRAY(bitarray_t **dst, const char *text);        // "[size:]1-3,5"

// IPv6 and mixed addresses.
int STRING_TO_IPV6(ipv6_t *dst, const char *text);
int STRING_TO_IPV6_SCOPED(ipv6_scoped_t *dst, char *text);  // "addr%zone"
int STRING_TO_IPV6_MASK(ipv6_mask_t *dst, char *text);      // "addr/len"
int STRING_TO_IPADDRESSN(ipAddressN_t *dst, char *text);
int STRING_TO_IPADDRESSH(ipAddressH_t *dst, char *text);
int STRING_TO_IPADDRN(ipAddrN_t *dst, const char *text);
int STRING_TO_IPADDRH(ipAddrH_t *dst, const char *text);
int STRING_TO_IPADDRESSN_MASK(ipAddressN_mask_t *dst, char *text);
int STRING_TO_IPADDRESSH_MASK(ipAddressH_mask_t *dst, char *text);

// VPN values.
int STRING_TO_VPNVRFRD(vpnvrfrd_t *dst, const char *text);  // "100:5", "10.1.1.1:5"
int STRING_TO_VPNVRFRT(vpnvrfrt_t *dst, const char *text);
int STRING_TO_VPNID(vpnid_t *dst, const char *text);  // "1a2b3c:10" (hexadecimal)

// Time slots are added (OR) to the list's bits, only on success.
int STRING_TO_TIMESLOTLIST(timeslotlist_t *dst, const char *text);  // "1-3, 7", "*"

// Printers.
void octetString_t_print(const octetString_t *v, buffer_t *b);  // null buffer: stdout
void oid_t_print(const oid_t *v, buffer_t *b);                  // null buffer: stdout
void tod_t_print(const tod_t *v, buffer_t *b);                  // null buffer: stdout
void date_t_print(const date_t *v, buffer_t *b);                // null buffer: stdout
void ipv6_t_print(const ipv6_t *v, buffer_t *b);                // null buffer: stdout
void ipv6_scoped_t_print(const ipv6_scoped_t *v, buffer_t *b);  // null buffer: stdout
void ipv6_mask_t_print(const ipv6_mask_t *v, buffer_t *b);      // null buffer: stdout
void ipAddressN_t_print(const ipAddressN_t *v, buffer_t *b);
void ipAddressH_t_print(const ipAddressH_t *v, buffer_t *b);
void ipAddrN_t_print(const ipAddrN_t *v, buffer_t *b);
void ipAddrH_t_print(const ipAddrH_t *v, buffer_t *b);
void ipAddressN_mask_t_print(const ipAddressN_mask_t *v, buffer_t *b);
void ipAddressH_mask_t_print(const ipAddressH_mask_t *v, buffer_t *b);
void vpnvrfrd_t_print(const vpnvrfrd_t *v, buffer_t *b);
void vpnvrfrt_t_print(const vpnvrfrt_t *v, buffer_t *b);
void vpnid_t_print(const vpnid_t *v, buffer_t *b);
