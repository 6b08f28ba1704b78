// The XML tree library's string hash: text keys, several values per key, in the order they
// were inserted. The hash copies its keys; the values stay the caller's.
#pragma once

enum { XML_HASH_MAX_VALUES = 100 };  // values under one key

struct xmlHash_t;

xmlHash_t *xmlHashCreate();
// Releases the hash, handing every value to `freeValue` first when it is given.
void xmlHashFree(xmlHash_t *hash, void (*freeValue)(void *value));
// 0, or -1 when the key already holds XML_HASH_MAX_VALUES values (or an argument is missing).
int xmlHashInsertElement(const char *key, void *value, xmlHash_t *hash);
// The values under the key, in insertion order, and their count (0 and nullptr when none).
// The array belongs to the hash and is valid until the next insertion.
void *const *xmlHashFindElementList(const char *key, const xmlHash_t *hash, int *count);
