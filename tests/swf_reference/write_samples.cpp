// Writes the SWF test samples and their list samples.txt (name, frame, size) into a
// folder: swf_samples DIR
// (the reference pictures beside them are made by ruffle_render.js).
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/swf_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: swf_samples DIR\n");
        return 2;
    }
    std::ofstream list(std::string(argv[1]) + "/samples.txt");
    for (const auto& s : tastora::swf_samples::All()) {
        std::string path = std::string(argv[1]) + "/" + s.name + ".swf";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(s.bytes.data()), std::streamsize(s.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "swf_samples: cannot write %s\n", path.c_str());
            return 1;
        }
        list << s.name << " " << s.frame << " " << s.width << "x" << s.height << "\n";
    }
    return 0;
}
