#pragma once
// Drawing for the course pictures: an RGB canvas, anti-aliased shapes and FreeType text.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace course {

struct Color {
    uint8_t r = 0, g = 0, b = 0;
};
constexpr Color Rgb(int r, int g, int b) { return Color{uint8_t(r), uint8_t(g), uint8_t(b)}; }
Color Mix(Color a, Color b, double t);  // t = 0 gives a, 1 gives b
Color Darker(Color c, double f);        // f = 0.2 gives 80 %
Color Lighter(Color c, double f);       // towards white

class Image {
public:
    Image() = default;
    Image(int w, int h, Color fill = Rgb(255, 255, 255));
    int Width() const { return w_; }
    int Height() const { return h_; }
    Color Get(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
    void Set(int x, int y, Color c) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[size_t(y) * size_t(w_) + size_t(x)] = c;
    }
    // Blends c over the pixel with coverage a (0..1).
    void Blend(int x, int y, Color c, double a);
    void Fill(Color c);
    void FillRect(int x, int y, int w, int h, Color c);
    void Draw(const Image& src, int x, int y);
    Image Crop(int x, int y, int w, int h) const;
    Image Scaled(int w, int h) const;  // box-filtered resize
    const std::vector<Color>& Pixels() const { return px_; }

    // Anti-aliased shapes (coverage by 4 x 4 supersampling).
    void FillRoundRect(double x, double y, double w, double h, double radius, Color c);
    // Round rectangle filled with a vertical gradient from top to bottom colour.
    void FillRoundRectGradient(double x, double y, double w, double h, double radius, Color top, Color bottom);
    void StrokeRoundRect(double x, double y, double w, double h, double radius, double width, Color c);
    void FillCircle(double cx, double cy, double r, Color c);
    void StrokeCircle(double cx, double cy, double r, double width, Color c);
    void FillEllipse(double cx, double cy, double rx, double ry, Color c);
    void ThickLine(double x0, double y0, double x1, double y1, double width, Color c);
    // A crisp one-pixel line, horizontal or vertical.
    void HLine(int x0, int x1, int y, Color c);
    void VLine(int x, int y0, int y1, Color c);

private:
    int w_ = 0, h_ = 0;
    std::vector<Color> px_;
};

enum class Font { Sans, SansBold, Mono, MonoBold };

// One step of a glyph outline in pixels, y downwards: move to, line to, or a quadratic
// curve through the control point (cx, cy) to (x, y).
struct OutlineStep {
    char kind;  // 'M', 'L', 'Q'
    double x, y, cx, cy;
};

// Text with DejaVu fonts through FreeType. Sizes are pixel heights of the em square.
class TextRenderer {
public:
    explicit TextRenderer(const std::string& fontDir);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Advance width of a string in pixels.
    double Width(const std::u32string& text, Font font, int size);
    // Ascender of capitals (height of 'H') for vertical centring.
    double CapHeight(Font font, int size);
    // Draws with the left end of the baseline at (x, baseline).
    void Draw(Image& img, const std::u32string& text, Font font, int size, double x, double baseline, Color c);
    // Centres horizontally on cx; the capitals' middle lands on cy.
    void DrawCentered(Image& img, const std::u32string& text, Font font, int size, double cx, double cy, Color c);
    // Bounding box of a single glyph's ink: {left, top, right, bottom} relative to pen and baseline.
    void InkBox(char32_t ch, Font font, int size, int box[4]);
    // True when the font has a glyph for ch.
    bool HasGlyph(char32_t ch, Font font);

    // Unhinted text at its exact design advances, as vector artwork shows it: the advance
    // width, the glyph outlines (closed contours, pen from (x, baseline)) and the same
    // text rasterised by FreeType at the same positions.
    double ExactWidth(const std::u32string& text, Font font, int size);
    std::vector<OutlineStep> Outline(const std::u32string& text, Font font, int size, double x, double baseline);
    void DrawExact(Image& img, const std::u32string& text, Font font, int size, double x, double baseline, Color c);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace course
