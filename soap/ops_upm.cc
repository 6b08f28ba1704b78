// Handlers of the UPM profiles, timers and scripts, not available in this build yet:
// each answers the client fault "Operation not available". The subsystem that
// implements them replaces this file.
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

int wsvdOpUpmCreateProfile(struct soap *soap, _upm__createProfileRequest *,
                           _upm__createProfileResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmGetProfile(struct soap *soap, _upm__getProfileRequest *, _upm__getProfileReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmDeleteProfile(struct soap *soap, _upm__deleteProfileRequest *,
                           _upm__deleteProfileResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmBindProfile(struct soap *soap, _upm__bindProfileRequest *,
                         _upm__bindProfileResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmUnbindProfile(struct soap *soap, _upm__unbindProfileRequest *,
                           _upm__unbindProfileResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmGetAllProfile(struct soap *soap, _upm__getAllProfileRequest *,
                           _upm__getAllProfileReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmGetAllTimers(struct soap *soap, _upm__getAllTimersRequest *,
                          _upm__getAllTimersResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmCreateTimer(struct soap *soap, _upm__createTimerRequest *,
                         _upm__createTimerResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmDeleteTimer(struct soap *soap, _upm__deleteTimerRequest *,
                         _upm__deleteTimerResponse &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmRunScript(struct soap *soap, _upm__runScriptRequest *, _upm__runScriptReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmGetExecutionResult(struct soap *soap, _upm__getExecutionResultRequest *,
                                _upm__getExecutionResultReply &) {
    return wsvdSoapNotAvailable(soap);
}
int wsvdOpUpmEditProfile(struct soap *soap, _upm__editProfileRequest *,
                         _upm__editProfileResponse &) {
    return wsvdSoapNotAvailable(soap);
}
