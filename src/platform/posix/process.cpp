// POSIX: starting the Java program, and what the runtime looks like here.
#include "platform/platform.h"
#include "platform/posix/native_path.h"

#include <X11/Xlib.h>

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>

extern char **environ;

const char platform_runtime_area[] = "linux_x64";
const char platform_java_program[] = "VM/bin/java";
const char platform_class_path[] = "Tessarix/*";

bool platform_start_detached_process(const char *program, const char *command_line,
                                     const char *working_directory)
{
    // The command line is split at its spaces, as the Windows side's would be: a word is
    // never quoted.
    char words[4096];
    char *argv[256];
    size_t length = strlen(command_line);
    if (length >= sizeof words)
        return false;
    memcpy(words, command_line, length + 1);
    int count = 0;
    for (char *word = strtok(words, " "); word && count < 255; word = strtok(nullptr, " "))
        argv[count++] = word;
    argv[count] = nullptr;
    NativePath native_program;
    if (count == 0 || !native_path(program, &native_program))
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // Its own session, so it outlives the launcher and any terminal it came from; its
    // standard handles lead nowhere; it works in the application directory.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, working_directory);
    // The program path is relative to the application directory, like the working directory.
    char full_program[PATH_MAX];
    bool started = false;
    if (snprintf(full_program, sizeof full_program, "%s/%s", working_directory,
                 native_program.text) < static_cast<int>(sizeof full_program)) {
        pid_t child;
        started = posix_spawn(&child, full_program, &actions, &attributes, argv, environ) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return started;
}

void platform_apply_archive_mode(const char *path, uint32_t unix_mode)
{
    NativePath native;
    if (native_path(path, &native))
        chmod(native.text, unix_mode & 07777);
}

void platform_initialize_ui_thread()
{
    // The error dialogs of several threads and the splash each use Xlib.
    XInitThreads();
}
