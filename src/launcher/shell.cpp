#include "launcher/shell.h"

std::atomic<bool> quit_requested{false};
std::atomic<WindowHandle> splash_window{nullptr};
void (*error_presenter)(WindowHandle owner, const char *text) = platform_show_error;

namespace {

std::atomic<bool> frame_loop_ended{false};

} // namespace

void show_error(const char *text)
{
    // An owned box disables its owner by messages that only the UI thread answers; after the
    // frame loop that thread waits for us, so an owned box would never come up.
    WindowHandle owner = frame_loop_ended.load() ? nullptr : splash_window.load();
    error_presenter(owner, text);
}

void shell_frame_loop_ended()
{
    frame_loop_ended.store(true);
}
