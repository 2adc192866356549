#include "xml/xml_tokenizer.h"

#include <array>

namespace {

// The states, in the order of their numbers.
enum XmlState : uint32_t {
    LITERAL,
    ATTR_NAME,
    ATTR_BEFORE_EQ,
    ATTR_BEFORE_QUOTE,
    ATTR_VALUE,
    ATTR_REF,
    CDATA,
    CDATA_RB1,
    CDATA_RB2,
    COMMENT_DASH1,
    COMMENT_DASH2,
    COMMENT_BODY,
    COMMENT_BODY_DASH,
    COMMENT_END,
    DOCTYPE,
    DOCTYPE_QUOTED,
    DOCTYPE_LT,
    DOCTYPE_BANG,
    DOCTYPE_DECL,
    ELEM_NAME,
    ELEM_SPACE,
    ELEM_AFTER_ATTR,
    ELEM_SLASH,
    ENC_BEFORE_EQ,
    ENC_BEFORE_QUOTE,
    ENC_FIRST,
    ENC_NAME,
    ETAG_FIRST,
    ETAG_NAME,
    ETAG_SPACE,
    START,
    START_LT,
    PROLOG_LT,
    CONTENT_LT,
    EPILOG_LT,
    PROLOG_BANG,
    CONTENT_BANG,
    START_PI,
    START_SPACE,
    PROLOG,
    CONTENT,
    CONTENT_REF,
    EPILOG,
    PI_FIRST,
    PI_TARGET,
    PI_CONTENT,
    PI_QMARK,
    PI_TARGET_QMARK,
    SA_BEFORE_EQ,
    SA_BEFORE_QUOTE,
    SA_VALUE,
    SA_CLOSE,
    VER_BEFORE_EQ,
    VER_BEFORE_QUOTE,
    VER_FIRST_DIGIT,
    VER_DIGITS,
    DECL_X,
    DECL_XM,
    DECL_XML,
    DECL_SPACE,
    DECL_AFTER_VER,
    DECL_AFTER_VER_SPACE,
    DECL_AFTER_ENC,
    DECL_AFTER_ENC_SPACE,
    DECL_AFTER_SA,
    DECL_END,
};
static_assert(DECL_END + 1 == xml_state_count);

// Character classes, one bit each, looked up once per byte.
constexpr uint8_t WS = 1;
constexpr uint8_t NAME_START = 2;
constexpr uint8_t NAME = 4;
constexpr uint8_t REF = 8;
constexpr uint8_t ENC = 16;
constexpr uint8_t LETTER = 32;
constexpr uint8_t DIGIT = 64;
constexpr uint8_t QUOTE = 128;

constexpr std::array<uint8_t, 256> make_classes()
{
    std::array<uint8_t, 256> c{};
    c['\t'] = c['\n'] = c[' '] = WS;
    for (int b = 0; b < 256; b++) {
        bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
        bool digit = b >= '0' && b <= '9';
        if (letter)
            c[b] |= LETTER | NAME_START | NAME | REF | ENC;
        if (digit)
            c[b] |= DIGIT | NAME | REF | ENC;
        if (b >= 128)
            c[b] |= NAME_START | NAME;
    }
    c[':'] |= NAME_START | NAME;
    c['_'] |= NAME_START | NAME | ENC;
    c['-'] |= NAME | ENC;
    c['.'] |= NAME | ENC;
    c['#'] |= REF;
    c['"'] |= QUOTE;
    c['\''] |= QUOTE;
    return c;
}

constexpr std::array<uint8_t, 256> classes = make_classes();

inline bool is(unsigned char byte, uint8_t cls)
{
    return (classes[byte] & cls) != 0;
}

inline int push_name(XmlTokenizer *t, unsigned char byte, char **field)
{
    if (t->stack_used + 2 >= t->stack_size)
        return XML_ERROR_STACK;
    char *name = t->stack + t->stack_used + 1;
    name[0] = static_cast<char>(byte);
    name[1] = 0;
    *field = name;
    t->stack_used += 2;
    return XML_OK;
}

inline int append(XmlTokenizer *t, unsigned char byte)
{
    if (t->stack_used + 1 >= t->stack_size)
        return XML_ERROR_STACK;
    t->stack[t->stack_used] = static_cast<char>(byte);
    t->stack[t->stack_used + 1] = 0;
    t->stack_used += 1;
    return XML_OK;
}

inline void pop_name(XmlTokenizer *t)
{
    do
        t->stack_used--;
    while (t->stack[t->stack_used] != 0);
}

// Leaves the state for what follows an element's end: the epilog after the root.
inline void pop_element(XmlTokenizer *t)
{
    pop_name(t);
    if (t->stack_used == 0) {
        t->element = t->stack;
        t->state = EPILOG;
        return;
    }
    char *p = t->stack + t->stack_used - 1;
    while (p[-1] != 0)
        p--;
    t->element = p;
    t->state = CONTENT;
}

inline void start_literal(XmlTokenizer *t, const char *rest, uint32_t next)
{
    t->literal = rest;
    t->next_state = next;
    t->state = LITERAL;
}

inline void start_reference(XmlTokenizer *t, uint32_t state)
{
    for (char &b : t->data)
        b = 0;
    t->ref_length = 0;
    t->state = state;
}

inline int collect_reference(XmlTokenizer *t, unsigned char byte)
{
    if (t->ref_length == 7)
        return XML_ERROR_REFERENCE;
    t->data[t->ref_length++] = static_cast<char>(byte);
    return XML_OK;
}

inline bool same(const char *a, const char *b)
{
    while (*a != 0 && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

inline uint32_t hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<uint32_t>(c - 'A' + 10);
    return 16;
}

// The code point of the collected reference name, 0 when it names none.
uint32_t reference_value(const char *name)
{
    if (name[0] != '#') {
        if (same(name, "lt"))
            return '<';
        if (same(name, "gt"))
            return '>';
        if (same(name, "amp"))
            return '&';
        if (same(name, "apos"))
            return '\'';
        if (same(name, "quot"))
            return '"';
        return 0;
    }
    uint32_t value = 0;
    if (name[1] == 'x') {
        const char *p = name + 2;
        if (*p == 0)
            return 0;
        for (; *p != 0; p++) {
            uint32_t digit = hex_value(*p);
            if (digit == 16)
                return 0;
            value = value * 16 + digit;
        }
        return value;
    }
    const char *p = name + 1;
    if (*p == 0)
        return 0;
    for (; *p != 0; p++) {
        if (*p < '0' || *p > '9')
            return 0;
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    return value;
}

int decode_reference(XmlTokenizer *t, int result)
{
    uint32_t c = reference_value(t->data);
    if (c == 0 || c > 0x10FFFF || c == 0xFFFE || c == 0xFFFF || (c >= 0xD800 && c <= 0xDFFF))
        return XML_ERROR_REFERENCE;
    char *d = t->data;
    if (c < 0x80) {
        d[0] = static_cast<char>(c);
        d[1] = 0;
    } else if (c < 0x800) {
        d[0] = static_cast<char>(0xC0 | (c >> 6));
        d[1] = static_cast<char>(0x80 | (c & 0x3F));
        d[2] = 0;
    } else if (c < 0x10000) {
        d[0] = static_cast<char>(0xE0 | (c >> 12));
        d[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        d[2] = static_cast<char>(0x80 | (c & 0x3F));
        d[3] = 0;
    } else {
        d[0] = static_cast<char>(0xF0 | (c >> 18));
        d[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        d[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        d[3] = static_cast<char>(0x80 | (c & 0x3F));
        d[4] = 0;
    }
    return result;
}

inline int deliver(XmlTokenizer *t, unsigned char byte, int result)
{
    t->data[0] = static_cast<char>(byte);
    t->data[1] = 0;
    return result;
}

inline int deliver2(XmlTokenizer *t, char first, unsigned char byte, int result)
{
    t->data[0] = first;
    t->data[1] = static_cast<char>(byte);
    t->data[2] = 0;
    return result;
}

// A start tag's first name byte, after "<" anywhere an element may begin.
inline int element_start(XmlTokenizer *t, unsigned char byte)
{
    if (!is(byte, NAME_START))
        return XML_ERROR_SYNTAX;
    t->state = ELEM_NAME;
    return push_name(t, byte, &t->element);
}

// The byte after a processing instruction's target. "xml" in any case is reserved for the
// declaration, which is only recognised at the very start.
int end_of_target(XmlTokenizer *t, unsigned char byte)
{
    if (is(byte, WS))
        t->state = PI_CONTENT;
    else if (byte == '?')
        t->state = PI_TARGET_QMARK;
    else
        return XML_ERROR_SYNTAX;
    const char *p = t->pi_target;
    if ((p[0] | 0x20) == 'x' && (p[1] | 0x20) == 'm' && (p[2] | 0x20) == 'l' && p[3] == 0)
        return XML_ERROR_SYNTAX;
    return XML_PI_START;
}

inline int end_instruction(XmlTokenizer *t)
{
    pop_name(t);
    t->pi_target = t->stack;
    t->state = t->next_state;
    return XML_PI_END;
}

inline int match_end_tag(XmlTokenizer *t, unsigned char byte)
{
    if (static_cast<unsigned char>(*t->element) != byte)
        return XML_ERROR_CLOSE;
    t->element++;
    return XML_OK;
}

} // namespace

void xml_init(XmlTokenizer *t, char *stack, uint64_t stack_size)
{
    *t = XmlTokenizer{};
    t->line = 1;
    t->stack = stack;
    t->stack_size = stack_size;
    stack[0] = 0;
    t->element = stack;
    t->attribute = stack;
    t->pi_target = stack;
    t->state = START;
}

int xml_finish(const XmlTokenizer *t)
{
    return t->state == EPILOG ? XML_OK : XML_ERROR_EOF;
}

int xml_feed(XmlTokenizer *t, unsigned char byte)
{
    // Line ends: CR, LF and CR LF each count as one line feed.
    if (byte > 13) [[likely]] {
        t->offset++;
        t->skip_lf = 0;
        t->column++;
    } else {
        if (byte == 0)
            return XML_ERROR_SYNTAX;
        t->offset++;
        if (byte == t->skip_lf) {
            t->skip_lf = 0;
            return XML_OK;
        }
        t->skip_lf = byte == '\r' ? '\n' : 0;
        if (byte == '\r' || byte == '\n') {
            t->line++;
            t->column = 1;
            byte = '\n';
        } else {
            t->column++;
        }
    }

    switch (t->state) {
    case LITERAL:
        if (static_cast<unsigned char>(*t->literal) != byte)
            return XML_ERROR_SYNTAX;
        t->literal++;
        if (*t->literal == 0)
            t->state = t->next_state;
        return XML_OK;

    case ATTR_NAME:
        if (is(byte, NAME))
            return append(t, byte);
        if (is(byte, WS)) {
            t->state = ATTR_BEFORE_EQ;
            return XML_ATTRIBUTE_START;
        }
        if (byte == '=') {
            t->state = ATTR_BEFORE_QUOTE;
            return XML_ATTRIBUTE_START;
        }
        return XML_ERROR_SYNTAX;

    case ATTR_BEFORE_EQ:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '=') {
            t->state = ATTR_BEFORE_QUOTE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case ATTR_BEFORE_QUOTE:
        if (is(byte, WS))
            return XML_OK;
        if (is(byte, QUOTE)) {
            t->quote = byte;
            t->state = ATTR_VALUE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case ATTR_VALUE:
        if (byte == t->quote) {
            pop_name(t);
            t->state = ELEM_AFTER_ATTR;
            return XML_ATTRIBUTE_END;
        }
        if (byte == '&') {
            start_reference(t, ATTR_REF);
            return XML_OK;
        }
        if (byte == '<')
            return XML_ERROR_SYNTAX;
        return deliver(t, byte == '\t' || byte == '\n' ? ' ' : byte, XML_ATTRIBUTE_VALUE);

    case ATTR_REF:
        if (is(byte, REF))
            return collect_reference(t, byte);
        if (byte == ';') {
            t->state = ATTR_VALUE;
            return decode_reference(t, XML_ATTRIBUTE_VALUE);
        }
        return XML_ERROR_SYNTAX;

    case CDATA:
        if (byte == ']') {
            t->state = CDATA_RB1;
            return XML_OK;
        }
        return deliver(t, byte, XML_CONTENT);

    case CDATA_RB1:
        if (byte == ']') {
            t->state = CDATA_RB2;
            return XML_OK;
        }
        t->state = CDATA;
        return deliver2(t, ']', byte, XML_CONTENT);

    case CDATA_RB2:
        if (byte == '>') {
            t->state = CONTENT;
            return XML_OK;
        }
        if (byte == ']')
            return deliver(t, ']', XML_CONTENT);
        t->state = CDATA;
        t->data[0] = ']';
        t->data[1] = ']';
        t->data[2] = static_cast<char>(byte);
        t->data[3] = 0;
        return XML_CONTENT;

    case COMMENT_DASH1:
        if (byte != '-')
            return XML_ERROR_SYNTAX;
        t->state = COMMENT_DASH2;
        return XML_OK;

    case COMMENT_DASH2:
        if (byte != '-')
            return XML_ERROR_SYNTAX;
        t->state = COMMENT_BODY;
        return XML_OK;

    case COMMENT_BODY:
        if (byte == '-')
            t->state = COMMENT_BODY_DASH;
        return XML_OK;

    case COMMENT_BODY_DASH:
        t->state = byte == '-' ? COMMENT_END : COMMENT_BODY;
        return XML_OK;

    case COMMENT_END:
        if (byte != '>')
            return XML_ERROR_SYNTAX;
        t->state = t->next_state;
        return XML_OK;

    case DOCTYPE:
        if (is(byte, QUOTE)) {
            t->quote = byte;
            t->next_state = DOCTYPE;
            t->state = DOCTYPE_QUOTED;
        } else if (byte == '<') {
            t->state = DOCTYPE_LT;
        } else if (byte == '>') {
            t->state = PROLOG;
        }
        return XML_OK;

    case DOCTYPE_QUOTED:
        if (byte == t->quote)
            t->state = t->next_state;
        return XML_OK;

    case DOCTYPE_LT:
        if (byte == '!') {
            t->state = DOCTYPE_BANG;
            return XML_OK;
        }
        if (byte == '?') {
            t->next_state = DOCTYPE;
            t->state = PI_FIRST;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case DOCTYPE_BANG:
        if (byte == '-') {
            t->next_state = DOCTYPE;
            t->state = COMMENT_DASH2;
        } else {
            t->state = DOCTYPE_DECL;
        }
        return XML_OK;

    case DOCTYPE_DECL:
        if (is(byte, QUOTE)) {
            t->quote = byte;
            t->next_state = DOCTYPE_DECL;
            t->state = DOCTYPE_QUOTED;
        } else if (byte == '>') {
            t->state = DOCTYPE;
        }
        return XML_OK;

    case ELEM_NAME:
        if (is(byte, NAME))
            return append(t, byte);
        if (is(byte, WS))
            t->state = ELEM_SPACE;
        else if (byte == '/')
            t->state = ELEM_SLASH;
        else if (byte == '>')
            t->state = CONTENT;
        else
            return XML_ERROR_SYNTAX;
        return XML_ELEMENT_START;

    case ELEM_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '>') {
            t->state = CONTENT;
            return XML_OK;
        }
        if (byte == '/') {
            t->state = ELEM_SLASH;
            return XML_OK;
        }
        if (is(byte, NAME_START)) {
            t->state = ATTR_NAME;
            return push_name(t, byte, &t->attribute);
        }
        return XML_ERROR_SYNTAX;

    case ELEM_AFTER_ATTR:
        if (is(byte, WS))
            t->state = ELEM_SPACE;
        else if (byte == '/')
            t->state = ELEM_SLASH;
        else if (byte == '>')
            t->state = CONTENT;
        else
            return XML_ERROR_SYNTAX;
        return XML_OK;

    case ELEM_SLASH:
        if (byte != '>')
            return XML_ERROR_SYNTAX;
        pop_element(t);
        return XML_ELEMENT_END;

    case ENC_BEFORE_EQ:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '=') {
            t->state = ENC_BEFORE_QUOTE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case ENC_BEFORE_QUOTE:
        if (is(byte, WS))
            return XML_OK;
        if (is(byte, QUOTE)) {
            t->quote = byte;
            t->state = ENC_FIRST;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case ENC_FIRST:
        if (!is(byte, LETTER))
            return XML_ERROR_SYNTAX;
        t->state = ENC_NAME;
        return XML_OK;

    case ENC_NAME:
        if (is(byte, ENC))
            return XML_OK;
        if (byte == t->quote) {
            t->state = DECL_AFTER_ENC;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case ETAG_FIRST:
        if (!is(byte, NAME_START))
            return XML_ERROR_SYNTAX;
        t->state = ETAG_NAME;
        return match_end_tag(t, byte);

    case ETAG_NAME:
        if (is(byte, NAME))
            return match_end_tag(t, byte);
        if (is(byte, WS)) {
            if (*t->element != 0)
                return XML_ERROR_CLOSE;
            pop_element(t);
            t->state = ETAG_SPACE;
            return XML_ELEMENT_END;
        }
        if (byte == '>') {
            if (*t->element != 0)
                return XML_ERROR_CLOSE;
            pop_element(t);
            return XML_ELEMENT_END;
        }
        return XML_ERROR_SYNTAX;

    case ETAG_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '>') {
            t->state = t->stack_used == 0 ? EPILOG : CONTENT;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case START:
        if (byte == 0xEF) {
            start_literal(t, "\xBB\xBF", START_SPACE);
            return XML_OK;
        }
        if (is(byte, WS)) {
            t->state = START_SPACE;
            return XML_OK;
        }
        if (byte == '<') {
            t->state = START_LT;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case START_LT:
        if (byte == '?') {
            t->state = START_PI;
            return XML_OK;
        }
        if (byte == '!') {
            t->state = PROLOG_BANG;
            return XML_OK;
        }
        return element_start(t, byte);

    case PROLOG_LT:
        if (byte == '?') {
            t->next_state = PROLOG;
            t->state = PI_FIRST;
            return XML_OK;
        }
        if (byte == '!') {
            t->state = PROLOG_BANG;
            return XML_OK;
        }
        return element_start(t, byte);

    case CONTENT_LT:
        if (byte == '?') {
            t->next_state = CONTENT;
            t->state = PI_FIRST;
            return XML_OK;
        }
        if (byte == '/') {
            t->state = ETAG_FIRST;
            return XML_OK;
        }
        if (byte == '!') {
            t->state = CONTENT_BANG;
            return XML_OK;
        }
        return element_start(t, byte);

    case EPILOG_LT:
        if (byte == '?') {
            t->next_state = EPILOG;
            t->state = PI_FIRST;
            return XML_OK;
        }
        if (byte == '!') {
            t->next_state = EPILOG;
            t->state = COMMENT_DASH1;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case PROLOG_BANG:
        if (byte == 'D') {
            start_literal(t, "OCTYPE", DOCTYPE);
            return XML_OK;
        }
        if (byte == '-') {
            t->next_state = PROLOG;
            t->state = COMMENT_DASH2;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case CONTENT_BANG:
        if (byte == '[') {
            start_literal(t, "CDATA[", CDATA);
            return XML_OK;
        }
        if (byte == '-') {
            t->next_state = CONTENT;
            t->state = COMMENT_DASH2;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case START_PI:
        if (!is(byte, NAME_START))
            return XML_ERROR_SYNTAX;
        t->next_state = PROLOG;
        t->state = byte == 'x' ? DECL_X : PI_TARGET;
        return push_name(t, byte, &t->pi_target);

    case START_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '<') {
            t->state = START_LT;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case PROLOG:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '<') {
            t->state = PROLOG_LT;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case CONTENT:
        if (byte == '&') {
            start_reference(t, CONTENT_REF);
            return XML_OK;
        }
        if (byte == '<') {
            t->state = CONTENT_LT;
            return XML_OK;
        }
        return deliver(t, byte, XML_CONTENT);

    case CONTENT_REF:
        if (is(byte, REF))
            return collect_reference(t, byte);
        if (byte == ';') {
            t->state = CONTENT;
            return decode_reference(t, XML_CONTENT);
        }
        return XML_ERROR_SYNTAX;

    case EPILOG:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '<') {
            t->state = EPILOG_LT;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case PI_FIRST:
        if (!is(byte, NAME_START))
            return XML_ERROR_SYNTAX;
        t->state = PI_TARGET;
        return push_name(t, byte, &t->pi_target);

    case PI_TARGET:
        if (is(byte, NAME))
            return append(t, byte);
        return end_of_target(t, byte);

    case PI_CONTENT:
        if (byte == '?') {
            t->state = PI_QMARK;
            return XML_OK;
        }
        return deliver(t, byte, XML_PI_CONTENT);

    case PI_QMARK:
        if (byte == '>')
            return end_instruction(t);
        if (byte == '?')
            return deliver(t, '?', XML_PI_CONTENT);
        t->state = PI_CONTENT;
        return deliver2(t, '?', byte, XML_PI_CONTENT);

    case PI_TARGET_QMARK:
        if (byte != '>')
            return XML_ERROR_SYNTAX;
        return end_instruction(t);

    case SA_BEFORE_EQ:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '=') {
            t->state = SA_BEFORE_QUOTE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case SA_BEFORE_QUOTE:
        if (is(byte, WS))
            return XML_OK;
        if (is(byte, QUOTE)) {
            t->quote = byte;
            t->state = SA_VALUE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case SA_VALUE:
        if (byte == 'y') {
            start_literal(t, "es", SA_CLOSE);
            return XML_OK;
        }
        if (byte == 'n') {
            start_literal(t, "o", SA_CLOSE);
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case SA_CLOSE:
        if (byte != t->quote)
            return XML_ERROR_SYNTAX;
        t->state = DECL_AFTER_SA;
        return XML_OK;

    case VER_BEFORE_EQ:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '=') {
            t->state = VER_BEFORE_QUOTE;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case VER_BEFORE_QUOTE:
        if (is(byte, WS))
            return XML_OK;
        if (is(byte, QUOTE)) {
            t->quote = byte;
            start_literal(t, "1.", VER_FIRST_DIGIT);
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case VER_FIRST_DIGIT:
        if (!is(byte, DIGIT))
            return XML_ERROR_SYNTAX;
        t->state = VER_DIGITS;
        return XML_OK;

    case VER_DIGITS:
        if (is(byte, DIGIT))
            return XML_OK;
        if (byte == t->quote) {
            t->state = DECL_AFTER_VER;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case DECL_X:
        if (is(byte, NAME)) {
            t->state = byte == 'm' ? DECL_XM : PI_TARGET;
            return append(t, byte);
        }
        return end_of_target(t, byte);

    case DECL_XM:
        if (is(byte, NAME)) {
            t->state = byte == 'l' ? DECL_XML : PI_TARGET;
            return append(t, byte);
        }
        return end_of_target(t, byte);

    case DECL_XML:
        if (is(byte, WS)) {
            pop_name(t); // the declaration is no instruction
            t->state = DECL_SPACE;
            return XML_OK;
        }
        if (is(byte, NAME)) {
            t->state = PI_TARGET;
            return append(t, byte);
        }
        return XML_ERROR_SYNTAX;

    case DECL_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == 'v') {
            start_literal(t, "ersion", VER_BEFORE_EQ);
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case DECL_AFTER_VER:
        if (is(byte, WS))
            t->state = DECL_AFTER_VER_SPACE;
        else if (byte == '?')
            t->state = DECL_END;
        else
            return XML_ERROR_SYNTAX;
        return XML_OK;

    case DECL_AFTER_VER_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == 'e')
            start_literal(t, "ncoding", ENC_BEFORE_EQ);
        else if (byte == 's')
            start_literal(t, "tandalone", SA_BEFORE_EQ);
        else if (byte == '?')
            t->state = DECL_END;
        else
            return XML_ERROR_SYNTAX;
        return XML_OK;

    case DECL_AFTER_ENC:
        if (is(byte, WS))
            t->state = DECL_AFTER_ENC_SPACE;
        else if (byte == '?')
            t->state = DECL_END;
        else
            return XML_ERROR_SYNTAX;
        return XML_OK;

    case DECL_AFTER_ENC_SPACE:
        if (is(byte, WS))
            return XML_OK;
        if (byte == 's')
            start_literal(t, "tandalone", SA_BEFORE_EQ);
        else if (byte == '?')
            t->state = DECL_END;
        else
            return XML_ERROR_SYNTAX;
        return XML_OK;

    case DECL_AFTER_SA:
        if (is(byte, WS))
            return XML_OK;
        if (byte == '?') {
            t->state = DECL_END;
            return XML_OK;
        }
        return XML_ERROR_SYNTAX;

    case DECL_END:
        if (byte != '>')
            return XML_ERROR_SYNTAX;
        t->state = PROLOG;
        return XML_OK;

    default:
        return XML_ERROR_SYNTAX;
    }
}
