// Win32: starting the Java program, and what the runtime looks like on Windows.
#include "platform/platform.h"
#include "platform/win32/text.h"

#include <objbase.h>

const char platform_runtime_area[] = "windows_x64";
const char platform_java_program[] = "VM\\bin\\java.exe";
const char platform_class_path[] = "Tessarix\\*";

bool platform_start_detached_process(const char *program, const char *command_line,
                                     const char *working_directory)
{
    // Two pipes give the child standard handles that lead nowhere; the launcher keeps no
    // end of them and never reads or writes.
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;
    HANDLE output_read = nullptr, output_write = nullptr;
    HANDLE input_read = nullptr, input_write = nullptr;
    if (!CreatePipe(&output_read, &output_write, &inheritable, 0) ||
        !SetHandleInformation(output_read, HANDLE_FLAG_INHERIT, 0) ||
        !CreatePipe(&input_read, &input_write, &inheritable, 0) ||
        !SetHandleInformation(input_write, HANDLE_FLAG_INHERIT, 0))
        return false;

    bool started = false;
    wchar_t wide_program[wide_path_units];
    wchar_t wide_command_line[wide_path_units];
    wchar_t wide_directory[wide_path_units];
    if (utf8_to_wide(program, wide_program) && utf8_to_wide(command_line, wide_command_line) &&
        utf8_to_wide(working_directory, wide_directory)) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input_read;
        startup.hStdOutput = output_write;
        startup.hStdError = output_write;
        PROCESS_INFORMATION process = {};
        started = CreateProcessW(wide_program, wide_command_line, nullptr, nullptr, FALSE,
                                 DETACHED_PROCESS, nullptr, wide_directory, &startup, &process);
    }
    CloseHandle(output_read);
    CloseHandle(output_write);
    CloseHandle(input_read);
    CloseHandle(input_write);
    return started;
}

void platform_apply_archive_mode(const char *, uint32_t)
{
    // Windows files carry no permission bits of this kind.
}

void platform_initialize_ui_thread()
{
    CoInitialize(nullptr);
}
