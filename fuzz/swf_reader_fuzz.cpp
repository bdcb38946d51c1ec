// Fuzz target of the SWF reader and player: any bytes are read, played for a few frames
// and drawn small; nothing may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "swf/player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto movie = tastora::swf::ParseMovie(data, size);
    tastora::swf::Player player(movie);
    std::vector<uint8_t> pixels(48 * 36 * 4);
    player.Render(pixels.data(), 48, 36, 48 * 4);
    for (int i = 0; i < 3; ++i) player.Tick();
    player.GotoFrame(2);
    player.Render(pixels.data(), 48, 36, 48 * 4, false);
    return 0;
}
