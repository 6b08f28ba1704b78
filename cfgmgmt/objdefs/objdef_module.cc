#include "cfgmgmt/objdefs/objdef_module.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const cmTag_t *cmModuleLookup(const cmModuleDef_t *module, const char *name) {
    if (!name) return nullptr;
    uint32_t low = 0, high = module->tagCount;
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        int cmp = cmObjectInfoCompare(name, &module->tags[mid]);
        if (cmp == 0) return &module->tags[mid];
        if (cmp < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return nullptr;
}

const cmObjectDesc_t *cmModuleDesc(const cmModuleDef_t *module, const cmTag_t *tag) {
    if (!tag || tag->kind != cmTagKind_object || tag->objectIndex == 0 ||
        tag->objectIndex >= module->descCount)
        return nullptr;
    return module->descs[tag->objectIndex];
}

cmObject_t *cmModuleAlloc(const cmModuleDef_t *module, const cmTag_t *tag) {
    const cmObjectDesc_t *desc = cmModuleDesc(module, tag);
    if (!desc) return nullptr;
    cmObject_t *object = cmObject_t_alloc();
    if (!object) return nullptr;
    object->tag = tag;
    object->data = cmObjectAllocCore(desc, 0);
    if (!object->data) {
        cmObject_t_free(object);
        return nullptr;
    }
    return object;
}

void cmModuleFree(const cmModuleDef_t *module, cmObject_t *object, int mode) {
    if (!object) return;
    if (mode & cmFree_data) {
        const cmObjectDesc_t *desc = cmModuleDesc(module, object->tag);
        if (desc) cmObjectFreeList(desc, object->data);
        object->data = nullptr;
    }
    if (mode & cmFree_wrapper) cmObject_t_free(object);
}

int cmModuleSetData(const cmModuleDef_t *module, cmObject_t *target, cmObject_t *item) {
    if (!target || !item || !item->tag) return -1;
    const cmObjectDesc_t *desc = cmModuleDesc(module, target->tag);
    if (!desc || !target->data) return -1;
    // A leaf that belongs to another object of the module is skipped; a child object
    // must be a field of the target, or its structure would be lost.
    int allowUnknown = item->tag->kind == cmTagKind_object ? 0 : 1;
    return cmObjectConstructCore(desc, target->data, item, allowUnknown) == 0 ? 0 : -1;
}

void cmModuleRegister(cmFuncTableEntry_t *entry) {
    if (!cmFuncTableInit()) {
        fprintf(stderr, "cmobjdefs: cannot create the object registry\n");
        abort();
    }
    cmFuncTableEntryInsert(entry);
}

int cmRequestSplit(const char *text, cmRequestParts_t *parts) {
    if (!text || strncmp(text, "<module_", 8) != 0) return -1;
    const char *module = text + 8;
    const char *moduleEnd = strchr(module, '>');
    if (!moduleEnd || moduleEnd == module) return -1;
    const char *op = moduleEnd + 1;
    while (*op == ' ' || *op == '\t' || *op == '\r' || *op == '\n') op++;
    if (*op != '<') return -1;
    op++;
    const char *opEnd = strchr(op, '>');
    if (!opEnd || opEnd == op) return -1;
    size_t opLength = static_cast<size_t>(opEnd - op);
    if (opLength > 16) return -1;
    char closing[24];
    snprintf(closing, sizeof closing, "</%.*s>", static_cast<int>(opLength), op);
    const char *body = opEnd + 1;
    const char *bodyEnd = strstr(body, closing);
    if (!bodyEnd) return -1;
    parts->module = module;
    parts->moduleLength = static_cast<size_t>(moduleEnd - module);
    parts->operation = op;
    parts->operationLength = opLength;
    parts->body = body;
    parts->bodyLength = static_cast<size_t>(bodyEnd - body);
    return 0;
}
