#include "concurrency/recursive_mutex.h"

// `owner` is also read without the lock by threads comparing it with their own id. A
// thread can only find its own id there if it wrote it itself, so relaxed order suffices.

void mutex_init(RecursiveMutex *m)
{
    platform_lock_init(&m->lock);
    m->owner.store(0, std::memory_order_relaxed);
    m->count = 0;
}

void mutex_lock(RecursiveMutex *m)
{
    platform_lock_enter(&m->lock);
    uint32_t self = platform_thread_id();
    if (m->owner.load(std::memory_order_relaxed) != self) {
        m->owner.store(self, std::memory_order_relaxed);
        m->count = 1;
    } else {
        m->count += 1;
    }
}

void mutex_unlock(RecursiveMutex *m)
{
    if (m->owner.load(std::memory_order_relaxed) != platform_thread_id())
        return;
    m->count -= 1;
    if (m->count == 0)
        m->owner.store(0, std::memory_order_relaxed);
    platform_lock_leave(&m->lock);
}
