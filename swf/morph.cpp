// Shape tweens: the shape between a tween's start and end.
#include <algorithm>
#include <cmath>

#include "swf/movie.h"

namespace tastora::swf {

namespace {

double Mix(double a, double b, double t) { return a + (b - a) * t; }

int32_t MixTwips(int32_t a, int32_t b, double t) { return int32_t(std::lround(Mix(a, b, t))); }

uint8_t MixByte(uint8_t a, uint8_t b, double t) { return uint8_t(std::clamp(std::lround(Mix(a, b, t)), 0L, 255L)); }

Rgba MixColor(Rgba a, Rgba b, double t) {
    return {MixByte(a.r, b.r, t), MixByte(a.g, b.g, t), MixByte(a.b, b.b, t), MixByte(a.a, b.a, t)};
}

Matrix MixMatrix(const Matrix& a, const Matrix& b, double t) {
    return {Mix(a.a, b.a, t), Mix(a.b, b.b, t),   Mix(a.c, b.c, t),
            Mix(a.d, b.d, t), Mix(a.tx, b.tx, t), Mix(a.ty, b.ty, t)};
}

// Start and end styles have the same kind and number of stops (the reader pairs them).
FillStyle MixFill(const FillStyle& a, const FillStyle& b, double t) {
    FillStyle f = a;
    f.color = MixColor(a.color, b.color, t);
    f.matrix = MixMatrix(a.matrix, b.matrix, t);
    f.focal = Mix(a.focal, b.focal, t);
    for (size_t i = 0; i < f.stops.size() && i < b.stops.size(); ++i) {
        f.stops[i].ratio = MixByte(a.stops[i].ratio, b.stops[i].ratio, t);
        f.stops[i].color = MixColor(a.stops[i].color, b.stops[i].color, t);
    }
    return f;
}

// A straight edge as the curve it is where its partner is curved: the control point
// halfway along.
Segment AsCurve(const Segment& s, int32_t fromX, int32_t fromY) {
    if (s.curve) return s;
    Segment c = s;
    c.curve = true;
    c.cx = int32_t((int64_t(fromX) + s.x) / 2);
    c.cy = int32_t((int64_t(fromY) + s.y) / 2);
    return c;
}

}  // namespace

Shape MorphAt(const MorphShape& morph, double ratio) {
    const Shape &a = morph.start, &b = morph.end;
    double t = std::clamp(ratio, 0.0, 1.0);
    Shape s;
    const int32_t left = MixTwips(a.bounds.left, b.bounds.left, t), top = MixTwips(a.bounds.top, b.bounds.top, t);
    s.bounds = {left, top, MixTwips(a.bounds.Right(), b.bounds.Right(), t) - left,
                MixTwips(a.bounds.Bottom(), b.bounds.Bottom(), t) - top};
    for (size_t i = 0; i < a.fills.size() && i < b.fills.size(); ++i)
        s.fills.push_back(MixFill(a.fills[i], b.fills[i], t));
    for (size_t i = 0; i < a.lines.size() && i < b.lines.size(); ++i) {
        LineStyle l = a.lines[i];
        l.width = uint16_t(MixTwips(a.lines[i].width, b.lines[i].width, t));
        l.color = MixColor(a.lines[i].color, b.lines[i].color, t);
        l.fill = MixFill(a.lines[i].fill, b.lines[i].fill, t);
        s.lines.push_back(l);
    }
    for (size_t p = 0; p < a.paths.size() && p < b.paths.size(); ++p) {
        const Path &pa = a.paths[p], &pb = b.paths[p];
        Path out = pa;
        out.segments.clear();
        out.startX = MixTwips(pa.startX, pb.startX, t);
        out.startY = MixTwips(pa.startY, pb.startY, t);
        int32_t ax = pa.startX, ay = pa.startY, bx = pb.startX, by = pb.startY;
        for (size_t i = 0; i < pa.segments.size() && i < pb.segments.size(); ++i) {
            Segment sa = pa.segments[i], sb = pb.segments[i];
            if (sa.curve != sb.curve) {
                sa = AsCurve(sa, ax, ay);
                sb = AsCurve(sb, bx, by);
            }
            ax = sa.x, ay = sa.y, bx = sb.x, by = sb.y;
            Segment m;
            m.curve = sa.curve;
            m.x = MixTwips(sa.x, sb.x, t);
            m.y = MixTwips(sa.y, sb.y, t);
            m.cx = MixTwips(sa.cx, sb.cx, t);
            m.cy = MixTwips(sa.cy, sb.cy, t);
            out.segments.push_back(m);
        }
        s.paths.push_back(std::move(out));
    }
    // The lines in the start shape's drawing order, of the paths that both ends have.
    for (uint32_t i : a.linePaths)
        if (i < s.paths.size()) s.linePaths.push_back(i);
    s.groups = a.groups;
    s.nonZero = a.nonZero;
    return s;
}

}  // namespace tastora::swf
