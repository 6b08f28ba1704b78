#include "services/cm_exchange.h"

#include <stdsoap2.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cmclient/cm.h"
#include "platform/util.h"
#include "platform/wsvdreq.h"

namespace {

const char *parserError(const cmObjectParser_t *parser) {
    const buffer_t *b = parser->errorBuffer;
    return b && b->data && b->data[0] ? b->data : CM_FAULT_UNKNOWN;
}

void takeFirstObject(cmObjectParser_t *parser, const char *module, cmObject_t *parsed,
                     void **object) {
    *object = parsed->data;
    parsed->data = nullptr;
    cmFuncTableEntry_t *entry = parser->entry ? parser->entry : cmFuncTableEntryGet(module);
    entry->free(parsed, cmFree_wrapper);
}

// Parses the record's reply data. 0 with *object (or null: nothing came back), or the
// fault code of a parser error.
int parseReply(struct soap *soap, wsvdRequest *r, cmObjectParser_t *parser, const char *module,
               void **object) {
    *object = nullptr;
    const char *data = r->replyData;
    if (!data || !data[0]) {
        if (parser->errorCount) return cmFault(soap, parserError(parser));
        return 0;
    }
    cmObject_t *parsed = cmObjectParse(parser, module, data, uint32_t(strlen(data)));
    if (parser->errorCount) return cmFault(soap, parserError(parser));
    if (parsed) takeFirstObject(parser, module, parsed, object);
    return 0;
}

// The client library answers every request it accepts within its own bound; this
// bound only keeps a broken library from holding the worker for good.
unsigned cmWaitSeconds() {
    return wsvdAnswerGuardSeconds("KARN_CM_TIMEOUT_SECONDS", 30);
}

bool sendToCfgmgr(void *request) {
    return cmSendRequest(static_cast<const cmRequest_t *>(request)) >= 1;
}

}  // namespace

uint32_t cmExchange(wsvdRequest *r, uint32_t operation, uint32_t getFlags, const char *module,
                    const char *text) {
    cmExchangeClear(r);
    cmRequest_t request;
    memset(&request, 0, sizeof request);
    request.operation = operation;
    request.getFlags = getFlags;
    request.text = text;
    request.seqnum = r->seqnum;
    strlcpy(request.module, module ? module : "", sizeof request.module);

    r->replyStatus = 0;
    wsvdAwait_t outcome = wsvdAnswerAwait(r->answer, cmWaitSeconds(), sendToCfgmgr, &request);
    if (outcome == WSVD_NOT_SENT) {
        r->replyMessage = strdup(CM_FAULT_CANNOT_SEND);
        return 0;
    }
    if (outcome == WSVD_NO_ANSWER) {
        WSVD_LOG("No reply from cfgmgr for request %u", r->seqnum);
        cmExchangeClear(r);
        r->replyStatus = 0;
    }
    return r->replyStatus;
}

void cmExchangeClear(wsvdRequest *r) {
    free(r->replyMessage);
    r->replyMessage = nullptr;
    free(r->replyData);
    r->replyData = nullptr;
}

int cmFault(struct soap *soap, const char *text) {
    const char *copy = soap_strdup(soap, text ? text : CM_FAULT_UNKNOWN);
    return soap_sender_fault(soap, copy ? copy : CM_FAULT_OUT_OF_MEMORY, nullptr);
}

int cmReplyFault(struct soap *soap, const wsvdRequest *r) {
    const char *text = r->replyMessage && r->replyMessage[0] ? r->replyMessage : CM_FAULT_UNKNOWN;
    return cmFault(soap, text);
}

int cmSet(struct soap *soap, wsvdRequest *r, const char *module, uint32_t operation,
          const char *text, cmSetRule rule, cmTraceStyle trace, uint32_t *status) {
    if (trace == CM_TRACE_CREATE) WSVD_LOG("Request: %s\n", text);
    if (trace == CM_TRACE_UPM) WSVD_LOG("Request: %s", text);
    uint32_t got = cmExchange(r, operation, 0, module, text);
    if (status) *status = got;
    bool failed = rule == CM_SET_ONE_IS_SUCCESS ? got != 1 : got == 0;
    int rc = 0;
    if (failed) {
        if (r->replyMessage && trace == CM_TRACE_CREATE)
            WSVD_LOG("Response: %s\n", r->replyMessage);
        if (r->replyMessage && trace == CM_TRACE_UPM) WSVD_LOG("Response : %s", r->replyMessage);
        rc = cmReplyFault(soap, r);
    }
    cmExchangeClear(r);
    return rc;
}

int cmGet(struct soap *soap, wsvdRequest *r, cmObjectParser_t *parser, const char *module,
          uint32_t getFlags, const char *text, void **object) {
    *object = nullptr;
    int rc;
    if (cmExchange(r, CM_OP_GET, getFlags, module, text) == 0)
        rc = cmReplyFault(soap, r);
    else
        rc = parseReply(soap, r, parser, module, object);
    cmExchangeClear(r);
    return rc;
}

int cmGetNextWalk(struct soap *soap, wsvdRequest *r, const cmWalk_t *walk, uint32_t *count) {
    *count = 0;
    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    char text[CM_TEXT_SIZE];
    strlcpy(text, walk->firstText, sizeof text);
    int rc = 0;
    for (uint32_t i = 0; i < walk->max; i++) {
        void *object = nullptr;
        rc = cmGet(soap, r, parser, walk->module, CM_GET_NEXT, text, &object);
        if (rc != 0 || !object) break;
        char next[CM_TEXT_SIZE] = "";
        walk->take(walk->context, object, i, next);
        walk->freeObject(object);
        *count = i + 1;
        strlcpy(text, next, sizeof text);
    }
    cmObjectParserFree(parser);
    return rc;
}
