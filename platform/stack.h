// The platform stack library: a growable LIFO of pointers. (The record is not called
// stack_t, which the C library already uses for signal stacks.)
//
// The record's layout is part of the contract: its third 32-bit word is the element
// count, which users may read to test for emptiness and may set to 0 to empty the
// stack in one step (the elements themselves are never owned by the stack).
#pragma once
#include <cstdint>

struct karnStack_t {
    uint32_t capacity;  // room in `items`
    uint32_t initial;   // the room asked for at allocation
    uint32_t count;     // elements held; the third 32-bit word
    void **items;
};

// A new empty stack with room for `initial` elements (at least 1); nullptr on failure.
karnStack_t *stackAlloc(uint32_t initial);
// Pushes an element, growing the room when full; 0, or -1 when growing failed.
int stackPush(karnStack_t *stack, void *item);
// Removes and returns the top element; nullptr when empty.
void *stackPop(karnStack_t *stack);
// The top element without removing it; nullptr when empty.
void *stackPeek(const karnStack_t *stack);
// Frees the stack record and its room (not the elements); null is ignored.
void stackFree(karnStack_t *stack);
