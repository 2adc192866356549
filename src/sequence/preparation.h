// The first steps of the launch: the working directories, the staging directory emptied,
// the installed runtime's version read, and the comparison with the server's.
#pragma once

#include "sequence/line_end.h"

#include <cstdint>

// Makes "VM", "Tessarix" and "Tessarix\temp" where missing. Something that already exists
// under one of those names, a regular file included, passes. False when one is missing and
// cannot be created.
bool prepare_directories();

// Deletes every regular file in the staging directory: downloads an earlier run left
// unfinished. Its subdirectories stay.
void empty_staging_directory();

// The whole content of "jre.version", as raw bytes: nothing trimmed, no terminator added.
// No file: no block and size 0.
struct LocalRuntimeVersion {
    unsigned char *data;
    int32_t size;
};
LocalRuntimeVersion read_local_runtime_version();

// The installed runtime is current when its version file holds exactly the server's text.
bool runtime_is_current(const char *server_text, uint64_t server_length,
                        const LocalRuntimeVersion &local);

// Formats one of the launcher's URLs into 260 bytes: cut at 259 bytes, always terminated.
void format_url(char (&url)[260], const char *format, ...) __attribute__((format(printf, 2, 3)));
