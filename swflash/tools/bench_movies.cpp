// Writes the movies that the control's measurements play: swflash_bench_movies DIR
//   slide.swf  a full-screen slide (1280 x 1024: text, shapes and a photo) at 12 fps
//   moving.swf the slide with what stands at depth 1 moved by a pixel in each of 24 frames,
//              so that every frame is drawn afresh
//   large.swf  a movie of about 300 KB (slides and photos)
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "swf/writer.h"
#include "tests/support/swf_samples.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) std::fprintf(stderr, "swflash_bench_movies: cannot write %s\n", path.c_str());
    return bool(out);
}

// The slide, the Stop of its first frame made a Play and its End tag replaced by frames
// that move depth 1 (uncompressed files only).
std::vector<uint8_t> MovingSlide() {
    std::vector<uint8_t> slide = tastora::swf_samples::Slide(false);
    const size_t rectBytes = (5 + 4 * size_t(slide[8] >> 3) + 7) / 8;
    const size_t countAt = 8 + rectBytes + 2;
    for (size_t at = countAt + 2; at + 2 <= slide.size();) {
        const int code = (slide[at] | slide[at + 1] << 8) >> 6;
        size_t length = (slide[at] | slide[at + 1] << 8) & 63, body = at + 2;
        if (length == 63 && body + 4 <= slide.size()) {
            length = slide[body] | slide[body + 1] << 8 | slide[body + 2] << 16 | size_t(slide[body + 3]) << 24;
            body += 4;
        }
        if (code == 12 && length >= 1 && slide[body] == 0x07) slide[body] = 0x06;  // DoAction: Stop -> Play
        if (code == 0 || body + length > slide.size()) break;
        at = body + length;
    }
    tastora::swf::TagList frames;
    const int extra = 23;
    for (int n = 1; n <= extra; ++n) {
        tastora::swf::Placement p;
        p.depth = 1;
        p.move = true;
        p.hasMatrix = true;
        p.matrix.tx = n * 20;
        frames.PlaceObject2(p);
        frames.ShowFrame();
    }
    slide.resize(slide.size() - 2);  // the End tag
    slide.insert(slide.end(), frames.bytes().begin(), frames.bytes().end());
    slide.insert(slide.end(), {0, 0});
    const int count = (slide[countAt] | slide[countAt + 1] << 8) + extra;
    slide[countAt] = uint8_t(count), slide[countAt + 1] = uint8_t(count >> 8);
    const uint32_t size = uint32_t(slide.size());
    for (int i = 0; i < 4; ++i) slide[4 + size_t(i)] = uint8_t(size >> (8 * i));
    return slide;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: swflash_bench_movies DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = Write(dir + "/slide.swf", tastora::swf_samples::Slide(false)) &&
                    Write(dir + "/moving.swf", MovingSlide()) &&
                    Write(dir + "/large.swf", tastora::swf_samples::LargeMovie(300 * 1024));
    return ok ? 0 : 1;
}
