#include "download/runtime_installer.h"

#include "concurrency/task_pool.h"
#include "download/deployment.h"
#include "download/fetch.h"
#include "launcher/progress_board.h"
#include "platform/platform.h"

#include <zip.h>

#include <cstring>

namespace {

constexpr uint32_t unix_directory_bits = 0040000;
constexpr uint32_t unix_type_mask = 0170000;
constexpr uint32_t dos_directory_attribute = 0x10;

bool is_separator(char c)
{
    return c == '/' || c == '\\';
}

// An entry name is used below "VM" only if it stays there: no absolute name, no drive
// letter or stream name, no ".." component.
bool stays_inside(const char *name)
{
    if (is_separator(name[0]) || strchr(name, ':'))
        return false;
    const char *component = name;
    for (const char *p = name;; p++) {
        if (*p && !is_separator(*p))
            continue;
        if (p - component == 2 && component[0] == '.' && component[1] == '.')
            return false;
        if (!*p)
            return true;
        component = p + 1;
    }
}

bool entry_is_directory(zip_t *archive, zip_uint64_t index, const char *name)
{
    size_t length = strlen(name);
    if (length > 0 && is_separator(name[length - 1]))
        return true;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    if (system == ZIP_OPSYS_UNIX)
        return ((attributes >> 16) & unix_type_mask) == unix_directory_bits;
    return (attributes & dos_directory_attribute) != 0;
}

// Creates every missing directory on the way to the file: at each separator the text up
// to it names one. The file's own name, after the last separator, is never made a
// directory. Stops at the first directory that cannot be made; the extraction then fails
// by itself.
void make_parent_directories(char *path)
{
    for (char *p = path; *p; p++) {
        if (!is_separator(*p))
            continue;
        char separator = *p;
        *p = 0;
        bool made = platform_path_exists(path) || platform_make_directory(path);
        *p = separator;
        if (!made)
            return;
    }
}

// Writes one entry's data to the target. Damaged data, a CRC mismatch, encryption or an
// unsupported method all end here as a failure; a partial file is not left behind.
bool extract_entry(zip_t *archive, zip_uint64_t index, const char *target)
{
    zip_file_t *entry = zip_fopen_index(archive, index, 0);
    if (!entry)
        return false;
    FILE *file = platform_open_file(target, "wb");
    bool succeeded = file != nullptr;
    unsigned char chunk[65536];
    while (succeeded) {
        zip_int64_t got = zip_fread(entry, chunk, sizeof chunk);
        if (got < 0)
            succeeded = false;
        if (got <= 0)
            break;
        if (fwrite(chunk, 1, static_cast<size_t>(got), file) != static_cast<size_t>(got))
            succeeded = false;
    }
    if (zip_fclose(entry) != 0)
        succeeded = false;
    if (file && fclose(file) != 0)
        succeeded = false;
    if (file && !succeeded)
        platform_remove_file(target);
    return succeeded;
}

uint32_t unix_mode_of(zip_t *archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0 ||
        system != ZIP_OPSYS_UNIX)
        return 0;
    return (attributes >> 16) & 07777;
}

// Unpacks every file entry below "VM", counting them in the extraction slot.
bool unpack(zip_t *archive, ProgressSlot *extraction)
{
    zip_int64_t count = zip_get_num_entries(archive, 0);
    zip_stat_t stat;
    if (count <= 0 || zip_stat_index(archive, 0, 0, &stat) != 0)
        return false;

    if (extraction) {
        uint64_t files = 0;
        for (zip_int64_t i = 0; i < count; i++)
            if (zip_stat_index(archive, i, 0, &stat) == 0 && (stat.valid & ZIP_STAT_NAME) &&
                !entry_is_directory(archive, i, stat.name))
                files += 1;
        extraction->total.exchange(files);
    }

    for (zip_int64_t i = 0; i < count; i++) {
        if (zip_stat_index(archive, i, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            continue;
        if (entry_is_directory(archive, i, stat.name))
            continue; // directories come into being as parents of files
        if (!stays_inside(stat.name))
            return false;
        char target[260];
        // A name cut to fit would put the file somewhere else: refuse it instead.
        if (snprintf(target, 259, "%s\\%s", "VM", stat.name) >= 259)
            return false;
        make_parent_directories(target);
        if (!extract_entry(archive, i, target))
            return false;
        if (uint32_t mode = unix_mode_of(archive, i))
            platform_apply_archive_mode(target, mode);
        if (extraction)
            extraction->now.fetch_add(1);
    }
    return true;
}

bool write_version_file(const char *version, uint64_t length)
{
    FILE *file = platform_open_file("jre.version", "wb");
    if (!file)
        return false;
    bool written = length == 0 || fwrite(version, length, 1, file) == 1;
    if (fclose(file) != 0 || !written) {
        platform_remove_file("jre.version"); // never a half-written version
        return false;
    }
    return true;
}

} // namespace

bool install_runtime(Task *task)
{
    if (task->size < sizeof(Task) + 2 * 8)
        return false; // submitted without its two inputs
    const char *version = static_cast<const char *>(task->args[0]);
    uint64_t length = *static_cast<const uint64_t *>(task->args[1]);
    // The record's size tells how many progress slots came with it.
    uint32_t slots = (task->size - static_cast<uint32_t>(sizeof(Task)) - 2 * 8) / 8;
    ProgressSlot *download = slots >= 1 ? static_cast<ProgressSlot *>(task->progress[0]) : nullptr;
    ProgressSlot *extraction =
        slots >= 2 ? static_cast<ProgressSlot *>(task->progress[1]) : nullptr;

    char url[260];
    snprintf(url, 259, "https://%s/JRE/%s/jre_%s.zip", server_base, platform_runtime_area, version);
    url[259] = 0;
    if (!fetch_to_file("jre.zip", url, download, false)) {
        platform_remove_file("jre.zip");
        return false;
    }

    // From here on the old runtime is going: the version file must no longer name it,
    // whatever happens before the new one is complete.
    platform_remove_file("jre.version");
    if (platform_path_exists("VM") && !platform_delete_tree("VM")) {
        platform_remove_file("jre.zip");
        return false;
    }
    if (!platform_make_directory("VM")) {
        platform_remove_file("jre.zip");
        return false;
    }

    bool unpacked = false;
    int error = 0;
    if (zip_t *archive = zip_open("jre.zip", ZIP_RDONLY, &error)) {
        unpacked = unpack(archive, extraction);
        zip_discard(archive);
    }
    if (!unpacked || !write_version_file(version, length)) {
        platform_remove_file("jre.zip");
        return false;
    }
    platform_remove_file("jre.zip");
    return true;
}
