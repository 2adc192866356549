// State of the application shell that the other threads share with the UI thread.
#pragma once

#include "platform/platform.h"

#include <atomic>

// Set once the frame loop is to end: by the worker thread when the launch sequence returns,
// by the splash window when it is closed. Never cleared.
extern std::atomic<bool> quit_requested;

// The splash window, null until it exists; the owner of every error message box.
extern std::atomic<WindowHandle> splash_window;

// Shows a message box titled "Error" with the text and waits until the user dismisses it.
// While the splash runs its frame loop the box is owned by the splash; once the loop has
// ended nobody answers the splash's messages, so the box then has no owner.
void show_error(const char *text);

// Where show_error sends its text: the platform's message box. Tests put a recorder here,
// the way a test swaps one system call for another.
extern void (*error_presenter)(WindowHandle owner, const char *text);

// The frame loop tells when it stops pumping the splash window's messages.
void shell_frame_loop_ended();
