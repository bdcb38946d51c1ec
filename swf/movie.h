#pragma once
// What the reader makes of an SWF file: the header, the characters and the timelines.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/bitmap.h"
#include "swf/tags.h"
#include "swf/types.h"

namespace tastora::swf {

// One edge of a path: a straight line or a quadratic curve to (x, y).
struct Segment {
    int32_t x = 0, y = 0;
    int32_t cx = 0, cy = 0;
    bool curve = false;
};

// Edges drawn with the same styles, from (startX, startY). Style numbers index the
// shape's fills/lines from 1 (0 = none); `group` is the style table they came from.
struct Path {
    int fill0 = 0, fill1 = 0, line = 0;
    int group = 0;
    int32_t startX = 0, startY = 0;
    std::vector<Segment> segments;
};

struct Shape {
    Rect bounds;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<Path> paths;  // in the order of their style tables (`group`)
    // The paths that have a line style, by style table and then by line style (each
    // table's lines are drawn after its fills, one line style after the other).
    std::vector<uint32_t> linePaths;
    int groups = 1;
    bool nonZero = false;  // fill rule: even-odd unless DefineShape4 asks for non-zero
};

// A bitmap character: its size as its tag gives it and its pixels (premultiplied 0xAARRGGBB).
// JPEG pictures are decoded when first drawn (Decoded()), so that a movie shows its first
// frame without waiting for the pictures of later ones.
struct BitmapCharacter {
    int width = 0, height = 0;
    mutable Bitmap pixels;
    mutable std::function<void(const BitmapCharacter&)> decode;

    const Bitmap& Decoded() const {
        if (decode) {
            auto run = std::move(decode);
            decode = nullptr;
            run(*this);
        }
        // A picture that could not be decoded is transparent.
        if (pixels.Width() != width || pixels.Height() != height) pixels.SetSize(width, height, 0);
        return pixels;
    }
};

struct Font {
    std::vector<Shape> glyphs;  // outlines in em units
    double emSize = 1024;       // 20480 for DefineFont3
};

struct PositionedGlyph {
    uint16_t index = 0;
    int32_t x = 0;
};
struct TextRun {
    uint16_t font = 0;
    Rgba color;
    int32_t height = 0;
    int32_t y = 0;
    std::vector<PositionedGlyph> glyphs;
};
struct Text {
    Rect bounds;
    Matrix matrix;
    std::vector<TextRun> runs;
};

// A change of the display list.
struct DisplayCommand {
    bool remove = false;
    uint16_t depth = 0;
    bool move = false;
    bool hasCharacter = false;
    uint16_t character = 0;
    bool hasMatrix = false;
    Matrix matrix;
    bool hasColor = false;
    ColorTransform color;
    bool hasClip = false;
    uint16_t clipDepth = 0;
    bool hasRatio = false;
    uint16_t ratio = 0;
};

struct Frame {
    std::vector<DisplayCommand> commands;
    std::vector<Action> actions;
    std::string label;
};

struct Timeline {
    std::vector<Frame> frames;          // at least one
    std::map<std::string, int> labels;  // label -> 0-based frame
};

// A shape tween (DefineMorphShape, DefineMorphShape2): the shapes at its start and at its
// end, made of the same paths with the same segments, edge for edge, and style for style.
struct MorphShape {
    Shape start, end;
};

// The tween's shape at `ratio` (0 = start, 1 = end), as the player shows it at the
// PlaceObject ratio ratio * 65535.
Shape MorphAt(const MorphShape& morph, double ratio);

enum class CharacterKind : uint8_t { None, Shape, Bitmap, Font, Text, Sprite, Morph };

struct TagInfo {
    uint16_t code = 0;
    uint32_t offset = 0;  // in the uncompressed file
    uint32_t length = 0;
    int sprite = -1;  // id of the sprite it is in, or -1
};

struct Movie {
    int version = 0;
    bool compressed = false;
    uint32_t fileLength = 0;  // as the header says
    Rect stage;
    double frameRate = 12;
    int headerFrameCount = 0;
    Rgba background{255, 255, 255, 255};

    Timeline timeline;
    std::unordered_map<uint16_t, CharacterKind> kinds;
    std::unordered_map<uint16_t, std::shared_ptr<const Shape>> shapes;
    std::unordered_map<uint16_t, std::shared_ptr<const BitmapCharacter>> bitmaps;
    std::unordered_map<uint16_t, std::shared_ptr<const Font>> fonts;
    std::unordered_map<uint16_t, std::shared_ptr<const Text>> texts;
    std::unordered_map<uint16_t, std::shared_ptr<const Timeline>> sprites;
    std::unordered_map<uint16_t, std::shared_ptr<const MorphShape>> morphs;

    std::vector<TagInfo> tags;
    std::vector<std::string> problems;  // faults met while reading, in order

    CharacterKind KindOf(uint16_t id) const {
        auto it = kinds.find(id);
        return it == kinds.end() ? CharacterKind::None : it->second;
    }
};

// Limits that keep the memory of a hostile file bounded. What the reader builds (edges,
// styles, glyphs, display commands, actions, frames, labels) is counted in bytes against
// one budget; a movie that exceeds it is read up to there.
constexpr size_t kMaxBitmapPixels = size_t(16) << 20;       // decoded pixels, per bitmap and per movie
constexpr size_t kMaxUncompressedBytes = size_t(64) << 20;  // of a CWS body
constexpr size_t kMaxParsedBytes = size_t(48) << 20;        // the movie's records as read
constexpr size_t kMaxTagInfos = size_t(1) << 18;            // tags listed in `tags`

}  // namespace tastora::swf
