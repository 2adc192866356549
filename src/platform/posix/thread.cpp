// POSIX: threads, recursive mutexes, condition variables and the counting semaphore.
#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {

struct ThreadStart {
    ThreadRoutine routine;
    void *argument;
};

void *thread_trampoline(void *parameter)
{
    ThreadStart start = *static_cast<ThreadStart *>(parameter);
    free(parameter);
    start.routine(start.argument);
    return nullptr;
}

bool create_thread(pthread_t *thread, ThreadRoutine routine, void *argument)
{
    ThreadStart *start = static_cast<ThreadStart *>(malloc(sizeof(ThreadStart)));
    if (!start)
        return false;
    start->routine = routine;
    start->argument = argument;
    if (pthread_create(thread, nullptr, thread_trampoline, start) != 0) {
        free(start);
        return false;
    }
    return true;
}

} // namespace

bool platform_thread_start(PlatformThread *thread, ThreadRoutine routine, void *argument)
{
    return create_thread(&thread->thread, routine, argument);
}

bool platform_thread_start_detached(ThreadRoutine routine, void *argument)
{
    pthread_t thread;
    if (!create_thread(&thread, routine, argument))
        return false;
    pthread_detach(thread);
    return true;
}

void platform_thread_join(PlatformThread *thread)
{
    pthread_join(thread->thread, nullptr);
}

uint32_t platform_thread_id()
{
    // Kernel thread ids are positive, so 0 stays free to mark an unowned lock.
    return static_cast<uint32_t>(gettid());
}

void platform_lock_init(PlatformLock *lock)
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&lock->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void platform_lock_enter(PlatformLock *lock)
{
    pthread_mutex_lock(&lock->mutex);
}

void platform_lock_leave(PlatformLock *lock)
{
    pthread_mutex_unlock(&lock->mutex);
}

void platform_lock_delete(PlatformLock *lock)
{
    pthread_mutex_destroy(&lock->mutex);
}

void platform_condition_init(PlatformCondition *condition)
{
    pthread_cond_init(&condition->condition, nullptr);
}

void platform_condition_wake_one(PlatformCondition *condition)
{
    pthread_cond_signal(&condition->condition);
}

void platform_condition_wake_all(PlatformCondition *condition)
{
    pthread_cond_broadcast(&condition->condition);
}

bool platform_condition_sleep(PlatformCondition *condition, PlatformLock *lock)
{
    return pthread_cond_wait(&condition->condition, &lock->mutex) == 0;
}

bool platform_semaphore_create(PlatformSemaphore *semaphore, uint32_t initial, uint32_t maximum)
{
    (void)maximum; // sem_t has no ceiling of its own; the pool never nears SEM_VALUE_MAX
    return sem_init(&semaphore->semaphore, 0, initial) == 0;
}

void platform_semaphore_release(PlatformSemaphore *semaphore)
{
    sem_post(&semaphore->semaphore);
}

void platform_semaphore_wait(PlatformSemaphore *semaphore)
{
    while (sem_wait(&semaphore->semaphore) != 0 && errno == EINTR) {
    }
}
