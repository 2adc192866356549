// Real launch descriptors from public repositories, read as the launcher reads them. Their
// notes (PROVENANCE.tsv, written from another parser's view) say which are well formed, how
// many jars carry a version and whether an application-desc is there; the reader must agree.
#include "corpora.h"
#include "sequence/descriptor_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char *const jnlp_dir = "jnlp";

std::vector<std::string> split(const std::string &line, char separator)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, separator))
        fields.push_back(field);
    return fields;
}

bool has_word(const std::string &words, const std::string &word)
{
    for (const std::string &w : split(words, ' '))
        if (w == word)
            return true;
    return false;
}

TEST(JnlpCorpus, WellFormedDescriptorsReadAndBrokenOnesFail)
{
    SKIP_WITHOUT_CORPUS(jnlp_dir);
    std::string provenance;
    ASSERT_TRUE(read_corpus_file(corpora_path("jnlp/PROVENANCE.tsv"), provenance));
    std::stringstream lines(provenance);
    std::string line;
    std::getline(lines, line); // header
    int read = 0, failed = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> f = split(line, '\t');
        ASSERT_GE(f.size(), 8u) << line;
        const std::string &file = f[0], &well_formed = f[6], &features = f[7];
        std::string document;
        ASSERT_TRUE(read_corpus_file(corpora_path("jnlp/" + file), document)) << file;

        JnlpDescriptor descriptor;
        const char *failure = nullptr;
        bool ok = read_descriptor(document.data(), document.size(), "4.2", &descriptor, &failure);
        if (well_formed.rfind("yes", 0) != 0) {
            EXPECT_FALSE(ok) << file;
            if (!ok) {
                EXPECT_STREQ(failure, "Failed to parse JNLP") << file;
            }
            failed++;
            continue;
        }
        ASSERT_TRUE(ok) << file << ": " << failure;
        read++;
        std::string versioned = features.substr(features.find("jars_with_version=") + 18);
        EXPECT_EQ(descriptor.jar_count, 1 + std::strtoull(versioned.c_str(), nullptr, 10)) << file;
        EXPECT_EQ(descriptor.jars[0].kind, 1u);
        EXPECT_STREQ(descriptor.jars[0].name, "TessarixAPP");
        EXPECT_STREQ(descriptor.jars[0].version, "4.2");
        for (uint64_t i = 1; i < descriptor.jar_count; i++) {
            EXPECT_EQ(descriptor.jars[i].kind, 0u) << file;
            EXPECT_EQ(std::strstr(descriptor.jars[i].name, ".jar"), nullptr) << file;
        }
        bool names_main_class =
            has_word(features, "application-desc") && has_word(features, "main-class");
        EXPECT_EQ(descriptor.main_class[0] != 0, names_main_class) << file;
        std::free(descriptor.jars);
    }
    EXPECT_EQ(read, 35);
    EXPECT_EQ(failed, 4);
}

TEST(JnlpCorpus, VersionedJarsAreReadInOrder)
{
    SKIP_WITHOUT_CORPUS(jnlp_dir);
    struct Expected {
        const char *file;
        uint64_t index;
        const char *name, *version, *main_class;
    };
    const Expected cases[] = {
        {"010.jnlp", 1, "lib/incremental-build-works", "1.0",
         "de.gliderpilot.gradle.jnlp.test.HelloWorld"},
        {"015.jnlp", 1, "org/telscenter/sail-otrunk/sail-otrunk", "0.1.0-20090624.011056-1033-s1",
         "net.sf.sail.emf.launch.EMFLauncher3"},
        {"015.jnlp", 2, "org/concord/otrunk/otrunk", "0.1.0-20090618.143130-890-s1",
         "net.sf.sail.emf.launch.EMFLauncher3"},
        {"031.jnlp", 0, "TessarixAPP", "", "${jnlp.main.class}"},
    };
    for (const Expected &c : cases) {
        std::string document;
        ASSERT_TRUE(read_corpus_file(corpora_path(std::string("jnlp/") + c.file), document));
        JnlpDescriptor descriptor;
        const char *failure = nullptr;
        ASSERT_TRUE(read_descriptor(document.data(), document.size(), "", &descriptor, &failure))
            << c.file;
        ASSERT_GT(descriptor.jar_count, c.index) << c.file;
        EXPECT_STREQ(descriptor.jars[c.index].name, c.name) << c.file;
        EXPECT_STREQ(descriptor.jars[c.index].version, c.version) << c.file;
        EXPECT_STREQ(descriptor_main_class(&descriptor), c.main_class) << c.file;
        std::free(descriptor.jars);
    }
}

} // namespace
