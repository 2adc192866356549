#include "download/fetch.h"

#include "download/deployment.h"
#include "launcher/progress_board.h"
#include "launcher/shell.h"
#include "platform/platform.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

uint32_t fetch_stall_timeout_ms = 60000;
bool fetch_reuse_connections = true;

namespace {

constexpr int max_transfer_threads = 16;

// Connections and TLS sessions are kept per thread: a thread's next transfer to the server
// reuses its connection instead of a new handshake. libcurl does not support one
// connection cache for transfers running at the same time on several threads.
struct ThreadShare {
    uint32_t thread_id;
    CURLSH *share;
};

struct DownloadState {
    std::atomic<bool> cancelled;
    std::atomic<int> transfers_running;
    PlatformLock shares_lock;
    ThreadShare shares[max_transfer_threads];
    int share_count;
};

DownloadState download;

// What a transfer's progress callback keeps: the slot it reports into, and when it last
// saw a byte arrive, to give up on a transfer that stalls.
struct TransferWatch {
    ProgressSlot *slot;
    curl_off_t last_received;
    uint64_t last_arrival; // counter ticks
    uint64_t stall_ticks;  // the stall time in counter ticks
    bool stalled;
};

// One buffer a fetch_to_memory call appends to.
struct ReceiveBuffer {
    unsigned char *data;
    uint64_t capacity;
    uint64_t length;
};

CURLSH *share_for_this_thread()
{
    uint32_t self = platform_thread_id();
    CURLSH *found = nullptr;
    platform_lock_enter(&download.shares_lock);
    for (int i = 0; i < download.share_count && !found; i++)
        if (download.shares[i].thread_id == self)
            found = download.shares[i].share;
    if (!found && download.share_count < max_transfer_threads) {
        found = curl_share_init();
        if (found) {
            curl_share_setopt(found, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
            curl_share_setopt(found, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
            curl_share_setopt(found, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            download.shares[download.share_count++] = {self, found};
        }
    }
    platform_lock_leave(&download.shares_lock);
    return found; // null: the transfer simply runs unshared
}

// A new easy handle for one transfer, counted in so that download_cleanup waits for it;
// null when the library is being released (or refuses a handle).
CURL *begin_transfer()
{
    download.transfers_running.fetch_add(1);
    CURL *curl = download.cancelled.load() ? nullptr : curl_easy_init();
    if (!curl)
        download.transfers_running.fetch_sub(1);
    return curl;
}

void end_transfer(CURL *curl)
{
    curl_easy_cleanup(curl);
    download.transfers_running.fetch_sub(1);
}

size_t write_to_memory(char *data, size_t size, size_t count, void *user)
{
    ReceiveBuffer *buffer = static_cast<ReceiveBuffer *>(user);
    uint64_t n = static_cast<uint64_t>(size) * count;
    if (n == 0)
        return 0;
    if (!buffer->data) {
        buffer->data = static_cast<unsigned char *>(malloc(n));
        if (!buffer->data)
            return 0; // fewer bytes than given: the library ends the transfer
        buffer->capacity = n;
    } else if (buffer->length + n > buffer->capacity) {
        void *grown = realloc(buffer->data, buffer->length + n);
        if (!grown)
            return 0;
        buffer->data = static_cast<unsigned char *>(grown);
        buffer->capacity = buffer->length + n;
    }
    memcpy(buffer->data + buffer->length, data, n);
    buffer->length += n;
    return n;
}

size_t write_to_file(char *data, size_t size, size_t count, void *user)
{
    return fwrite(data, size, count, static_cast<FILE *>(user));
}

int progress_report(void *user, curl_off_t download_total, curl_off_t download_now, curl_off_t,
                    curl_off_t)
{
    TransferWatch *watch = static_cast<TransferWatch *>(user);
    if (watch->slot)
        progress_slot_set(watch->slot, static_cast<uint64_t>(download_total),
                          static_cast<uint64_t>(download_now));
    // The transfer ends when the launcher is releasing the library, or when nothing has
    // arrived for the stall time: a server that stops sending must not hang the launch.
    if (download.cancelled.load())
        return 1;
    uint64_t now = platform_counter_now();
    if (download_now != watch->last_received) {
        watch->last_received = download_now;
        watch->last_arrival = now;
    } else if (now - watch->last_arrival >= watch->stall_ticks) {
        watch->stalled = true;
        return 1;
    }
    return 0;
}

// Sets the transfer's options and starts its watch over the progress slot (may be null).
void set_transfer_options(CURL *curl, const char *url, ProgressSlot *progress, TransferWatch *watch,
                          curl_write_callback writer)
{
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress_report);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, watch);
    // An updater runs what it downloads: the server must prove who it is.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Tessarix");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (trust_anchor_pem_size > 0) {
        // The deployment's own certificate is the only trust anchor.
        curl_blob blob;
        blob.data = const_cast<unsigned char *>(trust_anchor_pem);
        blob.len = static_cast<size_t>(trust_anchor_pem_size);
        blob.flags = CURL_BLOB_NOCOPY;
        curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
        curl_easy_setopt(curl, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
        // A private CA seldom publishes revocation lists; Windows' chain check would refuse
        // every certificate whose revocation it cannot look up. A certificate known to be
        // revoked is still refused.
        curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS,
                         static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (CURLSH *share = fetch_reuse_connections ? share_for_this_thread() : nullptr)
        curl_easy_setopt(curl, CURLOPT_SHARE, share);
    *watch = {};
    watch->slot = progress;
    watch->last_arrival = platform_counter_now();
    watch->stall_ticks = fetch_stall_timeout_ms * (platform_counter_frequency() / 1000);
}

// Runs the transfer; true when it completed with status 200.
bool perform(CURL *curl)
{
    CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return result == CURLE_OK && status == 200;
}

void report_failure(const char *url, const TransferWatch &watch)
{
    // A transfer stopped because the launcher is ending is no failure to tell the user of.
    if (download.cancelled.load() && !watch.stalled)
        return;
    char message[4096];
    snprintf(message, sizeof message, "Failed to download: %s", url);
    show_error(message);
}

bool fetch_buffered(const char *path, const char *url, ProgressSlot *progress)
{
    unsigned char *data = nullptr;
    uint64_t size = 0;
    if (!fetch_to_memory(&data, &size, url, progress, false))
        return false;

    char temporary[260];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    FILE *file = platform_open_file(temporary, "wb");
    if (!file) {
        free(data);
        return false; // nowhere to put it (a sub-directory nothing created, say)
    }
    bool written = size == 0 || fwrite(data, 1, size, file) == size;
    bool closed = fclose(file) == 0;
    free(data);
    if (!written || !closed) {
        // A full disk must not leave a truncated jar that the cache would keep for good.
        platform_remove_file(temporary);
        char message[4096];
        snprintf(message, sizeof message, "Failed to write %s", path);
        show_error(message);
        return false;
    }
    platform_rename_file(temporary, path); // an existing file is not replaced
    return true;
}

bool fetch_streamed(const char *path, const char *url, ProgressSlot *progress)
{
    CURL *curl = begin_transfer();
    if (!curl)
        return false;
    TransferWatch watch;
    set_transfer_options(curl, url, progress, &watch, write_to_file);
    FILE *file = platform_open_file(path, "wb");
    if (!file) {
        end_transfer(curl);
        return false;
    }
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    bool succeeded = perform(curl);
    // A file that cannot be completed on disk is as failed as a broken transfer.
    if (fclose(file) != 0)
        succeeded = false;
    end_transfer(curl);
    if (!succeeded)
        report_failure(url, watch);
    return succeeded;
}

} // namespace

bool download_init()
{
    platform_lock_init(&download.shares_lock);
    download.cancelled.store(false);
    return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
}

void download_cleanup()
{
    download.cancelled.store(true);
    while (download.transfers_running.load() != 0)
        platform_sleep_ms(1);
    platform_lock_enter(&download.shares_lock);
    for (int i = 0; i < download.share_count; i++)
        curl_share_cleanup(download.shares[i].share);
    download.share_count = 0;
    platform_lock_leave(&download.shares_lock);
    curl_global_cleanup();
}

bool fetch_to_memory(unsigned char **out_data, uint64_t *out_size, const char *url,
                     ProgressSlot *progress, bool terminate)
{
    CURL *curl = begin_transfer();
    if (!curl)
        return false;
    ReceiveBuffer buffer = {};
    TransferWatch watch;
    set_transfer_options(curl, url, progress, &watch, write_to_memory);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &buffer);
    bool succeeded = perform(curl);
    end_transfer(curl);

    if (!succeeded) {
        report_failure(url, watch);
        if (buffer.data) {
            free(buffer.data); // no partial body ever reaches a caller
            return false;
        }
        *out_data = nullptr;
        *out_size = 0;
        return false;
    }
    if (buffer.data && terminate) {
        if (buffer.length + 1 > buffer.capacity) {
            void *grown = realloc(buffer.data, buffer.length + 1);
            if (!grown) {
                free(buffer.data);
                return false;
            }
            buffer.data = static_cast<unsigned char *>(grown);
            buffer.capacity = buffer.length + 1;
        }
        buffer.data[buffer.length] = 0;
    }
    *out_data = buffer.data;
    *out_size = buffer.capacity;
    return true;
}

bool fetch_to_file(const char *path, const char *url, ProgressSlot *progress, bool buffered)
{
    return buffered ? fetch_buffered(path, url, progress) : fetch_streamed(path, url, progress);
}
