#include "sequence/preparation.h"
#include "support/scratch_directory.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(Preparation, MakesTheThreeWorkingDirectories)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(prepare_directories());
    EXPECT_TRUE(fs::is_directory("VM"));
    EXPECT_TRUE(fs::is_directory("Tessarix"));
    EXPECT_TRUE(fs::is_directory("Tessarix/temp"));
    ASSERT_TRUE(prepare_directories()) << "existing directories pass";
}

TEST(Preparation, ARegularFileNamedVmPassesAndIsNotReplaced)
{
    ScratchDirectory scratch;
    write_file("VM", "not a directory");
    ASSERT_TRUE(prepare_directories());
    EXPECT_TRUE(fs::is_regular_file("VM"));
    EXPECT_EQ(read_file("VM"), "not a directory");
}

TEST(Preparation, ADirectoryThatCannotBeCreatedFails)
{
    ScratchDirectory scratch;
    write_file("Tessarix", "a file where the jar cache belongs");
    EXPECT_FALSE(prepare_directories()) << "Tessarix\\temp cannot be made inside a file";
    EXPECT_TRUE(fs::is_directory("VM"));
}

TEST(Preparation, EmptyingTheStagingDirectoryKeepsItsSubdirectories)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(prepare_directories());
    write_file("Tessarix/temp/lib-1.0.jar", "partial download");
    write_file("Tessarix/temp/sub/inner.jar", "stays");
    write_file("Tessarix/app-1.jar", "outside the staging directory");
    empty_staging_directory();
    EXPECT_FALSE(fs::exists("Tessarix/temp/lib-1.0.jar"));
    EXPECT_TRUE(fs::exists("Tessarix/temp/sub/inner.jar"));
    EXPECT_TRUE(fs::exists("Tessarix/app-1.jar"));
}

// The server's runtime version text (before the cut) against the local file's bytes.
struct VersionCase {
    const char *server;
    const char *local; // null: no "jre.version"
    bool current;
};

class RuntimeVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(RuntimeVersion, IsCurrentExactlyWhenTheBytesMatch)
{
    const VersionCase &c = GetParam();
    ScratchDirectory scratch;
    if (c.local)
        write_file("jre.version", c.local);
    LocalRuntimeVersion local = read_local_runtime_version();
    EXPECT_EQ(local.size, c.local ? static_cast<int32_t>(strlen(c.local)) : 0);

    std::string server = c.server;
    cut_at_line_end(server.data());
    uint64_t length = strlen(server.c_str());
    EXPECT_EQ(runtime_is_current(server.c_str(), length, local), c.current)
        << "server '" << c.server << "' local '" << (c.local ? c.local : "(none)") << "'";
    free(local.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuntimeVersion,
    ::testing::Values(
        VersionCase{"11.0.2\r\n", "11.0.2", true}, VersionCase{"11.0.2\r\n", "11.0.2\n", false},
        VersionCase{"11.0.2\r\n", "11.0.2\r\n", false}, VersionCase{"11.0.2", nullptr, false},
        VersionCase{"11.0.2", "11.0.20", false}, VersionCase{"11.0.20", "11.0.2", false},
        VersionCase{"11.0.2", "11.0.3", false}, VersionCase{"17\nsecond line", "17", true},
        VersionCase{"17\n\r", "17", true}, VersionCase{"", nullptr, true},
        VersionCase{"\r\n", "", true}, VersionCase{"", "17", false}));

TEST(Preparation, CutEndsBeforeTheFirstLineEnd)
{
    struct {
        const char *text, *cut;
    } cases[] = {{"abc", "abc"}, {"abc\r\ndef", "abc"}, {"abc\ndef\r", "abc"},
                 {"\nabc", ""},  {"ab\rc\nd", "ab"},    {"", ""}};
    for (const auto &c : cases) {
        std::string text = c.text;
        cut_at_line_end(text.data());
        EXPECT_STREQ(text.c_str(), c.cut) << "input '" << c.text << "'";
    }
}

TEST(Preparation, UrlsAreCutAt258Characters)
{
    // The runtime version URL has the longest fixed part: 36 characters.
#define RUNTIME_VERSION_URL "https://%s/JRE/windows_x64/jre.version"
    char url[260];
    std::string base(222, 'h');
    format_url(url, RUNTIME_VERSION_URL, base.c_str());
    EXPECT_EQ(strlen(url), 258u);
    EXPECT_EQ(std::string(url), "https://" + base + "/JRE/windows_x64/jre.version");

    base.push_back('h');
    format_url(url, RUNTIME_VERSION_URL, base.c_str());
    EXPECT_EQ(strlen(url), 258u) << "cut, not overflowing";
    EXPECT_EQ(std::string(url),
              ("https://" + base + "/JRE/windows_x64/jre.version").substr(0, 258));
}

} // namespace
