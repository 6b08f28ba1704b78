#include "cli/prompt.h"

#include <editline/readline.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/cli_commands.h"

namespace {

// libedit calls back without a context: the prompt's state lives here while it runs.
const std::function<bool(const std::string &)> *gRun = nullptr;
bool gDone = false;

void onLine(char *line) {
    if (!line) {  // end of input
        gDone = true;
        return;
    }
    std::string text = line;
    free(line);
    if (text.find_first_not_of(" \t") != std::string::npos) add_history(text.c_str());
    // "?" alone, or after the words typed so far, lists the commands.
    size_t end = text.find_last_not_of(" \t");
    if (end != std::string::npos && text[end] == '?') text = "help";
    if (!(*gRun)(text)) gDone = true;
}

std::vector<std::string> gMatches;

char *nextMatch(const char *, int state) {
    static size_t at;
    if (state == 0) at = 0;
    return at < gMatches.size() ? strdup(gMatches[at++].c_str()) : nullptr;
}

char **complete(const char *, int, int end) {
    gMatches = cliCompletions(std::string(rl_line_buffer, size_t(end)));
    rl_attempted_completion_over = 1;  // command words only, never file names
    std::string word(rl_line_buffer, size_t(end));
    size_t blank = word.find_last_of(" \t");
    word = blank == std::string::npos ? word : word.substr(blank + 1);
    return rl_completion_matches(word.c_str(), nextMatch);
}

}  // namespace

void cliPromptRun(const char *prompt, const std::atomic<bool> &stop,
                  const std::function<bool(const std::string &line)> &run) {
    gRun = &run;
    gDone = false;
    rl_readline_name = "cli";
    rl_attempted_completion_function = complete;
    using_history();
    rl_callback_handler_install(prompt, onLine);
    while (!gDone && !stop) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = poll(&p, 1, 200);
        if (r < 0 && errno != EINTR) break;
        if (r > 0) rl_callback_read_char();
    }
    rl_callback_handler_remove();
    gRun = nullptr;
}
