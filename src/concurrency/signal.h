// A one-shot event flag with a condition variable: raisers set it after changing shared
// state, and one waiting thread sleeps until it is set.
//
// The waiting side calls signal_hold, then any number of rounds of signal_wait, clearing
// `raised` and examining the shared state, then signal_release. A raise that happened before
// signal_hold is forgotten, so the waiter examines the state before its first wait.
// One waiting thread per Signal at a time.
#pragma once

#include "concurrency/recursive_mutex.h"

struct Signal {
    RecursiveMutex guard;        // protects `raised`; released by the condition wait
    RecursiveMutex waiter_lock;  // held by the waiter for its whole wait; raisers never take it
    PlatformCondition condition; // where the waiter sleeps
    bool raised;                 // read and written only under `guard`
};

void signal_init(Signal *s);
// Passes only once no thread is inside a wait; then deletes the locks. Must not be called
// while a raiser may still call in.
void signal_destroy(Signal *s);
void signal_raise_one(Signal *s);
void signal_raise_all(Signal *s);
void signal_hold(Signal *s);
// Like signal_hold, but takes neither lock a second time where the caller already owns it.
void signal_hold_once(Signal *s);
// Gives back guard and waiter_lock, each only where the caller owns it.
void signal_release(Signal *s);
// Sleeps until `raised` is true. The caller holds `guard` exactly once on entry and on
// return. `raised` is left set.
void signal_wait(Signal *s);
