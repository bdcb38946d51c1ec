// Base64 of the stored passwords: decoding any text, and encoding any bytes and back.
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "users/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tastora;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string bytes;
    try {
        if (DecodeBase64(input, bytes) && EncodeBase64(bytes).size() != input.size()) abort();
    } catch (const TastoraError&) {
        if (input.size() % 4 == 0) abort();  // only an uneven size raises
    }
    if (!DecodeBase64(EncodeBase64(input), bytes) || bytes != input) abort();
    return 0;
}
