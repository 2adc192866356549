#include "sequence/descriptor_reader.h"

#include "sequence/jar_file_name.h"
#include "sequence/line_end.h"
#include "xml/xml_tokenizer.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *parse_failure = "Failed to parse JNLP";
constexpr const char *invalid = "Invalid JNLP";

// The tokenizer's name stack, one byte longer than the descriptor. It is never released:
// the process reads one descriptor; a later read reuses and resizes the block.
char *name_stack;

// Bounded copy of at most 1024 bytes into a 1024-byte field, always terminated.
void copy_field(char *field, const char *text)
{
    size_t i = 0;
    for (; i < 1024 && text[i] != 0; i++)
        field[i] = text[i];
    if (i < 1024)
        field[i] = 0;
    field[1023] = 0;
}

struct Target {
    char *field; // null: the value is not wanted
    char *end;   // one past the field's last byte
    char **position;
};

} // namespace

bool read_descriptor(const char *bytes, uint64_t size, const char *app_version, JnlpDescriptor *out,
                     const char **failure_message)
{
    char *stack = static_cast<char *>(std::realloc(name_stack, size + 1));
    name_stack = stack;
    XmlTokenizer tokenizer;
    xml_init(&tokenizer, stack, size + 1);

    JarEntry *jars = static_cast<JarEntry *>(std::malloc(sizeof(JarEntry)));
    uint64_t jar_count = 1;
    jars[0].kind = jar_kind_application;
    copy_field(jars[0].name, "TessarixAPP");
    copy_field(jars[0].version, app_version);
    cut_at_line_end(jars[0].name);
    cut_at_line_end(jars[0].version);

    JarEntry scratch = {};
    scratch.kind = jar_kind_descriptor;
    scratch.name[0] = 0;
    scratch.version[0] = 0;
    char *name_position = scratch.name;
    char *version_position = scratch.version;
    char *main_class_position = out->main_class;
    out->main_class[0] = 0;
    bool in_jar = false;
    bool in_application_desc = false;
    Target target = {};
    const char *failure = nullptr;

    for (uint64_t i = 0; i < size && failure == nullptr; i++) {
        int result = xml_feed(&tokenizer, static_cast<unsigned char>(bytes[i]));
        if (result < 0) {
            failure = parse_failure;
            break;
        }
        switch (result) {
        case XML_ELEMENT_START:
            in_application_desc = std::strcmp(tokenizer.element, "application-desc") == 0;
            in_jar = std::strcmp(tokenizer.element, "jar") == 0;
            if (in_jar) {
                scratch.name[0] = 0;
                scratch.version[0] = 0;
                name_position = scratch.name;
                version_position = scratch.version;
            }
            break;
        case XML_ATTRIBUTE_START:
            target = {};
            if (in_jar) {
                if (std::strcmp(tokenizer.attribute, "href") == 0)
                    target = {scratch.name, scratch.name + sizeof scratch.name, &name_position};
                else if (std::strcmp(tokenizer.attribute, "version") == 0)
                    target = {scratch.version, scratch.version + sizeof scratch.version,
                              &version_position};
            } else if (in_application_desc) {
                if (std::strcmp(tokenizer.attribute, "main-class") == 0)
                    target = {out->main_class, out->main_class + sizeof out->main_class,
                              &main_class_position};
            }
            break;
        case XML_ATTRIBUTE_VALUE:
            if (target.field != nullptr) {
                size_t length = std::strlen(tokenizer.data);
                char *position = *target.position;
                if (position + length + 1 >= target.end) {
                    failure = invalid;
                    break;
                }
                std::memcpy(position, tokenizer.data, length);
                position[length] = 0;
                *target.position = position + length;
            }
            break;
        case XML_ATTRIBUTE_END:
            target = {};
            break;
        case XML_ELEMENT_END:
            if (in_jar && scratch.name[0] != 0 && scratch.version[0] != 0) {
                char *extension = std::strstr(scratch.name, ".jar");
                if (extension != nullptr)
                    *extension = 0;
                cut_at_line_end(scratch.name);
                cut_at_line_end(scratch.version);
                // The file "%s-%s.jar" must stay inside the jar directory.
                char file_name[jar_file_name_size];
                jar_file_name(scratch.name, scratch.version, file_name);
                if (!jar_file_name_is_safe(file_name)) {
                    failure = invalid;
                    break;
                }
                jars =
                    static_cast<JarEntry *>(std::realloc(jars, sizeof(JarEntry) * (jar_count + 1)));
                jars[jar_count] = scratch;
                jar_count++;
            }
            in_jar = false;
            in_application_desc = false;
            break;
        default:
            break;
        }
    }
    if (failure == nullptr && xml_finish(&tokenizer) != XML_OK)
        failure = parse_failure;
    if (failure != nullptr) {
        std::free(jars); // nobody holds a pointer into the partial list yet
        *failure_message = failure;
        return false;
    }
    out->jars = jars;
    out->jar_count = jar_count;
    return true;
}

const char *descriptor_main_class(const JnlpDescriptor *descriptor)
{
    return descriptor->main_class[0] != 0 ? descriptor->main_class : default_main_class;
}
