// Feeds arbitrary bytes to the tokenizer twice: over a stack buffer one byte longer than the
// input, as the descriptor reader does, and over a small one. Checks, after every byte, what
// a caller relies on; a broken invariant aborts, which the fuzzer reports.
#include "xml/xml_tokenizer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool inside(const XmlTokenizer &t, const char *p)
{
    return p >= t.stack && p < t.stack + t.stack_size;
}

// Runs the whole input; returns the results byte by byte (up to the first error).
std::vector<int> run(const uint8_t *data, size_t size, size_t stack_size)
{
    // An exact-size heap block, so that any write past it is caught.
    char *stack = static_cast<char *>(std::malloc(stack_size));
    XmlTokenizer t;
    xml_init(&t, stack, stack_size);
    std::vector<int> results;
    uint64_t depth = 0;
    for (size_t i = 0; i < size; i++) {
        uint64_t offset = t.offset;
        int r = xml_feed(&t, data[i]);
        results.push_back(r);
        check(r >= XML_ERROR_REFERENCE && r <= XML_PI_END, "result code in range");
        if (data[i] == 0) {
            check(r == XML_ERROR_SYNTAX, "a zero byte is refused");
            check(t.offset == offset, "a zero byte is not counted");
        } else {
            check(t.offset == offset + 1, "offset counts each non-zero byte");
        }
        if (r < 0)
            break;
        check(t.stack_used < t.stack_size, "stack_used < stack_size");
        check(std::memchr(t.data, 0, sizeof t.data) != nullptr, "data NUL-terminated");
        check(t.state < xml_state_count, "state in the table");
        check(inside(t, t.element) && inside(t, t.pi_target), "names point into the stack");
        check(t.line >= 1 && t.column >= 1, "line and column");
        switch (r) {
        case XML_ELEMENT_START:
            check(t.element[0] != 0, "an element has a name");
            depth++;
            break;
        case XML_ELEMENT_END:
            check(depth > 0, "an end matches a start");
            depth--;
            check((depth == 0) == (t.element == t.stack), "element is empty only at the root");
            break;
        case XML_ATTRIBUTE_START:
            check(inside(t, t.attribute) && t.attribute[0] != 0, "an attribute has a name");
            break;
        case XML_PI_START:
            check(t.pi_target[0] != 0, "an instruction has a target");
            break;
        case XML_CONTENT:
        case XML_ATTRIBUTE_VALUE:
        case XML_PI_CONTENT: {
            size_t length = std::strlen(t.data);
            check(length >= 1 && length <= 4, "a piece holds 1 to 4 bytes");
            break;
        }
        default:
            break;
        }
    }
    if (results.empty() || results.back() >= 0) {
        int finish = xml_finish(&t);
        check(finish == XML_OK || finish == XML_ERROR_EOF, "finish result");
        if (finish == XML_OK)
            check(depth == 0 && t.stack_used == 0, "complete means every element closed");
    }
    std::free(stack);
    return results;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<int> roomy = run(data, size, size + 1);
    for (int r : roomy)
        check(r != XML_ERROR_STACK, "a stack one byte longer than the input always suffices");

    // A small stack changes nothing until a name does not fit.
    std::vector<int> tight = run(data, size, 1 + size % 24);
    for (size_t i = 0; i < tight.size(); i++) {
        if (tight[i] == XML_ERROR_STACK)
            break;
        check(i < roomy.size() && tight[i] == roomy[i], "same results with a smaller stack");
    }
    return 0;
}
