// The command and variable blocks of the CLI's subagent link, as the CLI process reads
// them from any client: the first 4 bytes are the count the message claims, the rest
// the block. Reading must stay inside the block and agree with packing.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cli/clilink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4 || size > (1u << 20)) return 0;
    uint32_t count;
    memcpy(&count, data, 4);
    std::vector<uint8_t> block(data + 4, data + size);  // exact size: an over-read is visible
    std::vector<std::string> texts;
    if (!cliUnpackCommands(block.data(), uint32_t(block.size()), count, &texts)) return 0;
    // What was read packs back to the same block.
    std::vector<char *> list;
    for (std::string &t : texts) list.push_back(t.data());
    list.push_back(nullptr);
    std::vector<char> again;
    uint32_t n = 0;
    if (!cliPackCommands(list.data(), &again, &n) || n != count ||
        std::vector<uint8_t>(again.begin(), again.end()) != block)
        __builtin_trap();
    return 0;
}
