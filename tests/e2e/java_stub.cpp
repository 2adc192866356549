// Stands in for the runtime's Java launcher in the end-to-end tests: it writes down the
// words it was started with and the directory it runs in, then ends. The launcher starts
// it with no standard handles worth writing to, so it writes to the file named by
// TESSARIX_STUB_LOG (appending, one record per start).
#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char **argv)
{
    const char *log = getenv("TESSARIX_STUB_LOG");
    if (!log)
        return 2;
    FILE *out = fopen(log, "ab");
    if (!out)
        return 3;
    fprintf(out, "start\n");
    for (int i = 0; i < argc; i++)
        fprintf(out, "arg %s\n", argv[i]);
    std::error_code error;
    std::u8string directory = std::filesystem::current_path(error).u8string();
    fprintf(out, "cwd %s\nend\n", reinterpret_cast<const char *>(directory.c_str()));
    fclose(out);
    return 0;
}
