#include "concurrency/signal.h"
#include "concurrency/thread_helpers.h"

#include <gtest/gtest.h>

namespace {

struct SignalTest : ::testing::Test {
    Signal s;
    uint32_t self = platform_thread_id();
    void SetUp() override
    {
        signal_init(&s);
    }
};

TEST_F(SignalTest, WaitReturnsAtOnceWhenAlreadyRaisedAndKeepsTheGuard)
{
    signal_hold(&s);
    signal_raise_all(&s); // the holder may raise too: guard is recursive
    EXPECT_EQ(s.guard.count, 1u);

    signal_wait(&s);
    EXPECT_TRUE(s.raised) << "signal_wait must not clear raised";
    EXPECT_EQ(s.guard.owner.load(), self);
    EXPECT_EQ(s.guard.count, 1u);
    EXPECT_EQ(s.waiter_lock.owner.load(), self);
    signal_release(&s);
}

TEST_F(SignalTest, RaiseWithNobodyWaitingIsForgottenByTheNextHold)
{
    signal_raise_all(&s);
    EXPECT_TRUE(s.raised);
    signal_raise_one(&s);
    EXPECT_TRUE(s.raised);
    signal_hold(&s);
    EXPECT_FALSE(s.raised);
    signal_release(&s);
}

TEST_F(SignalTest, WaiterSleepsUntilAnotherThreadRaisesThenHoldsGuardOnce)
{
    std::atomic<int> shared_state{0};
    std::atomic<bool> waiter_woke{false};
    uint32_t owner_after = 0, count_after = 0;

    TestThread waiter([&] {
        signal_hold(&s);
        while (shared_state.load() == 0) {
            signal_wait(&s);
            s.raised = false;
        }
        owner_after = s.guard.owner.load();
        count_after = s.guard.count;
        waiter_woke = true;
        signal_release(&s);
    });
    let_others_run();
    EXPECT_FALSE(waiter_woke.load());

    // A raise that changes nothing the waiter looks at wakes it, and it sleeps again.
    signal_raise_all(&s);
    let_others_run();
    EXPECT_FALSE(waiter_woke.load());

    shared_state = 1;
    signal_raise_one(&s);
    waiter.join();
    EXPECT_TRUE(waiter_woke.load());
    EXPECT_EQ(count_after, 1u);
    EXPECT_NE(owner_after, 0u);
    EXPECT_NE(owner_after, self);
    EXPECT_EQ(s.guard.owner.load(), 0u);
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);
}

TEST_F(SignalTest, ReleaseGivesBackExactlyWhatTheCallerHolds)
{
    // Only guard.
    mutex_lock(&s.guard);
    signal_release(&s);
    EXPECT_EQ(s.guard.owner.load(), 0u);
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);

    // Only waiter_lock.
    mutex_lock(&s.waiter_lock);
    signal_release(&s);
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);
    EXPECT_EQ(s.guard.owner.load(), 0u);

    // Neither, while another thread holds both: nothing of theirs is touched.
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    uint32_t guard_owner = 0, waiter_owner = 0, holder = 0;
    TestThread other([&] {
        signal_hold(&s);
        holder = platform_thread_id();
        held = true;
        while (!released)
            platform_sleep_ms(1);
        guard_owner = s.guard.owner.load();
        waiter_owner = s.waiter_lock.owner.load();
        signal_release(&s);
    });
    ASSERT_TRUE(eventually([&] { return held.load(); }));
    signal_release(&s);
    released = true;
    other.join();
    EXPECT_EQ(guard_owner, holder);
    EXPECT_EQ(waiter_owner, holder);
    EXPECT_EQ(s.guard.owner.load(), 0u);
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);
}

TEST_F(SignalTest, HoldOnceTakesOnlyWhatTheCallerLacks)
{
    mutex_lock(&s.guard);
    s.raised = true;
    signal_hold_once(&s);
    EXPECT_EQ(s.guard.count, 1u) << "an owned guard is not taken twice";
    EXPECT_EQ(s.waiter_lock.owner.load(), self);
    EXPECT_EQ(s.waiter_lock.count, 1u);
    EXPECT_FALSE(s.raised);

    signal_hold_once(&s);
    EXPECT_EQ(s.guard.count, 1u);
    EXPECT_EQ(s.waiter_lock.count, 1u);

    signal_release(&s);
    EXPECT_EQ(s.guard.owner.load(), 0u);
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);
}

TEST_F(SignalTest, DestroyWaitsForTheWaiterToLeave)
{
    std::atomic<bool> waiting{false};
    std::atomic<bool> destroyed{false};
    TestThread waiter([&] {
        signal_hold(&s);
        waiting = true;
        signal_wait(&s);
        signal_release(&s);
    });
    ASSERT_TRUE(eventually([&] { return waiting.load(); }));
    TestThread destroyer([&] {
        signal_destroy(&s);
        destroyed = true;
    });
    let_others_run();
    EXPECT_FALSE(destroyed.load()) << "destroy passed while a thread was inside a wait";
    signal_raise_all(&s);
    waiter.join();
    destroyer.join();
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(s.waiter_lock.owner.load(), 0u);
    EXPECT_FALSE(s.raised);
}

} // namespace
