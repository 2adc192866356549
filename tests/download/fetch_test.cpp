#include "download/fetch.h"
#include "launcher/progress_board.h"
#include "support/scratch_directory.h"
#include "support/test_servers.h"

#include <cstdlib>
#include <cstring>
#include <regex>
#include <thread>

namespace {

// The fault server's and nginx's content: byte i of a body is i*7 mod 251.
std::string pattern(size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; i++)
        bytes[i] = static_cast<char>((i * 7) % 251);
    return bytes;
}

unsigned char *const untouched_data = reinterpret_cast<unsigned char *>(0x1234);
constexpr uint64_t untouched_size = 0xdeadbeef;

class FetchTest : public ::testing::Test {
  protected:
    ScratchDirectory scratch;
    std::string nginx = test_environment("TESSARIX_TEST_NGINX");
    std::string fault = test_environment("TESSARIX_TEST_FAULT");
    fs::path www = server_side_path("TESSARIX_TEST_NGINX_ROOT");

    void SetUp() override
    {
        error_presenter = ShownMessages::record;
        ShownMessages::take();
        fetch_stall_timeout_ms = 60000;
        ASSERT_TRUE(download_init());
    }
    void TearDown() override
    {
        download_cleanup();
    }
    // Publishes a file on nginx and gives its URL.
    std::string publish(const std::string &name, const std::string &contents)
    {
        write_file(www / name, contents);
        return nginx + "/" + name;
    }
    static void expect_one_failure_message(const std::string &url)
    {
        std::vector<std::string> shown = ShownMessages::take();
        ASSERT_EQ(shown.size(), 1u) << "for " << url;
        EXPECT_EQ(shown[0], "Failed to download: " + url);
    }
};

TEST_F(FetchTest, MemoryBodiesAreExactAndTerminatedOnRequest)
{
    for (size_t n : {size_t(1), size_t(4096), size_t(300001)}) {
        std::string url = publish("body-" + std::to_string(n), pattern(n));
        for (bool terminate : {false, true}) {
            unsigned char *data = nullptr;
            uint64_t size = 0;
            ASSERT_TRUE(fetch_to_memory(&data, &size, url.c_str(), nullptr, terminate)) << url;
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(size, n + (terminate ? 1 : 0));
            EXPECT_EQ(std::string(reinterpret_cast<char *>(data), n), pattern(n));
            if (terminate) {
                EXPECT_EQ(data[n], 0);
            }
            free(data);
        }
    }
    EXPECT_TRUE(ShownMessages::take().empty());
}

TEST_F(FetchTest, AnEmptyBodyGivesNoBlockEvenWithATerminator)
{
    std::string url = publish("empty", "");
    for (bool terminate : {false, true}) {
        unsigned char *data = untouched_data;
        uint64_t size = untouched_size;
        ASSERT_TRUE(fetch_to_memory(&data, &size, url.c_str(), nullptr, terminate));
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
    }
    EXPECT_TRUE(ShownMessages::take().empty());
}

TEST_F(FetchTest, ProgressReportsExpectedAndReceivedBytes)
{
    ProgressSlot slot{};
    std::string url = publish("progress", pattern(250000));
    unsigned char *data = nullptr;
    uint64_t size = 0;
    ASSERT_TRUE(fetch_to_memory(&data, &size, url.c_str(), &slot, false));
    free(data);
    EXPECT_EQ(slot.total.load(), 250000u);
    EXPECT_EQ(slot.now.load(), 250000u);

    // Without a stated length the total stays 0: such a jar never counts as finished.
    ProgressSlot chunked{};
    std::string chunked_url = fault + "/chunked/5000";
    ASSERT_TRUE(fetch_to_memory(&data, &size, chunked_url.c_str(), &chunked, false));
    free(data);
    EXPECT_EQ(size, 5000u);
    EXPECT_EQ(chunked.total.load(), 0u);
    EXPECT_EQ(chunked.now.load(), 5000u);
}

// A reply that is no success, and whether any of its body reached the client.
struct FaultCase {
    const char *path; // on the fault server, or "untrusted" / "wrong-host" / "refused"
    bool body_received;
};

class FetchFaults : public FetchTest, public ::testing::WithParamInterface<FaultCase> {
  protected:
    std::string url_of(const FaultCase &c)
    {
        std::string path = c.path;
        if (path == "untrusted")
            return test_environment("TESSARIX_TEST_UNTRUSTED") + "/file";
        if (path == "wrong-host")
            return test_environment("TESSARIX_TEST_WRONG_HOST") + "/file";
        if (path == "refused")
            return "https://localhost:1/file"; // nothing listens on port 1
        return fault + path;
    }
};

TEST_P(FetchFaults, FailWithTheMessageAndHandBackNothing)
{
    const FaultCase &c = GetParam();
    fetch_stall_timeout_ms = 1500;
    std::string url = url_of(c);

    unsigned char *data = untouched_data;
    uint64_t size = untouched_size;
    EXPECT_FALSE(fetch_to_memory(&data, &size, url.c_str(), nullptr, true)) << url;
    expect_one_failure_message(url);
    if (c.body_received) {
        // The partial body was freed; the caller's variables were left alone.
        EXPECT_EQ(data, untouched_data);
        EXPECT_EQ(size, untouched_size);
    } else {
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
    }

    // Buffered to a file: nothing written at all.
    EXPECT_FALSE(fetch_to_file("doc.bin", url.c_str(), nullptr, true));
    expect_one_failure_message(url);
    EXPECT_FALSE(fs::exists("doc.bin"));
    EXPECT_FALSE(fs::exists("doc.bin.tmp"));

    // Streamed to a file: the partial file stays for the caller to remove.
    EXPECT_FALSE(fetch_to_file("stream.bin", url.c_str(), nullptr, false));
    expect_one_failure_message(url);
    EXPECT_TRUE(fs::exists("stream.bin"));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FetchFaults,
    ::testing::Values(FaultCase{"/status/404/jar", true}, FaultCase{"/status/500/jar", true},
                      FaultCase{"/status/302/bytes/5", true}, FaultCase{"/status/204", false},
                      FaultCase{"/status/304", false}, FaultCase{"/status/206/bytes/9", true},
                      FaultCase{"/short/2000", true}, FaultCase{"/reset/200000", true},
                      FaultCase{"/drop/", false}, FaultCase{"/stall/4000", true},
                      FaultCase{"/stall-headers/", false}, FaultCase{"untrusted", false},
                      FaultCase{"wrong-host", false}, FaultCase{"refused", false}));

TEST_F(FetchTest, StreamedAndBufferedFilesHoldTheBody)
{
    std::string url = publish("runtime.zip", pattern(700000));
    ProgressSlot slot{};
    ASSERT_TRUE(fetch_to_file("streamed.zip", url.c_str(), &slot, false));
    EXPECT_EQ(read_file("streamed.zip"), pattern(700000));
    EXPECT_EQ(slot.now.load(), 700000u);

    ASSERT_TRUE(fetch_to_file("buffered.jar", url.c_str(), nullptr, true));
    EXPECT_EQ(read_file("buffered.jar"), pattern(700000));
    EXPECT_FALSE(fs::exists("buffered.jar.tmp"));

    std::string empty = publish("empty.jar", "");
    ASSERT_TRUE(fetch_to_file("empty-streamed", empty.c_str(), nullptr, false));
    ASSERT_TRUE(fetch_to_file("empty-buffered", empty.c_str(), nullptr, true));
    EXPECT_TRUE(fs::exists("empty-streamed"));
    EXPECT_EQ(fs::file_size("empty-streamed"), 0u);
    EXPECT_TRUE(fs::exists("empty-buffered"));
    EXPECT_EQ(fs::file_size("empty-buffered"), 0u);

    const char *name = "gr\xc3\xbc\xc3\x9f-\xe6\x97\xa5.jar";
    ASSERT_TRUE(fetch_to_file(name, url.c_str(), nullptr, true));
    EXPECT_EQ(read_file(utf8_path(name)), pattern(700000));
    EXPECT_TRUE(ShownMessages::take().empty());
}

TEST_F(FetchTest, BufferedFetchNeverReplacesAnExistingFile)
{
    std::string url = publish("new.jar", "new contents");
    write_file("app.jar", "old contents");
    EXPECT_TRUE(fetch_to_file("app.jar", url.c_str(), nullptr, true));
    EXPECT_EQ(read_file("app.jar"), "old contents");
    EXPECT_EQ(read_file("app.jar.tmp"), "new contents");
}

TEST_F(FetchTest, AFileThatCannotBeCreatedFailsWithoutAMessage)
{
    std::string url = publish("lib.jar", "contents");
    EXPECT_FALSE(fetch_to_file("missing/dir/lib.jar", url.c_str(), nullptr, true));
    EXPECT_FALSE(fetch_to_file("missing/dir/lib.jar", url.c_str(), nullptr, false));
    EXPECT_TRUE(ShownMessages::take().empty());
    EXPECT_FALSE(fs::exists("missing"));
}

// nginx's access log: which connection served each request whose path has the prefix.
std::vector<std::pair<int, std::string>> served_requests(const fs::path &log,
                                                         const std::string &prefix)
{
    std::vector<std::pair<int, std::string>> requests;
    std::regex line(R"(conn=(\d+) reqs=\d+ status=\d+ bytes=\d+ request="GET ([^ ]+) )");
    std::istringstream in(read_file(log));
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        if (std::regex_search(text, match, line) && match[2].str().rfind(prefix, 0) == 0)
            requests.emplace_back(std::stoi(match[1]), match[2]);
    }
    return requests;
}

TEST_F(FetchTest, OneThreadsTransfersShareOneConnection)
{
    std::vector<std::string> urls = {publish("reuse/app.version", "5.3\n"),
                                     publish("reuse/jre.version", "17.0.2\r\n"),
                                     publish("reuse/mirvo.jnlp", "<jnlp/>")};
    for (const std::string &url : urls) {
        unsigned char *data = nullptr;
        uint64_t size = 0;
        ASSERT_TRUE(fetch_to_memory(&data, &size, url.c_str(), nullptr, true));
        free(data);
    }
    fs::path log = server_side_path("TESSARIX_TEST_NGINX_LOG");
    std::vector<std::pair<int, std::string>> requests;
    for (int i = 0; i < 200 && requests.size() < 3; i++) {
        platform_sleep_ms(10); // nginx writes the line just after the response
        requests = served_requests(log, "/reuse/");
    }
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].second, "/reuse/app.version");
    EXPECT_EQ(requests[2].second, "/reuse/mirvo.jnlp");
    EXPECT_EQ(requests[0].first, requests[1].first) << "second fetch made a new connection";
    EXPECT_EQ(requests[0].first, requests[2].first) << "third fetch made a new connection";
}

TEST_F(FetchTest, ATransferThatStallsIsGivenUp)
{
    fetch_stall_timeout_ms = 1000;
    std::string url = fault + "/stall/100000";
    uint64_t started = platform_counter_now();
    unsigned char *data = nullptr;
    uint64_t size = 0;
    EXPECT_FALSE(fetch_to_memory(&data, &size, url.c_str(), nullptr, false));
    double seconds =
        double(platform_counter_now() - started) / double(platform_counter_frequency());
    EXPECT_GE(seconds, 1.0) << "given up before the stall time";
    expect_one_failure_message(url);
}

TEST_F(FetchTest, CleanupStopsRunningTransfersSilently)
{
    std::atomic<int> results{0};
    std::atomic<bool> succeeded{false};
    std::vector<std::thread> transfers;
    // Two transfers waiting for an answer that never comes, and one in the middle of a body.
    for (const char *path : {"/stall-headers/", "/stall-headers/", "/stall/100000"}) {
        std::string url = fault + path;
        transfers.emplace_back([url, &results, &succeeded] {
            unsigned char *data = nullptr;
            uint64_t size = 0;
            if (fetch_to_memory(&data, &size, url.c_str(), nullptr, false))
                succeeded = true;
            results++;
        });
    }
    platform_sleep_ms(500);
    download_cleanup();
    EXPECT_EQ(results.load(), 3) << "cleanup returned while transfers still ran";
    for (std::thread &t : transfers)
        t.join();
    EXPECT_FALSE(succeeded.load());
    EXPECT_TRUE(ShownMessages::take().empty()) << "a stopped transfer is no failure to report";

    // After the release nothing starts.
    std::string url = publish("late", "x");
    unsigned char *data = nullptr;
    uint64_t size = 0;
    EXPECT_FALSE(fetch_to_memory(&data, &size, url.c_str(), nullptr, false));
    EXPECT_TRUE(ShownMessages::take().empty());
    ASSERT_TRUE(download_init()); // for TearDown
}

} // namespace
