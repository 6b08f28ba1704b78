// The CLI's command interpreter: one command line in, plain-text output out.
//
// The interpreter reaches the rest of the switch only through cliServices_t, so the
// CLI process can plug in the configuration manager and the session manager while
// tests plug in fakes. Every outcome, errors included, is output text; nothing a user
// types makes it fail in any other way. The grammar is in cli/README.md.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct cliCmReply_t {
    uint32_t status = 0;  // 1 success, 0 failure (as cfgmgr answers)
    std::string message;
    std::string data;  // XML of zero or more objects
};

struct cliServices_t {
    // One configuration-manager exchange (operation CM_OP_*, get flags CM_GET_* or 0,
    // module name such as "vlan"). False when no reply came; reply->message says why.
    std::function<bool(uint32_t operation, uint32_t getFlags, const char *module,
                       const std::string &text, cliCmReply_t *reply)>
        cmExchange;
    // The session manager's list (one session a line) or false with *error set.
    std::function<bool(std::string *list, std::string *error)> smList;
    // Ends the session with that cookie; false with *error set.
    std::function<bool(const std::string &cookie, std::string *error)> smKill;
};

// Receives output as it is produced (whole lines).
typedef std::function<void(const std::string &text)> cliOutput_t;

// Variables of a command list run for another process (a profile's run): in every word
// of a command, $NAME and ${NAME} stand for the value of NAME and $$ for "$". The
// value takes the place within the word and never splits it. A name without a value
// fails the command.
typedef std::map<std::string, std::string> cliVariables_t;

// Runs one command line, with variables when `variables` is given (otherwise "$" is
// an ordinary character). Returns false when the command failed (its error line has
// been written), true otherwise (blank lines and comments starting with "#" included).
bool cliExecute(const cliServices_t &services, const std::string &line, const cliOutput_t &out,
                const cliVariables_t *variables = nullptr);

// The command words that may come next after `line` (a line being typed; its last
// word, unless followed by a blank, is the start of the word to complete), sorted.
std::vector<std::string> cliCompletions(const std::string &line);
