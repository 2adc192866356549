// Small helpers for tests that need a second thread or must see that a thread is blocked.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <functional>

// Runs a callable on its own platform thread; join() waits for it.
struct TestThread {
    PlatformThread thread;
    std::function<void()> body;

    explicit TestThread(std::function<void()> run) : body(std::move(run))
    {
        platform_thread_start(&thread, trampoline, this);
    }
    void join()
    {
        platform_thread_join(&thread);
    }
    static uint32_t trampoline(void *self)
    {
        static_cast<TestThread *>(self)->body();
        return 0;
    }
};

// Waits until the condition holds, polling every millisecond; false after ~10 s.
inline bool eventually(const std::function<bool()> &condition)
{
    for (int i = 0; i < 10000; i++) {
        if (condition())
            return true;
        platform_sleep_ms(1);
    }
    return condition();
}

// A thread that is blocked shows nothing; give it time to show that it is not.
inline void let_others_run()
{
    platform_sleep_ms(50);
}
