// Reads the launch descriptor (a JNLP document) into the jar list and the main class. Only
// the `jar` elements' href and version and the `application-desc` elements' main-class are
// read; everything else is tokenized and ignored.
#pragma once

#include "sequence/jar_entry.h"

#include <cstdint>

struct JnlpDescriptor {
    JarEntry *jars;       // entry 0 is the application jar; never null after a successful read
    uint64_t jar_count;   // at least 1
    char main_class[512]; // the main-class attribute(s), appended; empty when there is none
};

// The class that runs when the descriptor names none.
constexpr const char *default_main_class = "org.qvd.ko.mirvo.client.gui.main.Main";

// Reads `size` bytes of descriptor. Entry 0 of the jar list is the application jar with
// `app_version`; the descriptor's jars follow in document order. The list is one malloc'd
// array that belongs to the caller (the launcher keeps it until the process ends). On failure
// returns false with `*failure_message` set to "Failed to parse JNLP" (not a well-formed document)
// or "Invalid JNLP" (a value too long, or a jar whose file name would leave the jar directory). One
// read at a time per process.
bool read_descriptor(const char *bytes, uint64_t size, const char *app_version, JnlpDescriptor *out,
                     const char **failure_message);

// The main class to launch: the descriptor's, or default_main_class when it has none.
const char *descriptor_main_class(const JnlpDescriptor *descriptor);
