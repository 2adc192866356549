// Where the shared public test corpora are (TESSARIX_CORPORA, set by CMake) and how to read
// them. Tests that need them skip with a message when they are not there.
#pragma once

#include "common/read_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

inline std::string corpora_path(const std::string &relative)
{
    return std::string(TESSARIX_CORPORA) + "/" + relative;
}

inline bool corpora_present(const std::string &relative)
{
    std::error_code error;
    return std::filesystem::is_directory(corpora_path(relative), error);
}

// A corpus document's bytes, read by the same procedure the command-line tools use.
inline bool read_corpus_file(const std::string &path, std::string &out)
{
    return read_whole_file(path.c_str(), out);
}

// The names of the files in a corpus folder that end in `suffix`, sorted.
inline std::vector<std::string> corpus_files(const std::string &relative, const std::string &suffix)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(corpora_path(relative))) {
        std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

#define SKIP_WITHOUT_CORPUS(relative)                                                              \
    do {                                                                                           \
        if (!corpora_present(relative))                                                            \
            GTEST_SKIP() << "corpus " << corpora_path(relative)                                    \
                         << " not found; set TESSARIX_CORPORA to the shared corpora folder";       \
    } while (0)
