// Writes the SWF test samples and their list samples.txt (name, frame, size) into a
// folder: swf_samples DIR
// (the reference pictures beside them are made by ruffle_render.js);
// or the hostile movies: swf_samples --hostile DIR (scripts/bench-hostile.py), or small
// ones of the same structure, the fuzzer's seeds: swf_samples --seeds fuzz/corpus/swf_reader.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/swf_hostile.h"
#include "tests/support/swf_samples.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) std::fprintf(stderr, "swf_samples: cannot write %s\n", path.c_str());
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && (std::string(argv[1]) == "--hostile" || std::string(argv[1]) == "--seeds")) {
        const bool seeds = std::string(argv[1]) == "--seeds";
        for (const auto& m : tastora::swf_samples::HostileMovies(seeds ? 1000 : 1))
            if ((!seeds || m.bytes.size() <= (32u << 10)) &&  // a fuzzer's seeds stay small
                !Write(std::string(argv[2]) + (seeds ? "/hostile_" : "/") + m.name + ".swf", m.bytes))
                return 1;
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: swf_samples DIR | swf_samples --hostile DIR | swf_samples --seeds DIR\n");
        return 2;
    }
    std::ofstream list(std::string(argv[1]) + "/samples.txt");
    for (const auto& s : tastora::swf_samples::All()) {
        if (!Write(std::string(argv[1]) + "/" + s.name + ".swf", s.bytes)) return 1;
        list << s.name << " " << s.frame << " " << s.width << "x" << s.height << "\n";
    }
    return 0;
}
