#include "soap/cm_exchange.h"

#include <stdsoap2.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
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

}  // namespace

int cmFault(struct soap *soap, const char *text) {
    const char *copy = soap_strdup(soap, text ? text : CM_FAULT_UNKNOWN);
    return soap_sender_fault(soap, copy ? copy : CM_FAULT_OUT_OF_MEMORY, nullptr);
}

int cmReplyFault(struct soap *soap, const wsvdRequest *r) {
    const char *text = r->replyMessage && r->replyMessage[0] ? r->replyMessage : CM_FAULT_UNKNOWN;
    return cmFault(soap, text);
}

int cmRefuseControl(struct soap *soap, const char *field, const std::string &value,
                    bool lineBreaks) {
    if (!cmTextHasControl(value, lineBreaks)) return 0;
    return cmFault(soap, (std::string("Invalid character in ") + field).c_str());
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
          uint32_t getFlags, const char *text, void **object, cmTraceStyle trace,
          uint32_t *status) {
    *object = nullptr;
    if (trace == CM_TRACE_UPM) WSVD_LOG("Request: %s", text);
    uint32_t got = cmExchange(r, CM_OP_GET, getFlags, module, text);
    if (status) *status = got;
    int rc;
    if (got == 0) {
        if (r->replyMessage && trace == CM_TRACE_UPM) WSVD_LOG("Response : %s", r->replyMessage);
        rc = cmReplyFault(soap, r);
    } else {
        if (r->replyData && r->replyData[0] && trace == CM_TRACE_UPM)
            WSVD_LOG("RetCode: %d Response : %s", int(got), r->replyData);
        rc = parseReply(soap, r, parser, module, object);
    }
    cmExchangeClear(r);
    return rc;
}

int cmWalk(struct soap *soap, wsvdRequest *r, const cmWalkSteps_t *walk, const std::string &first,
           uint32_t *count) {
    *count = 0;
    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    std::string text = first, next;
    int rc = 0;
    for (uint32_t i = 0; i < walk->max; i++) {
        void *object = nullptr;
        uint32_t status = 0;
        rc = cmGet(soap, r, parser, walk->module, walk->getFlags, text.c_str(), &object,
                   CM_TRACE_NONE, &status);
        if (rc != 0 || !object) break;
        next.clear();
        bool more = walk->step(walk->context, object, status, i, &next);
        walk->freeObject(object);
        *count = i + 1;
        if (!more) break;
        text.swap(next);
    }
    cmObjectParserFree(parser);
    return rc;
}

namespace {

struct FixedWalk {
    const cmWalk_t *walk;
};

bool fixedStep(void *context, void *object, uint32_t, uint32_t index, std::string *next) {
    const cmWalk_t *walk = static_cast<FixedWalk *>(context)->walk;
    char text[CM_TEXT_SIZE] = "";
    walk->take(walk->context, object, index, text);
    *next = text;
    return true;
}

}  // namespace

int cmGetNextWalk(struct soap *soap, wsvdRequest *r, const cmWalk_t *walk, uint32_t *count) {
    FixedWalk context{walk};
    // The walk frees each object itself, after `take`.
    const cmWalkSteps_t steps = {walk->module, CM_GET_NEXT,      walk->max,
                                 fixedStep,    walk->freeObject, &context};
    return cmWalk(soap, r, &steps, walk->firstText, count);
}
