// The object parser: configuration-manager XML to object structures, through a
// module's object information entry.
//
// The text is parsed inside an invisible document root, so that a reply may hold zero
// objects, or (wrongly) several, and still reach the object rules below instead of
// an XML syntax error. The first error stops all processing of the document.
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_object_internal.h"
#include "platform/cmxml.h"

namespace {

constexpr char kRootName[] = "cmObjectDocument";
constexpr char kRootOpen[] = "<cmObjectDocument>";
constexpr char kRootClose[] = "</cmObjectDocument>";

void parseError(cmObjectParser_t *p, const char *format, ...) __attribute__((format(printf, 2, 3)));
void parseError(cmObjectParser_t *p, const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    bufferPuts(p->errorBuffer, text);
    if (p->errorCount < 255) p->errorCount++;
}

const cmTag_t *innermost(cmObjectParser_t *p) {
    return static_cast<const cmTag_t *>(stackPeek(p->tagStack));
}

void onStart(void *user, const char *name, const char **) {
    auto *p = static_cast<cmObjectParser_t *>(user);
    if (p->depth++ == 0) return;  // the invisible root
    if (p->errorCount) return;
    if (p->skipDepth) {
        p->skipDepth++;
        return;
    }
    const cmTag_t *tag = p->entry->lookup(name);
    if (!tag) {
        const cmTag_t *open = innermost(p);
        if (open && open->kind == cmTagKind_object) {
            p->skipDepth = 1;
            return;
        }
        parseError(p, "Unknown tag \"%s\".", name);
        return;
    }
    if (stackPush(p->tagStack, const_cast<cmTag_t *>(tag)) != 0) {
        parseError(p, "Failed to allocate \"%s\" object.", tag->name);
        return;
    }
    switch (tag->kind) {
        case cmTagKind_object:
            if (p->current && stackPush(p->objectStack, p->current) != 0) {
                parseError(p, "Failed to allocate \"%s\" object.", tag->name);
                return;
            }
            p->current = p->entry->alloc(tag);
            if (!p->current) parseError(p, "Failed to allocate \"%s\" object.", tag->name);
            break;
        case cmTagKind_grouping:
            break;
        case cmTagKind_leaf:
            if (p->leaf.tag)
                parseError(p, "Tag \"%s\" does not contain other tag.", p->leaf.tag->name);
            else
                p->leaf.tag = tag;
            break;
        default:
            parseError(p, "Unknown tag \"%s\" type %u.", name, tag->kind);
            break;
    }
}

void onText(void *user, const char *text, int length) {
    auto *p = static_cast<cmObjectParser_t *>(user);
    if (p->errorCount || p->skipDepth) return;
    const cmTag_t *open = innermost(p);
    if (!open) {
        // Blanks between top-level objects are layout, anything else is stray text.
        for (int i = 0; i < length; i++)
            if (!isspace(static_cast<unsigned char>(text[i]))) {
                parseError(p, "Missing open tag.");
                return;
            }
        return;
    }
    switch (open->kind) {
        case cmTagKind_leaf:
            if (bufferPutn(p->textBuffer, text, length) < 0)
                parseError(p, "Failed to allocate \"%s\" object.", open->name);
            break;
        case cmTagKind_object:
        case cmTagKind_grouping:
            break;
        default:
            parseError(p, "Unknown tag \"%s\" type %u.", open->name, open->kind);
            break;
    }
}

void freeObject(cmObjectParser_t *p, cmObject_t *object, int mode) {
    if (object) p->entry->free(object, mode);
}

void endObject(cmObjectParser_t *p) {
    cmObject_t *done = p->current;
    p->current = nullptr;
    if (!done) return;
    if (p->objectStack->count > 0) {
        auto *outer = static_cast<cmObject_t *>(stackPop(p->objectStack));
        p->current = outer;
        if (p->entry->setData(outer, done) != 0) {
            parseError(p, "Failed when setting field \"%s\" type %u", done->tag->name,
                       done->tag->objectIndex);
            freeObject(p, done, cmFree_all);  // not linked into the outer object
        } else {
            freeObject(p, done, cmFree_wrapper);  // the structure now belongs to outer
        }
        return;
    }
    if (p->result) {
        parseError(p, "Cannot configure more than one object in a single request.");
        freeObject(p, done, cmFree_all);
        return;
    }
    p->result = done;
}

void onEnd(void *user, const char *name) {
    auto *p = static_cast<cmObjectParser_t *>(user);
    if (p->depth > 0) p->depth--;
    if (p->depth == 0) return;  // the invisible root
    if (p->errorCount) return;
    if (p->skipDepth) {
        p->skipDepth--;
        return;
    }
    auto *tag = static_cast<const cmTag_t *>(stackPop(p->tagStack));
    if (!tag) {
        parseError(p, "Missing open tag \"%s\".", name);
        return;
    }
    switch (tag->kind) {
        case cmTagKind_object:
            endObject(p);
            break;
        case cmTagKind_grouping:
            bufferReset(p->textBuffer);
            break;
        case cmTagKind_leaf:
            p->leaf.data = p->textBuffer->data;
            if (p->entry->setData(p->current, &p->leaf) != 0)
                parseError(p, "%s Failed to convert \"%s\" value \"%s\".", "cmObjectParseEnd",
                           tag->name, p->textBuffer->data);
            bufferReset(p->textBuffer);
            p->leaf = cmObject_t{};
            break;
        default:
            parseError(p, "Unknown tag \"%s\" type %u.", tag->name, tag->kind);
            break;
    }
}

// Feeds the text to the XML parser inside the invisible root; a leading XML
// declaration must stay in front of the root.
bool feed(void *area, const char *text, uint32_t length) {
    uint32_t start = 0;
    if (length >= 5 && memcmp(text, "<?xml", 5) == 0) {
        const char *end = static_cast<const char *>(memmem(text, length, "?>", 2));
        if (end) start = static_cast<uint32_t>(end - text) + 2;
    }
    return cmXML_Parse(area, text, static_cast<int>(start), 0) &&
           cmXML_Parse(area, kRootOpen, sizeof kRootOpen - 1, 0) &&
           cmXML_Parse(area, text + start, static_cast<int>(length - start), 0) &&
           cmXML_Parse(area, kRootClose, sizeof kRootClose - 1, 1);
}

// Reads the text with the XML parser inside the invisible root.
void readWithParser(cmObjectParser_t *p, const char *text, uint32_t length) {
    alignas(void *) unsigned char area[CMXML_PARSER_AREA_SIZE];
    if (cmXML_ParserInit(area, sizeof area) != 0) {
        bufferPuts(p->errorBuffer, "Failed to create XML parser!");
        return;
    }
    cmXML_SetUserData(area, p);
    cmXML_SetElementHandler(area, onStart, onEnd);
    cmXML_SetCharacterDataHandler(area, onText);
    bool ok = length <= INT_MAX - 64 && feed(area, text, length);
    if (!ok) {
        if (p->errorCount < 255) p->errorCount++;
        bufferPuts(p->errorBuffer, cmXML_ErrorString(cmXML_GetErrorCode(area)));
    }
    cmXML_ParserFree(area);
}

// The plain form every process writes is read without the XML parser, which costs
// more to make ready than such a reply costs to read; the same handlers run in the
// same order.
bool readPlain(cmObjectParser_t *p, const char *text, uint32_t length) {
    static const char *noAttributes[] = {nullptr};
    onStart(p, kRootName, noAttributes);
    if (!cmXML_ParsePlainContent(text, length, onStart, onEnd, onText, p)) {
        p->depth = 0;
        return false;
    }
    onEnd(p, kRootName);
    return true;
}

}  // namespace

cmObjectParser_t *cmObjectParserAlloc() {
    auto *p = static_cast<cmObjectParser_t *>(calloc(1, sizeof(cmObjectParser_t)));
    if (!p) return nullptr;
    p->tagStack = stackAlloc(16);
    p->objectStack = stackAlloc(16);
    p->textBuffer = bufferAlloc(128);
    p->errorBuffer = bufferAlloc(128);
    if (!p->tagStack || !p->objectStack || !p->textBuffer || !p->errorBuffer) {
        cmObjectParserFree(p);
        return nullptr;
    }
    return p;
}

void cmObjectParserFree(cmObjectParser_t *p) {
    if (!p) return;
    stackFree(p->tagStack);
    stackFree(p->objectStack);
    if (p->textBuffer) bufferFree(p->textBuffer);
    if (p->errorBuffer) bufferFree(p->errorBuffer);
    free(p);
}

cmObject_t *cmObjectParse(cmObjectParser_t *p, const char *moduleName, const char *text,
                          uint32_t length) {
    if (p->result || p->current || p->objectStack->count != 0)
        cmObjectFatal("cmObjectParse: parser still holds objects of an earlier parse");
    bufferReset(p->errorBuffer);
    bufferReset(p->textBuffer);
    p->tagStack->count = 0;
    p->objectStack->count = 0;
    p->leaf = cmObject_t{};
    p->errorCount = 0;
    p->depth = 0;
    p->skipDepth = 0;
    if (moduleName) p->entry = cmFuncTableEntryGet(moduleName);
    if (!p->entry)
        cmObjectFatal("cmObjectParse: module \"%s\" is not registered",
                      moduleName ? moduleName : "(previous)");
    if (!text) length = 0;

    if (!readPlain(p, text ? text : "", length)) readWithParser(p, text ? text : "", length);

    cmObject_t *result = p->result;
    p->result = nullptr;
    if (p->errorCount == 0) {
        p->current = nullptr;
        return result;
    }
    while (result) {
        cmObject_t *next = result->next;
        freeObject(p, result, cmFree_all);
        result = next;
    }
    while (p->objectStack->count > 0)
        freeObject(p, static_cast<cmObject_t *>(stackPop(p->objectStack)), cmFree_all);
    freeObject(p, p->current, cmFree_all);
    p->current = nullptr;
    p->leaf = cmObject_t{};
    return nullptr;
}

void *cmGetObject(cmObjectParser_t *p, const char *moduleName, const char *reply) {
    if (!reply) return nullptr;
    const char *status = strstr(reply, "<status>");
    if (!status || !strstr(status, "</status>")) return nullptr;
    status += strlen("<status>");
    while (*status == ' ' || *status == '\t' || *status == '\n' || *status == '\r') status++;
    if (strncmp(status, "ERROR", 5) == 0) {
        bufferPuts(p->errorBuffer, "CM operation ERROR!");
        return nullptr;
    }
    const char *message = strstr(reply, "<message>");
    if (!message) return nullptr;
    message += strlen("<message>");
    const char *end = strstr(message, "</message>");
    if (!end) return nullptr;
    cmObject_t *object =
        cmObjectParse(p, moduleName, message, static_cast<uint32_t>(end - message));
    if (!object) return nullptr;
    void *data = object->data;
    p->entry->free(object, cmFree_wrapper);
    return data;
}
