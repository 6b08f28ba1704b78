// The platform's bit-array library: a fixed-size array of bits behind an opaque handle.
//
// An array remembers the number of bits it was asked for ("requested bits") and has
// storage for a whole number of 32-bit words ("num bits", at least the requested
// count). Bits at or beyond the requested count are never set: setting them is
// refused, so a search never finds one.
#pragma once
#include <cstdint>

struct bitarray_t;

// Search results and refused sizes.
constexpr uint32_t BITARRAY_NONE = 0xFFFFFFFFu;
// The largest array the library hands out; larger requests fail (null).
constexpr uint32_t BITARRAY_MAX_BITS = 1u << 20;

// A new array of `bits` bits, all clear; nullptr when too large or out of memory.
bitarray_t *bitarray_alloc(uint32_t bits);
// Clears every bit and sets the requested size to `bits` (at most the storage's size);
// 0, or -1 when `bits` does not fit the storage.
int bitarray_init(bitarray_t *ba, uint32_t bits);
// Frees the array; null is ignored.
void bitarray_free(bitarray_t *ba);

// Sets one bit; 0, or -1 when the bit lies at or beyond the requested size.
int bitarray_set_bit(bitarray_t *ba, uint32_t bit);
// Sets the run of bits first .. end - 1 (the bits that lie inside the array); 0, or -1
// when some of the run had to be left out.
int bitarray_set(bitarray_t *ba, uint32_t first, uint32_t end);
int bitarray_clr_bit(bitarray_t *ba, uint32_t bit);
// 1 when the bit is set, 0 otherwise (also for a bit outside the array).
int bitarray_test_bit(const bitarray_t *ba, uint32_t bit);

uint32_t bitarray_get_requested_bits(const bitarray_t *ba);
uint32_t bitarray_get_num_bits(const bitarray_t *ba);
// The first set (clear) bit at or after `start`, or BITARRAY_NONE.
uint32_t bitarray_find_set_bit(const bitarray_t *ba, uint32_t start);
uint32_t bitarray_find_clr_bit(const bitarray_t *ba, uint32_t start);
