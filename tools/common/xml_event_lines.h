// The event listing of the xml-events tool, one line per event: shared with the tests so
// that their tables exercise exactly what the tool prints.
#pragma once

#include <cstddef>
#include <string>

// Feeds `document` to a fresh tokenizer (name stack one byte longer than the document) and
// appends to `out`, one line each: "start NAME", "end", "attr NAME=VALUE", "text TEXT",
// "pi TARGET CONTENT", and at the end "ok" or "error CODE line L column C offset O" (the
// first negative result, or xml_finish's; text not yet printed comes before it). Backslash, LF, CR
// and tab are printed as \\, \n, \r and \t. Returns true when the document is complete and well
// formed.
bool xml_event_lines(const char *document, size_t size, std::string &out);
