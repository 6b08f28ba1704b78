// The UPM service: profiles (scripts of CLI commands that the switch runs when events
// happen on ports, when timers fire, or on demand), their bindings to events and
// ports, timers, runs and their results, through the configuration manager's module
// "upm".
//
// Every operation carries a client header ("hdr") and is let in by the session check
// alone (reads by any session, changes by a read-write one); a successful answer
// carries a copy of the header.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/upm_obj.h"
#include "cmclient/cm.h"
#include "session/session_auth.h"
#include "session/session_table.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

const char kUpm[] = "upm";
// The source that trace lines with a line number name.
const char kSource[] = "nettools/upm/src/upm_xmlapi";

// Operation kinds of the session check.
enum { kRead = 1, kChange = 2, kCreate = 3, kDelete = 4 };

enum : uint32_t {
    kProfileTextMax = 8192,  // a profile creation's request text is cut here
    kListMax = 256,          // timers, profiles and results in one answer
    kBindingMax = 40,        // bindings of one profile
    kEventTextMax = 31,      // timerName and filter of a binding
    kTimerListNameMax = 30,  // timer names of getAllTimers
    kProfileNameMax = 256,
    kResultTimerNameMax = 32,
    kDataMax = 8192,  // a script, an execution's output
};

#define UPM_TRACE_MISSING() WSVD_LOG("Missing argument Line %d  File %s\n", __LINE__, kSource)
#define UPM_TRACE_UNABLE() \
    WSVD_LOG("Unable to get the profile Line %d File %s\n", __LINE__, kSource)

// ---- request texts

// A script as the content of a CDATA section: a "]]>" in it is split across two
// sections (as the object library writes strings), so the script cannot end the
// section early and reads back unchanged.
std::string cdataContent(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0;;) {
        size_t end = text.find("]]>", at);
        if (end == std::string_view::npos) {
            out.append(text.substr(at));
            return out;
        }
        out.append(text.substr(at, end - at + 2));
        out += "]]><![CDATA[";
        at = end + 2;
    }
}

std::string textf(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string textf(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    va_list again;
    va_copy(again, ap);
    int n = vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    std::string out(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0) vsnprintf(out.data(), out.size() + 1, format, again);
    va_end(again);
    return out;
}

std::string escaped(const std::string *text) {
    return text ? cmXmlEscape(*text) : std::string();
}

bool given(const std::string *text) {
    return text && !text->empty();
}

// ---- the exchange

template <class T, void (*Free)(T *)>
struct FreeWith {
    void operator()(T *object) const { Free(object); }
};
using NameObject = std::unique_ptr<showUpmProfileName_t,
                                   FreeWith<showUpmProfileName_t, showUpmProfileName_t_free>>;
using BindingObject =
    std::unique_ptr<showUpmProfile_t, FreeWith<showUpmProfile_t, showUpmProfile_t_free>>;
using TimerObject = std::unique_ptr<cfgUpmTimer_t, FreeWith<cfgUpmTimer_t, cfgUpmTimer_t_free>>;
using ExecObject =
    std::unique_ptr<upmProfileExec_t, FreeWith<upmProfileExec_t, upmProfileExec_t_free>>;

struct Parser {
    cmObjectParser_t *parser = cmObjectParserAlloc();
    ~Parser() {
        if (parser) cmObjectParserFree(parser);
    }
};

// The get wrapper: a get-next (flags 0x40000001) or a get of the one object named
// (0x80000001), traced; the typed object of the first object that came back, or null.
// Returns 0 or the fault code; *status is the reply status.
template <class Owner>
int upmGet(struct soap *soap, Parser &p, const std::string &text, bool next, Owner *object,
           uint32_t *status = nullptr) {
    void *got = nullptr;
    int rc = cmGet(soap, serviceRequest(soap), p.parser, kUpm, next ? CM_GET_NEXT : CM_GET_EXACT,
                   text.c_str(), &got, CM_TRACE_UPM, status);
    object->reset(static_cast<typename Owner::pointer>(got));
    return rc;
}

// The set wrapper: only status 0 is a failure.
int upmSet(struct soap *soap, const std::string &text) {
    return cmSet(soap, serviceRequest(soap), kUpm, CM_OP_SET, text.c_str(), CM_SET_ZERO_IS_FAILURE,
                 CM_TRACE_UPM, nullptr);
}

// The profile-creation sender: any status but 1 is a failure.
int upmCreate(struct soap *soap, const std::string &text) {
    return cmSet(soap, serviceRequest(soap), kUpm, CM_OP_SET, text.c_str(), CM_SET_ONE_IS_SUCCESS,
                 CM_TRACE_CREATE, nullptr);
}

// What every operation does first: "Invalid Packet" without a request, then the
// session check with the request's header, which refuses -1. A read-only session only
// reads: profiles run CLI commands, so creating, changing, binding or running one is a
// change of the switch ("No write permission"). The local console (whose check
// answers 0 without a session) may do everything.
template <class Request>
int begin(struct soap *soap, const Request *request, int operationKind) {
    if (!request) return cmFault(soap, CM_FAULT_INVALID_PACKET);
    const com__ClientHeader *hdr = request->hdr;
    const char *sessionId = hdr ? serviceText(hdr->sessionId) : nullptr;
    uint32_t clientKind = serviceRequest(soap)->clientKind;
    int access = wsvdSessionCheck(sessionId, clientKind, operationKind);
    if (access < 0) return cmFault(soap, CM_FAULT_INVALID_SESSION);
    if (access == 0 && operationKind != kRead && clientKind != WSVD_CLIENT_LOCAL &&
        !wsvdSessionCheckOff())
        return cmFault(soap, CM_FAULT_NO_WRITE);
    return 0;
}

int missing(struct soap *soap) {
    return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
}

// ---- answers

std::string portListText(const portlist_t &ports) {
    buffer_t b = {};
    bufferPutf(&b, "%P", const_cast<portlist_t *>(&ports));
    std::string text = b.data ? b.data : "";
    free(b.data);
    return text;
}

upm__eventEnums eventOf(uint32_t type) {
    return type >= 1 && type <= 7 ? upm__eventEnums(type) : upm__eventEnums::unknown;
}

// The time of a timer's date fields, read in the local time zone.
time_t timerTime(const cfgUpmTimer_t *t) {
    struct tm local = {};
    local.tm_sec = int(t->sec);
    local.tm_min = int(t->min);
    local.tm_hour = int(t->hour);
    local.tm_mday = int(t->day);
    local.tm_mon = int(t->month) - 1;
    local.tm_year = int(t->year) - 1900;
    local.tm_isdst = -1;
    return mktime(&local);
}

void fillTimer(struct soap *soap, const cfgUpmTimer_t *t, upm__timer &entry) {
    entry.timerName = serviceNewText(soap, t->timerName, kTimerListNameMax);
    time_t at = 0;
    unsigned every = 0;
    if (t->timerType == 1) {
        at = timerTime(t);
    } else if (t->timerType == 2) {
        every = t->secs;
        if (t->year) at = timerTime(t);
    } else {
        WSVD_LOG("Unkown timer type %d Line %d File %s", int(t->timerType), __LINE__, kSource);
    }
    entry.at = serviceNewValue<time_t>(soap, at);
    entry.every = serviceNewValue<unsigned>(soap, every);
}

void fillDetail(struct soap *soap, const showUpmProfileName_t *p, bool withScript,
                upm__profileDetail &d) {
    d.name = serviceNewText(soap, p->profileName, kProfileNameMax);
    if (withScript) d.data = serviceNewText(soap, p->data, kDataMax);
    d.profileEnabled = serviceNewValue<bool>(soap, p->enable != 0);
    d.lastBindingTime = serviceNewValue<time_t>(soap, time_t(p->lastBindingTime));
    d.lastChangeTime = serviceNewValue<time_t>(soap, time_t(p->lastChangeTime));
    d.creationTime = serviceNewValue<time_t>(soap, time_t(p->creationTime));
    d.checksum = serviceNewValue<unsigned>(soap, unsigned(p->checksum));
}

upm__bindingObject bindingOf(struct soap *soap, const showUpmProfile_t *row) {
    upm__bindingObject b;
    b.eventObject = soap_new_upm__eventStruct(soap);
    if (b.eventObject) {
        b.eventObject->event = serviceNewValue(soap, eventOf(row->eventType));
        if (row->eventType == 5)
            b.eventObject->timerName = serviceNewText(soap, row->timerName, kEventTextMax);
        if (row->eventType == 7)
            b.eventObject->filter = serviceNewText(soap, row->filter, kEventTextMax);
    }
    std::string ports = portListText(row->portList);
    if (!ports.empty()) b.portList = serviceNewText(soap, ports.c_str());
    return b;
}

// The bindings of profile `name` into the detail: a walk over its showUpmProfile rows,
// each request naming the profile and the event type (and timer) of the row read last.
// It ends, keeping what it has, at kBindingMax bindings, on a failed get (whose fault
// is not sent: the operation goes on), at a row without binding (event type 0) or at a
// row of another profile. Returns the last row it turned into a binding, or none.
BindingObject bindingWalk(struct soap *soap, Parser &p, const char *name,
                          upm__profileDetail &detail) {
    detail.bindingObjectList = soap_new_upm__bindObjectList(soap);
    BindingObject last;
    if (!detail.bindingObjectList) return last;
    std::vector<upm__bindingObject> &list = detail.bindingObjectList->bindObject;
    const char *object = "showUpmProfile";
    std::string key = cmXmlEscape(name);
    std::string text =
        textf("<module_upm><get><%s><profileName>%s</profileName></%s></get></module_upm>", object,
              key.c_str(), object);
    while (list.size() < kBindingMax) {
        BindingObject row;
        if (upmGet(soap, p, text, true, &row) != 0) {
            UPM_TRACE_UNABLE();
            break;
        }
        if (!row || row->eventType == 0 || strcmp(row->profileName, name) != 0) break;
        list.push_back(bindingOf(soap, row.get()));
        if (row->eventType == 5)
            text = textf(
                "<module_upm><get><%s><profileName>%s</profileName><eventType>%d</eventType>"
                "<timerName>%s</timerName></%s></get></module_upm>",
                object, key.c_str(), int(row->eventType), cmXmlEscape(row->timerName).c_str(),
                object);
        else
            text = textf(
                "<module_upm><get><%s><profileName>%s</profileName><eventType>%d</eventType></%s>"
                "</get></module_upm>",
                object, key.c_str(), int(row->eventType), object);
        last = std::move(row);
    }
    return last;
}

std::string profileNameRequest(const char *name) {
    return textf(
        "<module_upm><get><showUpmProfileName><profileName>%s</profileName></showUpmProfileName>"
        "</get></module_upm>",
        cmXmlEscape(name).c_str());
}

// The shared step of bindProfile and unbindProfile: the request text for the event, or
// the "Missing argument" fault.
int bindingRequest(struct soap *soap, bool bind, const std::string *profile,
                   const std::string *ports, const upm__eventStruct *event, std::string *text) {
    int number = event->event ? int(*event->event) : 0;
    if (number < 1 || number > 6) {
        UPM_TRACE_MISSING();
        return missing(soap);
    }
    std::string name = escaped(profile), portList = escaped(ports);
    std::string timer = escaped(event->timerName);
    if (bind) {
        if (!given(profile)) return missing(soap);
        if (number == 5) {
            *text = textf(
                "<module_upm><set><cfgUpmTimer><timerName>%s</timerName><profileName>%s"
                "</profileName><rowStatus>create</rowStatus></cfgUpmTimer></set></module_upm>",
                timer.c_str(), name.c_str());
        } else if (number == 6) {
            *text = given(ports)
                        ? textf(
                              "<module_upm><set><cfgUpmStaticProfile><profileName>%s</profileName>"
                              "<portList>%s</portList><rowStatus>create</rowStatus>"
                              "</cfgUpmStaticProfile></set></module_upm>",
                              name.c_str(), portList.c_str())
                        : textf(
                              "<module_upm><set><cfgUpmStaticProfile><profileName>%s</profileName>"
                              "<rowStatus>create</rowStatus></cfgUpmStaticProfile></set>"
                              "</module_upm>",
                              name.c_str());
        } else {
            if (!given(ports)) return missing(soap);
            *text = textf(
                "<module_upm><set><cfgUpmProfileEvent><profileName>%s</profileName><upmEvent>%d"
                "</upmEvent><portList>%s</portList><rowStatus>create</rowStatus>"
                "</cfgUpmProfileEvent></set></module_upm>",
                name.c_str(), number, portList.c_str());
        }
    } else if (number == 5) {
        if (!given(event->timerName)) return missing(soap);
        *text = given(profile)
                    ? textf(
                          "<module_upm><set><cfgUpmTimer><timerName>%s</timerName><profileName>%s"
                          "</profileName><rowStatus>unconfigure</rowStatus></cfgUpmTimer></set>"
                          "</module_upm>",
                          timer.c_str(), name.c_str())
                    : textf(
                          "<module_upm><set><cfgUpmTimer><timerName>%s</timerName><rowStatus>"
                          "unconfigure</rowStatus></cfgUpmTimer></set></module_upm>",
                          timer.c_str());
    } else {
        if (!given(profile)) return missing(soap);
        *text = given(ports)
                    ? textf(
                          "<module_upm><set><cfgUpmProfileEvent><profileName>%s</profileName>"
                          "<upmEvent>%d</upmEvent><portList>%s</portList><rowStatus>delete"
                          "</rowStatus></cfgUpmProfileEvent></set></module_upm>",
                          name.c_str(), number, portList.c_str())
                    : textf(
                          "<module_upm><set><cfgUpmProfileEvent><profileName>%s</profileName>"
                          "<upmEvent>%d</upmEvent><rowStatus>delete</rowStatus>"
                          "</cfgUpmProfileEvent></set></module_upm>",
                          name.c_str(), number);
    }
    return 0;
}

template <class Request, class Response>
int bindOrUnbind(struct soap *soap, Request *request, Response &response, bool bind) {
    if (int rc = begin(soap, request, kChange)) return rc;
    if (!request->eventObject) {
        UPM_TRACE_MISSING();
        return missing(soap);
    }
    if (bind && !request->profileName) return missing(soap);
    std::string text;
    if (int rc = bindingRequest(soap, bind, request->profileName, request->portList,
                                request->eventObject, &text))
        return rc;
    if (int rc = upmSet(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

}  // namespace

int wsvdOpUpmCreateProfile(struct soap *soap, _upm__createProfileRequest *request,
                           _upm__createProfileResponse &response) {
    if (int rc = begin(soap, request, kCreate)) return rc;
    const upm__profileDetail *profile = request->profile;
    if (!profile || !given(profile->name)) return missing(soap);
    std::string name = cmXmlEscape(*profile->name);
    std::string text =
        profile->data
            ? textf(
                  "<module_upm><set><upmProfileBuffer><profileName>%s</profileName><rowStatus>"
                  "create</rowStatus><data><![CDATA[%s]]></data></upmProfileBuffer></set>"
                  "</module_upm>",
                  name.c_str(), cdataContent(*profile->data).c_str())
            : textf(
                  "<module_upm><set><upmProfileBuffer><profileName>%s</profileName><rowStatus>"
                  "create</rowStatus></upmProfileBuffer></set></module_upm>",
                  name.c_str());
    // A text cut short is not well formed, so cfgmgr refuses it whole.
    if (text.size() > kProfileTextMax) text.resize(kProfileTextMax);
    if (int rc = upmCreate(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmEditProfile(struct soap *soap, _upm__editProfileRequest *request,
                         _upm__editProfileResponse &response) {
    if (int rc = begin(soap, request, kChange)) return rc;
    const upm__profileDetail *profile = request->profile;
    if (!profile || !given(profile->name) || !profile->profileEnabled)
        return cmFault(soap, "Missing Arguments");
    // Only the enabled flag changes; the script stays as it is.
    std::string text = textf(
        "<module_upm><set><cfgUpmProfile><enable>%d</enable><profileName>%s</profileName>"
        "<rowStatus>create</rowStatus></cfgUpmProfile></set></module_upm>",
        *profile->profileEnabled ? 1 : 0, cmXmlEscape(*profile->name).c_str());
    if (int rc = upmSet(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmDeleteProfile(struct soap *soap, _upm__deleteProfileRequest *request,
                           _upm__deleteProfileResponse &response) {
    if (int rc = begin(soap, request, kDelete)) return rc;
    if (!request->profile) {
        UPM_TRACE_MISSING();
        return missing(soap);
    }
    std::string text = textf(
        "<module_upm><set><upmProfileBuffer><profileName>%s</profileName><rowStatus>delete"
        "</rowStatus></upmProfileBuffer></set></module_upm>",
        cmXmlEscape(*request->profile).c_str());
    if (int rc = upmCreate(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmBindProfile(struct soap *soap, _upm__bindProfileRequest *request,
                         _upm__bindProfileResponse &response) {
    return bindOrUnbind(soap, request, response, true);
}

int wsvdOpUpmUnbindProfile(struct soap *soap, _upm__unbindProfileRequest *request,
                           _upm__unbindProfileResponse &response) {
    return bindOrUnbind(soap, request, response, false);
}

int wsvdOpUpmCreateTimer(struct soap *soap, _upm__createTimerRequest *request,
                         _upm__createTimerResponse &response) {
    if (int rc = begin(soap, request, kCreate)) return rc;
    std::string text = "<module_upm><set><cfgUpmTimer><rowStatus>create</rowStatus>";
    const upm__timer *timer = request->timer;
    if (!timer || !given(timer->timerName)) {
        WSVD_LOG("Timer name can not be NULL\n");
        return missing(soap);
    }
    if (!timer->at && !timer->every) {
        WSVD_LOG("Timer values can not be NULL\n");
        return missing(soap);
    }
    time_t at = timer->at ? *timer->at : 0;
    if (at != 0) {
        struct tm local;
        if (!localtime_r(&at, &local)) return cmFault(soap, "Timer time out of range");
        text += textf(
            "<sec>%d</sec><min>%d</min><hour>%d</hour><day>%d</day><month>%d</month>"
            "<year>%d</year>",
            local.tm_sec, local.tm_min, local.tm_hour, local.tm_mday, local.tm_mon + 1,
            local.tm_year + 1900);
    }
    unsigned every = timer->every ? *timer->every : 0;
    bool periodic = every != 0;
    text += textf("<timerType>%d</timerType>", periodic ? 2 : 1);
    if (periodic) text += textf("<secs>%u</secs>", every);
    if (!periodic && at == 0) {
        WSVD_LOG("Timer values can not be 0\n");
        return missing(soap);
    }
    text += textf("<timerName>%s</timerName>", cmXmlEscape(*timer->timerName).c_str());
    text += "</cfgUpmTimer></set></module_upm>";
    if (int rc = upmSet(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmDeleteTimer(struct soap *soap, _upm__deleteTimerRequest *request,
                         _upm__deleteTimerResponse &response) {
    if (int rc = begin(soap, request, kDelete)) return rc;
    if (!given(request->timer)) {
        WSVD_LOG("Timer name can not be null\n");
        return missing(soap);
    }
    std::string text = textf(
        "<module_upm><set><cfgUpmTimer><timerName>%s</timerName><rowStatus>delete</rowStatus>"
        "</cfgUpmTimer></set></module_upm>",
        cmXmlEscape(*request->timer).c_str());
    if (int rc = upmSet(soap, text)) return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmGetAllTimers(struct soap *soap, _upm__getAllTimersRequest *request,
                          _upm__getAllTimersResponse &response) {
    if (int rc = begin(soap, request, kRead)) return rc;
    Parser p;
    if (!p.parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.timer.reserve(kListMax);
    std::string text = "<module_upm><get><cfgUpmTimer/></get></module_upm>";
    for (;;) {
        TimerObject timer;
        uint32_t status = 0;
        if (int rc = upmGet(soap, p, text, true, &timer, &status)) {
            UPM_TRACE_UNABLE();
            response.timer.clear();
            return rc;
        }
        if (!timer) {
            if (response.timer.empty()) return 0;
            break;
        }
        response.timer.emplace_back();
        fillTimer(soap, timer.get(), response.timer.back());
        if (status == 1) break;
        if (response.timer.size() == kListMax) {
            printf("Going to break..\n");
            break;
        }
        text = textf(
            "<module_upm><get><cfgUpmTimer><timerName>%s</timerName></cfgUpmTimer></get>"
            "</module_upm>",
            cmXmlEscape(timer->timerName).c_str());
    }
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmGetProfile(struct soap *soap, _upm__getProfileRequest *request,
                        _upm__getProfileReply &response) {
    if (int rc = begin(soap, request, kRead)) return rc;
    if (!request->profile) return missing(soap);
    Parser p;
    if (!p.parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    NameObject profile;
    if (int rc = upmGet(soap, p, profileNameRequest(request->profile->c_str()), true, &profile)) {
        UPM_TRACE_UNABLE();
        return rc;
    }
    if (!profile) return cmFault(soap, "Profile not found");
    upm__profileDetail *detail = soap_new_upm__profileDetail(soap);
    if (!detail) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    fillDetail(soap, profile.get(), true, *detail);
    bindingWalk(soap, p, profile->profileName, *detail);
    response.profile = detail;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmGetAllProfile(struct soap *soap, _upm__getAllProfileRequest *request,
                           _upm__getAllProfileReply &response) {
    if (int rc = begin(soap, request, kRead)) return rc;
    bool withScripts = request->contentRequired && *request->contentRequired;
    Parser p;
    if (!p.parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.profile.reserve(kListMax);
    std::string walk = "<module_upm><get><showUpmProfile></showUpmProfile></get></module_upm>";
    // The first row also tells how many profiles there are.
    uint32_t count;
    {
        BindingObject first;
        if (int rc = upmGet(soap, p, walk, true, &first)) {
            UPM_TRACE_UNABLE();
            return rc;
        }
        if (!first) {
            WSVD_LOG("No object found Line %d File %s\n", __LINE__, kSource);
            return 0;
        }
        count = first->numProfiles;
    }
    if (count > kListMax) count = kListMax;
    for (uint32_t i = 0; i < count; i++) {
        BindingObject row;
        if (int rc = upmGet(soap, p, walk, true, &row)) {
            UPM_TRACE_UNABLE();
            response.profile.clear();
            return rc;
        }
        if (!row) break;
        NameObject profile;
        if (int rc = upmGet(soap, p, profileNameRequest(row->profileName), true, &profile)) {
            UPM_TRACE_UNABLE();
            response.profile.clear();
            return rc;
        }
        if (!profile) break;
        response.profile.emplace_back();
        upm__profileDetail &detail = response.profile.back();
        fillDetail(soap, profile.get(), withScripts, detail);
        BindingObject last;
        if (row->eventType != 0) last = bindingWalk(soap, p, row->profileName, detail);
        // The walk goes on after this profile's last row.
        walk = "<module_upm><get><showUpmProfile><profileName>" + cmXmlEscape(row->profileName) +
               "</profileName>";
        if (last && last->eventType != 0)
            walk += textf("<eventType>%d</eventType>", int(last->eventType));
        if (last && last->eventType == 5)
            walk += "<timerName>" + cmXmlEscape(last->timerName) + "</timerName>";
        walk += "</showUpmProfile></get></module_upm>";
    }
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmRunScript(struct soap *soap, _upm__runScriptRequest *request,
                       _upm__runScriptReply &response) {
    if (int rc = begin(soap, request, kChange)) return rc;
    if (!given(request->profileName) || !request->event ||
        *request->event == upm__eventEnums::unknown || !given(request->portList) ||
        !given(request->parameters))
        return missing(soap);
    int event = int(*request->event);
    if (event < 1 || event > 7) event = 0;
    std::string text = textf(
        "<module_upm><set><cfgUpmStaticProfile><eventType>%d</eventType><envString>%s"
        "</envString><profileName>%s</profileName><rowStatus>create</rowStatus>"
        "</cfgUpmStaticProfile></set></module_upm>",
        event, cmXmlEscape(*request->parameters).c_str(),
        cmXmlEscape(*request->profileName).c_str());
    if (int rc = upmSet(soap, text)) return rc;
    // The run goes on in cfgmgr; its result is read with getExecutionResult.
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}

int wsvdOpUpmGetExecutionResult(struct soap *soap, _upm__getExecutionResultRequest *request,
                                _upm__getExecutionResultReply &response) {
    if (int rc = begin(soap, request, kRead)) return rc;
    const auto &choice = request->union_getExecutionResultRequest;
    std::string text;
    bool next;
    uint32_t max;
    switch (request->__union_getExecutionResultRequest) {
        case SOAP_UNION__upm__getExecutionResultRequest_union_executionId:
            text = textf(
                "<module_upm><get><upmProfileExec><execId>%u</execId></upmProfileExec></get>"
                "</module_upm>",
                choice.executionId);
            next = false;
            max = 1;
            break;
        case SOAP_UNION__upm__getExecutionResultRequest_union_numberOfRecords:
            text = "<module_upm><get><upmProfileExec> </upmProfileExec></get></module_upm>";
            next = true;
            max = choice.numberOfRecords < kListMax ? choice.numberOfRecords : kListMax;
            break;
        default:
            return missing(soap);
    }
    Parser p;
    if (!p.parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.executionResults.reserve(max);
    for (uint32_t i = 0; i < max; i++) {
        ExecObject exec;
        uint32_t status = 0;
        if (int rc = upmGet(soap, p, text, next, &exec, &status)) {
            UPM_TRACE_UNABLE();
            response.executionResults.clear();
            return rc;
        }
        if (!exec) break;
        response.executionResults.emplace_back();
        upm__executionResult &result = response.executionResults.back();
        result.executionId = serviceNewValue<unsigned>(soap, exec->execId);
        result.executionTime = serviceNewValue<unsigned>(soap, exec->execTime);
        result.eventName = serviceNewValue(soap, eventOf(exec->eventType));
        result.profileName = serviceNewText(soap, exec->profileName, kProfileNameMax);
        result.timerName = serviceNewText(soap, exec->timerName, kResultTimerNameMax);
        std::string ports = portListText(exec->portList);
        if (!ports.empty()) result.portList = serviceNewText(soap, ports.c_str());
        // cfgmgr's result codes: 1 success, 2 failure, 3 stopped at the time bound.
        upm__profileExecutionStatusCodes code = upm__profileExecutionStatusCodes::unknown;
        if (exec->result == 1) code = upm__profileExecutionStatusCodes::success;
        if (exec->result == 2) code = upm__profileExecutionStatusCodes::failure;
        if (exec->result == 3) code = upm__profileExecutionStatusCodes::timeout;
        result.status = serviceNewValue(soap, code);
        result.data = serviceNewText(soap, exec->output, kDataMax);
        if (status == 1) break;
        text = textf(
            "<module_upm><get><upmProfileExec><execId>%u</execId></upmProfileExec></get>"
            "</module_upm>",
            exec->execId);
        next = true;
    }
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}
