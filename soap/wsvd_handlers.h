// Handler table of the SOAP service: one entry per operation, in dispatch order.
// The generated dispatcher calls the operation functions of wsvd_handlers.cc, which
// call the entry here; the defaults are the handlers of each family (soap/ops_*.cc
// until the family's subsystem provides its own). A handler returns 0 with the
// response filled, or the code of soap_sender_fault (see wsvd_soap.h).
#pragma once
#include "soapH.h"

struct wsvdSoapHandlers {
    int (*netconfRpc)(struct soap *, netb__rpcType *, _netb__rpc_reply &);
    int (*switchGet)(struct soap *, _switch__getRequest *, _switch__getResponse &);
    int (*switchSet)(struct soap *, _switch__setRequest *, _switch__setResponse &);
    int (*switchCreate)(struct soap *, _switch__createRequest *, _switch__createResponse &);
    int (*switchDelete)(struct soap *, _switch__deleteRequest *, _switch__deleteResponse &);
    int (*openSession)(struct soap *, _com__openSessionRequest *, _com__openSessionReply &);
    int (*closeSession)(struct soap *, _com__closeSessionRequest *, _com__closeSessionReply &);
    int (*keepAlive)(struct soap *, _com__keepAliveRequest *, _com__keepAliveReply &);
    int (*upmCreateProfile)(struct soap *, _upm__createProfileRequest *,
                            _upm__createProfileResponse &);
    int (*upmGetProfile)(struct soap *, _upm__getProfileRequest *, _upm__getProfileReply &);
    int (*upmDeleteProfile)(struct soap *, _upm__deleteProfileRequest *,
                            _upm__deleteProfileResponse &);
    int (*upmBindProfile)(struct soap *, _upm__bindProfileRequest *, _upm__bindProfileResponse &);
    int (*upmUnbindProfile)(struct soap *, _upm__unbindProfileRequest *,
                            _upm__unbindProfileResponse &);
    int (*upmGetAllProfile)(struct soap *, _upm__getAllProfileRequest *,
                            _upm__getAllProfileReply &);
    int (*upmGetAllTimers)(struct soap *, _upm__getAllTimersRequest *,
                           _upm__getAllTimersResponse &);
    int (*upmCreateTimer)(struct soap *, _upm__createTimerRequest *, _upm__createTimerResponse &);
    int (*upmDeleteTimer)(struct soap *, _upm__deleteTimerRequest *, _upm__deleteTimerResponse &);
    int (*upmRunScript)(struct soap *, _upm__runScriptRequest *, _upm__runScriptReply &);
    int (*upmGetExecutionResult)(struct soap *, _upm__getExecutionResultRequest *,
                                 _upm__getExecutionResultReply &);
    int (*upmEditProfile)(struct soap *, _upm__editProfileRequest *, _upm__editProfileResponse &);
    int (*upmSaveConfig)(struct soap *, _upm__saveConfigRequest *, _upm__saveConfigResponse &);
    int (*setDynamicAcl)(struct soap *, _qtnacl__setDynamicAcl *, _qtnacl__setDynamicAclResponse &);
    int (*deleteDynamicAcl)(struct soap *, _qtnacl__deleteDynamicAcl *,
                            _qtnacl__deleteDynamicAclResponse &);
    int (*getDynamicAcl)(struct soap *, _qtnacl__getDynamicAcl *, _qtnacl__getDynamicAclResponse &);
    int (*listDynamicAcl)(struct soap *, _qtnacl__listDynamicAcl *,
                          _qtnacl__listDynamicAclResponse &);
    int (*insertDynamicAclOnInterface)(struct soap *, _qtnacl__insertDynamicAclOnInterface *,
                                       _qtnacl__insertDynamicAclOnInterfaceResponse &);
    int (*removeDynamicAclOnInterface)(struct soap *, _qtnacl__removeDynamicAclOnInterface *,
                                       _qtnacl__removeDynamicAclOnInterfaceResponse &);
    int (*removeDynamicAclOnAllInterfaces)(struct soap *,
                                           _qtnacl__removeDynamicAclOnAllInterfaces *,
                                           _qtnacl__removeDynamicAclOnAllInterfacesResponse &);
    int (*listDynamicAclOnInterface)(struct soap *, _qtnacl__listDynamicAclOnInterface *,
                                     _qtnacl__listDynamicAclOnInterfaceResponse &);
    int (*execConfig)(struct soap *, _qtncfg__execConfig *, _qtncfg__execConfigResponse &);
    int (*execCli)(struct soap *, _qtncfg__execCli *, _qtncfg__execCliResponse &);
    int (*createFdb)(struct soap *, _qtnfdb__createFdb *, _qtnfdb__createFdbResponse &);
    int (*deleteFdb)(struct soap *, _qtnfdb__deleteFdb *, _qtnfdb__deleteFdbResponse &);
    int (*getFdb)(struct soap *, _qtnfdb__getFdb *, _qtnfdb__getFdbResponse &);
    int (*getAllFdb)(struct soap *, _qtnfdb__getAllFdb *, _qtnfdb__getAllFdbResponse &);
    int (*savePolicy)(struct soap *, _qtnpol__savePolicy *, _qtnpol__savePolicyResponse &);
    int (*deletePolicy)(struct soap *, _qtnpol__deletePolicy *, _qtnpol__deletePolicyResponse &);
    int (*getPolicy)(struct soap *, _qtnpol__getPolicy *, _qtnpol__getPolicyResponse &);
    int (*refreshPolicy)(struct soap *, _qtnpol__refreshPolicy *, _qtnpol__refreshPolicyResponse &);
    int (*listPolicy)(struct soap *, _qtnpol__listPolicy *, _qtnpol__listPolicyResponse &);
    int (*bindPolicyOnInterface)(struct soap *, _qtnpol__bindPolicyOnInterface *,
                                 _qtnpol__bindPolicyOnInterfaceResponse &);
    int (*unbindPolicyOnInterface)(struct soap *, _qtnpol__unbindPolicyOnInterface *,
                                   _qtnpol__unbindPolicyOnInterfaceResponse &);
    int (*listPolicyOnInterface)(struct soap *, _qtnpol__listPolicyOnInterface *,
                                 _qtnpol__listPolicyOnInterfaceResponse &);
    int (*createVlan)(struct soap *, _qtnvlan__createVlan *, _qtnvlan__createVlanResponse &);
    int (*deleteVlan)(struct soap *, _qtnvlan__deleteVlan *, _qtnvlan__deleteVlanResponse &);
    int (*getVlan)(struct soap *, _qtnvlan__getVlan *, _qtnvlan__getVlanResponse &);
    int (*getAllVlan)(struct soap *, _qtnvlan__getAllVlan *, _qtnvlan__getAllVlanResponse &);
};

// The table the operations go through; tests and subsystems may replace entries.
extern wsvdSoapHandlers gWsvdSoapHandlers;
// The default table (every entry the family handler declared below).
extern const wsvdSoapHandlers gWsvdSoapDefaultHandlers;

// Family handlers, defined in soap/ops_<family>.cc or in the subsystem that owns them.
int wsvdOpNetconfRpc(struct soap *soap, netb__rpcType *request, _netb__rpc_reply &response);
int wsvdOpSwitchGet(struct soap *soap, _switch__getRequest *request,
                    _switch__getResponse &response);
int wsvdOpSwitchSet(struct soap *soap, _switch__setRequest *request,
                    _switch__setResponse &response);
int wsvdOpSwitchCreate(struct soap *soap, _switch__createRequest *request,
                       _switch__createResponse &response);
int wsvdOpSwitchDelete(struct soap *soap, _switch__deleteRequest *request,
                       _switch__deleteResponse &response);
int wsvdOpOpenSession(struct soap *soap, _com__openSessionRequest *request,
                      _com__openSessionReply &response);
int wsvdOpCloseSession(struct soap *soap, _com__closeSessionRequest *request,
                       _com__closeSessionReply &response);
int wsvdOpKeepAlive(struct soap *soap, _com__keepAliveRequest *request,
                    _com__keepAliveReply &response);
int wsvdOpUpmCreateProfile(struct soap *soap, _upm__createProfileRequest *request,
                           _upm__createProfileResponse &response);
int wsvdOpUpmGetProfile(struct soap *soap, _upm__getProfileRequest *request,
                        _upm__getProfileReply &response);
int wsvdOpUpmDeleteProfile(struct soap *soap, _upm__deleteProfileRequest *request,
                           _upm__deleteProfileResponse &response);
int wsvdOpUpmBindProfile(struct soap *soap, _upm__bindProfileRequest *request,
                         _upm__bindProfileResponse &response);
int wsvdOpUpmUnbindProfile(struct soap *soap, _upm__unbindProfileRequest *request,
                           _upm__unbindProfileResponse &response);
int wsvdOpUpmGetAllProfile(struct soap *soap, _upm__getAllProfileRequest *request,
                           _upm__getAllProfileReply &response);
int wsvdOpUpmGetAllTimers(struct soap *soap, _upm__getAllTimersRequest *request,
                          _upm__getAllTimersResponse &response);
int wsvdOpUpmCreateTimer(struct soap *soap, _upm__createTimerRequest *request,
                         _upm__createTimerResponse &response);
int wsvdOpUpmDeleteTimer(struct soap *soap, _upm__deleteTimerRequest *request,
                         _upm__deleteTimerResponse &response);
int wsvdOpUpmRunScript(struct soap *soap, _upm__runScriptRequest *request,
                       _upm__runScriptReply &response);
int wsvdOpUpmGetExecutionResult(struct soap *soap, _upm__getExecutionResultRequest *request,
                                _upm__getExecutionResultReply &response);
int wsvdOpUpmEditProfile(struct soap *soap, _upm__editProfileRequest *request,
                         _upm__editProfileResponse &response);
int wsvdOpUpmSaveConfig(struct soap *soap, _upm__saveConfigRequest *request,
                        _upm__saveConfigResponse &response);
int wsvdOpSetDynamicAcl(struct soap *soap, _qtnacl__setDynamicAcl *request,
                        _qtnacl__setDynamicAclResponse &response);
int wsvdOpDeleteDynamicAcl(struct soap *soap, _qtnacl__deleteDynamicAcl *request,
                           _qtnacl__deleteDynamicAclResponse &response);
int wsvdOpGetDynamicAcl(struct soap *soap, _qtnacl__getDynamicAcl *request,
                        _qtnacl__getDynamicAclResponse &response);
int wsvdOpListDynamicAcl(struct soap *soap, _qtnacl__listDynamicAcl *request,
                         _qtnacl__listDynamicAclResponse &response);
int wsvdOpInsertDynamicAclOnInterface(struct soap *soap,
                                      _qtnacl__insertDynamicAclOnInterface *request,
                                      _qtnacl__insertDynamicAclOnInterfaceResponse &response);
int wsvdOpRemoveDynamicAclOnInterface(struct soap *soap,
                                      _qtnacl__removeDynamicAclOnInterface *request,
                                      _qtnacl__removeDynamicAclOnInterfaceResponse &response);
int wsvdOpRemoveDynamicAclOnAllInterfaces(
    struct soap *soap, _qtnacl__removeDynamicAclOnAllInterfaces *request,
    _qtnacl__removeDynamicAclOnAllInterfacesResponse &response);
int wsvdOpListDynamicAclOnInterface(struct soap *soap, _qtnacl__listDynamicAclOnInterface *request,
                                    _qtnacl__listDynamicAclOnInterfaceResponse &response);
int wsvdOpExecConfig(struct soap *soap, _qtncfg__execConfig *request,
                     _qtncfg__execConfigResponse &response);
int wsvdOpExecCli(struct soap *soap, _qtncfg__execCli *request, _qtncfg__execCliResponse &response);
int wsvdOpCreateFdb(struct soap *soap, _qtnfdb__createFdb *request,
                    _qtnfdb__createFdbResponse &response);
int wsvdOpDeleteFdb(struct soap *soap, _qtnfdb__deleteFdb *request,
                    _qtnfdb__deleteFdbResponse &response);
int wsvdOpGetFdb(struct soap *soap, _qtnfdb__getFdb *request, _qtnfdb__getFdbResponse &response);
int wsvdOpGetAllFdb(struct soap *soap, _qtnfdb__getAllFdb *request,
                    _qtnfdb__getAllFdbResponse &response);
int wsvdOpSavePolicy(struct soap *soap, _qtnpol__savePolicy *request,
                     _qtnpol__savePolicyResponse &response);
int wsvdOpDeletePolicy(struct soap *soap, _qtnpol__deletePolicy *request,
                       _qtnpol__deletePolicyResponse &response);
int wsvdOpGetPolicy(struct soap *soap, _qtnpol__getPolicy *request,
                    _qtnpol__getPolicyResponse &response);
int wsvdOpRefreshPolicy(struct soap *soap, _qtnpol__refreshPolicy *request,
                        _qtnpol__refreshPolicyResponse &response);
int wsvdOpListPolicy(struct soap *soap, _qtnpol__listPolicy *request,
                     _qtnpol__listPolicyResponse &response);
int wsvdOpBindPolicyOnInterface(struct soap *soap, _qtnpol__bindPolicyOnInterface *request,
                                _qtnpol__bindPolicyOnInterfaceResponse &response);
int wsvdOpUnbindPolicyOnInterface(struct soap *soap, _qtnpol__unbindPolicyOnInterface *request,
                                  _qtnpol__unbindPolicyOnInterfaceResponse &response);
int wsvdOpListPolicyOnInterface(struct soap *soap, _qtnpol__listPolicyOnInterface *request,
                                _qtnpol__listPolicyOnInterfaceResponse &response);
int wsvdOpCreateVlan(struct soap *soap, _qtnvlan__createVlan *request,
                     _qtnvlan__createVlanResponse &response);
int wsvdOpDeleteVlan(struct soap *soap, _qtnvlan__deleteVlan *request,
                     _qtnvlan__deleteVlanResponse &response);
int wsvdOpGetVlan(struct soap *soap, _qtnvlan__getVlan *request,
                  _qtnvlan__getVlanResponse &response);
int wsvdOpGetAllVlan(struct soap *soap, _qtnvlan__getAllVlan *request,
                     _qtnvlan__getAllVlanResponse &response);
