// The jar download task: one jar from the server into the jar cache, through the staging
// directory, so that a jar reaches "Tessarix" only whole.
#pragma once

struct Task;

// args: {the JarEntry}; progress: {its ProgressSlot}. True when the jar was fetched.
bool download_jar(Task *task);
