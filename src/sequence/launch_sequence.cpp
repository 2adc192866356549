#include "sequence/launch_sequence.h"

#include "concurrency/task_pool.h"
#include "download/deployment.h"
#include "download/fetch.h"
#include "download/jar_downloader.h"
#include "download/runtime_installer.h"
#include "launcher/progress_board.h"
#include "launcher/shell.h"
#include "platform/platform.h"
#include "sequence/descriptor_reader.h"
#include "sequence/jar_cache.h"
#include "sequence/java_launch.h"
#include "sequence/preparation.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

// The documents the sequence fetched.
struct FetchedDocuments {
    char *application_version;
    char *runtime_version;
    uint64_t runtime_version_length;
    unsigned char *descriptor;
    uint64_t descriptor_size;
};

// What the sequence made lives until the process ends, whatever way the sequence ends:
// tasks still running and the splash may hold pointers into it.
struct SequenceState {
    FetchedDocuments documents;
    LocalRuntimeVersion local_runtime;
    JnlpDescriptor descriptor;
    ProgressSlot *jar_slots;
};

SequenceState sequence;

// Fetches a small document; on failure shows the fetcher's box, then the sequence's own.
bool fetch_document(unsigned char **data, uint64_t *size, const char *url, bool terminate,
                    const char *failure)
{
    if (!fetch_to_memory(data, size, url, nullptr, terminate)) {
        show_error(failure);
        return false;
    }
    return true;
}

// An empty body comes back as no block; the sequence works with an empty text instead.
char *text_or_empty(unsigned char *data)
{
    if (data)
        return reinterpret_cast<char *>(data);
    char *empty = static_cast<char *>(calloc(1, 1));
    return empty;
}

bool fetch_documents(FetchedDocuments *documents)
{
    char url[260];
    unsigned char *data = nullptr;
    uint64_t size = 0;
    format_url(url, "https://%s/APP/app.version", server_base);
    if (!fetch_document(&data, &size, url, true, "Failed to fetch APP version"))
        return false;
    documents->application_version = text_or_empty(data);

    data = nullptr;
    format_url(url, "https://%s/JRE/%s/jre.version", server_base, platform_runtime_area);
    if (!fetch_document(&data, &size, url, true, "Failed to fetch JRE version"))
        return false;
    documents->runtime_version = text_or_empty(data);
    cut_at_line_end(documents->runtime_version);
    documents->runtime_version_length = strlen(documents->runtime_version);

    data = nullptr;
    format_url(url, "https://%s/webstart/mirvo.jnlp", server_base);
    if (!fetch_document(&data, &size, url, false, "Failed to fetch JNLP"))
        return false;
    documents->descriptor = data;
    documents->descriptor_size = size;
    return true;
}

// Everything after the documents are in: the runtime decision, the descriptor, the jar
// cache, the downloads, and the launch. False when the launch must not happen.
bool bring_up_to_date_and_launch(FetchedDocuments *documents, bool runtime_current)
{
    if (runtime_current) {
        progress_mark_runtime_current();
    } else {
        void *args[] = {documents->runtime_version, &documents->runtime_version_length, nullptr};
        void *progress[] = {&progress_board.runtime_download, &progress_board.runtime_extraction,
                            nullptr};
        pool_submit(&task_pool, install_runtime, args, progress);
    }

    JnlpDescriptor &descriptor = sequence.descriptor;
    const char *failure = nullptr;
    if (!read_descriptor(reinterpret_cast<const char *>(documents->descriptor),
                         documents->descriptor_size, documents->application_version, &descriptor,
                         &failure)) {
        show_error(failure);
        return false;
    }

    // Publishing zero-fills the slots.
    ProgressSlot *slots =
        static_cast<ProgressSlot *>(malloc(descriptor.jar_count * sizeof(ProgressSlot)));
    if (!slots)
        return false;
    sequence.jar_slots = slots;
    progress_publish_jar_slots(slots, descriptor.jar_count);

    clean_jar_directory("Tessarix", descriptor.jars, descriptor.jar_count, slots);

    for (uint64_t i = 0; i < descriptor.jar_count; i++) {
        JarEntry *jar = &descriptor.jars[i];
        if (!jar->name[0] || !jar->version[0])
            continue; // present already
        void *args[] = {jar, nullptr};
        void *progress[] = {&slots[i], nullptr};
        pool_submit(&task_pool, download_jar, args, progress);
    }

    if (!pool_wait_all(&task_pool))
        return false; // the failed task has told the user what failed

    start_java(descriptor_main_class(&descriptor));
    return true;
}

} // namespace

void launch_sequence()
{
    setlocale(LC_ALL, "en_US.UTF-8");
    if (!download_init())
        return;

    if (prepare_directories()) {
        empty_staging_directory();
        sequence.local_runtime = read_local_runtime_version();
        FetchedDocuments *documents = &sequence.documents;
        if (fetch_documents(documents)) {
            bool current =
                runtime_is_current(documents->runtime_version, documents->runtime_version_length,
                                   sequence.local_runtime);
            bring_up_to_date_and_launch(documents, current);
        }
    }
    // Transfers still running (after a failure) are stopped before the library goes.
    download_cleanup();
}
