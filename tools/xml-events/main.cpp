// xml-events FILE: the tokenizer's events for a file, one line each, then "ok" or the error.
#include "common/read_file.h"
#include "common/xml_event_lines.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: xml-events FILE\n");
        return 1;
    }
    std::string document;
    if (!read_whole_file(argv[1], document)) {
        std::fprintf(stderr, "xml-events: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string lines;
    bool ok = xml_event_lines(document.data(), document.size(), lines);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return ok ? 0 : 1;
}
