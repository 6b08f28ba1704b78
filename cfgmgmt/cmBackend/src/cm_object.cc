// Descriptor-driven operations: allocate and free object structures, store field
// values from text, keep the valid bits, and write structures as XML.
#include "cfgmgmt/cmBackend/src/cm_object.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_object_internal.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"

namespace {

unsigned char *at(void *base, size_t offset) {
    return static_cast<unsigned char *>(base) + offset;
}
const unsigned char *at(const void *base, size_t offset) {
    return static_cast<const unsigned char *>(base) + offset;
}

template <typename T>
T load(const void *p) {
    T value;
    memcpy(&value, p, sizeof value);
    return value;
}

bool isArrayField(const cmFieldDesc_t &f) {
    return f.arrayMax != 0 && f.type != cmType_string;
}

bool is64Bit(uint16_t type) {
    return type == cmType_int64 || type == cmType_uint64;
}

// Values that own heap storage through a pointer or handle.
bool ownsStorage(uint16_t type) {
    return type == cmType_octetString || type == cmType_oid || type == cmType_bitarray;
}

void freeOwned(uint16_t type, void *slot) {
    switch (type) {
        case cmType_octetString:
            octetString_t_free(load<octetString_t *>(slot));
            break;
        case cmType_oid:
            oid_t_free(load<oid_t *>(slot));
            break;
        case cmType_bitarray:
            bitarray_free(load<bitarray_t *>(slot));
            break;
        default:
            break;
    }
    memset(slot, 0, sizeof(void *));
}

// Stores a converted number through a correctly typed temporary, so that unaligned
// destinations inside packed structures are fine.
template <typename T, typename F>
int convert(void *dst, char *text, F converter, int failure) {
    T value{};
    if (!converter(&value, text)) return failure;
    memcpy(dst, &value, sizeof value);
    return 0;
}

int constructPortlist(void *dst, const char *text, int family) {
    portlist_t list;
    if (!STRING_TO_PORTLIST(&list, text, family)) return family == 0 ? -30 : -40;
    if (family == 0) list.words[0] &= PL_MGMT_BIT;
    bool holdsMgmt = family == 0 && plTestMgmt(&list);
    // A text that names ports, none of them of the family, is a mistake; "" is empty.
    if (text[0] && !holdsMgmt && PORTLIST_ISCLR_ALL_BY_TYPE(&list, family))
        return family == 0 ? -29 : -39;
    memcpy(dst, &list, sizeof list);
    return 0;
}

// Writes a string as CDATA; a "]]>" inside it is split across two sections so that the
// text reads back unchanged.
void putCdata(buffer_t *out, const char *text) {
    bufferPuts(out, "<![CDATA[");
    const char *p = text;
    while (const char *end = strstr(p, "]]>")) {
        bufferPutn(out, p, static_cast<int>(end - p) + 2);
        bufferPuts(out, "]]><![CDATA[");
        p = end + 2;
    }
    bufferPuts(out, p);
    bufferPuts(out, "]]>");
}

}  // namespace

uint32_t cmTypeElementSize(uint16_t type, uint16_t fieldSize) {
    switch (type) {
        case cmType_char:
        case cmType_int8:
        case cmType_uint8:
            return 1;
        case cmType_int16:
        case cmType_uint16:
        case cmType_ushort:
            return 2;
        case cmType_int64:
        case cmType_uint64:
        case cmType_ipmask:
            return 8;
        case cmType_string:
            return fieldSize;
        case cmType_portlist:
        case cmType_portlist_type1:
            return sizeof(portlist_t);
        case cmType_ipAddressN:
        case cmType_ipAddressH:
            return sizeof(ipAddressN_t);
        case cmType_ipv6:
            return sizeof(ipv6_t);
        case cmType_ipv6_scoped:
            return sizeof(ipv6_scoped_t);
        case cmType_ipv6_mask:
            return sizeof(ipv6_mask_t);
        case cmType_mac:
            return 6;
        case cmType_octetString:
        case cmType_oid:
        case cmType_complex:
        case cmType_bitarray:
            return sizeof(void *);
        case cmType_vpnvrfrd:
        case cmType_vpnvrfrt:
        case cmType_vpnid:
            return 8;
        case cmType_ipAddrN:
        case cmType_ipAddrH:
            return sizeof(ipAddrN_t);
        case cmType_ipAddressN_mask:
        case cmType_ipAddressH_mask:
            return sizeof(ipAddressN_mask_t);
        default:
            return 4;
    }
}

void *cmFieldArrayValues(void *structure, const cmFieldDesc_t *field) {
    unsigned char *values = at(structure, field->offset + 4);
    if (is64Bit(field->type) && reinterpret_cast<uintptr_t>(values) % 8 != 0) values += 4;
    return values;
}

void *cmObjectAllocCore(const cmObjectDesc_t *desc, int allValid) {
    void *structure = calloc(1, desc->size);
    if (!structure) return nullptr;
    if (allValid) {
        uint32_t bytes = (desc->fieldCount + 7u) / 8u;
        memset(at(structure, desc->validOffset), 0xFF, bytes ? bytes : 1);
    }
    return structure;
}

void cmObjectFreeCore(const cmObjectDesc_t *desc, void *structure) {
    if (!structure) return;
    for (uint16_t i = 0; i < desc->fieldCount; i++) {
        const cmFieldDesc_t &f = desc->fields[i];
        if (f.type == cmType_complex) {
            cmObjectFreeList(f.subDesc, load<void *>(at(structure, f.offset)));
            continue;
        }
        if (!ownsStorage(f.type)) continue;
        if (!isArrayField(f)) {
            freeOwned(f.type, at(structure, f.offset));
            continue;
        }
        uint32_t count = load<uint32_t>(at(structure, f.offset));
        if (count > f.arrayMax) count = f.arrayMax;
        auto *values = static_cast<unsigned char *>(cmFieldArrayValues(structure, &f));
        for (uint32_t k = 0; k < count; k++) freeOwned(f.type, values + k * sizeof(void *));
    }
    free(structure);
}

void cmObjectFreeList(const cmObjectDesc_t *desc, void *first) {
    while (first) {
        void *next = load<void *>(at(first, desc->nextOffset));
        cmObjectFreeCore(desc, first);
        first = next;
    }
}

int cmObjectCheckValidCore(const void *structure, uint16_t validOffset, uint32_t fieldIndex) {
    return *at(structure, validOffset + fieldIndex / 8) & (1u << (fieldIndex % 8));
}

void cmObjectSetValidCore(void *structure, uint16_t validOffset, uint32_t fieldIndex) {
    *at(structure, validOffset + fieldIndex / 8) |=
        static_cast<unsigned char>(1u << (fieldIndex % 8));
}

namespace {

// The steps of cmObjectConstructOne, one per kind of type: each stores the types of its
// kind and answers kOtherKind for the rest.
constexpr int kOtherKind = 1;

// Numbers, truth values and hex words.
int constructNumber(uint16_t type, void *dst, uint16_t /*size*/, char *text) {
    switch (type) {
        case cmType_boolean:
            return convert<uint32_t>(dst, text, STRING_TO_BOOLEAN, -1);
        case cmType_int8:
            return convert<int8_t>(dst, text, STRING_TO_INT8, -3);
        case cmType_uint8:
            return convert<uint8_t>(dst, text, STRING_TO_UINT8, -4);
        case cmType_int16:
            return convert<int16_t>(dst, text, STRING_TO_INT16, -5);
        case cmType_uint16:
        case cmType_ushort:
            return convert<uint16_t>(dst, text, STRING_TO_UINT16, -6);
        case cmType_int:
            return convert<int32_t>(dst, text, STRING_TO_INT, -7);
        case cmType_int32:
            return convert<int32_t>(dst, text, STRING_TO_INT32, -8);
        case cmType_uint32:
        case cmType_uint:
            return convert<uint32_t>(dst, text, STRING_TO_UINT32, -9);
        case cmType_long:
            return convert<int32_t>(dst, text, STRING_TO_LONG, -10);
        case cmType_int64:
            return convert<int64_t>(dst, text, STRING_TO_INT64, -12);
        case cmType_uint64:
            return convert<uint64_t>(dst, text, STRING_TO_UINT64, -11);
        case cmType_float:
            convert<float>(dst, text, STRING_TO_FLOAT, 0);
            return 0;
        case cmType_hex:
            return convert<uint32_t>(dst, text, STRING_TO_HEX, -14);
        default:
            return kOtherKind;
    }
}

// Single characters and strings.
int constructText(uint16_t type, void *dst, uint16_t size, char *text) {
    switch (type) {
        case cmType_char:
            if (text[0] == 0 || text[1] != 0) return -2;
            *static_cast<char *>(dst) = text[0];
            return 0;
        case cmType_string:
            if (size == 0) return 0;
            strncpy(static_cast<char *>(dst), text, size);
            static_cast<char *>(dst)[size - 1] = 0;
            return 0;
        default:
            return kOtherKind;
    }
}

// Port lists and single ports.
int constructPorts(uint16_t type, void *dst, uint16_t /*size*/, char *text) {
    switch (type) {
        case cmType_portlist:
            return constructPortlist(dst, text, 0);
        case cmType_portlist_type1:
            return constructPortlist(dst, text, 1);
        case cmType_port:
            return convert<uint32_t>(
                dst, text, [](uint32_t *d, const char *t) { return STRING_TO_PORTMASK(d, t, 0); },
                -31);
        case cmType_port_type1:
            return convert<uint32_t>(
                dst, text, [](uint32_t *d, const char *t) { return STRING_TO_PORTMASK(d, t, 1); },
                -41);
        default:
            return kOtherKind;
    }
}

// Addresses, masks and VPN identifiers.
int constructAddress(uint16_t type, void *dst, uint16_t /*size*/, char *text) {
    switch (type) {
        case cmType_ipAddressN:
            return convert<ipAddressN_t>(dst, text, STRING_TO_IPADDRESSN, -15);
        case cmType_ipAddressH:
            return convert<ipAddressH_t>(dst, text, STRING_TO_IPADDRESSH, -16);
        case cmType_ipv4:
            return convert<uint32_t>(dst, text, STRING_TO_IPV4, -17);
        case cmType_ipv4n:
            return convert<uint32_t>(dst, text, STRING_TO_IPV4N, -18);
        case cmType_ipmask:
            return convert<ipv4_mask_t>(dst, text, STRING_TO_IPMASK, -19);
        case cmType_ipv6:
            return convert<ipv6_t>(
                dst, text,
                [](ipv6_t *d, const char *t) {
                    return inet_pton(AF_INET6, t, d->address) > 0 ? 1 : 0;
                },
                -20);
        case cmType_ipv6_scoped:
            return convert<ipv6_scoped_t>(dst, text, STRING_TO_IPV6_SCOPED, -21);
        case cmType_ipv6_mask:
            return convert<ipv6_mask_t>(dst, text, STRING_TO_IPV6_MASK, -22);
        case cmType_mac: {
            uint8_t mac[6];
            if (!STRING_TO_MAC(mac, text)) return -23;
            memcpy(dst, mac, sizeof mac);
            return 0;
        }
        case cmType_vpnvrfrd:
            return convert<vpnvrfrd_t>(dst, text, STRING_TO_VPNVRFRD, -32);
        case cmType_vpnvrfrt:
            return convert<vpnvrfrt_t>(dst, text, STRING_TO_VPNVRFRT, -33);
        case cmType_vpnid:
            return convert<vpnid_t>(dst, text, STRING_TO_VPNID, -34);
        case cmType_ipAddrN:
            return convert<ipAddrN_t>(dst, text, STRING_TO_IPADDRN, -35);
        case cmType_ipAddrH:
            return convert<ipAddrH_t>(dst, text, STRING_TO_IPADDRH, -36);
        case cmType_ipAddressN_mask:
            return convert<ipAddressN_mask_t>(dst, text, STRING_TO_IPADDRESSN_MASK, -37);
        case cmType_ipAddressH_mask:
            return convert<ipAddressH_mask_t>(dst, text, STRING_TO_IPADDRESSH_MASK, -38);
        default:
            return kOtherKind;
    }
}

// Values that own heap storage.
int constructOwned(uint16_t type, void *dst, uint16_t /*size*/, char *text) {
    switch (type) {
        case cmType_octetString: {
            octetString_t *s = nullptr;
            if (!STRING_TO_OCTETSTRING(&s, text)) return -24;
            freeOwned(type, dst);  // a repeated element replaces the earlier value
            memcpy(dst, &s, sizeof s);
            return 0;
        }
        case cmType_oid: {
            oid_t *o = nullptr;
            if (!STRING_TO_OID(&o, text)) return -25;
            freeOwned(type, dst);
            memcpy(dst, &o, sizeof o);
            return 0;
        }
        case cmType_bitarray: {
            bitarray_t *b = nullptr;
            if (!STRING_TO_BITARRAY(&b, text)) return -43;
            freeOwned(type, dst);
            memcpy(dst, &b, sizeof b);
            return 0;
        }
        default:
            return kOtherKind;
    }
}

// Actions, times, dates and time-slot lists.
int constructTime(uint16_t type, void *dst, uint16_t /*size*/, char *text) {
    switch (type) {
        case cmType_action: {
            uint32_t action = 0;
            int ok = STRING_TO_ACTION(&action, text);
            memcpy(dst, &action, sizeof action);
            return ok ? 0 : -26;
        }
        case cmType_tod:
            return convert<tod_t>(dst, text, STRING_TO_TOD, -27);
        case cmType_date:
            return convert<date_t>(dst, text, STRING_TO_DATE, -28);
        case cmType_timeslotlist: {
            timeslotlist_t slots = load<timeslotlist_t>(dst);
            if (!STRING_TO_TIMESLOTLIST(&slots, text)) return -42;
            memcpy(dst, &slots, sizeof slots);
            return 0;
        }
        default:
            return kOtherKind;
    }
}

using Step = int (*)(uint16_t type, void *dst, uint16_t size, char *text);
const Step kConstructSteps[] = {constructNumber,  constructText,  constructPorts,
                                constructAddress, constructOwned, constructTime};

// A child structure goes in front of the field's list: its link takes the old head.
int prependChild(void *listHead, void **link, void *child) {
    if (!child || !link) return -100;
    void *head = load<void *>(listHead);
    memcpy(link, &head, sizeof head);
    memcpy(listHead, &child, sizeof child);
    return 0;
}

}  // namespace

int cmObjectConstructOne(uint16_t type, void *destination, uint16_t size, void **link,
                         uint32_t index, void *value) {
    if (type == cmType_complex) return prependChild(destination, link, value);
    auto *text = static_cast<char *>(value);
    if (!text) return type == cmType_string ? 0 : -100;
    // Every fixed-size type honours the index, so that parser and formatter agree on
    // where element i of an array lives.
    void *dst = type == cmType_string ? destination
                                      : at(destination, index * cmTypeElementSize(type, size));
    for (Step step : kConstructSteps) {
        int rc = step(type, dst, size, text);
        if (rc != kOtherKind) return rc;
    }
    return -100;
}

int cmObjectConstructCore(const cmObjectDesc_t *desc, void *structure, const cmObject_t *item,
                          int allowUnknown) {
    if (!structure || !item || !item->tag) return -1;
    const char *tagName = item->tag->name;
    uint16_t i = 0;
    while (i < desc->fieldCount && desc->fields[i].tagId != item->tag->id) i++;
    if (i == desc->fieldCount) {
        if (allowUnknown) return 0;
        cmObjectIncident("cmObjectConstructCore", "Structure (FIXME) does NOT have field \"%s\"!",
                         tagName);
        return -1;
    }
    const cmFieldDesc_t &f = desc->fields[i];
    void **link = nullptr;
    if (f.subDesc) {
        if (!item->data) return -1;
        link = reinterpret_cast<void **>(at(item->data, f.subDesc->nextOffset));
    }
    int rc;
    if (isArrayField(f)) {
        uint32_t count = load<uint32_t>(at(structure, f.offset));
        if (count >= f.arrayMax) {
            cmObjectIncident("cmObjectConstructCore",
                             "cmObjectConstructCore: %s array max exceeded!", tagName);
            return -1;
        }
        rc = cmObjectConstructOne(f.type, cmFieldArrayValues(structure, &f), f.size, link, count,
                                  item->data);
        if (rc == 0) {
            count++;
            memcpy(at(structure, f.offset), &count, sizeof count);
        }
    } else {
        rc = cmObjectConstructOne(f.type, at(structure, f.offset), f.size, link, 0, item->data);
    }
    if (rc != 0) {
        cmObjectIncident("cmObjectConstructCore",
                         "cmObjectConstructCore: %s construction failed, rc %d", tagName, rc);
        return rc;
    }
    cmObjectSetValidCore(structure, desc->validOffset, i);
    return 0;
}

namespace {

// The steps of cmObjectFormatOne, one per kind of type: each writes a value of its
// kind and answers false for the other types.

// Prints a copy of the value, so that unaligned fields inside packed structures are fine.
template <typename T, typename F>
bool printCopy(buffer_t *out, const void *v, F print) {
    T value = load<T>(v);
    print(&value, out);
    return true;
}
// Numbers, truth values and hex words.
bool formatNumber(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_boolean:
            bufferPutf(out, "%b", static_cast<int>(load<uint32_t>(v)));
            return true;
        case cmType_int8:
            bufferPutf(out, "%d", static_cast<int>(load<int8_t>(v)));
            return true;
        case cmType_uint8:
            bufferPutf(out, "%u", static_cast<unsigned>(load<uint8_t>(v)));
            return true;
        case cmType_int16:
            bufferPutf(out, "%d", static_cast<int>(load<int16_t>(v)));
            return true;
        case cmType_uint16:
        case cmType_ushort:
            bufferPutf(out, "%u", static_cast<unsigned>(load<uint16_t>(v)));
            return true;
        case cmType_int:
        case cmType_int32:
            bufferPutf(out, "%d", load<int32_t>(v));
            return true;
        case cmType_uint32:
        case cmType_uint:
            bufferPutf(out, "%u", load<uint32_t>(v));
            return true;
        case cmType_long:
            bufferPutf(out, "%ld", static_cast<long>(load<int32_t>(v)));
            return true;
        case cmType_int64:
            bufferPutf(out, "%lld", static_cast<long long>(load<int64_t>(v)));
            return true;
        case cmType_uint64:
            bufferPutf(out, "%llu", static_cast<unsigned long long>(load<uint64_t>(v)));
            return true;
        case cmType_float:
            bufferPutf(out, "%f", static_cast<double>(load<float>(v)));
            return true;
        case cmType_hex:
            bufferPutf(out, "%#x", load<uint32_t>(v));
            return true;
        default:
            return false;
    }
}

// Single characters and strings.
bool formatText(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_char:
            bufferPutf(out, "%c", static_cast<int>(load<char>(v)));
            return true;
        case cmType_string:
            if (*static_cast<const char *>(v)) putCdata(out, static_cast<const char *>(v));
            return true;
        default:
            return false;
    }
}

// Port lists and single ports.
bool formatPorts(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_portlist:
        case cmType_portlist_type1: {
            // The printer trims word 0 of the list it is given: print a copy.
            portlist_t list = load<portlist_t>(v);
            bufferPutf(out, type == cmType_portlist ? "%P" : "%T", &list);
            return true;
        }
        case cmType_port:
        case cmType_port_type1:
            bufferPutf(out, "%M", load<uint32_t>(v));
            return true;
        default:
            return false;
    }
}

// Addresses, masks and VPN identifiers.
bool formatAddress(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_ipAddressN:
            return printCopy<ipAddressN_t>(out, v, ipAddressN_t_print);
        case cmType_ipAddressH:
            return printCopy<ipAddressH_t>(out, v, ipAddressH_t_print);
        case cmType_ipv4:
            bufferPutf(out, "%I", htonl(load<uint32_t>(v)));
            return true;
        case cmType_ipv4n:
            bufferPutf(out, "%I", load<uint32_t>(v));
            return true;
        case cmType_ipmask: {
            ipv4_mask_t m = load<ipv4_mask_t>(v);
            bufferPutf(out, "%I/%d", htonl(m.address), static_cast<int>(m.length));
            return true;
        }
        case cmType_ipv6:
            return printCopy<ipv6_t>(out, v, ipv6_t_print);
        case cmType_ipv6_scoped: {
            ipv6_scoped_t a = load<ipv6_scoped_t>(v);
            a.zone[sizeof a.zone - 1] = 0;
            ipv6_scoped_t_print(&a, out);
            return true;
        }
        case cmType_ipv6_mask:
            return printCopy<ipv6_mask_t>(out, v, ipv6_mask_t_print);
        case cmType_mac:
            bufferPutf(out, "%m", v);
            return true;
        case cmType_vpnvrfrd:
            return printCopy<vpnvrfrd_t>(out, v, vpnvrfrd_t_print);
        case cmType_vpnvrfrt:
            return printCopy<vpnvrfrt_t>(out, v, vpnvrfrt_t_print);
        case cmType_vpnid:
            return printCopy<vpnid_t>(out, v, vpnid_t_print);
        case cmType_ipAddrN:
            return printCopy<ipAddrN_t>(out, v, ipAddrN_t_print);
        case cmType_ipAddrH:
            return printCopy<ipAddrH_t>(out, v, ipAddrH_t_print);
        case cmType_ipAddressN_mask:
            return printCopy<ipAddressN_mask_t>(out, v, ipAddressN_mask_t_print);
        case cmType_ipAddressH_mask:
            return printCopy<ipAddressH_mask_t>(out, v, ipAddressH_mask_t_print);
        default:
            return false;
    }
}

// Values that own heap storage.
bool formatOwned(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_octetString:
            octetString_t_print(load<const octetString_t *>(v), out);
            return true;
        case cmType_oid:
            oid_t_print(load<const oid_t *>(v), out);
            return true;
        case cmType_bitarray:
            bufferPutf(out, "%K", load<bitarray_t *>(v));
            return true;
        default:
            return false;
    }
}

// Times, dates and time-slot lists.
bool formatTime(buffer_t *out, uint16_t type, const void *v) {
    switch (type) {
        case cmType_tod:
            return printCopy<tod_t>(out, v, tod_t_print);
        case cmType_date:
            return printCopy<date_t>(out, v, date_t_print);
        case cmType_timeslotlist: {
            timeslotlist_t slots = load<timeslotlist_t>(v);
            bufferPutf(out, "%t", &slots);
            return true;
        }
        default:
            return false;
    }
}

using FormatStep = bool (*)(buffer_t *out, uint16_t type, const void *v);
const FormatStep kFormatSteps[] = {formatNumber,  formatText,  formatPorts,
                                   formatAddress, formatOwned, formatTime};

}  // namespace

void cmObjectFormatOne(buffer_t *out, uint16_t type, const char *name, const void *values,
                       uint32_t index, int actionFlag) {
    if (type == cmType_action) {
        if (actionFlag) bufferPutf(out, "<%s>active</%s>", name, name);
        return;
    }
    if (type == cmType_complex) {
        fputs("Error in cmObjectFormatOne: type is cmType_complex\n", stderr);
        bufferPutf(out, "<%s></%s>", name, name);
        return;
    }
    const void *v = type == cmType_string ? values : at(values, index * cmTypeElementSize(type, 0));
    bufferPutf(out, "<%s>", name);
    for (FormatStep step : kFormatSteps)
        if (step(out, type, v)) break;
    bufferPutf(out, "</%s>", name);
}

void cmObjectFormatCore(const cmTag_t *tagTable, const cmObjectDesc_t *desc,
                        cmFormatContext_t *request, const cmTag_t *wrapper, const void *structure) {
    buffer_t *out = request->out;
    int actionFlag = (request->flags & cmRequestFlag_action) != 0;
    if (wrapper) {
        bufferPutf(out, "<%s>", wrapper->name);
        if (desc->fieldCount == 0) {
            bufferPutf(out, "</%s>", wrapper->name);
            return;
        }
    }
    for (uint16_t i = 0; i < desc->fieldCount; i++) {
        const cmFieldDesc_t &f = desc->fields[i];
        if (f.tagId == 0) cmObjectFatal("cmObjectFormatCore: field %u has no tag", i);
        const char *name = tagTable[f.tagId - 1].name;
        bool valid = cmObjectCheckValidCore(structure, desc->validOffset, i) != 0;
        if (!valid && !(f.type == cmType_action && actionFlag)) continue;
        const void *field = at(structure, f.offset);
        if (f.type == cmType_complex) {
            for (const void *child = load<const void *>(field); child;
                 child = load<const void *>(at(child, f.subDesc->nextOffset))) {
                bufferPutf(out, "<%s>", name);
                cmObjectFormatCore(tagTable, f.subDesc, request, nullptr, child);
                bufferPutf(out, "</%s>", name);
            }
        } else if (!isArrayField(f)) {
            cmObjectFormatOne(out, f.type, name, field, 0, actionFlag);
        } else {
            uint32_t count = load<uint32_t>(field);
            if (count > f.arrayMax) count = f.arrayMax;
            const void *values = cmFieldArrayValues(const_cast<void *>(structure), &f);
            for (uint32_t k = 0; k < count; k++)
                cmObjectFormatOne(out, f.type, name, values, k, actionFlag);
        }
    }
    if (wrapper) bufferPutf(out, "</%s>", wrapper->name);
}

void cmObjectFormatList(const cmTag_t *tagTable, const cmObjectDesc_t *desc,
                        cmFormatContext_t *request, const cmTag_t *wrapper, const void *first) {
    for (const void *s = first; s; s = load<const void *>(at(s, desc->nextOffset)))
        cmObjectFormatCore(tagTable, desc, request, wrapper, s);
}
