#include "platformd/aaa_accounts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "tests/support/scratch.h"

namespace {

class AccountsTest : public ::testing::Test {
protected:
    ScratchDir dir{"wsvd-aaa"};
    std::string path = dir / "accounts";
};

constexpr uint64_t kSecond = 1000000;

TEST_F(AccountsTest, FirstStartCreatesShippedAccountsWithEmptyPasswords) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    ASSERT_NE(store.find("user"), nullptr);
    EXPECT_FALSE(store.find("user")->readWrite);
    EXPECT_TRUE(store.verify("admin", ""));

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
    std::string text = readFile(path);
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
    } names[] = {{"ok.name_1-2", true},
                 {"colon:", false},
                 {std::string(33, 'a'), false},
                 {"admin", false /* exists */}};
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

// The lock-out rule on a clock moved by hand.
TEST_F(AccountsTest, FailuresPerAccountLockForThePeriodExactly) {
    aaaAccountStore store(path);
    ASSERT_EQ(store.load(), 0);
    aaaAuthenticator aaa(store, 300, 3);
    uint64_t t = 1000 * kSecond;
    auto attempt = [&](const char *name, const char *password, bool flag, uint64_t at) {
        return aaa.authenticate(name, password, flag, at);
    };

    // Made-up names and other accounts in between do not reset an account's count.
    EXPECT_EQ(attempt("admin", "x", false, t).error, AAA_ERR_BAD_CREDENTIALS);
    // An unknown name fails as a wrong password does, and is never counted or locked,
    // flagged or not, so made-up names cannot grow the table.
    EXPECT_EQ(attempt("ghost1", "x", true, t).error, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_TRUE(attempt("user", "", false, t).authenticated);
    EXPECT_EQ(attempt("admin", "x", false, t).error, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(attempt("ghost2", "x", false, t).error, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(aaa.lockout().failureCount("admin", t), 2u);
    EXPECT_EQ(aaa.lockout().failureCount("ghost1", t), 0u);
    EXPECT_EQ(attempt("admin", "x", false, t).error, AAA_ERR_LOCKED_OUT) << "the third locks";

    // Locked: the right password fails, and nothing extends the lock.
    EXPECT_EQ(attempt("admin", "", false, t + 1).error, AAA_ERR_LOCKED_OUT);
    EXPECT_EQ(attempt("admin", "x", true, t + 200 * kSecond).error, AAA_ERR_LOCKED_OUT);
    EXPECT_EQ(aaa.lockout().timeLeftUs("admin", t + 200 * kSecond), 100 * kSecond);
    EXPECT_EQ(attempt("admin", "", true, t + 300 * kSecond - 1).error, AAA_ERR_LOCKED_OUT);
    EXPECT_TRUE(attempt("user", "", false, t + 10 * kSecond).authenticated) << "others go on";

    // The period ends exactly: the right password passes although the caller still
    // flags the attempt (it saw only failures of this user since).
    aaaVerdict v = attempt("admin", "", true, t + 300 * kSecond);
    EXPECT_TRUE(v.authenticated);
    EXPECT_TRUE(v.readWrite);
    EXPECT_FALSE(aaa.lockout().locked("admin", t + 300 * kSecond));

    // A wrong password that carries the flag locks at once; success forgets failures.
    uint64_t u = t + 1000 * kSecond;
    EXPECT_EQ(attempt("admin", "x", false, u).error, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_TRUE(attempt("admin", "", false, u).authenticated);
    EXPECT_EQ(aaa.lockout().failureCount("admin", u), 0u);
    EXPECT_EQ(attempt("admin", "x", true, u).error, AAA_ERR_LOCKED_OUT);
    EXPECT_EQ(aaa.lockout().lockedAccounts(u + kSecond).size(), 1u);
    aaa.lockout().unlock("admin");
    EXPECT_TRUE(attempt("admin", "", false, u + kSecond).authenticated) << "unlocked by hand";
}

}  // namespace
