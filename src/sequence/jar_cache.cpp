#include "sequence/jar_cache.h"

#include "launcher/progress_board.h"
#include "platform/platform.h"

#include <cstring>

namespace {

struct Reconciliation {
    const char *directory;
    JarEntry *jars;
    uint64_t count;
    ProgressSlot *slots;
};

// True when file_name is exactly "<name>-<version>.jar", the entry's file. Compared in
// place: the listing's names are under 260 bytes, so the 1024-byte formatted name that a
// longer entry would be cut to could never match one anyway.
bool is_file_of(const char *file_name, const JarEntry *entry)
{
    size_t name_length = strlen(entry->name);
    if (strncmp(file_name, entry->name, name_length) != 0 || file_name[name_length] != '-')
        return false;
    const char *rest = file_name + name_length + 1;
    size_t version_length = strlen(entry->version);
    return strncmp(rest, entry->version, version_length) == 0 &&
           strcmp(rest + version_length, ".jar") == 0;
}

// True when the file belongs to an active entry, which is then marked present.
bool claim_for_entry(const Reconciliation *r, const char *file_name)
{
    for (uint64_t i = 0; i < r->count; i++) {
        JarEntry *entry = &r->jars[i];
        if (!entry->name[0] || !entry->version[0] || !is_file_of(file_name, entry))
            continue;
        // Inactive from now on, so no download is asked for it and no second file can
        // claim it.
        entry->name[0] = 0;
        entry->version[0] = 0;
        progress_slot_set(&r->slots[i], 1, 1);
        return true;
    }
    return false;
}

bool reconcile_item(const DirectoryItem *item, void *context)
{
    const Reconciliation *r = static_cast<const Reconciliation *>(context);
    if (item->is_directory)
        return true; // ".", ".." and every subdirectory, the staging directory among them

    // An empty file is never kept: it is what an interrupted write leaves behind.
    bool keep = item->size != 0 && r->count != 0 && claim_for_entry(r, item->name);
    if (!keep) {
        char path[1024];
        snprintf(path, sizeof path, "%s\\%s", r->directory, item->name);
        path[sizeof path - 1] = 0;
        platform_remove_file(path);
    }
    return true;
}

} // namespace

void clean_jar_directory(const char *directory, JarEntry *jars, uint64_t count, ProgressSlot *slots)
{
    Reconciliation r = {directory, jars, count, slots};
    platform_list_directory(directory, reconcile_item, &r);
}
