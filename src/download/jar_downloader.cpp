#include "download/jar_downloader.h"

#include "concurrency/task_pool.h"
#include "download/deployment.h"
#include "download/fetch.h"
#include "launcher/progress_board.h"
#include "platform/platform.h"
#include "sequence/jar_entry.h"

bool download_jar(Task *task)
{
    const JarEntry *jar = static_cast<const JarEntry *>(task->args[0]);
    ProgressSlot *slot = task->progress ? static_cast<ProgressSlot *>(task->progress[0]) : nullptr;

    char url[1024];
    if (jar->kind == jar_kind_application)
        snprintf(url, sizeof url, "https://%s/APP/%s-%s.jar", server_base, jar->name, jar->version);
    else if (jar->kind == jar_kind_descriptor)
        snprintf(url, sizeof url, "https://%s/webstart/%s.jar?version-id=%s", server_base,
                 jar->name, jar->version);
    else
        return false;

    char staging_path[1024];
    char final_path[1024];
    snprintf(staging_path, sizeof staging_path, "Tessarix/temp/%s-%s.jar", jar->name, jar->version);
    snprintf(final_path, sizeof final_path, "Tessarix/%s-%s.jar", jar->name, jar->version);

    if (!fetch_to_file(staging_path, url, slot, true)) {
        platform_remove_file(staging_path);
        return false;
    }
    // An existing final file is not replaced; the new copy then waits in the staging
    // directory until the next start empties it.
    platform_rename_file(staging_path, final_path);
    return true;
}
