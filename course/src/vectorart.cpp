#include "vectorart.h"

#include <algorithm>
#include <cmath>

namespace course {

namespace {

constexpr double kPi = 3.14159265358979323846;

// An arc of an ellipse from angle a0 to a1 (radians, growing clockwise on the screen) as
// quadratic curves of at most 45 degrees each, appended after the current point.
void Arc(std::vector<OutlineStep>& s, double cx, double cy, double rx, double ry, double a0, double a1) {
    int n = std::max(1, int(std::ceil(std::fabs(a1 - a0) / (kPi / 4) - 1e-9)));
    double step = (a1 - a0) / n;
    for (int i = 0; i < n; ++i) {
        double t0 = a0 + step * i, t1 = t0 + step, tm = (t0 + t1) / 2;
        double k = 1 / std::cos(step / 2);
        s.push_back({'Q', cx + rx * std::cos(t1), cy + ry * std::sin(t1), cx + rx * k * std::cos(tm),
                     cy + ry * k * std::sin(tm)});
    }
}

std::vector<OutlineStep> RoundRectSteps(double x, double y, double w, double h, double r) {
    r = std::max(0.0, std::min(r, std::min(w, h) / 2));
    std::vector<OutlineStep> s;
    s.push_back({'M', x + r, y, 0, 0});
    s.push_back({'L', x + w - r, y, 0, 0});
    if (r > 0) Arc(s, x + w - r, y + r, r, r, -kPi / 2, 0);
    s.push_back({'L', x + w, y + h - r, 0, 0});
    if (r > 0) Arc(s, x + w - r, y + h - r, r, r, 0, kPi / 2);
    s.push_back({'L', x + r, y + h, 0, 0});
    if (r > 0) Arc(s, x + r, y + h - r, r, r, kPi / 2, kPi);
    s.push_back({'L', x, y + r, 0, 0});
    if (r > 0) Arc(s, x + r, y + r, r, r, kPi, 1.5 * kPi);
    s.back().x = x + r;  // close exactly
    s.back().y = y;
    if (r == 0) s.push_back({'L', x, y, 0, 0});
    return s;
}

std::vector<OutlineStep> EllipseSteps(double cx, double cy, double rx, double ry) {
    std::vector<OutlineStep> s;
    s.push_back({'M', cx + rx, cy, 0, 0});
    Arc(s, cx, cy, rx, ry, 0, 2 * kPi);
    s.back().x = cx + rx;
    s.back().y = cy;
    return s;
}

}  // namespace

void Box::Add(double x, double y) {
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
}

int Art::Solid(Color c, int alpha) {
    VectorFill f;
    f.top = f.bottom = c;
    f.alpha = alpha;
    fills_.push_back(f);
    return int(fills_.size()) - 1;
}

int Art::Gradient(Color top, Color bottom, double y0, double y1) {
    VectorFill f;
    f.top = top;
    f.bottom = bottom;
    f.gradient = true;
    f.y0 = y0;
    f.y1 = y1;
    fills_.push_back(f);
    return int(fills_.size()) - 1;
}

void Art::Add(std::vector<OutlineStep> steps, int fill, bool reverse) {
    if (steps.empty()) return;
    if (reverse) {
        // The same contour travelled backwards: each curve keeps its control point.
        std::vector<OutlineStep> r;
        r.push_back({'M', steps.back().x, steps.back().y, 0, 0});
        for (size_t i = steps.size() - 1; i > 0; --i)
            r.push_back({steps[i].kind == 'Q' ? 'Q' : 'L', steps[i - 1].x, steps[i - 1].y, steps[i].cx, steps[i].cy});
        steps.swap(r);
    }
    contours_.push_back({std::move(steps), fill});
}

void Art::Rect(double x, double y, double w, double h, int fill) { Add(RoundRectSteps(x, y, w, h, 0), fill); }

void Art::RoundRect(double x, double y, double w, double h, double r, int fill) {
    Add(RoundRectSteps(x, y, w, h, r), fill);
}

void Art::RoundFrame(double x, double y, double w, double h, double r, double width, int fill) {
    Add(RoundRectSteps(x, y, w, h, r), fill);
    Add(RoundRectSteps(x + width, y + width, w - 2 * width, h - 2 * width, std::max(0.0, r - width)), fill, true);
}

void Art::Ellipse(double cx, double cy, double rx, double ry, int fill) { Add(EllipseSteps(cx, cy, rx, ry), fill); }

void Art::Ring(double cx, double cy, double r, double width, int fill) {
    Add(EllipseSteps(cx, cy, r, r), fill);
    Add(EllipseSteps(cx, cy, r - width, r - width), fill, true);
}

void Art::Capsule(double x0, double y0, double x1, double y1, double radius, int fill) {
    double a = std::atan2(y1 - y0, x1 - x0);
    double nx = -std::sin(a) * radius, ny = std::cos(a) * radius;  // to the right of travel
    std::vector<OutlineStep> s;
    s.push_back({'M', x0 - nx, y0 - ny, 0, 0});
    s.push_back({'L', x1 - nx, y1 - ny, 0, 0});
    Arc(s, x1, y1, radius, radius, a - kPi / 2, a + kPi / 2);
    s.push_back({'L', x0 + nx, y0 + ny, 0, 0});
    Arc(s, x0, y0, radius, radius, a + kPi / 2, a + 1.5 * kPi);
    s.back().x = x0 - nx;
    s.back().y = y0 - ny;
    Add(std::move(s), fill);
}

void Art::Polygon(const std::vector<std::pair<double, double>>& points, int fill) {
    if (points.size() < 3) return;
    std::vector<OutlineStep> s;
    s.push_back({'M', points[0].first, points[0].second, 0, 0});
    for (size_t i = 1; i < points.size(); ++i) s.push_back({'L', points[i].first, points[i].second, 0, 0});
    s.push_back({'L', points[0].first, points[0].second, 0, 0});
    Add(std::move(s), fill);
}

void Art::Text(TextRenderer& fonts, const std::u32string& text, Font font, int size, double x, double baseline,
               int fill) {
    std::vector<OutlineStep> all = fonts.Outline(text, font, size, x, baseline);
    std::vector<OutlineStep> cur;
    for (const OutlineStep& s : all) {
        if (s.kind == 'M' && !cur.empty()) {
            Add(std::move(cur), fill);
            cur.clear();
        }
        cur.push_back(s);
    }
    if (!cur.empty()) Add(std::move(cur), fill);
}

Box Art::Bounds() const {
    Box b;
    for (const Contour& c : contours_)
        for (const OutlineStep& s : c.steps) {
            b.Add(s.x, s.y);
            if (s.kind == 'Q') b.Add(s.cx, s.cy);
        }
    return b;
}

}  // namespace course
