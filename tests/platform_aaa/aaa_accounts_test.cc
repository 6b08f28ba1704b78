#include "platformd/aaa_accounts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class AccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/wsvd-aaa.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/accounts";
    }
    void TearDown() override {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
    std::string fileText() {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir, path;
};

constexpr uint64_t kSecond = 1000000;

TEST_F(AccountsTest, FirstStartCreatesShippedAccountsWithEmptyPasswords) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    ASSERT_NE(store.find("admin"), nullptr);
    ASSERT_NE(store.find("user"), nullptr);
    EXPECT_TRUE(store.find("admin")->readWrite);
    EXPECT_FALSE(store.find("user")->readWrite);
    EXPECT_TRUE(store.verify("admin", ""));
    EXPECT_FALSE(store.verify("admin", "x"));

    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the account file is for its owner only";
}

TEST_F(AccountsTest, PasswordsAreStoredOnlyAsSaltedHashes) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    ASSERT_EQ(store.add("alice", false, "s3cret-pass"), 0);
    ASSERT_EQ(store.add("bob", false, "s3cret-pass"), 0);
    ASSERT_EQ(store.save(), 0);
    std::string text = fileText();
    EXPECT_EQ(text.find("s3cret-pass"), std::string::npos);
    EXPECT_NE(store.find("alice")->hash, store.find("bob")->hash) << "salts must differ";

    aaaAccountStore again(path);
    ASSERT_EQ(again.load(), 0);
    EXPECT_TRUE(again.verify("alice", "s3cret-pass"));
    EXPECT_FALSE(again.verify("alice", "s3cret-pas"));
    EXPECT_FALSE(again.verify("nobody", "s3cret-pass"));
}

TEST_F(AccountsTest, EditsAreCheckedAndReloadedWhenTheFileChanges) {
    aaaAccountStore store(path), other(path);
    ASSERT_EQ(store.load(), 0);
    ASSERT_EQ(other.load(), 0);
    struct {
        std::string name;
        bool ok;
    } names[] = {{"ok.name_1-2", true}, {"", false}, {"has space", false}, {"colon:", false},
                 {std::string(33, 'a'), false}, {"admin", false /* exists */}};
    for (auto &n : names) EXPECT_EQ(store.add(n.name, true, "pw") == 0, n.ok) << n.name;
    EXPECT_EQ(store.remove("user"), 0);
    EXPECT_EQ(store.remove("user"), -1);
    EXPECT_EQ(store.setAccess("ok.name_1-2", false), 0);
    EXPECT_EQ(store.setPassword("admin", "new"), 0);
    EXPECT_EQ(store.setPassword("ghost", "new"), -1);
    ASSERT_EQ(store.save(), 0);

    ASSERT_EQ(other.load(), 0);
    EXPECT_EQ(other.find("user"), nullptr);
    ASSERT_NE(other.find("ok.name_1-2"), nullptr);
    EXPECT_FALSE(other.find("ok.name_1-2")->readWrite);
    EXPECT_TRUE(other.verify("admin", "new"));
}

// A verified password is remembered, but never past a change of the accounts, made
// here or by another process through the file.
TEST_F(AccountsTest, RememberedPasswordsDoNotOutliveAChange) {
    aaaAccountStore store(path), other(path);
    ASSERT_EQ(store.load(), 0);
    EXPECT_TRUE(store.verify("admin", ""));
    EXPECT_TRUE(store.verify("admin", ""));
    EXPECT_FALSE(store.verify("admin", "x"));

    ASSERT_EQ(other.load(), 0);
    ASSERT_EQ(other.setPassword("admin", "changed"), 0);
    ASSERT_EQ(other.save(), 0);
    ASSERT_EQ(store.load(), 0);
    EXPECT_FALSE(store.verify("admin", ""));
    EXPECT_TRUE(store.verify("admin", "changed"));

    ASSERT_EQ(store.setPassword("admin", "again"), 0);
    EXPECT_FALSE(store.verify("admin", "changed"));
    EXPECT_TRUE(store.verify("admin", "again"));
}

TEST_F(AccountsTest, MalformedLinesAreSkipped) {
    {
        std::ofstream out(path);
        out << "# comment\n"
            << "broken line\n"
            << "x:maybe:hash\n"
            << "admin:rw:" << aaaHashPassword("pw") << "\n"
            << "empty:ro:\n";
    }
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    ASSERT_EQ(store.accounts().size(), 1u);
    EXPECT_TRUE(store.verify("admin", "pw"));
}

TEST_F(AccountsTest, LockoutFlagLocksTheAccountForThePeriodOnly) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    aaaAuthenticator aaa(store, 300);
    uint64_t t = 1000 * kSecond;

    aaaVerdict v = aaa.authenticate("admin", "", false, t);
    EXPECT_TRUE(v.authenticated);
    EXPECT_TRUE(v.readWrite);

    v = aaa.authenticate("admin", "", true, t);
    EXPECT_FALSE(v.authenticated) << "an attempt carrying the flag fails even with the right password";
    EXPECT_EQ(v.error, AAA_ERR_LOCKED_OUT);

    v = aaa.authenticate("admin", "", false, t + 299 * kSecond);
    EXPECT_FALSE(v.authenticated);
    EXPECT_EQ(v.error, AAA_ERR_LOCKED_OUT);

    v = aaa.authenticate("user", "", false, t + 10 * kSecond);
    EXPECT_TRUE(v.authenticated) << "other users are unaffected";
    EXPECT_FALSE(v.readWrite);

    v = aaa.authenticate("admin", "", false, t + 300 * kSecond);
    EXPECT_TRUE(v.authenticated) << "the lock ends with its period";
}

TEST_F(AccountsTest, WrongPasswordAndUnknownUserFailTheSameWay) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    aaaAuthenticator aaa(store);
    aaaVerdict wrong = aaa.authenticate("admin", "nope", false, 0);
    aaaVerdict unknown = aaa.authenticate("ghost", "", false, 0);
    EXPECT_FALSE(wrong.authenticated);
    EXPECT_FALSE(unknown.authenticated);
    EXPECT_EQ(wrong.error, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(unknown.error, AAA_ERR_BAD_CREDENTIALS);
    // Locking a name that does not exist records nothing.
    aaa.authenticate("ghost", "", true, 0);
    EXPECT_FALSE(aaa.locked("ghost", 1));
}

}  // namespace
