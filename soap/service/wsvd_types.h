// Message types of the wsvd SOAP service in soapcpp2 notation (imported by
// wsvd_service.h.in). Every class here is a schema type; the element and type names
// that soapcpp2 writes come from these identifiers:
//   prefix__Name     the type "prefix:Name"; members are child elements, unqualified
//                    except in the upm schema, whose element form is qualified;
//   _USCORE          an underscore in the XML name ("1000_1G" is _1000_USCORE1G);
//   a single "_"     a hyphen ("source-ipaddress", "Policy-AclRule");
//   _xHHHH           any other character ("N/A", "Low Alarm", "n802.1p...");
//   a leading "_"    a name that starts with a digit; a trailing "_" a C++ keyword.
// Optional elements are pointers (absent = null), lists are std::vector, choices are
// unions with their selector, wildcards (xsd:any, xsd:anyAttribute) are DOM trees.
// The entry type of a list is declared before the list: std::vector needs it complete.
// Object types with a required "objectType" attribute and a leading "queryParameters"
// element extend com:KarnBase, so an element typed com:KarnBase (a get filter, an
// event's object) is read as the object type its xsi:type names.

// Enumerations: codes follow the order of the values.
enum class qtn__Policy_TripwatchMatchType { MATCH_USCOREANY, MATCH_USCOREALL };
enum class qtn__Policy_TripwatchConditionOperator { LESS_USCORETHAN, LESS_USCOREEQUAL, GREATER_USCORETHAN, GREATER_USCOREEQUAL };
enum class qtn__Policy_TripwatchConditionType { COUNT, DELTA, RATIO, DELTA_USCORERATIO, RULE_USCORECOUNT };
enum class qtn__Policy_TripwatchActionSyslogLevel { DEBUG, INFO, NOTIFY, WARN, ERROR, CRITICAL };
enum class qtn__Acl_InsertDirection { BEFORE, AFTER, FIRST, LAST };
enum class qtn__Acl_Direction { INGRESS, EGRESS };
enum class com__TrueFalse { unknown, true_, false_ };
enum class com__IncludeExcludes { unknown, include, exclude };
enum class com__NodeRoles { unknown, Master, Backup, Standby, na };
enum class com__NodeStates { unknown, Disabled, Failed, Overflow, Listening, Stabilizing, Waiting, Active, na };
enum class com__SSHStates { unknown, notInstalled, enabled, disabled, na };
enum class com__TelnetStates { unknown, enabled, disabled, na };
enum class com__YesNo { unknown, yes, no };
enum class com__ActiveStates { unknown, Active, Inactive };
enum class com__BlockedStates { unknown, Blocked, NonBlocked };
enum class com__AccessRight { unknown, readOnly, readWrite };
enum class com__editOperationType { add, unconfigure, insert, merge, replace, create, delete_ };
enum class vlan__ProtocolTypes { unknown, ANY, etype, llc, snap, na };
enum class vlan__VlanTagTypes { unknown, Untagged, _802dot1Q };
enum class vlan__PVlanTypes { network, nonIsolated, isolated, subscriber };
enum class vlan__VlanTypes { mgmt, backPlane, default_, userCreated, mac, vman, apiCreated };
enum class vlan__Dot1ahModes { service, backbone, notApplicable };
enum class vlan__BPDUs { unknown, dot1d, altstp, pvst_USCOREplus, na };
enum class idmgr__LoginStatusTypes { unknown, loggedOn, loggedOut, na };
enum class idmgr__AuthMethodTypes { unknown, netloginDot1x, netloginWeb, netloginMac, kerberos, na };
enum class idmgr__FeatureStatusTypes { unknown, enabled, disabled, na };
enum class idmgr__IdentityManagerEventTypes { unknown, discover, undiscover, reauth, authFailure, ipAddrAdd, ipAddrDelete, securityViolation, identityInfoUpdate, identityRoleUpdate, na };
enum class idmgr__AddressTypes { unknown, mac, ip, na };
enum class idmgr__DatasetTypes { unknown, active, event, na };
enum class idmgr__actionTypes { unknown, create, configure, unconfigure, delete_, na };
enum class idmgr__connStatusTypes { unknown, notActive, Active, ipAddressUnresolved, na };
enum class idmgr__securityMechanismTypes { unknown, plainText, SASLDigestMD5, SSL, na };
enum class idmgr__ListTypes { greylist, blacklist, whitelist };
enum class idmgr__ListNames { greylist, blacklist, whitelist };
enum class idmgr__ListEntryTypes { unknown, mac, ip, username, na };
enum class idmgr__GreyListEntryTypes { unknown, username, na };
enum class ipfix__TransportTypes { unknown, UDP, TCP, SCTP, na };
enum class ipfix__CollectorSocketStatusTypes { unknown, disconnected, connected, na };
enum class ipfix__FeatureStatusTypes { unknown, enabled, disabled, na };
enum class ipfix__IpfixIPv4FlowKeyType { unknown, source_ipaddress, source_port, dest_ipaddress, dest_port, protocol, typeOfService, na };
enum class ipfix__IpfixIPv6FlowKeyTypes { unknown, source_ipaddress, source_port, dest_ipaddress, dest_port, nextHeader, typeOfService, label, na };
enum class ipfix__IpfixNonIPFlowKeyTypes { unknown, source_MAC_address, dest_MAC_address, vlanID, ethertype, priority, tagged, na };
enum class ipfix__RecordTypes { unknown, dropped_only, non_dropped_only, both, na };
enum class ipfix__FlowTypes { unknown, IPv4, IPv6, NonIP, All, na };
enum class ipfix__FlowDirectionTypes { unknown, ingress, egress, ingress_and_egress, na };
enum class port__PortTransceiverStatus { N_x002fA, Normal, Low_x0020Alarm, High_x0020Alarm, Low_x0020Warning, High_x0020Warning };
enum class port__LinkStates { unknown, Ready, Active, NotPresent, na };
enum class port__QoSTypes { unknown, ingress, egress };
enum class port__QoSProfiles { unknown, none, QP1, QP2, QP3, QP4, QP5, QP6, QP7, QP8, na };
enum class port__RateShaping { unknown, Unsupported, SupportIQP1_USCORE2, SupportIQP1_USCORE8 };
enum class port__AdminStates { unknown, Enabled, Disabled, na };
enum class port__Protocols { unknown, UP, na };
enum class port__PreferredMediums { unknown, copper, fiber, na };
enum class port__Speeds { unknown, _10, _100, _1000_USCORE1G, _10000_USCORE10G, AUTO };
enum class port__Media { unknown, copper, fiber, na };
enum class port__AutoNegotiations { unknown, on, off, na };
enum class port__DuplexValues { unknown, half, full, auto_, na };
enum class port__EtherTypes { unknown, primary, secondry, na };
enum class port__FloodingTypes { unknown, unicast, multicast, unicast_USCOREmulticast, broadcast, unicast_USCOREbroadcast, multicast_USCOREbroadcast, all, none };
enum class port__SharingAlgoritms { unknown, L2, L3, L4, L2_USCOREL3, L3_USCOREL4, L2_USCOREL3_USCOREL4, L2_USCOREL3_USCORECHK_USCORESUM, L2_USCOREL3_USCOREL4_USCORECHK_USCORESUM, SRC_USCOREMAC, DEST_USCOREMAC, SRC_USCOREIP, DEST_USCOREIP, SRC_USCOREIPv6, DEST_USCOREIPv6, custom, na };
enum class aaa__ServerTypes { unknown, authentication, accounting, na };
enum class aaa__ServerRoles { unknown, primary, secondary, na };
enum class aaa__MgmtTypes { unknown, mgmt, netlogin, na };
enum class aaa__SessionType { unknown, console_USCORElocal, console_USCOREremote, telnet, ssh2, xml, na };
enum class aaa__AuthorizationType { unknown, none, local, radius, tacacs, na };
enum class snmp__Modes { unknown, standard, enhanced, na };
enum class snmp__authProtocols { unknown, noAuthentication, HMAC_USCOREMD5, HMAC_USCORESHA, na };
enum class snmp__PrivacyProtocols { unknown, DES, _3DES, AES128, AES192, AES256, noPrivacy, na };
enum class snmp__ContextMatches { unknown, exact, prefix, na };
enum class snmp__SecurityLevels { unknown, noAuthNoPriv, authNoPriv, authPriv, na };
enum class snmp__SecurityModels { unknown, any, SNMPv1, SNMPv2c, USM, na };
enum class system__PortStates { unknown, LinkDown, NoNeighbor, Inhibited, Overflow, Operational, na };
enum class system__StackingStates { unknown, Disabled, Failed, Overflow, Listening, Stabilizing, Waiting, Active, na };
enum class system__EntityType { other, unknown, chassis, backplane, container, powerSupply, fan, sensor, module, port, stack, na };
enum class system__Topologies { unknown, Ring, DaisyChain, na };
enum class system__HW_USCOREStates { unknown, empty, power_USCOREon, failed, power_USCOREfailed, present, operational, power_USCOREoff, unsupported, invalid, na };
enum class system__FanStates { unknown, operational, nonOperational, na };
enum class ns1__AdminStates { unknown, Enabled, Disabled, na };
enum class upm__errorFlag { abort_on_error, ignore_error };
enum class upm__eventEnums { unknown, device_detect, device_remove, user_authenticate, user_unauthenticate, timer, static_, log_message };
enum class upm__profileExecutionStatusCodes { unknown, notExecuted, timeout, success, failure };
enum class netb__ErrorType { transport, rpc, protocol, application };
enum class netb__ErrorTag { in_use, invalid_value, too_big, missing_attribute, bad_attribute, unknown_attribute, missing_element, bad_element, unknown_element, unknown_namespace, access_denied, lock_denied, resource_denied, rollback_failed, data_exists, data_missing, operation_not_supported, operation_failed, partial_operation };
enum class netb__ErrorSeverity { error, warning };
enum class netb__testOptionType { test_then_set, set };
enum class netb__errorOptionType { stop_on_error, ignore_error, rollback_on_error };
enum class netb__FilterType { subtree, xpath };
enum class netb__editOperationType { merge, replace, create, delete_ };
enum class netb__defaultOperationType { merge, replace, none };

// Structured types.
class com__ClientHeader;
class com__ErrorObject;
class com__ErrorObjectList;
class com__KarnBase;
class com__ExtensionType;
class com__IPAddressNetMask;
class com__IPV6Address;
class com__session;
class com__stringSequence;
class switch__Objects;
class switch__objectList;
class switch__switchAccessObject;
class upm__bindObjectList;
class upm__bindingObject;
class upm__eventObject;
class upm__eventStruct;
class upm__executionResult;
class upm__profileDetail;
class upm__timer;
class qtn__Common_StringSequence;
class qtn__Fdb_FdbEntry;
class qtn__Fdb_FdbEntrySequence;
class qtn__Policy_AclAction;
class qtn__Policy_AclCondition;
class qtn__Policy_AclRule;
class qtn__Policy_AclRuleSequence;
class qtn__Policy_TripwatchAction;
class qtn__Policy_TripwatchActionAddDeleteAclRule;
class qtn__Policy_TripwatchActionQosProfile;
class qtn__Policy_TripwatchActionSnmpTrap;
class qtn__Policy_TripwatchActionSyslog;
class qtn__Policy_TripwatchCondition;
class qtn__Policy_TripwatchMatch;
class qtn__Policy_TripwatchRule;
class qtn__Policy_TripwatchRuleSequence;
class qtn__Policy_Policy;
class qtn__Vlan_VlanEntry;
class qtn__Vlan_VlanEntrySequence;
class vlan__AccessObject;
class vlan__BackboneVlanConfig;
class vlan__CustomerVlanConfig;
class vlan__IsidService;
class vlan__L3ProtocolList;
class vlan__PortTagged;
class vlan__PrivateVlanMemberConfig;
class vlan__Protocol;
class vlan__ProtocolData;
class vlan__RateLimit;
class vlan__Service;
class vlan__VirtualRouter;
class vlan__VlanAggregateMemberConfig;
class vlan__VlanConfig;
class vlan__VlanTranslateMemberConfig;
class vlan__objectList;
class port__AccessObject;
class port__AggrQoSProfileInfo;
class port__FloodRate;
class port__LoadSharing;
class port__PortConfig;
class port__PortErrorStats;
class port__PortFlag;
class port__PortQoSStats;
class port__PortTrafficStats;
class port__PortTransceiverInfo;
class port__PortUtilizationStats;
class port__QoSProfileInfo;
class port__VlanInfo;
class port__objectList;
class fdb__AccessObject;
class fdb__MacTrackingEntry;
class fdb__objectList;
class aaa__AccessObject;
class aaa__AccountServerConfig;
class aaa__AuthorizationServerConfig;
class aaa__BasicServerConfig;
class aaa__MgmtAccountServerConfig;
class aaa__MgmtAuthServerConfig;
class aaa__PasswordPolicy;
class aaa__RadiusConfig;
class aaa__Session;
class aaa__SessionHistory;
class aaa__TACACSConfig;
class aaa__UserAccount;
class aaa__objectList;
class snmp__AccessObject;
class snmp__GeneralConfig;
class snmp__SNMPStats;
class snmp__SnmpCommunityEntry;
class snmp__SnmpTargetAddrEntry;
class snmp__SnmpV1V2CTrapReceiver;
class snmp__UsmUserEntry;
class snmp__VacmAccessEntry;
class snmp__VacmSecurityToGroupEntry;
class snmp__VacmViewTreeFamilyEntry;
class snmp__objectList;
class system__AccessObject;
class system__ConfigurationInfo;
class system__EntPhysicalEntry;
class system__Fan;
class system__ImageInfo;
class system__Odometer;
class system__PowerSupply;
class system__SlotInfo;
class system__StackNode;
class system__StackNodeTopology;
class system__StackPort;
class system__SwitchInfo;
class system__objectList;
class ipfix__AccessObject;
class ipfix__IpfixGlobalData;
class ipfix__IpfixPortData;
class ipfix__objectList;
class idmgr__AccessObject;
class idmgr__BlackListEntry;
class idmgr__DomainConfig;
class idmgr__GreyListEntry;
class idmgr__IdMgrChild;
class idmgr__IdMgrChildInfo;
class idmgr__IdMgrIdentity;
class idmgr__IdMgrIdentityInfo;
class idmgr__IdMgrPolicy;
class idmgr__IdMgrPolicyInfo;
class idmgr__IdMgrVlan;
class idmgr__IdMgrVlanInfo;
class idmgr__IdentityManagerConfig;
class idmgr__KerberosServer;
class idmgr__LdapConfig;
class idmgr__LdapServerConfig;
class idmgr__ListConfig;
class idmgr__ListPrecedence;
class idmgr__Location;
class idmgr__RefreshUserRole;
class idmgr__UserIdentityData;
class idmgr__UserRole;
class idmgr__WhiteListEntry;
class idmgr__objectList;
class ems__AccessObject;
class ems__EmsEvent;
class ems__EventParameters;
class event__EventCommon;
class event__KarnEvent;
class ns2__DHCPConfig;
class ns2__DHCPOptions;

class com__ClientHeader {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *reqId 0;
    com__StringLen32 *sessionId 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class com__ErrorObject {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *errorCode 0;
    com__StringLen256 *errorString 0;
    com__StringLen128 *elementName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class com__ErrorObjectList {
  public:
    @xsd__anyAttribute __anyAttribute;
    std::vector<com__ErrorObject> errorObject 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class com__KarnBase {
  public:
    @std::string objectType 1;
    std::string *queryParameters 0;
};
class com__ExtensionType {
  public:
    @xsd__anyAttribute __anyAttribute;
    std::vector<xsd__anyType> __any;
};
class com__IPAddressNetMask {
  public:
    @std::string *operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__IPAddress *ipAddress 0;
    com__Netmask *netmask 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class com__IPV6Address {
  public:
    com__StringLen256 *ipv6Address 0;
};
class com__session {
  public:
    @std::string *operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *appName 0;
    com__StringLen32 *username 0;
    com__StringLen32 *password 0;
    com__StringLen16 *xmlApiVersion 0;
    com__StringLen16 *sessionId 0;
    com__uint32_USCOREt *timeout 0;
    com__AccessRight *accessRight 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class com__stringSequence {
  public:
    std::vector<std::string> name 0;
};
class switch__Objects {
  public:
    std::vector<com__KarnBase> object 0;
};
class switch__switchAccessObject {
  public:
    $int __union_switchAccessObject;
    union _switch__switchAccessObject_union {
        vlan__objectList *vlanObject;
        port__objectList *portObject;
        aaa__objectList *aaaObject;
        snmp__objectList *snmpObject;
        system__objectList *systemObject;
        fdb__objectList *fdbObject;
        idmgr__objectList *idmgrObject;
        ipfix__objectList *ipfixObject;
    } union_switchAccessObject;
};
class switch__objectList {
  public:
    std::vector<switch__switchAccessObject> switchObject 0;
};
class upm__bindingObject {
  public:
    com__StringLen256 *portList 0;
    upm__eventStruct *eventObject 0;
};
class upm__bindObjectList {
  public:
    std::vector<upm__bindingObject> bindObject 0;
};
class upm__eventObject {
  public:
    upm__eventStruct *eventObject 0;
};
class upm__eventStruct {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    upm__eventEnums *event 0;
    com__StringLen256 *timerName 0;
    com__StringLen32 *filter 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class upm__executionResult {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *executionId 0;
    com__uint32_USCOREt *executionTime 0;
    upm__eventEnums *eventName 0;
    com__StringLen32 *profileName 0;
    com__StringLen32 *timerName 0;
    com__StringLen256 *portList 0;
    upm__profileExecutionStatusCodes *status 0;
    com__StringLen8K *data 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class upm__profileDetail {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *name 0;
    com__StringLen8K *data 0;
    bool *profileEnabled 0;
    time_t *lastBindingTime 0;
    time_t *lastChangeTime 0;
    time_t *creationTime 0;
    com__uint32_USCOREt *checksum 0;
    upm__bindObjectList *bindingObjectList 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class upm__timer {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *timerName 0;
    time_t *at 0;
    com__uint32_USCOREt *every 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class qtn__Common_StringSequence {
  public:
    std::vector<std::string> name 0;
};
class qtn__Fdb_FdbEntry {
  public:
    std::string *macAddress 0;
    std::string *vlan 0;
    std::string *port 0;
    LONG64 *age 0;
    bool *isStatic 0;
    bool *isPermanent 0;
};
class qtn__Fdb_FdbEntrySequence {
  public:
    std::vector<qtn__Fdb_FdbEntry> fdb 0;
};
class qtn__Policy_AclAction {
  public:
    std::string *count 0;
    bool *deny 0;
    bool *denyCpu 0;
    bool *copyCpuAndDrop 0;
    std::string *qosProfile 0;
    bool *replaceDot1p 0;
    bool *replaceDscp 0;
    bool *sample 0;
    bool *log 0;
    bool *logRaw 0;
    bool *mirrorCpu 0;
    std::string *redirect 0;
    std::string *urpf 0;
    std::string *meter 0;
    std::string *mirror 0;
    std::string *trafficQueue 0;
    std::string *redirectPort 0;
    std::string *link 0;
    std::string *backUpLink 0;
    std::string *linkAll 0;
    std::string *linkNone 0;
    std::string *floodGroup 0;
    std::string *cvid 0;
    std::string *linkAggregationHash 0;
    std::string *scos 0;
    std::string *stagEthertype 0;
    std::string *svid 0;
    std::string *uplinkport 0;
    std::string *learningDomain 0;
};
class qtn__Policy_AclCondition {
  public:
    std::string *srcIpAddress 0;
    std::string *dstIpAddress 0;
    std::string *srcPort 0;
    std::string *dstPort 0;
    std::string *srcEthernetAddress 0;
    std::string *dstEthernetAddress 0;
    std::string *ethernetType 0;
    bool *firstFragments 0;
    bool *fragments 0;
    std::string *icmpCode 0;
    std::string *icmpType 0;
    std::string *igmpMsgType 0;
    std::string *protocol 0;
    std::string *tcpFlags 0;
    std::string *sourceSap 0;
    std::string *destinationSap 0;
    std::string *snapType 0;
    std::string *ipTos 0;
    std::string *ccos 0;
    std::string *cvid 0;
    std::string *diffservCodepoint 0;
    std::string *ports 0;
    std::string *scos 0;
    std::string *svid 0;
};
class qtn__Policy_AclRule {
  public:
    std::string *name 0;
    std::string *applicationName 0;
    bool *isPersistent 0;
    qtn__Policy_AclCondition *match 0;
    qtn__Policy_AclAction *response 0;
};
class qtn__Policy_AclRuleSequence {
  public:
    std::vector<qtn__Policy_AclRule> rule 0;
};
class qtn__Policy_TripwatchAction {
  public:
    $int __union_Policy_TripwatchAction;
    union _qtn__Policy_TripwatchAction_union {
        std::string *deny;
        std::string *permit;
        qtn__Policy_TripwatchActionQosProfile *qosprofile;
        qtn__Policy_TripwatchActionAddDeleteAclRule *mirror;
        qtn__Policy_TripwatchActionSnmpTrap *snmptrap;
        qtn__Policy_TripwatchActionSyslog *syslog;
        std::string *cli;
    } union_Policy_TripwatchAction;
};
class qtn__Policy_TripwatchActionAddDeleteAclRule {
  public:
    bool *add 0;
    std::string *aclRule 0;
};
class qtn__Policy_TripwatchActionQosProfile {
  public:
    std::string *qosProfile 0;
    std::string *aclRule 0;
};
class qtn__Policy_TripwatchActionSnmpTrap {
  public:
    std::string *message 0;
    xsd__integer *id 0;
    xsd__integer *period 0;
};
class qtn__Policy_TripwatchActionSyslog {
  public:
    qtn__Policy_TripwatchActionSyslogLevel *level 0;
    std::string *message 0;
    xsd__integer *period 0;
};
class qtn__Policy_TripwatchCondition {
  public:
    qtn__Policy_TripwatchConditionType *type 0;
    qtn__Policy_TripwatchConditionOperator *comparator 0;
    std::string *counter1 0;
    std::string *counter2 0;
    xsd__integer *threshold 0;
    xsd__integer *hysteresis 0;
    xsd__integer *minValue 0;
};
class qtn__Policy_TripwatchMatch {
  public:
    @qtn__Policy_TripwatchMatchType *type 0;
    xsd__integer *period 0;
    std::vector<qtn__Policy_TripwatchCondition> comparison 0;
};
class qtn__Policy_TripwatchRule {
  public:
    std::string *name 0;
    qtn__Policy_TripwatchMatch *match 0;
    std::vector<qtn__Policy_TripwatchAction> positiveResponse 0;
    std::vector<qtn__Policy_TripwatchAction> negativeResponse 0;
};
class qtn__Policy_TripwatchRuleSequence {
  public:
    std::vector<qtn__Policy_TripwatchRule> rule 0;
};
class qtn__Policy_Policy {
  public:
    std::string *name 0;
    qtn__Policy_AclRuleSequence *aclRules 0;
    qtn__Policy_TripwatchRuleSequence *tripwatchRules 0;
};
class qtn__Vlan_VlanEntry {
  public:
    std::string *name 0;
    std::string *vr 0;
    xsd__integer *tag 0;
    xsd__integer *ipMtu 0;
    std::string *qosProfile 0;
    bool *isLoopbackEnabled 0;
    bool *isIpForwardingEnabled 0;
};
class qtn__Vlan_VlanEntrySequence {
  public:
    std::vector<qtn__Vlan_VlanEntry> vlan 0;
};
class vlan__AccessObject {
  public:
    $int __union_AccessObject;
    union _vlan__AccessObject_union {
        vlan__VlanConfig *vlanConfig;
        vlan__VirtualRouter *virtualRouter;
        vlan__Protocol *protocol;
        vlan__PrivateVlanMemberConfig *privateVlanMemberConfig;
        vlan__VlanAggregateMemberConfig *vlanAggregateMemberConfig;
        vlan__VlanTranslateMemberConfig *vlanTranslateMemberConfig;
        vlan__IsidService *isidService;
        vlan__CustomerVlanConfig *customerVlanConfig;
        vlan__BackboneVlanConfig *backboneVlanConfig;
    } union_AccessObject;
};
class vlan__BackboneVlanConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *name 0;
    vlan__Service *service 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__CustomerVlanConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *vlanName 0;
    com__StringLen32 *isidName 0;
    com__StringLen32 *vlanType 0;
    com__uint32_USCOREt *isidValue 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__IsidService : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *name 0;
    com__uint32_USCOREt *value 0;
    com__uint32_USCOREt *totalNumOfSvlans 0;
    com__uint32_USCOREt *totalNumOfCvlans 0;
    com__uint32_USCOREt *totalNumOfServices 0;
    com__StringLen32 *bvlanName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__L3ProtocolList {
  public:
    std::vector<std::string> protocolName 0;
};
class vlan__PortTagged {
  public:
    bool *taggedEnabled 0;
    com__StringLen16 *portList 0;
};
class vlan__PrivateVlanMemberConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *vlanName 0;
    com__StringLen32 *pvlanName 0;
    vlan__PVlanTypes *type 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__Protocol : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *protoName 0;
    vlan__ProtocolData *protoData 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__ProtocolData {
  public:
    com__StringLen8 *value 0;
    vlan__ProtocolTypes *type 0;
};
class vlan__RateLimit {
  public:
    com__uint32_USCOREt *limitLearning 0;
    bool *lockLearning 0;
    bool *unlimitedLearning 0;
    bool *unlockLearning 0;
};
class vlan__Service {
  public:
    com__uint32_USCOREt *isidValue 0;
    com__StringLen32 *isidName 0;
};
class vlan__VirtualRouter : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *vrName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__VlanAggregateMemberConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *subVlan 0;
    std::string *superVlan 0;
    com__IPAddress *ipRange1 0;
    com__IPAddress *ipRange2 0;
    bool *subVlanProxyArpEnabled 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__VlanConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *name 0;
    ns1__AdminStates *adminState 0;
    com__uint16_USCOREt *tagValue 0;
    vlan__VlanTagTypes *tagType 0;
    com__StringLen32 *vrName 0;
    bool *ipArpGraciaciousProtectionEnabled 0;
    com__StringLen16 *vlanTaggedPorts 0;
    com__StringLen16 *vlanUnTaggedPorts 0;
    com__StringLen16 *vlanTranslatedPorts 0;
    com__StringLen32 *newName 0;
    com__TrueFalse *ipv4ForwardingEnabled 0;
    com__TrueFalse *ipv6ForwardingEnabled 0;
    com__IPV6Address *primaryIpv6Address 0;
    com__IPAddressNetMask *primaryIpv4Address 0;
    com__IPAddressNetMask *secondaryIpv4Address 0;
    com__StringLen32 *protocol 0;
    com__StringLen32 *stpdNames 0;
    bool *loopbackEnabled 0;
    com__StringLen16 *udpProfile 0;
    port__QoSProfiles *qosProfile 0;
    com__TrueFalse *dhcpEnable 0;
    ns2__DHCPConfig *dhcpConfig 0;
    com__uint32_USCOREt *totalNumberOfPorts 0;
    com__uint32_USCOREt *ipMtu 0;
    com__StringLen256 *flags 0;
    com__uint32_USCOREt *activePorts 0;
    bool *eui64 0;
    com__YesNo *isEndPoint 0;
    vlan__VlanTypes *vlanType 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__VlanTranslateMemberConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *memberVlan 0;
    com__StringLen32 *translationVlan 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class vlan__objectList {
  public:
    std::vector<vlan__AccessObject> moduleObject 0;
};
class port__AccessObject {
  public:
    $int __union_AccessObject;
    union _port__AccessObject_union {
        port__PortErrorStats *portErrorStats;
        port__PortConfig *portConfig;
        port__PortUtilizationStats *portUtilizationStats;
        port__PortQoSStats *portQoSStats;
        port__PortTrafficStats *portTrafficStats;
        port__LoadSharing *loadSharing;
        port__PortTransceiverInfo *portTransceiverInfo;
    } union_AccessObject;
};
class port__AggrQoSProfileInfo {
  public:
    com__uint32_USCOREt *maxBw 0;
    com__uint32_USCOREt *minBw 0;
    std::string *priority 0;
};
class port__FloodRate {
  public:
    port__Speeds *rate 0;
    bool *enabled 0;
};
class port__LoadSharing : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen8 *masterPort 0;
    port__SharingAlgoritms *algorithm 0;
    com__StringLen1K *memberPorts 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen8 *portList 0;
    com__TrueFalse *smartRedundancyEnabled 0;
    std::string *type 0;
    com__StringLen32 *virtualRouter 0;
    port__VlanInfo *vlans 0;
    port__AdminStates *adminState 0;
    port__LinkStates *linkState 0;
    unsigned int *linkCounter 0;
    com__StringLen8 *flowControl 0;
    com__TrueFalse *learningEnabled 0;
    com__uint8_USCOREt *floodType 0;
    com__StringLen16 *displayString 0;
    com__StringLen256 *descriptionString 0;
    port__Media *medium 0;
    port__AutoNegotiations *autoNegotiation 0;
    port__DuplexValues *configDuplex 0;
    port__Speeds *configSpeed 0;
    port__PreferredMediums *preferredMedium 0;
    com__TrueFalse *jumboFrameEnabled 0;
    com__uint32_USCOREt *jumboSize 0;
    com__TrueFalse *IngressIPTOSExaminationEnabled 0;
    com__TrueFalse *IPTOSReplacementEnabled 0;
    com__TrueFalse *n802_x002e1pReplacementEnabled 0;
    com__TrueFalse *forcePreferredEnabled 0;
    com__TrueFalse *multicastRateEnabled 0;
    std::string *multicastRate 0;
    com__TrueFalse *broadcastRateEnabled 0;
    std::string *broadcastRate 0;
    com__TrueFalse *unknownDestRateEnabled 0;
    std::string *unknownDestRate 0;
    com__TrueFalse *reflectiveRelay 0;
    com__uint32_USCOREt *highPriorityCosVal 0;
    com__uint8_USCOREt *bytesAdjusted 0;
    com__uint32_USCOREt *burstSize 0;
    com__uint32_USCOREt *burstMult 0;
    com__uint32_USCOREt *egressPortRate 0;
    com__uint32_USCOREt *egressMult 0;
    com__TrueFalse *ingress802_x002e1pExaminationEnabled 0;
    com__TrueFalse *ingress802_x002e1pInnerExamEnabled 0;
    port__RateShaping *ingressRateShaping 0;
    com__TrueFalse *egressPortRateEnabled 0;
    port__DuplexValues *actualDuplex 0;
    std::string *actualSpeed 0;
    port__QoSProfiles *iQosProfile 0;
    port__QoSProfileInfo *eQosProfile 0;
    port__AggrQoSProfileInfo *aggrQosProfile 0;
    std::string *flags 0;
    com__TrueFalse *autoPolarityEnabled 0;
    com__StringLen8 *swRedundantPort 0;
    com__TrueFalse *swRedundantPortLinkEnabled 0;
    com__StringLen8 *primaryPort 0;
    com__uint16_USCOREt *dwdmChannelNumber 0;
    float *dwdmWaveLength 0;
    com__TrueFalse *defaultDwdmChannelEnabled 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortErrorStats : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *portList 0;
    port__LinkStates *linkState 0;
    com__StringLen16 *displayString 0;
    com__uint64_USCOREt *transmitCollisions 0;
    com__uint64_USCOREt *transmitLateCollisions 0;
    com__uint64_USCOREt *transmitDeferred 0;
    com__uint64_USCOREt *transmitErrors 0;
    com__uint64_USCOREt *transmitLost 0;
    com__uint64_USCOREt *transmitParity 0;
    com__uint64_USCOREt *receiveCrc 0;
    com__uint64_USCOREt *receiveOver 0;
    com__uint64_USCOREt *receiveUnder 0;
    com__uint64_USCOREt *receiveFragment 0;
    com__uint64_USCOREt *receiveJabber 0;
    com__uint64_USCOREt *receiveAlign 0;
    com__uint64_USCOREt *receiveLost 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortFlag {
  public:
    port__Speeds *flagEnabled 0;
    com__StringLen16 *flagName 0;
};
class port__PortQoSStats : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *portList 0;
    port__QoSTypes *type 0;
    com__uint64_USCOREt *QP1TransmitBytes 0;
    com__uint64_USCOREt *QP2TransmitBytes 0;
    com__uint64_USCOREt *QP3TransmitBytes 0;
    com__uint64_USCOREt *QP4TransmitBytes 0;
    std::string *QP5TransmitBytes 0;
    com__uint64_USCOREt *QP6TransmitBytes 0;
    com__uint64_USCOREt *QP7TransmitBytes 0;
    com__uint64_USCOREt *QP8TransmitBytes 0;
    com__uint64_USCOREt *QP1TransmitPackets 0;
    com__uint64_USCOREt *QP2TransmitPackets 0;
    com__uint64_USCOREt *QP3TransmitPackets 0;
    com__uint64_USCOREt *QP4TransmitPackets 0;
    com__uint64_USCOREt *QP5TransmitPackets 0;
    com__uint64_USCOREt *QP6TransmitPackets 0;
    com__uint64_USCOREt *QP7TransmitPackets 0;
    com__uint64_USCOREt *QP8TransmitPackets 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortTrafficStats : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *portList 0;
    port__LinkStates *linkState 0;
    com__StringLen16 *displayString 0;
    com__uint64_USCOREt *transmitPacketCounter 0;
    com__uint64_USCOREt *transmitByteCounter 0;
    com__uint64_USCOREt *receivePacketCounter 0;
    com__uint64_USCOREt *receiveByteCounter 0;
    com__uint64_USCOREt *receiveBCastCounter 0;
    com__uint64_USCOREt *receiveMCastCounter 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortTransceiverInfo : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen8 *portList 0;
    com__StringLen32 *mediaType 0;
    com__StringLen32 *partNumber 0;
    com__StringLen32 *serialNumber 0;
    float *temperature 0;
    float *lowWarnTshldTemp 0;
    float *highWarnTshldTemp 0;
    float *lowAlarmTshldTemp 0;
    float *highAlarmTshldTemp 0;
    port__PortTransceiverStatus *temperatureStatus 0;
    float *txPower 0;
    float *lowWarnTshldTxPower 0;
    float *highWarnTshldTxPower 0;
    float *lowAlarmTshldTxPower 0;
    float *highAlarmTshldTxPower 0;
    port__PortTransceiverStatus *txPowerStatus 0;
    float *rxPower 0;
    float *highWarnTshldRxPower 0;
    float *lowWarnTshldRxPower 0;
    float *lowAlarmTshldRxPower 0;
    float *highAlarmTshldRxPower 0;
    port__PortTransceiverStatus *rxPowerStatus 0;
    float *txBiasCurrent 0;
    float *lowWarnTshldTxBiasCurrent 0;
    float *highWarnTshldTxBiasCurrent 0;
    float *lowAlarmTshldTxBiasCurrent 0;
    float *highAlarmTshldTxBiasCurrent 0;
    port__PortTransceiverStatus *txBiasCurrentStatus 0;
    float *Aux1Voltage 0;
    float *lowWarnTshldAux1Voltage 0;
    float *highWarnTshldAux1Voltage 0;
    float *lowAlarmTshldAux1Voltage 0;
    float *highAlarmTshldAux1Voltage 0;
    port__PortTransceiverStatus *aux1VoltageStatus 0;
    float *Aux2Voltage 0;
    float *lowWarnTshldAux2Voltage 0;
    float *highWarnTshldAux2Voltage 0;
    float *lowAlarmTshldAux2Voltage 0;
    float *highAlarmTshldAux2Voltage 0;
    port__PortTransceiverStatus *aux2VoltageStatus 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__PortUtilizationStats : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *portList 0;
    port__LinkStates *linkState 0;
    com__StringLen16 *displayString 0;
    com__uint32_USCOREt *receivePktsPerSec 0;
    com__uint32_USCOREt *receivePeakPktsPerSec 0;
    com__uint32_USCOREt *transmitPktsPerSec 0;
    com__uint32_USCOREt *transmitPeakPktsPerSec 0;
    com__uint32_USCOREt *receiveBytesPerSec 0;
    com__uint32_USCOREt *receivePeakBytesPerSec 0;
    com__uint32_USCOREt *transmitBytesPerSec 0;
    com__uint32_USCOREt *transmitPeakBytesPerSec 0;
    port__Percent *receiveBWPercent 0;
    port__Percent *receiveBWPeakPercent 0;
    port__Percent *transmitBWPercent 0;
    port__Percent *transmitBWPeakPercent 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class port__QoSProfileInfo {
  public:
    port__QoSProfiles *qos 0;
    com__uint32_USCOREt *minBw 0;
    com__uint32_USCOREt *maxBw 0;
    std::string *priority 0;
};
class port__VlanInfo {
  public:
    std::vector<com__StringLen64> vlanName 0;
};
class port__objectList {
  public:
    std::vector<port__AccessObject> moduleObject 0;
};
class fdb__AccessObject {
  public:
    $int __union_AccessObject;
    union _fdb__AccessObject_union {
        fdb__MacTrackingEntry *macTrackingEntry;
    } union_AccessObject;
};
class fdb__MacTrackingEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *macAddress 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class fdb__objectList {
  public:
    std::vector<fdb__AccessObject> moduleObject 0;
};
class aaa__AccessObject {
  public:
    $int __union_AccessObject;
    union _aaa__AccessObject_union {
        aaa__TACACSConfig *tACACSConfig;
        aaa__RadiusConfig *radiusConfig;
        aaa__PasswordPolicy *passwordPolicy;
        aaa__UserAccount *userAccount;
        aaa__Session *session;
        aaa__SessionHistory *sessionHistory;
    } union_AccessObject;
};
class aaa__AccountServerConfig {
  public:
    @std::string objectType 1;
    com__IPAddress *ipAddress 0;
    com__StringLen32 *name 0;
    com__uint16_USCOREt *portNumber 0;
    com__IPAddress *clientIpAddress 0;
    com__StringLen8 *vr 0;
    com__StringLen8 *sharedSecret 0;
    aaa__ServerRoles *serverRole 0;
    std::string *queryParameters 0;
    com__uint32_USCOREt *accountRequests 0;
    com__uint32_USCOREt *accountResponses 0;
    com__uint32_USCOREt *accountRetransmits 0;
    com__uint32_USCOREt *timeout 0;
};
class aaa__AuthorizationServerConfig {
  public:
    @std::string objectType 1;
    com__IPAddress *ipAddress 0;
    com__StringLen32 *name 0;
    com__uint16_USCOREt *portNumber 0;
    com__IPAddress *clientIpAddress 0;
    com__StringLen8 *vr 0;
    com__StringLen8 *sharedSecret 0;
    aaa__ServerRoles *serverRole 0;
    std::string *queryParameters 0;
    com__uint32_USCOREt *accessRequests 0;
    com__uint32_USCOREt *accessAccepts 0;
    com__uint32_USCOREt *accessRejects 0;
    com__uint32_USCOREt *accessChallenges 0;
    com__uint32_USCOREt *accessRetransmits 0;
    com__uint32_USCOREt *timeout 0;
    com__uint32_USCOREt *badAuthenticators 0;
    com__uint32_USCOREt *unknownTypes 0;
    com__uint32_USCOREt *roundTripTime 0;
};
class aaa__BasicServerConfig : public com__KarnBase {
  public:
    com__IPAddress *ipAddress 0;
    com__StringLen32 *name 0;
    com__uint16_USCOREt *portNumber 0;
    com__IPAddress *clientIpAddress 0;
    com__StringLen8 *vr 0;
    com__StringLen8 *sharedSecret 0;
    aaa__ServerRoles *serverRole 0;
};
class aaa__MgmtAccountServerConfig {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__TrueFalse *serverEnabled 0;
    com__uint32_USCOREt *serverTimeout 0;
    aaa__AccountServerConfig *mgmtAccountServer 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__MgmtAuthServerConfig {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__TrueFalse *serverEnabled 0;
    com__uint32_USCOREt *serverTimeout 0;
    aaa__AuthorizationServerConfig *mgmtAuthServer 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__PasswordPolicy : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint16_USCOREt *maxAge 0;
    com__uint8_USCOREt *length 0;
    com__uint8_USCOREt *historyLimit 0;
    com__TrueFalse *lockOnLoginFailureEnabled 0;
    com__TrueFalse *charValidationEnabled 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__RadiusConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    aaa__MgmtAuthServerConfig *mgmtAuthServerConfig 0;
    aaa__MgmtAccountServerConfig *mgmtAccountServerConfig 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__Session : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *Id 0;
    com__StringLen32 *loginTime 0;
    com__StringLen32 *userName 0;
    aaa__SessionType *sessionType 0;
    aaa__AuthorizationType *authorizationType 0;
    com__TrueFalse *opAuthEnabled 0;
    com__IPAddress *clientIpAddress 0;
    com__uint32_USCOREt *idleTime 0;
    com__TrueFalse *currSessionStatus 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__SessionHistory : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint16_USCOREt *lineNumber 0;
    com__StringLen256 *detail 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__TACACSConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__TrueFalse *cliAuthEnabled 0;
    com__TrueFalse *authServerEnabled 0;
    com__uint32_USCOREt *authServerTimeout 0;
    aaa__BasicServerConfig *authServer 0;
    com__TrueFalse *accountServerEnabled 0;
    com__uint8_USCOREt *accountServerTimeout 0;
    aaa__BasicServerConfig *accountServer 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__UserAccount : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *userName 0;
    com__StringLen32 *password 0;
    com__AccessRight *access 0;
    com__uint32_USCOREt *noOfLoginSuccess 0;
    com__uint32_USCOREt *noOfLoginFailures 0;
    std::string *expiryDate 0;
    aaa__PasswordPolicy *passwordPolicy 0;
    com__YesNo *accountLockedOut 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class aaa__objectList {
  public:
    std::vector<aaa__AccessObject> moduleObject 0;
};
class snmp__AccessObject {
  public:
    $int __union_AccessObject;
    union _snmp__AccessObject_union {
        snmp__GeneralConfig *generalConfig;
        snmp__SNMPStats *sNMPStats;
        snmp__VacmViewTreeFamilyEntry *vacmViewTreeFamilyEntry;
        snmp__SnmpCommunityEntry *snmpCommunityEntry;
        snmp__SnmpTargetAddrEntry *snmpTargetAddrEntry;
        snmp__VacmSecurityToGroupEntry *vacmSecurityToGroupEntry;
        snmp__VacmAccessEntry *vacmAccessEntry;
        snmp__UsmUserEntry *usmUserEntry;
    } union_AccessObject;
};
class snmp__GeneralConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__TrueFalse *snmpEnabled 0;
    com__SSHStates *sshAccess 0;
    com__TelnetStates *telnetAccess 0;
    com__TrueFalse *rmonEnabled 0;
    com__StringLen256 *engineId 0;
    com__uint32_USCOREt *engineBoots 0;
    com__uint32_USCOREt *engineTime 0;
    com__uint32_USCOREt *engineMaxMsgSize 0;
    com__TrueFalse *snmpV1V2CEnabled 0;
    com__TrueFalse *snmpTrapsEnabled 0;
    com__TrueFalse *authTrapsEnabled 0;
    com__StringLen32 *systemType 0;
    com__StringLen32 *systemName 0;
    com__StringLen256 *systemLocation 0;
    com__uint32_USCOREt *systemUpTime 0;
    com__StringLen256 *systemDescription 0;
    com__StringLen256 *systemContact 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__SNMPStats : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *getRequest 0;
    com__uint32_USCOREt *setRequest 0;
    com__uint32_USCOREt *getNextRequest 0;
    com__uint32_USCOREt *sentPackets 0;
    com__uint32_USCOREt *sentTraps 0;
    com__uint32_USCOREt *receivedRequest 0;
    com__uint32_USCOREt *authorizationError 0;
    com__uint32_USCOREt *generalError 0;
    com__uint32_USCOREt *unknownSecurityModels 0;
    com__uint32_USCOREt *InvalidMessages 0;
    com__uint32_USCOREt *unknownPDUHandlers 0;
    com__uint32_USCOREt *usmStatsUnsupportedSecLevels 0;
    com__uint32_USCOREt *usmStatsNotInTimeWindows 0;
    com__uint32_USCOREt *usmStatsUnknownUserNames 0;
    com__uint32_USCOREt *usmStatsUnknownEngineIDs 0;
    com__uint32_USCOREt *usmStatsWrongDigests 0;
    com__uint32_USCOREt *usmStatsDecryptionErrors 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__SnmpCommunityEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *snmpCommunityIndex 0;
    com__StringLen1K *snmpCommunityName 0;
    com__StringLen256 *snmpCommunitySecurityName 0;
    com__StringLen256 *snmpCommunityContextEngineID 0;
    com__StringLen256 *snmpCommunityContextName 0;
    com__StringLen256 *snmpCommunityTransportTag 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__SnmpTargetAddrEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *snmpTargetAddrName 0;
    com__StringLen1K *snmpTargetAddrTDomain 0;
    com__StringLen256 *snmpTargetAddrTAddress 0;
    com__uint32_USCOREt *snmpTargetAddrTimeout 0;
    com__uint32_USCOREt *snmpTargetAddrRetryCount 0;
    com__StringLen256 *snmpTargetAddrTagList 0;
    snmp__Modes *mode 0;
    com__StringLen256 *snmpTargetAddrTMask 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__SnmpV1V2CTrapReceiver : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__IPAddress *ipaddress 0;
    com__StringLen256 *community 0;
    com__uint32_USCOREt *port 0;
    com__IPAddress *sourceIpAddress 0;
    snmp__Modes *standardMode 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__UsmUserEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *usmUserEngineID 0;
    com__StringLen256 *usmUserName 0;
    com__StringLen256 *usmUserSecurityName 0;
    snmp__authProtocols *usmUserAuthProtocol 0;
    snmp__PrivacyProtocols *usmUserPrivProtocol 0;
    snmp__PrivacyProtocols *usmUserPublic 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__VacmAccessEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *vacmGroupName 0;
    snmp__ContextMatches *vacmAccessContextMatch 0;
    com__StringLen256 *vacmAccessContextPrefix 0;
    snmp__SecurityModels *vacmAccessSecurityModel 0;
    snmp__SecurityLevels *vacmAccessSecurityLevel 0;
    com__StringLen256 *vacmAccessWriteViewName 0;
    com__StringLen256 *vacmAccessReadViewName 0;
    com__StringLen256 *vacmAccessNotifyViewName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__VacmSecurityToGroupEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    snmp__SecurityModels *vacmSecurityModel 0;
    com__StringLen256 *vacmSecurityName 0;
    com__StringLen256 *vacmGroupName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__VacmViewTreeFamilyEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *vacmViewTreeFamilyViewName 0;
    com__StringLen1K *vacmViewTreeFamilySubtree 0;
    com__StringLen256 *vacmViewTreeFamilyMask 0;
    com__IncludeExcludes *vacmViewTreeFamilyType 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class snmp__objectList {
  public:
    std::vector<snmp__AccessObject> moduleObject 0;
};
class system__AccessObject {
  public:
    $int __union_AccessObject;
    union _system__AccessObject_union {
        system__EntPhysicalEntry *entPhysicalEntry;
        system__Fan *fan;
        system__PowerSupply *powerSupply;
        system__SlotInfo *slotInfo;
        system__SwitchInfo *switchInfo;
        system__StackNodeTopology *stackNodeTopology;
        system__StackNode *stackNode;
    } union_AccessObject;
};
class system__ConfigurationInfo : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *selectedConfig 0;
    com__StringLen256 *bootedConfig 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__EntPhysicalEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *entPhysicalIndex 0;
    com__StringLen256 *entPhysicalDescr 0;
    com__StringLen1K *entPhysicalVendorType 0;
    com__uint32_USCOREt *entPhysicalContainedIn 0;
    system__EntityType *entPhysicalClass 0;
    com__uint32_USCOREt *entPhysicalParentRelPos 0;
    com__StringLen256 *entPhysicalName 0;
    com__StringLen256 *entPhysicalHardwareRev 0;
    com__StringLen256 *entPhysicalFirmwareRev 0;
    com__StringLen256 *entPhysicalSoftwareRev 0;
    com__StringLen256 *entPhysicalSerialNum 0;
    com__StringLen256 *entPhysicalMfgName 0;
    com__StringLen256 *entPhysicalModelName 0;
    com__StringLen256 *entPhysicalAlias 0;
    com__StringLen256 *entPhysicalAssetID 0;
    com__YesNo *entPhysicalIsFRU 0;
    system__HW_USCOREStates *entPhysicalState 0;
    com__StringLen256 *entPhysicalOdometer 0;
    com__StringLen256 *entPhysicalTemperature 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__Fan : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *fanNumber 0;
    com__StringLen256 *partInfo 0;
    system__FanStates *state 0;
    com__StringLen256 *revision 0;
    com__StringLen256 *odometer 0;
    com__uint32_USCOREt *speed 0;
    com__StringLen256 *temperature 0;
    com__StringLen256 *location 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__ImageInfo : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen256 *primaryImage 0;
    com__StringLen256 *secondaryImage 0;
    com__StringLen256 *imageSelected 0;
    com__StringLen256 *imageBooted 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__Odometer : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *serviceStartDate 0;
    com__uint32_USCOREt *serviceDays 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__PowerSupply : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *psNumber 0;
    com__StringLen256 *partInfo 0;
    system__HW_USCOREStates *state 0;
    com__StringLen256 *revision 0;
    com__StringLen256 *odometer 0;
    com__StringLen256 *temperature 0;
    com__StringLen256 *outputVoltages 0;
    com__StringLen256 *inputVoltage 0;
    com__StringLen256 *fanSpeed 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__SlotInfo : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *slotNumber 0;
    com__StringLen32 *nameOfHw 0;
    com__StringLen32 *cardType 0;
    com__StringLen32 *configuredCardType 0;
    com__StringLen256 *cardState 0;
    com__StringLen256 *nodeState 0;
    com__StringLen256 *swVersion 0;
    com__StringLen256 *swBuild 0;
    com__uint16_USCOREt *numberOfPorts 0;
    com__StringLen256 *serialNumber 0;
    com__StringLen256 *flags 0;
    com__StringLen256 *lastError 0;
    com__StringLen256 *selectedConfig 0;
    system__ImageInfo *imageInfo 0;
    com__StringLen256 *temperature 0;
    com__StringLen256 *bootRom 0;
    com__StringLen256 *odometer 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__StackNode : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *slotNumber 0;
    com__StringLen32 *macAddress 0;
    com__NodeStates *state 0;
    com__NodeRoles *role 0;
    com__IPAddress *alternateIP 0;
    com__IPAddress *alternateGateway 0;
    com__ActiveStates *activeFlag 0;
    com__TrueFalse *candidateFlag 0;
    com__TrueFalse *otherFlag 0;
    com__uint32_USCOREt *priority 0;
    com__YesNo *activeTopologyEnabled 0;
    com__YesNo *isMasterCapable 0;
    com__YesNo *masterCapableAfterReboot 0;
    com__YesNo *stackingEnabled 0;
    com__uint8_USCOREt *configSlot 0;
    com__StringLen32 *stackingMacAddress 0;
    system__StackPort *stackPort1 0;
    system__StackPort *stackPort2 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__StackNodeTopology : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint8_USCOREt *slotNumber 0;
    com__StringLen64 *macAddress 0;
    com__uint8_USCOREt *portNumber 0;
    com__ActiveStates *controlPathState 0;
    com__BlockedStates *blockedState 0;
    system__PortStates *linkState 0;
    system__Topologies *stackTopologyType 0;
    system__Topologies *activeTopologyType 0;
};
class system__StackPort : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    system__PortStates *linkState 0;
    com__BlockedStates *blockedState 0;
    com__ActiveStates *controlPathState 0;
};
class system__SwitchInfo : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *jumboFrameSize 0;
    com__StringLen4K *banner 0;
    std::string *currentTime 0;
    std::string *bootTime 0;
    std::string *scheduleBootTime 0;
    com__StringLen256 *macAddress 0;
    com__uint32_USCOREt *bootCount 0;
    com__YesNo *saveConfig 0;
    com__StringLen32 *masterCard 0;
    com__StringLen32 *backupCard 0;
    com__StringLen256 *swVersion 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class system__objectList {
  public:
    std::vector<system__AccessObject> moduleObject 0;
};
class ipfix__AccessObject {
  public:
    $int __union_AccessObject;
    union _ipfix__AccessObject_union {
        ipfix__IpfixGlobalData *ipfixGlobalData;
        ipfix__IpfixPortData *ipfixPortData;
    } union_AccessObject;
};
class ipfix__IpfixGlobalData : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    ipfix__FeatureStatusTypes *ipfixEnabled 0;
    com__uint32_USCOREt *domainID 0;
    com__IPAddress *agentIPAddress 0;
    com__IPAddress *collectorIPAddress 0;
    com__StringLen32 *collectorVirtualRouter 0;
    ipfix__TransportTypes *collectorTransport 0;
    com__uint16_USCOREt *collectorLayer4Port 0;
    com__TrueFalse *flowKeyIPv4SourceAddress 0;
    com__TrueFalse *flowKeyIPv4DestinationAddress 0;
    com__TrueFalse *flowKeyIPv4SourcePort 0;
    com__TrueFalse *flowKeyIPv4DestinationPort 0;
    com__TrueFalse *flowKeyIPv4Layer4Protocol 0;
    com__TrueFalse *flowKeyIPv4TypeOfService 0;
    com__TrueFalse *flowKeyIPv6SourceAddress 0;
    com__TrueFalse *flowKeyIPv6DestinationAddress 0;
    com__TrueFalse *flowKeyIPv6SourcePort 0;
    com__TrueFalse *flowKeyIPv6DestinationPort 0;
    com__TrueFalse *flowKeyIPv6NextHeader 0;
    com__TrueFalse *flowKeyIPv6TypeOfService 0;
    com__TrueFalse *flowKeyIPv6FlowLabel 0;
    com__TrueFalse *flowKeyNonIpSourceMACAddress 0;
    com__TrueFalse *flowKeyNonIpDestinationMACAddress 0;
    com__TrueFalse *flowKeyNonIpVlanId 0;
    com__TrueFalse *flowKeyNonIpEtherType 0;
    com__TrueFalse *flowKeyNonIpPriority 0;
    com__TrueFalse *flowKeyNonIpTagged 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class ipfix__IpfixPortData : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen8 *portList 0;
    ipfix__FeatureStatusTypes *ipfixPortEnabled 0;
    ipfix__FlowDirectionTypes *ipfixFlowDirection 0;
    ipfix__FlowTypes *ipfixFlowType 0;
    ipfix__RecordTypes *ipfixRecordType 0;
    com__IPAddress *ipfixFlowKeyIPv4SourceAddressMask 0;
    com__IPAddress *ipfixFlowKeyIPv4DestinationAddressMask 0;
    com__IPAddress *ipfixFlowKeyIPv6SourceAddressMask 0;
    com__IPAddress *ipfixFlowKeyIPv6DestinationAddressMask 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class ipfix__objectList {
  public:
    std::vector<ipfix__AccessObject> moduleObject 0;
};
class idmgr__AccessObject {
  public:
    $int __union_AccessObject;
    union _idmgr__AccessObject_union {
        idmgr__UserIdentityData *userIdentityData;
        idmgr__IdentityManagerConfig *identityManagerConfig;
        idmgr__KerberosServer *kerberosServer;
        idmgr__DomainConfig *domainConfig;
        idmgr__LdapConfig *ldapConfig;
        idmgr__LdapServerConfig *ldapServerConfig;
        idmgr__UserRole *userRole;
        idmgr__GreyListEntry *greyListEntry;
        idmgr__BlackListEntry *blackListEntry;
        idmgr__WhiteListEntry *whiteListEntry;
        idmgr__RefreshUserRole *refreshUserRole;
        idmgr__ListConfig *listConfig;
        idmgr__ListPrecedence *listPrecedence;
    } union_AccessObject;
};
class idmgr__BlackListEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *EntryIndex 0;
    idmgr__ListEntryTypes *EntryType 0;
    com__StringLen128 *EntryValue 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__DomainConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen64 *domain 0;
    com__TrueFalse *isDefault 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__GreyListEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *EntryIndex 0;
    idmgr__GreyListEntryTypes *EntryType 0;
    com__StringLen128 *EntryValue 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrChild {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *childRoleName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrChildInfo {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__ExtensionType *extension 0;
    std::vector<idmgr__IdMgrChild> child 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrIdentity {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *userName 0;
    com__StringLen32 *domain 0;
    com__StringLen32 *macAddress 0;
    std::string *port 0;
    com__IPAddress *ipAddress 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrIdentityInfo {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__ExtensionType *extension 0;
    std::vector<idmgr__IdMgrIdentity> identity 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrPolicy {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *policyName 0;
    com__StringLen32 *ruleName 0;
    com__uint32_USCOREt *order 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrPolicyInfo {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__ExtensionType *extension 0;
    std::vector<idmgr__IdMgrPolicy> policy 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrVlan {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *name 0;
    com__IPAddress *ipAddress 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdMgrVlanInfo {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__ExtensionType *extension 0;
    std::vector<idmgr__IdMgrVlan> vlan 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__IdentityManagerConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    idmgr__FeatureStatusTypes *featureStatus 0;
    com__uint16_USCOREt *maxIdDatabaseSize 0;
    com__uint16_USCOREt *expiredEntryTimeout 0;
    com__uint16_USCOREt *effectiveExpiredEntryTimeout 0;
    com__StringLen32 *idMgmtEnabledPorts 0;
    idmgr__FeatureStatusTypes *fdbDetectionStatus 0;
    com__StringLen32 *idMgmtFdbDisabledPorts 0;
    idmgr__FeatureStatusTypes *iparpDetectionStatus 0;
    com__StringLen32 *idMgmtIpArpDisabledPorts 0;
    idmgr__FeatureStatusTypes *ipSecurityDetectionStatus 0;
    com__StringLen32 *idMgmtIpSecDisabledPorts 0;
    idmgr__FeatureStatusTypes *kerberosDetectionStatus 0;
    com__StringLen32 *idMgmtKerberosDisabledPorts 0;
    idmgr__FeatureStatusTypes *lldpDetectionStatus 0;
    com__StringLen32 *idMgmtLldpDisabledPorts 0;
    idmgr__FeatureStatusTypes *netloginDetectionStatus 0;
    com__StringLen32 *idMgmtNetloginDisabledPorts 0;
    com__StringLen32 *idMgmtRoleBasedVLANEnabledPorts 0;
    com__int64_USCOREt *databaseModificationTime 0;
    com__TrueFalse *snmpTrapEnabled 0;
    idmgr__AddressTypes *accesslistSrcAddressType 0;
    com__TrueFalse *matchCriteriaInherit 0;
    idmgr__actionTypes *action 0;
    com__uint16_USCOREt *kerberosAgeOutTime 0;
    com__uint16_USCOREt *kerberosForceAgeOutTime 0;
    com__StringLen128 *baseDN 0;
    com__StringLen128 *bindCredential 0;
    com__TrueFalse *encrypted 0;
    com__StringLen32 *password 0;
    com__TrueFalse *netloginDot1xEnabled 0;
    com__TrueFalse *netloginMacEnabled 0;
    com__TrueFalse *netloginWebEnabled 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__KerberosServer : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__IPAddress *ipAddress 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__LdapConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen64 *domain 0;
    com__StringLen128 *baseDN 0;
    com__StringLen128 *bindCredential 0;
    com__TrueFalse *encrypted 0;
    com__StringLen32 *password 0;
    com__TrueFalse *netloginDot1xEnabled 0;
    com__TrueFalse *netloginMacEnabled 0;
    com__TrueFalse *netloginWebEnabled 0;
    com__StringLen256 *hierarchicalSearchOid 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__LdapServerConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen64 *domain 0;
    com__uint16_USCOREt *serverNo 0;
    com__IPAddress *serverIp 0;
    com__StringLen256 *serverHostName 0;
    com__uint16_USCOREt *serverPort 0;
    com__IPAddress *clientIp 0;
    com__StringLen32 *vrName 0;
    idmgr__securityMechanismTypes *securityMechanism 0;
    idmgr__connStatusTypes *connStatus 0;
    com__uint32_USCOREt *requestsStat 0;
    com__uint32_USCOREt *responsesStat 0;
    com__uint32_USCOREt *errorsStat 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__ListConfig : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    idmgr__ListTypes *ListType 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__ListPrecedence : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    idmgr__ListNames *listname1 0;
    idmgr__ListNames *listname2 0;
    idmgr__ListNames *listname3 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__Location {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    std::string *port 0;
    com__StringLen32 *portDisplayString 0;
    com__StringLen32 *macAddress 0;
    com__StringLen32 *roleName 0;
    com__uint32_USCOREt *lldpCapabilityInfo 0;
    com__StringLen32 *lldpModelName 0;
    com__StringLen32 *lldpManufacturer 0;
    com__StringLen256 *lldpSysDescription 0;
    com__StringLen32 *netBiosHostName 0;
    com__TrueFalse *kerberosSnooping 0;
    idmgr__AuthMethodTypes *authMethod 0;
    com__uint32_USCOREt *securityProfile 0;
    com__uint32_USCOREt *securityViolations 0;
    idmgr__LoginStatusTypes *logonStatus 0;
    com__int64_USCOREt *logonTime 0;
    com__int64_USCOREt *logOutTime 0;
    com__int64_USCOREt *authFailTime 0;
    idmgr__IdMgrVlanInfo *vlanInfo 0;
    com__int64_USCOREt *modificationTimestamp 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__RefreshUserRole : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *userName 0;
    com__StringLen64 *domainName 0;
    com__StringLen32 *roleName 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__UserIdentityData : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    idmgr__DatasetTypes *datasetType 0;
    com__StringLen64 *userName 0;
    com__StringLen64 *domain 0;
    com__StringLen32 *roleName 0;
    com__StringLen16 *portList 0;
    com__int64_USCOREt *modificationTimestamp 0;
    idmgr__IdentityManagerEventTypes *eventType 0;
    com__StringLen64 *authProtocolsUsed 0;
    com__uint32_USCOREt *numOfLocations 0;
    com__int64_USCOREt *creationTimestamp 0;
    std::vector<idmgr__Location> location 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__UserRole : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__StringLen32 *roleName 0;
    com__StringLen1K *matchCritera 0;
    com__TrueFalse *isDefaultRole 0;
    com__uint8_USCOREt *priority 0;
    com__uint32_USCOREt *vlanTag 0;
    com__StringLen32 *vrName 0;
    idmgr__IdMgrPolicyInfo *policyInfo 0;
    idmgr__IdMgrChildInfo *childInfo 0;
    com__uint16_USCOREt *noOfIdentities 0;
    idmgr__IdMgrIdentityInfo *identityInfo 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__WhiteListEntry : public com__KarnBase {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__uint32_USCOREt *EntryIndex 0;
    idmgr__ListEntryTypes *EntryType 0;
    com__StringLen128 *EntryValue 0;
    idmgr__actionTypes *action 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class idmgr__objectList {
  public:
    std::vector<idmgr__AccessObject> moduleObject 0;
};
class ems__AccessObject {
  public:
    $int __union_AccessObject;
    union _ems__AccessObject_union {
        ems__EmsEvent *emsEvent;
    } union_AccessObject;
};
class ems__EmsEvent : public com__KarnBase {
  public:
    @xsd__anyAttribute __anyAttribute;
    std::string *name 0;
    std::string *logDate 0;
    std::string *logTime 0;
    std::string *component 0;
    std::string *severity 0;
    std::string *message 0;
    ems__EventParameters *parameters 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class ems__EventParameters {
  public:
    ems__EventParam *param0 0;
    ems__EventParam *param1 0;
    ems__EventParam *param2 0;
    ems__EventParam *param3 0;
    ems__EventParam *param4 0;
    ems__EventParam *param5 0;
    ems__EventParam *param6 0;
    ems__EventParam *param7 0;
    ems__EventParam *param8 0;
    ems__EventParam *param9 0;
};
class event__EventCommon {
  public:
    @xsd__anyAttribute __anyAttribute;
    std::vector<xsd__anyType> __any;
};
class event__KarnEvent {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__KarnBase *object 0;
    event__EventCommon *eventCommon 0;
};
class ns2__DHCPConfig {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__IPAddress *startIpAddress 0;
    com__IPAddress *endIpAddress 0;
    com__uint32_USCOREt *leaseTime 0;
    ns2__DHCPOptions *options 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class ns2__DHCPOptions {
  public:
    @com__editOperationType *com__operation 0;
    @xsd__anyAttribute __anyAttribute;
    com__IPAddress *defaultGWIpAddress 0;
    com__IPAddress *dnsServerIpAddress 0;
    com__IPAddress *winServerIpAddress 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
