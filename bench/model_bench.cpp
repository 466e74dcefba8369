// Parse, rewriteLyrics and toText on generated selections of 100, 10,000 and 100,000 notes.

#include "driver/rewrite_lyrics.h"
#include "platform/platform.h"
#include "settings/setting_data.h"
#include "utauio/inout_data.h"

#include <benchmark/benchmark.h>

#include <optional>

namespace {

std::string selection(int64_t notes) {
    return platform::readWhole(SELECTION_DIR "/selection-" + std::to_string(notes) + ".tmp");
}

std::vector<std::string> shippedVowels() { return SettingData(SETTINGS_FILE).entries.at("vowels"); }

void parse(benchmark::State &state) {
    const std::string text = selection(state.range(0));
    std::optional<InoutData> data;
    for (auto _ : state) {
        data.emplace();
        data->parse(text);
        // The plug-in never frees its model, so freeing is left out of the time.
        state.PauseTiming();
        data.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void rewrite(benchmark::State &state) {
    const std::string text = selection(state.range(0));
    const std::vector<std::string> vowels = shippedVowels();
    std::optional<InoutData> data;
    for (auto _ : state) {
        // A pass changes the lyrics, so each pass gets a freshly parsed model.
        state.PauseTiming();
        data.reset();
        data.emplace();
        data->parse(text);
        state.ResumeTiming();
        apply(rewriteLyrics(data->notes, vowels, *data->prev, true));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void toText(benchmark::State &state) {
    InoutData data;
    data.parse(selection(state.range(0)));
    apply(rewriteLyrics(data.notes, shippedVowels(), *data.prev, true));
    size_t written = 0;
    for (auto _ : state) {
        std::string text = data.toText();
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(written));
}

BENCHMARK(parse)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
// Each timed pass waits on an untimed parse, so less timed time is asked for.
BENCHMARK(rewrite)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->MinTime(0.05);
BENCHMARK(toText)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
