// The Task pool: slow work (the runtime installation, every jar download) runs on worker
// threads, handed over in submission order through a fixed arena, while the submitter goes
// on; one thread can then wait until all of it is done or some piece has failed.
#pragma once

#include "concurrency/signal.h"

#include <atomic>
#include <cstdint>

struct Task;

// The work of one task. It gets its own record and returns true for success.
typedef bool (*TaskFunction)(Task *task);

// One record in the arena: this header, then the copied `args` pointers, then the copied
// `progress` pointers.
struct Task {
    uint32_t size;              // header plus 8 bytes per copied pointer
    std::atomic<uint32_t> done; // 1 once the function has returned, whatever it returned
    TaskFunction function;
    void **args;     // the task's inputs, or null when none were given
    void **progress; // the progress slots it reports into, or null
};

static_assert(sizeof(Task) == 32, "the record header is 32 bytes");
static_assert(sizeof(void *) == 8, "records count 8 bytes per copied pointer");

constexpr uint32_t task_arena_size = 131072;

struct TaskPool {
    RecursiveMutex queue_lock; // guards the offsets and the writing of records
    PlatformSemaphore pending; // one unit per record no worker has taken yet
    Signal completion;         // raised after every task
    std::atomic<bool> stopped; // set when a task fails; never cleared
    alignas(8) unsigned char arena[task_arena_size]; // records end to end, never reused
    std::atomic<uint32_t> write_offset;              // where the next record goes
    std::atomic<uint32_t> read_offset;               // the next record a worker takes
};

// The process's one pool, started by the application shell before anything is submitted.
extern TaskPool task_pool;

void pool_init(TaskPool *pool);
void pool_start_workers(TaskPool *pool, int count);
// Appends a task and wakes one worker. Each list is null or an array of pointers ended by a
// null entry; the pointers (not what they point to) are copied. A record that would not fit
// in what is left of the arena is not written: the pool counts it as a failed task.
void pool_submit(TaskPool *pool, TaskFunction function, void *const *args_list,
                 void *const *progress_list);
// Returns when every task ever submitted is done, or as soon as the pool is stopped: true
// if no task failed. Only one thread may wait at a time.
bool pool_wait_all(TaskPool *pool);
