// The jar cache file name of an entry, "%s-%s.jar" from its name and version, and whether it
// stays inside the jar directory. Names and versions come from a downloaded descriptor, so
// they are checked before anything is named after them.
#pragma once

#include "sequence/jar_entry.h"

#include <cstddef>

// Longest composed name: a 1023-byte name, "-", a 1023-byte version, ".jar" and the NUL.
constexpr size_t jar_file_name_size = 2 * 1024 + 8;

// Writes "%s-%s.jar" into `out` (jar_file_name_size bytes).
void jar_file_name(const char *name, const char *version, char *out);

// True when `file_name` is a relative path of plain components that any Windows or POSIX
// file system takes as it is below the jar directory: no leading '/' or '\', no backslash,
// none of < > : " | ? * nor a control character (1 to 31), no empty, "." or ".." component,
// no component ending in a dot or a space, no reserved device name (CON, PRN, AUX, NUL,
// COM1 to COM9, LPT1 to LPT9, any case, with or without an extension). '/' separates
// sub-directories, which stay allowed.
bool jar_file_name_is_safe(const char *file_name);
