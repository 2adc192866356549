// What the loopback HTTPS test servers tell a test through its environment, and a recorder
// for the messages the launcher would show the user.
#pragma once

#include "launcher/shell.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

inline std::string test_environment(const char *name)
{
    const char *value = getenv(name);
    if (!value || !*value)
        ADD_FAILURE() << name
                      << " is not set: run this test through tests/fixtures/https_fixture.py";
    return value ? value : "";
}

// A host path the servers exported, as this program sees it (under Wine: Z: in front).
inline std::filesystem::path server_side_path(const char *name)
{
    const char *prefix = getenv("TESSARIX_TEST_PATH_PREFIX");
    return std::filesystem::path((prefix ? prefix : "") + test_environment(name));
}

// Collects what show_error would have put in front of the user, from any thread.
struct ShownMessages {
    static std::mutex lock;
    static std::vector<std::string> texts;

    static void record(WindowHandle, const char *text)
    {
        std::lock_guard<std::mutex> guard(lock);
        texts.push_back(text);
    }
    static std::vector<std::string> take()
    {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<std::string> taken;
        taken.swap(texts);
        return taken;
    }
};

inline std::mutex ShownMessages::lock;
inline std::vector<std::string> ShownMessages::texts;
