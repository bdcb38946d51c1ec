// Reals in the regional format (nivel, speeds): any text read with either separator, and
// any finite double written and read back.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/regional.h"

namespace {

void RoundTrip(double v, char sep) {
    double back = 0;
    if (!std::isfinite(v)) return;
    if (!tastora::ParseReal(tastora::FormatReal(v, sep), sep, back)) abort();
    const double tolerance = std::fmax(std::fabs(v) * 1e-14, std::numeric_limits<double>::denorm_min() * 4);
    if (!(std::fabs(back - v) <= tolerance)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char sep : {',', '.'}) {
        double v = 0;
        if (tastora::ParseReal(text, sep, v)) RoundTrip(v, sep);
    }
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        RoundTrip(raw, ',');
    }
    return 0;
}
