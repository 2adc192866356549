#include "sequence/jar_file_name.h"

#include <cstdio>
#include <cstring>

namespace {

bool forbidden_byte(unsigned char c)
{
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*' || c == '\\';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Windows opens the device for these whatever follows the first dot, and trailing spaces
// before that dot are ignored too ("nul .txt").
bool reserved_device_name(const char *component, size_t length)
{
    size_t stem = 0;
    while (stem < length && component[stem] != '.')
        stem++;
    while (stem > 0 && component[stem - 1] == ' ')
        stem--;
    char name[5] = {};
    if (stem < 3 || stem > 4)
        return false;
    for (size_t i = 0; i < stem; i++)
        name[i] = upper(component[i]);
    if (stem == 3)
        return std::strcmp(name, "CON") == 0 || std::strcmp(name, "PRN") == 0 ||
               std::strcmp(name, "AUX") == 0 || std::strcmp(name, "NUL") == 0;
    return (std::strncmp(name, "COM", 3) == 0 || std::strncmp(name, "LPT", 3) == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

bool component_is_safe(const char *component, size_t length)
{
    if (length == 0)
        return false; // leading '/', "a//b" or a trailing '/'
    char last = component[length - 1];
    if (last == '.' || last == ' ')
        return false; // also "." and ".."
    return !reserved_device_name(component, length);
}

} // namespace

void jar_file_name(const char *name, const char *version, char *out)
{
    std::snprintf(out, jar_file_name_size, "%s-%s.jar", name, version);
}

bool jar_file_name_is_safe(const char *file_name)
{
    const char *component = file_name;
    for (const char *p = file_name;; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0 || c == '/') {
            if (!component_is_safe(component, static_cast<size_t>(p - component)))
                return false;
            if (c == 0)
                return true;
            component = p + 1;
        } else if (forbidden_byte(c)) {
            return false;
        }
    }
}
