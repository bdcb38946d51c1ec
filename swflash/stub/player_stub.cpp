#include "swf/player.h"

#include <cstring>

namespace tastora {
namespace swf {

std::shared_ptr<const Movie> ParseMovie(const uint8_t* data, size_t size, std::string* problem) {
    if (!data || size < 21 || data[1] != 'W' || data[2] != 'S' || (data[0] != 'F' && data[0] != 'C')) {
        if (problem) *problem = "not an SWF file";
        return nullptr;
    }
    auto movie = std::make_shared<Movie>();
    if (data[0] != 'F') return movie;
    size_t bit = 8 * 8;
    auto bits = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n && bit / 8 < size; ++i, ++bit) v = (v << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
        return v;
    };
    const int nbits = int(bits(5));
    const int32_t xmin = int32_t(bits(nbits)), xmax = int32_t(bits(nbits));
    const int32_t ymin = int32_t(bits(nbits)), ymax = int32_t(bits(nbits));
    movie->width = (xmax - xmin) / 20;
    movie->height = (ymax - ymin) / 20;
    size_t p = (bit + 7) / 8;
    if (p + 4 > size) return movie;
    movie->frameRate = data[p + 1] + data[p] / 256.0;
    movie->frameCount = data[p + 2] | data[p + 3] << 8;
    p += 4;
    while (p + 2 <= size) {
        const int code = (data[p] | data[p + 1] << 8) >> 6;
        size_t len = (data[p] | data[p + 1] << 8) & 63;
        p += 2;
        if (len == 63) {
            if (p + 4 > size) break;
            len = data[p] | data[p + 1] << 8 | data[p + 2] << 16 | size_t(data[p + 3]) << 24;
            p += 4;
        }
        if (len > size - p) break;
        if (code == 9 && len >= 3) movie->background = uint32_t(data[p]) << 16 | data[p + 1] << 8 | data[p + 2];
        if (code == 0) break;
        p += len;
    }
    return movie;
}

void Player::Tick() {
    if (!playing_) return;
    frame_ = frame_ >= movie_->frameCount ? 1 : frame_ + 1;
}

void Player::GotoFrame(int frame) {
    if (frame >= 1 && frame <= movie_->frameCount) frame_ = frame;
}

void Player::Render(uint8_t* bgra, int width, int height, int strideBytes, bool) const {
    const uint32_t c = movie_->background;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = bgra + size_t(y) * size_t(strideBytes) + size_t(x) * 4;
            px[0] = uint8_t(c), px[1] = uint8_t(c >> 8), px[2] = uint8_t(c >> 16), px[3] = 255;
        }
}

}  // namespace swf
}  // namespace tastora
