// The jar cache file name and the check that keeps it inside the jar directory.
#include "sequence/jar_file_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(JarFileName, ComposesNameDashVersionDotJar)
{
    char out[jar_file_name_size];
    jar_file_name("lib/util", "1.0", out);
    EXPECT_STREQ(out, "lib/util-1.0.jar");
    jar_file_name("", "", out);
    EXPECT_STREQ(out, "-.jar");
}

TEST(JarFileName, LongestFieldsFitWhole)
{
    std::string name(1023, 'n'), version(1023, 'v');
    char out[jar_file_name_size];
    std::memset(out, 'x', sizeof out);
    jar_file_name(name.c_str(), version.c_str(), out);
    EXPECT_EQ(std::string(out), name + "-" + version + ".jar");
}

struct NameCase {
    const char *file_name;
    bool safe;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << c.file_name;
}

class JarFileNameSafety : public ::testing::TestWithParam<NameCase> {};

TEST_P(JarFileNameSafety, Matches)
{
    EXPECT_EQ(jar_file_name_is_safe(GetParam().file_name), GetParam().safe) << GetParam().file_name;
}

const NameCase name_cases[] = {
    {"app-2.1.jar", true},
    {"lib/util-1.0.jar", true},
    {"a b/c d-1.jar", true},
    {"..a-1.jar", true},
    {"a/..b/c-1.jar", true},
    {"COM0/COM10/LPT/CONSOLE/NULL/x-1.jar", true},
    {"CON-1.jar", true},
    {"\x7F\xC3\xA9-1.jar", true},
    {"", false},
    {"/a-1.jar", false},
    {"\\a-1.jar", false},
    {"a/-1.jar/", false},
    {"a//b-1.jar", false},
    {"../a-1.jar", false},
    {"a/../b-1.jar", false},
    {"a/..", false},
    {"./a-1.jar", false},
    {".", false},
    {"a./b-1.jar", false},
    {"a /b-1.jar", false},
    {"C:a-1.jar", false},
    {"a\\b-1.jar", false},
    {"a<b", false},
    {"a>b", false},
    {"a\"b", false},
    {"a|b", false},
    {"a?b", false},
    {"a*b", false},
    {"a\x01z", false},
    {"a\x1Fz", false},
    {"a\tz", false},
    {"con/a-1.jar", false},
    {"CoN.txt/a-1.jar", false},
    {"nul  .x/a-1.jar", false},
    {"PRN/a", false},
    {"AUX/a", false},
    {"com1/a", false},
    {"COM9/a", false},
    {"lpt1/a", false},
    {"LPT9.tar.gz/a", false},
    {"a-1/CON.jar", false},
};

INSTANTIATE_TEST_SUITE_P(Names, JarFileNameSafety, ::testing::ValuesIn(name_cases));

} // namespace
