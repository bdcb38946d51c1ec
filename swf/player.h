#pragma once
// Playing SWF movies: reading a file into a Movie, running its timeline and drawing
// frames into 32-bit pixel buffers. Platform-free.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tastora::swf {

struct Movie;  // swf/movie.h

// Reads an SWF file (FWS or CWS, versions 1 to 10) from memory. Never throws. Returns
// nullptr only when the bytes are not an SWF file at all (wrong signature or shorter
// than a header); a damaged file gives what could be read, and `problem` (when given)
// then names the first fault found ("" for a sound file).
std::shared_ptr<const Movie> ParseMovie(const uint8_t* data, size_t size, std::string* problem = nullptr);

class Player {
public:
    // nullptr = no movie: only the background, white, is drawn.
    explicit Player(std::shared_ptr<const Movie> movie);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    const Movie* movie() const { return movie_.get(); }

    uint32_t BackgroundRgb() const;  // 0xRRGGBB
    double FrameRate() const;        // frames per second (12 without a movie)
    int FrameCount() const;          // at least 1
    int CurrentFrame() const;        // 1-based
    bool Playing() const;
    void SetPlaying(bool playing);

    // One timer tick at the movie's rate: when playing, advance one frame (looping from
    // the last frame to the first) and run that frame's actions. Sprites advance on every
    // tick whether or not the main timeline plays.
    void Tick();
    // Shows `frame` (1-based, clamped to the movie) and runs its actions; the playing
    // state stays as it is unless those actions change it.
    void GotoFrame(int frame);
    // Counts the changes of the display list, the movie's own and its sprites': while it
    // stays the same, Render draws the same picture (frames that only show time passing).
    uint64_t DisplayVersion() const;
    // Draws the current frame into a top-down 32-bit BGRA buffer (alpha 255 everywhere),
    // "ShowAll": the whole stage as large as fits, centred, the rest filled with the
    // background colour. highQuality: anti-aliased edges and smoothed bitmaps.
    void Render(uint8_t* bgra, int width, int height, int strideBytes, bool highQuality = true) const;

    struct State;

private:
    std::shared_ptr<const Movie> movie_;
    std::unique_ptr<State> state_;
};

}  // namespace tastora::swf
