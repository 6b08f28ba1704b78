// Module "fdb": forwarding-database entries as read ("fdb_show", fdb_show_t) and the
// static-entry operation of create and delete requests ("fdb_op", fdb_op_t).
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "platform/portlist.h"

struct fdb_show_t {
    uint8_t mac_addr[6];
    char vlan_name[33];
    portlist_t port_list;
    uint32_t age;
    char flags[17];  // letters: "s" static, "p" permanent, ...
    uint32_t vlanInstance;
    uint32_t type;
    fdb_show_t *next;
    uint8_t valid[1];
};

struct fdb_op_t {
    uint8_t macAddr[6];
    char vlanName[33];
    portlist_t portList;
    uint32_t action;  // action code
    uint32_t sub_action;
    fdb_op_t *next;
    uint8_t valid[1];
};

enum : uint32_t { fdbShowIndex = 1, fdbOpIndex = 2 };

extern const cmTag_t fdbTags[];
extern const uint32_t fdbTagCount;
extern const cmObjectDesc_t fdbShowDesc;
extern const cmObjectDesc_t fdbOpDesc;

// Registers the module's entry "fdb".
void cmObjectInit_fdb();
void fdb_show_t_free(fdb_show_t *entry);
void fdb_op_t_free(fdb_op_t *op);
