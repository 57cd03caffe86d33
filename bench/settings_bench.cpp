// Reading the editor's language settings: a keyword group, a block list and one
// escaped value of n elements each. The time should grow with n: compare n = 10 000
// with n = 100 000 (the medians of --benchmark_repetitions).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "editor/editctrl/LanguageSettings.h"
#include "editor/editctrl/SettingsText.h"

namespace {

std::string Keywords(int n)
{
    std::string s = "<COLOR_DATA><KEYWORDS><Color>\"blue\"</Color>";
    for (int i = 0; i < n; ++i)
        s += "<Keyword>word" + std::to_string(i) + "</Keyword>";
    return s + "</KEYWORDS></COLOR_DATA>";
}

std::string Blocks(int n)
{
    std::string s = "<COLOR_DATA><BLOCKS>";
    for (int i = 0; i < n; ++i)
        s += "<BLOCK><Start>" + std::to_string(i % 10000) + "</Start><End>--</End><Color>FF0000</Color></BLOCK>";
    return s + "</BLOCKS></COLOR_DATA>";
}

std::string Escapes(int n)
{
    std::string s = "<OPTIONS><WordDelimeters>\"";
    for (int i = 0; i < n; ++i)
        s += "\\n";
    return s + "\"</WordDelimeters></OPTIONS>";
}

void Parse(benchmark::State& state, const std::string& text)
{
    size_t entries = 0;
    for (auto _ : state) {
        CLanguageSettings settings;
        settings.ParseSettings(text);
        entries = settings.m_mapKeywords.size() + settings.m_lstBlocks.size() + settings.m_strWordDelimiters.size();
    }
    state.counters["entries"] = double(entries);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_SettingsKeywords(benchmark::State& state) { Parse(state, Keywords(int(state.range(0)))); }
BENCHMARK(BM_SettingsKeywords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SettingsBlocks(benchmark::State& state) { Parse(state, Blocks(int(state.range(0)))); }
BENCHMARK(BM_SettingsBlocks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SettingsEscapes(benchmark::State& state) { Parse(state, Escapes(int(state.range(0)))); }
BENCHMARK(BM_SettingsEscapes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The element reader alone, without the keyword table's own growth.
void BM_SettingsReadElements(benchmark::State& state)
{
    const std::string text = Keywords(int(state.range(0)));
    size_t count = 0;
    for (auto _ : state) {
        XmlElementReader reader(text, "Keyword", false);
        std::string word;
        count = 0;
        while (reader.Next(word))
            ++count;
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(BM_SettingsReadElements)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Loading a settings file of about n MiB of keywords, one element a line, as each
// editor does when it opens (three times at F11). peak_MiB is how far the load
// raised the process's peak memory (run one size per process for a clean figure).
void BM_SettingsLoadBigFile(benchmark::State& state)
{
    const std::string path = "/tmp/qm_settings_bench_" + std::to_string(getpid()) + ".xml";
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot write the file");
            return;
        }
        std::fputs("<COLOR_DATA><KEYWORDS><Color>\"blue\"</Color>\n", f);
        const long target = long(state.range(0)) << 20;
        for (long i = 0; std::ftell(f) < target; ++i)
            std::fprintf(f, "<Keyword>word%ld</Keyword>\n", i);
        std::fputs("</KEYWORDS></COLOR_DATA>\n", f);
        std::fclose(f);
    }
    auto peakKiB = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return double(u.ru_maxrss);
    };
    const double before = peakKiB();
    size_t keywords = 0;
    for (auto _ : state) {
        CLanguageSettings settings;
        settings.LoadSettings(path);
        keywords = settings.m_mapKeywords.size();
    }
    state.counters["keywords"] = double(keywords);
    state.counters["peak_MiB"] = (peakKiB() - before) / 1024.0;
    std::remove(path.c_str());
}
BENCHMARK(BM_SettingsLoadBigFile)->Arg(3)->Arg(76)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
