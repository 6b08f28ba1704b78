// Module "pm": the policy files "NAME.pol" of the configuration directory, read and
// parsed with the rule language on every request (pMPolicy, pMEntry, pMStatement), and
// their refresh (pMPolicyUtil).
#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "cfgmgmt/rules/rule_lang.h"
#include "cfgmgr/hooks.h"

namespace {

const char kSuffix[] = ".pol";
enum { kOptionRefresh = 5 };

std::string configDir() {
    const cfgStoreEnvironment_t &environment = cfgStoreEnvironment();
    return environment.configDir ? environment.configDir() : "";
}

// The names of the policy files, in name order.
std::vector<std::string> policyNames() {
    std::vector<std::string> names;
    std::string dir = configDir();
    DIR *d = dir.empty() ? nullptr : opendir(dir.c_str());
    if (!d) return names;
    const size_t suffix = sizeof kSuffix - 1;
    while (const dirent *e = readdir(d)) {
        std::string file = e->d_name;
        if (file.size() <= suffix || file.compare(file.size() - suffix, suffix, kSuffix) != 0)
            continue;
        std::string name = file.substr(0, file.size() - suffix);
        if (rulePolicyNameOk(name)) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The entries of policy `name`; false with *why when it is missing or cannot be read.
bool readPolicy(const std::string &name, std::vector<ruleEntry_t> *entries, std::string *why) {
    if (!rulePolicyNameOk(name)) {
        *why = "\"" + name + "\" is not a policy name.";
        return false;
    }
    if (configDir().empty()) {
        *why = "There is no configuration directory.";
        return false;
    }
    bool missing = false;
    std::string reason;
    if (rulePolicyRead(configDir() + "/" + name + kSuffix, entries, &reason, &missing) == 0)
        return true;
    *why =
        missing ? "Policy \"" + name + "\" does not exist." : "Policy \"" + name + "\" " + reason;
    return false;
}

// The policies a get covers: the one it names (which must exist), or all.
bool policiesOf(const cfgTable &view, const cfgRow &request, std::vector<std::string> *names,
                std::string *why) {
    if (const std::string *name = view.value(request, "policyName")) {
        *names = {*name};
        std::vector<std::string> all = policyNames();
        if (std::find(all.begin(), all.end(), *name) != all.end()) return true;
        *why = "Policy \"" + *name + "\" does not exist.";
        return false;
    }
    *names = policyNames();
    return true;
}

bool add(const cfgTable &view, std::vector<cfgRow> *rows,
         std::initializer_list<std::pair<const char *, std::string>> fields, std::string *why) {
    cfgRow row = view.blank();
    for (const auto &[name, text] : fields)
        if (view.assign(row, name, text, why) != 0) return false;
    rows->push_back(std::move(row));
    return true;
}

int policies(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
             std::string *why) {
    std::vector<std::string> names;
    if (!policiesOf(view, request, &names, why)) return -1;
    // A walk goes on after the policy it names: every policy is a row of it.
    for (const std::string &name : policyNames())
        if (!add(view, rows, {{"policyName", name}}, why)) return -1;
    return 0;
}

// Calls each(policy, entry number, entry) for the entries of the policies a get covers.
template <class F>
int eachEntry(const cfgTable &view, const cfgRow &request, std::string *why, F each) {
    std::vector<std::string> names;
    if (!policiesOf(view, request, &names, why)) return -1;
    for (const std::string &name : names) {
        std::vector<ruleEntry_t> entries;
        if (!readPolicy(name, &entries, why)) return -1;
        for (size_t n = 0; n < entries.size(); n++)
            if (!each(name, std::to_string(n + 1), entries[n])) return -1;
    }
    return 0;
}

int policyEntries(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                  std::string *why) {
    return eachEntry(
        view, request, why,
        [&](const std::string &policy, const std::string &number, const ruleEntry_t &e) {
            return add(view, rows,
                       {{"policyName", policy},
                        {"entryNumber", number},
                        {"entryName", e.name},
                        {"entryType", std::to_string(e.kind)},
                        {"matchType", std::to_string(e.match)}},
                       why);
        });
}

int policyStatements(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                     std::string *why) {
    return eachEntry(
        view, request, why,
        [&](const std::string &policy, const std::string &number, const ruleEntry_t &e) {
            uint32_t n = 0;
            for (const ruleStatement_t &s : e.statements)
                if (!add(view, rows,
                         {{"policyName", policy},
                          {"entryNumber", number},
                          {"statementNumber", std::to_string(++n)},
                          {"statementType", std::to_string(s.block)},
                          {"keyword", s.keyword},
                          {"value", s.value}},
                         why))
                    return false;
            return true;
        });
}

int policyUtility(cfgChange &c) {
    const std::string *option = c.table.value(c.request, "option");
    const std::string *name = c.table.value(c.request, "polname");
    if (!option || strtoul(option->c_str(), nullptr, 10) != kOptionRefresh) {
        c.why = "pMPolicyUtil supports option 5 (refresh).";
        return -1;
    }
    if (!name || name->empty()) {
        c.why = "Missing field \"polname\" of pMPolicyUtil.";
        return -1;
    }
    // Nothing is kept between requests: a refresh checks that the file reads well.
    std::vector<ruleEntry_t> entries;
    return readPolicy(*name, &entries, &c.why) ? 0 : -1;
}

const cfgHook_t kHooks[] = {
    {"pm", "pMPolicy", cfgEvent::view, nullptr, policies},
    {"pm", "pMEntry", cfgEvent::view, nullptr, policyEntries},
    {"pm", "pMStatement", cfgEvent::view, nullptr, policyStatements},
    {"pm", "pMPolicyUtil", cfgEvent::op, policyUtility, nullptr},
};

}  // namespace

CFG_MODULE_HOOKS(pm, kHooks);
