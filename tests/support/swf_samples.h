#pragma once
// Small SWF files written with our writer, one per feature of the player, and the frame of
// each that the reference pictures show. tests/data/swf/ holds them with their reference
// PNGs (made by the Ruffle player: tests/swf_reference/).
#include <cstdint>
#include <string>
#include <vector>

namespace tastora::swf_samples {

struct Sample {
    std::string name;            // file name without ".swf"
    std::vector<uint8_t> bytes;  // the SWF file
    int frame = 1;               // the frame the movie stops at (1-based)
    int width = 0, height = 0;   // size of the reference picture in pixels
};

std::vector<Sample> All();

// A full-screen slide (1280 x 1024 stage: text, shapes and a photo), for the benchmarks.
std::vector<uint8_t> Slide(bool compressed);
// A movie of about `bytes` bytes: a slide plus further photos and frames.
std::vector<uint8_t> LargeMovie(size_t bytes);

// Baseline JPEG of straight RGB pixels (libjpeg). tablesOnly / withoutTables give the two
// halves of an abbreviated stream (JPEGTables + DefineBits).
std::vector<uint8_t> Jpeg(int width, int height, const std::vector<uint8_t>& rgb, int quality, bool tablesOnly = false,
                          bool withoutTables = false);

// Reads a PNG file as 32-bit BGRA (alpha 255); false when it cannot be read.
bool ReadPng(const std::string& path, std::vector<uint8_t>& bgra, int& width, int& height);

// Share of the pixels of two BGRA pictures of the same size whose colours differ by more
// than `tolerance` in some channel (1 when the sizes differ).
double OutlierShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance);

}  // namespace tastora::swf_samples
