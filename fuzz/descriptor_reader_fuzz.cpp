// Reads arbitrary bytes as a launch descriptor and checks what the rest of the launch relies
// on: the two failure messages, the application jar first, bounded and cut names, file names
// that stay inside the jar directory.
#include "sequence/descriptor_reader.h"
#include "sequence/jar_file_name.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    JnlpDescriptor descriptor;
    const char *failure = nullptr;
    bool ok = read_descriptor(reinterpret_cast<const char *>(data), size, "5.0\r\n", &descriptor,
                              &failure);
    if (!ok) {
        check(failure != nullptr && (std::strcmp(failure, "Failed to parse JNLP") == 0 ||
                                     std::strcmp(failure, "Invalid JNLP") == 0),
              "one of the two messages");
        return 0;
    }
    check(descriptor.jars != nullptr && descriptor.jar_count >= 1, "a list");
    check(descriptor.jars[0].kind == 1 &&
              std::strcmp(descriptor.jars[0].name, "TessarixAPP") == 0 &&
              std::strcmp(descriptor.jars[0].version, "5.0") == 0,
          "the application jar first");
    check(std::strlen(descriptor.main_class) <= 510, "main class bounded");
    check(std::strlen(descriptor_main_class(&descriptor)) > 0, "a class to launch");
    for (uint64_t i = 1; i < descriptor.jar_count; i++) {
        const JarEntry &jar = descriptor.jars[i];
        check(jar.kind == 0, "descriptor jars are kind 0");
        check(std::memchr(jar.name, 0, sizeof jar.name) != nullptr &&
                  std::memchr(jar.version, 0, sizeof jar.version) != nullptr,
              "fields terminated");
        check(std::strlen(jar.name) <= 1022 && std::strlen(jar.version) <= 1022, "limits");
        check(std::strstr(jar.name, ".jar") == nullptr, "name cut at .jar");
        check(std::strpbrk(jar.name, "\r\n") == nullptr &&
                  std::strpbrk(jar.version, "\r\n") == nullptr,
              "cut at line ends");
        char file_name[jar_file_name_size];
        jar_file_name(jar.name, jar.version, file_name);
        check(jar_file_name_is_safe(file_name), "file name stays in the jar directory");
    }
    std::free(descriptor.jars);
    return 0;
}
