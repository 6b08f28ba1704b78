// Helpers shared by the printing tests.
#pragma once
#include <cstdlib>
#include <string>
#include <utility>

#include "cfgmgmt/cmBackend/src/cm_print.h"

// Text and result of one bufferPutf into a fresh buffer.
template <typename... A>
std::pair<std::string, int> putf(const char *format, A... args) {
    buffer_t b = {};
    int n = bufferPutf(&b, format, args...);
    std::string text = b.data ? b.data : "";
    free(b.data);
    return {text, n};
}

// A printer of an allocated value that frees it, and leaves its pointer null.
template <typename T>
auto freeing(void (*print)(const T *, buffer_t *), void (*release)(T *)) {
    return [print, release](T **v, buffer_t *b) {
        print(*v, b);
        release(*v);
        *v = nullptr;
    };
}

// Text a printer appends to a fresh buffer.
template <typename Print>
std::string printed(Print print) {
    buffer_t b = {};
    print(&b);
    std::string text = b.data ? b.data : "";
    free(b.data);
    return text;
}
