// Win32: files and directories. The C runtime here (msvcrt) has no UTF-8 locale, so every
// path goes through its wide functions after conversion from UTF-8.
#include "platform/platform.h"
#include "platform/win32/text.h"

#include <shellapi.h>
#include <shlobj.h>
#include <sys/stat.h>

#include <cstring>
#include <direct.h>

bool platform_path_exists(const char *path)
{
    wchar_t wide[wide_path_units];
    struct _stat64 status;
    return utf8_to_wide(path, wide) && _wstat64(wide, &status) == 0;
}

bool platform_make_directory(const char *path)
{
    wchar_t wide[wide_path_units];
    return utf8_to_wide(path, wide) && _wmkdir(wide) == 0;
}

bool platform_make_hidden_directory(const char *path)
{
    // Only the application directory is made this way; its name is plain ASCII.
    if (!CreateDirectoryA(path, nullptr))
        return false;
    SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN);
    return true;
}

FILE *platform_open_file(const char *path, const char *mode)
{
    wchar_t wide_path[wide_path_units];
    wchar_t wide_mode[8];
    if (!utf8_to_wide(path, wide_path))
        return nullptr;
    if (MultiByteToWideChar(CP_UTF8, 0, mode, -1, wide_mode, 8) == 0)
        return nullptr;
    return _wfopen(wide_path, wide_mode);
}

bool platform_remove_file(const char *path)
{
    wchar_t wide[wide_path_units];
    return utf8_to_wide(path, wide) && _wremove(wide) == 0;
}

bool platform_rename_file(const char *from, const char *to)
{
    // The C runtime's rename fails when the destination exists: nothing is replaced.
    wchar_t wide_from[wide_path_units];
    wchar_t wide_to[wide_path_units];
    return utf8_to_wide(from, wide_from) && utf8_to_wide(to, wide_to) &&
           _wrename(wide_from, wide_to) == 0;
}

bool platform_delete_tree(const char *path)
{
    // The shell's delete: no recycle bin, no dialog of any kind.
    char list[1024] = {};
    size_t length = strlen(path);
    if (length + 2 > sizeof list)
        return false;
    memcpy(list, path, length); // the list ends with two zero bytes
    SHFILEOPSTRUCTA operation = {};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list;
    operation.pTo = nullptr;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    return SHFileOperationA(&operation) == 0;
}

bool platform_set_current_directory(const char *path)
{
    wchar_t wide[wide_path_units];
    return utf8_to_wide(path, wide) && SetCurrentDirectoryW(wide);
}

bool platform_get_current_directory(char *out, size_t size)
{
    wchar_t wide[wide_path_units];
    DWORD length = GetCurrentDirectoryW(wide_path_units, wide);
    // 0 is failure; a length of the buffer or more is the size it would need.
    if (length == 0 || length >= static_cast<DWORD>(wide_path_units))
        return false;
    return wide_to_utf8(wide, out, static_cast<int>(size));
}

bool platform_profile_directory(char *out, size_t size)
{
    wchar_t wide[wide_path_units];
    if (SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, wide) != S_OK)
        return false;
    return wide_to_utf8(wide, out, static_cast<int>(size));
}

bool platform_list_directory(const char *directory,
                             bool (*visit)(const DirectoryItem *item, void *context), void *context)
{
    char pattern[1024];
    snprintf(pattern, sizeof pattern, "%s\\*", directory);
    wchar_t wide_pattern[wide_path_units];
    if (!utf8_to_wide(pattern, wide_pattern))
        return false;

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide_pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        DirectoryItem item = {};
        char short_name[14] = {};
        item.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        if (!wide_to_utf8(found.cFileName, item.name, sizeof item.name) ||
            !wide_to_utf8(found.cAlternateFileName, short_name, sizeof short_name))
            break;
        if (!visit(&item, context))
            break;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}
