// Win32: the error message box.
#include "platform/platform.h"

#include <windows.h>

#include <cstdlib>

namespace {

bool is_ascii(const char *text)
{
    for (; *text; text++)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}

} // namespace

void platform_show_error(WindowHandle owner, const char *text)
{
    // One OK button, the warning icon, task-modal.
    const UINT style = MB_OK | MB_ICONWARNING | MB_TASKMODAL; // 0x2030
    HWND window = static_cast<HWND>(owner);
    if (is_ascii(text)) {
        MessageBoxA(window, text, "Error", style);
        return;
    }
    // Text with non-ASCII UTF-8 (a jar's name, say) would be garbled by the ANSI call.
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    wchar_t *wide = units > 0 ? static_cast<wchar_t *>(malloc(sizeof(wchar_t) * units)) : nullptr;
    if (wide && MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, units) != 0)
        MessageBoxW(window, wide, L"Error", style);
    else
        MessageBoxA(window, text, "Error", style);
    free(wide);
}
