// POSIX: the core writes some paths with '\' as on Windows ("Tessarix\temp"). Here the
// backslash is an ordinary file name character, so each path is translated before use.
// The launcher never creates names that contain a backslash.
#pragma once

#include <climits>
#include <cstring>

struct NativePath {
    char text[PATH_MAX];
};

// False when the path does not fit.
inline bool native_path(const char *path, NativePath *out)
{
    size_t length = strlen(path);
    if (length >= sizeof out->text)
        return false;
    for (size_t i = 0; i <= length; i++)
        out->text[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}
