// Shared by the cm_object source files only.
#pragma once
#include <cstdarg>

// Incident level of descriptor and value faults.
constexpr int kIncidentLevel = 4;

// Reports an incident with source "cm_object" (registers the component on first use).
void cmObjectIncident(const char *function, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
// A programming error: prints the message and aborts.
[[noreturn]] void cmObjectFatal(const char *format, ...) __attribute__((format(printf, 1, 2)));
