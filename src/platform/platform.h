// Everything the launcher needs from the operating system, one procedure per need.
// The core is written once against this header; each backend (win32/, posix/) implements it
// for its system. Nothing outside this folder tests which system it is built for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#if defined(_WIN32)
#include "win32/platform_types.h"
#else
#include "posix/platform_types.h"
#endif

// ---- Threads ---------------------------------------------------------------------------

// A thread routine; its result is the thread's exit code.
typedef uint32_t (*ThreadRoutine)(void *argument);

// Starts a thread that runs routine(argument) at once. The handle is kept for
// platform_thread_join. False when the system refuses the thread.
bool platform_thread_start(PlatformThread *thread, ThreadRoutine routine, void *argument);

// Starts a thread that nobody waits for; it ends with its routine or with the process.
bool platform_thread_start_detached(ThreadRoutine routine, void *argument);

// Waits, without a time limit, until the thread has ended.
void platform_thread_join(PlatformThread *thread);

// The calling thread's id. 0 never names a thread.
uint32_t platform_thread_id();

// ---- Locks and condition variables ------------------------------------------------------

// A lock that its holder may enter again; a condition wait can release it.
void platform_lock_init(PlatformLock *lock);
void platform_lock_enter(PlatformLock *lock);
void platform_lock_leave(PlatformLock *lock);
void platform_lock_delete(PlatformLock *lock);

void platform_condition_init(PlatformCondition *condition);
void platform_condition_wake_one(PlatformCondition *condition);
void platform_condition_wake_all(PlatformCondition *condition);
// Leaves the lock (entered exactly once by the caller), sleeps until woken, enters it again.
// False when the system reports that the wait itself failed; the lock is held again on
// return either way (both systems re-take it, or never let it go, on a failed wait).
bool platform_condition_sleep(PlatformCondition *condition, PlatformLock *lock);

// ---- Counting semaphore ----------------------------------------------------------------

bool platform_semaphore_create(PlatformSemaphore *semaphore, uint32_t initial, uint32_t maximum);
void platform_semaphore_release(PlatformSemaphore *semaphore);
// Waits without a time limit until a unit is available and takes it.
void platform_semaphore_wait(PlatformSemaphore *semaphore);

// ---- Time -------------------------------------------------------------------------------

// A monotonic high-resolution counter and its ticks per second.
uint64_t platform_counter_now();
uint64_t platform_counter_frequency();
// Asks for 1 ms sleep granularity for the rest of the process; true when granted.
bool platform_timer_period_1ms();
void platform_sleep_ms(uint32_t milliseconds);

// ---- Files and directories ----------------------------------------------------------------
// Paths are UTF-8 and relative to the current directory unless absolute. The core writes
// separators as '/' or '\' and both mean the same on every system.

// True when something (file or directory) exists at path.
bool platform_path_exists(const char *path);
// Creates one directory; false when it cannot (it exists already, the parent is missing...).
bool platform_make_directory(const char *path);
// Creates a directory that the user does not see in a normal listing.
bool platform_make_hidden_directory(const char *path);
FILE *platform_open_file(const char *path, const char *mode);
bool platform_remove_file(const char *path);
// Moves a file to a new name. Never replaces an existing file: fails instead.
bool platform_rename_file(const char *from, const char *to);
// Deletes a directory and everything below it, for good, following no links.
bool platform_delete_tree(const char *path);
bool platform_set_current_directory(const char *path);
// The current directory as UTF-8; false when it cannot be given in `size` bytes.
bool platform_get_current_directory(char *out, size_t size);
// The user's profile folder (Windows) or home directory (POSIX) as UTF-8.
bool platform_profile_directory(char *out, size_t size);

struct DirectoryItem {
    bool is_directory;
    uint64_t size;  // bytes
    char name[260]; // UTF-8
};

// Calls visit for each item directly inside directory ("." and ".." included on systems that
// list them) until visit returns false. A name that cannot be given as UTF-8 in 260 bytes ends
// the listing there. False when the directory cannot be listed at all.
bool platform_list_directory(const char *directory,
                             bool (*visit)(const DirectoryItem *item, void *context),
                             void *context);

// ---- Messages to the user ------------------------------------------------------------------

typedef void *WindowHandle;

// Shows a modal message box titled "Error" with the text, a warning icon and one OK button,
// owned by the window when one is given; returns once the user has dismissed it.
void platform_show_error(WindowHandle owner, const char *text);

// ---- Processes -------------------------------------------------------------------------------

// Starts program (relative to the current directory) with the command line (the program's
// own name first, words separated by single spaces, nothing quoted) in the working directory,
// detached from the launcher, with its standard handles leading nowhere. Nothing is waited
// for and nothing is reported: false only tells the caller that nothing was started.
bool platform_start_detached_process(const char *program, const char *command_line,
                                     const char *working_directory);

// ---- What the launched runtime looks like on this system -------------------------------------

extern const char platform_runtime_area[]; // the server folder of this system's runtime builds
extern const char platform_java_program[]; // the Java launcher inside the runtime directory
extern const char platform_class_path[];   // every jar of the jar cache

// Applies the permission bits an archive recorded for an extracted file, where the system
// has such bits (so that "bin/java" is executable); elsewhere nothing.
void platform_apply_archive_mode(const char *path, uint32_t unix_mode);

// ---- Start-up ------------------------------------------------------------------------------

// Readies the UI thread for the system's window and shell services.
void platform_initialize_ui_thread();
