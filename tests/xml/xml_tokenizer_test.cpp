// Byte-level behaviour of the tokenizer: the result of every byte, what the caller may read
// at each event, the counters, and the bounds of the caller's name stack.
#include "xml/xml_tokenizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Fed {
    std::vector<int> results;
    std::vector<std::string> seen; // what the caller may read at each result, see `look`
};

// What an event lets the caller read, as text; empty for XML_OK.
std::string look(const XmlTokenizer &t, int result)
{
    switch (result) {
    case XML_ELEMENT_START:
    case XML_ELEMENT_END:
        return std::string("element=") + t.element;
    case XML_ATTRIBUTE_START:
        return std::string("attribute=") + t.attribute;
    case XML_PI_START:
        return std::string("pi_target=") + t.pi_target;
    case XML_CONTENT:
    case XML_ATTRIBUTE_VALUE:
    case XML_PI_CONTENT:
        return std::string("data=") + t.data;
    default:
        return "";
    }
}

// Feeds the whole document (stopping at the first error) over a buffer one byte longer
// than it, as the descriptor reader does.
struct Feeding {
    std::vector<char> stack;
    XmlTokenizer t;
    Fed fed;

    explicit Feeding(const std::string &document, size_t stack_size = 0)
        : stack(stack_size ? stack_size : document.size() + 1)
    {
        xml_init(&t, stack.data(), stack.size());
        for (char c : document) {
            int r = xml_feed(&t, static_cast<unsigned char>(c));
            fed.results.push_back(r);
            fed.seen.push_back(look(t, r));
            if (r < 0)
                break;
        }
    }
};

TEST(XmlTokenizer, InitSetsUpAnEmptyStack)
{
    char stack[3] = {'x', 'x', 'x'};
    XmlTokenizer t;
    std::memset(&t, 0x5A, sizeof t);
    xml_init(&t, stack, sizeof stack);
    EXPECT_EQ(stack[0], 0);
    EXPECT_EQ(t.element, stack);
    EXPECT_EQ(t.attribute, stack);
    EXPECT_EQ(t.pi_target, stack);
    EXPECT_EQ(t.line, 1u);
    EXPECT_EQ(t.column, 0u);
    EXPECT_EQ(t.offset, 0u);
    EXPECT_EQ(t.stack_used, 0u);
    EXPECT_EQ(t.stack_size, 3u);
    EXPECT_EQ(t.skip_lf, 0u);
    EXPECT_EQ(std::string(t.data, 8), std::string(8, '\0'));
    EXPECT_EQ(xml_finish(&t), XML_ERROR_EOF);
}

TEST(XmlTokenizer, RecordIsSmallEnoughForTheStack)
{
    EXPECT_LE(sizeof(XmlTokenizer), 128u);
}

TEST(XmlTokenizer, EmptyElementResultPerByte)
{
    Feeding run("<a/>");
    EXPECT_EQ(run.fed.results,
              (std::vector<int>{XML_OK, XML_OK, XML_ELEMENT_START, XML_ELEMENT_END}));
    EXPECT_EQ(run.fed.seen[2], "element=a");
    EXPECT_EQ(run.fed.seen[3], "element="); // no element is open after the root
    EXPECT_EQ(run.t.element, run.stack.data());
    EXPECT_EQ(xml_finish(&run.t), XML_OK);
}

TEST(XmlTokenizer, AttributeResultPerByte)
{
    Feeding run("<a x=\"1\"/>");
    EXPECT_EQ(run.fed.results, (std::vector<int>{XML_OK, XML_OK, XML_ELEMENT_START, XML_OK,
                                                 XML_ATTRIBUTE_START, XML_OK, XML_ATTRIBUTE_VALUE,
                                                 XML_ATTRIBUTE_END, XML_OK, XML_ELEMENT_END}));
    EXPECT_EQ(run.fed.seen[2], "element=a");
    EXPECT_EQ(run.fed.seen[4], "attribute=x");
    EXPECT_EQ(run.fed.seen[6], "data=1");
    EXPECT_EQ(xml_finish(&run.t), XML_OK);
}

TEST(XmlTokenizer, ElementNamesTheParentAfterAChildEnds)
{
    Feeding run("<outer><in/><mid></mid ></outer>");
    std::vector<std::string> events;
    for (size_t i = 0; i < run.fed.results.size(); i++)
        if (run.fed.results[i] == XML_ELEMENT_START || run.fed.results[i] == XML_ELEMENT_END)
            events.push_back(run.fed.seen[i]);
    EXPECT_EQ(events, (std::vector<std::string>{"element=outer", "element=in", "element=outer",
                                                "element=mid", "element=outer", "element="}));
    EXPECT_EQ(run.t.stack_used, 0u);
    EXPECT_EQ(xml_finish(&run.t), XML_OK);
}

TEST(XmlTokenizer, ReferenceNameIsCollectedInDataThenDecoded)
{
    std::vector<char> stack(16);
    XmlTokenizer t;
    xml_init(&t, stack.data(), stack.size());
    xml_feed(&t, '<');
    xml_feed(&t, 'a');
    ASSERT_EQ(xml_feed(&t, '>'), XML_ELEMENT_START);
    for (char c : std::string("&#x1F600"))
        ASSERT_EQ(xml_feed(&t, static_cast<unsigned char>(c)), XML_OK);
    EXPECT_STREQ(t.data, "#x1F600");
    EXPECT_EQ(t.ref_length, 7u);
    EXPECT_EQ(t.data[7], 0);
    ASSERT_EQ(xml_feed(&t, ';'), XML_CONTENT);
    EXPECT_STREQ(t.data, "\xF0\x9F\x98\x80");
}

TEST(XmlTokenizer, InstructionTargetIsEmptyAfterTheInstruction)
{
    Feeding run("<a><?target x?></a>");
    size_t start = 0;
    for (size_t i = 0; i < run.fed.results.size(); i++) {
        if (run.fed.results[i] == XML_PI_START)
            start = i;
        if (run.fed.results[i] == XML_PI_END) {
            EXPECT_STREQ(run.t.pi_target, "") << "at byte " << i;
        }
    }
    EXPECT_EQ(run.fed.seen[start], "pi_target=target");
    EXPECT_EQ(xml_finish(&run.t), XML_OK);
}

TEST(XmlTokenizer, CountsLinesColumnsAndOffsets)
{
    // Byte by byte: result, line, column and offset after it.
    struct Step {
        char byte;
        int result;
        uint32_t line;
        uint64_t column, offset;
    };
    const Step steps[] = {
        {'<', XML_OK, 1, 1, 1},
        {'a', XML_OK, 1, 2, 2},
        {'>', XML_ELEMENT_START, 1, 3, 3},
        {'\r', XML_CONTENT, 2, 1, 4},
        {'\n', XML_OK, 2, 1, 5},
        {'x', XML_CONTENT, 2, 2, 6},
        {'\r', XML_CONTENT, 3, 1, 7},
        {'y', XML_CONTENT, 3, 2, 8},
        {'\n', XML_CONTENT, 4, 1, 9},
        {'\n', XML_CONTENT, 5, 1, 10},
        {'\r', XML_CONTENT, 6, 1, 11},
        {'\r', XML_CONTENT, 7, 1, 12},
        {'\n', XML_OK, 7, 1, 13},
        {'<', XML_OK, 7, 2, 14},
    };
    std::vector<char> stack(8);
    XmlTokenizer t;
    xml_init(&t, stack.data(), stack.size());
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "byte at offset " << s.offset);
        EXPECT_EQ(xml_feed(&t, static_cast<unsigned char>(s.byte)), s.result);
        EXPECT_EQ(t.line, s.line);
        EXPECT_EQ(t.column, s.column);
        EXPECT_EQ(t.offset, s.offset);
        if (s.result == XML_CONTENT && (s.byte == '\r' || s.byte == '\n')) {
            EXPECT_STREQ(t.data, "\n");
        }
    }
}

TEST(XmlTokenizer, ZeroByteIsRefusedWithoutSideEffects)
{
    std::vector<char> stack(8);
    XmlTokenizer t;
    xml_init(&t, stack.data(), stack.size());
    for (char c : std::string("<a>\r"))
        xml_feed(&t, static_cast<unsigned char>(c));
    XmlTokenizer before = t;
    EXPECT_EQ(xml_feed(&t, 0), XML_ERROR_SYNTAX);
    EXPECT_EQ(std::memcmp(&before, &t, sizeof t), 0);
}

TEST(XmlTokenizer, FinishChangesNothing)
{
    for (const char *document : {"<a>", "<a/>", "<?xml version='1.0'?><a x='"}) {
        Feeding run(document);
        XmlTokenizer before = run.t;
        xml_finish(&run.t);
        xml_finish(&run.t);
        EXPECT_EQ(std::memcmp(&before, &run.t, sizeof before), 0) << document;
    }
}

TEST(XmlTokenizer, StateOutsideTheTableIsASyntaxError)
{
    for (uint32_t state : {xml_state_count, 100u, 0xFFFFFFFFu}) {
        std::vector<char> stack(8);
        XmlTokenizer t;
        xml_init(&t, stack.data(), stack.size());
        t.state = state;
        EXPECT_EQ(xml_feed(&t, '<'), XML_ERROR_SYNTAX) << state;
    }
}

// The buffer bound: push needs two free bytes, append one; nothing is written past the end.
struct StackCase {
    const char *document;
    size_t stack_size;
    int last_result; // of the last byte fed; negative: the byte where it failed
    size_t failing_byte;
};

void PrintTo(const StackCase &c, std::ostream *os)
{
    *os << c.document << " in " << c.stack_size << " bytes";
}

class XmlStackBound : public ::testing::TestWithParam<StackCase> {};

TEST_P(XmlStackBound, FailsExactlyWhenTheNameDoesNotFit)
{
    const StackCase &c = GetParam();
    const std::string document = c.document;
    std::vector<char> buffer(c.stack_size + 16, '#'); // guard bytes after the stack
    XmlTokenizer t;
    xml_init(&t, buffer.data(), c.stack_size);
    int result = XML_OK;
    size_t i = 0;
    for (; i < document.size(); i++) {
        result = xml_feed(&t, static_cast<unsigned char>(document[i]));
        if (result < 0)
            break;
        EXPECT_LT(t.stack_used, t.stack_size);
    }
    EXPECT_EQ(result, c.last_result) << c.document;
    if (c.last_result < 0) {
        EXPECT_EQ(i, c.failing_byte) << c.document;
    }
    for (size_t g = c.stack_size; g < buffer.size(); g++)
        ASSERT_EQ(buffer[g], '#') << "byte " << g << " written past the stack";
}

const StackCase stack_cases[] = {
    {"<ab>", 4, XML_ELEMENT_START, 0}, // NUL, a, b, NUL fill it exactly
    {"<abc>", 4, XML_ERROR_STACK, 3},  // no room to append c
    {"<a>", 1, XML_ERROR_STACK, 1},    // the push itself needs two bytes
    {"<a>", 3, XML_ELEMENT_START, 0},
    {"<a b='1'/>", 4, XML_ERROR_STACK, 3}, // the attribute's push
    {"<a b='1'/>", 5, XML_ELEMENT_END, 0},
    {"<a><?p?></a>", 4, XML_ERROR_STACK, 5}, // the instruction target's push
    {"<a><?p?></a>", 5, XML_ELEMENT_END, 0},
    {"<a><b/><c/></a>", 5, XML_ELEMENT_END, 0}, // popped names make room again
};

INSTANTIATE_TEST_SUITE_P(Buffers, XmlStackBound, ::testing::ValuesIn(stack_cases));

TEST(XmlTokenizer, StackHoldsTheOpenNamesSeparatedByNul)
{
    Feeding run("<ab><c d='1'");
    EXPECT_EQ(std::string(run.stack.data(), run.t.stack_used + 1), std::string("\0ab\0c\0", 6));
    EXPECT_STREQ(run.t.element, "c");
}

} // namespace
