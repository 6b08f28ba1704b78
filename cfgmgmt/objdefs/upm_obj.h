// Module "upm": profiles (scripts run on port events and timers), their bindings,
// timers and execution results.
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "platform/portlist.h"

// Creation and deletion of a profile with its script ("upmProfileBuffer").
struct upmProfileBuffer_t {
    char profileName[257];
    uint32_t rowStatus;  // action code
    char data[8193];
    upmProfileBuffer_t *next;
    uint8_t valid[1];
};

// Enabling of a profile ("cfgUpmProfile").
struct cfgUpmProfile_t {
    uint32_t enable;
    char profileName[257];
    uint32_t rowStatus;
    cfgUpmProfile_t *next;
    uint8_t valid[1];
};

// A timer and its binding to a profile ("cfgUpmTimer"); type 1 one-shot, 2 periodic.
struct cfgUpmTimer_t {
    char timerName[33];
    char profileName[257];
    uint32_t rowStatus;
    uint32_t sec, min, hour, day, month, year;
    uint32_t timerType;
    uint32_t secs;  // interval of a periodic timer
    cfgUpmTimer_t *next;
    uint8_t valid[2];
};

// A static binding, or a direct run of a profile ("cfgUpmStaticProfile").
struct cfgUpmStaticProfile_t {
    char profileName[257];
    portlist_t portList;
    uint32_t rowStatus;
    uint32_t eventType;
    char envString[1024];
    cfgUpmStaticProfile_t *next;
    uint8_t valid[1];
};

// A binding of a profile to port events ("cfgUpmProfileEvent").
struct cfgUpmProfileEvent_t {
    char profileName[257];
    uint32_t upmEvent;
    portlist_t portList;
    uint32_t rowStatus;
    cfgUpmProfileEvent_t *next;
    uint8_t valid[1];
};

// One profile with its script ("showUpmProfileName").
struct showUpmProfileName_t {
    char profileName[257];
    char data[8193];
    uint32_t enable;
    uint32_t lastBindingTime;
    uint32_t lastChangeTime;
    uint32_t creationTime;
    uint16_t checksum;
    showUpmProfileName_t *next;
    uint8_t valid[1];
};

// One binding of a profile ("showUpmProfile"); the first object of a walk also carries
// the number of profiles.
struct showUpmProfile_t {
    char profileName[257];
    uint32_t eventType;
    portlist_t portList;
    char timerName[33];
    char filter[33];
    uint32_t numProfiles;
    showUpmProfile_t *next;
    uint8_t valid[1];
};

// One execution of a profile ("upmProfileExec").
struct upmProfileExec_t {
    uint32_t execId;
    uint32_t execTime;
    uint32_t eventType;
    char profileName[257];
    char timerName[33];
    portlist_t portList;
    uint32_t result;  // 1 success, 2 failure
    char output[8193];
    upmProfileExec_t *next;
    uint8_t valid[1];
};

enum : uint32_t {
    upmProfileBufferIndex = 1,
    cfgUpmProfileIndex = 2,
    cfgUpmTimerIndex = 3,
    cfgUpmStaticProfileIndex = 4,
    cfgUpmProfileEventIndex = 5,
    showUpmProfileNameIndex = 6,
    showUpmProfileIndex = 7,
    upmProfileExecIndex = 8,
};

// Registers "upm".
void cmObjectInit_upm();

void upmProfileBuffer_t_free(upmProfileBuffer_t *p);
void cfgUpmProfile_t_free(cfgUpmProfile_t *p);
void cfgUpmTimer_t_free(cfgUpmTimer_t *t);
void cfgUpmStaticProfile_t_free(cfgUpmStaticProfile_t *p);
void cfgUpmProfileEvent_t_free(cfgUpmProfileEvent_t *p);
void showUpmProfileName_t_free(showUpmProfileName_t *p);
void showUpmProfile_t_free(showUpmProfile_t *p);
void upmProfileExec_t_free(upmProfileExec_t *e);
