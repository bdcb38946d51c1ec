#pragma once
// Hostile SWF movies, written when asked for (the largest inflate to 64 MB): nesting, counts
// and sizes that would crash, hang or swell the player without its limits. Each draws a red
// stage first (depth 1, frame 1), which must still show however the rest is cut.
#include <cstdint>
#include <string>
#include <vector>

namespace tastora::swf_samples {

struct HostileMovie {
    std::string name;            // file name without ".swf"
    std::vector<uint8_t> bytes;  // the SWF file, at most 1 MB
};

// divisor: every count divided by it (at least 1): small movies of the same structure, the
// fuzzer's seeds (fuzz/corpus/swf_reader/hostile_*.swf, written by swf_samples --seeds).
std::vector<HostileMovie> HostileMovies(int divisor = 1);

// A progressive JPEG header of width x height (an 8 x 8 picture with its size changed),
// its scans (which never come) padded to `bytes`: a decoder that starts on it first
// gathers every coefficient of the picture.
std::vector<uint8_t> ProgressiveJpeg(int width, int height, size_t bytes);

}  // namespace tastora::swf_samples
