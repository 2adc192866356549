// The HTTPS fetcher: every transfer of the launcher, to memory or to a file, with one set
// of transfer options and one test of success (the transfer completed and the status is
// 200). A failed transfer is reported to the user here, "Failed to download: URL", before
// the call returns false.
#pragma once

#include <cstdint>

struct ProgressSlot;

// Sets up the transfer library for the process. Every transfer happens between this and
// download_cleanup, which the launch sequence calls exactly once each.
bool download_init();

// Stops the transfers still running (they end without a message), waits until none uses
// the library any more, and releases it. Transfers asked for later fail at once, silently.
void download_cleanup();

// Brings the body at url into one heap block of exactly its size (plus a zero byte when
// terminate is set, counted in the size). An empty body gives a null block and size 0.
// The caller frees the block with free(). On failure nothing is handed back.
bool fetch_to_memory(unsigned char **out_data, uint64_t *out_size, const char *url,
                     ProgressSlot *progress, bool terminate);

// Brings the body at url into the file at path. Streamed: written as it arrives; after a
// failure the partial file stays for the caller to remove. Buffered: received into memory,
// then written to "<path>.tmp" and renamed to path; after a failure nothing is left.
// False, without a message, when the file cannot be created.
bool fetch_to_file(const char *path, const char *url, ProgressSlot *progress, bool buffered);

// How long a transfer may receive nothing before it is given up: 60 s. Tests shorten it.
extern uint32_t fetch_stall_timeout_ms;

// Whether a thread's transfers share its connection and TLS session (they do). The
// benchmark turns it off to measure what the sharing saves.
extern bool fetch_reuse_connections;
