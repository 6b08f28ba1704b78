// Library watch. The platform libraries live in this process; the ones that speak
// to platformd ("epmlib", "dslib", "dmlib", "emslib") are up once the platform link
// is in sync, every other library at once.
#include "platform/lm.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/dispatch.h"
#include "platform/plink.h"

namespace {

struct Group {
    uint64_t id;
    lmCallBack_t callBack;
    bool needsLink;
    bool posted = false;  // a delivery is queued on the dispatcher
    bool delivered = false;
    bool inCallBack = false;
    bool cancelled = false;
};

std::mutex gMutex;
// Deliveries carry the group's id, not its address, so that a group cancelled
// before its delivery runs is simply not found.
std::map<uint64_t, Group *> gGroups;
uint64_t gNextId = 1;

bool needsLink(const char *name) {
    static const char *const linked[] = {"epmlib", "dslib", "dmlib", "emslib"};
    for (const char *l : linked)
        if (strcmp(name, l) == 0) return true;
    return false;
}

void deliver(void *arg) {
    uint64_t id = reinterpret_cast<uintptr_t>(arg);
    Group *group;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gGroups.find(id);
        if (it == gGroups.end()) return;
        group = it->second;
        group->posted = false;
        if (group->delivered || group->cancelled) return;
        if (group->needsLink && !plinkInSync()) return;  // the next link-up posts again
        group->delivered = group->inCallBack = true;
    }
    group->callBack(LM_EVENT_ALL_UP, group);
    std::lock_guard<std::mutex> lock(gMutex);
    group->inCallBack = false;
    if (group->cancelled) {
        gGroups.erase(id);
        delete group;
    }
}

// Queues a delivery for every group that is ready and has none queued.
void postReady() {
    bool inSync = plinkInSync();
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto &entry : gGroups) {
        Group *g = entry.second;
        if (g->posted || g->delivered || g->cancelled || (g->needsLink && !inSync)) continue;
        // dispatchPost does not call back into us, so holding the lock is safe here.
        if (dispatchPost(deliver, reinterpret_cast<void *>(uintptr_t(entry.first))) == 0)
            g->posted = true;
    }
}

void onLink(bool up) {
    if (up) postReady();
}

}  // namespace

void *lmWatchGroup(char (*names)[LM_NAME_SLOT], int count, int, lmCallBack_t callBack, int, int) {
    if (count < 0 || (count > 0 && !names) || !callBack) return nullptr;
    Group *group = new Group{};
    group->callBack = callBack;
    for (int i = 0; i < count; i++) {
        char name[LM_NAME_SLOT + 1] = {};
        memcpy(name, names[i], LM_NAME_SLOT);
        if (needsLink(name)) group->needsLink = true;
    }
    {
        std::lock_guard<std::mutex> lock(gMutex);
        group->id = gNextId++;
        gGroups[group->id] = group;
    }
    if (group->needsLink) {
        plinkAddLinkHook(onLink);
        plinkConnect();
    }
    postReady();
    return group;
}

void lmCancelGroup(void *handle) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gGroups.begin(); it != gGroups.end(); ++it) {
        if (it->second != handle) continue;
        Group *group = it->second;
        if (group->inCallBack) {
            group->cancelled = true;  // freed when its callback returns
        } else {
            gGroups.erase(it);
            delete group;
        }
        return;
    }
}
