// Module "cfgmgr": saving the configuration, and files of the configuration directory.
#include <errno.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "cfgmgr/hooks.h"
#include "cfgmgr/persist.h"

namespace {

int fail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

// A configuration name is a file of the configuration directory: "<name>.cfg".
bool configurationName(const std::string &name) {
    if (name.empty() || name.size() > 32 || name[0] == '.') return false;
    for (char ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)) && ch != '_' && ch != '-' && ch != '.')
            return false;
    return true;
}

// Without a name, the running configuration is saved as the one the switch starts with;
// with one, into the configuration of that name.
int saveConfig(cfgChange &c) {
    const cfgStoreEnvironment_t &environment = cfgStoreEnvironment();
    const std::string *name = c.table.value(c.request, "name");
    std::string why;
    if (name && !name->empty()) {
        if (!configurationName(*name))
            return fail(c, "\"" + *name +
                               "\" is not a configuration name: letters, digits, "
                               "\"_\", \"-\" and \".\", at most 32.");
        std::string dir = environment.configDir ? environment.configDir() : "";
        if (dir.empty()) return fail(c, "There is no configuration directory.");
        std::string path = dir + "/" + *name + ".cfg", temporary = path + ".tmp";
        std::string text = cfgPersistText();
        FILE *f = fopen(temporary.c_str(), "w");
        bool written = f && fwrite(text.data(), 1, text.size(), f) == text.size();
        if (f && fclose(f) != 0) written = false;
        if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
            unlink(temporary.c_str());
            return fail(
                c, "The configuration \"" + *name + "\" was not saved: " + strerror(errno) + ".");
        }
        return 0;
    }
    if (!environment.save) return fail(c, "Saving is not possible here.");
    if (environment.save(&why) != 0) return fail(c, "The configuration was not saved: " + why);
    return 0;
}

// "rm" of a file of the configuration directory, named by "src" (with "srcloc" "config")
// or by "fileName".
int fileOp(cfgChange &c) {
    const std::string *op = c.table.value(c.request, "op");
    const std::string *location = c.table.value(c.request, "srcloc");
    const std::string *name = c.table.value(c.request, "src");
    if (!name) name = c.table.value(c.request, "fileName");
    if (!op || *op != "rm") return fail(c, "fileOp supports the operation \"rm\".");
    if (location && *location != "config")
        return fail(c, "Location \"" + *location + "\" is unknown; files are in \"config\".");
    if (!name || name->empty()) return fail(c, "Missing field \"src\" of fileOp.");
    if (name->find('/') != std::string::npos || (*name)[0] == '.')
        return fail(c, "\"" + *name + "\" is not a file of the configuration directory.");
    std::string dir = cfgStoreEnvironment().configDir ? cfgStoreEnvironment().configDir() : "";
    if (dir.empty()) return fail(c, "There is no configuration directory.");
    if (unlink((dir + "/" + *name).c_str()) != 0) {
        if (errno == ENOENT) return fail(c, "File \"" + *name + "\" does not exist.");
        return fail(c, "File \"" + *name + "\" was not removed: " + strerror(errno) + ".");
    }
    return 0;
}

const cfgHook_t kHooks[] = {
    {"cfgmgr", "saveConfig", cfgEvent::op, saveConfig, nullptr},
    {"cfgmgr", "fileOp", cfgEvent::op, fileOp, nullptr},
};

}  // namespace

CFG_MODULE_HOOKS(cfgmgr, kHooks);
