// The helpers of the subagent link and the check behind wsvd's file requests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/wsvd_peer.h"
#include "platform/cli/clilink.h"
#include "tests/support/scratch.h"

namespace {

TEST(CliLink, PackingRefusesMoreCommandsThanTheLinkCarries) {
    char a[] = "show vlan";
    std::vector<char *> tooMany(CLI_MAX_COMMANDS + 2, a);
    tooMany.back() = nullptr;
    std::vector<char> block;
    uint32_t count = 0;
    EXPECT_FALSE(cliPackCommands(tooMany.data(), &block, &count));
}

TEST(CliLink, MalformedBlocksAreRefused) {
    struct Case {
        std::string block;
        uint32_t count;
        bool ok;
    } cases[] = {
        {std::string("a\0b\0", 4), 2, true},
        {std::string("a\0b\0", 4), 3, false},  // fewer than announced
        {std::string("a\0b\0", 4), 1, false},  // more than announced
        {"abc", 1, false},                     // no terminating NUL
        {std::string("a\0", 2), CLI_MAX_COMMANDS + 1, false},
    };
    for (const Case &c : cases) {
        std::vector<std::string> out;
        EXPECT_EQ(cliUnpackCommands(c.block.data(), uint32_t(c.block.size()), c.count, &out), c.ok)
            << c.block.size() << " " << c.count;
    }
}

TEST(CliConfigFile, OnlyReadablePlainFilesOfTheDirectoryAndPoliciesThatReadPass) {
    ScratchDir scratch("clicfg");
    const std::string &dir = scratch.path();
    writeFile(dir + "/good.pol", "entry x { if { } then { } }\n");
    writeFile(dir + "/bad.pol", "entry a {\nif { protocol tcp }\nthen { } }\n");
    writeFile(dir + "/notes.txt", "anything at all");  // not a policy: not read
    mkdir((dir + "/sub.pol").c_str(), 0700);
    writeFile(dir + "/locked.pol", "x");
    chmod((dir + "/locked.pol").c_str(), 0);
    bool root = geteuid() == 0;  // root reads anything

    struct Case {
        const char *name;
        int status;
        const char *message;
    } cases[] = {
        {"good.pol", 0, ""},
        {"notes.txt", 0, ""},
        {"bad.pol", 1,
         "Policy file \"bad.pol\": line 2: expected \";\" after \"protocol\", found \"}\""},
        {"missing.pol", 1, "Configuration file \"missing.pol\" does not exist."},
        {"sub.pol", 1, "\"sub.pol\" is not a configuration file."},
        {"../good.pol", 1, "Invalid configuration file name \"../good.pol\"."},
        {"..", 1, "Invalid configuration file name \"..\"."},
    };
    for (const Case &c : cases) {
        std::string message;
        EXPECT_EQ(cliCheckConfigFile(dir, c.name, &message), c.status) << c.name;
        EXPECT_EQ(message, c.message) << c.name;
    }
    std::string message;
    if (!root) {
        EXPECT_EQ(cliCheckConfigFile(dir, "locked.pol", &message), 1);
    }
}

}  // namespace
