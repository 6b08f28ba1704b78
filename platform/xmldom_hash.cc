#include "platform/xmldom_hash.h"

#include <new>
#include <string>
#include <unordered_map>
#include <vector>

struct xmlHash_t {
    std::unordered_map<std::string, std::vector<void *>> values;
};

xmlHash_t *xmlHashCreate() {
    return new (std::nothrow) xmlHash_t;
}

void xmlHashFree(xmlHash_t *hash, void (*freeValue)(void *value)) {
    if (!hash) return;
    if (freeValue)
        for (auto &entry : hash->values)
            for (void *v : entry.second) freeValue(v);
    delete hash;
}

int xmlHashInsertElement(const char *key, void *value, xmlHash_t *hash) {
    if (!key || !hash) return -1;
    std::vector<void *> &under = hash->values[key];
    if (under.size() >= size_t(XML_HASH_MAX_VALUES)) return -1;
    under.push_back(value);
    return 0;
}

void *const *xmlHashFindElementList(const char *key, const xmlHash_t *hash, int *count) {
    if (count) *count = 0;
    if (!key || !hash) return nullptr;
    auto found = hash->values.find(key);
    if (found == hash->values.end() || found->second.empty()) return nullptr;
    if (count) *count = int(found->second.size());
    return found->second.data();
}
