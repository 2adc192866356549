#include "concurrency/signal.h"

namespace {

void clear_mutex(RecursiveMutex *m)
{
    m->owner.store(0, std::memory_order_relaxed);
    m->count = 0;
}

bool owned_by_caller(const RecursiveMutex *m)
{
    return m->owner.load(std::memory_order_relaxed) == platform_thread_id();
}

void raise(Signal *s, void (*wake)(PlatformCondition *))
{
    mutex_lock(&s->guard);
    s->raised = true;
    wake(&s->condition);
    mutex_unlock(&s->guard);
}

} // namespace

void signal_init(Signal *s)
{
    clear_mutex(&s->guard);
    clear_mutex(&s->waiter_lock);
    s->raised = false;
    mutex_init(&s->guard);
    mutex_init(&s->waiter_lock);
    platform_condition_init(&s->condition);
}

void signal_destroy(Signal *s)
{
    mutex_lock(&s->waiter_lock);
    mutex_unlock(&s->waiter_lock);
    platform_lock_delete(&s->guard.lock);
    platform_lock_delete(&s->waiter_lock.lock);
    clear_mutex(&s->guard);
    clear_mutex(&s->waiter_lock);
    s->raised = false;
}

void signal_raise_one(Signal *s)
{
    raise(s, platform_condition_wake_one);
}

void signal_raise_all(Signal *s)
{
    raise(s, platform_condition_wake_all);
}

void signal_hold(Signal *s)
{
    mutex_lock(&s->guard);
    mutex_lock(&s->waiter_lock);
    s->raised = false;
}

void signal_hold_once(Signal *s)
{
    if (!owned_by_caller(&s->guard)) {
        mutex_lock(&s->guard);
        s->raised = false;
    }
    if (!owned_by_caller(&s->waiter_lock)) {
        mutex_lock(&s->waiter_lock);
        s->raised = false;
    }
}

void signal_release(Signal *s)
{
    mutex_unlock(&s->guard);
    mutex_unlock(&s->waiter_lock);
}

void signal_wait(Signal *s)
{
    uint32_t self = platform_thread_id();
    while (!s->raised) {
        // The platform wait gives the lock up while sleeping: the record must not name a
        // holder meanwhile, or a raiser's unlock would be taken for the holder's.
        clear_mutex(&s->guard);
        if (!platform_condition_sleep(&s->condition, &s->guard.lock)) {
            // The system refused the wait but holds the lock for us again. Poll instead of
            // spinning: let raisers in for a millisecond, then test again.
            platform_lock_leave(&s->guard.lock);
            platform_sleep_ms(1);
            platform_lock_enter(&s->guard.lock);
        }
        s->guard.owner.store(self, std::memory_order_relaxed);
        s->guard.count = 1;
    }
}
