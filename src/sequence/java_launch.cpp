#include "sequence/java_launch.h"

#include "platform/platform.h"

#include <cstring>

namespace {

// Appends text within the buffer; false once it no longer fits.
bool append(char (&out)[261], size_t &used, const char *text)
{
    size_t length = strlen(text);
    size_t room = sizeof out - 1 - used;
    size_t copied = length < room ? length : room;
    memcpy(out + used, text, copied);
    used += copied;
    out[used] = 0;
    return copied == length;
}

} // namespace

bool java_command_line(char (&out)[261], const char *main_class)
{
    char class_path_option[261];
    snprintf(class_path_option, sizeof class_path_option, "-cp %s", platform_class_path);
    const char *words[] = {platform_java_program, class_path_option,
                           "--add-opens=java.base/java.lang=ALL-UNNAMED",
                           "--add-exports=java.desktop/sun.awt=ALL-UNNAMED", java_launcher_class};
    size_t used = 0;
    out[0] = 0;
    bool fits = true;
    for (const char *word : words)
        fits = append(out, used, word) && append(out, used, " ") && fits;
    fits = append(out, used, main_class) && fits;
    // The system's limit: 260 UTF-16 units with the terminator, so 259 characters.
    return fits && used <= 259;
}

void start_java(const char *main_class)
{
    char command_line[261];
    if (!java_command_line(command_line, main_class))
        return;
    char working_directory[260];
    if (!platform_get_current_directory(working_directory, sizeof working_directory))
        return;
    platform_start_detached_process(platform_java_program, command_line, working_directory);
}
