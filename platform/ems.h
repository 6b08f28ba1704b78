// Event management: per-process trace buffers and incidents.
//
// A trace buffer is a ring of `size` bytes kept in a memory-mapped file
// "<scratch>/ems/<name>.trace", so that it can be read from outside the process at
// any time (and after the process has died); the oldest text is dropped first. The
// file's space is reserved when it is made; when that fails (a full disk) the ring is
// kept in memory and a line on standard error says so.
// Incidents go to standard error.
#pragma once
#include <cstdint>
#include <string>

struct emsTrace_t;

// Every entry starts with the local time it was written ("2026-12-06 04:54:04.123 "),
// unless `flags` holds EMS_TRACE_PLAIN.
enum { EMS_TRACE_PLAIN = 1 };
emsTrace_t *emsInitTraceBuffer(const char *name, uint32_t size, int flags, void *dmHandle);
// Appends `length` bytes of text as one entry (a newline is added when the text does
// not end with one); thread-safe. A null trace is ignored.
void emsTraceLog(emsTrace_t *trace, int level, const char *text, uint32_t length);

// Trace text in order, oldest first: of a live buffer, or of a trace file.
std::string emsTraceText(emsTrace_t *trace);
std::string emsReadTraceFile(const char *path);
// Path of the file behind a trace buffer.
const char *emsTracePath(emsTrace_t *trace);  // "" for a buffer kept only in memory
// Releases the buffer (the file stays, for later reading).
void emsTraceFree(emsTrace_t *trace);

// Incidents. A component is registered once; nothing is reported while its filter is
// off (KARN_EMS_INCIDENTS=off turns every filter off).
int emsRegisterComponent(const char *name, uint32_t *componentId);
bool emsComponentFilterOn(uint32_t componentId);
void emsNotifyIncident(uint32_t componentId, int level, const char *source, const char *function,
                       const char *format, ...) __attribute__((format(printf, 5, 6)));
