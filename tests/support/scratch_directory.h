// A fresh directory that a test works in: made the current directory for the test's
// lifetime, as the launcher works relative to its application directory.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

class ScratchDirectory {
  public:
    ScratchDirectory()
    {
        static std::atomic<int> counter{0};
        previous_ = fs::current_path();
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() /
                ("tessarix-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        fs::create_directories(path_);
        fs::current_path(path_);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    const fs::path &path() const
    {
        return path_;
    }

  private:
    fs::path previous_, path_;
};

// A path from UTF-8 bytes, whatever the system's narrow encoding.
inline fs::path utf8_path(const char *text)
{
    return fs::path(reinterpret_cast<const char8_t *>(text));
}

inline void write_file(const fs::path &path, const std::string &contents)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

inline std::string read_file(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}
