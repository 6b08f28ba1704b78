#include "cfgmgmt/cmBackend/src/buffer.h"

#include <cstdlib>
#include <cstring>

namespace {

const int kShortPut = 32;

uint32_t round128(uint64_t n) {
    if (n < 128) return 128;
    return static_cast<uint32_t>((n + 127) & ~uint64_t(127));
}

// Grows the storage of `b` to round128(want), keeping the text.
int growTo(buffer_t *b, uint64_t want) {
    if (want > 0xFFFFFF00u) return -1;
    uint32_t capacity = round128(want);
    char *data = static_cast<char *>(realloc(b->data, capacity));
    if (!data) return -1;
    if (b->capacity == 0) data[0] = 0;
    b->data = data;
    b->capacity = capacity;
    return 0;
}

// An append of `extra` bytes (terminator included) grows the storage only by what that
// write needs: to the rounded size of the text in use plus the new bytes.
int grow(buffer_t *b, uint64_t extra) {
    return growTo(b, static_cast<uint64_t>(b->length) + extra);
}

}  // namespace

buffer_t *bufferAlloc(uint32_t size) {
    buffer_t *b = static_cast<buffer_t *>(calloc(1, sizeof(buffer_t)));
    if (!b) return nullptr;
    b->capacity = round128(size);
    b->data = static_cast<char *>(calloc(1, b->capacity));
    if (!b->data) {
        free(b);
        return nullptr;
    }
    return b;
}

buffer_t *bufferCopy(const buffer_t *src) {
    if (!src) return nullptr;
    buffer_t *b = bufferAlloc(src->capacity);
    if (!b) return nullptr;
    if (src->length) memcpy(b->data, src->data, src->length);
    b->data[src->length] = 0;
    b->length = src->length;
    return b;
}

void bufferFree(buffer_t *b) {
    free(b->data);
    free(b);
}

int bufferExpand(buffer_t *b, uint32_t extra) {
    return growTo(b, static_cast<uint64_t>(b->capacity) + extra);
}

int bufferPutc(buffer_t *b, int c) {
    if (b->length + 1 >= b->capacity && grow(b, 2) < 0) return -1;
    b->data[b->length++] = static_cast<char>(c);
    b->data[b->length] = 0;
    return 1;
}

int bufferPuts(buffer_t *b, const char *s) {
    if (!s) {
        if (!b->data && grow(b, 1) < 0) return -1;
        return 0;
    }
    size_t n = strlen(s);
    if (n + b->length >= b->capacity && grow(b, n + 1) < 0) return -1;
    memcpy(b->data + b->length, s, n);
    b->length += static_cast<uint32_t>(n);
    b->data[b->length] = 0;
    return static_cast<int>(n);
}

int bufferPutn(buffer_t *b, const char *bytes, int n) {
    if (n < 1) {
        if (!b->data && grow(b, 1) < 0) return -1;
        return n;
    }
    // Short writes that fit (wsvd's SOAP engine writes a reply a few bytes at a time: a
    // tag, a prefix, a quote) are copied in one loop, stopping at a NUL as below.
    if (n <= kShortPut && b->data && b->length + static_cast<uint32_t>(n) < b->capacity) {
        char *to = b->data + b->length;
        int i = 0;
        for (; i < n && bytes[i]; i++) to[i] = bytes[i];
        to[i] = 0;
        b->length += static_cast<uint32_t>(i);
        return n;
    }
    if (static_cast<uint64_t>(n) + b->length >= b->capacity &&
        grow(b, static_cast<uint64_t>(n) + 1) < 0)
        return -1;
    const void *nul = memchr(bytes, 0, n);
    size_t copy =
        nul ? static_cast<size_t>(static_cast<const char *>(nul) - bytes) : static_cast<size_t>(n);
    memcpy(b->data + b->length, bytes, copy);
    b->length += static_cast<uint32_t>(copy);
    b->data[b->length] = 0;
    return n;
}
