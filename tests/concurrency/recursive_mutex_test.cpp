#include "concurrency/recursive_mutex.h"
#include "concurrency/thread_helpers.h"

#include <gtest/gtest.h>

namespace {

TEST(RecursiveMutex, ThreeLocksNeedThreeUnlocksBeforeAnotherThreadGetsIn)
{
    RecursiveMutex m;
    mutex_init(&m);
    uint32_t self = platform_thread_id();

    for (int i = 0; i < 3; i++)
        mutex_lock(&m);
    EXPECT_EQ(m.owner.load(), self);
    EXPECT_EQ(m.count, 3u);

    std::atomic<bool> entered{false};
    uint32_t other_id = 0;
    mutex_unlock(&m);
    mutex_unlock(&m);
    EXPECT_EQ(m.owner.load(), self);
    EXPECT_EQ(m.count, 1u);

    TestThread other([&] {
        mutex_lock(&m);
        other_id = platform_thread_id();
        entered = true;
        EXPECT_EQ(m.count, 1u);
        mutex_unlock(&m);
    });
    let_others_run();
    EXPECT_FALSE(entered.load()) << "the lock was free after two of three unlocks";

    mutex_unlock(&m);
    other.join();
    EXPECT_TRUE(entered.load());
    EXPECT_NE(other_id, self);
    EXPECT_EQ(m.owner.load(), 0u);
    EXPECT_EQ(m.count, 0u);

    // The platform lock is free again: this thread takes it without blocking.
    mutex_lock(&m);
    EXPECT_EQ(m.owner.load(), self);
    mutex_unlock(&m);
}

TEST(RecursiveMutex, UnlockByANonOwnerChangesNothing)
{
    RecursiveMutex m;
    mutex_init(&m);

    // While free.
    mutex_unlock(&m);
    EXPECT_EQ(m.owner.load(), 0u);
    EXPECT_EQ(m.count, 0u);

    // While another thread holds it twice: the stray unlocks neither block nor release.
    // The holder itself reads its bookkeeping afterwards (only the holder may touch count).
    std::atomic<bool> held{false};
    std::atomic<bool> stray_unlocks_done{false};
    uint32_t owner_seen = 0, count_seen = 0, holder = 0;
    TestThread other([&] {
        mutex_lock(&m);
        mutex_lock(&m);
        holder = platform_thread_id();
        held = true;
        while (!stray_unlocks_done)
            platform_sleep_ms(1);
        owner_seen = m.owner.load();
        count_seen = m.count;
        mutex_unlock(&m);
        mutex_unlock(&m);
    });
    ASSERT_TRUE(eventually([&] { return held.load(); }));

    mutex_unlock(&m);
    mutex_unlock(&m);
    stray_unlocks_done = true;
    other.join();
    EXPECT_EQ(owner_seen, holder);
    EXPECT_EQ(count_seen, 2u);
    EXPECT_EQ(m.owner.load(), 0u);
    EXPECT_EQ(m.count, 0u);
}

} // namespace
