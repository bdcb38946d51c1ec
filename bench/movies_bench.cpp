// The course movies with the control's renderer: every frame of every movie in the build's
// data folder drawn at 1280 x 1024 (the goal: at most 8 ms a frame), the slowest frame of
// each movie (its best time over the runs), and the file sizes (at most 300 KB each, 3 MB together).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "swf/player.h"

namespace {

constexpr int kWidth = 1280, kHeight = 1024;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RenderAllFrames(benchmark::State& state, const std::string& path) {
    const std::string bytes = ReadAll(path);
    auto movie = tastora::swf::ParseMovie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!movie) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    tastora::swf::Player player(movie);
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    const int frames = player.FrameCount();
    // Each frame's best time over the iterations (the machine may be busy), and the
    // slowest of those.
    std::vector<double> best(size_t(frames) + 1, 1e9);
    for (auto _ : state) {
        for (int f = 1; f <= frames; ++f) {
            player.GotoFrame(f);
            const auto t0 = std::chrono::steady_clock::now();
            player.Render(pixels.data(), kWidth, kHeight, kWidth * 4, true);
            best[size_t(f)] =
                std::min(best[size_t(f)],
                         std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    double slowest = 0;
    for (int f = 1; f <= frames; ++f) slowest = std::max(slowest, best[size_t(f)]);
    state.counters["frames"] = frames;
    state.counters["ms_per_frame"] = benchmark::Counter(
        double(frames) / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["slowest_ms"] = slowest;
    state.counters["KB"] = double(bytes.size()) / 1024.0;
}

int Register() {
    const std::string data = TASTORA_DATA_DIR;
    for (const char* folder : {"carti", "prezentari"}) {
        for (int n = 1; n <= (folder[0] == 'c' ? 16 : 6); ++n) {
            const std::string path = data + "/pictures/" + folder + "/" + std::to_string(n) + ".swf";
            benchmark::RegisterBenchmark(("Movie/" + std::string(folder) + "/" + std::to_string(n)).c_str(),
                                         [path](benchmark::State& s) { RenderAllFrames(s, path); })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(2.0);
        }
    }
    return 0;
}

const int kRegistered = Register();

}  // namespace
