// Fixed tables of the object registry: the external objects clients name, the internal
// objects of the configuration manager, value types and the built-in enumerations.
#pragma once
#include <cstdint>

// Operation codes, used throughout the framework.
enum {
    XML_FWK_OP_GET = 1,       // a client's get
    XML_FWK_OP_GET_ONE = 2,   // get of the one object named by the index
    XML_FWK_OP_WALK = 3,      // get of the object after the index (the first without one)
    XML_FWK_OP_GET_NEXT = 4,  // continuation after a reply that announced more objects
    XML_FWK_OP_NONE = 5,      // the module element alone
    XML_FWK_OP_SET = 6,
    XML_FWK_OP_CREATE = 7,
    XML_FWK_OP_DELETE = 8,
};

// Value type ids (0 = none, -1 = a name not in the table).
enum {
    XML_FWK_TYPE_STRING = 1,
    XML_FWK_TYPE_OCTET = 2,
    XML_FWK_TYPE_IP_ADDRESS = 3,
    XML_FWK_TYPE_TCP_ADDRESS = 4,
    XML_FWK_TYPE_PASSWORD = 5,
    XML_FWK_TYPE_NETMASK = 6,
    XML_FWK_TYPE_INT = 7,
};

enum { XML_FWK_NAME_MAX = 199 };
// The SOAP type number of an object whose schema has no type for it.
enum { XML_FWK_NO_SOAP_TYPE = -1 };

struct xmlFwkObjectRow_t {
    int32_t objectId;
    int32_t soapType;      // the SOAP layer's number of the object's schema type
    const char *category;  // namespace prefix of the object's schema ("vlan")
    const char *name;      // "VlanConfig"
};
// 55 rows, then one whose objectId is -1.
extern const xmlFwkObjectRow_t xmlFwkObjectTable[];

struct xmlFwkInternalObjectRow_t {
    int32_t id;
    const char *name;  // the configuration manager's object name
};
// Ids 1 to 92 in order, then one whose id is -1.
extern const xmlFwkInternalObjectRow_t xmlFwkInternalObjectTable[];

enum { XML_FWK_ENUM_PAIRS = 10 };
struct xmlFwkEnumRow_t {
    const char *type;  // the schema's simple type name ("TrueFalse")
    struct {
        const char *external;
        const char *internal;
    } pairs[XML_FWK_ENUM_PAIRS];  // ends at the first empty pair
};

const xmlFwkObjectRow_t *xmlFwkObjectRow(int objectId);
// Name and category of the object of that SOAP type number; nullptr when none (0, the
// number of an object whose type was not recognised, names none).
const char *xmlFwkNameBySoapType(int soapType);
const char *xmlFwkCategoryBySoapType(int soapType);
// The internal object's id, -1 when unknown; 0 (after printing "Object is NULL") for none.
int xmlFwkInternalObjectId(const char *name);
int xmlFwkTypeId(const char *name);  // -1 when unknown
const xmlFwkEnumRow_t *xmlFwkEnumRow(const char *type);
