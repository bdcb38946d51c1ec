#pragma once
// Vector artwork for the course movies: closed contours in stage pixels (y downwards), each
// filled with one of the artwork's fills, and the text in them as glyph outlines.
#include <string>
#include <vector>

#include "raster.h"

namespace course {

// A solid colour (with opacity), or a vertical gradient between y0 and y1.
struct VectorFill {
    Color top;
    Color bottom;
    int alpha = 255;
    bool gradient = false;
    double y0 = 0, y1 = 0;
};

struct Contour {
    std::vector<OutlineStep> steps;  // starts with 'M', ends where it started
    int fill = 0;                    // index into Art::fills
};

struct Box {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    bool Empty() const { return x1 < x0; }
    void Add(double x, double y);
};

// One shape of a movie. Contours of different fills must not overlap (a shape has no
// painting order inside); artwork that lies on top of other artwork is a shape of its own.
class Art {
public:
    int Solid(Color c, int alpha = 255);
    int Gradient(Color top, Color bottom, double y0, double y1);

    void Rect(double x, double y, double w, double h, int fill);
    void RoundRect(double x, double y, double w, double h, double r, int fill);
    // A frame of the given width along the inside of a round rectangle (a ring with a hole).
    void RoundFrame(double x, double y, double w, double h, double r, double width, int fill);
    void Ellipse(double cx, double cy, double rx, double ry, int fill);
    void Ring(double cx, double cy, double r, double width, int fill);
    // A stadium: a thick line from (x0, y0) to (x1, y1) with round ends.
    void Capsule(double x0, double y0, double x1, double y1, double radius, int fill);
    void Polygon(const std::vector<std::pair<double, double>>& points, int fill);
    // Text with the left end of its baseline at (x, baseline).
    void Text(TextRenderer& fonts, const std::u32string& text, Font font, int size, double x, double baseline,
              int fill);

    const std::vector<VectorFill>& Fills() const { return fills_; }
    const std::vector<Contour>& Contours() const { return contours_; }
    Box Bounds() const;

private:
    void Add(std::vector<OutlineStep> steps, int fill, bool reverse = false);
    std::vector<VectorFill> fills_;
    std::vector<Contour> contours_;
};

}  // namespace course
