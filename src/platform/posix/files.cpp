// POSIX: files and directories.
#include "platform/platform.h"
#include "platform/posix/native_path.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

bool platform_path_exists(const char *path)
{
    NativePath native;
    struct stat status;
    return native_path(path, &native) && stat(native.text, &status) == 0;
}

bool platform_make_directory(const char *path)
{
    NativePath native;
    return native_path(path, &native) && mkdir(native.text, 0755) == 0;
}

bool platform_make_hidden_directory(const char *path)
{
    // A leading dot already hides it; only its owner may look inside.
    NativePath native;
    return native_path(path, &native) && mkdir(native.text, 0700) == 0;
}

FILE *platform_open_file(const char *path, const char *mode)
{
    NativePath native;
    return native_path(path, &native) ? fopen(native.text, mode) : nullptr;
}

bool platform_remove_file(const char *path)
{
    NativePath native;
    return native_path(path, &native) && unlink(native.text) == 0;
}

bool platform_rename_file(const char *from, const char *to)
{
    // rename(2) would replace an existing file; the launcher relies on it never doing so.
    NativePath native_from, native_to;
    if (!native_path(from, &native_from) || !native_path(to, &native_to))
        return false;
    if (renameat2(AT_FDCWD, native_from.text, AT_FDCWD, native_to.text, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace flag: link() refuses an existing name too.
    if (link(native_from.text, native_to.text) != 0)
        return false;
    unlink(native_from.text);
    return true;
}

namespace {

int remove_entry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path) == 0 ? 0 : -1;
}

} // namespace

bool platform_delete_tree(const char *path)
{
    NativePath native;
    if (!native_path(path, &native))
        return false;
    // Depth first, and links are removed as links: nothing outside the tree is touched.
    return nftw(native.text, remove_entry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

bool platform_set_current_directory(const char *path)
{
    NativePath native;
    return native_path(path, &native) && chdir(native.text) == 0;
}

bool platform_get_current_directory(char *out, size_t size)
{
    return getcwd(out, size) != nullptr;
}

bool platform_profile_directory(char *out, size_t size)
{
    const char *home = getenv("HOME");
    if (!home || !*home) {
        const passwd *entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || strlen(home) >= size)
        return false;
    memcpy(out, home, strlen(home) + 1);
    return true;
}

bool platform_list_directory(const char *directory,
                             bool (*visit)(const DirectoryItem *item, void *context), void *context)
{
    NativePath native;
    if (!native_path(directory, &native))
        return false;
    DIR *listing = opendir(native.text);
    if (!listing)
        return false;
    while (const dirent *entry = readdir(listing)) {
        DirectoryItem item = {};
        size_t length = strlen(entry->d_name);
        if (length >= sizeof item.name)
            break; // as on Windows: a name that does not fit ends the listing
        memcpy(item.name, entry->d_name, length + 1);

        char full[PATH_MAX];
        struct stat status;
        if (snprintf(full, sizeof full, "%s/%s", native.text, entry->d_name) >=
                static_cast<int>(sizeof full) ||
            lstat(full, &status) != 0)
            continue; // gone meanwhile, or unreachable: nothing to keep or delete
        item.is_directory = S_ISDIR(status.st_mode);
        item.size = static_cast<uint64_t>(status.st_size);
        if (!visit(&item, context))
            break;
    }
    closedir(listing);
    return true;
}
