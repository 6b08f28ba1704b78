// The operation functions that the generated dispatcher calls, each forwarding to its
// entry of gWsvdSoapHandlers, and the default table.
#include "soap/wsvd_handlers.h"

const wsvdSoapHandlers gWsvdSoapDefaultHandlers = {
    wsvdOpNetconfRpc,
    wsvdOpSwitchGet,
    wsvdOpSwitchSet,
    wsvdOpSwitchCreate,
    wsvdOpSwitchDelete,
    wsvdOpOpenSession,
    wsvdOpCloseSession,
    wsvdOpKeepAlive,
    wsvdOpUpmCreateProfile,
    wsvdOpUpmGetProfile,
    wsvdOpUpmDeleteProfile,
    wsvdOpUpmBindProfile,
    wsvdOpUpmUnbindProfile,
    wsvdOpUpmGetAllProfile,
    wsvdOpUpmGetAllTimers,
    wsvdOpUpmCreateTimer,
    wsvdOpUpmDeleteTimer,
    wsvdOpUpmRunScript,
    wsvdOpUpmGetExecutionResult,
    wsvdOpUpmEditProfile,
    wsvdOpUpmSaveConfig,
    wsvdOpSetDynamicAcl,
    wsvdOpDeleteDynamicAcl,
    wsvdOpGetDynamicAcl,
    wsvdOpListDynamicAcl,
    wsvdOpInsertDynamicAclOnInterface,
    wsvdOpRemoveDynamicAclOnInterface,
    wsvdOpRemoveDynamicAclOnAllInterfaces,
    wsvdOpListDynamicAclOnInterface,
    wsvdOpExecConfig,
    wsvdOpExecCli,
    wsvdOpCreateFdb,
    wsvdOpDeleteFdb,
    wsvdOpGetFdb,
    wsvdOpGetAllFdb,
    wsvdOpSavePolicy,
    wsvdOpDeletePolicy,
    wsvdOpGetPolicy,
    wsvdOpRefreshPolicy,
    wsvdOpListPolicy,
    wsvdOpBindPolicyOnInterface,
    wsvdOpUnbindPolicyOnInterface,
    wsvdOpListPolicyOnInterface,
    wsvdOpCreateVlan,
    wsvdOpDeleteVlan,
    wsvdOpGetVlan,
    wsvdOpGetAllVlan,
};

wsvdSoapHandlers gWsvdSoapHandlers = gWsvdSoapDefaultHandlers;

// event:post and netb:hello are never served: the generic client fault answers them.
int __com__post(struct soap *, event__KarnEvent *) {
    return SOAP_CLI_FAULT;
}
int __com__hello(struct soap *, _netb__hello *) {
    return SOAP_CLI_FAULT;
}

int __com__rpc(struct soap *soap, netb__rpcType *request, _netb__rpc_reply &response) {
    return gWsvdSoapHandlers.netconfRpc(soap, request, response);
}
int __com__get(struct soap *soap, _switch__getRequest *request, _switch__getResponse &response) {
    return gWsvdSoapHandlers.switchGet(soap, request, response);
}
int __com__set(struct soap *soap, _switch__setRequest *request, _switch__setResponse &response) {
    return gWsvdSoapHandlers.switchSet(soap, request, response);
}
int __com__create(struct soap *soap, _switch__createRequest *request,
                  _switch__createResponse &response) {
    return gWsvdSoapHandlers.switchCreate(soap, request, response);
}
int __com__delete(struct soap *soap, _switch__deleteRequest *request,
                  _switch__deleteResponse &response) {
    return gWsvdSoapHandlers.switchDelete(soap, request, response);
}
int __com__openSession(struct soap *soap, _com__openSessionRequest *request,
                       _com__openSessionReply &response) {
    return gWsvdSoapHandlers.openSession(soap, request, response);
}
int __com__closeSession(struct soap *soap, _com__closeSessionRequest *request,
                        _com__closeSessionReply &response) {
    return gWsvdSoapHandlers.closeSession(soap, request, response);
}
int __com__keepAlive(struct soap *soap, _com__keepAliveRequest *request,
                     _com__keepAliveReply &response) {
    return gWsvdSoapHandlers.keepAlive(soap, request, response);
}
int __com__createProfile(struct soap *soap, _upm__createProfileRequest *request,
                         _upm__createProfileResponse &response) {
    return gWsvdSoapHandlers.upmCreateProfile(soap, request, response);
}
int __com__getProfile(struct soap *soap, _upm__getProfileRequest *request,
                      _upm__getProfileReply &response) {
    return gWsvdSoapHandlers.upmGetProfile(soap, request, response);
}
int __com__deleteProfile(struct soap *soap, _upm__deleteProfileRequest *request,
                         _upm__deleteProfileResponse &response) {
    return gWsvdSoapHandlers.upmDeleteProfile(soap, request, response);
}
int __com__bindProfile(struct soap *soap, _upm__bindProfileRequest *request,
                       _upm__bindProfileResponse &response) {
    return gWsvdSoapHandlers.upmBindProfile(soap, request, response);
}
int __com__unbindProfile(struct soap *soap, _upm__unbindProfileRequest *request,
                         _upm__unbindProfileResponse &response) {
    return gWsvdSoapHandlers.upmUnbindProfile(soap, request, response);
}
int __com__getAllProfile(struct soap *soap, _upm__getAllProfileRequest *request,
                         _upm__getAllProfileReply &response) {
    return gWsvdSoapHandlers.upmGetAllProfile(soap, request, response);
}
int __com__getAllTimers(struct soap *soap, _upm__getAllTimersRequest *request,
                        _upm__getAllTimersResponse &response) {
    return gWsvdSoapHandlers.upmGetAllTimers(soap, request, response);
}
int __com__createTimer(struct soap *soap, _upm__createTimerRequest *request,
                       _upm__createTimerResponse &response) {
    return gWsvdSoapHandlers.upmCreateTimer(soap, request, response);
}
int __com__deleteTimer(struct soap *soap, _upm__deleteTimerRequest *request,
                       _upm__deleteTimerResponse &response) {
    return gWsvdSoapHandlers.upmDeleteTimer(soap, request, response);
}
int __com__runScript(struct soap *soap, _upm__runScriptRequest *request,
                     _upm__runScriptReply &response) {
    return gWsvdSoapHandlers.upmRunScript(soap, request, response);
}
int __com__getExecutionResult(struct soap *soap, _upm__getExecutionResultRequest *request,
                              _upm__getExecutionResultReply &response) {
    return gWsvdSoapHandlers.upmGetExecutionResult(soap, request, response);
}
int __com__editProfile(struct soap *soap, _upm__editProfileRequest *request,
                       _upm__editProfileResponse &response) {
    return gWsvdSoapHandlers.upmEditProfile(soap, request, response);
}
int __com__saveConfig(struct soap *soap, _upm__saveConfigRequest *request,
                      _upm__saveConfigResponse &response) {
    return gWsvdSoapHandlers.upmSaveConfig(soap, request, response);
}
int __com__setDynamicAcl(struct soap *soap, _qtnacl__setDynamicAcl *request,
                         _qtnacl__setDynamicAclResponse &response) {
    return gWsvdSoapHandlers.setDynamicAcl(soap, request, response);
}
int __com__deleteDynamicAcl(struct soap *soap, _qtnacl__deleteDynamicAcl *request,
                            _qtnacl__deleteDynamicAclResponse &response) {
    return gWsvdSoapHandlers.deleteDynamicAcl(soap, request, response);
}
int __com__getDynamicAcl(struct soap *soap, _qtnacl__getDynamicAcl *request,
                         _qtnacl__getDynamicAclResponse &response) {
    return gWsvdSoapHandlers.getDynamicAcl(soap, request, response);
}
int __com__listDynamicAcl(struct soap *soap, _qtnacl__listDynamicAcl *request,
                          _qtnacl__listDynamicAclResponse &response) {
    return gWsvdSoapHandlers.listDynamicAcl(soap, request, response);
}
int __com__insertDynamicAclOnInterface(struct soap *soap,
                                       _qtnacl__insertDynamicAclOnInterface *request,
                                       _qtnacl__insertDynamicAclOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.insertDynamicAclOnInterface(soap, request, response);
}
int __com__removeDynamicAclOnInterface(struct soap *soap,
                                       _qtnacl__removeDynamicAclOnInterface *request,
                                       _qtnacl__removeDynamicAclOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.removeDynamicAclOnInterface(soap, request, response);
}
int __com__removeDynamicAclOnAllInterfaces(
    struct soap *soap, _qtnacl__removeDynamicAclOnAllInterfaces *request,
    _qtnacl__removeDynamicAclOnAllInterfacesResponse &response) {
    return gWsvdSoapHandlers.removeDynamicAclOnAllInterfaces(soap, request, response);
}
int __com__listDynamicAclOnInterface(struct soap *soap, _qtnacl__listDynamicAclOnInterface *request,
                                     _qtnacl__listDynamicAclOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.listDynamicAclOnInterface(soap, request, response);
}
int __com__execConfig(struct soap *soap, _qtncfg__execConfig *request,
                      _qtncfg__execConfigResponse &response) {
    return gWsvdSoapHandlers.execConfig(soap, request, response);
}
int __com__execCli(struct soap *soap, _qtncfg__execCli *request,
                   _qtncfg__execCliResponse &response) {
    return gWsvdSoapHandlers.execCli(soap, request, response);
}
int __com__createFdb(struct soap *soap, _qtnfdb__createFdb *request,
                     _qtnfdb__createFdbResponse &response) {
    return gWsvdSoapHandlers.createFdb(soap, request, response);
}
int __com__deleteFdb(struct soap *soap, _qtnfdb__deleteFdb *request,
                     _qtnfdb__deleteFdbResponse &response) {
    return gWsvdSoapHandlers.deleteFdb(soap, request, response);
}
int __com__getFdb(struct soap *soap, _qtnfdb__getFdb *request, _qtnfdb__getFdbResponse &response) {
    return gWsvdSoapHandlers.getFdb(soap, request, response);
}
int __com__getAllFdb(struct soap *soap, _qtnfdb__getAllFdb *request,
                     _qtnfdb__getAllFdbResponse &response) {
    return gWsvdSoapHandlers.getAllFdb(soap, request, response);
}
int __com__savePolicy(struct soap *soap, _qtnpol__savePolicy *request,
                      _qtnpol__savePolicyResponse &response) {
    return gWsvdSoapHandlers.savePolicy(soap, request, response);
}
int __com__deletePolicy(struct soap *soap, _qtnpol__deletePolicy *request,
                        _qtnpol__deletePolicyResponse &response) {
    return gWsvdSoapHandlers.deletePolicy(soap, request, response);
}
int __com__getPolicy(struct soap *soap, _qtnpol__getPolicy *request,
                     _qtnpol__getPolicyResponse &response) {
    return gWsvdSoapHandlers.getPolicy(soap, request, response);
}
int __com__refreshPolicy(struct soap *soap, _qtnpol__refreshPolicy *request,
                         _qtnpol__refreshPolicyResponse &response) {
    return gWsvdSoapHandlers.refreshPolicy(soap, request, response);
}
int __com__listPolicy(struct soap *soap, _qtnpol__listPolicy *request,
                      _qtnpol__listPolicyResponse &response) {
    return gWsvdSoapHandlers.listPolicy(soap, request, response);
}
int __com__bindPolicyOnInterface(struct soap *soap, _qtnpol__bindPolicyOnInterface *request,
                                 _qtnpol__bindPolicyOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.bindPolicyOnInterface(soap, request, response);
}
int __com__unbindPolicyOnInterface(struct soap *soap, _qtnpol__unbindPolicyOnInterface *request,
                                   _qtnpol__unbindPolicyOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.unbindPolicyOnInterface(soap, request, response);
}
int __com__listPolicyOnInterface(struct soap *soap, _qtnpol__listPolicyOnInterface *request,
                                 _qtnpol__listPolicyOnInterfaceResponse &response) {
    return gWsvdSoapHandlers.listPolicyOnInterface(soap, request, response);
}
int __com__createVlan(struct soap *soap, _qtnvlan__createVlan *request,
                      _qtnvlan__createVlanResponse &response) {
    return gWsvdSoapHandlers.createVlan(soap, request, response);
}
int __com__deleteVlan(struct soap *soap, _qtnvlan__deleteVlan *request,
                      _qtnvlan__deleteVlanResponse &response) {
    return gWsvdSoapHandlers.deleteVlan(soap, request, response);
}
int __com__getVlan(struct soap *soap, _qtnvlan__getVlan *request,
                   _qtnvlan__getVlanResponse &response) {
    return gWsvdSoapHandlers.getVlan(soap, request, response);
}
int __com__getAllVlan(struct soap *soap, _qtnvlan__getAllVlan *request,
                      _qtnvlan__getAllVlanResponse &response) {
    return gWsvdSoapHandlers.getAllVlan(soap, request, response);
}
