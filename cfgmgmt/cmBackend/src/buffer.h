// The growable, NUL-terminated text buffer in which every request, reply and rule
// text is built. Storage grows only on demand, by what a write needs, rounded up to
// a multiple of 128 bytes.
//
// Invariant after every successful write: length < capacity and data[length] == 0.
// An all-zero record is a valid empty buffer; its first write allocates storage.
// Callers may empty a buffer by setting length to 0 and data[0] to 0.
#pragma once
#include <cstdint>

struct buffer_t {
    char *data;
    uint32_t length;
    uint32_t capacity;
};

// A zero-filled buffer of capacity round128(size), or nullptr.
buffer_t *bufferAlloc(uint32_t size);
// A new buffer with the same capacity holding the text of `b`; nullptr for null or failure.
buffer_t *bufferCopy(const buffer_t *b);
// Frees the storage and the record (of a buffer from bufferAlloc/bufferCopy).
void bufferFree(buffer_t *b);
// Grows the storage to round128(capacity + extra); 0, or -1 (buffer unchanged).
int bufferExpand(buffer_t *b, uint32_t extra);
// Appends one character; 1, or -1.
int bufferPutc(buffer_t *b, int c);
// Appends a string (null appends nothing); strlen, or -1.
int bufferPuts(buffer_t *b, const char *s);
// Appends the bytes before the first NUL among the first n (nothing if n < 1); n, or -1.
int bufferPutn(buffer_t *b, const char *bytes, int n);

// Empties the buffer (keeps its storage).
inline void bufferReset(buffer_t *b) {
    b->length = 0;
    if (b->data) b->data[0] = 0;
}
