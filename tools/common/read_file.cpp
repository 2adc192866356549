#include "common/read_file.h"

#include <cstdio>

bool read_whole_file(const char *path, std::string &out)
{
    FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    out.clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, n);
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}
