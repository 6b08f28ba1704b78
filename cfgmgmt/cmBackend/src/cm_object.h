// Object tables and their conversion to and from XML.
//
// A configuration object is a plain structure described by a static descriptor
// (cmObjectDesc_t): one field descriptor per value, each naming its type code, its
// storage and the tag (cmTag_t) of its XML element. Feature modules register one
// object information entry each (cmFuncTableEntry_t) in the registry gFuncTable; the
// object parser turns configuration-manager XML into structures through a module's
// entry, and the formatter writes structures back as XML.
//
// Faults in descriptors and field values are reported as incidents with the source
// "cm_object". Misuse that can only be a programming error (registry overflow, a
// missing module, a dirty parser) prints a message and aborts.
#pragma once
#include <pthread.h>

#include <cstdarg>
#include <cstdint>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "platform/stack.h"

// Tag kinds.
enum : uint32_t {
    cmTagKind_module = 1,    // module root element ("module_vlan")
    cmTagKind_action = 2,    // action element ("get", "set")
    cmTagKind_leaf = 3,      // field holding a value
    cmTagKind_object = 4,    // configuration object
    cmTagKind_grouping = 5,  // element whose text is ignored
};

// A module's tag table is an array of these sorted by name (strcmp); `id` is the
// 1-based position in the table.
struct cmTag_t {
    const char *name;
    uint32_t id;
    uint32_t kind;
    uint32_t objectIndex;  // kind 4: selects the module's descriptor; 0 otherwise
};

// Value type codes.
enum : uint16_t {
    cmType_boolean = 0,
    cmType_char = 1,
    cmType_int8 = 2,
    cmType_uint8 = 3,
    cmType_int16 = 4,
    cmType_uint16 = 5,
    cmType_ushort = 6,
    cmType_int = 7,
    cmType_int32 = 8,
    cmType_uint32 = 9,
    cmType_uint = 10,
    cmType_long = 11,
    cmType_int64 = 12,
    cmType_uint64 = 13,
    cmType_float = 14,
    cmType_string = 15,
    cmType_hex = 16,
    cmType_portlist = 17,
    cmType_port = 18,
    cmType_ipAddressN = 19,
    cmType_ipAddressH = 20,
    cmType_ipv4 = 21,
    cmType_ipv4n = 22,
    cmType_ipmask = 23,
    cmType_ipv6 = 24,
    cmType_ipv6_scoped = 25,
    cmType_ipv6_mask = 26,
    cmType_mac = 27,
    cmType_octetString = 28,
    cmType_oid = 29,
    cmType_action = 30,
    cmType_tod = 31,
    cmType_date = 32,
    cmType_vpnvrfrd = 33,
    cmType_vpnvrfrt = 34,
    cmType_vpnid = 35,
    cmType_ipAddrN = 36,
    cmType_ipAddrH = 37,
    cmType_ipAddressN_mask = 38,
    cmType_ipAddressH_mask = 39,
    cmType_complex = 40,
    cmType_portlist_type1 = 41,
    cmType_port_type1 = 42,
    cmType_timeslotlist = 43,
    cmType_bitarray = 44,
};

struct cmObjectDesc_t;

// One field. An array field (arrayMax non-zero, type not cmType_string) stores a 32-bit
// count at `offset` followed by the values; 64-bit values start at the first 8-byte
// aligned address after the count (use cmFieldArrayValues). A cmType_string field is
// never an array: its arrayMax equals its size and only bounds the copy.
struct cmFieldDesc_t {
    uint16_t type;
    uint16_t size;      // bytes of one value; for strings the array size, terminator included
    uint16_t arrayMax;  // 0: single value
    uint16_t tagId;     // the `id` of the field's tag
    const cmObjectDesc_t *subDesc;  // cmType_complex: the nested objects' descriptor
    uint32_t offset;
};

struct cmObjectDesc_t {
    uint16_t size;         // bytes of the structure
    uint16_t nextOffset;   // position of the pointer linking structures into a list
    uint16_t validOffset;  // position of the valid bitmap (bit i % 8 of byte i / 8)
    uint16_t fieldCount;
    uint32_t reserved;            // not read by the library
    const cmFieldDesc_t *fields;  // fieldCount entries, in output order
};

// The generic wrapper that travels between the parser and a module. For a leaf item
// handed to setData, `tag` is the leaf's tag and `data` its text.
struct cmObject_t {
    const cmTag_t *tag;
    const cmTag_t *action;
    void *data;
    cmObject_t *next;
};

cmObject_t *cmObject_t_alloc();            // zero-filled, or nullptr
void cmObject_t_free(cmObject_t *object);  // the wrapper only; null is ignored

// Free modes of cmFuncTableEntry_t::free.
enum : int {
    cmFree_wrapper = 1,
    cmFree_data = 2,
    cmFree_all = 3,
};

// A module's object information entry (static, owned by the module).
struct cmFuncTableEntry_t {
    const char *name;  // registry key: "vlan", "fdb", "acl", "upm", ...
    const cmTag_t *(*lookup)(const char *elementName);
    cmObject_t *(*alloc)(const cmTag_t *objectTag);
    void (*free)(cmObject_t *object, int mode);
    // 0 when the leaf item or child object was stored into target, non-zero otherwise.
    int (*setData)(cmObject_t *target, cmObject_t *item);
};

struct cmFuncTable_t {
    uint32_t count;
    uint32_t capacity;             // 64; the registry never grows
    cmFuncTableEntry_t **entries;  // sorted by name
};

extern cmFuncTable_t *gFuncTable;
extern pthread_mutex_t gFuncTableMutex;

cmFuncTable_t *cmFuncTableInit();
void cmFuncTableTerm();
void cmFuncTableEntryInsert(cmFuncTableEntry_t *entry);
void cmFuncTableEntryRemove(cmFuncTableEntry_t *entry);
cmFuncTableEntry_t *cmFuncTableEntryGet(const char *moduleName);
void cmFuncTableDump();
// strcmp of `name` with the name that is the first field of `record` (bsearch-style).
int cmObjectInfoCompare(const void *name, const void *record);

// The parser context; one per user, reused for many parses.
struct cmObjectParser_t {
    uint32_t errorCount;        // errors of the last parse; non-zero: it failed
    karnStack_t *tagStack;      // tags of the open elements
    karnStack_t *objectStack;   // enclosing objects of `current`
    buffer_t *textBuffer;       // text of the open leaf; free for callers between parses
    buffer_t *errorBuffer;      // error text of the last parse
    cmObject_t leaf;            // the open leaf item (tag, -, text)
    cmObject_t *current;        // object being built
    cmObject_t *result;         // completed top-level object
    cmFuncTableEntry_t *entry;  // module of the current parse
    uint32_t depth;             // open elements, including the invisible document root
    uint32_t skipDepth;         // >0: inside an unknown element being skipped
};

cmObjectParser_t *cmObjectParserAlloc();
void cmObjectParserFree(cmObjectParser_t *parser);
// Parses configuration-manager XML: zero or one top-level object, possibly preceded by
// an XML declaration. `moduleName` null keeps the previous parse's module. Returns the
// object (the caller frees it with the entry's free, mode 3, or mode 1 after taking
// `data`), or nullptr: with errorCount 0 the text held no object, otherwise
// errorBuffer says why.
cmObject_t *cmObjectParse(cmObjectParser_t *parser, const char *moduleName, const char *text,
                          uint32_t length);
// The object structure of a reply's "<message>" when its "<status>" is not ERROR.
void *cmGetObject(cmObjectParser_t *parser, const char *moduleName, const char *reply);

// What the formatter needs of a request: its flags and the output buffer.
constexpr uint32_t cmRequestFlag_action = 0x1000000;  // write action fields as "active"
struct cmFormatContext_t {
    uint32_t flags;
    buffer_t *out;
};

// Descriptor operations.
void *cmObjectAllocCore(const cmObjectDesc_t *desc, int allValid);
void cmObjectFreeCore(const cmObjectDesc_t *desc, void *structure);
void cmObjectFreeList(const cmObjectDesc_t *desc, void *first);
int cmObjectCheckValidCore(const void *structure, uint16_t validOffset, uint32_t fieldIndex);
void cmObjectSetValidCore(void *structure, uint16_t validOffset, uint32_t fieldIndex);
// Stores one value: for most types `value` is the text (it may be written to by the
// IPv6 converters); for cmType_complex it is the child structure and `link` the
// address of its list pointer. Returns 0 or the type's failure code.
int cmObjectConstructOne(uint16_t type, void *destination, uint16_t size, void **link,
                         uint32_t index, void *value);
// Stores an item (leaf text or child object) into the field named by its tag; 0,
// -1 (no structure, no such field, array full) or the type's failure code.
int cmObjectConstructCore(const cmObjectDesc_t *desc, void *structure, const cmObject_t *item,
                          int allowUnknown);
void cmObjectFormatOne(buffer_t *out, uint16_t type, const char *name, const void *values,
                       uint32_t index, int actionFlag);
void cmObjectFormatCore(const cmTag_t *tagTable, const cmObjectDesc_t *desc,
                        cmFormatContext_t *request, const cmTag_t *wrapper, const void *structure);
void cmObjectFormatList(const cmTag_t *tagTable, const cmObjectDesc_t *desc,
                        cmFormatContext_t *request, const cmTag_t *wrapper, const void *first);

// Storage helpers for the fields of a descriptor.
uint32_t cmTypeElementSize(uint16_t type, uint16_t fieldSize);
// Address of the first value of an array field (after its count, aligned for 64-bit).
void *cmFieldArrayValues(void *structure, const cmFieldDesc_t *field);

// Reports an incident of this process's component with `source` (the reporting module)
// and `function`; nothing while the component's filter is off. Modules built on these
// tables (such as an application's backend objects) report through it too.
void cmIncidentV(const char *source, const char *function, const char *format, va_list args);
