// Language settings and outline parsing on generated Lua files of 1 000, 10 000
// and 100 000 lines: reading the shipped settings, parsing the whole outline,
// and one typed character in the middle (reparse after an insertion and after
// its deletion).
#include "editor/editctrl/LanguageSettings.h"
#include "editor/editctrl/Outlining.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

class BenchOutline : public COutlining {
public:
    std::string text;

protected:
    std::string_view OutlineText() const override { return text; }
};

std::string ShippedSettings()
{
    std::ifstream in(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Four lines per table: a string, a nested table, a comment.
std::string LuaText(int lines)
{
    std::string text;
    for (int i = 0; i < lines / 4; ++i)
        text += "local t" + std::to_string(i) + " = {\n  name = \"x{\", list = { 1, 2 },\n  -- note }\n}\n";
    return text;
}

void Prepare(BenchOutline& o, CLanguageSettings& s, int lines)
{
    o.CreateOutlineParser();
    o.m_bOutlining = o.m_bOutlineParse = o.m_bOutliningStarted = true;
    s.SetOutlining(&o);
    s.ParseSettings(ShippedSettings());
    o.text = LuaText(lines);
}

void BM_ParseShippedSettings(benchmark::State& state)
{
    const std::string text = ShippedSettings();
    BenchOutline o;
    o.CreateOutlineParser();
    CLanguageSettings s;
    s.SetOutlining(&o);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.ParseSettings(text));
}
BENCHMARK(BM_ParseShippedSettings);

void BM_OutlineWholeText(benchmark::State& state)
{
    BenchOutline o;
    CLanguageSettings s;
    Prepare(o, s, int(state.range(0)));
    for (auto _ : state) {
        o.DeleteAllRegions();
        o.ReparseOutlineRange(-1, -1);
    }
    state.counters["regions"] = double(o.m_OutlineRoot.Children().size());
}
BENCHMARK(BM_OutlineWholeText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_OutlineTypeInMiddle(benchmark::State& state)
{
    BenchOutline o;
    CLanguageSettings s;
    Prepare(o, s, int(state.range(0)));
    o.ReparseOutlineRange(-1, -1);
    const int at = int(o.text.find("name", o.text.size() / 2));
    for (auto _ : state) {
        o.text.insert(size_t(at), "x");
        o.OnOutlineTextInserted(at, at + 1);
        o.ReparseOutline(at, 1);
        o.OnOutlineTextDeleted(at, at + 1);
        o.text.erase(size_t(at), 1);
        o.ReparseOutline(at, 0);
    }
}
BENCHMARK(BM_OutlineTypeInMiddle)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
