// Whole-file reading for the command-line tools.
#pragma once

#include <string>

// Reads the file at `path` into `out` as raw bytes; false when it cannot be read.
bool read_whole_file(const char *path, std::string &out);
