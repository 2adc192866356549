// The POSIX objects that the core embeds in its own records.
#pragma once

#include <pthread.h>
#include <semaphore.h>

struct PlatformLock {
    pthread_mutex_t mutex; // recursive, like a critical section
};

struct PlatformCondition {
    pthread_cond_t condition;
};

struct PlatformSemaphore {
    sem_t semaphore;
};

struct PlatformThread {
    pthread_t thread;
};
