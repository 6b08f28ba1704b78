// What every feature module's object definitions share: the module record (tag table
// and descriptors), the generic entry functions built on it, the field-descriptor
// helpers, and a splitter for configuration-manager request texts.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"

struct cmModuleDef_t {
    const char *name;     // registry key ("vlan")
    const cmTag_t *tags;  // sorted by name; id = position + 1
    uint32_t tagCount;
    const cmObjectDesc_t *const *descs;  // by object index; [0] is null
    uint32_t descCount;
};

// Generic entry functions: tag lookup by halving; alloc of a kind-4 tag (structure with
// no field valid); free by mode; setData through cmObjectConstructCore (leaves of other
// objects of the module are skipped; a child object the target cannot hold fails).
const cmTag_t *cmModuleLookup(const cmModuleDef_t *module, const char *name);
cmObject_t *cmModuleAlloc(const cmModuleDef_t *module, const cmTag_t *tag);
void cmModuleFree(const cmModuleDef_t *module, cmObject_t *object, int mode);
int cmModuleSetData(const cmModuleDef_t *module, cmObject_t *target, cmObject_t *item);
// The descriptor of an object tag, or nullptr.
const cmObjectDesc_t *cmModuleDesc(const cmModuleDef_t *module, const cmTag_t *tag);

// The module definitions of this library by registry name ("vlan", "fdb", "acl", "pm",
// "polMgr", "upm"), or nullptr.
const cmModuleDef_t *cmModuleFind(const char *name);

// A configuration-manager request "<module_X><op>OBJECT</op></module_X>" cut into its
// parts (pointers into the text; not terminated).
struct cmRequestParts_t {
    const char *module;  // "X"
    size_t moduleLength;
    const char *operation;  // "get", "set" or "setop"
    size_t operationLength;
    const char *body;  // the text between the operation's tags
    size_t bodyLength;
};
// 0, or -1 when the text does not have that shape.
int cmRequestSplit(const char *text, cmRequestParts_t *parts);

// Wraps a module record into a registry entry.
template <const cmModuleDef_t &M>
struct cmModuleEntry {
    static const cmTag_t *lookup(const char *name) { return cmModuleLookup(&M, name); }
    static cmObject_t *alloc(const cmTag_t *tag) { return cmModuleAlloc(&M, tag); }
    static void release(cmObject_t *object, int mode) { cmModuleFree(&M, object, mode); }
    static int setData(cmObject_t *target, cmObject_t *item) {
        return cmModuleSetData(&M, target, item);
    }
    static inline cmFuncTableEntry_t entry = {M.name, lookup, alloc, release, setData};
};

// Registers a module entry (creating the registry when needed); aborts when it cannot.
void cmModuleRegister(cmFuncTableEntry_t *entry);

// Field descriptors of a member of struct S.
#define CM_FIELD(S, member, type, tagId) \
    { type, sizeof(S::member), 0, tagId, nullptr, static_cast<uint32_t>(offsetof(S, member)) }
#define CM_STRING(S, member, tagId)                                          \
    {                                                                        \
        cmType_string, sizeof(S::member), sizeof(S::member), tagId, nullptr, \
            static_cast<uint32_t>(offsetof(S, member))                       \
    }
#define CM_DESC(S, fields)                                                       \
    {                                                                            \
        sizeof(S), static_cast<uint16_t>(offsetof(S, next)),                     \
            static_cast<uint16_t>(offsetof(S, valid)),                           \
            static_cast<uint16_t>(sizeof(fields) / sizeof(fields[0])), 0, fields \
    }
