// tessarix-jnlp FILE [APP_VERSION]: reads a descriptor exactly as the launcher does and prints
// the main class it would launch and the jar list, so a deployer can check a descriptor
// before publishing it.
#include "common/read_file.h"
#include "sequence/descriptor_reader.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: tessarix-jnlp FILE [APP_VERSION]\n");
        return 1;
    }
    std::string document;
    if (!read_whole_file(argv[1], document)) {
        std::fprintf(stderr, "tessarix-jnlp: cannot read %s\n", argv[1]);
        return 1;
    }
    const char *app_version = argc == 3 ? argv[2] : "";
    JnlpDescriptor descriptor;
    const char *failure = nullptr;
    if (!read_descriptor(document.data(), document.size(), app_version, &descriptor, &failure)) {
        std::fprintf(stderr, "%s\n", failure);
        return 1;
    }
    std::printf("main-class %s\n", descriptor_main_class(&descriptor));
    for (uint64_t i = 0; i < descriptor.jar_count; i++) {
        const JarEntry &jar = descriptor.jars[i];
        std::printf("jar %" PRIu32 " %s %s\n", jar.kind, jar.name, jar.version);
    }
    std::free(descriptor.jars);
    return 0;
}
