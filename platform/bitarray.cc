#include "platform/bitarray.h"

#include <cstdlib>

struct bitarray_t {
    uint32_t requested;  // bits asked for; bits from here on are never set
    uint32_t words;      // storage words
    uint32_t bits[];
};

namespace {

uint32_t wordsFor(uint32_t bits) {
    return bits / 32 + (bits % 32 != 0);
}
uint32_t maskOf(uint32_t bit) {
    return 1u << (bit % 32);
}

}  // namespace

bitarray_t *bitarray_alloc(uint32_t bits) {
    if (bits > BITARRAY_MAX_BITS) return nullptr;
    uint32_t words = wordsFor(bits);
    if (words == 0) words = 1;
    auto *ba = static_cast<bitarray_t *>(calloc(1, sizeof(bitarray_t) + words * sizeof(uint32_t)));
    if (!ba) return nullptr;
    ba->requested = bits;
    ba->words = words;
    return ba;
}

int bitarray_init(bitarray_t *ba, uint32_t bits) {
    if (!ba || wordsFor(bits) > ba->words) return -1;
    for (uint32_t i = 0; i < ba->words; i++) ba->bits[i] = 0;
    ba->requested = bits;
    return 0;
}

void bitarray_free(bitarray_t *ba) {
    free(ba);
}

int bitarray_set_bit(bitarray_t *ba, uint32_t bit) {
    if (!ba || bit >= ba->requested) return -1;
    ba->bits[bit / 32] |= maskOf(bit);
    return 0;
}

int bitarray_set(bitarray_t *ba, uint32_t first, uint32_t end) {
    if (!ba) return -1;
    int rc = 0;
    if (end > ba->requested) {
        end = ba->requested;
        rc = -1;
    }
    for (uint32_t bit = first; bit < end; bit++) ba->bits[bit / 32] |= maskOf(bit);
    return rc;
}

int bitarray_clr_bit(bitarray_t *ba, uint32_t bit) {
    if (!ba || bit >= ba->requested) return -1;
    ba->bits[bit / 32] &= ~maskOf(bit);
    return 0;
}

int bitarray_test_bit(const bitarray_t *ba, uint32_t bit) {
    if (!ba || bit >= ba->requested) return 0;
    return (ba->bits[bit / 32] & maskOf(bit)) != 0;
}

uint32_t bitarray_get_requested_bits(const bitarray_t *ba) {
    return ba ? ba->requested : 0;
}
uint32_t bitarray_get_num_bits(const bitarray_t *ba) {
    return ba ? ba->words * 32 : 0;
}

uint32_t bitarray_find_set_bit(const bitarray_t *ba, uint32_t start) {
    if (!ba) return BITARRAY_NONE;
    for (uint32_t w = start / 32; w < ba->words; w++) {
        uint32_t word = ba->bits[w];
        if (w == start / 32) word &= ~0u << (start % 32);
        if (word) return w * 32 + __builtin_ctz(word);
    }
    return BITARRAY_NONE;
}

uint32_t bitarray_find_clr_bit(const bitarray_t *ba, uint32_t start) {
    if (!ba) return BITARRAY_NONE;
    for (uint32_t w = start / 32; w < ba->words; w++) {
        uint32_t word = ~ba->bits[w];
        if (w == start / 32) word &= ~0u << (start % 32);
        if (word) return w * 32 + __builtin_ctz(word);
    }
    return BITARRAY_NONE;
}
