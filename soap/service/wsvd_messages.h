// Request and response messages in soapcpp2 notation (imported by wsvd_service.h.in).
// A leading underscore declares an element: the class is the element's anonymous type.

class _com__openSessionRequest {
  public:
    com__session *session 0;
};
class _com__openSessionReply {
  public:
    com__session *session 0;
};
class _com__closeSessionRequest {
  public:
    com__StringLen32 *sessionId 0;
};
class _com__closeSessionReply {
  public:
};
class _com__keepAliveRequest {
  public:
    com__ClientHeader *hdr 0;
};
class _com__keepAliveReply {
  public:
    @std::string *operation 0;
    time_t *lastChangeTime 0;
    com__ClientHeader *hdr 0;
    com__ExtensionType *extension 0;
    std::vector<xsd__anyType> __any;
};
class _switch__getRequest {
  public:
    @std::string *action 0;
    @int *maxSize 0;
    @xsd__anyAttribute __anyAttribute;
    com__ClientHeader *hdr 0;
    com__KarnBase *filter 0;
    std::vector<xsd__anyType> __any;
};
class _switch__getResponse {
  public:
    _XML __result;
};
class _switch__setRequest {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__ClientHeader *hdr 0;
    com__KarnBase *filter 0;
    std::vector<xsd__anyType> __any;
};
class _switch__setResponse {
  public:
    _XML __result;
};
class _switch__createRequest {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__ClientHeader *hdr 0;
    com__KarnBase *filter 0;
    std::vector<xsd__anyType> __any;
};
class _switch__createResponse {
  public:
    _XML __result;
};
class _switch__deleteRequest {
  public:
    @xsd__anyAttribute __anyAttribute;
    com__ClientHeader *hdr 0;
    com__KarnBase *filter 0;
    std::vector<xsd__anyType> __any;
};
class _switch__deleteResponse {
  public:
    _XML __result;
};
class _upm__createProfileRequest {
  public:
    upm__profileDetail *profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__createProfileResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__getProfileRequest {
  public:
    com__StringLen256 *profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__getProfileReply {
  public:
    upm__profileDetail *profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__deleteProfileRequest {
  public:
    com__StringLen256 *profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__deleteProfileResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__bindProfileRequest {
  public:
    com__StringLen256 *profileName 0;
    com__StringLen256 *portList 0;
    upm__eventStruct *eventObject 0;
    com__ClientHeader *hdr 0;
};
class _upm__bindProfileResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__unbindProfileRequest {
  public:
    com__StringLen256 *profileName 0;
    com__StringLen256 *portList 0;
    upm__eventStruct *eventObject 0;
    com__ClientHeader *hdr 0;
};
class _upm__unbindProfileResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__getAllProfileRequest {
  public:
    bool *contentRequired 0;
    com__ClientHeader *hdr 0;
};
class _upm__getAllProfileReply {
  public:
    std::vector<upm__profileDetail> profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__getAllTimersRequest {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__getAllTimersResponse {
  public:
    std::vector<upm__timer> timer 0;
    com__ClientHeader *hdr 0;
};
class _upm__createTimerRequest {
  public:
    upm__timer *timer 0;
    com__ClientHeader *hdr 0;
};
class _upm__createTimerResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__deleteTimerRequest {
  public:
    com__StringLen256 *timer 0;
    com__ClientHeader *hdr 0;
};
class _upm__deleteTimerResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__runScriptRequest {
  public:
    com__StringLen32 *profileName 0;
    upm__eventEnums *event 0;
    com__StringLen256 *portList 0;
    com__StringLen4K *parameters 0;
    com__ClientHeader *hdr 0;
};
class _upm__runScriptReply {
  public:
    com__uint32_USCOREt *executionId 0;
    com__ClientHeader *hdr 0;
};
// Either one result by its id or the first numberOfRecords results; a request with
// neither is answered "Missing argument".
class _upm__getExecutionResultRequest {
  public:
    $int __union_getExecutionResultRequest 0;
    union _upm__getExecutionResultRequest_union {
        com__uint32_USCOREt executionId;
        com__uint32_USCOREt numberOfRecords;
    } union_getExecutionResultRequest;
    com__ClientHeader *hdr 0;
};
class _upm__getExecutionResultReply {
  public:
    std::vector<upm__executionResult> executionResults 0;
    com__ClientHeader *hdr 0;
};
class _upm__editProfileRequest {
  public:
    upm__profileDetail *profile 0;
    com__ClientHeader *hdr 0;
};
class _upm__editProfileResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__saveConfigRequest {
  public:
    com__ClientHeader *hdr 0;
};
class _upm__saveConfigResponse {
  public:
    com__ClientHeader *hdr 0;
};
class _qtnacl__setDynamicAcl {
  public:
    qtn__Policy_AclRule *rule 0;
};
class _qtnacl__setDynamicAclResponse {
  public:
};
class _qtnacl__deleteDynamicAcl {
  public:
    std::string *name 0;
    std::string *applicationName 0;
};
class _qtnacl__deleteDynamicAclResponse {
  public:
};
class _qtnacl__getDynamicAcl {
  public:
    std::string *name 0;
};
class _qtnacl__getDynamicAclResponse {
  public:
    qtn__Policy_AclRule *reply 0;
};
class _qtnacl__listDynamicAcl {
  public:
};
class _qtnacl__listDynamicAclResponse {
  public:
    qtn__Common_StringSequence *reply 0;
};
class _qtnacl__insertDynamicAclOnInterface {
  public:
    std::string *vlan 0;
    std::string *port 0;
    std::string *newRule 0;
    std::string *existingRule 0;
    qtn__Acl_InsertDirection *direction 0;
    qtn__Acl_Direction *portDirection 0;
    int *priority 0;
    std::string *zone 0;
    std::string *applicationName 0;
};
class _qtnacl__insertDynamicAclOnInterfaceResponse {
  public:
};
class _qtnacl__removeDynamicAclOnInterface {
  public:
    std::string *vlan 0;
    std::string *port 0;
    std::string *rule 0;
    qtn__Acl_Direction *portDirection 0;
    std::string *applicationName 0;
};
class _qtnacl__removeDynamicAclOnInterfaceResponse {
  public:
};
class _qtnacl__removeDynamicAclOnAllInterfaces {
  public:
    std::string *rule 0;
    std::string *applicationName 0;
};
class _qtnacl__removeDynamicAclOnAllInterfacesResponse {
  public:
};
class _qtnacl__listDynamicAclOnInterface {
  public:
    std::string *vlan 0;
    std::string *port 0;
    qtn__Acl_Direction *direction 0;
};
class _qtnacl__listDynamicAclOnInterfaceResponse {
  public:
    qtn__Common_StringSequence *reply 0;
};
class _qtncfg__execConfig {
  public:
    std::string *config 0;
};
class _qtncfg__execConfigResponse {
  public:
};
class _qtncfg__execCli {
  public:
    std::string *command 0;
};
class _qtncfg__execCliResponse {
  public:
    std::string *reply 0;
};
class _qtnfdb__createFdb {
  public:
    std::string *macAddress 0;
    std::string *vlan 0;
    std::string *port 0;
};
class _qtnfdb__createFdbResponse {
  public:
};
class _qtnfdb__deleteFdb {
  public:
    std::string *macAddress 0;
    std::string *vlan 0;
};
class _qtnfdb__deleteFdbResponse {
  public:
};
class _qtnfdb__getFdb {
  public:
    std::string *macAddress 0;
};
class _qtnfdb__getFdbResponse {
  public:
    qtn__Fdb_FdbEntry *reply 0;
};
class _qtnfdb__getAllFdb {
  public:
};
class _qtnfdb__getAllFdbResponse {
  public:
    qtn__Fdb_FdbEntrySequence *reply 0;
};
class _qtnpol__savePolicy {
  public:
    std::string *name 0;
    qtn__Policy_AclRuleSequence *aclRules 0;
    qtn__Policy_TripwatchRuleSequence *tripwatchRules 0;
};
class _qtnpol__savePolicyResponse {
  public:
};
class _qtnpol__deletePolicy {
  public:
    std::string *name 0;
};
class _qtnpol__deletePolicyResponse {
  public:
};
class _qtnpol__getPolicy {
  public:
    std::string *name 0;
};
class _qtnpol__getPolicyResponse {
  public:
    qtn__Policy_Policy *reply 0;
};
class _qtnpol__refreshPolicy {
  public:
    std::string *name 0;
};
class _qtnpol__refreshPolicyResponse {
  public:
};
class _qtnpol__listPolicy {
  public:
};
class _qtnpol__listPolicyResponse {
  public:
    qtn__Common_StringSequence *reply 0;
};
class _qtnpol__bindPolicyOnInterface {
  public:
    std::string *name 0;
    std::string *vlan 0;
    std::string *port 0;
    qtn__Acl_Direction *direction 0;
};
class _qtnpol__bindPolicyOnInterfaceResponse {
  public:
};
class _qtnpol__unbindPolicyOnInterface {
  public:
    std::string *name 0;
    std::string *vlan 0;
    std::string *port 0;
    qtn__Acl_Direction *direction 0;
};
class _qtnpol__unbindPolicyOnInterfaceResponse {
  public:
};
class _qtnpol__listPolicyOnInterface {
  public:
    std::string *vlan 0;
    std::string *port 0;
    qtn__Acl_Direction *direction 0;
};
class _qtnpol__listPolicyOnInterfaceResponse {
  public:
    std::string *reply 0;
};
class _qtnvlan__createVlan {
  public:
    std::string *name 0;
    std::string *vr 0;
};
class _qtnvlan__createVlanResponse {
  public:
};
class _qtnvlan__deleteVlan {
  public:
    std::string *name 0;
    std::string *vr 0;
};
class _qtnvlan__deleteVlanResponse {
  public:
};
class _qtnvlan__getVlan {
  public:
    std::string *name 0;
    std::string *vr 0;
};
class _qtnvlan__getVlanResponse {
  public:
    qtn__Vlan_VlanEntry *reply 0;
};
class _qtnvlan__getAllVlan {
  public:
};
class _qtnvlan__getAllVlanResponse {
  public:
    qtn__Vlan_VlanEntrySequence *reply 0;
};
