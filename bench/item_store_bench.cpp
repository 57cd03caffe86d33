// The panel store's lookup the render thread makes every 10 ms while tracks are
// edited ("Clear"), with the item added last, in stores of 100 and 10 000 items:
// the time should not grow with the store.
#include <benchmark/benchmark.h>

#include <string>

#include "app/panel/HtmlItemStore.h"

namespace {

void BM_LookupAmong(benchmark::State& state)
{
    CHtmlItemStore store;
    for (int i = 1; i < int(state.range(0)); ++i)
        store.Update({"Options", "control" + std::to_string(i), std::to_string(i), "0", "rangeSlider"});
    store.Update({"Tracks", "Clear", "Clear", "0", "styledButtonRed"});
    for (auto _ : state)
        benchmark::DoNotOptimize(store.Lookup("Tracks", "Clear"));
}
BENCHMARK(BM_LookupAmong)->Arg(100)->Arg(10000);

} // namespace
