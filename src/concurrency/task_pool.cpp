#include "concurrency/task_pool.h"

#include <new>

TaskPool task_pool;

namespace {

constexpr uint32_t header_size = sizeof(Task);
constexpr uint32_t semaphore_maximum = 65535;

uint32_t count_entries(void *const *list)
{
    uint32_t count = 0;
    if (list)
        while (list[count])
            count += 1;
    return count;
}

// Copies the list's entries to `to`; returns where the copy starts, or null for no entries.
void **copy_entries(unsigned char *to, void *const *list, uint32_t count)
{
    if (count == 0)
        return nullptr;
    void **entries = reinterpret_cast<void **>(to);
    for (uint32_t i = 0; i < count; i++)
        entries[i] = list[i];
    return entries;
}

Task *record_at(TaskPool *pool, uint32_t offset)
{
    return reinterpret_cast<Task *>(pool->arena + offset);
}

bool all_taken_are_done(TaskPool *pool)
{
    uint32_t taken = pool->read_offset.load(std::memory_order_acquire);
    if (taken != pool->write_offset.load(std::memory_order_acquire))
        return false;
    for (uint32_t offset = 0; offset < taken; offset += record_at(pool, offset)->size)
        if (record_at(pool, offset)->done.load(std::memory_order_acquire) != 1)
            return false;
    return true;
}

void finish_task(TaskPool *pool, Task *task, bool succeeded)
{
    // done and stopped are written before the raise takes the completion guard, so the
    // waiter, reading them under that guard, sees them after every wake-up.
    if (!succeeded)
        pool->stopped.store(true);
    if (task)
        task->done.store(1, std::memory_order_release);
    signal_raise_all(&pool->completion);
}

uint32_t pool_worker(void *argument)
{
    TaskPool *pool = static_cast<TaskPool *>(argument);
    while (!pool->stopped.load()) {
        platform_semaphore_wait(&pool->pending);

        mutex_lock(&pool->queue_lock);
        uint32_t offset = pool->read_offset.load(std::memory_order_relaxed);
        Task *task = record_at(pool, offset);
        pool->read_offset.store(offset + task->size, std::memory_order_release);
        mutex_unlock(&pool->queue_lock);

        finish_task(pool, task, task->function(task));
    }
    return 0;
}

} // namespace

void pool_init(TaskPool *pool)
{
    mutex_init(&pool->queue_lock);
    platform_semaphore_create(&pool->pending, 0, semaphore_maximum);
    signal_init(&pool->completion);
    pool->stopped.store(false);
    pool->write_offset.store(0);
    pool->read_offset.store(0);
}

void pool_start_workers(TaskPool *pool, int count)
{
    for (int i = 0; i < count; i++)
        platform_thread_start_detached(pool_worker, pool);
}

void pool_submit(TaskPool *pool, TaskFunction function, void *const *args_list,
                 void *const *progress_list)
{
    uint32_t arg_count = count_entries(args_list);
    uint32_t progress_count = count_entries(progress_list);
    uint64_t size = header_size + 8ull * arg_count + 8ull * progress_count;

    mutex_lock(&pool->queue_lock);
    uint32_t offset = pool->write_offset.load(std::memory_order_relaxed);
    if (size > task_arena_size - offset) {
        // No room left: write nothing, and fail the pool as a failed task would, so that
        // the waiter learns that this work will never be done.
        mutex_unlock(&pool->queue_lock);
        finish_task(pool, nullptr, false);
        return;
    }
    unsigned char *start = pool->arena + offset;
    Task *task = new (start) Task;
    task->size = static_cast<uint32_t>(size);
    task->done.store(0, std::memory_order_relaxed);
    task->function = function;
    task->args = copy_entries(start + header_size, args_list, arg_count);
    task->progress =
        copy_entries(start + header_size + 8 * arg_count, progress_list, progress_count);
    pool->write_offset.store(offset + task->size, std::memory_order_release);
    mutex_unlock(&pool->queue_lock);

    platform_semaphore_release(&pool->pending);
}

bool pool_wait_all(TaskPool *pool)
{
    signal_hold(&pool->completion);
    while (!pool->stopped.load() && !all_taken_are_done(pool)) {
        signal_wait(&pool->completion);
        pool->completion.raised = false;
    }
    signal_release(&pool->completion);
    return !pool->stopped.load();
}
