// The home-key table data\home.txt.
#include <cstdlib>
#include <string>

#include "results/home_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tastora;
    HomeTable home;
    ParseHomeTable(std::string(reinterpret_cast<const char*>(data), size), home);
    for (int k : home)
        if (k < 0 || k > kKeyCount) abort();
    return 0;
}
