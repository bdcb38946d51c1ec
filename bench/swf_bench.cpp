// The SWF player's speed targets: one frame of a full-screen slide (text, shapes, a
// photo) at 1280 x 1024 in at most 8 ms, and a 300 KB movie from its bytes to its first
// frame drawn in at most 30 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "swf/player.h"
#include "tests/support/swf_samples.h"

using namespace tastora::swf;

namespace {

void RenderSlide(benchmark::State& state) {
    auto bytes = tastora::swf_samples::Slide(true);
    Player player(ParseMovie(bytes.data(), bytes.size()));
    std::vector<uint8_t> pixels(1280 * 1024 * 4);
    for (auto _ : state) {
        player.Render(pixels.data(), 1280, 1024, 1280 * 4);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["target_ms"] = 8;
}
BENCHMARK(RenderSlide)->Unit(benchmark::kMillisecond);

void LoadMovieToFirstFrame(benchmark::State& state) {
    auto bytes = tastora::swf_samples::LargeMovie(300 * 1024);
    std::vector<uint8_t> pixels(1280 * 1024 * 4);
    for (auto _ : state) {
        Player player(ParseMovie(bytes.data(), bytes.size()));
        player.Render(pixels.data(), 1280, 1024, 1280 * 4);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["bytes"] = double(bytes.size());
    state.counters["target_ms"] = 30;
}
BENCHMARK(LoadMovieToFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace
