#include "core/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tastora {

Bitmap::Bitmap(int width, int height, Rgb fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), pixels_(size_t(width_) * size_t(height_), fill) {}

void Bitmap::Fill(Rgb c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Bitmap::Draw(const Bitmap& src, int x, int y) { DrawPart(src, x, y, 0, 0, src.width_, src.height_); }

void Bitmap::DrawPart(const Bitmap& src, int x, int y, int left, int top, int width, int height) {
    if (src.Empty() || Empty()) return;
    // The part, clipped to the source, then to this picture.
    const int sx0 = std::max(left, 0), sy0 = std::max(top, 0);
    const int sx1 = std::min(left + width, src.width_), sy1 = std::min(top + height, src.height_);
    const int x0 = std::max(x + sx0, 0), y0 = std::max(y + sy0, 0);
    const int x1 = std::min(x + sx1, width_), y1 = std::min(y + sy1, height_);
    if (x0 >= x1 || y0 >= y1) return;
    const size_t n = size_t(x1 - x0);
    for (int row = y0; row < y1; ++row) {
        const Rgb* from = src.pixels_.data() + size_t(row - y) * size_t(src.width_) + size_t(x0 - x);
        Rgb* to = pixels_.data() + size_t(row) * size_t(width_) + size_t(x0);
        std::memcpy(to, from, n * sizeof(Rgb));
    }
}

void Bitmap::Line(int x0, int y0, int x1, int y1, Rgb c) {
    // Bresenham; the end point itself is left out, as LineTo does.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        Plot(x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace tastora
