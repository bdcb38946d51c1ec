#include "raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

#include "util.h"

namespace course {

Color Mix(Color a, Color b, double t) {
    auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
    return Color{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}
Color Darker(Color c, double f) { return Mix(c, Rgb(0, 0, 0), f); }
Color Lighter(Color c, double f) { return Mix(c, Rgb(255, 255, 255), f); }

Image::Image(int w, int h, Color fill) : w_(w), h_(h), px_(size_t(w) * size_t(h), fill) {}

void Image::Blend(int x, int y, Color c, double a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    if (a > 1) a = 1;
    Color& p = px_[size_t(y) * size_t(w_) + size_t(x)];
    p = Mix(p, c, a);
}

void Image::Fill(Color c) { std::fill(px_.begin(), px_.end(), c); }

void Image::FillRect(int x, int y, int w, int h, Color c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Set(i, j, c);
}

void Image::Draw(const Image& src, int x, int y) {
    for (int j = 0; j < src.h_; ++j)
        for (int i = 0; i < src.w_; ++i) Set(x + i, y + j, src.Get(i, j));
}

Image Image::Crop(int x, int y, int w, int h) const {
    Image out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) out.Set(i, j, Get(std::clamp(x + i, 0, w_ - 1), std::clamp(y + j, 0, h_ - 1)));
    return out;
}

Image Image::Scaled(int w, int h) const {
    Image out(w, h);
    const double sx = double(w_) / w, sy = double(h_) / h;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            double x0 = i * sx, x1 = (i + 1) * sx, y0 = j * sy, y1 = (j + 1) * sy;
            double r = 0, g = 0, b = 0, wsum = 0;
            for (int yy = int(y0); yy < int(std::ceil(y1)) && yy < h_; ++yy) {
                double wy = std::min(y1, yy + 1.0) - std::max(y0, double(yy));
                for (int xx = int(x0); xx < int(std::ceil(x1)) && xx < w_; ++xx) {
                    double wx = std::min(x1, xx + 1.0) - std::max(x0, double(xx));
                    double wgt = wx * wy;
                    Color c = Get(xx, yy);
                    r += c.r * wgt;
                    g += c.g * wgt;
                    b += c.b * wgt;
                    wsum += wgt;
                }
            }
            if (wsum > 0)
                out.Set(i, j, Rgb(int(std::lround(r / wsum)), int(std::lround(g / wsum)), int(std::lround(b / wsum))));
        }
    }
    return out;
}

namespace {

// Signed distance from a point to a rounded rectangle (negative inside).
double RoundRectDistance(double px, double py, double x, double y, double w, double h, double r) {
    double cx = x + w / 2, cy = y + h / 2;
    double qx = std::fabs(px - cx) - (w / 2 - r);
    double qy = std::fabs(py - cy) - (h / 2 - r);
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

template <typename Inside, typename ColorAt>
void Cover(Image& img, int x0, int y0, int x1, int y1, Inside inside, ColorAt colorAt) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, img.Width() - 1);
    y1 = std::min(y1, img.Height() - 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            int n = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++n;
            if (n) img.Blend(x, y, colorAt(x, y), n / 16.0);
        }
    }
}

}  // namespace

void Image::FillRoundRect(double x, double y, double w, double h, double radius, Color c) {
    FillRoundRectGradient(x, y, w, h, radius, c, c);
}

void Image::FillRoundRectGradient(double x, double y, double w, double h, double radius, Color top, Color bottom) {
    Cover(
        *this, int(x), int(y), int(std::ceil(x + w)), int(std::ceil(y + h)),
        [&](double px, double py) { return RoundRectDistance(px, py, x, y, w, h, radius) <= 0; },
        [&](int, int py) { return Mix(top, bottom, std::clamp((py + 0.5 - y) / h, 0.0, 1.0)); });
}

void Image::StrokeRoundRect(double x, double y, double w, double h, double radius, double width, Color c) {
    Cover(
        *this, int(x) - 1, int(y) - 1, int(std::ceil(x + w)) + 1, int(std::ceil(y + h)) + 1,
        [&](double px, double py) {
            double d = RoundRectDistance(px, py, x, y, w, h, radius);
            return d <= 0 && d > -width;
        },
        [&](int, int) { return c; });
}

void Image::FillCircle(double cx, double cy, double r, Color c) { FillEllipse(cx, cy, r, r, c); }

void Image::StrokeCircle(double cx, double cy, double r, double width, Color c) {
    Cover(
        *this, int(cx - r) - 1, int(cy - r) - 1, int(cx + r) + 1, int(cy + r) + 1,
        [&](double px, double py) {
            double d = std::hypot(px - cx, py - cy);
            return d <= r && d > r - width;
        },
        [&](int, int) { return c; });
}

void Image::FillEllipse(double cx, double cy, double rx, double ry, Color c) {
    Cover(
        *this, int(cx - rx) - 1, int(cy - ry) - 1, int(cx + rx) + 1, int(cy + ry) + 1,
        [&](double px, double py) {
            double dx = (px - cx) / rx, dy = (py - cy) / ry;
            return dx * dx + dy * dy <= 1;
        },
        [&](int, int) { return c; });
}

void Image::ThickLine(double x0, double y0, double x1, double y1, double width, Color c) {
    double hw = width / 2;
    double len2 = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
    Cover(
        *this, int(std::min(x0, x1) - hw) - 1, int(std::min(y0, y1) - hw) - 1, int(std::max(x0, x1) + hw) + 1,
        int(std::max(y0, y1) + hw) + 1,
        [&](double px, double py) {
            double t = len2 > 0 ? ((px - x0) * (x1 - x0) + (py - y0) * (y1 - y0)) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            double dx = px - (x0 + t * (x1 - x0)), dy = py - (y0 + t * (y1 - y0));
            return dx * dx + dy * dy <= hw * hw;
        },
        [&](int, int) { return c; });
}

void Image::HLine(int x0, int x1, int y, Color c) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, c);
}
void Image::VLine(int x, int y0, int y1, Color c) {
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) Set(x, y, c);
}

struct TextRenderer::Impl {
    FT_Library lib = nullptr;
    std::map<Font, FT_Face> faces;
};

TextRenderer::TextRenderer(const std::string& fontDir) : impl_(new Impl) {
    if (FT_Init_FreeType(&impl_->lib)) throw CourseError("FreeType", "cannot initialise");
    const std::pair<Font, const char*> files[] = {{Font::Sans, "DejaVuSans.ttf"},
                                                  {Font::SansBold, "DejaVuSans-Bold.ttf"},
                                                  {Font::Mono, "DejaVuSansMono.ttf"},
                                                  {Font::MonoBold, "DejaVuSansMono-Bold.ttf"}};
    for (const auto& f : files) {
        std::string path = fontDir + "/" + f.second;
        FT_Face face;
        if (FT_New_Face(impl_->lib, path.c_str(), 0, &face))
            throw CourseError(path, "cannot load the font (package fonts-dejavu-core)");
        impl_->faces[f.first] = face;
    }
}

TextRenderer::~TextRenderer() {
    for (auto& f : impl_->faces) FT_Done_Face(f.second);
    FT_Done_FreeType(impl_->lib);
}

namespace {
FT_Face Sized(std::map<Font, FT_Face>& faces, Font font, int size) {
    FT_Face face = faces.at(font);
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
    return face;
}
}  // namespace

bool TextRenderer::HasGlyph(char32_t ch, Font font) { return FT_Get_Char_Index(impl_->faces.at(font), ch) != 0; }

double TextRenderer::Width(const std::u32string& text, Font font, int size) {
    FT_Face face = Sized(impl_->faces, font, size);
    double w = 0;
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_TARGET_LIGHT)) continue;
        w += face->glyph->advance.x / 64.0;
    }
    return w;
}

double TextRenderer::CapHeight(Font font, int size) {
    FT_Face face = Sized(impl_->faces, font, size);
    if (FT_Load_Char(face, U'H', FT_LOAD_DEFAULT)) return size * 0.73;
    return face->glyph->metrics.horiBearingY / 64.0;
}

void TextRenderer::InkBox(char32_t ch, Font font, int size, int box[4]) {
    FT_Face face = Sized(impl_->faces, font, size);
    box[0] = box[1] = box[2] = box[3] = 0;
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER)) return;
    FT_GlyphSlot g = face->glyph;
    box[0] = g->bitmap_left;
    box[1] = -g->bitmap_top;
    box[2] = g->bitmap_left + int(g->bitmap.width);
    box[3] = -g->bitmap_top + int(g->bitmap.rows);
}

namespace {
// Renders a run glyph by glyph at sub-pixel pen positions: hinted (light) on whole-pixel
// baselines, or unhinted at the exact design advances and baseline.
void DrawRun(FT_Face face, Image& img, const std::u32string& text, double x, double baseline, Color c, bool exact) {
    const int row = exact ? int(std::ceil(baseline)) : int(std::lround(baseline));
    double pen = x;
    for (char32_t ch : text) {
        FT_Vector delta{FT_Pos(std::lround((pen - std::floor(pen)) * 64)),
                        exact ? FT_Pos(std::lround((row - baseline) * 64)) : 0};
        FT_Set_Transform(face, nullptr, &delta);
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER | (exact ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_LIGHT))) continue;
        FT_GlyphSlot g = face->glyph;
        int ox = int(std::floor(pen)) + g->bitmap_left;
        int oy = row - g->bitmap_top;
        for (unsigned r = 0; r < g->bitmap.rows; ++r)
            for (unsigned q = 0; q < g->bitmap.width; ++q) {
                uint8_t a = g->bitmap.buffer[r * unsigned(g->bitmap.pitch) + q];
                if (a) img.Blend(ox + int(q), oy + int(r), c, a / 255.0);
            }
        pen += exact ? g->linearHoriAdvance / 65536.0 : g->advance.x / 64.0;
    }
    FT_Set_Transform(face, nullptr, nullptr);
}
}  // namespace

void TextRenderer::Draw(Image& img, const std::u32string& text, Font font, int size, double x, double baseline,
                        Color c) {
    DrawRun(Sized(impl_->faces, font, size), img, text, x, baseline, c, false);
}

void TextRenderer::DrawCentered(Image& img, const std::u32string& text, Font font, int size, double cx, double cy,
                                Color c) {
    double w = Width(text, font, size);
    double cap = CapHeight(font, size);
    Draw(img, text, font, size, cx - w / 2, cy + cap / 2, c);
}

namespace {

// Unscaled loading: outlines and advances in font units, scaled by the caller.
double UnitScale(FT_Face face, int size) { return double(size) / face->units_per_EM; }

struct OutlineSink {
    std::vector<OutlineStep>* out;
    double scale, ox, oy;
    double lastX = 0, lastY = 0;
    double X(const FT_Vector* v) const { return ox + v->x * scale; }
    double Y(const FT_Vector* v) const { return oy - v->y * scale; }
    void Push(char kind, double x, double y, double cx = 0, double cy = 0) {
        out->push_back({kind, x, y, cx, cy});
        lastX = x;
        lastY = y;
    }
};

int MoveTo(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->Push('M', s->X(to), s->Y(to));
    return 0;
}
int LineTo(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->Push('L', s->X(to), s->Y(to));
    return 0;
}
int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->Push('Q', s->X(to), s->Y(to), s->X(c), s->Y(c));
    return 0;
}
// DejaVu's TrueType outlines are quadratic; a cubic (other fonts) is split at its middle and
// each half becomes one quadratic, close enough at text sizes.
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    const double p[4][2] = {{s->lastX, s->lastY}, {s->X(c1), s->Y(c1)}, {s->X(c2), s->Y(c2)}, {s->X(to), s->Y(to)}};
    auto mid = [](const double* a, const double* b, double* m) {
        m[0] = (a[0] + b[0]) / 2;
        m[1] = (a[1] + b[1]) / 2;
    };
    double ab[2], bc[2], cd[2], abc[2], bcd[2], m[2];
    mid(p[0], p[1], ab);
    mid(p[1], p[2], bc);
    mid(p[2], p[3], cd);
    mid(ab, bc, abc);
    mid(bc, cd, bcd);
    mid(abc, bcd, m);
    auto quad = [&](const double* q0, const double* q1, const double* q2, const double* q3) {
        double cx = (3 * (q1[0] + q2[0]) - q0[0] - q3[0]) / 4, cy = (3 * (q1[1] + q2[1]) - q0[1] - q3[1]) / 4;
        s->Push('Q', q3[0], q3[1], cx, cy);
    };
    quad(p[0], ab, abc, m);
    quad(m, bcd, cd, p[3]);
    return 0;
}

}  // namespace

double TextRenderer::ExactWidth(const std::u32string& text, Font font, int size) {
    FT_Face face = impl_->faces.at(font);
    double w = 0;
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_NO_SCALE)) continue;
        w += face->glyph->advance.x * UnitScale(face, size);
    }
    return w;
}

std::vector<OutlineStep> TextRenderer::Outline(const std::u32string& text, Font font, int size, double x,
                                               double baseline) {
    FT_Face face = impl_->faces.at(font);
    std::vector<OutlineStep> out;
    FT_Outline_Funcs funcs{};
    funcs.move_to = MoveTo;
    funcs.line_to = LineTo;
    funcs.conic_to = ConicTo;
    funcs.cubic_to = CubicTo;
    double pen = x;
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_NO_SCALE)) continue;
        OutlineSink sink{&out, UnitScale(face, size), pen, baseline};
        size_t first = out.size();
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
        // Close every contour explicitly.
        double sx = 0, sy = 0;
        std::vector<OutlineStep> closed;
        for (size_t i = first; i < out.size(); ++i) {
            if (out[i].kind == 'M') {
                if (!closed.empty() && (closed.back().x != sx || closed.back().y != sy))
                    closed.push_back({'L', sx, sy, 0, 0});
                sx = out[i].x;
                sy = out[i].y;
            }
            closed.push_back(out[i]);
        }
        if (!closed.empty() && (closed.back().x != sx || closed.back().y != sy)) closed.push_back({'L', sx, sy, 0, 0});
        out.resize(first);
        out.insert(out.end(), closed.begin(), closed.end());
        pen += face->glyph->advance.x * UnitScale(face, size);
    }
    return out;
}

void TextRenderer::DrawExact(Image& img, const std::u32string& text, Font font, int size, double x, double baseline,
                             Color c) {
    DrawRun(Sized(impl_->faces, font, size), img, text, x, baseline, c, true);
}

}  // namespace course
