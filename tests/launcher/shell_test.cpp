#include "launcher/shell.h"

#include <gtest/gtest.h>

namespace {

WindowHandle owner_seen;
std::string text_seen;

void record(WindowHandle owner, const char *text)
{
    owner_seen = owner;
    text_seen = text;
}

TEST(Shell, ErrorBoxesLoseTheirOwnerOnceTheFrameLoopHasEnded)
{
    error_presenter = record;
    int window_stand_in;
    WindowHandle splash = &window_stand_in;

    show_error("before the splash exists");
    EXPECT_EQ(owner_seen, nullptr);
    EXPECT_EQ(text_seen, "before the splash exists");

    splash_window.store(splash);
    show_error("while the splash runs");
    EXPECT_EQ(owner_seen, splash) << "the splash owns boxes while its frame loop answers them";

    // Nobody answers the splash's messages after its loop: an owned box would dead-lock.
    shell_frame_loop_ended();
    show_error("after the frame loop");
    EXPECT_EQ(owner_seen, nullptr);
    EXPECT_EQ(text_seen, "after the frame loop");
}

} // namespace
