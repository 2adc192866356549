// Reconciles a directory with the jar list: each regular file in it either is the file of
// an active entry, and stays and marks that entry present, or is deleted.
#pragma once

#include "sequence/jar_entry.h"

#include <cstdint>

struct ProgressSlot;

// For each entry whose file "%s-%s.jar" is present (and not empty) the entry becomes
// inactive (first byte of name and version set to 0) and its slot (1, 1). Every other regular
// file directly in the directory is deleted; subdirectories are not touched. With no list
// (count 0) every regular file is deleted. Reports nothing: a directory that cannot be
// listed is left alone, a file that cannot be deleted stays.
void clean_jar_directory(const char *directory, JarEntry *jars, uint64_t count,
                         ProgressSlot *slots);
