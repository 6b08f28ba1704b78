// The module registry gFuncTable and the incident reporting of the object library.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_object_internal.h"
#include "platform/ems.h"
#include "platform/util.h"

cmFuncTable_t *gFuncTable = nullptr;
pthread_mutex_t gFuncTableMutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

constexpr uint32_t kRegistryCapacity = 64;

struct RegistryLock {
    RegistryLock() { pthread_mutex_lock(&gFuncTableMutex); }
    ~RegistryLock() { pthread_mutex_unlock(&gFuncTableMutex); }
};

void requireRegistry(const char *function) {
    if (!gFuncTable) cmObjectFatal("%s: the registry has not been created", function);
}

// Search by halving; the position of `name`, or -1.
int findLocked(const char *name) {
    uint32_t low = 0, high = gFuncTable->count;
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        int cmp = strcmp(name, gFuncTable->entries[mid]->name);
        if (cmp == 0) return static_cast<int>(mid);
        if (cmp < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return -1;
}

pthread_once_t gIncidentOnce = PTHREAD_ONCE_INIT;
uint32_t gIncidentComponent = 0;
bool gIncidentRegistered = false;

void registerIncidentComponent() {
    const char *process = karnGetProcessName();
    gIncidentRegistered =
        emsRegisterComponent(process && *process ? process : "cmbackend", &gIncidentComponent) == 0;
}

}  // namespace

void cmObjectFatal(const char *format, ...) {
    va_list args;
    va_start(args, format);
    fputs("cm_object: fatal: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    abort();
}

void cmIncidentV(const char *source, const char *function, const char *format, va_list args) {
    pthread_once(&gIncidentOnce, registerIncidentComponent);
    if (!gIncidentRegistered || !emsComponentFilterOn(gIncidentComponent)) return;
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    emsNotifyIncident(gIncidentComponent, kIncidentLevel, source, function, "%s", text);
}

void cmObjectIncident(const char *function, const char *format, ...) {
    va_list args;
    va_start(args, format);
    cmIncidentV("cm_object", function, format, args);
    va_end(args);
}

cmFuncTable_t *cmFuncTableInit() {
    RegistryLock lock;
    if (gFuncTable) return gFuncTable;
    auto *table = static_cast<cmFuncTable_t *>(calloc(1, sizeof(cmFuncTable_t)));
    if (!table) return nullptr;
    table->entries =
        static_cast<cmFuncTableEntry_t **>(calloc(kRegistryCapacity, sizeof(cmFuncTableEntry_t *)));
    if (!table->entries) {
        free(table);
        return nullptr;
    }
    table->capacity = kRegistryCapacity;
    gFuncTable = table;
    return table;
}

void cmFuncTableTerm() {
    RegistryLock lock;
    if (!gFuncTable) return;
    free(gFuncTable->entries);
    free(gFuncTable);
    gFuncTable = nullptr;
}

void cmFuncTableEntryInsert(cmFuncTableEntry_t *entry) {
    if (!entry || !entry->name) cmObjectFatal("cmFuncTableEntryInsert: entry without a name");
    RegistryLock lock;
    requireRegistry("cmFuncTableEntryInsert");
    int found = findLocked(entry->name);
    if (found >= 0) {
        // Replace every slot holding the old entry; the count stays.
        cmFuncTableEntry_t *old = gFuncTable->entries[found];
        for (uint32_t i = 0; i < gFuncTable->count; i++)
            if (gFuncTable->entries[i] == old) gFuncTable->entries[i] = entry;
        return;
    }
    if (gFuncTable->count >= gFuncTable->capacity)
        cmObjectFatal("cmFuncTableEntryInsert: no room for module \"%s\" (%u entries)", entry->name,
                      gFuncTable->capacity);
    uint32_t pos = 0;
    while (pos < gFuncTable->count && strcmp(gFuncTable->entries[pos]->name, entry->name) < 0)
        pos++;
    memmove(&gFuncTable->entries[pos + 1], &gFuncTable->entries[pos],
            (gFuncTable->count - pos) * sizeof(cmFuncTableEntry_t *));
    gFuncTable->entries[pos] = entry;
    gFuncTable->count++;
}

void cmFuncTableEntryRemove(cmFuncTableEntry_t *entry) {
    if (!entry) return;
    RegistryLock lock;
    requireRegistry("cmFuncTableEntryRemove");
    for (uint32_t i = 0; i < gFuncTable->count; i++) {
        if (gFuncTable->entries[i] != entry) continue;
        memmove(&gFuncTable->entries[i], &gFuncTable->entries[i + 1],
                (gFuncTable->count - i - 1) * sizeof(cmFuncTableEntry_t *));
        gFuncTable->count--;
        gFuncTable->entries[gFuncTable->count] = nullptr;
        return;
    }
}

cmFuncTableEntry_t *cmFuncTableEntryGet(const char *moduleName) {
    if (!moduleName) return nullptr;
    RegistryLock lock;
    requireRegistry("cmFuncTableEntryGet");
    int found = findLocked(moduleName);
    return found >= 0 ? gFuncTable->entries[found] : nullptr;
}

void cmFuncTableDump() {
    RegistryLock lock;
    requireRegistry("cmFuncTableDump");
    printf("\n******************** NUMBER OF ENTRY %d/%d ********************\n",
           static_cast<int>(gFuncTable->count), static_cast<int>(gFuncTable->capacity));
    if (gFuncTable->count == 0) printf("EMPTY");
    for (uint32_t i = 0; i < gFuncTable->count; i++) {
        const cmFuncTableEntry_t *e = gFuncTable->entries[i];
        printf("ENTRY #%d: { \"%s\", %p, %p, %p, %p }\n", static_cast<int>(i), e->name,
               reinterpret_cast<void *>(e->lookup), reinterpret_cast<void *>(e->alloc),
               reinterpret_cast<void *>(e->free), reinterpret_cast<void *>(e->setData));
    }
    fflush(stdout);
}

int cmObjectInfoCompare(const void *name, const void *record) {
    return strcmp(static_cast<const char *>(name), *static_cast<const char *const *>(record));
}

cmObject_t *cmObject_t_alloc() {
    return static_cast<cmObject_t *>(calloc(1, sizeof(cmObject_t)));
}

void cmObject_t_free(cmObject_t *object) {
    free(object);
}
