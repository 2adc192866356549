#include "launcher/startup.h"

#include "concurrency/task_pool.h"
#include "launcher/shell.h"
#include "platform/platform.h"
#include "sequence/launch_sequence.h"

float counter_frequency = 0.0f;

namespace {

constexpr char application_directory[] = ".tessarixapp";
constexpr int pool_workers = 6;

PlatformThread worker_thread;

uint32_t worker_main(void *)
{
    launch_sequence();
    quit_requested.store(true);
    return 0;
}

// Moves into the hidden application directory in the user's profile folder, creating it
// (hidden) when missing. An existing one is used as it is.
bool enter_application_directory()
{
    char profile[260];
    if (!platform_profile_directory(profile, sizeof profile) ||
        !platform_set_current_directory(profile))
        return false;
    if (!platform_path_exists(application_directory) &&
        !platform_make_hidden_directory(application_directory))
        return false;
    return platform_set_current_directory(application_directory);
}

} // namespace

int launcher_main()
{
    counter_frequency = static_cast<float>(platform_counter_frequency());
    platform_initialize_ui_thread();
    // Every failure up to here ends the program silently: there is nowhere to say it yet.
    if (!enter_application_directory())
        return 0;

    pool_init(&task_pool);
    pool_start_workers(&task_pool, pool_workers);

    if (!platform_thread_start(&worker_thread, worker_main, nullptr))
        return 0;
    platform_thread_join(&worker_thread);
    return 0;
}
