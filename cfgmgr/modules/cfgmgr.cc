// Module "cfgmgr": saving the configuration, and files of the configuration directory.
#include <errno.h>
#include <unistd.h>

#include <cstring>

#include "cfgmgr/hooks.h"

namespace {

int fail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

int saveConfig(cfgChange &c) {
    const cfgStoreEnvironment_t &environment = cfgStoreEnvironment();
    if (!environment.save) return fail(c, "Saving is not possible here.");
    std::string why;
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
