// The program's life on its UI thread: into the application directory, the task pool and
// the worker thread started, the splash shown until the launch sequence ends, then out.
#pragma once

// Returns the process's exit code: 0 on every path.
int launcher_main();

// The performance counter's ticks per second, read once at start.
extern float counter_frequency;
