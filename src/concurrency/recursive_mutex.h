// A lock that its holder may take again and that knows its holder, so that an unlock by
// any other thread is harmless.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <cstdint>

struct RecursiveMutex {
    PlatformLock lock;           // entered once for every mutex_lock
    std::atomic<uint32_t> owner; // thread id of the holder, 0 when free
    uint32_t count;              // times the holder has taken it, 0 when free
};

void mutex_init(RecursiveMutex *m);
void mutex_lock(RecursiveMutex *m);
// Does nothing unless the calling thread holds m.
void mutex_unlock(RecursiveMutex *m);
