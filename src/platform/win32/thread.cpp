// Win32: threads, critical sections, condition variables and the counting semaphore.
#include "platform/platform.h"

#include <windows.h>

#include <cstdlib>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(PlatformLock::critical_section));
static_assert(alignof(CRITICAL_SECTION) <= alignof(PlatformLock));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void *));

namespace {

struct ThreadStart {
    ThreadRoutine routine;
    void *argument;
};

DWORD WINAPI thread_trampoline(LPVOID parameter)
{
    ThreadStart start = *static_cast<ThreadStart *>(parameter);
    free(parameter);
    return start.routine(start.argument);
}

HANDLE create_thread(ThreadRoutine routine, void *argument)
{
    ThreadStart *start = static_cast<ThreadStart *>(malloc(sizeof(ThreadStart)));
    if (!start)
        return nullptr;
    start->routine = routine;
    start->argument = argument;
    HANDLE handle = CreateThread(nullptr, 0, thread_trampoline, start, 0, nullptr);
    if (!handle)
        free(start);
    return handle;
}

CRITICAL_SECTION *critical_section(PlatformLock *lock)
{
    return reinterpret_cast<CRITICAL_SECTION *>(lock->critical_section);
}

CONDITION_VARIABLE *condition_variable(PlatformCondition *condition)
{
    return reinterpret_cast<CONDITION_VARIABLE *>(&condition->condition_variable);
}

} // namespace

bool platform_thread_start(PlatformThread *thread, ThreadRoutine routine, void *argument)
{
    thread->handle = create_thread(routine, argument);
    return thread->handle != nullptr;
}

bool platform_thread_start_detached(ThreadRoutine routine, void *argument)
{
    // The handle is not kept: the thread ends with its routine or with the process.
    return create_thread(routine, argument) != nullptr;
}

void platform_thread_join(PlatformThread *thread)
{
    WaitForSingleObject(thread->handle, INFINITE);
}

uint32_t platform_thread_id()
{
    return GetCurrentThreadId();
}

void platform_lock_init(PlatformLock *lock)
{
    InitializeCriticalSection(critical_section(lock));
}

void platform_lock_enter(PlatformLock *lock)
{
    EnterCriticalSection(critical_section(lock));
}

void platform_lock_leave(PlatformLock *lock)
{
    LeaveCriticalSection(critical_section(lock));
}

void platform_lock_delete(PlatformLock *lock)
{
    DeleteCriticalSection(critical_section(lock));
}

void platform_condition_init(PlatformCondition *condition)
{
    InitializeConditionVariable(condition_variable(condition));
}

void platform_condition_wake_one(PlatformCondition *condition)
{
    WakeConditionVariable(condition_variable(condition));
}

void platform_condition_wake_all(PlatformCondition *condition)
{
    WakeAllConditionVariable(condition_variable(condition));
}

bool platform_condition_sleep(PlatformCondition *condition, PlatformLock *lock)
{
    return SleepConditionVariableCS(condition_variable(condition), critical_section(lock),
                                    INFINITE) != 0;
}

bool platform_semaphore_create(PlatformSemaphore *semaphore, uint32_t initial, uint32_t maximum)
{
    semaphore->handle =
        CreateSemaphoreA(nullptr, static_cast<LONG>(initial), static_cast<LONG>(maximum), nullptr);
    return semaphore->handle != nullptr;
}

void platform_semaphore_release(PlatformSemaphore *semaphore)
{
    ReleaseSemaphore(semaphore->handle, 1, nullptr);
}

void platform_semaphore_wait(PlatformSemaphore *semaphore)
{
    WaitForSingleObject(semaphore->handle, INFINITE);
}
