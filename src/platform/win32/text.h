// Win32: UTF-8 <-> UTF-16 for the wide system calls, with code page 65001 and the
// 260-unit buffers the launcher uses everywhere. A failed conversion (invalid UTF-8, or a
// text that does not fit) ends the operation that needed it.
#pragma once

#include <windows.h>

constexpr int wide_path_units = 260;

inline bool utf8_to_wide(const char *text, wchar_t (&out)[wide_path_units])
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, wide_path_units) != 0;
}

inline bool wide_to_utf8(const wchar_t *text, char *out, int size)
{
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, out, size, nullptr, nullptr) != 0;
}
