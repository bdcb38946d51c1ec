// BMP pictures (the graph background).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/image_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tastora::Bitmap pic;
    if (tastora::DecodeBmp(std::string(reinterpret_cast<const char*>(data), size), pic) &&
        (pic.Width() <= 0 || pic.Height() <= 0))
        abort();
    return 0;
}
