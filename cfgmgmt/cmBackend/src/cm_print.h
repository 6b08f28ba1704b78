// The library's own printf into a buffer_t, and the list printers.
//
// bufferPutf knows the usual printf conversions (d i u o x X p c s n %, e f g E F G,
// flags "-+ #0", width, precision, "*", h l ll L) and the switch's own:
//   D U O   long forms of d u o          b   boolean: 1/0, with "#" True/False
//   I       IPv4 address (uint32_t in network order), dotted decimal
//   m       MAC address (pointer to 6 bytes), "#" for upper-case digits
//   M       one port (port identifier): "mgmt", "5", "1:5", "invalid slot"/"invalid port"
//   P T     port list (portlist_t *) of port family 0 / 1
//   K       bit array (bitarray_t *)     t   time-slot list (timeslotlist_t *)
// "l" takes a long and keeps its low 32 bits; "ll" takes a 64-bit value.
// P, T, K and t ignore flags, width and precision and are not counted in the result.
//
// The result is the number of characters produced, or -1 when a directive could not
// be appended (a failed append of plain text returns the count reached before it).
#pragma once
#include <cstdarg>
#include <cstdint>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "platform/bitarray.h"
#include "platform/portlist.h"

// Time-slot list: slot n (1 to 32) is the bit 0x80000000 >> (n - 1).
typedef uint32_t timeslotlist_t;

int bufferPutf(buffer_t *b, const char *format, ...);
int vbufferPutf(buffer_t *b, const char *format, va_list ap);

// Hex dump of `length` bytes on standard output, 16 to a line, under an optional title.
void bufferDump(const char *title, const void *bytes, uint32_t length);

// Append the ports of the list ("mgmt," first when it holds the management port; runs
// "1-3,5" on a single-slot system, "1:1-3,1:5,2:4" on a multi-slot one). Word 0 of the
// list is reduced to its management-port bit.
void PORTLIST_TO_STRING(portlist_t *list, buffer_t *b);
void PORTLIST_TO_STRING_BY_TYPE(portlist_t *list, buffer_t *b, int family);
// Appends the set slots as runs joined by ", " (e.g. "1-3, 7").
void TIMESLOTLIST_TO_STRING(const timeslotlist_t *list, buffer_t *b);
// Appends "<requested bits>:" and the set bits as runs (e.g. "10:1-3,5,9").
void BITARRAY_TO_STRING(const bitarray_t *ba, buffer_t *b);
