// expat over a whole buffer, kept in its own file: expat's error names (XML_ERROR_SYNTAX and
// others) clash with the tokenizer's result codes.
#pragma once

#include <cstddef>
#include <cstdint>

// Parses `size` bytes in one call with start, end and character-data handlers that only
// count. Returns false when expat refuses the document.
bool expat_parse(const char *document, size_t size, uint64_t *events);
