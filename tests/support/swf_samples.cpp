#include "tests/support/swf_samples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#ifndef TASTORA_NO_PNG
#include <png.h>
#endif

#include "swf/writer.h"

namespace tastora::swf_samples {

using namespace tastora::swf;

namespace {

constexpr int32_t kW = 240 * 20, kH = 180 * 20;  // stage of the samples, twips

struct MemoryDest {
    jpeg_destination_mgr mgr;
    std::vector<uint8_t>* out;
    uint8_t buffer[4096];
};

void InitDest(j_compress_ptr c) {
    auto* d = reinterpret_cast<MemoryDest*>(c->dest);
    d->mgr.next_output_byte = d->buffer;
    d->mgr.free_in_buffer = sizeof d->buffer;
}
boolean EmptyDest(j_compress_ptr c) {
    auto* d = reinterpret_cast<MemoryDest*>(c->dest);
    d->out->insert(d->out->end(), d->buffer, d->buffer + sizeof d->buffer);
    d->mgr.next_output_byte = d->buffer;
    d->mgr.free_in_buffer = sizeof d->buffer;
    return TRUE;
}
void TermDest(j_compress_ptr c) {
    auto* d = reinterpret_cast<MemoryDest*>(c->dest);
    d->out->insert(d->out->end(), d->buffer, d->buffer + (sizeof d->buffer - d->mgr.free_in_buffer));
}

// A "photo": smooth colour fields with some texture, RGB.
std::vector<uint8_t> Photo(int w, int h, int seed) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double fx = double(x) / w, fy = double(y) / h;
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(120 + 100 * std::sin(fx * 5 + seed) * std::cos(fy * 3));
            p[1] = uint8_t(110 + 90 * std::cos(fx * 4 - fy * 6 + seed));
            p[2] = uint8_t(128 + 80 * std::sin((fx + fy) * 7 + seed) + 20 * std::sin(x * 0.9) * std::sin(y * 0.7));
        }
    return rgb;
}

Placement Place(uint16_t depth, uint16_t character, Matrix m = Matrix()) {
    Placement p;
    p.depth = depth;
    p.character = character;
    p.hasMatrix = true;
    p.matrix = m;
    return p;
}

FillStyle Gradient(FillKind kind, const Matrix& m, std::vector<GradientStop> stops, Spread spread = Spread::Pad,
                   double focal = 0) {
    FillStyle f;
    f.kind = kind;
    f.matrix = m;
    f.stops = std::move(stops);
    f.spread = spread;
    f.focal = focal;
    return f;
}

// Gradient square (32768 units) scaled to `size` twips, centred at (x, y).
Matrix GradientBox(double x, double y, double size, double angle = 0) {
    return Matrix::Translate(x, y) * Matrix::Rotate(angle) * Matrix::Scale(size / 32768, size / 32768);
}

FillStyle BitmapFill(uint16_t id, bool repeat, bool smooth, const Matrix& m) {
    FillStyle f;
    f.kind = repeat ? FillKind::RepeatingBitmap : FillKind::ClippedBitmap;
    f.bitmap = id;
    f.smooth = smooth;
    f.matrix = m;
    return f;
}

// Glyphs on an em of `em` units, y up to -0.75 em: a square with a hole, a triangle, a
// disc and a "T".
std::vector<Glyph> Glyphs(int em) {
    auto u = [em](double v) { return int32_t(std::lround(v * em)); };
    std::vector<Glyph> glyphs(4);
    ShapeBuilder& box = glyphs[0].outline;
    box.SetStyles(1, 0, 0);
    box.MoveTo(u(0.05), u(-0.7));
    box.LineTo(u(0.65), u(-0.7));
    box.LineTo(u(0.65), 0);
    box.LineTo(u(0.05), 0);
    box.LineTo(u(0.05), u(-0.7));
    box.MoveTo(u(0.2), u(-0.55));
    box.LineTo(u(0.2), u(-0.15));
    box.LineTo(u(0.5), u(-0.15));
    box.LineTo(u(0.5), u(-0.55));
    box.LineTo(u(0.2), u(-0.55));
    ShapeBuilder& tri = glyphs[1].outline;
    tri.SetStyles(1, 0, 0);
    tri.MoveTo(u(0.35), u(-0.75));
    tri.LineTo(u(0.7), 0);
    tri.LineTo(0, 0);
    tri.LineTo(u(0.35), u(-0.75));
    glyphs[2].outline.Ellipse(u(0.35), u(-0.35), u(0.33), u(0.35), 1);
    ShapeBuilder& t = glyphs[3].outline;
    t.SetStyles(1, 0, 0);
    t.MoveTo(0, u(-0.7));
    t.LineTo(u(0.6), u(-0.7));
    t.LineTo(u(0.6), u(-0.58));
    t.LineTo(u(0.37), u(-0.58));
    t.LineTo(u(0.37), 0);
    t.LineTo(u(0.23), 0);
    t.LineTo(u(0.23), u(-0.58));
    t.LineTo(0, u(-0.58));
    t.LineTo(0, u(-0.7));
    for (int i = 0; i < 4; ++i) {
        glyphs[size_t(i)].code = uint16_t('A' + i);
        glyphs[size_t(i)].advance = int16_t(u(0.75));
    }
    return glyphs;
}

TextRecord Line(uint16_t font, uint16_t height, Rgba color, int32_t x, int32_t y, const std::vector<int>& glyphs) {
    TextRecord r;
    r.font = font;
    r.height = height;
    r.color = color;
    r.x = x;
    r.y = y;
    for (int g : glyphs) r.glyphs.push_back({uint16_t(g), int32_t(height * 0.8)});
    return r;
}

Sample Make(const std::string& name, Writer& w, int frame = 1, bool compressed = false) {
    Sample s;
    s.name = name;
    s.bytes = w.Finish(compressed);
    s.frame = frame;
    s.width = kW / 10;
    s.height = kH / 10;
    return s;
}

// A movie of one frame showing one shape at depth 1.
Sample OneShape(const std::string& name, Writer& w, int shapeVersion, const ShapeBuilder& s) {
    w.PlaceObject2(Place(1, w.DefineShape(shapeVersion, s)));
    w.ShowFrame();
    return Make(name, w);
}

// --- the samples ---------------------------------------------------------------------

Sample SolidShapes() {
    Writer w(1, kW, kH, 12);
    w.SetBackgroundColor({230, 240, 255, 255});
    ShapeBuilder s;
    int red = s.AddSolidFill({220, 40, 40, 255});
    int green = s.AddSolidFill({40, 170, 60, 255});
    int blue = s.AddSolidFill({30, 60, 200, 255});
    s.Rectangle(200, 200, 1800, 1200, red);
    s.Ellipse(3200, 1000, 1200, 700, green);
    // A triangle with a hole: both fills on shared edges (fill1 inside, fill0 outside).
    s.SetStyles(0, blue, 0);
    s.MoveTo(600, 3300);
    s.LineTo(2400, 3300);
    s.LineTo(1500, 1700);
    s.LineTo(600, 3300);
    s.SetStyles(blue, 0, 0);
    s.MoveTo(1200, 3000);
    s.LineTo(1800, 3000);
    s.LineTo(1500, 2500);
    s.LineTo(1200, 3000);
    uint16_t id = w.DefineShape(1, s);
    w.PlaceObject(id, 1, Matrix());
    w.ShowFrame();
    return Make("solid_shapes", w);
}

Sample Lines() {
    Writer w(3, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder s;
    int thin = s.AddLine(20, {0, 0, 0, 255});
    int thick = s.AddLine(200, {200, 60, 20, 255});
    int fill = s.AddSolidFill({250, 220, 80, 255});
    s.SetStyles(0, 0, thick);
    s.MoveTo(400, 400);
    s.LineTo(2000, 600);
    s.LineTo(1200, 1600);
    s.CurveTo(3000, 2400, 4200, 600);
    s.SetStyles(0, 0, thin);
    s.MoveTo(400, 3200);
    s.CurveTo(2400, 1600, 4400, 3200);
    s.Rectangle(2600, 2000, 1200, 800, fill, thick);
    // A second style table: drawn above the first.
    s.NewStyles();
    int over = s.AddSolidFill({40, 120, 220, 255});
    int ring = s.AddLine(100, {0, 90, 0, 255});
    s.Ellipse(3200, 2400, 500, 500, over, ring);
    return OneShape("lines", w, 2, s);
}

Sample Gradients() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({20, 20, 20, 255});
    ShapeBuilder s;
    std::vector<GradientStop> rainbow = {{0, {255, 0, 0, 255}}, {128, {255, 255, 0, 255}}, {255, {0, 0, 255, 255}}};
    int lin = s.AddFill(Gradient(FillKind::Linear, GradientBox(1200, 900, 2000), rainbow));
    int linRot = s.AddFill(Gradient(FillKind::Linear, GradientBox(3600, 900, 1000, 0.6),
                                    {{0, {255, 255, 255, 255}}, {255, {0, 128, 0, 255}}}, Spread::Reflect));
    int rad = s.AddFill(Gradient(FillKind::Radial, GradientBox(1200, 2700, 1600),
                                 {{0, {255, 255, 255, 255}}, {200, {0, 100, 200, 255}}, {255, {0, 0, 60, 255}}}));
    int rep = s.AddFill(Gradient(FillKind::Radial, GradientBox(3600, 2700, 800),
                                 {{0, {255, 200, 0, 255}}, {255, {160, 0, 80, 255}}}, Spread::Repeat));
    s.Rectangle(200, 100, 2000, 1600, lin);
    s.Rectangle(2600, 100, 2000, 1600, linRot);
    s.Rectangle(200, 1900, 2000, 1600, rad);
    s.Rectangle(2600, 1900, 2000, 1600, rep);
    uint16_t id = w.DefineShape(3, s);
    w.PlaceObject2(Place(1, id));
    ShapeBuilder f;
    int focal = f.AddFill(Gradient(FillKind::Focal, GradientBox(0, 0, 1400),
                                   {{0, {255, 255, 255, 255}}, {255, {200, 0, 0, 255}}}, Spread::Pad, 0.6));
    f.Ellipse(0, 0, 700, 700, focal);
    uint16_t fid = w.DefineShape(4, f);
    w.PlaceObject2(Place(2, fid, Matrix::Translate(2400, 1800)));
    w.ShowFrame();
    return Make("gradients", w);
}

Sample LineStyles4() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 240, 255});
    ShapeBuilder s;
    auto style = [](uint16_t width, Rgba c, Cap cap, Join join) {
        LineStyle l;
        l.width = width;
        l.color = c;
        l.startCap = l.endCap = cap;
        l.join = join;
        l.miterLimit = 4;
        return l;
    };
    int none = s.AddLine(style(240, {200, 0, 0, 255}, Cap::None, Join::Bevel));
    int square = s.AddLine(style(240, {0, 0, 200, 255}, Cap::Square, Join::Miter));
    int round = s.AddLine(style(240, {0, 150, 0, 160}, Cap::Round, Join::Round));
    LineStyle grad = style(300, {0, 0, 0, 255}, Cap::Round, Join::Round);
    grad.hasFill = true;
    grad.fill =
        Gradient(FillKind::Linear, GradientBox(2400, 3000, 4000), {{0, {255, 0, 255, 255}}, {255, {0, 200, 200, 255}}});
    int gl = s.AddLine(grad);
    int zigzag[][2] = {{400, 1200}, {1000, 400}, {1600, 1200}, {2200, 400}};
    int lines[] = {none, square, round};
    for (int k = 0; k < 3; ++k) {
        s.SetStyles(0, 0, lines[k]);
        s.MoveTo(zigzag[0][0] + k * 800, zigzag[0][1] + k * 700);
        for (int i = 1; i < 4; ++i) s.LineTo(zigzag[i][0] + k * 800, zigzag[i][1] + k * 700);
    }
    s.SetStyles(0, 0, gl);
    s.MoveTo(400, 3200);
    s.LineTo(4400, 3200);
    return OneShape("line_styles4", w, 4, s);
}

Sample Lossless() {
    Writer w(10, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    // A 8x8 checker (24-bit), a 4-colour palette bitmap, a bitmap with an alpha ramp.
    std::vector<Rgba> checker(64), palette(16 * 16), ramp(32 * 32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            checker[size_t(y * 8 + x)] = ((x + y) & 1) ? Rgba{0, 0, 0, 255} : Rgba{255, 200, 0, 255};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            palette[size_t(y * 16 + x)] = x < 8 ? (y < 8 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255})
                                                : (y < 8 ? Rgba{0, 0, 255, 255} : Rgba{255, 255, 255, 255});
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ramp[size_t(y * 32 + x)] = Rgba{0, 60, 200, uint8_t(x * 255 / 31)};
    uint16_t b1 = w.DefineBitsLossless(1, 8, 8, checker);
    uint16_t b2 = w.DefineBitsLossless(2, 16, 16, palette, true);
    uint16_t b3 = w.DefineBitsLossless(2, 32, 32, ramp);
    ShapeBuilder s;
    int back = s.AddSolidFill({200, 0, 0, 255});
    s.Rectangle(2600, 2000, 2000, 1400, back);
    int rep = s.AddFill(BitmapFill(b1, true, false, Matrix::Scale(100, 100, 200, 200)));
    int clip = s.AddFill(BitmapFill(b2, false, false, Matrix::Scale(80, 80, 2600, 200)));
    int smooth = s.AddFill(BitmapFill(b3, false, true, Matrix::Scale(60, 40, 2600, 2000)));
    s.Rectangle(200, 200, 2000, 3200, rep);
    s.Rectangle(2600, 200, 1280, 1280, clip);
    s.Rectangle(2600, 2000, 1920, 1280, smooth);
    return OneShape("lossless", w, 3, s);
}

Sample Jpegs() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({0, 0, 0, 255});
    std::vector<uint8_t> photo = Photo(80, 60, 1);
    w.JpegTables(Jpeg(80, 60, photo, 90, true, false));
    uint16_t bits = w.DefineBits(Jpeg(80, 60, photo, 90, false, true));
    uint16_t j2 = w.DefineBitsJpeg2(Jpeg(80, 60, Photo(80, 60, 2), 90));
    std::vector<uint8_t> alpha(80 * 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            double dx = (x - 40) / 40.0, dy = (y - 30) / 30.0;
            alpha[size_t(y * 80 + x)] = uint8_t(std::clamp(1.2 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0) * 255);
        }
    std::vector<uint8_t> premultiplied = Photo(80, 60, 3);
    for (size_t i = 0; i < premultiplied.size(); ++i) premultiplied[i] = uint8_t(premultiplied[i] * alpha[i / 3] / 255);
    uint16_t j3 = w.DefineBitsJpeg3(Jpeg(80, 60, premultiplied, 90), alpha);
    ShapeBuilder s;
    int white = s.AddSolidFill({255, 255, 255, 255});
    s.Rectangle(2400, 1800, 2400, 1800, white);
    int f1 = s.AddFill(BitmapFill(bits, false, true, Matrix::Scale(25, 25, 100, 100)));
    int f2 = s.AddFill(BitmapFill(j2, false, true, Matrix::Scale(25, 25, 2500, 100)));
    int f3 = s.AddFill(BitmapFill(j3, false, true, Matrix::Scale(25, 25, 1300, 1900)));
    s.Rectangle(100, 100, 2000, 1500, f1);
    s.Rectangle(2500, 100, 2000, 1500, f2);
    s.Rectangle(1300, 1900, 2000, 1500, f3);
    return OneShape("jpegs", w, 3, s);
}

Sample Texts() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({250, 250, 250, 255});
    uint16_t f1 = w.DefineFont(1, "", Glyphs(1024));
    uint16_t f2 = w.DefineFont(2, "Shapes", Glyphs(1024), 800, 200);
    uint16_t f3 = w.DefineFont(3, "Shapes3", Glyphs(20480), 16000, 4000);
    Rect bounds{0, 0, kW, kH};
    uint16_t t1 = w.DefineText(1, bounds, Matrix(),
                               {Line(f1, 400, {0, 0, 0, 255}, 200, 800, {0, 1, 2, 3, 3, 2, 1, 0}),
                                Line(f1, 240, {160, 0, 0, 255}, 200, 1300, {3, 3, 0, 1, 2, 0, 1, 2, 3, 0})});
    uint16_t t2 = w.DefineText(2, bounds, Matrix(), {Line(f2, 600, {0, 0, 200, 128}, 200, 2200, {0, 1, 2, 3, 0, 1})});
    uint16_t t3 = w.DefineText(2, bounds, Matrix::Rotate(-0.2, 0, 0),
                               {Line(f3, 500, {0, 120, 0, 255}, 200, 3400, {2, 3, 1, 0, 2, 3})});
    w.PlaceObject2(Place(1, t1));
    w.PlaceObject2(Place(2, t2, Matrix::Translate(100, 0)));
    w.PlaceObject2(Place(3, t3));
    w.ShowFrame();
    return Make("texts", w);
}

Sample Masks() {
    Writer w(6, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder stripes;
    int a = stripes.AddSolidFill({200, 30, 30, 255});
    int b = stripes.AddSolidFill({30, 30, 200, 255});
    for (int i = 0; i < 12; ++i) stripes.Rectangle(i * 400, 0, 400, kH, (i & 1) ? a : b);
    uint16_t sid = w.DefineShape(2, stripes);
    ShapeBuilder disc;
    int any = disc.AddSolidFill({0, 0, 0, 255});
    disc.Ellipse(2400, 1800, 1500, 1200, any);
    uint16_t did = w.DefineShape(2, disc);
    ShapeBuilder top;
    int g = top.AddSolidFill({0, 180, 0, 255});
    top.Rectangle(3600, 2600, 1000, 800, g);
    uint16_t tid = w.DefineShape(2, top);
    Placement mask = Place(1, did);
    mask.clipDepth = 2;
    w.PlaceObject2(mask);
    w.PlaceObject2(Place(2, sid));
    w.PlaceObject2(Place(3, tid));  // above the masked depths: not masked
    w.ShowFrame();
    return Make("masks", w);
}

Sample Sprites() {
    Writer w(6, kW, kH, 6);
    w.SetBackgroundColor({240, 240, 200, 255});
    ShapeBuilder sq;
    int red = sq.AddSolidFill({200, 0, 0, 255});
    sq.Rectangle(-300, -300, 600, 600, red);
    uint16_t square = w.DefineShape(2, sq);
    // The sprite moves the square on four frames and stops itself at the fourth.
    TagList t;
    t.PlaceObject2(Place(1, square));
    t.ShowFrame();
    for (int i = 1; i < 4; ++i) {
        Placement move;
        move.depth = 1;
        move.move = true;
        move.hasMatrix = true;
        move.matrix = Matrix::Translate(i * 800, i * 400) * Matrix::Rotate(i * 0.3);
        t.PlaceObject2(move);
        if (i == 3) t.DoAction(ActionList().Stop());
        t.ShowFrame();
    }
    uint16_t sprite = w.DefineSprite(t);
    w.PlaceObject2(Place(1, sprite, Matrix::Translate(800, 800)));
    Placement tinted = Place(2, sprite, Matrix::Scale(0.5, 0.5, 800, 2400));
    tinted.hasColor = true;
    tinted.color.mr = 0;
    tinted.color.ab = 200;
    w.PlaceObject2(tinted);
    // The movie itself runs on to frame 6 and stops there.
    for (int i = 0; i < 5; ++i) w.ShowFrame();
    w.DoAction(ActionList().Stop());
    w.ShowFrame();
    return Make("sprites", w, 6);
}

Sample Actions() {
    Writer w(5, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    auto digitShape = [&](int n) {
        ShapeBuilder s;
        int f = s.AddSolidFill({uint8_t(40 * n), 100, uint8_t(250 - 40 * n), 255});
        for (int i = 0; i < n; ++i) s.Rectangle(300 + i * 700, 1200, 500, 1200, f);
        return w.DefineShape(1, s);
    };
    std::vector<uint16_t> shapes;
    for (int i = 1; i <= 6; ++i) shapes.push_back(digitShape(i));
    // Frame k shows k bars. 1: go to 3 (a goto stops); 3: next frame; 4: go to "six";
    // 6: previous frame; 5: play, then stop. The movie rests at frame 5.
    for (int k = 1; k <= 6; ++k) {
        if (k > 1) w.RemoveObject2(1);
        w.PlaceObject2(Place(1, shapes[size_t(k - 1)]));
        if (k == 6) w.FrameLabel("six");
        if (k == 1) w.DoAction(ActionList().GotoFrame(3));
        if (k == 3) w.DoAction(ActionList().NextFrame());
        if (k == 4) w.DoAction(ActionList().GotoLabel("six"));
        if (k == 5) w.DoAction(ActionList().Play().Stop());
        if (k == 6) w.DoAction(ActionList().PreviousFrame());
        w.ShowFrame();
    }
    return Make("actions", w, 5);
}

Sample Transforms() {
    Writer w(7, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder s;
    int f = s.AddSolidFill({0, 120, 200, 255});
    int l = s.AddLine(60, {0, 0, 0, 255});
    s.Rectangle(-500, -300, 1000, 600, f, l);
    uint16_t id = w.DefineShape(1, s);
    w.PlaceObject(id, 1, Matrix::Translate(1000, 800));
    w.PlaceObject2(Place(2, id, Matrix::Translate(3400, 800) * Matrix::Rotate(0.5)));
    Matrix skew{1, 0.3, 0.6, 1.2, 1000, 2600};
    Placement p3 = Place(3, id, skew);
    p3.hasColor = true;
    p3.color.ma = 0.5;
    p3.color.ar = 120;
    w.PlaceObject2(p3);
    w.PlaceObject2(Place(4, id, Matrix::Scale(1.5, 0.8, 3400, 2600)));
    w.ShowFrame();
    // Frame 2: depth 4 moves, depth 1 goes away (RemoveObject), depth 2 changes colour.
    w.RemoveObject(id, 1);
    Placement mv;
    mv.depth = 4;
    mv.move = true;
    mv.hasMatrix = true;
    mv.matrix = Matrix::Scale(-1.5, 0.8, 3400, 3000);
    w.PlaceObject2(mv);
    Placement tint;
    tint.depth = 2;
    tint.move = true;
    tint.hasColor = true;
    tint.color.mg = 0;
    tint.color.ag = 0;
    tint.color.ar = 200;
    w.PlaceObject2(tint);
    w.DoAction(ActionList().Stop());
    w.ShowFrame();
    return Make("transforms", w, 2, true);
}

// Colour transforms on bitmap and gradient fills, and a mask inside a sprite.
Sample Tinted() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    std::vector<Rgba> pixels(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels[size_t(y * 16 + x)] = Rgba{uint8_t(x * 16), uint8_t(y * 16), 160, 255};
    uint16_t bitmap = w.DefineBitsLossless(2, 16, 16, pixels);
    ShapeBuilder pic;
    pic.Rectangle(0, 0, 1920, 1920, pic.AddFill(BitmapFill(bitmap, false, true, Matrix::Scale(120, 120))));
    uint16_t picture = w.DefineShape(3, pic);
    ShapeBuilder grad;
    grad.Rectangle(0, 0, 2000, 1200,
                   grad.AddFill(Gradient(FillKind::Linear, GradientBox(1000, 600, 2000),
                                         {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}})));
    uint16_t gradient = w.DefineShape(3, grad);
    ShapeBuilder star;
    int any = star.AddSolidFill({0, 0, 0, 255});
    star.SetStyles(any, 0, 0);
    star.MoveTo(960, 0);
    star.LineTo(1920, 1920);
    star.LineTo(0, 700);
    star.LineTo(1920, 700);
    star.LineTo(0, 1920);
    star.LineTo(960, 0);
    uint16_t mask = w.DefineShape(3, star);
    TagList t;
    Placement m = Place(1, mask);
    m.clipDepth = 2;
    t.PlaceObject2(m);
    t.PlaceObject2(Place(2, picture));
    t.ShowFrame();
    uint16_t sprite = w.DefineSprite(t);
    w.PlaceObject2(Place(1, picture, Matrix::Translate(200, 200)));
    Placement faded = Place(2, sprite, Matrix::Translate(2600, 200));
    faded.hasColor = true;
    faded.color.ma = 0.6;
    faded.color.ar = 80;
    w.PlaceObject2(faded);
    Placement warm = Place(3, gradient, Matrix::Translate(400, 2300));
    warm.hasColor = true;
    warm.color.mb = 0.2;
    warm.color.ar = 60;
    w.PlaceObject2(warm);
    Placement half = Place(4, picture, Matrix::Scale(0.5, 0.5, 2800, 2400));
    half.hasColor = true;
    half.color.ma = 0.5;
    w.PlaceObject2(half);
    w.ShowFrame();
    return Make("tinted", w);
}

// Only the first background colour counts.
Sample Background() {
    Writer w(6, kW, kH, 12);
    w.SetBackgroundColor({200, 230, 255, 255});
    w.SetBackgroundColor({255, 0, 0, 255});
    ShapeBuilder s;
    s.Rectangle(1600, 1200, 1600, 1200, s.AddSolidFill({0, 90, 0, 255}));
    return OneShape("background", w, 1, s);
}

// Placing (not moving) at a depth that is taken leaves the object there, on the movie's
// timeline and in a sprite; frame 2.
Sample OccupiedDepth() {
    Writer w(6, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    auto rect = [&](Rgba c, int32_t size) {
        ShapeBuilder s;
        s.Rectangle(0, 0, size, size, s.AddSolidFill(c));
        return w.DefineShape(1, s);
    };
    uint16_t blue = rect({0, 0, 200, 255}, 1000), red = rect({220, 0, 0, 255}, 1600);
    TagList t;
    t.PlaceObject2(Place(1, blue));
    t.PlaceObject2(Place(1, red));
    t.ShowFrame();
    uint16_t sprite = w.DefineSprite(t);
    w.PlaceObject2(Place(1, blue, Matrix::Translate(400, 400)));
    w.PlaceObject2(Place(2, sprite, Matrix::Translate(2600, 400)));
    w.ShowFrame();
    w.PlaceObject2(Place(1, red, Matrix::Translate(400, 1800)));
    w.DoAction(ActionList().Stop());
    w.ShowFrame();
    return Make("occupied_depth", w, 2);
}

// Gradient stops that share a ratio, at the start, the end and the middle, in gradient
// boxes smaller than their shapes (the padded area shows the colour at each end).
Sample GradientStops() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder s;
    const Rgba red{255, 0, 0, 255}, green{0, 200, 0, 255}, blue{0, 0, 255, 255}, yellow{255, 220, 0, 255};
    std::vector<std::vector<GradientStop>> stops = {
        {{0, red}, {0, green}, {255, blue}},
        {{0, red}, {255, green}, {255, blue}},
        {{0, red}, {128, green}, {128, blue}, {255, yellow}},
        {{0, red}, {0, yellow}, {255, green}, {255, blue}},
    };
    for (int i = 0; i < 4; ++i) {
        int32_t x = 200 + (i % 2) * 2400, y = 200 + (i / 2) * 1700;
        s.Rectangle(x, y, 2000, 700, s.AddFill(Gradient(FillKind::Linear, GradientBox(x + 1000, y, 1000), stops[i])));
        s.Rectangle(x, y + 800, 2000, 700,
                    s.AddFill(Gradient(FillKind::Radial, GradientBox(x + 1000, y + 1150, 800), stops[i])));
    }
    return OneShape("gradient_stops", w, 3, s);
}

// Colours mixed in linear light (left) beside the same gradients in sRGB (right): plain
// linear and radial gradients and a focal one.
Sample LinearRgb() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder s;
    std::vector<GradientStop> redBlue = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}};
    std::vector<GradientStop> three = {{0, {0, 0, 0, 255}}, {100, {0, 255, 0, 255}}, {255, {255, 255, 255, 255}}};
    for (int linear = 0; linear < 2; ++linear) {
        int32_t x = linear ? 200 : 2600;
        FillStyle a = Gradient(FillKind::Linear, GradientBox(x + 1000, 500, 2000), redBlue);
        FillStyle b = Gradient(FillKind::Linear, GradientBox(x + 1000, 1300, 2000, 0.3), three);
        FillStyle c = Gradient(FillKind::Radial, GradientBox(x + 500, 2700, 1400), three);
        FillStyle d = Gradient(FillKind::Focal, GradientBox(x + 1500, 2700, 1400), redBlue, Spread::Pad, -0.7);
        for (FillStyle* f : {&a, &b, &c, &d}) f->linearRgb = linear;
        s.Rectangle(x, 100, 2000, 700, s.AddFill(a));
        s.Rectangle(x, 900, 2000, 800, s.AddFill(b));
        s.Ellipse(x + 500, 2700, 480, 700, s.AddFill(c));
        s.Ellipse(x + 1500, 2700, 480, 700, s.AddFill(d));
    }
    return OneShape("linear_rgb", w, 4, s);
}

// Strokes scaled with their shapes: a 1-pixel outline scaled 8 x 1 and 1 x 8, rotated
// after a non-uniform scale, and DefineShape4 pens. (The pens that keep their width under
// scaling are left out: Ruffle scales them as any other.)
Sample StrokeScale() {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 240, 255});
    ShapeBuilder s;
    int fill = s.AddSolidFill({180, 210, 255, 255});
    int pen = s.AddLine(20, {0, 0, 0, 255});
    s.Rectangle(0, 0, 200, 200, fill, pen);
    s.SetStyles(0, 0, pen);
    s.MoveTo(20, 180);
    s.CurveTo(100, -60, 180, 180);
    uint16_t box = w.DefineShape(3, s);
    ShapeBuilder k;
    LineStyle square;
    square.width = 40;
    square.color = {200, 0, 0, 255};
    square.startCap = square.endCap = Cap::Square;
    square.join = Join::Miter;
    int sharp = k.AddLine(square);
    int normal = k.AddLine(40, {0, 0, 200, 255});
    k.SetStyles(0, 0, sharp);
    k.MoveTo(0, 0);
    k.LineTo(200, 0);
    k.LineTo(200, 200);
    k.SetStyles(0, 0, normal);
    k.MoveTo(0, 60);
    k.LineTo(140, 60);
    k.LineTo(140, 200);
    uint16_t kept = w.DefineShape(4, k);
    w.PlaceObject2(Place(1, box, Matrix::Scale(8, 1, 200, 200)));
    w.PlaceObject2(Place(2, box, Matrix::Scale(1, 8, 2200, 200)));
    w.PlaceObject2(Place(3, box, Matrix::Translate(3400, 1200) * Matrix::Rotate(0.5) * Matrix::Scale(5, 1.5)));
    w.PlaceObject2(Place(4, kept, Matrix::Scale(8, 1.5, 200, 2600)));
    w.PlaceObject2(Place(5, box, Matrix::Scale(0.5, 4, 2200, 2200)));
    w.ShowFrame();
    return Make("stroke_scale", w);
}

// A sprite used as a mask that holds a mask of its own: its masked stripes, cut by the
// disc, and a square beside them make the outer mask's shape.
Sample SpriteMask() {
    Writer w(6, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder stripes;
    int a = stripes.AddSolidFill({0, 0, 0, 255});
    for (int i = 0; i < 6; ++i) stripes.Rectangle(i * 400, 0, 200, 2400, a);
    uint16_t sid = w.DefineShape(2, stripes);
    ShapeBuilder disc;
    disc.Ellipse(1200, 1200, 1000, 1000, disc.AddSolidFill({0, 0, 0, 255}));
    uint16_t did = w.DefineShape(2, disc);
    ShapeBuilder square;
    square.Rectangle(2600, 600, 1000, 1000, square.AddSolidFill({0, 0, 0, 255}));
    uint16_t qid = w.DefineShape(2, square);
    TagList t;
    Placement inner = Place(1, did);
    inner.clipDepth = 2;
    t.PlaceObject2(inner);
    t.PlaceObject2(Place(2, sid));
    t.PlaceObject2(Place(3, qid));
    t.ShowFrame();
    uint16_t sprite = w.DefineSprite(t);
    ShapeBuilder back;
    int g = back.AddFill(
        Gradient(FillKind::Linear, GradientBox(2400, 1800, 4800), {{0, {220, 0, 0, 255}}, {255, {0, 0, 220, 255}}}));
    back.Rectangle(0, 0, kW, kH, g);
    uint16_t bid = w.DefineShape(3, back);
    Placement outer = Place(1, sprite, Matrix::Translate(400, 600));
    outer.clipDepth = 2;
    w.PlaceObject2(outer);
    w.PlaceObject2(Place(2, bid));
    w.ShowFrame();
    return Make("sprite_mask", w);
}

// Bitmap fills smoothed and not (as the fill type says), an 8-bit palette with
// translucent entries, JPEG alpha planes in DefineBitsJPEG3 and DefineBitsJPEG4.
Sample BitmapDetails() {
    Writer w(10, kW, kH, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    std::vector<Rgba> check(4 * 4), palette(8 * 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            check[size_t(y * 4 + x)] = ((x + y) & 1) ? Rgba{0, 0, 120, 255} : Rgba{255, uint8_t(60 * x), 0, 255};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            palette[size_t(y * 8 + x)] =
                Rgba{uint8_t(x < 4 ? 255 : 0), 0, uint8_t(x < 4 ? 0 : 255), uint8_t(y * 32 + 31)};
    uint16_t b1 = w.DefineBitsLossless(2, 4, 4, check);
    uint16_t b2 = w.DefineBitsLossless(2, 8, 8, palette, true);
    std::vector<uint8_t> alpha(40 * 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) alpha[size_t(y * 40 + x)] = uint8_t(x < 20 ? 255 : y * 8);
    std::vector<uint8_t> photo = Photo(40, 30, 4);
    for (size_t i = 0; i < photo.size(); ++i) photo[i] = uint8_t(photo[i] * alpha[i / 3] / 255);
    uint16_t j3 = w.DefineBitsJpeg3(Jpeg(40, 30, photo, 90), alpha);
    uint16_t j4 = w.DefineBitsJpeg4(Jpeg(40, 30, photo, 90), alpha, 0x0180);
    ShapeBuilder s;
    int stripe = s.AddSolidFill({0, 160, 0, 255});
    s.Rectangle(0, 1700, kW, 300, stripe);
    s.Rectangle(2400, 2000, 300, 1600, stripe);
    int smooth = s.AddFill(BitmapFill(b1, false, true, Matrix::Scale(300, 300, 200, 200)));
    int sharp = s.AddFill(BitmapFill(b1, false, false, Matrix::Scale(300, 300, 2600, 200)));
    int pal = s.AddFill(BitmapFill(b2, true, false, Matrix::Scale(100, 100, 200, 2000)));
    int f3 = s.AddFill(BitmapFill(j3, false, true, Matrix::Scale(20, 20, 1400, 2000)));
    int f4 = s.AddFill(BitmapFill(j4, false, true, Matrix::Scale(20, 20, 2900, 2000)));
    s.Rectangle(200, 200, 1200, 1200, smooth);
    s.Rectangle(2600, 200, 1200, 1200, sharp);
    s.Rectangle(200, 1900, 1000, 1600, pal);
    s.Rectangle(1400, 2000, 800, 600, f3);
    s.Rectangle(2900, 2000, 800, 600, f4);
    return OneShape("bitmap_details", w, 3, s);
}

}  // namespace

std::vector<uint8_t> Jpeg(int width, int height, const std::vector<uint8_t>& rgb, int quality, bool tablesOnly,
                          bool withoutTables) {
    std::vector<uint8_t> out;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    MemoryDest dest;
    dest.out = &out;
    dest.mgr.init_destination = InitDest;
    dest.mgr.empty_output_buffer = EmptyDest;
    dest.mgr.term_destination = TermDest;
    c.dest = &dest.mgr;
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (tablesOnly) {
        jpeg_write_tables(&c);
    } else {
        if (withoutTables) jpeg_suppress_tables(&c, TRUE);
        jpeg_start_compress(&c, withoutTables ? FALSE : TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(c.next_scanline) * width * 3]);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
    }
    jpeg_destroy_compress(&c);
    return out;
}

// Shape tweens over five frames (ratio 0, 1/4 .. 1 of the way), the movie stopped at
// `stop`: a square of straight edges that becomes a circle of curves while its colour and
// its pen change, and a linear gradient that turns; `extras` adds a focal gradient that
// moves its focus (1), a bitmap fill that turns (2) and a pen painted with a gradient (4;
// focus and painted pens are of version 2).
Sample Tween(const std::string& name, int version, int stop, int extras = 7) {
    Writer w(8, kW, kH, 12);
    w.SetBackgroundColor({250, 250, 245, 255});
    const Rgba red{220, 30, 30, 255}, blue{30, 60, 220, 255}, green{20, 160, 60, 255}, yellow{250, 210, 0, 255};
    uint16_t bitmap = w.DefineBitsLossless(2, 2, 2, {red, yellow, green, blue});
    ShapeBuilder from, to;
    // Square (side 1600, its sides split in two) to circle (radius 900): both from the top.
    const int32_t cx = 1200, cy = 1200, h = 800, r = 900, k = 373;  // r * tan(22.5 degrees)
    int32_t sq[8][2] = {{h, -h}, {h, 0}, {h, h}, {0, h}, {-h, h}, {-h, 0}, {-h, -h}, {0, -h}};
    int32_t ends[8][2] = {{636, -636}, {r, 0}, {636, 636}, {0, r}, {-636, 636}, {-r, 0}, {-636, -636}, {0, -r}};
    int32_t ctrl[8][2] = {{k, -r}, {r, -k}, {r, k}, {k, r}, {-k, r}, {-r, k}, {-r, -k}, {-k, -r}};
    from.SetStyles(from.AddSolidFill(red), 0, from.AddLine(40, {0, 0, 0, 255}));
    to.SetStyles(to.AddSolidFill({30, 60, 220, 160}), 0, to.AddLine(200, green));
    from.MoveTo(cx, cy - h);
    to.MoveTo(cx, cy - r);
    for (int i = 0; i < 8; ++i) {
        from.LineTo(cx + sq[i][0], cy + sq[i][1]);
        to.CurveTo(cx + ctrl[i][0], cy + ctrl[i][1], cx + ends[i][0], cy + ends[i][1]);
    }
    // A bar whose gradient turns and changes colour, while the bar grows.
    from.Rectangle(2600, 400, 1600, 800,
                   from.AddFill(Gradient(FillKind::Linear, GradientBox(3400, 800, 1600), {{0, red}, {255, blue}})));
    to.Rectangle(
        2400, 300, 2000, 1400,
        to.AddFill(Gradient(FillKind::Linear, GradientBox(3400, 1000, 1400, 1.5708), {{60, yellow}, {200, green}})));
    if (extras & 1) {
        from.Rectangle(400, 2400, 1800, 1000,
                       from.AddFill(Gradient(FillKind::Focal, GradientBox(1300, 2900, 1800), {{0, yellow}, {255, red}},
                                             Spread::Reflect, -0.8)));
        to.Rectangle(400, 2400, 1800, 1000,
                     to.AddFill(Gradient(FillKind::Focal, GradientBox(1300, 2900, 1400, 0.5),
                                         {{0, {255, 255, 255, 255}}, {255, blue}}, Spread::Reflect, 0.8)));
    }
    if (extras & 2) {
        from.Rectangle(2600, 2200, 1400, 1200,
                       from.AddFill(BitmapFill(bitmap, true, false, Matrix::Scale(300, 300, 2600, 2200))));
        to.Rectangle(
            2600, 2200, 1400, 1200,
            to.AddFill(BitmapFill(bitmap, true, false, Matrix::Rotate(0.6, 3300, 2800) * Matrix::Scale(200, 200))));
    }
    if (extras & 4) {
        LineStyle pen;
        pen.width = 60;
        pen.hasFill = true;
        pen.fill = Gradient(FillKind::Linear, GradientBox(2400, 1900, 4000), {{0, red}, {255, blue}});
        from.SetStyles(0, 0, from.AddLine(pen));
        pen.width = 240;
        pen.fill.stops = {{0, green}, {255, yellow}};
        to.SetStyles(0, 0, to.AddLine(pen));
        from.MoveTo(400, 1900);
        from.LineTo(4400, 1900);
        to.MoveTo(400, 2000);
        to.CurveTo(2400, 1500, 4400, 2000);
    }
    uint16_t morph = w.DefineMorphShape(version, from, to);
    for (int frame = 1; frame <= 5; ++frame) {
        Placement p = Place(1, frame == 1 ? morph : 0);
        p.move = frame > 1;
        p.hasRatio = true;
        p.ratio = uint16_t(65535 * (frame - 1) / 4);
        w.PlaceObject2(p);
        if (frame == stop) w.DoAction(ActionList().Stop());
        w.ShowFrame();
    }
    return Make(name, w, stop);
}

std::vector<Sample> All() {
    return {SolidShapes(),
            Lines(),
            Gradients(),
            LineStyles4(),
            Lossless(),
            Jpegs(),
            Texts(),
            Masks(),
            Sprites(),
            Actions(),
            Transforms(),
            Tinted(),
            Background(),
            OccupiedDepth(),
            GradientStops(),
            LinearRgb(),
            StrokeScale(),
            SpriteMask(),
            BitmapDetails(),
            Tween("morph1_at2", 1, 2, 2),
            Tween("morph1_at4", 1, 4, 2),
            Tween("morph2_at3", 2, 3),
            Tween("morph2_at5", 2, 5)};
}

std::vector<uint8_t> Slide(bool compressed) {
    const int32_t w = 1280 * 20, h = 1024 * 20;
    Writer wr(8, w, h, 12);
    wr.SetBackgroundColor({255, 255, 255, 255});
    uint16_t photo = wr.DefineBitsJpeg2(Jpeg(480, 360, Photo(480, 360, 4), 85));
    ShapeBuilder s;
    int band = s.AddFill(Gradient(FillKind::Linear, GradientBox(w / 2, 1500, w, 1.5708),
                                  {{0, {20, 60, 140, 255}}, {255, {80, 140, 220, 255}}}));
    int panel = s.AddSolidFill({245, 240, 225, 255});
    int edge = s.AddLine(40, {120, 120, 120, 255});
    int pic = s.AddFill(BitmapFill(photo, false, true, Matrix::Scale(20, 20, 14000, 4000)));
    s.Rectangle(0, 0, w, 3000, band);
    s.Rectangle(800, 3800, 12400, 15600, panel, edge);
    s.Rectangle(14000, 4000, 9600, 7200, pic, edge);
    int dot = s.AddSolidFill({200, 60, 40, 255});
    for (int i = 0; i < 6; ++i) s.Ellipse(1500, 5000 + i * 2200, 250, 250, dot);
    uint16_t shape = wr.DefineShape(3, s);
    uint16_t font = wr.DefineFont(3, "Shapes", Glyphs(20480), 16000, 4000);
    std::vector<TextRecord> lines;
    lines.push_back(Line(font, 1200, {255, 255, 255, 255}, 1000, 2100, {3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}));
    for (int i = 0; i < 6; ++i) {
        std::vector<int> glyphs;
        for (int k = 0; k < 22; ++k) glyphs.push_back((k * 7 + i) % 4);
        lines.push_back(Line(font, 560, {30, 30, 30, 255}, 2200, 5300 + i * 2200, glyphs));
    }
    uint16_t text = wr.DefineText(2, Rect{0, 0, w, h}, Matrix(), lines);
    wr.PlaceObject2(Place(1, shape));
    wr.PlaceObject2(Place(2, text));
    wr.DoAction(ActionList().Stop());
    wr.ShowFrame();
    return wr.Finish(compressed);
}

std::vector<uint8_t> LargeMovie(size_t bytes) {
    const int32_t w = 1280 * 20, h = 1024 * 20;
    Writer wr(8, w, h, 12);
    wr.SetBackgroundColor({255, 255, 255, 255});
    uint16_t font = wr.DefineFont(3, "Shapes", Glyphs(20480), 16000, 4000);
    int frame = 0;
    size_t size = 0;
    while (size < bytes) {
        uint16_t photo = wr.DefineBitsJpeg2(Jpeg(640, 480, Photo(640, 480, frame), 92));
        ShapeBuilder s;
        int pic = s.AddFill(BitmapFill(photo, false, true, Matrix::Scale(20, 20, 6000, 4000)));
        int dot = s.AddSolidFill({200, 60, 40, 255});
        s.Rectangle(6000, 4000, 12800, 9600, pic);
        for (int i = 0; i < 40; ++i) s.Ellipse(1000 + i * 600, 17000, 200, 200, dot);
        uint16_t shape = wr.DefineShape(3, s);
        std::vector<TextRecord> lines;
        for (int i = 0; i < 4; ++i) {
            std::vector<int> glyphs;
            for (int k = 0; k < 30; ++k) glyphs.push_back((k + i + frame) % 4);
            lines.push_back(Line(font, 500, {0, 0, 0, 255}, 1000, 1500 + i * 700, glyphs));
        }
        uint16_t text = wr.DefineText(1, Rect{0, 0, w, h}, Matrix(), lines);
        if (frame > 0) {
            wr.RemoveObject2(1);
            wr.RemoveObject2(2);
        }
        wr.PlaceObject2(Place(1, shape));
        wr.PlaceObject2(Place(2, text));
        wr.ShowFrame();
        ++frame;
        size = wr.bytes().size();
    }
    return wr.Finish(false);
}

#ifdef TASTORA_NO_PNG
// The Windows benchmarks have no libpng: no reference pictures there.
bool ReadPng(const std::string&, std::vector<uint8_t>&, int&, int&) { return false; }
#else
bool ReadPng(const std::string& path, std::vector<uint8_t>& bgra, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    width = int(image.width);
    height = int(image.height);
    bgra.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, bgra.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}
#endif

double OutlierShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance) {
    if (a.size() != b.size() || a.empty()) return 1;
    size_t outliers = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        int d = 0;
        for (size_t c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[i + c]) - int(b[i + c])));
        if (d > tolerance) ++outliers;
    }
    return double(outliers) / double(a.size() / 4);
}

}  // namespace tastora::swf_samples
