#include "platform/stack.h"

#include <cstddef>
#include <cstdlib>

static_assert(offsetof(karnStack_t, count) == 8, "the element count is the third 32-bit word");

karnStack_t *stackAlloc(uint32_t initial) {
    if (initial == 0) initial = 1;
    auto *stack = static_cast<karnStack_t *>(calloc(1, sizeof(karnStack_t)));
    if (!stack) return nullptr;
    stack->items = static_cast<void **>(calloc(initial, sizeof(void *)));
    if (!stack->items) {
        free(stack);
        return nullptr;
    }
    stack->capacity = initial;
    stack->initial = initial;
    return stack;
}

int stackPush(karnStack_t *stack, void *item) {
    if (stack->count >= stack->capacity) {
        // Doubling keeps deep documents linear; the room is never shrunk.
        if (stack->capacity > UINT32_MAX / 2) return -1;
        uint32_t room = stack->capacity * 2;
        auto *items = static_cast<void **>(realloc(stack->items, room * sizeof(void *)));
        if (!items) return -1;
        stack->items = items;
        stack->capacity = room;
    }
    stack->items[stack->count++] = item;
    return 0;
}

void *stackPop(karnStack_t *stack) {
    if (stack->count == 0) return nullptr;
    return stack->items[--stack->count];
}

void *stackPeek(const karnStack_t *stack) {
    if (stack->count == 0) return nullptr;
    return stack->items[stack->count - 1];
}

void stackFree(karnStack_t *stack) {
    if (!stack) return;
    free(stack->items);
    free(stack);
}
