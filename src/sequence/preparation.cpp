#include "sequence/preparation.h"

#include "platform/platform.h"
#include "sequence/jar_cache.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

bool ensure_directory(const char *query_path, const char *create_path)
{
    return platform_path_exists(query_path) || platform_make_directory(create_path);
}

} // namespace

bool prepare_directories()
{
    return ensure_directory("VM", "VM") && ensure_directory("Tessarix", "Tessarix") &&
           ensure_directory("Tessarix/temp", "Tessarix\\temp");
}

void empty_staging_directory()
{
    clean_jar_directory("Tessarix\\temp", nullptr, 0, nullptr);
}

LocalRuntimeVersion read_local_runtime_version()
{
    LocalRuntimeVersion local = {nullptr, 0};
    FILE *file = platform_open_file("jre.version", "rb");
    if (!file)
        return local;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    if (size > 0 && size <= INT32_MAX && fseek(file, 0, SEEK_SET) == 0) {
        local.data = static_cast<unsigned char *>(malloc(static_cast<size_t>(size)));
        if (local.data && fread(local.data, static_cast<size_t>(size), 1, file) == 1) {
            local.size = static_cast<int32_t>(size);
        } else {
            // A version that cannot be read whole is no version: install again.
            free(local.data);
            local.data = nullptr;
        }
    }
    fclose(file);
    return local;
}

bool runtime_is_current(const char *server_text, uint64_t server_length,
                        const LocalRuntimeVersion &local)
{
    if (server_length != static_cast<uint64_t>(local.size))
        return false;
    return server_length == 0 || memcmp(server_text, local.data, server_length) == 0;
}

void format_url(char (&url)[260], const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(url, 259, format, arguments);
    va_end(arguments);
    url[259] = 0;
}
