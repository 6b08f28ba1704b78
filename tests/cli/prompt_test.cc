// The operator's prompt: the command words it completes.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_commands.h"

namespace {

TEST(CliCompletions, OfferTheCommandWordsThatMayComeNext) {
    struct {
        const char *line;
        std::vector<std::string> words;
    } cases[] = {
        {"show man", {"management"}},
        {"show management ", {"counters", "sessions"}},
        {"show vlan ", {}},  // a name comes next, not a command word
        {"c", {"clear", "configure", "create"}},
    };
    for (auto &c : cases) EXPECT_EQ(cliCompletions(c.line), c.words) << c.line;
}

}  // namespace
