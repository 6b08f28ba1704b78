#include "platform/cli/clilink.h"

#include <cstring>

bool cliPackCommands(char **commands, std::vector<char> *block, uint32_t *count) {
    block->clear();
    uint32_t n = 0;
    for (; commands && commands[n]; n++) {
        if (n == CLI_MAX_COMMANDS) return false;
        const char *c = commands[n];
        block->insert(block->end(), c, c + strlen(c) + 1);
    }
    *count = n;
    return true;
}

bool cliUnpackCommands(const void *block, uint32_t length, uint32_t count,
                       std::vector<std::string> *commands) {
    commands->clear();
    if (count > CLI_MAX_COMMANDS) return false;
    const char *p = static_cast<const char *>(block);
    const char *end = p + length;
    while (p < end) {
        const char *nul = static_cast<const char *>(memchr(p, 0, size_t(end - p)));
        if (!nul || commands->size() == count) return false;
        commands->emplace_back(p, nul);
        p = nul + 1;
    }
    return commands->size() == count;
}
