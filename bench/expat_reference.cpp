#include "expat_reference.h"

#include <expat.h>

namespace {

void XMLCALL on_start(void *count, const XML_Char *, const XML_Char **)
{
    ++*static_cast<uint64_t *>(count);
}

void XMLCALL on_end(void *count, const XML_Char *)
{
    ++*static_cast<uint64_t *>(count);
}

void XMLCALL on_text(void *count, const XML_Char *, int length)
{
    *static_cast<uint64_t *>(count) += static_cast<uint64_t>(length);
}

} // namespace

bool expat_parse(const char *document, size_t size, uint64_t *events)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, events);
    XML_SetElementHandler(parser, on_start, on_end);
    XML_SetCharacterDataHandler(parser, on_text);
    bool ok = XML_Parse(parser, document, static_cast<int>(size), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}
