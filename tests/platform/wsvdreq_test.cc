#include "platform/wsvdreq.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "tests/support/scratch.h"

namespace {

std::string joined(const wsvdBuflist_t *list) {
    std::string all;
    for (const wsvdBuf_t *p = list->head; p; p = p->next) {
        EXPECT_LE(p->length, static_cast<uint32_t>(WSVD_PIECE_SIZE));
        EXPECT_EQ(p->text[p->length], '\0');
        all.append(p->text, p->length);
    }
    return all;
}

TEST(Buflist, TextIsCutIntoPiecesAtMostOnePieceSizeLong) {
    struct Case {
        uint32_t length;
        uint32_t pieces;
    } cases[] = {{0, 1}, {WSVD_PIECE_SIZE, 1}, {WSVD_PIECE_SIZE + 1, 2}};
    for (auto c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'x');
        for (uint32_t i = 0; i < c.length; i++) text[i] = static_cast<char>('a' + i % 26);
        wsvdBuflist_t *list = wsvdBufferToBuflist(text.data(), c.length);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count, c.pieces);
        EXPECT_EQ(list->bytes, c.length);
        EXPECT_EQ(joined(list), text);
        wsvdBuflistFree(list);
    }
}

// The wait for an answer, on a test clock: nothing here sleeps through a guard.
class AnswerWait : public ::testing::Test {
protected:
    void SetUp() override {
        clockUseManual();
        ASSERT_EQ(wsvdAnswerInit(&answer), 0);
    }
    void TearDown() override {
        wsvdAnswerDestroy(&answer);
        clockSetSource(nullptr);
    }
    // Awaits on another thread with a send that only notes it was called; returns
    // once the send has happened, so the test can deliver or move the clock.
    void awaitInBackground(unsigned guardSeconds) {
        sent = false;
        waiter = std::thread([this, guardSeconds] {
            outcome = wsvdAnswerAwait(
                &answer, guardSeconds,
                [](void *flag) {
                    static_cast<std::atomic<bool> *>(flag)->store(true);
                    return true;
                },
                &sent);
        });
        while (!sent) std::this_thread::yield();
    }
    wsvdAwait_t finish() {
        waiter.join();
        return outcome;
    }
    static void note(void *calls) { ++*static_cast<int *>(calls); }

    wsvdAnswer_t answer;
    std::atomic<bool> sent{false};
    std::thread waiter;
    wsvdAwait_t outcome = WSVD_NO_ANSWER;
};

TEST_F(AnswerWait, AnAnswerDeliveredWhileWaitingEndsTheWaitAfterItsPieces) {
    awaitInBackground(30);
    int fills = 0;
    EXPECT_TRUE(wsvdAnswerDeliver(&answer, note, &fills, false));  // a piece of output
    EXPECT_TRUE(wsvdAnswerDeliver(&answer, note, &fills, true));   // the end
    EXPECT_EQ(finish(), WSVD_ANSWERED);
    EXPECT_EQ(fills, 2);
}

// An answer that comes during the send counts; nothing sent means no wait and no
// answer taken.
TEST_F(AnswerWait, AnswerDuringTheSendCountsAndNothingSentTakesNone) {
    auto deliver = [](void *a) {
        return wsvdAnswerDeliver(static_cast<wsvdAnswer_t *>(a), nullptr, nullptr, true);
    };
    EXPECT_EQ(wsvdAnswerAwait(&answer, 30, deliver, &answer), WSVD_ANSWERED);
    EXPECT_EQ(wsvdAnswerAwait(
                  &answer, 30, [](void *) { return false; }, nullptr),
              WSVD_NOT_SENT);
    int fills = 0;
    EXPECT_FALSE(wsvdAnswerDeliver(&answer, note, &fills, true));
    EXPECT_EQ(fills, 0);
}

TEST_F(AnswerWait, TheGuardEndsTheWaitAndALateAnswerIsDroppedHarmlessly) {
    awaitInBackground(5);
    clockAdvanceUs(4999999);
    clockAdvanceUs(1);
    EXPECT_EQ(finish(), WSVD_NO_ANSWER);

    // The answer that comes after the guard writes nothing and wakes no one...
    int fills = 0;
    EXPECT_FALSE(wsvdAnswerDeliver(&answer, note, &fills, true));
    EXPECT_EQ(fills, 0);
    // ...so the next wait is not ended by it.
    awaitInBackground(5);
    clockAdvanceUs(5000000);
    EXPECT_EQ(finish(), WSVD_NO_ANSWER);
}

TEST(AnswerGuard, IsTwiceTheLibrarysBoundPlusFiveReadFromTheEnvironment) {
    struct Case {
        const char *value;  // nullptr: unset
        unsigned guard;
    } cases[] = {{nullptr, 25}, {"3", 11}, {"86399", 172803}, {"0", 25}, {"86400", 25}, {"2s", 25}};
    ScopedEnv env;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        if (c.value)
            env.set("WSVD_TEST_GUARD", c.value);
        else
            env.unset("WSVD_TEST_GUARD");
        EXPECT_EQ(wsvdAnswerGuardSeconds("WSVD_TEST_GUARD", 10), c.guard);
    }
}

}  // namespace
