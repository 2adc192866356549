// One jar resource of the launch: the application jar or a jar the descriptor lists.
#pragma once

#include <cstdint>

constexpr uint32_t jar_kind_descriptor = 0;  // fetched from the descriptor's area
constexpr uint32_t jar_kind_application = 1; // the application jar, fetched from "APP"

// An entry whose name or version is empty is inactive: nothing is downloaded for it. The
// file of an active entry in the jar cache is named "%s-%s.jar" from name and version.
struct JarEntry {
    uint32_t kind;
    char name[1024];    // the jar's base name without ".jar", UTF-8, NUL-terminated
    char version[1024]; // NUL-terminated
};
