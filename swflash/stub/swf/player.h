#pragma once
// Stand-in for the SWF library until it is merged: reads the header and the background
// colour of uncompressed files and paints the background. Deleted with the merge.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tastora {
namespace swf {

struct Movie {
    uint32_t background = 0xFFFFFF;
    double frameRate = 12;
    int frameCount = 1;
    int width = 550, height = 400;
};

std::shared_ptr<const Movie> ParseMovie(const uint8_t* data, size_t size, std::string* problem = nullptr);

class Player {
public:
    explicit Player(std::shared_ptr<const Movie> movie) : movie_(std::move(movie)) {}
    uint32_t BackgroundRgb() const { return movie_->background; }
    double FrameRate() const { return movie_->frameRate; }
    int FrameCount() const { return movie_->frameCount; }
    int CurrentFrame() const { return frame_; }
    bool Playing() const { return playing_; }
    void SetPlaying(bool on) { playing_ = on; }
    void Tick();
    void GotoFrame(int frame);
    void Render(uint8_t* bgra, int width, int height, int strideBytes, bool highQuality = true) const;

private:
    std::shared_ptr<const Movie> movie_;
    int frame_ = 1;
    bool playing_ = true;
};

}  // namespace swf
}  // namespace tastora
