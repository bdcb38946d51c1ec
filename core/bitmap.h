#pragma once
// Pictures in memory: the program's own, composed here and only copied to the screen by the
// window layer, and the bitmaps of a movie.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tastora {

// 0x00RRGGBB
using Rgb = uint32_t;
constexpr Rgb MakeRgb(int r, int g, int b) {
    return (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
constexpr Rgb kBlack = 0x000000;
constexpr Rgb kWhite = 0xFFFFFF;

// Top-down rows of 32-bit pixels (the same memory layout as a 32-bit top-down DIB). The
// program's pictures are opaque 0x00RRGGBB (`Rgb`); a movie's bitmaps are 0xAARRGGBB with
// their colours premultiplied by their alpha.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, Rgb fill = kWhite);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    Rgb At(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    void Set(int x, int y, Rgb c) { pixels_[size_t(y) * size_t(width_) + size_t(x)] = c; }
    // Pixel write that ignores points outside the picture.
    void Plot(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) Set(x, y, c);
    }
    const Rgb* Data() const { return pixels_.data(); }
    Rgb* Data() { return pixels_.data(); }

    void Fill(Rgb c);
    // Room for this many pixels, so that SetSize up to it allocates nothing.
    void Reserve(size_t pixels) { pixels_.reserve(pixels); }
    size_t Capacity() const { return pixels_.capacity(); }
    // A picture of this size, every pixel `fill`; the room is kept.
    void SetSize(int width, int height, Rgb fill = 0) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(size_t(width_) * size_t(height_), fill);
    }
    // Copies src with its top-left corner at (x, y); what falls outside is clipped.
    void Draw(const Bitmap& src, int x, int y);
    // Copies only the rectangle (left, top, width, height) of src, to where Draw(src, x, y)
    // would put it.
    void DrawPart(const Bitmap& src, int x, int y, int left, int top, int width, int height);
    // A straight line in the manner of the window system's LineTo: from (x0, y0) up to,
    // but not including, (x1, y1).
    void Line(int x0, int y0, int x1, int y1, Rgb c);

    bool operator==(const Bitmap& o) const {
        return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
};

}  // namespace tastora
