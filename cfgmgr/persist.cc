#include "cfgmgr/persist.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "cfgmgr/store.h"
#include "cfgmgr/types.h"
#include "platform/dmcard.h"

const char kSavedFileName[] = "cfgmgr.cfg";

namespace {

const char kMagic[] = "cfgmgr-config 1\n";
const size_t kRelayCap = 256;
std::map<std::string, std::vector<std::string>> gRelayed;

uint64_t checksum(const char *data, size_t length) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (size_t i = 0; i < length; i++) {
        h ^= uint8_t(data[i]);
        h *= 1099511628211ull;
    }
    return h;
}

bool writeAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string replaceAll(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The texts of a factory row: one, or one per front port when it names a port.
std::vector<std::string> factoryTexts(const std::string &text, const std::string &allPorts) {
    std::string all = replaceAll(replaceAll(text, "@ALLPORTS@", allPorts), "@MGMTPORT@", "mgmt");
    if (all.find("@SLOT@") == std::string::npos && all.find("@PORTNUM@") == std::string::npos &&
        all.find("@PORTNAME@") == std::string::npos)
        return {all};
    std::vector<std::string> texts;
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++) {
        if (!dmSlotUsable(slot)) continue;
        for (int port = 1; port <= dmGetCardPorts(slot); port++)
            texts.push_back(replaceAll(replaceAll(replaceAll(all, "@SLOT@", std::to_string(slot)),
                                                  "@PORTNUM@", std::to_string(port)),
                                       "@PORTNAME@", cfgPortName(slot, port)));
    }
    return texts;
}

}  // namespace

void cfgRelayRecord(const std::string &module, const std::string &text) {
    std::vector<std::string> &list = gRelayed[module];
    list.push_back(text);
    if (list.size() > kRelayCap) list.erase(list.begin());
}

std::vector<std::string> cfgRelayTexts(const std::string &module) {
    auto it = gRelayed.find(module);
    return it == gRelayed.end() ? std::vector<std::string>() : it->second;
}

void cfgRelayClear() {
    gRelayed.clear();
}

// Records: "R <module> <instance> <length>\n<xml>\n" for rows, "B <module> <length>\n<text>\n"
// for relayed requests; then "E <records> <checksum of everything before E>\n".
std::string cfgPersistText() {
    std::string out = kMagic;
    size_t count = 0;
    for (const cfgRecord_t &r : cfgStoreRecords()) {
        out += "R " + r.module + " " + std::to_string(r.instance) + " " +
               std::to_string(r.xml.size()) + "\n" + r.xml + "\n";
        count++;
    }
    for (auto &[module, texts] : gRelayed)
        for (const std::string &text : texts) {
            out += "B " + module + " " + std::to_string(text.size()) + "\n" + text + "\n";
            count++;
        }
    char trailer[64];
    snprintf(trailer, sizeof trailer, "E %zu %016llx\n", count,
             static_cast<unsigned long long>(checksum(out.data(), out.size())));
    return out + trailer;
}

int cfgPersistParse(const std::string &text, std::string *why) {
    auto bad = [&](const std::string &what) {
        *why = what;
        cfgStoreClear();
        cfgRelayClear();
        return -1;
    };
    if (text.compare(0, strlen(kMagic), kMagic) != 0) return bad("not a saved configuration");
    size_t trailer = text.rfind("\nE ");
    if (trailer == std::string::npos) return bad("no end record (cut short?)");
    trailer++;
    size_t count = 0;
    unsigned long long sum = 0;
    char extra;
    if (sscanf(text.c_str() + trailer, "E %zu %llx%c", &count, &sum, &extra) != 3 ||
        extra != '\n' || text.find('\n', trailer) != text.size() - 1)
        return bad("bad end record");
    if (checksum(text.data(), trailer) != sum) return bad("checksum mismatch");
    cfgStoreClear();
    cfgRelayClear();
    size_t at = strlen(kMagic), seen = 0;
    while (at < trailer) {
        size_t eol = text.find('\n', at);
        if (eol == std::string::npos || eol >= trailer) return bad("record header cut short");
        std::istringstream header(text.substr(at, eol - at));
        std::string kind, module;
        uint32_t instance = 0;
        size_t length = 0;
        header >> kind >> module;
        if (kind == "R") header >> instance;
        header >> length;
        if (!header || (kind != "R" && kind != "B") || length > trailer - eol - 1 ||
            text[eol + 1 + length] != '\n')
            return bad("bad record header");
        std::string body = text.substr(eol + 1, length);
        if (kind == "R") {
            std::string reason;
            if (cfgStoreRestore(cfgRecord_t{module, instance, body}, &reason) != 0)
                return bad("bad record: " + reason);
        } else {
            cfgRelayRecord(module, body);
        }
        at = eol + 1 + length + 1;
        seen++;
    }
    if (seen != count) return bad("record count mismatch");
    return 0;
}

int cfgPersistSave(const std::string &dir, std::string *why) {
    if (dir.empty()) {
        *why = "there is no configuration directory";
        return -1;
    }
    std::string path = dir + "/" + kSavedFileName, temp = path + ".tmp";
    std::string text = cfgPersistText();
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        *why = temp + ": " + strerror(errno);
        return -1;
    }
    bool ok = writeAll(fd, text) && fsync(fd) == 0;
    int err = errno;
    close(fd);
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        *why = temp + ": " + strerror(ok ? errno : err);
        unlink(temp.c_str());
        return -1;
    }
    // The rename itself must reach the disk before the save is reported done.
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return 0;
}

int cfgPersistLoad(const std::string &dir, std::string *why) {
    if (dir.empty()) return 0;
    std::string path = dir + "/" + kSavedFileName;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::string text;
    char chunk[65536];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, size_t(n));
    close(fd);
    if (n < 0 || cfgPersistParse(text, why) != 0) {
        if (n < 0) *why = strerror(errno);
        rename(path.c_str(), (path + ".damaged").c_str());
        return -1;
    }
    return 1;
}

std::string cfgAllPortsText() {
    std::string text;
    bool multiSlot = dmConfig()->words[DM_CONFIG_SLOT_COUNT] >= 2;
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++) {
        if (!dmSlotUsable(slot) || dmGetCardPorts(slot) <= 0) continue;
        if (!text.empty()) text += ",";
        text +=
            multiSlot ? std::to_string(slot) + ":*" : "1-" + std::to_string(dmGetCardPorts(slot));
    }
    return text;
}

int cfgApplyFactory(std::string *why) {
    std::string ports = cfgAllPortsText();
    int rc = 0;
    for (const cfgFactoryRow &row : cfgStoreFactory()) {
        for (const std::string &text : factoryTexts(row.text, ports)) {
            std::string reason;
            if (cfgStoreMakeFactoryRow(row, text, &reason) != 0 && rc == 0) {
                *why = row.where + ": " + reason;
                rc = -1;
            }
        }
    }
    return rc;
}
