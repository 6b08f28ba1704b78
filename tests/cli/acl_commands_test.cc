// The access-list and policy commands against cfgmgr's real store in-process, and the
// check the CLI makes of a policy file that wsvd has written.
#include <string>

#include "cli/cli_commands.h"
#include "cli/wsvd_peer.h"
#include "tests/cfgmgr/store_in_tree.h"

namespace {

class AclCommands : public StoreInTree {
protected:
    void SetUp() override {
        StoreInTree::SetUp();
        services_.cmExchange = [](uint32_t, uint32_t flags, const char *, const std::string &text,
                                  cliCmReply_t *reply) {
            cfgReply_t r = cfgStoreHandle(flags, text.c_str());
            *reply = {r.status, r.message, r.data};
            return true;
        };
    }
    void store(const std::string &text) {
        cfgReply_t r = cfgStoreHandle(0, text.c_str());
        ASSERT_EQ(r.status, 1u) << text << ": " << r.message;
    }
    std::string run(const std::string &line) {
        std::string out;
        cliExecute(services_, line, [&](const std::string &text) { out += text; });
        return out;
    }
    cliServices_t services_;
};

TEST_F(AclCommands, PolicyFilesMustReadBeforeTheCliTakesThemUp) {
    writeFile("good.pol", "entry a { if { protocol tcp; } then { deny; } }\n");
    writeFile("bad.pol", "entry a {\nif { protocol tcp }\nthen { } }\n");
    writeFile("notes.txt", "anything at all");
    std::string message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "good.pol", &message), 0) << message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "notes.txt", &message), 0) << message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "bad.pol", &message), 1);
    EXPECT_EQ(message,
              "Policy file \"bad.pol\": line 2: expected \";\" after \"protocol\", found \"}\"");
}

}  // namespace
