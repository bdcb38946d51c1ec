// Drawing a display list with AntiGrain Geometry's compound rasterizer, which follows
// the SWF fill model: every edge carries the fill on its left and on its right.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "agg_basics.h"
#include "agg_pixfmt_rgba.h"
#include "agg_rasterizer_compound_aa.h"
#include "agg_renderer_base.h"
#include "agg_renderer_scanline.h"
#include "agg_rendering_buffer.h"
#include "agg_scanline_u.h"
#include "agg_span_allocator.h"

#include "swf/display.h"

namespace tastora::swf {

namespace {

using PixFmt = agg::pixfmt_bgra32_pre;
using RenBase = agg::renderer_base<PixFmt>;
using Rasterizer = agg::rasterizer_compound_aa<agg::rasterizer_sl_clip_dbl>;
using Color = agg::rgba8;

Color Premultiplied(Rgba c) {
    return Color(uint8_t((c.r * c.a + 127) / 255), uint8_t((c.g * c.a + 127) / 255), uint8_t((c.b * c.a + 127) / 255),
                 c.a);
}

// How one style paints: a colour, a gradient or a bitmap, already in pixel space.
struct Paint {
    enum Kind { Solid, Linear, Radial, Focal, Bitmap } kind = Solid;
    Color color;
    Matrix inverse;  // pixel centre -> gradient square or bitmap pixels
    Spread spread = Spread::Pad;
    double focal = 0;
    std::vector<Color> lut;  // 256 premultiplied gradient colours
    const tastora::Bitmap* bitmap = nullptr;
    bool repeat = false, smooth = true;
    ColorTransform cx;
    bool cxIdentity = true;

    void Generate(Color* span, int x, int y, unsigned len) const;
    void GenerateBitmap(Color* span, int x, int y, unsigned len) const;
};

double SpreadT(double t, Spread s) {
    if (s == Spread::Pad) return std::clamp(t, 0.0, 1.0);
    if (s == Spread::Repeat) return t - std::floor(t);
    double m = t - 2 * std::floor(t / 2);
    return m > 1 ? 2 - m : m;
}

void Paint::Generate(Color* span, int x, int y, unsigned len) const {
    if (kind == Bitmap) {
        GenerateBitmap(span, x, y, len);
        return;
    }
    double gx = x + 0.5, gy = y + 0.5;
    inverse.Apply(gx, gy);
    if (kind == Linear && spread == Spread::Pad) {
        // The colour index t * 255 + 0.5 in 16.16 fixed point, stepped along the span (no
        // conversion from floating point per pixel, which is slow on an x87).
        const double t0 = (gx + 16384) * (255.0 / 32768) + 0.5, dt = inverse.a * (255.0 / 32768);
        const double t1 = t0 + dt * len;
        if (std::fabs(t0) < 30000 && std::fabs(t1) < 30000) {
            int32_t ft = int32_t(std::lround(t0 * 65536)), step = int32_t(std::lround(dt * 65536));
            for (unsigned i = 0; i < len; ++i, ft += step) span[i] = lut[size_t(std::clamp(ft >> 16, 0, 255))];
            return;
        }
    }
    const double fx = focal * 16384;
    for (unsigned i = 0; i < len; ++i, gx += inverse.a, gy += inverse.b) {
        double t;
        if (kind == Linear) {
            t = (gx + 16384) * (1.0 / 32768);
            if (spread == Spread::Pad) {
                span[i] = lut[!(t > 0) ? 0 : t >= 1 ? 255 : size_t(t * 255 + 0.5)];  // NaN: 0
                continue;
            }
        } else if (kind == Radial || fx == 0) {
            t = std::sqrt(gx * gx + gy * gy) / 16384;
        } else {
            // Along the ray from the focal point through the pixel to the circle.
            double dx = gx - fx, dy = gy, dist = std::sqrt(dx * dx + dy * dy);
            if (dist < 1e-9) {
                t = 0;
            } else {
                dx /= dist;
                dy /= dist;
                double fd = fx * dx;
                double s = -fd + std::sqrt(std::max(0.0, fd * fd - fx * fx + 16384.0 * 16384.0));
                t = s > 1e-9 ? dist / s : 1;
            }
        }
        if (!std::isfinite(t)) t = 0;
        span[i] = lut[size_t(std::lround(SpreadT(t, spread) * 255))];
    }
}

// The channels of a premultiplied 0xAARRGGBB pixel.
inline unsigned Red(uint32_t p) { return (p >> 16) & 255; }
inline unsigned Green(uint32_t p) { return (p >> 8) & 255; }
inline unsigned Blue(uint32_t p) { return p & 255; }
inline unsigned Alpha(uint32_t p) { return p >> 24; }
inline Color ColorOf(uint32_t p) { return Color(Red(p), Green(p), Blue(p), Alpha(p)); }

inline uint32_t Texel(const Bitmap& b, int u, int v, bool repeat) {
    const int w = b.Width(), h = b.Height();
    if (repeat) {
        u %= w;
        if (u < 0) u += w;
        v %= h;
        if (v < 0) v += h;
    } else {
        u = std::clamp(u, 0, w - 1);
        v = std::clamp(v, 0, h - 1);
    }
    return b.At(u, v);
}

// Kept in one piece: the renderer's hottest loop, its fixed-point stepping shared with the set-up.
void Paint::GenerateBitmap(Color* span, int x, int y, unsigned len) const {
    const tastora::Bitmap& b = *bitmap;
    double u = x + 0.5, v = y + 0.5;
    inverse.Apply(u, v);
    if (smooth) {
        u -= 0.5;
        v -= 0.5;
    }
    // 16.16 fixed point along the span; a span that wanders off into nowhere is cleared.
    const double far = 1e9;
    double uEnd = u + inverse.a * len, vEnd = v + inverse.b * len;
    if (!std::isfinite(u) || !std::isfinite(v) || !std::isfinite(uEnd) || !std::isfinite(vEnd) || std::fabs(u) > far ||
        std::fabs(v) > far || std::fabs(uEnd) > far || std::fabs(vEnd) > far) {
        std::fill(span, span + len, Color(0, 0, 0, 0));
        return;
    }
    int64_t fu = std::llround(u * 65536), fv = std::llround(v * 65536);
    const int64_t du = int64_t(std::llround(inverse.a * 65536)), dv = int64_t(std::llround(inverse.b * 65536));
    const int w = b.Width(), h = b.Height();
    const uint32_t* base = b.Data();
    const size_t stride = size_t(w);
    // Pixels that fall on the bitmap's own pixels one to one are copied.
    if (cxIdentity && du == 65536 && dv == 0 && (fu & 0xFFFF) == 0 && (fv & 0xFFFF) == 0) {
        int iu = int(fu >> 16), iv = int(fv >> 16);
        if (iu >= 0 && iv >= 0 && iv < h && iu + int(len) <= w) {
            const uint32_t* row = base + size_t(iv) * stride + size_t(iu);
            for (unsigned i = 0; i < len; ++i) span[i] = ColorOf(row[i]);
            return;
        }
    }
    for (unsigned i = 0; i < len; ++i, fu += du, fv += dv) {
        int iu = int(fu >> 16), iv = int(fv >> 16);
        Color c;
        if (smooth) {
            unsigned wu = unsigned(fu >> 8) & 255, wv = unsigned(fv >> 8) & 255;
            uint32_t p00, p10, p01, p11;
            if (iu >= 0 && iv >= 0 && iu + 1 < w && iv + 1 < h) {
                const uint32_t* p = base + size_t(iv) * stride + size_t(iu);
                p00 = p[0];
                p10 = p[1];
                p01 = p[stride];
                p11 = p[stride + 1];
            } else {
                p00 = Texel(b, iu, iv, repeat);
                p10 = Texel(b, iu + 1, iv, repeat);
                p01 = Texel(b, iu, iv + 1, repeat);
                p11 = Texel(b, iu + 1, iv + 1, repeat);
            }
            unsigned w00 = (256 - wu) * (256 - wv), w10 = wu * (256 - wv), w01 = (256 - wu) * wv, w11 = wu * wv;
            c.r = uint8_t((Red(p00) * w00 + Red(p10) * w10 + Red(p01) * w01 + Red(p11) * w11 + 32768) >> 16);
            c.g = uint8_t((Green(p00) * w00 + Green(p10) * w10 + Green(p01) * w01 + Green(p11) * w11 + 32768) >> 16);
            c.b = uint8_t((Blue(p00) * w00 + Blue(p10) * w10 + Blue(p01) * w01 + Blue(p11) * w11 + 32768) >> 16);
            c.a = uint8_t((Alpha(p00) * w00 + Alpha(p10) * w10 + Alpha(p01) * w01 + Alpha(p11) * w11 + 32768) >> 16);
        } else {
            c = ColorOf((iu >= 0 && iv >= 0 && iu < w && iv < h) ? base[size_t(iv) * stride + size_t(iu)]
                                                                 : Texel(b, iu, iv, repeat));
        }
        if (!cxIdentity) {
            Rgba straight{0, 0, 0, c.a};
            if (c.a) {
                straight.r = uint8_t(std::min(255, c.r * 255 / c.a));
                straight.g = uint8_t(std::min(255, c.g * 255 / c.a));
                straight.b = uint8_t(std::min(255, c.b * 255 / c.a));
            }
            c = Premultiplied(cx.Apply(straight));
        }
        span[i] = c;
    }
}

// 256 premultiplied colours along a gradient's stops (at least one). Where stops share a
// ratio the earlier one's colour stands at that ratio, as in Flash. linearRgb: the colours
// are mixed in linear light.
void GradientLut(const std::vector<GradientStop>& stops, const ColorTransform& cx, bool linearRgb,
                 std::vector<Color>& lut) {
    lut.resize(256);
    auto toLinear = [](double v) {
        v /= 255;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    auto toSrgb = [](double v) {
        v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    // The colour transform applies to the interpolated colours (it clamps).
    size_t k = 1;
    for (int i = 0; i < 256; ++i) {
        // The first stop at or after i, and the one before it.
        while (k < stops.size() && stops[k].ratio < i) ++k;
        Rgba c = i <= stops[0].ratio ? stops[0].color : stops.back().color;
        if (i > stops[0].ratio && k < stops.size()) {
            const Rgba& a = stops[k - 1].color;
            const Rgba& b = stops[k].color;
            double t = stops[k].ratio == stops[k - 1].ratio
                           ? 0
                           : double(i - stops[k - 1].ratio) / (stops[k].ratio - stops[k - 1].ratio);
            t = std::clamp(t, 0.0, 1.0);
            if (linearRgb) {
                c = Rgba{toSrgb(toLinear(a.r) + (toLinear(b.r) - toLinear(a.r)) * t),
                         toSrgb(toLinear(a.g) + (toLinear(b.g) - toLinear(a.g)) * t),
                         toSrgb(toLinear(a.b) + (toLinear(b.b) - toLinear(a.b)) * t),
                         uint8_t(std::lround(a.a + (b.a - a.a) * t))};
            } else {
                c = Rgba{uint8_t(std::lround(a.r + (b.r - a.r) * t)), uint8_t(std::lround(a.g + (b.g - a.g) * t)),
                         uint8_t(std::lround(a.b + (b.b - a.b) * t)), uint8_t(std::lround(a.a + (b.a - a.a) * t))};
            }
        }
        lut[size_t(i)] = Premultiplied(cx.Apply(c));
    }
}

struct StyleHandler {
    std::vector<Paint>* paints;
    bool is_solid(unsigned s) const { return (*paints)[s].kind == Paint::Solid; }
    const Color& color(unsigned s) const { return (*paints)[s].color; }
    void generate_span(Color* span, int x, int y, unsigned len, unsigned s) { (*paints)[s].Generate(span, x, y, len); }
};

// AGG's layered compound rendering, with one change: a style uses up the coverage of a
// pixel in proportion to its opacity, so that what lies under a translucent fill of the
// same shape still shows, while neighbouring opaque fills meet without a seam.
// Only the pixels that more than one style of a scanline covers are mixed; a pixel of a
// single style is drawn straight away, which gives the same colour.
// Returns the pixels of the box swept.
template <class Handler>
long RenderCompound(Rasterizer& ras, agg::scanline_u8& sl, RenBase& ren, agg::span_allocator<Color>& alloc,
                    Handler& sh) {
    if (!ras.rewind_scanlines()) return 0;
    const long area = long(ras.max_x() - ras.min_x() + 1) * long(ras.max_y() - ras.min_y() + 1);
    int minX = ras.min_x();
    int len = ras.max_x() - minX + 2;
    sl.reset(minX, ras.max_x());
    Color* colorSpan = alloc.allocate(unsigned(len) * 2);
    Color* mix = colorSpan + len;
    std::vector<unsigned> used(size_t(len), 0);
    struct Run {
        int x0, x1;  // [x0, x1)
    };
    std::vector<Run> spans, shared;  // of a scanline: the spans of its styles; the pixels they share
    constexpr unsigned kSplitStyles = 8;
    agg::scanline_u8 lines[kSplitStyles];  // the spans of each style of a scanline
    bool swept[kSplitStyles] = {};
    bool linesReady = false;
    unsigned numStyles;
    while ((numStyles = ras.sweep_styles()) > 0) {
        if (numStyles == 1) {
            if (!ras.sweep_scanline(sl, 0)) continue;
            unsigned style = ras.style(0);
            if (sh.is_solid(style)) {
                agg::render_scanline_aa_solid(sl, ren, sh.color(style));
                continue;
            }
            auto span = sl.begin();
            for (unsigned n = sl.num_spans(); n > 0; --n, ++span) {
                sh.generate_span(colorSpan, span->x, sl.y(), unsigned(span->len), style);
                ren.blend_color_hspan(span->x, sl.y(), unsigned(span->len), colorSpan, span->covers);
            }
            continue;
        }
        int start = ras.scanline_start();
        unsigned length = ras.scanline_length();
        if (!length) continue;
        // A few styles (the usual case) are swept first, to find the pixels that more than
        // one of them covers; with many, every pixel is mixed, one style after the other.
        const bool split = numStyles <= kSplitStyles;
        if (split && !linesReady) {
            for (auto& line : lines) line.reset(minX, ras.max_x());
            linesReady = true;
        }
        shared.clear();
        if (split) {
            spans.clear();
            for (unsigned i = 0; i < numStyles; ++i) {
                swept[i] = ras.sweep_scanline(lines[i], i);
                if (!swept[i]) continue;
                auto span = lines[i].begin();
                for (unsigned n = lines[i].num_spans(); n > 0; --n, ++span)
                    spans.push_back({span->x, span->x + span->len});
            }
            std::sort(spans.begin(), spans.end(), [](const Run& a, const Run& b) { return a.x0 < b.x0; });
            int reach = std::numeric_limits<int>::min();
            for (const Run& r : spans) {
                if (r.x0 < reach) {
                    const Run both{r.x0, std::min(r.x1, reach)};
                    if (!shared.empty() && both.x0 <= shared.back().x1)
                        shared.back().x1 = std::max(shared.back().x1, both.x1);
                    else
                        shared.push_back(both);
                }
                reach = std::max(reach, r.x1);
            }
        } else {
            shared.push_back({start, start + int(length)});
        }
        int y = std::numeric_limits<int>::max();
        bool mixing = false;
        for (unsigned i = 0; i < numStyles; ++i) {
            if (split ? !swept[i] : !ras.sweep_scanline(sl, i)) continue;
            const agg::scanline_u8& line = split ? lines[i] : sl;
            y = line.y();
            unsigned style = ras.style(i);
            bool solid = sh.is_solid(style);
            auto span = line.begin();
            for (unsigned n = line.num_spans(); n > 0; --n, ++span) {
                // Runs of pixels that this style alone covers, and runs shared with others.
                auto next = std::upper_bound(shared.begin(), shared.end(), span->x,
                                             [](int x, const Run& r) { return x < r.x1; });
                for (int x = span->x, e = span->x + span->len; x < e;) {
                    const bool alone = next == shared.end() || x < next->x0;
                    const int runEnd =
                        alone ? (next == shared.end() ? e : std::min(e, next->x0)) : std::min(e, next->x1);
                    if (!alone && runEnd == next->x1) ++next;
                    const unsigned run = unsigned(runEnd - x);
                    const uint8_t* covers = span->covers + (x - span->x);
                    const Color* colors = nullptr;
                    if (!solid) {
                        sh.generate_span(colorSpan, x, y, run, style);
                        colors = colorSpan;
                    }
                    if (alone) {
                        if (solid)
                            ren.blend_solid_hspan(x, y, run, sh.color(style), covers);
                        else
                            ren.blend_color_hspan(x, y, run, colors, covers);
                    } else {
                        if (!mixing) {
                            std::memset(static_cast<void*>(mix + start - minX), 0, length * sizeof(Color));
                            std::fill(used.begin() + (start - minX), used.begin() + (start - minX) + length, 0u);
                            mixing = true;
                        }
                        Color* out = mix + x - minX;
                        unsigned* u = used.data() + (x - minX);
                        for (unsigned k = 0; k < run; ++k) {
                            const Color& c = solid ? sh.color(style) : colors[k];
                            // `used` counts in 1/255 of a cover unit times 255 (alpha-weighted).
                            unsigned left = u[k] == 0 ? 255 : 255 * 255 > u[k] ? (255 * 255 - u[k] + 254) / 255 : 0;
                            unsigned cover = std::min<unsigned>(covers[k], left);
                            if (cover) {
                                out[k].add(c, cover);
                                u[k] += cover * std::max<unsigned>(c.a, 1);
                            }
                        }
                    }
                    x = runEnd;
                }
            }
        }
        if (!mixing) continue;
        // The shared pixels, each run of them blended at once.
        for (const Run& r : shared)
            ren.blend_color_hspan(r.x0, y, unsigned(r.x1 - r.x0), mix + r.x0 - minX, nullptr, agg::cover_full);
    }
    return area;
}

struct Canvas {
    uint8_t* data;
    int width, height, stride;
};

class Renderer {
public:
    Renderer(const Movie& movie, Canvas canvas, bool highQuality, double clip[4], double viewScale)
        : movie_(movie), canvas_(canvas), highQuality_(highQuality), viewScale_(viewScale) {
        std::copy(clip, clip + 4, clip_);
        sweptLeft_ = kMaxCanvasesSweptPerFrame * long(canvas.width) * canvas.height;
        pointsLeft_ = std::clamp(long(canvas.width) * canvas.height / 2, kMinPointsPerFrame, kMaxPointsPerFrame);
        reach_ = double(canvas.width) + canvas.height;
    }

    void DrawList(const Clip& clip, const Matrix& m, const ColorTransform& cx) {
        std::vector<const Instance*> items;
        std::vector<uint16_t> depths;
        for (const auto& [depth, inst] : clip.list) {
            items.push_back(&inst);
            depths.push_back(depth);
        }
        DrawRange(items, depths, 0, items.size(), m, cx);
    }

private:
    const Movie& movie_;
    Canvas canvas_;
    bool highQuality_;
    double clip_[4];
    Rasterizer ras_;
    agg::scanline_u8 sl_;
    agg::span_allocator<Color> alloc_;
    std::vector<Paint> paints_;
    const Matrix* strokeToPixels_ = nullptr;  // strokes outlined in the shape's own space
    double viewScale_ = 0.05;                 // pixels per twip of the stage
    bool maskMode_ = false;
    int nesting_ = 0;
    // What is left of the frame's budgets; once one is spent nothing more is drawn.
    long pointsLeft_ = 0;  // points and the pixels their edges cross
    double reach_ = 0;
    long sweptLeft_ = 0;
    int masksLeft_ = kMaxMasksPerFrame;
    int maskNesting_ = 0;
    // The box of the pixels drawn since it was last reset (x0, y0, x1, y1).
    int drawn_[4] = {std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), -1, -1};

    bool Spent() const { return pointsLeft_ <= 0 || sweptLeft_ <= 0; }

    void DrawRange(const std::vector<const Instance*>& items, const std::vector<uint16_t>& depths, size_t from,
                   size_t to, const Matrix& m, const ColorTransform& cx) {
        for (size_t i = from; i < to && !Spent(); ++i) {
            const Instance& inst = *items[i];
            if (inst.clipDepth == 0) {
                Draw(inst, m, cx);
                continue;
            }
            // Inside a mask a mask of its own does nothing: the objects it would mask add to
            // the outer mask's shape whole, as Ruffle draws it.
            if (maskMode_) continue;
            size_t end = i + 1;
            while (end < to && depths[end] <= inst.clipDepth) ++end;
            DrawMasked(inst, items, depths, i + 1, end, m, cx);
            i = end - 1;
        }
    }

    // Draws items[from, to) through the shape of `mask`: only inside the mask's bounding
    // box is anything drawn, saved and blended. (Masks are rare: kept small.)
    [[gnu::optimize("Os")]] void DrawMasked(const Instance& mask, const std::vector<const Instance*>& items,
                                            const std::vector<uint16_t>& depths, size_t from, size_t to,
                                            const Matrix& m, const ColorTransform& cx) {
        // Masks beyond the budget, or nested too deep, show nothing of what they mask.
        if (from == to || masksLeft_ <= 0 || maskNesting_ >= kMaxMaskNesting) return;
        --masksLeft_;
        const int w = canvas_.width, h = canvas_.height;
        std::vector<uint8_t> coverage(size_t(w) * h * 4, 0);
        int box[4];
        {
            Canvas saved = canvas_;
            canvas_ = Canvas{coverage.data(), w, h, w * 4};
            bool wasMask = maskMode_;
            maskMode_ = true;
            std::copy(drawn_, drawn_ + 4, box);
            drawn_[0] = drawn_[1] = std::numeric_limits<int>::max();
            drawn_[2] = drawn_[3] = -1;
            Draw(mask, m, cx);
            std::swap_ranges(drawn_, drawn_ + 4, box);  // box: the mask's own
            maskMode_ = wasMask;
            canvas_ = saved;
        }
        // The mask's pixels are searched for within the box that its drawing touched.
        const int bx0 = std::max(box[0], 0), by0 = std::max(box[1], 0);
        const int bx1 = std::min(box[2], w - 1), by1 = std::min(box[3], h - 1);
        if (bx1 >= bx0 && by1 >= by0) sweptLeft_ -= long(bx1 - bx0 + 1) * (by1 - by0 + 1);
        int x0 = w, y0 = h, x1 = -1, y1 = -1;
        for (int y = by0; y <= by1; ++y) {
            const uint8_t* row = coverage.data() + size_t(y) * w * 4;
            for (int x = bx0; x <= bx1; ++x)
                if (row[x * 4 + 3]) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = y;
                }
        }
        if (x1 < 0) return;  // an empty mask shows nothing
        const size_t rowBytes = size_t(x1 - x0 + 1) * 4;
        std::vector<uint8_t> before(rowBytes * size_t(y1 - y0 + 1));
        for (int y = y0; y <= y1; ++y)
            std::memcpy(&before[rowBytes * size_t(y - y0)], canvas_.data + size_t(y) * canvas_.stride + size_t(x0) * 4,
                        rowBytes);
        double saved[4];
        std::copy(clip_, clip_ + 4, saved);
        clip_[0] = std::max(clip_[0], double(x0));
        clip_[1] = std::max(clip_[1], double(y0));
        clip_[2] = std::min(clip_[2], double(x1 + 1));
        clip_[3] = std::min(clip_[3], double(y1 + 1));
        ++maskNesting_;
        DrawRange(items, depths, from, to, m, cx);
        --maskNesting_;
        std::copy(saved, saved + 4, clip_);
        for (int y = y0; y <= y1; ++y) {
            uint8_t* row = canvas_.data + size_t(y) * canvas_.stride + size_t(x0) * 4;
            const uint8_t* old = &before[rowBytes * size_t(y - y0)];
            const uint8_t* cov = coverage.data() + (size_t(y) * w + size_t(x0)) * 4;
            for (size_t i = 0; i < rowBytes; ++i) {
                unsigned a = cov[(i & ~size_t(3)) + 3];
                row[i] = uint8_t((row[i] * a + old[i] * (255 - a) + 127) / 255);
            }
        }
    }

    [[gnu::optimize("Os")]] void Draw(const Instance& inst, const Matrix& parent, const ColorTransform& parentCx) {
        Matrix m = parent * inst.matrix;
        ColorTransform cx = parentCx * inst.color;
        if (Spent() || (!maskMode_ && cx.ma <= 0 && cx.aa <= -255)) return;
        switch (inst.kind) {
            case CharacterKind::Shape: {
                auto it = movie_.shapes.find(inst.character);
                if (it != movie_.shapes.end()) DrawShape(*it->second, m, cx);
                break;
            }
            case CharacterKind::Morph: {
                auto it = movie_.morphs.find(inst.character);
                if (it != movie_.morphs.end()) DrawShape(MorphAt(*it->second, inst.ratio / 65535.0), m, cx);
                break;
            }
            case CharacterKind::Text: {
                auto it = movie_.texts.find(inst.character);
                if (it != movie_.texts.end()) DrawText(*it->second, m, cx);
                break;
            }
            case CharacterKind::Bitmap: {
                // A bitmap placed directly: a rectangle filled with it.
                auto it = movie_.bitmaps.find(inst.character);
                if (it == movie_.bitmaps.end()) break;
                Shape s;
                FillStyle f;
                f.kind = FillKind::ClippedBitmap;
                f.bitmap = inst.character;
                f.matrix = Matrix::Scale(20, 20);
                s.fills.push_back(f);
                Path p;
                p.fill0 = 1;
                int32_t w = it->second->width * 20, h = it->second->height * 20;
                p.segments = {{w, 0}, {w, h}, {0, h}, {0, 0}};
                s.paths.push_back(p);
                DrawShape(s, m, cx);
                break;
            }
            case CharacterKind::Sprite:
                if (inst.sprite && nesting_ < kMaxNesting) {
                    ++nesting_;
                    DrawList(*inst.sprite, m, cx);
                    --nesting_;
                }
                break;
            default: break;
        }
    }

    bool SafeMatrix(const Matrix& m) const {
        for (double v : {m.a, m.b, m.c, m.d, m.tx, m.ty})
            if (!std::isfinite(v) || std::fabs(v) > 1e7) return false;
        return true;
    }

    // --- geometry ---------------------------------------------------------------
    void Begin() {
        ras_.reset();
        ras_.clip_box(clip_[0], clip_[1], clip_[2], clip_[3]);
    }

    template <class Emit>
    static void Flatten(double x0, double y0, double cx, double cy, double x1, double y1, Emit&& emit) {
        double ddx = x0 - 2 * cx + x1, ddy = y0 - 2 * cy + y1;
        const double dd = std::sqrt(ddx * ddx + ddy * ddy);
        const int n = dd < 4000 ? std::max(1, int(std::ceil(std::sqrt(dd / 0.4)))) : 100;  // NaN: 100
        for (int i = 1; i <= n; ++i) {
            double t = double(i) / n, u = 1 - t;
            emit(u * u * x0 + 2 * u * t * cx + t * t * x1, u * u * y0 + 2 * u * t * cy + t * t * y1);
        }
    }

    // The points of a path in pixels, curves flattened; false (nothing) when the frame's
    // points are spent.
    bool PathPoints(const Path& p, const Matrix& m, std::vector<double>& pts) {
        pts.clear();
        if (Spent()) return false;
        double x = p.startX, y = p.startY;
        m.Apply(x, y);
        pts.push_back(x);
        pts.push_back(y);
        for (const Segment& s : p.segments) {
            double ex = s.x, ey = s.y;
            m.Apply(ex, ey);
            if (s.curve) {
                double cx = s.cx, cy = s.cy;
                m.Apply(cx, cy);
                double px = pts[pts.size() - 2], py = pts.back();
                Flatten(px, py, cx, cy, ex, ey, [&](double fx, double fy) {
                    pts.push_back(fx);
                    pts.push_back(fy);
                });
            } else {
                pts.push_back(ex);
                pts.push_back(ey);
            }
            if (long(pts.size() / 2) > pointsLeft_) {  // (their edges are charged as they are added)
                pointsLeft_ = 0;
                pts.clear();
                return false;
            }
        }
        return true;
    }

    // What an edge costs the rasterizer: a point, and a cell for every pixel it crosses
    // (at most those of the canvas's width and height).
    void Charge(double x0, double y0, double x1, double y1) {
        const double crossed = std::fabs(x1 - x0) + std::fabs(y1 - y0);
        pointsLeft_ -= 1 + (crossed < reach_ ? long(crossed) : long(reach_));  // NaN: the most
    }

    void AddEdges(const std::vector<double>& pts) {
        ras_.move_to_d(pts[0], pts[1]);
        for (size_t i = 2; i + 1 < pts.size() && pointsLeft_ > 0; i += 2) {
            Charge(pts[i - 2], pts[i - 1], pts[i], pts[i + 1]);
            ras_.line_to_d(pts[i], pts[i + 1]);
        }
    }

    // A closed polygon, turned so that every stroke piece winds the same way and they
    // all add up under the non-zero rule.
    void AddPolygon(const double* xy, size_t n) {
        std::vector<double> mapped;
        if (strokeToPixels_) {
            mapped.assign(xy, xy + 2 * n);
            for (size_t i = 0; i < n; ++i) strokeToPixels_->Apply(mapped[2 * i], mapped[2 * i + 1]);
            xy = mapped.data();
        }
        double area = 0;
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            area += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
        }
        if (!(area != 0) || pointsLeft_ <= 0) return;  // (area NaN too)
        for (size_t i = 0; i < n; ++i)
            Charge(xy[2 * i], xy[2 * i + 1], xy[2 * ((i + 1) % n)], xy[2 * ((i + 1) % n) + 1]);
        if (area > 0) {
            ras_.move_to_d(xy[0], xy[1]);
            for (size_t i = 1; i < n; ++i) ras_.line_to_d(xy[2 * i], xy[2 * i + 1]);
        } else {
            ras_.move_to_d(xy[2 * (n - 1)], xy[2 * (n - 1) + 1]);
            for (size_t i = n - 1; i-- > 0;) ras_.line_to_d(xy[2 * i], xy[2 * i + 1]);
        }
        ras_.line_to_d(area > 0 ? xy[0] : xy[2 * (n - 1)], area > 0 ? xy[1] : xy[2 * (n - 1) + 1]);
    }

    void AddDisc(double x, double y, double r) {
        const int n = r < 25 ? std::max(8, int(std::ceil(r * 2.5))) : 64;  // NaN: 64
        std::vector<double> xy(size_t(n) * 2);
        for (int i = 0; i < n; ++i) {
            double a = 2 * 3.14159265358979323846 * i / n;
            xy[size_t(i) * 2] = x + r * std::cos(a);
            xy[size_t(i) * 2 + 1] = y + r * std::sin(a);
        }
        AddPolygon(xy.data(), size_t(n));
    }

    // The outline of a stroke along a polyline: one quad per piece, discs (or squares)
    // at the joints and ends.
    [[gnu::optimize("Os")]] void AddStroke(const std::vector<double>& pts, double half, const LineStyle& style) {
        size_t n = pts.size() / 2;
        if (n < 2) return;
        bool closed = pts[0] == pts[2 * (n - 1)] && pts[1] == pts[2 * (n - 1) + 1];
        for (size_t i = 0; i + 1 < n && pointsLeft_ > 0; ++i) {
            double x0 = pts[2 * i], y0 = pts[2 * i + 1], x1 = pts[2 * i + 2], y1 = pts[2 * i + 3];
            double dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
            if (len < 1e-9) continue;
            double nx = -dy / len * half, ny = dx / len * half;
            double ex = 0, ey = 0, sx = 0, sy = 0;
            if (!closed && style.startCap == Cap::Square && i == 0) {
                sx = dx / len * half;
                sy = dy / len * half;
            }
            if (!closed && style.endCap == Cap::Square && i + 2 == n) {
                ex = dx / len * half;
                ey = dy / len * half;
            }
            double quad[8] = {x0 - sx + nx, y0 - sy + ny, x1 + ex + nx, y1 + ey + ny,
                              x1 + ex - nx, y1 + ey - ny, x0 - sx - nx, y0 - sy - ny};
            AddPolygon(quad, 4);
        }
        for (size_t i = 0; i < n && pointsLeft_ > 0; ++i) {
            bool end = !closed && (i == 0 || i + 1 == n);
            if (end) {
                Cap cap = i == 0 ? style.startCap : style.endCap;
                if (cap == Cap::Round) AddDisc(pts[2 * i], pts[2 * i + 1], half);
                continue;
            }
            if (style.join == Join::Round || i == 0 || i + 1 == n) {
                AddDisc(pts[2 * i], pts[2 * i + 1], half);
                continue;
            }
            // Bevel (and miter, drawn as a bevel plus its point when within the limit).
            double px = pts[2 * i - 2], py = pts[2 * i - 1], x = pts[2 * i], y = pts[2 * i + 1];
            double qx = pts[2 * i + 2], qy = pts[2 * i + 3];
            double d1x = x - px, d1y = y - py, d2x = qx - x, d2y = qy - y;
            double l1 = std::hypot(d1x, d1y), l2 = std::hypot(d2x, d2y);
            if (l1 < 1e-9 || l2 < 1e-9) continue;
            double n1x = -d1y / l1 * half, n1y = d1x / l1 * half, n2x = -d2y / l2 * half, n2y = d2x / l2 * half;
            double tri1[6] = {x, y, x + n1x, y + n1y, x + n2x, y + n2y};
            double tri2[6] = {x, y, x - n1x, y - n1y, x - n2x, y - n2y};
            AddPolygon(tri1, 3);
            AddPolygon(tri2, 3);
            if (style.join == Join::Miter) {
                double cosTheta = (d1x * d2x + d1y * d2y) / (l1 * l2);
                double miter = 1 / std::sqrt(std::max(1e-12, (1 + cosTheta) / 2));
                if (miter <= style.miterLimit) {
                    double bx = n1x + n2x, by = n1y + n2y, bl = std::hypot(bx, by);
                    if (bl > 1e-9) {
                        double side = (d1x * d2y - d1y * d2x) > 0 ? -1 : 1;
                        double mx = x + side * bx / bl * half * miter, my = y + side * by / bl * half * miter;
                        double ox1 = x + side * n1x, oy1 = y + side * n1y, ox2 = x + side * n2x, oy2 = y + side * n2y;
                        double quad[8] = {x, y, ox1, oy1, mx, my, ox2, oy2};
                        AddPolygon(quad, 4);
                    }
                }
            }
        }
    }

    // --- paints -----------------------------------------------------------------
    // Makes p paint a bitmap fill; transparent where the bitmap is missing or the matrix flat.
    void SetBitmapPaint(Paint& p, const FillStyle& f, const Matrix& m, const ColorTransform& cx) {
        auto it = movie_.bitmaps.find(f.bitmap);
        Matrix full = m * f.matrix;
        if (it == movie_.bitmaps.end() || !full.Invert(p.inverse)) {
            p.color = Color(0, 0, 0, 0);
            return;
        }
        p.kind = Paint::Bitmap;
        p.bitmap = &it->second->Decoded();
        p.repeat = f.kind == FillKind::RepeatingBitmap;
        p.smooth = f.smooth && highQuality_;
        p.cx = maskMode_ ? ColorTransform{0, 0, 0, 0, 255, 255, 255, 255} : cx;
        if (maskMode_) p.cx.ma = 1, p.cx.aa = 0;
        p.cxIdentity = p.cx.IsIdentity();
    }

    Paint MakePaint(const FillStyle& f, const Matrix& m, const ColorTransform& cx) {
        Paint p;
        if (maskMode_) {
            p.color = Color(255, 255, 255, 255);
            if (f.kind != FillKind::RepeatingBitmap && f.kind != FillKind::ClippedBitmap) return p;
        }
        switch (f.kind) {
            case FillKind::Solid: p.color = Premultiplied(cx.Apply(f.color)); return p;
            case FillKind::Linear:
            case FillKind::Radial:
            case FillKind::Focal: {
                Matrix full = m * f.matrix;
                if (!full.Invert(p.inverse)) {
                    p.color = Premultiplied(cx.Apply(f.stops.back().color));
                    return p;
                }
                p.kind = f.kind == FillKind::Linear   ? Paint::Linear
                         : f.kind == FillKind::Radial ? Paint::Radial
                                                      : Paint::Focal;
                p.spread = f.spread;
                p.focal = f.focal;
                GradientLut(f.stops, cx, f.linearRgb, p.lut);
                return p;
            }
            case FillKind::RepeatingBitmap:
            case FillKind::ClippedBitmap: SetBitmapPaint(p, f, m, cx); return p;
        }
        return p;
    }

    void Render() {
        agg::rendering_buffer buffer(canvas_.data, unsigned(canvas_.width), unsigned(canvas_.height), canvas_.stride);
        PixFmt pixf(buffer);
        RenBase base(pixf);
        StyleHandler handler{&paints_};
        const long area = RenderCompound(ras_, sl_, base, alloc_, handler);
        sweptLeft_ -= area;
        if (area > 0) {
            drawn_[0] = std::min(drawn_[0], ras_.min_x());
            drawn_[1] = std::min(drawn_[1], ras_.min_y());
            drawn_[2] = std::max(drawn_[2], ras_.max_x());
            drawn_[3] = std::max(drawn_[3], ras_.max_y());
        }
    }

    double StrokeHalfWidth(const LineStyle& l, const Matrix& m) const {
        // A pen that keeps its width under scaling is scaled by the stage only.
        double scale = l.noHScale && l.noVScale ? viewScale_ : std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
        return std::max(l.width * scale, 1.0) / 2;
    }

    // Sorting out what to draw (instances, masks, a shape's styles and paths, a text's
    // glyphs) is little of the time: compiled for size, the rasterizing it calls for speed.
    [[gnu::optimize("Os")]] void DrawShape(const Shape& s, const Matrix& m, const ColorTransform& cx) {
        if (!SafeMatrix(m)) return;
        std::vector<double> pts;
        // Paths and line paths are in the order of their style tables: each table's range.
        size_t path = 0, line = 0;
        while ((path < s.paths.size() || line < s.linePaths.size()) && !Spent()) {
            const int g = path < s.paths.size() ? s.paths[path].group : s.paths[s.linePaths[line]].group;
            size_t pathEnd = path, lineEnd = line;
            while (pathEnd < s.paths.size() && s.paths[pathEnd].group == g) ++pathEnd;
            while (lineEnd < s.linePaths.size() && s.paths[s.linePaths[lineEnd]].group == g) ++lineEnd;
            // Fills of this style table: paints for the numbers its paths use.
            int lo = std::numeric_limits<int>::max(), hi = 0;
            for (size_t i = path; i < pathEnd; ++i)
                for (int f : {s.paths[i].fill0, s.paths[i].fill1})
                    if (f > 0) lo = std::min(lo, f), hi = std::max(hi, f);
            if (hi > 0) {
                paints_.assign(size_t(hi - lo + 1), Paint());
                std::vector<bool> made(paints_.size(), false);
                Begin();
                for (size_t i = path; i < pathEnd; ++i) {
                    const Path& p = s.paths[i];
                    if (p.fill0 == 0 && p.fill1 == 0) continue;
                    for (int f : {p.fill0, p.fill1})
                        if (f > 0 && !made[size_t(f - lo)]) {
                            paints_[size_t(f - lo)] = MakePaint(s.fills[size_t(f) - 1], m, cx);
                            made[size_t(f - lo)] = true;
                        }
                    ras_.styles(p.fill0 > 0 ? p.fill0 - lo : -1, p.fill1 > 0 ? p.fill1 - lo : -1);
                    if (!PathPoints(p, m, pts)) break;
                    AddEdges(pts);
                }
                ras_.filling_rule(s.nonZero ? agg::fill_non_zero : agg::fill_even_odd);
                Render();
                ras_.filling_rule(agg::fill_non_zero);
            }
            // Its lines, each line style on its own.
            for (size_t i = line; i < lineEnd && !Spent();) {
                const int l = s.paths[s.linePaths[i]].line;
                const LineStyle& style = s.lines[size_t(l) - 1];
                double half = StrokeHalfWidth(style, m);
                Begin();
                // Under a scale that differs by direction a pen that stays at least a pixel
                // wide every way is scaled with the shape: outlined in the shape's space and
                // mapped. A thinner one keeps to the pixel-wide rule of the plain pen.
                Matrix toShape;
                bool mapped = style.width > 0 && !(style.noHScale && style.noVScale) &&
                              !(std::fabs(m.a - m.d) < 1e-9 && std::fabs(m.b + m.c) < 1e-9) &&
                              !(std::fabs(m.a + m.d) < 1e-9 && std::fabs(m.b - m.c) < 1e-9) && m.Invert(toShape);
                if (mapped) {
                    double sum = m.a * m.a + m.b * m.b + m.c * m.c + m.d * m.d, det = m.a * m.d - m.b * m.c;
                    double least =
                        std::sqrt(std::max(0.0, (sum - std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2));
                    mapped = style.width * least >= 0.999;
                }
                if (mapped) {
                    half = style.width / 2.0;
                    strokeToPixels_ = &m;
                }
                bool any = false;
                for (; i < lineEnd && s.paths[s.linePaths[i]].line == l; ++i) {
                    ras_.styles(0, -1);
                    if (!PathPoints(s.paths[s.linePaths[i]], m, pts)) continue;
                    if (mapped)
                        for (size_t k = 0; k + 1 < pts.size(); k += 2) toShape.Apply(pts[k], pts[k + 1]);
                    any = true;
                    AddStroke(pts, half, style);
                }
                strokeToPixels_ = nullptr;
                if (!any) continue;
                paints_.assign(1, style.hasFill ? MakePaint(style.fill, m, cx)
                                                : MakePaint(FillStyle::SolidColor(style.color), m, cx));
                Render();
            }
            path = pathEnd;
            line = lineEnd;
        }
    }

    [[gnu::optimize("Os")]] void DrawText(const Text& t, const Matrix& m, const ColorTransform& cx) {
        Matrix tm = m * t.matrix;
        if (!SafeMatrix(tm)) return;
        std::vector<double> pts;
        for (const TextRun& run : t.runs) {
            if (Spent()) break;
            auto it = movie_.fonts.find(run.font);
            if (it == movie_.fonts.end()) continue;
            const Font& font = *it->second;
            Begin();
            bool any = false;
            double scale = run.height / font.emSize;
            for (const PositionedGlyph& g : run.glyphs) {
                if (--pointsLeft_ <= 0) break;  // a glyph counts, drawn or not
                if (g.index >= font.glyphs.size()) continue;
                Matrix gm = tm * Matrix::Scale(scale, scale, g.x, run.y);
                for (const Path& p : font.glyphs[g.index].paths) {
                    if (p.fill0 == 0 && p.fill1 == 0) continue;
                    ras_.styles(p.fill0 > 0 ? 0 : -1, p.fill1 > 0 ? 0 : -1);
                    if (!PathPoints(p, gm, pts)) break;
                    AddEdges(pts);
                    any = true;
                }
            }
            if (!any) continue;
            paints_.assign(1, MakePaint(FillStyle::SolidColor(run.color), tm, cx));
            ras_.filling_rule(agg::fill_even_odd);
            Render();
            ras_.filling_rule(agg::fill_non_zero);
        }
    }
};

void Fill(uint8_t* bgra, int width, int height, int stride, Rgba c) {
    uint8_t* first = bgra;
    for (int x = 0; x < width; ++x) {
        first[x * 4] = c.b;
        first[x * 4 + 1] = c.g;
        first[x * 4 + 2] = c.r;
        first[x * 4 + 3] = 255;
    }
    for (int y = 1; y < height; ++y) std::memcpy(bgra + size_t(y) * stride, first, size_t(width) * 4);
}

}  // namespace

void RenderMovie(const Movie* movie, const Clip* root, uint8_t* bgra, int width, int height, int stride,
                 bool highQuality) {
    if (!bgra || width <= 0 || height <= 0 || stride < width * 4) return;
    Rgba background = movie ? movie->background : Rgba{255, 255, 255, 255};
    Fill(bgra, width, height, stride, background);
    if (!movie || !root) return;
    double stageW = double(movie->stage.width) / 20;
    double stageH = double(movie->stage.height) / 20;
    if (!(stageW > 0) || !(stageH > 0)) return;
    double s = std::min(width / stageW, height / stageH);
    double ox = (width - stageW * s) / 2, oy = (height - stageH * s) / 2;
    Matrix view{s / 20, 0, 0, s / 20, ox - movie->stage.left * s / 20, oy - movie->stage.top * s / 20};
    double clip[4] = {std::max(0.0, ox), std::max(0.0, oy), std::min(double(width), ox + stageW * s),
                      std::min(double(height), oy + stageH * s)};
    Renderer r(*movie, Canvas{bgra, width, height, stride}, highQuality, clip, s / 20);
    r.DrawList(*root, view, ColorTransform());
}

}  // namespace tastora::swf
