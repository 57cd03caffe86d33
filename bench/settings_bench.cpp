// Reading the editor's language settings: a keyword group, a block list and one
// escaped value of n elements each. The time should grow with n: compare n = 10 000
// with n = 100 000 (the medians of --benchmark_repetitions).
#include <benchmark/benchmark.h>

#include <string>

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

} // namespace
