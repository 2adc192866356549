#include "launcher/progress_board.h"
#include "sequence/jar_cache.h"
#include "support/scratch_directory.h"

#include <cstring>
#include <vector>

namespace {

JarEntry entry(uint32_t kind, const char *name, const char *version)
{
    JarEntry e = {};
    e.kind = kind;
    snprintf(e.name, sizeof e.name, "%s", name);
    snprintf(e.version, sizeof e.version, "%s", version);
    return e;
}

bool active(const JarEntry &e)
{
    return e.name[0] && e.version[0];
}

struct JarCacheTest : ::testing::Test {
    ScratchDirectory scratch;
    std::vector<JarEntry> jars;
    std::vector<ProgressSlot> slots;

    void SetUp() override
    {
        fs::create_directories("Tessarix/temp");
    }
    void clean()
    {
        slots = std::vector<ProgressSlot>(jars.size());
        clean_jar_directory("Tessarix", jars.data(), jars.size(), slots.data());
    }
    bool marked_present(size_t i)
    {
        return !active(jars[i]) && slots[i].total == 1 && slots[i].now == 1;
    }
    bool untouched(size_t i)
    {
        return active(jars[i]) && slots[i].total == 0 && slots[i].now == 0;
    }
};

TEST_F(JarCacheTest, StagingWipeDeletesEveryFileButKeepsSubdirectories)
{
    write_file("Tessarix/temp/lib-1.0.jar", "partial");
    write_file("Tessarix/temp/lib-1.0.jar.tmp", "");
    write_file("Tessarix/temp/nested/keep.jar", "x");
    clean_jar_directory("Tessarix\\temp", nullptr, 0, nullptr);
    EXPECT_FALSE(fs::exists("Tessarix/temp/lib-1.0.jar"));
    EXPECT_FALSE(fs::exists("Tessarix/temp/lib-1.0.jar.tmp"));
    EXPECT_TRUE(fs::exists("Tessarix/temp/nested/keep.jar"));
}

TEST_F(JarCacheTest, PresentJarOfTheCurrentVersionStaysAndIsMarked)
{
    write_file("Tessarix/TessarixAPP-5.2.jar", "PK");
    write_file("Tessarix/core-2.0.jar", "PK");
    jars = {entry(1, "TessarixAPP", "5.2"), entry(0, "core", "2.0"), entry(0, "ui", "1.1")};
    clean();
    EXPECT_TRUE(fs::exists("Tessarix/TessarixAPP-5.2.jar"));
    EXPECT_TRUE(fs::exists("Tessarix/core-2.0.jar"));
    EXPECT_TRUE(marked_present(0));
    EXPECT_TRUE(marked_present(1));
    EXPECT_TRUE(untouched(2)) << "a missing jar stays active, to be downloaded";
    EXPECT_EQ(jars[0].kind, 1u);
}

TEST_F(JarCacheTest, StaleEmptyMiscasedAndForeignFilesAreDeleted)
{
    write_file("Tessarix/TessarixAPP-5.2.jar", "PK"); // the server moved on to 5.3
    write_file("Tessarix/core-2.0.jar", "");          // an interrupted write
    write_file("Tessarix/util-1.0.JAR", "PK");        // case differs
    write_file("Tessarix/notes.txt", "hello");
    write_file("Tessarix/util-1.0.jar.tmp", "PK");
    jars = {entry(1, "TessarixAPP", "5.3"), entry(0, "core", "2.0"), entry(0, "util", "1.0")};
    clean();
    for (const char *gone :
         {"TessarixAPP-5.2.jar", "core-2.0.jar", "util-1.0.JAR", "notes.txt", "util-1.0.jar.tmp"})
        EXPECT_FALSE(fs::exists(fs::path("Tessarix") / gone)) << gone;
    for (size_t i = 0; i < jars.size(); i++)
        EXPECT_TRUE(untouched(i)) << "entry " << i;
    EXPECT_TRUE(fs::is_directory("Tessarix/temp")) << "the staging directory is never touched";
}

TEST_F(JarCacheTest, ADuplicateEntryIsMarkedOnlyOnce)
{
    write_file("Tessarix/core-2.0.jar", "PK");
    jars = {entry(1, "TessarixAPP", "1"), entry(0, "core", "2.0"), entry(0, "core", "2.0")};
    clean();
    EXPECT_TRUE(fs::exists("Tessarix/core-2.0.jar"));
    EXPECT_TRUE(marked_present(1));
    EXPECT_TRUE(untouched(2));
}

TEST_F(JarCacheTest, InactiveEntriesClaimNothing)
{
    write_file("Tessarix/core-2.0.jar", "PK");
    write_file("Tessarix/-.jar", "PK");
    jars = {entry(1, "TessarixAPP", ""), entry(0, "core", ""), entry(0, "", "2.0")};
    clean();
    EXPECT_FALSE(fs::exists("Tessarix/core-2.0.jar"));
    EXPECT_FALSE(fs::exists("Tessarix/-.jar"));
}

TEST_F(JarCacheTest, AMissingDirectoryIsLeftAlone)
{
    jars = {entry(1, "TessarixAPP", "1")};
    slots = std::vector<ProgressSlot>(1);
    clean_jar_directory("Nowhere", jars.data(), jars.size(), slots.data());
    EXPECT_TRUE(untouched(0));
    EXPECT_FALSE(fs::exists("Nowhere"));
}

TEST_F(JarCacheTest, NonAsciiNamesMatchByteForByte)
{
    write_file(utf8_path("Tessarix/gr\xc3\xbc\xc3\x9f-1.0.jar"), "PK");
    write_file(utf8_path("Tessarix/\xe6\x97\xa5\xe6\x9c\xac-2.jar"), "PK");
    jars = {entry(1, "TessarixAPP", "1"), entry(0, "gr\xc3\xbc\xc3\x9f", "1.0")};
    clean();
    EXPECT_TRUE(fs::exists(utf8_path("Tessarix/gr\xc3\xbc\xc3\x9f-1.0.jar")));
    EXPECT_TRUE(marked_present(1));
    EXPECT_FALSE(fs::exists(utf8_path("Tessarix/\xe6\x97\xa5\xe6\x9c\xac-2.jar")));
}

} // namespace
