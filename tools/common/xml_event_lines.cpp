#include "common/xml_event_lines.h"

#include "xml/xml_tokenizer.h"

#include <vector>

namespace {

void append_escaped(std::string &out, const std::string &text)
{
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
}

void line(std::string &out, const char *what, const std::string &text)
{
    out += what;
    append_escaped(out, text);
    out += '\n';
}

} // namespace

bool xml_event_lines(const char *document, size_t size, std::string &out)
{
    std::vector<char> stack(size + 1);
    XmlTokenizer tokenizer;
    xml_init(&tokenizer, stack.data(), stack.size());

    std::string text;       // content pieces not printed yet
    std::string attribute;  // the attribute's name, kept: it leaves the stack at its end
    std::string value;      // its value's pieces
    std::string target, pi; // the instruction's target and content
    int result = XML_OK;
    for (size_t i = 0; i < size && result >= 0; i++) {
        result = xml_feed(&tokenizer, static_cast<unsigned char>(document[i]));
        if (result > XML_OK && result != XML_CONTENT && !text.empty()) {
            line(out, "text ", text);
            text.clear();
        }
        switch (result) {
        case XML_ELEMENT_START:
            line(out, "start ", tokenizer.element);
            break;
        case XML_CONTENT:
            text += tokenizer.data;
            break;
        case XML_ELEMENT_END:
            out += "end\n";
            break;
        case XML_ATTRIBUTE_START:
            attribute = tokenizer.attribute;
            value.clear();
            break;
        case XML_ATTRIBUTE_VALUE:
            value += tokenizer.data;
            break;
        case XML_ATTRIBUTE_END:
            line(out, "attr ", attribute + "=" + value);
            break;
        case XML_PI_START:
            target = tokenizer.pi_target;
            pi.clear();
            break;
        case XML_PI_CONTENT:
            pi += tokenizer.data;
            break;
        case XML_PI_END:
            line(out, "pi ", target + " " + pi);
            break;
        default:
            break;
        }
    }
    if (!text.empty())
        line(out, "text ", text);
    if (result >= 0)
        result = xml_finish(&tokenizer);
    if (result == XML_OK) {
        out += "ok\n";
        return true;
    }
    out += "error " + std::to_string(result) + " line " + std::to_string(tokenizer.line) +
           " column " + std::to_string(tokenizer.column) + " offset " +
           std::to_string(tokenizer.offset) + "\n";
    return false;
}
