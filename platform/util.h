// Common utilities of the platform.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <sys/time.h>

// snprintf that returns the number of characters written (never more than size - 1).
int Sprintf(char *out, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));
size_t strlcpy(char *dst, const char *src, size_t size);

// Seconds of the process clock (platform/clock.h); also stored in *out when given.
uint32_t monotime(uint32_t *out);
int getmonotimeofday(struct timeval *tv);

void karnSetProcessName(const char *name);
const char *karnGetProcessName();

// Environment directories with their fallbacks ("" when neither is set).
const char *karnConfigDir();   // KARN_CONFIG_LOCATION
const char *karnScratchDir();  // KARN_SCRATCH_LOCATION
const char *karnRunDir();      // KARN_RUN_LOCATION, else <scratch>/run, else /tmp

// A binary tree keyed by a 32-bit number, holding node pointers it does not own.
struct p2Btree_t;
p2Btree_t *p2BtreeCreate();
void p2BtreeDestroy(p2Btree_t *tree);
int p2BtreeInsert(p2Btree_t *tree, uint32_t key, void *node);  // 0, or -1 when the key exists
int p2BtreeDelete(p2Btree_t *tree, uint32_t key);              // 0, or -1 when absent
void *findNode(p2Btree_t *tree, uint32_t key);
uint32_t p2BtreeCount(p2Btree_t *tree);
