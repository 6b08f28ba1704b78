// The operations, in the order the dispatcher matches the first body element.
// event:post and netb:hello have no response: they are always answered with a fault.

int __com__post(event__KarnEvent *event__post, void);  // 1
int __com__hello(_netb__hello *netb__hello, void);  // 2
int __com__rpc(netb__rpcType *netb__rpc, _netb__rpc_reply &netb__rpc_reply);  // 3
int __com__get(_switch__getRequest *switch__getRequest, _switch__getResponse &switch__getResponse);  // 4
int __com__set(_switch__setRequest *switch__setRequest, _switch__setResponse &switch__setResponse);  // 5
int __com__create(_switch__createRequest *switch__createRequest, _switch__createResponse &switch__createResponse);  // 6
int __com__delete(_switch__deleteRequest *switch__deleteRequest, _switch__deleteResponse &switch__deleteResponse);  // 7
int __com__openSession(_com__openSessionRequest *com__openSessionRequest, _com__openSessionReply &com__openSessionReply);  // 8
int __com__closeSession(_com__closeSessionRequest *com__closeSessionRequest, _com__closeSessionReply &com__closeSessionReply);  // 9
int __com__keepAlive(_com__keepAliveRequest *com__keepAliveRequest, _com__keepAliveReply &com__keepAliveReply);  // 10
int __com__createProfile(_upm__createProfileRequest *upm__createProfileRequest, _upm__createProfileResponse &upm__createProfileResponse);  // 11
int __com__getProfile(_upm__getProfileRequest *upm__getProfileRequest, _upm__getProfileReply &upm__getProfileReply);  // 12
int __com__deleteProfile(_upm__deleteProfileRequest *upm__deleteProfileRequest, _upm__deleteProfileResponse &upm__deleteProfileResponse);  // 13
int __com__bindProfile(_upm__bindProfileRequest *upm__bindProfileRequest, _upm__bindProfileResponse &upm__bindProfileResponse);  // 14
int __com__unbindProfile(_upm__unbindProfileRequest *upm__unbindProfileRequest, _upm__unbindProfileResponse &upm__unbindProfileResponse);  // 15
int __com__getAllProfile(_upm__getAllProfileRequest *upm__getAllProfileRequest, _upm__getAllProfileReply &upm__getAllProfileReply);  // 16
int __com__getAllTimers(_upm__getAllTimersRequest *upm__getAllTimersRequest, _upm__getAllTimersResponse &upm__getAllTimersResponse);  // 17
int __com__createTimer(_upm__createTimerRequest *upm__createTimerRequest, _upm__createTimerResponse &upm__createTimerResponse);  // 18
int __com__deleteTimer(_upm__deleteTimerRequest *upm__deleteTimerRequest, _upm__deleteTimerResponse &upm__deleteTimerResponse);  // 19
int __com__runScript(_upm__runScriptRequest *upm__runScriptRequest, _upm__runScriptReply &upm__runScriptReply);  // 20
int __com__getExecutionResult(_upm__getExecutionResultRequest *upm__getExecutionResultRequest, _upm__getExecutionResultReply &upm__getExecutionResultReply);  // 21
int __com__editProfile(_upm__editProfileRequest *upm__editProfileRequest, _upm__editProfileResponse &upm__editProfileResponse);  // 22
int __com__saveConfig(_upm__saveConfigRequest *upm__saveConfigRequest, _upm__saveConfigResponse &upm__saveConfigResponse);  // 23
int __com__setDynamicAcl(_qtnacl__setDynamicAcl *qtnacl__setDynamicAcl, _qtnacl__setDynamicAclResponse &qtnacl__setDynamicAclResponse);  // 24
int __com__deleteDynamicAcl(_qtnacl__deleteDynamicAcl *qtnacl__deleteDynamicAcl, _qtnacl__deleteDynamicAclResponse &qtnacl__deleteDynamicAclResponse);  // 25
int __com__getDynamicAcl(_qtnacl__getDynamicAcl *qtnacl__getDynamicAcl, _qtnacl__getDynamicAclResponse &qtnacl__getDynamicAclResponse);  // 26
int __com__listDynamicAcl(_qtnacl__listDynamicAcl *qtnacl__listDynamicAcl, _qtnacl__listDynamicAclResponse &qtnacl__listDynamicAclResponse);  // 27
int __com__insertDynamicAclOnInterface(_qtnacl__insertDynamicAclOnInterface *qtnacl__insertDynamicAclOnInterface, _qtnacl__insertDynamicAclOnInterfaceResponse &qtnacl__insertDynamicAclOnInterfaceResponse);  // 28
int __com__removeDynamicAclOnInterface(_qtnacl__removeDynamicAclOnInterface *qtnacl__removeDynamicAclOnInterface, _qtnacl__removeDynamicAclOnInterfaceResponse &qtnacl__removeDynamicAclOnInterfaceResponse);  // 29
int __com__removeDynamicAclOnAllInterfaces(_qtnacl__removeDynamicAclOnAllInterfaces *qtnacl__removeDynamicAclOnAllInterfaces, _qtnacl__removeDynamicAclOnAllInterfacesResponse &qtnacl__removeDynamicAclOnAllInterfacesResponse);  // 30
int __com__listDynamicAclOnInterface(_qtnacl__listDynamicAclOnInterface *qtnacl__listDynamicAclOnInterface, _qtnacl__listDynamicAclOnInterfaceResponse &qtnacl__listDynamicAclOnInterfaceResponse);  // 31
int __com__execConfig(_qtncfg__execConfig *qtncfg__execConfig, _qtncfg__execConfigResponse &qtncfg__execConfigResponse);  // 32
int __com__execCli(_qtncfg__execCli *qtncfg__execCli, _qtncfg__execCliResponse &qtncfg__execCliResponse);  // 33
int __com__createFdb(_qtnfdb__createFdb *qtnfdb__createFdb, _qtnfdb__createFdbResponse &qtnfdb__createFdbResponse);  // 34
int __com__deleteFdb(_qtnfdb__deleteFdb *qtnfdb__deleteFdb, _qtnfdb__deleteFdbResponse &qtnfdb__deleteFdbResponse);  // 35
int __com__getFdb(_qtnfdb__getFdb *qtnfdb__getFdb, _qtnfdb__getFdbResponse &qtnfdb__getFdbResponse);  // 36
int __com__getAllFdb(_qtnfdb__getAllFdb *qtnfdb__getAllFdb, _qtnfdb__getAllFdbResponse &qtnfdb__getAllFdbResponse);  // 37
int __com__savePolicy(_qtnpol__savePolicy *qtnpol__savePolicy, _qtnpol__savePolicyResponse &qtnpol__savePolicyResponse);  // 38
int __com__deletePolicy(_qtnpol__deletePolicy *qtnpol__deletePolicy, _qtnpol__deletePolicyResponse &qtnpol__deletePolicyResponse);  // 39
int __com__getPolicy(_qtnpol__getPolicy *qtnpol__getPolicy, _qtnpol__getPolicyResponse &qtnpol__getPolicyResponse);  // 40
int __com__refreshPolicy(_qtnpol__refreshPolicy *qtnpol__refreshPolicy, _qtnpol__refreshPolicyResponse &qtnpol__refreshPolicyResponse);  // 41
int __com__listPolicy(_qtnpol__listPolicy *qtnpol__listPolicy, _qtnpol__listPolicyResponse &qtnpol__listPolicyResponse);  // 42
int __com__bindPolicyOnInterface(_qtnpol__bindPolicyOnInterface *qtnpol__bindPolicyOnInterface, _qtnpol__bindPolicyOnInterfaceResponse &qtnpol__bindPolicyOnInterfaceResponse);  // 43
int __com__unbindPolicyOnInterface(_qtnpol__unbindPolicyOnInterface *qtnpol__unbindPolicyOnInterface, _qtnpol__unbindPolicyOnInterfaceResponse &qtnpol__unbindPolicyOnInterfaceResponse);  // 44
int __com__listPolicyOnInterface(_qtnpol__listPolicyOnInterface *qtnpol__listPolicyOnInterface, _qtnpol__listPolicyOnInterfaceResponse &qtnpol__listPolicyOnInterfaceResponse);  // 45
int __com__createVlan(_qtnvlan__createVlan *qtnvlan__createVlan, _qtnvlan__createVlanResponse &qtnvlan__createVlanResponse);  // 46
int __com__deleteVlan(_qtnvlan__deleteVlan *qtnvlan__deleteVlan, _qtnvlan__deleteVlanResponse &qtnvlan__deleteVlanResponse);  // 47
int __com__getVlan(_qtnvlan__getVlan *qtnvlan__getVlan, _qtnvlan__getVlanResponse &qtnvlan__getVlanResponse);  // 48
int __com__getAllVlan(_qtnvlan__getAllVlan *qtnvlan__getAllVlan, _qtnvlan__getAllVlanResponse &qtnvlan__getAllVlanResponse);  // 49
