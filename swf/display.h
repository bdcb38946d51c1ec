#pragma once
// The display list of a playing movie: what the player keeps and the renderer draws.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "swf/movie.h"
#include "swf/player.h"

namespace tastora::swf {

struct Clip;

struct Instance {
    uint16_t character = 0;
    CharacterKind kind = CharacterKind::None;
    Matrix matrix;
    ColorTransform color;
    uint16_t clipDepth = 0;
    uint16_t ratio = 0;
    std::shared_ptr<Clip> sprite;  // kind == Sprite
};

// A running timeline: the movie's own or a sprite's.
struct Clip {
    const Timeline* timeline = nullptr;
    uint16_t id = 0;  // sprite id, 0 for the movie
    int frame = 0;    // 0-based
    bool playing = true;
    std::vector<uint16_t> ancestors;    // sprite ids above it (and its own)
    std::map<uint16_t, Instance> list;  // by depth
};

struct Player::State {
    std::shared_ptr<Clip> root;
    size_t instances = 0;
    uint64_t version = 0;  // changes of the display lists
};

// Draws a clip's display list (renderer).
void RenderMovie(const Movie* movie, const Clip* root, uint8_t* bgra, int width, int height, int stride,
                 bool highQuality);

// Limits of the player against hostile timelines. The work of one tick (or of the start)
// counts every frame applied, display command carried out and action run; when it runs
// out, the tick stops there and the next one goes on from what is shown.
constexpr size_t kMaxInstances = 20000;
constexpr int kMaxNesting = 32;
constexpr int kMaxActionsPerTick = 4096;
constexpr long kMaxWorkPerTick = 200000;

// Limits of the renderer per frame drawn: points of edges and strokes given to the
// rasterizer with the pixels their edges cross (half the canvas's pixels, within the two
// bounds; a course slide at 1280 x 1024: some 110,000), pixels swept (the bounding boxes of
// what is drawn, in canvases), masks and masks inside masks. A frame that exceeds one is
// drawn up to there.
constexpr long kMinPointsPerFrame = 150000;
constexpr long kMaxPointsPerFrame = 600000;
constexpr long kMaxCanvasesSweptPerFrame = 32;  // whole canvases' worth of pixels
constexpr int kMaxMasksPerFrame = 12;
constexpr int kMaxMaskNesting = 6;

}  // namespace tastora::swf
