// Throughput of the tokenizer, fed byte by byte as the descriptor reader feeds it, against
// expat parsing the same bytes in one buffer with handlers that do about as little. Both run
// over one generated descriptor of several megabytes in the same process.
#include "expat_reference.h"
#include "sequence/descriptor_reader.h"
#include "xml/xml_tokenizer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A large descriptor: many resources blocks of jar elements with several attributes,
// comments, character and entity references, text, a CDATA section and instructions.
const std::string &descriptor()
{
    static const std::string document = [] {
        std::string d = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!-- generated for the benchmark -->\n"
                        "<jnlp spec=\"1.0+\" codebase=\"https://updates.example/desktop\">\n"
                        "  <information>\n    <title>Bench &amp; Mark</title>\n"
                        "    <vendor>Caf&#233; &lt;Ltd&gt;</vendor>\n  </information>\n";
        for (int block = 0; d.size() < 6 * 1024 * 1024; block++) {
            std::string b = std::to_string(block);
            d += "  <!-- resources block " + b + ": platform specific jars -->\n";
            d += "  <resources os=\"Windows\" arch=\"amd64 x86_64\">\n";
            d += "    <property name=\"jnlp.block." + b + "\" value=\"a &amp; b &#x41;&#66;\"/>\n";
            for (int j = 0; j < 8; j++) {
                std::string n = std::to_string(j);
                d += "    <jar href=\"lib/group" + b + "/component-" + n + ".jar\" version=\"" + b +
                     "." + n + ".0-SNAPSHOT\" main=\"false\" download=\"eager\" size=\"" +
                     std::to_string(100000 + block * 8 + j) + "\"/>\n";
            }
            d += "    <nativelib href='native/win64-" + b + ".jar' version='1.0'/>\n";
            d += "    <description kind=\"short\">Block " + b +
                 " &#x2014; helpers &amp; utilities for the &quot;core&quot; "
                 "module.</description>\n";
            d += "    <![CDATA[ raw <text> & more ]]>\n";
            d += "    <?bench marker " + b + "?>\n";
            d += "  </resources>\n";
        }
        d += "  <application-desc main-class=\"org.example.bench.Main\">\n"
             "    <argument>-Xbench</argument>\n  </application-desc>\n</jnlp>\n";
        return d;
    }();
    return document;
}

void BM_Tokenizer(benchmark::State &state)
{
    const std::string &d = descriptor();
    std::vector<char> stack(d.size() + 1);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(d.data());
    for (auto _ : state) {
        XmlTokenizer t;
        xml_init(&t, stack.data(), stack.size());
        uint64_t events = 0;
        for (size_t i = 0; i < d.size(); i++) {
            int r = xml_feed(&t, bytes[i]);
            if (r < 0) {
                state.SkipWithError("tokenizer refused the document");
                return;
            }
            events += r != XML_OK;
        }
        if (xml_finish(&t) != XML_OK)
            state.SkipWithError("document incomplete");
        benchmark::DoNotOptimize(events);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(d.size()));
}

void BM_Expat(benchmark::State &state)
{
    const std::string &d = descriptor();
    for (auto _ : state) {
        uint64_t events = 0;
        if (!expat_parse(d.data(), d.size(), &events))
            state.SkipWithError("expat refused the document");
        benchmark::DoNotOptimize(events);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(d.size()));
}

// The whole reader: tokenizer, name comparisons, value copies and the jar list.
void BM_ReadDescriptor(benchmark::State &state)
{
    const std::string &d = descriptor();
    for (auto _ : state) {
        JnlpDescriptor out;
        const char *failure = nullptr;
        if (!read_descriptor(d.data(), d.size(), "1.0", &out, &failure)) {
            state.SkipWithError(failure);
            return;
        }
        benchmark::DoNotOptimize(out.jar_count);
        std::free(out.jars);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(d.size()));
}

BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Expat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDescriptor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
