// The subagent link between the CLI subagent library (in a client process such as
// wsvd) and the CLI process. The CLI process registers with the directory service as
// "cli" and serves a message link (platform/ipml.h) of that number; each frame is one
// TLV message (platform/tlv.h) whose tag CLI_TAG_KIND is the message kind.
//
//   CLI_MSG_EXEC    client -> cli: id, client name, command count, commands, and
//                   optionally variable count and variables ("NAME=value" each)
//   CLI_MSG_OUTPUT  cli -> client: id, text (output of the commands, in order)
//   CLI_MSG_END     cli -> client: id, status (0: every command ran)
//   CLI_MSG_CANCEL  client -> cli: id; the commands of that call not yet run are
//                   dropped, and nothing more is sent for it
//
// The id is the library's own number for one karnExecuteCLI call; the caller's
// sequence number never travels, so two calls with the same sequence number stay apart.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum cliLinkKind : uint32_t {
    CLI_MSG_EXEC = 1,
    CLI_MSG_OUTPUT = 2,
    CLI_MSG_END = 3,
    CLI_MSG_CANCEL = 4,
};

enum cliLinkTag : uint32_t {
    CLI_TAG_KIND = 1,
    CLI_TAG_ID = 2,
    CLI_TAG_CLIENT = 3,          // string
    CLI_TAG_COUNT = 4,           // u32: commands in CLI_TAG_COMMANDS
    CLI_TAG_COMMANDS = 5,        // block: the commands, each followed by a NUL
    CLI_TAG_TEXT = 6,            // string
    CLI_TAG_STATUS = 7,          // u32
    CLI_TAG_VARIABLE_COUNT = 8,  // u32: variables in CLI_TAG_VARIABLES
    CLI_TAG_VARIABLES = 9,       // block: "NAME=value" texts, each followed by a NUL
};

enum {
    CLI_MAX_COMMANDS = 256,   // per call
    CLI_OUTPUT_CHUNK = 4000,  // output text per CLI_MSG_OUTPUT message, at most
    CLI_CLIENT_NAME_MAX = 32,
    CLI_DEFAULT_TIMEOUT_S = 60,  // KARN_CLI_TIMEOUT_SECONDS overrides it
};

// Packs a NULL-terminated command list into the CLI_TAG_COMMANDS block (or a variable
// list into CLI_TAG_VARIABLES); false when it holds more than CLI_MAX_COMMANDS texts.
bool cliPackCommands(char **commands, std::vector<char> *block, uint32_t *count);
// Unpacks the block; false unless it holds exactly `count` NUL-terminated commands.
bool cliUnpackCommands(const void *block, uint32_t length, uint32_t count,
                       std::vector<std::string> *commands);
