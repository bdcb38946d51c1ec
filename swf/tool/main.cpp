// tastora_swf: looks into SWF files and renders their frames.
//   tastora_swf info FILE
//   tastora_swf render FILE --frame N --size WxH OUT.png
//   tastora_swf measure FILE --frames N --size WxH
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <png.h>
#include <sys/resource.h>

#include "swf/movie.h"
#include "swf/player.h"

using namespace tastora::swf;

namespace {

int Usage() {
    std::cerr << "usage: tastora_swf info FILE\n"
                 "       tastora_swf render FILE --frame N --size WxH OUT.png\n"
                 "       tastora_swf measure FILE --frames N --size WxH\n";
    return 2;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::shared_ptr<const Movie> Load(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes)) {
        std::cerr << "tastora_swf: cannot read " << path << "\n";
        return nullptr;
    }
    std::string problem;
    auto movie = ParseMovie(bytes.data(), bytes.size(), &problem);
    if (!movie) std::cerr << "tastora_swf: " << path << ": " << problem << "\n";
    return movie;
}

int Info(const std::string& path) {
    auto movie = Load(path);
    if (!movie) return 1;
    const Movie& m = *movie;
    std::printf("signature: %s\n", m.compressed ? "CWS" : "FWS");
    std::printf("version: %d\n", m.version);
    std::printf("file length: %u\n", m.fileLength);
    std::printf("stage: %g x %g px (twips %d..%d, %d..%d)\n", double(m.stage.width) / 20, double(m.stage.height) / 20,
                m.stage.left, m.stage.Right(), m.stage.top, m.stage.Bottom());
    std::printf("frame rate: %g\n", m.frameRate);
    std::printf("frame count: %d (header), %zu (read)\n", m.headerFrameCount, m.timeline.frames.size());
    std::printf("background: #%02X%02X%02X\n", m.background.r, m.background.g, m.background.b);
    std::printf("tags: %zu\n", m.tags.size());
    for (const TagInfo& t : m.tags)
        std::printf("%s%-28s code %3u  offset %8u  length %8u%s\n", t.sprite >= 0 ? "    " : "",
                    TagName(t.code).c_str(), t.code, t.offset, t.length,
                    TagUseOf(t.code) == TagUse::NotDrawn ? "  not drawn (skipped)" : "");
    for (const std::string& p : m.problems) std::printf("problem: %s\n", p.c_str());
    return 0;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& bgra, int w, int h) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_BGR;
    // Drop the alpha byte (always 255) so that the file is plain RGB.
    std::vector<uint8_t> bgr(size_t(w) * h * 3);
    for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
        bgr[j] = bgra[i];
        bgr[j + 1] = bgra[i + 1];
        bgr[j + 2] = bgra[i + 2];
    }
    return png_image_write_to_file(&image, path.c_str(), 0, bgr.data(), w * 3, nullptr) != 0;
}

// The CPU time of the process so far, user and system, in milliseconds.
double CpuMs() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// What a control does with the file: read it and show its first frame (the load), then
// N ticks each with the frame drawn. Prints the CPU time of the load, of the slowest
// frame and the peak memory of the process.
int Measure(const std::string& file, int frames, int w, int h) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(file, bytes)) return 1;
    std::vector<uint8_t> pixels(size_t(w) * h * 4);
    double start = CpuMs();
    auto player = std::make_unique<Player>(ParseMovie(bytes.data(), bytes.size()));
    player->Render(pixels.data(), w, h, w * 4);
    const double load = CpuMs() - start;
    double worst = 0;
    for (int i = 0; i < frames; ++i) {
        start = CpuMs();
        player->Tick();
        player->Render(pixels.data(), w, h, w * 4);
        worst = std::max(worst, CpuMs() - start);
    }
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    std::printf("load_ms %.1f\nframe_ms %.1f\npeak_mb %.1f\n", load, worst, u.ru_maxrss / 1024.0);
    return 0;
}

int Render(int argc, char** argv) {
    std::string file, out;
    int frame = 1, w = 0, h = 0, frames = -1;
    const bool measure = std::strcmp(argv[1], "measure") == 0;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (measure && a == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (a == "--frame" && i + 1 < argc) {
            frame = std::atoi(argv[++i]);
        } else if (a == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2) return Usage();
        } else if (file.empty()) {
            file = a;
        } else if (out.empty() && !measure) {
            out = a;
        } else {
            return Usage();
        }
    }
    if (file.empty() || (out.empty() && !measure) || (measure && frames < 0) || frame < 1 || w <= 0 || h <= 0 ||
        w > 16384 || h > 16384 || size_t(w) * h > (size_t(64) << 20))
        return Usage();
    if (measure) return Measure(file, frames, w, h);
    auto movie = Load(file);
    if (!movie) return 1;
    Player player(movie);
    // Frame N is what the player shows after N - 1 ticks from the start.
    for (int i = 1; i < frame; ++i) player.Tick();
    std::vector<uint8_t> pixels(size_t(w) * h * 4);
    player.Render(pixels.data(), w, h, w * 4);
    if (!WritePng(out, pixels, w, h)) {
        std::cerr << "tastora_swf: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "info") == 0 && argc == 3) return Info(argv[2]);
    if (argc >= 2 && (std::strcmp(argv[1], "render") == 0 || std::strcmp(argv[1], "measure") == 0))
        return Render(argc, argv);
    return Usage();
}
