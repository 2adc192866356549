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

// True when the file belongs to an active entry, which is then marked present.
bool claim_for_entry(const Reconciliation *r, const char *file_name)
{
    for (uint64_t i = 0; i < r->count; i++) {
        JarEntry *entry = &r->jars[i];
        if (!entry->name[0] || !entry->version[0])
            continue;
        char candidate[1024];
        snprintf(candidate, sizeof candidate, "%s-%s.jar", entry->name, entry->version);
        if (strcmp(candidate, file_name) != 0)
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

    char path[1024];
    snprintf(path, sizeof path, "%s\\%s", r->directory, item->name);
    path[sizeof path - 1] = 0;
    // An empty file is never kept: it is what an interrupted write leaves behind.
    bool keep = item->size != 0 && r->count != 0 && claim_for_entry(r, item->name);
    if (!keep)
        platform_remove_file(path);
    return true;
}

} // namespace

void clean_jar_directory(const char *directory, JarEntry *jars, uint64_t count, ProgressSlot *slots)
{
    Reconciliation r = {directory, jars, count, slots};
    platform_list_directory(directory, reconcile_item, &r);
}
