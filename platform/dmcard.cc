// The slot and port description of the simulated switch.
//
// Descriptions are immutable once loaded; a load publishes a new one and keeps the
// old ones alive, so that mask records handed out earlier stay valid.
#include "platform/dmcard.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kMaxSlots = 16;
constexpr int kMaxPorts = 256;

struct Slot {
    bool present = false;
    int ports = 0;
    int state = DM_CARD_STATE_OPERATIONAL;
    uint32_t flags = 0;
    dmPortFamilyMask_t family[2] = {};
};

struct Description {
    dmConfig_t config = {};
    int slotCount = 1;
    int mgmtSlot = 1;
    int selfSlot = 1;
    Slot slots[kMaxSlots + 1];  // indexed by slot number
};

const char kDefaultDescription[] =
    "slots 4\n"
    "slot 1 ports 48\n"
    "slot 2 ports 48\n"
    "slot 3 ports 24\n"
    "slot 4 ports 24\n"
    "mgmt 1\n"
    "self 1\n";

std::mutex gLoadMutex;
std::vector<std::unique_ptr<Description>> gKept;  // every description ever published
std::atomic<const Description *> gCurrent{nullptr};

void setPortBit(uint32_t *words, int port) {
    words[(port - 1) / 32] |= 0x80000000u >> ((port - 1) % 32);
}

bool parseInt(const std::string &word, long min, long max, int base, long *out) {
    if (word.empty()) return false;
    char *end = nullptr;
    errno = 0;
    long v = strtol(word.c_str(), &end, base);
    if (errno || *end || v < min || v > max) return false;
    *out = v;
    return true;
}

// "1-4,9,12-13" into the family mask of a slot with `ports` ports.
bool parseRanges(const std::string &text, int ports, uint32_t *words) {
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        size_t dash = item.find('-');
        long first, last;
        if (dash == std::string::npos) {
            if (!parseInt(item, 1, ports, 10, &first)) return false;
            last = first;
        } else if (!parseInt(item.substr(0, dash), 1, ports, 10, &first) ||
                   !parseInt(item.substr(dash + 1), first, ports, 10, &last)) {
            return false;
        }
        for (long p = first; p <= last; p++) setPortBit(words, static_cast<int>(p));
    }
    return true;
}

// One line of the description; false when it is not understood.
bool parseLine(Description &d, const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    if (w.empty() || w[0][0] == '#') return true;
    long v;
    if (w[0] == "slots" && w.size() == 2 && parseInt(w[1], 1, kMaxSlots, 10, &v)) {
        d.slotCount = static_cast<int>(v);
        return true;
    }
    if (w[0] == "mgmt" && w.size() == 2 && parseInt(w[1], 1, kMaxSlots, 10, &v)) {
        d.mgmtSlot = static_cast<int>(v);
        return true;
    }
    if (w[0] == "self" && w.size() == 2 && parseInt(w[1], 1, kMaxSlots, 10, &v)) {
        d.selfSlot = static_cast<int>(v);
        return true;
    }
    if (w[0] != "slot" || w.size() < 4 || w.size() % 2 != 0) return false;
    long slotNo, ports;
    if (!parseInt(w[1], 1, kMaxSlots, 10, &slotNo) || w[2] != "ports" ||
        !parseInt(w[3], 0, kMaxPorts, 10, &ports))
        return false;
    Slot s;
    s.present = true;
    s.ports = static_cast<int>(ports);
    std::string family1;
    for (size_t i = 4; i + 1 < w.size(); i += 2) {
        if (w[i] == "state" && parseInt(w[i + 1], 0, 0xFFFF, 10, &v)) {
            s.state = static_cast<int>(v);
        } else if (w[i] == "flags" && parseInt(w[i + 1], 0, 0xFFFFFFFFL, 16, &v)) {
            s.flags = static_cast<uint32_t>(v);
        } else if (w[i] == "family1") {
            family1 = w[i + 1];
        } else {
            return false;
        }
    }
    for (int f = 0; f < 2; f++) {
        s.family[f].slot = static_cast<uint32_t>(slotNo);
        s.family[f].family = static_cast<uint32_t>(f);
    }
    for (int p = 1; p <= s.ports; p++) setPortBit(s.family[0].words, p);
    if (!family1.empty() && !parseRanges(family1, s.ports, s.family[1].words)) return false;
    d.slots[slotNo] = s;
    return true;
}

void publish(const std::string &text, const char *origin) {
    auto d = std::make_unique<Description>();
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        if (!parseLine(*d, line))
            fprintf(stderr, "dm: %s line %d not understood, skipped: %s\n", origin, number,
                    line.c_str());
    }
    d->config.words[DM_CONFIG_SLOT_COUNT] = static_cast<uint32_t>(d->slotCount);
    gCurrent.store(d.get(), std::memory_order_release);
    gKept.push_back(std::move(d));
}

bool readFile(const char *path, std::string *text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    *text = ss.str();
    return true;
}

const Description &current() {
    const Description *d = gCurrent.load(std::memory_order_acquire);
    if (d) return *d;
    std::lock_guard<std::mutex> lock(gLoadMutex);
    if (!gCurrent.load()) {
        std::string text = kDefaultDescription, origin = "built-in description";
        if (const char *root = getenv("KARN_ROOT"); root && *root) {
            std::string path = std::string(root) + "/platform/switch";
            if (readFile(path.c_str(), &text)) origin = path;
        }
        publish(text, origin.c_str());
    }
    return *gCurrent.load();
}

const Slot *slotOf(int slot) {
    if (slot < 1 || slot > kMaxSlots) return nullptr;
    const Description &d = current();
    if (slot > d.slotCount) return nullptr;
    const Slot &s = d.slots[slot];
    return s.present ? &s : nullptr;
}

}  // namespace

const dmConfig_t *dmConfig() {
    return &current().config;
}

int dmGetSlotFirst() {
    return 1;
}
int dmGetSlotLast() {
    return current().slotCount;
}
int dmGetSlotFirstIO() {
    return 1;
}
int dmGetSlotLastIO() {
    return current().slotCount;
}
int dmGetSlotSelf() {
    return current().selfSlot;
}

int dmCardPresent(int slot) {
    return slotOf(slot) != nullptr;
}

int dmGetCardState(int slot) {
    const Slot *s = slotOf(slot);
    return s ? s->state : 0;
}

uint32_t dmGetCardFlags(int slot) {
    const Slot *s = slotOf(slot);
    return s ? s->flags : 0;
}

int dmGetCardPorts(int slot) {
    const Slot *s = slotOf(slot);
    return s ? s->ports : 0;
}

int dmGetMgmtPorts(int slot) {
    if (slot < 1 || slot > kMaxSlots) return 0;
    return current().mgmtSlot == slot ? 1 : 0;
}

int dmPortPresent(int slot, int port) {
    const Slot *s = slotOf(slot);
    return s && port >= 1 && port <= s->ports;
}

const dmPortFamilyMask_t *dmGetPortFamilyBitMaskByPortFamily(int slot, int family) {
    const Slot *s = slotOf(slot);
    if (!s || family < 0 || family > 1) return nullptr;
    return &s->family[family];
}

int dmLoadSwitchDescription(const char *path) {
    std::string text = kDefaultDescription;
    if (path && !readFile(path, &text)) return -1;
    std::lock_guard<std::mutex> lock(gLoadMutex);
    publish(text, path ? path : "built-in description");
    return 0;
}

int dmLoadSwitchDescriptionText(const char *text) {
    if (!text) return -1;
    std::lock_guard<std::mutex> lock(gLoadMutex);
    publish(text, "description");
    return 0;
}

int dmSlotUsable(int slot) {
    uint32_t flags = dmGetCardFlags(slot);
    if (flags & DM_CARD_FLAG_FORCED) return 1;
    return dmCardPresent(slot) && dmGetCardState(slot) >= DM_CARD_STATE_OPERATIONAL &&
           !(flags & DM_CARD_FLAG_DISABLED);
}
