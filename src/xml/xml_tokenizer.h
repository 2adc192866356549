// A streaming XML tokenizer: fed one byte at a time, it answers each byte with a result code
// (nothing yet, a token, or a negative error), checks well-formedness as it goes, keeps the
// names of open elements on a stack in a buffer the caller supplies and decodes references
// to UTF-8. It allocates nothing and keeps no text: the caller takes what it needs from each
// event.
#pragma once

#include <cstdint>

// Results of xml_feed and xml_finish.
constexpr int XML_OK = 0;               // byte consumed, nothing to report
constexpr int XML_ELEMENT_START = 1;    // a start tag's name is complete; `element` is the name
constexpr int XML_CONTENT = 2;          // character data; `data` holds 1 to 4 bytes
constexpr int XML_ELEMENT_END = 3;      // an element was closed; `element` is the parent's name
constexpr int XML_ATTRIBUTE_START = 4;  // an attribute's name is complete; `attribute` is it
constexpr int XML_ATTRIBUTE_VALUE = 5;  // a piece of the attribute's value in `data`, 1 to 4 bytes
constexpr int XML_ATTRIBUTE_END = 6;    // the closing quote; `attribute` is no longer valid
constexpr int XML_PI_START = 7;         // a processing instruction's target is in `pi_target`
constexpr int XML_PI_CONTENT = 8;       // a piece of the instruction's content, 1 or 2 bytes
constexpr int XML_PI_END = 9;           // the instruction's closing "?>"
constexpr int XML_ERROR_SYNTAX = -1;    // a byte the grammar does not allow here, or a zero byte
constexpr int XML_ERROR_STACK = -2;     // a name does not fit in the stack buffer
constexpr int XML_ERROR_CLOSE = -3;     // an end tag does not match the open element
constexpr int XML_ERROR_REFERENCE = -4; // bad reference: too long, unknown or forbidden
constexpr int XML_ERROR_EOF = -5;       // (xml_finish only) the root element was not closed

// One record per document; small enough for the caller's stack. The caller reads `element`,
// `attribute`, `pi_target`, `data`, `line`, `column` and `offset`; the rest is private.
struct XmlTokenizer {
    char *element;   // innermost open element's name in `stack`; empty when none is open
    char data[8];    // bytes of the last content/value/instruction piece, NUL-terminated
    char *attribute; // current attribute's name in `stack`
    char *pi_target; // current instruction's target in `stack`; empty after it ends
    uint64_t column; // position in the current line; the first byte of a line is column 1
    uint64_t offset; // bytes fed so far, rejected zero bytes not counted
    uint32_t line;   // starting at 1
    uint32_t state;  // one of the 66 states
    char *stack;     // the caller's name buffer: NUL-separated names, first byte NUL
    uint64_t stack_size;
    uint64_t stack_used; // index of the NUL that ends the topmost name
    uint32_t ref_length; // reference-name bytes collected in `data`, at most 7
    uint32_t quote;      // the quote character that opened the current quoted value
    uint32_t next_state; // where a fixed string, comment, instruction or DOCTYPE string leads
    uint32_t skip_lf;    // 10 right after a carriage return, else 0
    const char *literal; // rest of the fixed string being matched
};

// Number of states; `state` is always below it in a record that xml_init set up.
constexpr uint32_t xml_state_count = 66;

// Sets up `tokenizer` over the caller's buffer, which must hold at least one byte and stay
// untouched while the tokenizer is in use.
void xml_init(XmlTokenizer *tokenizer, char *stack, uint64_t stack_size);

// Consumes one byte. After a negative result the record is in no defined state and must not
// be fed again.
int xml_feed(XmlTokenizer *tokenizer, unsigned char byte);

// XML_OK when the root element has been closed and only whitespace, comments or processing
// instructions followed; XML_ERROR_EOF otherwise. Changes nothing.
int xml_finish(const XmlTokenizer *tokenizer);
