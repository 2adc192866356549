// The runtime install task: the server's runtime archive replaces the private runtime in
// "VM", and only then does "jre.version" name the new version.
#pragma once

struct Task;

// args: {the runtime version text, a pointer to its length (uint64_t)}; progress:
// {runtime_download, runtime_extraction}. True when the new runtime is unpacked and
// "jre.version" written.
bool install_runtime(Task *task);
