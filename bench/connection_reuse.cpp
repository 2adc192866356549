// What sharing a connection between the launch's three small fetches saves: launches of the
// first step of the launch sequence (application version, runtime version, descriptor, one
// after another on one thread) against a server that delays every response, with and
// without the sharing. Reports TLS handshakes and wall time per launch.
//
// Run inside the test servers (bench/connection_reuse.sh does):
//   https_fixture.py --ca-dir CA --fault-root DIR --fault-log LOG -- connection_reuse [LAUNCHES]
//   [DELAY_MS]
#include "download/fetch.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string environment(const char *name)
{
    const char *value = getenv(name);
    if (!value) {
        fprintf(stderr, "%s is not set: run inside tests/fixtures/https_fixture.py\n", name);
        exit(2);
    }
    return value;
}

int handshakes_logged(const std::string &log)
{
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.rfind("handshake ", 0) == 0 && line.find("result=ok") != std::string::npos;
    return count;
}

double seconds_since(uint64_t start)
{
    return double(platform_counter_now() - start) / double(platform_counter_frequency());
}

// One launch's fetches; false if any failed.
bool launch(const std::string &base)
{
    if (!download_init())
        return false;
    bool fetched = true;
    for (const char *document :
         {"APP/app.version", "JRE/windows_x64/jre.version", "webstart/mirvo.jnlp"}) {
        std::string url = base + "/" + document;
        unsigned char *data = nullptr;
        uint64_t size = 0;
        fetched = fetch_to_memory(&data, &size, url.c_str(), nullptr, true) && fetched;
        free(data);
    }
    download_cleanup();
    return fetched;
}

} // namespace

int main(int argc, char **argv)
{
    int launches = argc > 1 ? atoi(argv[1]) : 20;
    int delay_ms = argc > 2 ? atoi(argv[2]) : 50;
    std::string root = environment("TESSARIX_TEST_FAULT_ROOT");
    std::string log = environment("TESSARIX_TEST_FAULT_LOG");
    std::string base =
        environment("TESSARIX_TEST_FAULT") + "/delay/" + std::to_string(delay_ms) + "/docs";
    for (const char *document :
         {"APP/app.version", "JRE/windows_x64/jre.version", "webstart/mirvo.jnlp"}) {
        std::filesystem::path path = std::filesystem::path(root) / document;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "17.0.2\r\n";
    }

    printf("%d launches of three fetches each, every response delayed by %d ms\n", launches,
           delay_ms);
    printf("%-22s %18s %16s %16s\n", "", "handshakes/launch", "median ms", "mean ms");
    for (bool reuse : {false, true}) {
        fetch_reuse_connections = reuse;
        int before = handshakes_logged(log);
        std::vector<double> times;
        for (int i = 0; i < launches; i++) {
            uint64_t start = platform_counter_now();
            if (!launch(base)) {
                fprintf(stderr, "a fetch failed\n");
                return 1;
            }
            times.push_back(seconds_since(start) * 1000.0);
        }
        platform_sleep_ms(200); // the server logs a handshake as it completes
        double handshakes = double(handshakes_logged(log) - before) / launches;
        std::sort(times.begin(), times.end());
        double mean = 0;
        for (double t : times)
            mean += t / times.size();
        printf("%-22s %18.2f %16.1f %16.1f\n", reuse ? "connection shared" : "connection per fetch",
               handshakes, times[times.size() / 2], mean);
    }
    return 0;
}
