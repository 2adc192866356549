// The descriptor reader: which jars and which main class a descriptor gives, its limits at
// their exact boundaries, and its two failures.
#include "sequence/descriptor_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Jar {
    uint32_t kind;
    std::string name, version;
    bool operator==(const Jar &) const = default;
};

void PrintTo(const Jar &jar, std::ostream *os)
{
    *os << "{" << jar.kind << ", \"" << jar.name << "\", \"" << jar.version << "\"}";
}

// One read, with everything it gave copied out and the list released.
struct Read {
    bool ok = false;
    std::string failure;
    std::vector<Jar> jars;
    std::string main_class;
    std::string launched; // descriptor_main_class

    explicit Read(const std::string &document, const char *app_version = "7.1")
    {
        JnlpDescriptor descriptor;
        std::memset(&descriptor, 0x5A, sizeof descriptor);
        const char *message = nullptr;
        ok = read_descriptor(document.data(), document.size(), app_version, &descriptor, &message);
        if (!ok) {
            failure = message != nullptr ? message : "(no message)";
            return;
        }
        for (uint64_t i = 0; i < descriptor.jar_count; i++)
            jars.push_back(
                {descriptor.jars[i].kind, descriptor.jars[i].name, descriptor.jars[i].version});
        main_class = descriptor.main_class;
        launched = descriptor_main_class(&descriptor);
        std::free(descriptor.jars);
    }
};

std::string in_jnlp(const std::string &body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<jnlp spec=\"1.0+\">" + body + "</jnlp>\n";
}

const Jar app = {1, "TessarixAPP", "7.1"};

TEST(DescriptorReader, OneJarFollowsTheApplicationJar)
{
    Read r(in_jnlp("<resources><jar href=\"app-core.jar\" version=\"2.1\"/></resources>"));
    ASSERT_TRUE(r.ok) << r.failure;
    EXPECT_EQ(r.jars, (std::vector<Jar>{app, {0, "app-core", "2.1"}}));
    EXPECT_EQ(r.main_class, "");
    EXPECT_EQ(r.launched, "org.qvd.ko.mirvo.client.gui.main.Main");
}

// Documents and the descriptor jars they give after the application jar.
struct JarCase {
    const char *what;
    std::string body; // inside <jnlp>
    std::vector<Jar> jars;
};

void PrintTo(const JarCase &c, std::ostream *os)
{
    *os << c.what;
}

class DescriptorJars : public ::testing::TestWithParam<JarCase> {};

TEST_P(DescriptorJars, ListMatches)
{
    const JarCase &c = GetParam();
    Read r(in_jnlp(c.body));
    ASSERT_TRUE(r.ok) << c.what << ": " << r.failure;
    std::vector<Jar> expected = {app};
    expected.insert(expected.end(), c.jars.begin(), c.jars.end());
    EXPECT_EQ(r.jars, expected) << c.what;
}

const JarCase jar_cases[] = {
    {"the directory part stays", "<jar href='lib/util.jar' version='1'/>", {{0, "lib/util", "1"}}},
    {"cut at the first .jar", "<jar href='a.jar.b.jar' version='1'/>", {{0, "a", "1"}}},
    {"cut at .jar inside the name", "<jar href='x.jarfoo' version='1'/>", {{0, "x", "1"}}},
    {"no .jar: the name stays", "<jar href='plain' version='1'/>", {{0, "plain", "1"}}},
    {"only .jar: an inactive entry with an empty name",
     "<jar href='.jar' version='1'/>",
     {{0, "", "1"}}},
    {"LF from a reference cuts the version",
     "<jar href='a.jar' version='1.0&#10;junk'/>",
     {{0, "a", "1.0"}}},
    {"CR from a reference cuts the version",
     "<jar href='a.jar' version='1.0&#13;x&#10;y'/>",
     {{0, "a", "1.0"}}},
    {"LF from a reference cuts the name", "<jar href='a&#10;b.jar' version='1'/>", {{0, "a", "1"}}},
    {"a literal line break is a space in a value",
     "<jar href='a\r\nb.jar' version='1\n2'/>",
     {{0, "a b", "1 2"}}},
    {"references are decoded",
     "<jar href='a&amp;b&#x20AC;.jar' version='&#49;'/>",
     {{0, "a&b\xE2\x82\xAC", "1"}}},
    {"version before href, other attributes ignored",
     "<jar main='true' version='3' download='lazy' href='z.jar' part='p'/>",
     {{0, "z", "3"}}},
    {"with an end tag and text inside",
     "<jar href='a.jar' version='1'>text</jar>",
     {{0, "a", "1"}}},
    {"a child element clears the jar", "<jar href='a.jar' version='1'><x/></jar>", {}},
    {"a comment inside is no element",
     "<jar href='a.jar' version='1'><!-- c --></jar>",
     {{0, "a", "1"}}},
    {"no version: skipped", "<jar href='a.jar'/>", {}},
    {"empty version: skipped", "<jar href='a.jar' version=''/>", {}},
    {"no href: skipped", "<jar version='1'/>", {}},
    {"empty href: skipped", "<jar href='' version='1'/>", {}},
    {"names are case-sensitive",
     "<JAR href='a.jar' version='1'/><Jar href='b.jar' version='1'/>",
     {}},
    {"no namespace handling", "<x:jar href='a.jar' version='1'/>", {}},
    {"href and version of other elements are ignored",
     "<nativelib href='n.jar' version='1'/><extension href='e.jnlp' version='2'/>",
     {}},
    {"jar elements anywhere, in document order",
     "<resources os='Linux'><jar href='b.jar' version='2'/></resources><information>"
     "<jar href='a.jar' version='1'></jar></information>",
     {{0, "b", "2"}, {0, "a", "1"}}},
    {"a skipped jar keeps nothing of the one before",
     "<jar href='a.jar' version='1'/><jar href='b.jar'/><jar version='3'/>",
     {{0, "a", "1"}}},
    {"a repeated href is appended",
     "<jar href='a.jar' href='b.jar' version='1'/>",
     {{0, "a", "1"}}},
    {"a repeated version is appended",
     "<jar href='a.jar' version='1' version='2'/>",
     {{0, "a", "12"}}},
    {"any root element", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Documents, DescriptorJars, ::testing::ValuesIn(jar_cases));

TEST(DescriptorReader, RootNeedNotBeJnlp)
{
    Read r("<launch><jar href='a.jar' version='1'/><application-desc main-class='M'/></launch>");
    ASSERT_TRUE(r.ok) << r.failure;
    EXPECT_EQ(r.jars, (std::vector<Jar>{app, {0, "a", "1"}}));
    EXPECT_EQ(r.main_class, "M");
}

struct MainClassCase {
    const char *what;
    std::string body;
    const char *main_class;
};

void PrintTo(const MainClassCase &c, std::ostream *os)
{
    *os << c.what;
}

class DescriptorMainClass : public ::testing::TestWithParam<MainClassCase> {};

TEST_P(DescriptorMainClass, MainClassMatches)
{
    const MainClassCase &c = GetParam();
    Read r(in_jnlp(c.body));
    ASSERT_TRUE(r.ok) << c.what << ": " << r.failure;
    EXPECT_EQ(r.main_class, c.main_class) << c.what;
    EXPECT_EQ(r.launched, *c.main_class ? c.main_class : default_main_class) << c.what;
}

const MainClassCase main_class_cases[] = {
    {"none", "<resources/>", ""},
    {"one", "<application-desc main-class='com.x.Main'><argument>a</argument></application-desc>",
     "com.x.Main"},
    {"another element's main-class is ignored",
     "<applet-desc main-class='A'/><jar main-class='B'/><application-desc name='n'/>", ""},
    {"two application-desc elements: appended",
     "<application-desc main-class='a.B'/><application-desc main-class='c.D'/>", "a.Bc.D"},
    {"references and normalised whitespace", "<application-desc main-class='a&amp;b\nc'/>",
     "a&b c"},
    {"empty", "<application-desc main-class=''/>", ""},
    {"a child element before it does not matter",
     "<application-desc><argument/></application-desc><application-desc main-class='M'/>", "M"},
};

INSTANTIATE_TEST_SUITE_P(Documents, DescriptorMainClass, ::testing::ValuesIn(main_class_cases));

// Values at the limits: href and version 1022 bytes, main-class 510 bytes in total.
struct LimitCase {
    const char *what;
    std::string body;
    bool accepted;
};

void PrintTo(const LimitCase &c, std::ostream *os)
{
    *os << c.what;
}

std::string jar(const std::string &href, const std::string &version)
{
    return "<jar href='" + href + "' version='" + version + "'/>";
}

std::string desc(const std::string &main_class)
{
    return "<application-desc main-class='" + main_class + "'/>";
}

const std::string a1022(1022, 'a');
const std::string a1023(1023, 'a');
const std::string smile = "&#x1F600;"; // four bytes of UTF-8 in one piece

class DescriptorLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(DescriptorLimits, LongestValueFitsOneMoreFails)
{
    const LimitCase &c = GetParam();
    Read r(in_jnlp(c.body));
    if (c.accepted) {
        EXPECT_TRUE(r.ok) << c.what << ": " << r.failure;
    } else {
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.failure, "Invalid JNLP") << c.what;
    }
}

const LimitCase limit_cases[] = {
    {"href of 1022 bytes", jar(a1022, "1"), true},
    {"href of 1023 bytes", jar(a1023, "1"), false},
    {"href of 1022 bytes ending in .jar", jar(std::string(1018, 'a') + ".jar", "1"), true},
    {"version of 1022 bytes", jar("a.jar", a1022), true},
    {"version of 1023 bytes", jar("a.jar", a1023), false},
    {"four-byte piece ending at 1022", jar(std::string(1018, 'a') + smile, "1"), true},
    {"four-byte piece ending at 1023", jar(std::string(1019, 'a') + smile, "1"), false},
    {"too long in a jar that would be skipped", "<jar href='" + a1023 + "'/>", false},
    {"too long in a jar with a child element", "<jar><x/><jar href='" + a1023 + "' v='1'/></jar>",
     false},
    {"long href of another element", "<nativelib href='" + std::string(5000, 'a') + "'/>", true},
    {"long attribute of a jar that is not read",
     "<jar href='a.jar' version='1' size='" + std::string(5000, '9') + "'/>", true},
    {"main-class of 510 bytes", desc(std::string(510, 'm')), true},
    {"main-class of 511 bytes", desc(std::string(511, 'm')), false},
    {"two main-classes, 510 bytes in total",
     desc(std::string(300, 'm')) + desc(std::string(210, 'n')), true},
    {"two main-classes, 511 bytes in total",
     desc(std::string(300, 'm')) + desc(std::string(211, 'n')), false},
    {"main-class elsewhere is not limited",
     "<applet-desc main-class='" + std::string(2000, 'm') + "'/>", true},
};

INSTANTIATE_TEST_SUITE_P(Values, DescriptorLimits, ::testing::ValuesIn(limit_cases));

TEST(DescriptorReader, LimitValuesArriveWhole)
{
    Read r(in_jnlp(jar(a1022, a1022) + desc(std::string(300, 'm')) + desc(std::string(210, 'n'))));
    ASSERT_TRUE(r.ok) << r.failure;
    ASSERT_EQ(r.jars.size(), 2u);
    EXPECT_EQ(r.jars[1].name, a1022);
    EXPECT_EQ(r.jars[1].version, a1022);
    EXPECT_EQ(r.main_class, std::string(300, 'm') + std::string(210, 'n'));
}

TEST(DescriptorReader, ApplicationVersionIsCutTo1023BytesAndAtItsLineEnd)
{
    const struct {
        std::string app_version;
        std::string kept;
    } cases[] = {
        {std::string(2000, 'v'), std::string(1023, 'v')},
        {std::string(1024, 'v'), std::string(1023, 'v')},
        {std::string(1023, 'v'), std::string(1023, 'v')},
        {"7.1\r\n", "7.1"},
        {"7.1\n", "7.1"},
        {"a\nb\rc", "a"},
        {"a\rb\nc", "a"},
        {"", ""},
    };
    for (const auto &c : cases) {
        Read r(in_jnlp(""), c.app_version.c_str());
        ASSERT_TRUE(r.ok) << r.failure;
        ASSERT_EQ(r.jars.size(), 1u);
        EXPECT_EQ(r.jars[0], (Jar{1, "TessarixAPP", c.kept})) << c.app_version.size();
    }
}

TEST(DescriptorReader, MalformedOrIncompleteDocumentsFailToParse)
{
    const std::string documents[] = {
        "",
        "   ",
        "<jnlp>",
        "<jnlp><jar href='a.jar' version='1'/>",
        "<jnlp><jar href='a.jar' version='1'/></jnl>",
        "<jnlp></jnlp><jnlp/>",
        "<jnlp><jar href=a.jar version=1/></jnlp>",
        "<jnlp>&nbsp;</jnlp>",
        std::string("<jnlp>\0</jnlp>", 14),
        "<jnlp><jar href='" + a1022 + "' version='1'/>", // long but legal, then cut off
    };
    for (const std::string &document : documents) {
        Read r(document);
        EXPECT_FALSE(r.ok) << document.substr(0, 60);
        EXPECT_EQ(r.failure, "Failed to parse JNLP") << document.substr(0, 60);
    }
}

TEST(DescriptorReader, FirstFailureDecides)
{
    // A value too long before the document breaks: Invalid; a break before it: parse failure.
    Read too_long_first("<jnlp><jar href='" + a1023 + "' version='1'/><<");
    EXPECT_EQ(too_long_first.failure, "Invalid JNLP");
    Read broken_first("<jnlp><<jar href='" + a1023 + "' version='1'/>");
    EXPECT_EQ(broken_first.failure, "Failed to parse JNLP");
}

TEST(DescriptorReader, ManyJarsKeepTheirOrder)
{
    std::string body;
    for (int i = 0; i < 500; i++)
        body += jar("lib/j" + std::to_string(i) + ".jar", std::to_string(i));
    Read r(in_jnlp("<resources>" + body + "</resources>"));
    ASSERT_TRUE(r.ok) << r.failure;
    ASSERT_EQ(r.jars.size(), 501u);
    for (int i = 0; i < 500; i++)
        EXPECT_EQ(r.jars[i + 1], (Jar{0, "lib/j" + std::to_string(i), std::to_string(i)}));
}

// A jar whose file "%s-%s.jar" would leave the jar directory, or could not be created there
// on Windows, fails the read.
struct PathCase {
    const char *href;
    const char *version;
    bool accepted;
};

void PrintTo(const PathCase &c, std::ostream *os)
{
    *os << c.href << " " << c.version;
}

class DescriptorJarPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(DescriptorJarPaths, UnsafeFileNamesAreInvalid)
{
    const PathCase &c = GetParam();
    Read r(in_jnlp(std::string("<jar href=\"") + c.href + "\" version=\"" + c.version + "\"/>"));
    if (c.accepted) {
        EXPECT_TRUE(r.ok) << c.href << " " << c.version << ": " << r.failure;
        EXPECT_EQ(r.jars.size(), 2u);
    } else {
        EXPECT_FALSE(r.ok) << c.href << " " << c.version;
        EXPECT_EQ(r.failure, "Invalid JNLP") << c.href << " " << c.version;
    }
}

const PathCase path_cases[] = {
    // accepted
    {"lib/util.jar", "1.0", true},
    {"app-core.jar", "2.1", true},
    {"a/b/c/d.jar", "1", true},
    {"with space.jar", "1 beta", true},
    {"..x.jar", "1", true},
    {"x..y.jar", "1..2", true},
    {"lib/..x", "1", true}, // "..x-1.jar" is a plain name
    {"\xC3\xBCn\xC3\xAF.jar", "1", true},
    {"console/com0/com10/lpt/x.jar", "1", true},
    {"CON.jar", "1", true}, // the file is "CON-1.jar"
    {"a.jar", "1.", true},  // "a-1..jar"
    {"a", "/1", true},      // "a-/1.jar": a sub-directory "a-"
    // leaving the directory
    {"/etc/passwd", "1", false},
    {"\\\\server\\share\\x", "1", false},
    {"\\x.jar", "1", false},
    {"C:/x.jar", "1", false},
    {"c:x.jar", "1", false},
    {"../x.jar", "1", false},
    {"lib/../../x.jar", "1", false},
    {"a", "../../evil", false},
    {"a", "1/../../x", false},
    // names Windows refuses
    {"lib\\util.jar", "1", false},
    {"a.jar", "1\\2", false},
    {"a&lt;b.jar", "1", false},
    {"a&gt;b.jar", "1", false},
    {"a:b.jar", "1", false},
    {"a&quot;b.jar", "1", false},
    {"a|b.jar", "1", false},
    {"a?b.jar", "1", false},
    {"a*b.jar", "1", false},
    {"a&#1;b.jar", "1", false},
    {"a&#9;b.jar", "1", false},
    {"a.jar", "1&#31;", false},
    {"lib//util.jar", "1", false},
    {"./util.jar", "1", false},
    {"lib/./util.jar", "1", false},
    {"lib./util.jar", "1", false},
    {"lib /util.jar", "1", false},
    {"CON/x.jar", "1", false},
    {"lib/nul.txt/x.jar", "1", false},
    {"aux .d/x.jar", "1", false},
    {"com1/x.jar", "1", false},
    {"LPT9/x.jar", "1", false},
    {"Prn/x.jar", "1", false},
    {"a", "1/CON", false}, // "a-1/CON.jar"
};

INSTANTIATE_TEST_SUITE_P(Names, DescriptorJarPaths, ::testing::ValuesIn(path_cases));

} // namespace
