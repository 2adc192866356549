#include "concurrency/task_pool.h"
#include "concurrency/thread_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>

namespace {

// Each test gets a fresh pool: a pool is never torn down, and its stopped flag and arena
// are never reset. Workers of earlier tests stay asleep on their own pool's semaphore.
TaskPool pools[16];
int pools_used = 0;

TaskPool *new_pool()
{
    TaskPool *pool = &pools[pools_used++];
    pool_init(pool);
    return pool;
}

// What a scripted task does: it records when it started, then waits at its gate until the
// test opens it, then returns its scripted result.
struct Script {
    std::atomic<int> started_order{-1};
    std::atomic<bool> gate_open{false};
    std::atomic<bool> finished{false};
    bool result = true;
};

std::atomic<int> start_counter{0};

bool scripted_task(Task *task)
{
    Script *script = static_cast<Script *>(task->args[0]);
    script->started_order = start_counter.fetch_add(1);
    while (!script->gate_open)
        platform_sleep_ms(1);
    bool result = script->result; // the script may be gone once `finished` is seen
    script->finished = true;
    return result;
}

bool succeed(Task *)
{
    return true;
}

void submit_script(TaskPool *pool, Script *script)
{
    void *args[] = {script, nullptr};
    pool_submit(pool, scripted_task, args, nullptr);
}

// Scripts live as long as the process: a worker that a failed assertion left behind may
// still touch its script after the test has returned.
Script script_storage[256];
int scripts_used = 0;

std::span<Script> new_scripts(int count)
{
    std::span<Script> scripts(script_storage + scripts_used, count);
    scripts_used += count;
    return scripts;
}

int started(std::span<Script> scripts)
{
    int n = 0;
    for (const Script &s : scripts)
        n += s.started_order.load() >= 0;
    return n;
}

// Starts the workers and returns once every one of them is in its loop: a worker that
// starts only after the pool has stopped ends at once, so tests that count idle workers
// must not race their start. Each worker runs one task that waits for all the others.
TaskPool *new_pool_with_running_workers(int count)
{
    TaskPool *pool = new_pool();
    pool_start_workers(pool, count);
    std::span<Script> warm_up = new_scripts(count);
    for (Script &s : warm_up)
        submit_script(pool, &s);
    bool all_running = eventually([&] { return started(warm_up) == count; });
    for (Script &s : warm_up)
        s.gate_open = true;
    EXPECT_TRUE(all_running) << "the workers did not all start";
    EXPECT_TRUE(pool_wait_all(pool));
    return pool;
}

TEST(TaskPool, RecordLayoutCopiesTheListsAfterTheHeader)
{
    TaskPool *pool = new_pool(); // no workers: records stay as written
    int a, b, c, d;
    void *none[] = {nullptr, &a};
    void *args[] = {&a, &b, nullptr, &d};
    void *progress[] = {&c, nullptr};

    pool_submit(pool, succeed, nullptr, nullptr);
    pool_submit(pool, succeed, none, none);
    pool_submit(pool, succeed, args, progress);

    const Task *first = reinterpret_cast<const Task *>(pool->arena);
    EXPECT_EQ(first->size, 32u);
    EXPECT_EQ(first->done.load(), 0u);
    EXPECT_EQ(first->function, &succeed);
    EXPECT_EQ(first->args, nullptr);
    EXPECT_EQ(first->progress, nullptr);

    const Task *second = reinterpret_cast<const Task *>(pool->arena + 32);
    EXPECT_EQ(second->size, 32u) << "a list whose first entry is null counts as absent";
    EXPECT_EQ(second->args, nullptr);
    EXPECT_EQ(second->progress, nullptr);

    const unsigned char *start = pool->arena + 64;
    const Task *third = reinterpret_cast<const Task *>(start);
    EXPECT_EQ(third->size, 56u) << "entries after the first null are not copied";
    EXPECT_EQ(reinterpret_cast<const unsigned char *>(third->args), start + 32);
    EXPECT_EQ(third->args[0], &a);
    EXPECT_EQ(third->args[1], &b);
    EXPECT_EQ(reinterpret_cast<const unsigned char *>(third->progress), start + 48);
    EXPECT_EQ(third->progress[0], &c);
    EXPECT_EQ(pool->write_offset.load(), 120u);
    EXPECT_EQ(pool->read_offset.load(), 0u);
}

TEST(TaskPool, WaitReturnsAtOnceWhenNothingIsOutstanding)
{
    TaskPool *pool = new_pool();
    pool_start_workers(pool, 2);
    EXPECT_TRUE(pool_wait_all(pool)) << "nothing was ever submitted";

    static std::atomic<int> runs{0};
    TaskFunction count_run = [](Task *) {
        runs.fetch_add(1);
        return true;
    };
    for (int i = 0; i < 3; i++)
        pool_submit(pool, count_run, nullptr, nullptr);
    EXPECT_TRUE(pool_wait_all(pool));
    EXPECT_EQ(runs.load(), 3);
    // Everything has finished and the raises are long gone: this must not sleep forever.
    EXPECT_TRUE(pool_wait_all(pool));
}

TEST(TaskPool, TenTasksOnSixWorkersAreTakenInSubmissionOrder)
{
    TaskPool *pool = new_pool_with_running_workers(6);
    std::span<Script> scripts = new_scripts(10);
    start_counter = 0;
    for (Script &s : scripts)
        submit_script(pool, &s);

    std::atomic<bool> wait_returned{false};
    bool wait_result = false;
    TestThread waiter([&] {
        wait_result = pool_wait_all(pool);
        wait_returned = true;
    });

    ASSERT_TRUE(eventually([&] { return started(scripts) == 6; }));
    let_others_run();
    EXPECT_EQ(started(scripts), 6) << "a seventh task started while six were running";
    for (int i = 0; i < 6; i++)
        EXPECT_GE(scripts[i].started_order.load(), 0) << "task " << i << " not among the first six";

    // Each finished task frees a worker for the next task in submission order.
    for (int next = 6; next < 10; next++) {
        scripts[next - 6].gate_open = true;
        ASSERT_TRUE(eventually([&] { return scripts[next].started_order.load() >= 0; }));
        EXPECT_EQ(scripts[next].started_order.load(), next);
        EXPECT_FALSE(wait_returned.load());
    }
    for (int i = 4; i < 9; i++)
        scripts[i].gate_open = true;
    let_others_run();
    EXPECT_FALSE(wait_returned.load()) << "returned before the tenth task was done";

    scripts[9].gate_open = true;
    waiter.join();
    EXPECT_TRUE(wait_result);
    for (const Script &s : scripts)
        EXPECT_TRUE(s.finished.load());
}

TEST(TaskPool, AFailingTaskStopsThePoolWhileOthersStillRun)
{
    TaskPool *pool = new_pool_with_running_workers(6);
    std::span<Script> scripts = new_scripts(4);
    scripts[0].result = false;
    for (Script &s : scripts)
        submit_script(pool, &s);
    ASSERT_TRUE(eventually([&] { return started(scripts) == 4; }));

    scripts[0].gate_open = true;
    EXPECT_FALSE(pool_wait_all(pool)) << "must report the failure without waiting for the rest";
    EXPECT_FALSE(scripts[1].finished.load());
    EXPECT_TRUE(pool->stopped.load());

    // Stopped is final: a later wait returns false at once.
    EXPECT_FALSE(pool_wait_all(pool));

    // Two workers were idle when the pool stopped. A task submitted now is still taken by
    // one of them, which then ends; so is a second one; a third finds no worker left.
    std::span<Script> late = new_scripts(3);
    for (Script &s : late) {
        s.gate_open = true;
        submit_script(pool, &s);
    }
    ASSERT_TRUE(eventually([&] { return late[0].finished.load() && late[1].finished.load(); }));
    let_others_run();
    EXPECT_FALSE(late[2].finished.load()) << "a worker went on after the pool had stopped";

    for (Script &s : scripts)
        s.gate_open = true;
    ASSERT_TRUE(eventually(
        [&] { return scripts[1].finished && scripts[2].finished && scripts[3].finished; }));
    let_others_run();
    EXPECT_FALSE(late[2].finished.load()) << "a worker went on after its task ended";
}

TEST(TaskPool, FailureOfTheLastTaskToFinishIsStillReported)
{
    TaskPool *pool = new_pool_with_running_workers(6);
    std::span<Script> scripts = new_scripts(3);
    scripts[2].result = false;
    for (Script &s : scripts)
        submit_script(pool, &s);
    scripts[0].gate_open = true;
    scripts[1].gate_open = true;
    ASSERT_TRUE(eventually([&] { return scripts[0].finished && scripts[1].finished; }));
    scripts[2].gate_open = true;
    EXPECT_FALSE(pool_wait_all(pool));
    ASSERT_TRUE(eventually([&] {
        for (uint32_t offset = 0; offset < pool->write_offset; offset += 40)
            if (reinterpret_cast<Task *>(pool->arena + offset)->done.load() != 1)
                return false;
        return true;
    }));
}

TEST(TaskPool, ASubmissionBeyondTheArenaIsRefusedAndFailsThePool)
{
    TaskPool *pool = new_pool();
    pool_start_workers(pool, 6);

    // 2730 records of 48 bytes leave 32 bytes: room for one header-only record exactly.
    int jar;
    void *one[] = {&jar, nullptr};
    for (int i = 0; i < 2730; i++)
        pool_submit(pool, succeed, one, one);
    pool_submit(pool, succeed, nullptr, nullptr);
    EXPECT_EQ(pool->write_offset.load(), task_arena_size);
    EXPECT_TRUE(pool_wait_all(pool)) << "a full arena is still a valid one";

    // Nothing fits now: not even a header. The record must not be written anywhere.
    unsigned char before[task_arena_size];
    std::memcpy(before, pool->arena, task_arena_size);
    pool_submit(pool, succeed, one, nullptr);
    EXPECT_EQ(pool->write_offset.load(), task_arena_size);
    EXPECT_EQ(pool->read_offset.load(), task_arena_size);
    EXPECT_EQ(std::memcmp(before, pool->arena, task_arena_size), 0);
    EXPECT_FALSE(pool_wait_all(pool)) << "the refused submission counts as a failed task";
}

TEST(TaskPool, ARecordThatWouldStraddleTheEndIsRefused)
{
    TaskPool *pool = new_pool(); // no workers: the refusal must not depend on them
    int jar;
    void *one[] = {&jar, nullptr};
    for (int i = 0; i < 2730; i++)
        pool_submit(pool, succeed, one, one); // 32 bytes left
    pool_submit(pool, succeed, one, nullptr); // needs 40
    EXPECT_EQ(pool->write_offset.load(), 2730u * 48u);
    EXPECT_TRUE(pool->stopped.load());
    EXPECT_FALSE(pool_wait_all(pool)) << "stopped: returns at once, without workers";
}

} // namespace
