#include "swf/player.h"

#include "swf/movie.h"

namespace tastora::swf {

struct Player::State {
    int frame = 0;
    bool playing = true;
};

Player::Player(std::shared_ptr<const Movie> movie) : movie_(std::move(movie)), state_(new State) {}
Player::~Player() = default;

uint32_t Player::BackgroundRgb() const {
    if (!movie_) return 0xFFFFFF;
    const Rgba& c = movie_->background;
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}
double Player::FrameRate() const { return movie_ && movie_->frameRate > 0 ? movie_->frameRate : 12; }
int Player::FrameCount() const { return movie_ ? int(movie_->timeline.frames.size()) : 1; }
int Player::CurrentFrame() const { return state_->frame + 1; }
bool Player::Playing() const { return state_->playing; }
void Player::SetPlaying(bool playing) { state_->playing = playing; }
void Player::Tick() {}
void Player::GotoFrame(int) {}
void Player::Render(uint8_t* bgra, int width, int height, int strideBytes, bool) const {
    uint32_t bg = BackgroundRgb();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bgra + size_t(y) * strideBytes + size_t(x) * 4;
            p[0] = uint8_t(bg);
            p[1] = uint8_t(bg >> 8);
            p[2] = uint8_t(bg >> 16);
            p[3] = 255;
        }
}

std::shared_ptr<const Movie> ParseMovie(const uint8_t*, size_t, std::string* problem) {
    if (problem) *problem = "not implemented yet";
    return nullptr;
}

std::string TagName(uint16_t code) { return "Tag" + std::to_string(code); }

}  // namespace tastora::swf
