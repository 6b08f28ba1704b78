// Execution beyond the typed services: a configuration-manager request written by the
// client (execConfig), CLI commands (execCli), and saving the configuration
// (saveConfig).
#include <cstring>
#include <string>
#include <vector>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cmclient/cm.h"
#include "platform/cli/clisub.h"
#include "session/session_auth.h"
#include "session/session_ops.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

namespace {

enum {
    kHeaderTextMax = 400,  // a longer "hdr" element in the body is not read
    kCliListSize = 200,    // command pointers, the terminating null included
};
enum { kReadOperation = 1, kWriteOperation = 2 };

const char *const kReadOnlyPrefixes[] = {"show", "debug cfgmgr show"};

// The session check of execConfig and execCli, with the header of the SOAP request or
// else the one in the body, and request authentication when the session is refused.
// -1 refused, 0 read-only, 1 read-write.
int checkAccess(struct soap *soap, wsvdRequest *r, int operationKind) {
    const char *sessionId = nullptr;
    wsvdClientHeader_t bodyHeader;
    memset(&bodyHeader, 0, sizeof bodyHeader);
    if (const com__ClientHeader *header = wsvdSoapSessionHeader(soap)) {
        sessionId = serviceText(header->sessionId);
    } else if (serviceBodyHeader(serviceRequestText(r), kHeaderTextMax, &bodyHeader)) {
        sessionId = bodyHeader.sessionId;
    }
    int access = wsvdSessionCheck(sessionId, r->clientKind, operationKind);
    if (access == -1) access = wsvdRequestAuthenticate(r->userName, r->password, r->clientKind);
    return access;
}

bool isReadCommand(const char *command) {
    for (const char *prefix : kReadOnlyPrefixes)
        if (strncmp(command, prefix, strlen(prefix)) == 0) return true;
    return false;
}

// A command list is a read when every command in it is one. The CLI skips the blanks
// before a command's first word (the pieces after a ";" usually begin with one), and a
// command of blanks alone runs nothing, so both are judged after the blanks.
bool isReadList(char *const *commands) {
    for (char *const *c = commands; *c; c++) {
        const char *text = *c + strspn(*c, " \t\r");
        if (*text && !isReadCommand(text)) return false;
    }
    return true;
}

// Splits `text` in place at every ";" outside double quotes (each quote toggles the
// quoted state and stays in the text) into at most kCliListSize - 1 commands; the
// rest is dropped. The list ends with a null.
void splitCommands(char *text, std::vector<char *> &list) {
    list.assign(1, text);
    bool quoted = false;
    for (char *p = text; *p; p++) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (*p == ';' && !quoted) {
            *p = 0;
            if (list.size() == kCliListSize - 1) break;
            list.push_back(p + 1);
        }
    }
    list.push_back(nullptr);
}

// Operation types of the configuration manager by element name.
int operationOf(const std::string &name) {
    if (name == "get") return CM_OP_GET;
    if (name == "set") return CM_OP_SET;
    if (name == "setop") return CM_OP_SETOP;
    return 0;
}

unsigned cliWaitSeconds() {
    return wsvdAnswerGuardSeconds("KARN_CLI_TIMEOUT_SECONDS", 60);
}

struct CliRun {
    char **commands;
    uint32_t seqnum;
};

// The CLI library ends a run with its end event, also when it could not hand the
// commands over, once its link has been started (when the CLI process came up after
// the daemon); before that nothing would end the wait.
bool runCli(void *run) {
    auto *c = static_cast<CliRun *>(run);
    return karnExecuteCLI("xmlapi", c->commands, 0, c->seqnum) != CLI_NOT_STARTED;
}

}  // namespace

int wsvdOpExecConfig(struct soap *soap, _qtncfg__execConfig *request,
                     _qtncfg__execConfigResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    int access = checkAccess(soap, r, kWriteOperation);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0) return cmFault(soap, CM_FAULT_NO_WRITE);
    if (!request || !request->config) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);

    const std::string &config = *request->config;
    // The text is the client's own request and goes out as written, but characters
    // that no request holds (an unknown entity reference among them) are refused.
    if (int rc = cmRefuseControl(soap, "config", config, true)) return rc;
    static const char kModuleTag[] = "<module_";
    const size_t tagLength = strlen(kModuleTag);
    size_t moduleEnd = config.find('>');
    if (config.compare(0, tagLength, kModuleTag) != 0 || moduleEnd == std::string::npos)
        return cmFault(soap, "No module specified in configuration");
    std::string module = config.substr(tagLength, moduleEnd - tagLength);
    if (module.size() > CM_MODULE_NAME_SIZE - 1) module.resize(CM_MODULE_NAME_SIZE - 1);

    size_t open = config.find('<', moduleEnd + 1);
    if (open == std::string::npos) return cmFault(soap, "No operation specified in configuration");
    size_t close = config.find('>', open + 1);
    int operation =
        close == std::string::npos ? 0 : operationOf(config.substr(open + 1, close - open - 1));
    if (operation == 0) return cmFault(soap, "Invalid operation specified in configuration");

    // The configuration manager's answer data is not part of the response.
    return cmSet(soap, r, module.c_str(), uint32_t(operation), config.c_str(),
                 CM_SET_ONE_IS_SUCCESS, CM_TRACE_NONE, nullptr);
}

int wsvdOpExecCli(struct soap *soap, _qtncfg__execCli *request,
                  _qtncfg__execCliResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (!request || !request->command) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    const std::string &command = *request->command;
    std::vector<char> copy(command.begin(), command.end());
    copy.push_back(0);
    std::vector<char *> list;
    if (command.find(';') != std::string::npos) {
        splitCommands(copy.data(), list);
    } else {
        list = {copy.data(), nullptr};
    }

    // Judged on the commands that will run, not on the text as sent: "show vlan;save
    // configuration" begins like a read but is not one.
    bool read = isReadList(list.data());
    int access = checkAccess(soap, r, read ? kReadOperation : kWriteOperation);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0 && !read) return cmFault(soap, CM_FAULT_NO_WRITE);

    CliRun run{list.data(), r->seqnum};
    wsvdAwait_t outcome = wsvdAnswerAwait(r->answer, cliWaitSeconds(), runCli, &run);
    if (outcome == WSVD_NOT_SENT && r->response)
        bufferPuts(r->response, "Error: The CLI process is not available.\n");
    else if (outcome != WSVD_ANSWERED)
        WSVD_LOG("No end of CLI output for request %u", r->seqnum);

    const char *output = r->response && r->response->data ? r->response->data : "";
    std::string *reply = serviceNewText(soap, output);
    if (r->response) bufferReset(r->response);
    if (!reply) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.reply = reply;
    return 0;
}

int wsvdOpUpmSaveConfig(struct soap *soap, _upm__saveConfigRequest *request,
                        _upm__saveConfigResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (!request || !request->hdr) return cmFault(soap, CM_FAULT_INVALID_PACKET);
    // Saving changes nothing in the running configuration, so read access is enough.
    if (wsvdRequestAuthenticate(r->userName, r->password, r->clientKind) < 0)
        return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (int rc = cmSet(soap, r, "cfgmgr", CM_OP_SETOP,
                       "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop>"
                       "</module_cfgmgr>",
                       CM_SET_ZERO_IS_FAILURE, CM_TRACE_UPM, nullptr))
        return rc;
    response.hdr = serviceCopyHeader(soap, request->hdr);
    return 0;
}
