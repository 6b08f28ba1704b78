#include "framework/xmlfwk_tables.h"

#include <cstdio>
#include <cstring>

// The SOAP type numbers are those of the generated serializers, so the table follows the
// schema when it changes.
#include "soapStub.h"

#define OBJECT(id, category, name) \
    { id, SOAP_TYPE_##category##__##name, #category, #name }

const xmlFwkObjectRow_t xmlFwkObjectTable[] = {
    OBJECT(1, port, PortErrorStats),
    OBJECT(2, port, PortConfig),
    OBJECT(3, port, PortUtilizationStats),
    OBJECT(4, port, PortQoSStats),
    OBJECT(5, port, PortTrafficStats),
    OBJECT(6, port, LoadSharing),
    OBJECT(7, port, PortTransceiverInfo),
    OBJECT(8, vlan, VlanConfig),
    OBJECT(9, vlan, VirtualRouter),
    OBJECT(10, vlan, Protocol),
    OBJECT(11, vlan, PrivateVlanMemberConfig),
    OBJECT(12, vlan, VlanAggregateMemberConfig),
    OBJECT(13, vlan, VlanTranslateMemberConfig),
    OBJECT(14, vlan, IsidService),
    OBJECT(15, vlan, CustomerVlanConfig),
    OBJECT(16, vlan, BackboneVlanConfig),
    OBJECT(17, system, EntPhysicalEntry),
    // The schema has no type for the license: the object is never recognised by type.
    {18, XML_FWK_NO_SOAP_TYPE, "system", "License"},
    OBJECT(19, system, Fan),
    OBJECT(20, system, PowerSupply),
    OBJECT(21, system, SlotInfo),
    OBJECT(22, system, SwitchInfo),
    OBJECT(23, system, StackNodeTopology),
    OBJECT(24, system, StackNode),
    OBJECT(25, snmp, GeneralConfig),
    OBJECT(26, snmp, SNMPStats),
    OBJECT(27, snmp, VacmViewTreeFamilyEntry),
    OBJECT(28, snmp, SnmpCommunityEntry),
    OBJECT(29, snmp, SnmpTargetAddrEntry),
    OBJECT(30, snmp, VacmSecurityToGroupEntry),
    OBJECT(31, snmp, VacmAccessEntry),
    OBJECT(32, snmp, UsmUserEntry),
    OBJECT(33, aaa, TACACSConfig),
    OBJECT(34, aaa, RadiusConfig),
    OBJECT(35, aaa, PasswordPolicy),
    OBJECT(36, aaa, UserAccount),
    OBJECT(37, aaa, Session),
    OBJECT(38, aaa, SessionHistory),
    OBJECT(39, fdb, MacTrackingEntry),
    OBJECT(40, idmgr, UserIdentityData),
    OBJECT(41, idmgr, IdentityManagerConfig),
    OBJECT(42, idmgr, KerberosServer),
    OBJECT(43, idmgr, DomainConfig),
    OBJECT(44, idmgr, LdapConfig),
    OBJECT(45, idmgr, LdapServerConfig),
    OBJECT(46, idmgr, UserRole),
    OBJECT(47, idmgr, GreyListEntry),
    OBJECT(48, idmgr, BlackListEntry),
    OBJECT(49, idmgr, WhiteListEntry),
    OBJECT(50, idmgr, RefreshUserRole),
    OBJECT(51, idmgr, ListConfig),
    OBJECT(52, idmgr, ListPrecedence),
    OBJECT(53, ems, EmsEvent),
    OBJECT(54, ipfix, IpfixGlobalData),
    OBJECT(55, ipfix, IpfixPortData),
    {-1, XML_FWK_NO_SOAP_TYPE, nullptr, nullptr},
};

#undef OBJECT

const xmlFwkInternalObjectRow_t xmlFwkInternalObjectTable[] = {
    {1, "show_ports_transceiver"},
    {2, "ls_ports"},
    {3, "ports"},
    {4, "show_ports_config"},
    {5, "show_ports_info_detail_vlans"},
    {6, "show_ports_info_detail"},
    {7, "show_ports_info"},
    {8, "show_qosprofile"},
    {9, "srpPortConfig"},
    {10, "show_ports_utilization"},
    {11, "show_ports_qos_monitor"},
    {12, "show_ports_stats"},
    {13, "show_ports_txerrors"},
    {14, "show_ports_rxerrors"},
    {15, "protocol_op"},
    {16, "vr"},
    {17, "vlan"},
    {18, "vlanProc"},
    {19, "vlanPort"},
    {20, "vlanIpAddress"},
    {21, "rtifIpv6Address"},
    {22, "stp_vlan_stats"},
    {23, "ntUdpProfileEntry"},
    {24, "vlanIPv4AddrDiscover"},
    {25, "dhcpServerVlanConfig"},
    {26, "pvlan"},
    {27, "cfg_vlan_agg"},
    {28, "vpif"},
    {29, "isidService"},
    {30, "isidVlanList"},
    {31, "bvlanIsidList"},
    {32, "epmlicense"},
    {33, "ps_info"},
    {34, "fan_info"},
    {35, "dm_system"},
    {36, "vlanGlobalConfig"},
    {37, "cliSession"},
    {38, "saveConfig"},
    {39, "card_info"},
    {40, "entity_info"},
    {41, "stackingShowNode"},
    {42, "stackingShowPorts"},
    {43, "stackingShowInfo"},
    {44, "stackingShowStack"},
    {45, "snmpEnableCLI"},
    {46, "kasshd"},
    {47, "telnetd"},
    {48, "rmonCfg"},
    {49, "snmpEngineCLI"},
    {50, "showManagementCLI"},
    {51, "snmpProtocolCountersCLI"},
    {52, "vacmViewTreeFamilyEntryCLI"},
    {53, "snmpCommunityEntryCLI"},
    {54, "vacmSecurityToGroupEntryCLI"},
    {55, "snmpTargetAddrEntryCLI"},
    {56, "snmpTrapReceiver"},
    {57, "usmUserEntryCLI"},
    {58, "vacmAccessEntryCLI"},
    {59, "acctPasswordSecurityGlobalCfg"},
    {60, "account"},
    {61, "acctPasswordSecurity"},
    {62, "radius_service"},
    {63, "radiusAuthServer"},
    {64, "radiusAccServer"},
    {65, "tacacs_service"},
    {66, "tacacs"},
    {67, "tacacs1"},
    {68, "session"},
    {69, "session_history"},
    {70, "macTrackEntry"},
    {71, "idMgrUserIdentity"},
    {72, "idMgrLocation"},
    {73, "idMgrCfgInfo"},
    {74, "idMgrKSnoopGlobalCfg"},
    {75, "idMgrLDAPCfg"},
    {76, "idMgrKSnoopServerEntry"},
    {77, "idMgrDomainCfg"},
    {78, "idMgrLDAPServerCfg"},
    {79, "idMgrUserRoleCfg"},
    {80, "idMgrUserRolePolicyCfg"},
    {81, "idMgrUserRoleChildCfg"},
    {82, "idMgrUserRoleIdentity"},
    {83, "idMgrGreyListEntry"},
    {84, "idMgrBlackListEntry"},
    {85, "idMgrWhiteListEntry"},
    {86, "idMgrRefreshUserRole"},
    {87, "idMgrListCfg"},
    {88, "idMgrListPreced"},
    {89, "eventTarget"},
    {90, "ipfixGlobal"},
    {91, "ipfixCollector"},
    {92, "ipfixPort"},
    {-1, nullptr},
};
namespace {

const struct {
    const char *name;
    int id;
} kTypes[] = {
    {"string", XML_FWK_TYPE_STRING},
    {"octet", XML_FWK_TYPE_OCTET},
    {"ipAddress", XML_FWK_TYPE_IP_ADDRESS},
    {"tcpAddress", XML_FWK_TYPE_TCP_ADDRESS},
    {"password", XML_FWK_TYPE_PASSWORD},
    {"netmask", XML_FWK_TYPE_NETMASK},
    {"int", XML_FWK_TYPE_INT},
};

const xmlFwkEnumRow_t kEnums[] = {
    {"TrueFalse", {{"true", "1"}, {"false", "0"}}},
    {"YesNo", {{"yes", "1"}, {"no", "0"}}},
    {"ActiveStates", {{"Active", "1"}, {"Inactive", "0"}}},
    {"BlockedStates", {{"Blocked", "1"}, {"NonBlocked", "0"}}},
};

const xmlFwkObjectRow_t *rowBySoapType(int soapType) {
    if (soapType <= 0) return nullptr;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++)
        if (r->soapType == soapType) return r;
    return nullptr;
}

}  // namespace

const xmlFwkObjectRow_t *xmlFwkObjectRow(int objectId) {
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++)
        if (r->objectId == objectId) return r;
    return nullptr;
}

const char *xmlFwkNameBySoapType(int soapType) {
    const xmlFwkObjectRow_t *r = rowBySoapType(soapType);
    return r ? r->name : nullptr;
}

const char *xmlFwkCategoryBySoapType(int soapType) {
    const xmlFwkObjectRow_t *r = rowBySoapType(soapType);
    return r ? r->category : nullptr;
}

int xmlFwkInternalObjectId(const char *name) {
    if (!name) {
        printf("Object is NULL\n");
        return 0;
    }
    for (const xmlFwkInternalObjectRow_t *r = xmlFwkInternalObjectTable; r->id != -1; r++)
        if (strcmp(r->name, name) == 0) return r->id;
    return -1;
}

int xmlFwkTypeId(const char *name) {
    if (name)
        for (const auto &t : kTypes)
            if (strcmp(t.name, name) == 0) return t.id;
    return -1;
}

const xmlFwkEnumRow_t *xmlFwkEnumRow(const char *type) {
    if (type)
        for (const xmlFwkEnumRow_t &e : kEnums)
            if (strcmp(e.type, type) == 0) return &e;
    return nullptr;
}
