// The SWF library: our rendering against the Ruffle player's pictures of the samples, the
// writer and reader together, the timeline, and files that are damaged or hostile.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "swf/movie.h"
#include "swf/player.h"
#include "swf/writer.h"
#include "tests/support/swf_hostile.h"
#include "tests/support/swf_samples.h"

using namespace tastora::swf;
namespace samples = tastora::swf_samples;

namespace {

std::vector<uint8_t> Pixels(const Player& p, int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    p.Render(px.data(), w, h, w * 4);
    return px;
}

uint32_t PixelAt(const std::vector<uint8_t>& px, int w, int x, int y) {
    const uint8_t* p = &px[(size_t(y) * w + x) * 4];
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

std::shared_ptr<const Movie> Parse(const std::vector<uint8_t>& b, std::string* problem = nullptr) {
    return ParseMovie(b.data(), b.size(), problem);
}

// A movie of `frames` frames, each placing a full-stage rectangle of its own colour.
std::vector<uint8_t> ColourFrames(const std::vector<Rgba>& colours, bool compressed = false) {
    Writer w(6, 2000, 1000, 24);
    w.SetBackgroundColor({0, 0, 0, 255});
    for (size_t i = 0; i < colours.size(); ++i) {
        ShapeBuilder s;
        s.Rectangle(0, 0, 2000, 1000, s.AddSolidFill(colours[i]));
        uint16_t id = w.DefineShape(1, s);
        if (i) w.RemoveObject2(1);
        Placement p;
        p.depth = 1;
        p.character = id;
        w.PlaceObject2(p);
        w.ShowFrame();
    }
    return w.Finish(compressed);
}

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};

}  // namespace

// Every sample file is what the writer makes today, and our picture of its frame matches
// the reference picture stored beside it within the tolerance of the Ruffle comparison.
TEST(Swf, SamplesMatchTheReferencePictures) {
    for (const auto& s : samples::All()) {
        SCOPED_TRACE(s.name);
        std::ifstream in(std::string(TASTORA_SWF_SAMPLES_DIR) + "/" + s.name + ".swf", std::ios::binary);
        std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // The samples are written by the 64-bit build; libjpeg's encoder gives other bytes in
        // a 32-bit one (other SIMD code), so only there are the files checked for staleness.
        // The picture is checked in every build, from the stored file.
        if (sizeof(void*) == 8)
            EXPECT_EQ(stored, s.bytes) << "tests/data/swf is stale: rewrite it with swf_samples and ruffle_render.js";
        std::vector<uint8_t> reference;
        int w = 0, h = 0;
        ASSERT_TRUE(samples::ReadPng(std::string(TASTORA_SWF_SAMPLES_DIR) + "/" + s.name + ".png", reference, w, h));
        ASSERT_EQ(w, s.width);
        ASSERT_EQ(h, s.height);
        std::string problem = "?";
        auto movie = Parse(stored, &problem);
        ASSERT_TRUE(movie);
        EXPECT_EQ(problem, "");
        // The tag list points at the tags (offsets in the uncompressed file).
        if (!movie->compressed)
            for (const TagInfo& t : movie->tags)
                ASSERT_EQ((stored[t.offset] | stored[t.offset + 1] << 8) >> 6, t.code) << TagName(t.code);
        Player player(movie);
        for (int i = 1; i < s.frame; ++i) player.Tick();
        EXPECT_EQ(player.CurrentFrame(), s.frame);
        EXPECT_LE(samples::OutlierShare(Pixels(player, w, h), reference, 24), 0.02);
    }
}

TEST(Swf, HeaderSurvivesWritingAndReading) {
    struct Case {
        int version;
        int32_t width, height;
        double rate;
        bool compressed;
    } cases[] = {
        {1, 11000, 8000, 12, false}, {6, 20, 20, 0.5, true}, {10, 25600, 20480, 30, true}, {4, 100, 4000, 1, false}};
    for (const auto& c : cases) {
        Writer w(c.version, c.width, c.height, c.rate);
        w.SetBackgroundColor({1, 2, 3, 255});
        w.ShowFrame();
        w.ShowFrame();
        auto bytes = w.Finish(c.compressed);
        auto m = Parse(bytes);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->version, c.version);
        EXPECT_EQ(m->compressed, c.compressed);
        EXPECT_EQ(m->stage.Right(), c.width);
        EXPECT_EQ(m->stage.Bottom(), c.height);
        EXPECT_DOUBLE_EQ(m->frameRate, c.rate);
        EXPECT_EQ(m->headerFrameCount, 2);
        Player p(m);
        EXPECT_EQ(p.FrameCount(), 2);
        EXPECT_EQ(p.BackgroundRgb(), 0x010203u);
        EXPECT_TRUE(m->problems.empty());
    }
}

// A PlaceObject2 record holds what its flag byte says, in the format's order; each
// placement is written, its flag byte checked and read back field by field.
TEST(Swf, PlacementsSurviveWritingAndReading) {
    struct Case {
        Placement p;
        uint8_t flags;
    };
    std::vector<Case> cases(6);
    cases[0].p.character = 1, cases[0].flags = 0x02;
    cases[1].p.move = true, cases[1].p.hasMatrix = true, cases[1].p.matrix = Matrix::Translate(40, -60);
    cases[1].flags = 0x05;
    cases[2].p.character = 1, cases[2].p.hasColor = true, cases[2].p.color.ma = 0.5, cases[2].flags = 0x0A;
    cases[3].p.character = 1, cases[3].p.hasRatio = true, cases[3].p.ratio = 700, cases[3].flags = 0x12;
    cases[4].p.character = 1, cases[4].p.name = "mask", cases[4].p.clipDepth = 9, cases[4].flags = 0x62;
    cases[5].p.move = true, cases[5].p.name = "n", cases[5].p.hasRatio = true, cases[5].p.ratio = 3;
    cases[5].flags = 0x31;
    Writer w(8, 2000, 1000, 12);
    ShapeBuilder s;
    s.Rectangle(0, 0, 100, 100, s.AddSolidFill(kRed));
    ASSERT_EQ(w.DefineShape(1, s), 1);
    for (size_t i = 0; i < cases.size(); ++i) {
        cases[i].p.depth = uint16_t(i + 1);
        w.PlaceObject2(cases[i].p);
    }
    w.ShowFrame();
    const auto bytes = w.Finish(false);
    auto m = Parse(bytes);
    ASSERT_TRUE(m);
    std::vector<uint8_t> flags;
    for (const TagInfo& t : m->tags)
        if (t.code == kPlaceObject2) flags.push_back(bytes[t.offset + 2]);
    const auto& commands = m->timeline.frames.at(0).commands;
    ASSERT_EQ(commands.size(), cases.size());
    ASSERT_EQ(flags.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const Placement& p = cases[i].p;
        const DisplayCommand& c = commands[i];
        EXPECT_EQ(flags[i], cases[i].flags) << i;
        EXPECT_EQ(c.depth, p.depth);
        EXPECT_EQ(c.move, p.move) << i;
        EXPECT_EQ(c.hasCharacter, p.character != 0) << i;
        EXPECT_EQ(c.hasMatrix, p.hasMatrix) << i;
        EXPECT_EQ(c.matrix.tx, p.matrix.tx) << i;
        EXPECT_EQ(c.hasColor, p.hasColor) << i;
        EXPECT_NEAR(c.color.ma, p.color.ma, 0.01) << i;
        EXPECT_EQ(c.hasRatio, p.hasRatio) << i;
        EXPECT_EQ(c.ratio, p.ratio) << i;
        EXPECT_EQ(c.clipDepth, p.clipDepth) << i;
    }
}

// ShowAll: the stage as large as fits, centred, the rest in the background colour.
TEST(Swf, ShowAllCentresTheStage) {
    auto m = Parse(ColourFrames({kRed}));  // 100 x 50 px stage, black background
    Player p(m);
    struct Case {
        int w, h;
        int x0, y0, x1, y1;  // the red part
    } cases[] = {
        {100, 50, 0, 0, 100, 50}, {300, 50, 100, 0, 200, 50}, {100, 150, 0, 50, 100, 100}, {40, 40, 0, 10, 40, 30}};
    for (const auto& c : cases) {
        auto px = Pixels(p, c.w, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                ASSERT_EQ(PixelAt(px, c.w, x, y), inside ? 0xFF0000u : 0u)
                    << c.w << "x" << c.h << " at " << x << "," << y;
            }
        for (size_t i = 3; i < px.size(); i += 4) ASSERT_EQ(px[i], 255);
    }
}

TEST(Swf, TimelineLoopsStopsAndGoes) {
    Player p(Parse(ColourFrames({kRed, kGreen, kBlue})));
    auto colour = [&] { return PixelAt(Pixels(p, 20, 10), 20, 10, 5); };
    EXPECT_EQ(p.FrameRate(), 24);
    EXPECT_TRUE(p.Playing());
    uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.CurrentFrame(), i % 3 + 1);
        EXPECT_EQ(colour(), expected[i]);
        p.Tick();
    }
    p.SetPlaying(false);  // frame 3 stays
    p.Tick();
    EXPECT_EQ(p.CurrentFrame(), 3);
    p.GotoFrame(1);
    EXPECT_EQ(colour(), 0xFF0000u);
    p.GotoFrame(99);
    EXPECT_EQ(p.CurrentFrame(), 3);
    EXPECT_FALSE(p.Playing());
    p.SetPlaying(true);
    p.Tick();
    EXPECT_EQ(p.CurrentFrame(), 1);
}

TEST(Swf, NoMovieIsAWhiteBackground) {
    Player p(nullptr);
    p.Tick();
    p.GotoFrame(3);
    EXPECT_EQ(p.FrameCount(), 1);
    EXPECT_EQ(p.CurrentFrame(), 1);
    EXPECT_EQ(PixelAt(Pixels(p, 8, 8), 8, 4, 4), 0xFFFFFFu);
}

namespace {

// A movie of a 100 x 50 px stage (white) whose first frame places `shapes` in turn at
// depths 1, 2, ...; each shape a rectangle of the given fill and line in twips.
// A rectangle by its edges: xmin, xmax, ymin, ymax.
struct Box {
    int32_t xmin, xmax, ymin, ymax;
};
struct Drawn {
    FillStyle fill;
    LineStyle line;  // width 0: none
    Box box;
    Matrix matrix;
};

std::vector<uint8_t> Stage(const std::vector<Drawn>& shapes, int version = 8) {
    Writer w(version, 2000, 1000, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    uint16_t depth = 1;
    for (const Drawn& d : shapes) {
        ShapeBuilder s;
        int fill = d.fill.kind == FillKind::Solid && d.fill.color.a == 0 ? 0 : s.AddFill(d.fill);
        int line = d.line.width ? s.AddLine(d.line) : 0;
        s.Rectangle(d.box.xmin, d.box.ymin, d.box.xmax - d.box.xmin, d.box.ymax - d.box.ymin, fill, line);
        Placement p;
        p.depth = depth++;
        p.character = w.DefineShape(4, s);
        p.hasMatrix = true;
        p.matrix = d.matrix;
        w.PlaceObject2(p);
    }
    w.ShowFrame();
    return w.Finish();
}

FillStyle LinearFill(std::vector<GradientStop> stops, double centre, double size, bool linearRgb = false) {
    FillStyle f;
    f.kind = FillKind::Linear;
    f.matrix = Matrix::Translate(centre, 500) * Matrix::Scale(size / 32768, size / 32768);
    f.stops = std::move(stops);
    f.linearRgb = linearRgb;
    return f;
}

LineStyle Pen(uint16_t width, bool keepsWidth = false) {
    LineStyle l;
    l.width = width;
    l.color = {0, 0, 0, 255};
    l.noHScale = l.noVScale = keepsWidth;
    return l;
}

const FillStyle kNoFill = FillStyle::SolidColor({0, 0, 0, 0});
const Box kWhole{0, 2000, 0, 1000};

std::vector<uint8_t> TwoBackgrounds() {
    Writer w(6, 2000, 1000, 12);
    w.SetBackgroundColor({0, 255, 0, 255});
    w.SetBackgroundColor({255, 0, 0, 255});
    w.ShowFrame();
    return w.Finish();
}

// Red placed at depth 1, then green placed there too (not moved); frame 2 places blue.
std::vector<uint8_t> PlacedTwice() {
    Writer w(6, 2000, 1000, 12);
    std::vector<uint16_t> ids;
    for (Rgba c : {kRed, kGreen, kBlue}) {
        ShapeBuilder s;
        s.Rectangle(0, 0, 2000, 1000, s.AddSolidFill(c));
        ids.push_back(w.DefineShape(1, s));
    }
    for (int i = 0; i < 3; ++i) {
        Placement p;
        p.depth = 1;
        p.character = ids[size_t(i)];
        w.PlaceObject2(p);
        if (i) w.ShowFrame();
    }
    return w.Finish();
}

// A sprite mask over a green stage: the sprite holds a mask (the left 20 px) over a red
// rectangle on its left half.
std::vector<uint8_t> MaskInSpriteMask() {
    Writer w(6, 2000, 1000, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    auto rect = [&](Rgba c, int32_t width) {
        ShapeBuilder s;
        s.Rectangle(0, 0, width, 1000, s.AddSolidFill(c));
        return w.DefineShape(1, s);
    };
    uint16_t inner = rect(kBlue, 400), half = rect(kRed, 1000), green = rect(kGreen, 2000);
    TagList t;
    Placement m;
    m.depth = 1;
    m.character = inner;
    m.clipDepth = 2;
    t.PlaceObject2(m);
    m.depth = 2;
    m.character = half;
    m.clipDepth = 0;
    t.PlaceObject2(m);
    t.ShowFrame();
    m.depth = 1;
    m.character = w.DefineSprite(t);
    m.clipDepth = 2;
    w.PlaceObject2(m);
    m.depth = 2;
    m.character = green;
    m.clipDepth = 0;
    w.PlaceObject2(m);
    w.ShowFrame();
    return w.Finish();
}

// A bitmap of a red and a blue pixel stretched over the stage (smooth or not), a
// palette bitmap of a half-transparent red, and a DefineBitsJPEG4 picture whose alpha
// plane hides its right half.
std::vector<uint8_t> Bitmaps(bool smooth) {
    Writer w(10, 2000, 1000, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    uint16_t pair = w.DefineBitsLossless(2, 2, 1, {kRed, kBlue});
    uint16_t palette = w.DefineBitsLossless(2, 1, 1, {{255, 0, 0, 128}}, true);
    std::vector<uint8_t> grey(16 * 8 * 3, 60), alpha(16 * 8, 255);
    for (size_t i = 0; i < alpha.size(); ++i)
        if (i % 16 >= 8) alpha[i] = 0;
    uint16_t jpeg = w.DefineBitsJpeg4(samples::Jpeg(16, 8, grey, 90), alpha, 0x0100);
    ShapeBuilder s;
    FillStyle f;
    f.kind = FillKind::ClippedBitmap;
    f.smooth = smooth;
    f.bitmap = pair;
    f.matrix = Matrix::Scale(500, 500);
    s.Rectangle(0, 0, 1000, 500, s.AddFill(f));
    f.bitmap = palette;
    f.matrix = Matrix::Scale(1000, 500, 1000, 0);
    s.Rectangle(1000, 0, 1000, 500, s.AddFill(f));
    f.bitmap = jpeg;
    f.matrix = Matrix::Scale(125, 62.5, 0, 500);
    s.Rectangle(0, 500, 2000, 500, s.AddFill(f));
    Placement p;
    p.depth = 1;
    p.character = w.DefineShape(3, s);
    w.PlaceObject2(p);
    w.ShowFrame();
    return w.Finish();
}

// A tween over three frames (ratios 0, 1/2, 1): a red bar at the left that becomes a
// blue one at the right, of a straight edge that becomes a curve bulging down to y = 45.
std::vector<uint8_t> Tween(int version) {
    Writer w(8, 2000, 1000, 12);
    w.SetBackgroundColor({255, 255, 255, 255});
    ShapeBuilder from, to;
    from.SetStyles(from.AddSolidFill(kRed), 0, 0);
    to.SetStyles(to.AddSolidFill(kBlue), 0, 0);
    from.MoveTo(0, 0);
    to.MoveTo(1600, 0);
    for (auto [x, y] : {std::pair{400, 0}, {400, 600}}) {
        from.LineTo(x, y);
        to.LineTo(x + 1600, y);
    }
    from.LineTo(0, 600);
    to.CurveTo(1800, 1200, 1600, 600);
    from.LineTo(0, 0);
    to.LineTo(1600, 0);
    uint16_t morph = w.DefineMorphShape(version, from, to);
    for (int frame = 0; frame < 3; ++frame) {
        Placement p;
        p.depth = 1;
        p.move = frame > 0;
        p.character = frame > 0 ? 0 : morph;
        p.hasRatio = true;
        p.ratio = uint16_t(65535 * frame / 2);
        w.PlaceObject2(p);
        w.ShowFrame();
    }
    return w.Finish();
}

}  // namespace

// Pixel rules of the reference player, one movie each: the colour found at points of a
// 100 x 50 picture (within `tolerance` a channel) after `ticks` ticks.
TEST(Swf, DrawsAsTheReferencePlayer) {
    struct Probe {
        int x, y;
        uint32_t rgb;
        int tolerance;
    };
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int ticks;
        std::vector<Probe> probes;
    } cases[] = {
        {"the first background colour counts", TwoBackgrounds(), 0, {{50, 25, 0x00FF00, 0}}},
        {"placing at a taken depth keeps what is there", PlacedTwice(), 0, {{50, 25, 0xFF0000, 0}}},
        {"... on later frames too", PlacedTwice(), 1, {{50, 25, 0xFF0000, 0}}},
        {"stops sharing the first ratio: the earlier one pads",
         Stage({{LinearFill({{0, red}, {0, green}, {255, blue}}, 1000, 400), {}, kWhole, {}}}),
         0,
         {{10, 25, 0xFF0000, 0}, {61, 25, 0x0000FF, 0}, {90, 25, 0x0000FF, 0}}},
        {"stops sharing the last ratio: the earlier one pads",
         Stage({{LinearFill({{0, red}, {255, green}, {255, blue}}, 1000, 400), {}, kWhole, {}}}),
         0,
         {{10, 25, 0xFF0000, 0}, {90, 25, 0x00FF00, 0}}},
        {"stops sharing a middle ratio: a hard step",
         Stage({{LinearFill({{0, red}, {128, green}, {128, blue}, {255, red}}, 1000, 2000), {}, kWhole, {}}}),
         0,
         {{48, 25, 0x06F900, 8}, {52, 25, 0x0C00F3, 16}}},
        {"sRGB interpolation",
         Stage({{LinearFill({{0, red}, {255, blue}}, 1000, 2000), {}, kWhole, {}}}),
         0,
         {{50, 25, 0x80007F, 3}}},
        {"linear-RGB interpolation: the middle is lighter",
         Stage({{LinearFill({{0, red}, {255, blue}}, 1000, 2000, true), {}, kWhole, {}}}),
         0,
         {{50, 25, 0xBC00BC, 3}}},
        {"a 1-px pen under an 8 x 1 scale: 8 px wide on vertical edges, 1 px on horizontal ones",
         Stage({{kNoFill, Pen(20), {0, 100, 0, 600}, Matrix::Scale(8, 1, 200, 200)}}),
         0,
         {{7, 25, 0x000000, 40},
          {13, 25, 0x000000, 40},
          {17, 25, 0xFFFFFF, 0},
          {40, 10, 0x7F7F7F, 40},
          {40, 11, 0xFFFFFF, 0},
          {40, 8, 0xFFFFFF, 0}}},
        {"... and under 1 x 8",
         Stage({{kNoFill, Pen(20), {0, 600, 0, 100}, Matrix::Scale(1, 8, 200, 100)}}),
         0,
         {{25, 2, 0x000000, 40},
          {25, 8, 0x000000, 40},
          {25, 11, 0xFFFFFF, 0},
          {10, 25, 0x7F7F7F, 40},
          {11, 25, 0xFFFFFF, 0}}},
        {"a pen on a shape squeezed flat stays a pixel wide",
         Stage({{kNoFill, Pen(20), {0, 100, 0, 600}, Matrix::Scale(0.01, 1, 1000, 200)}}),
         0,
         {{50, 5, 0xFFFFFF, 0}, {45, 25, 0xFFFFFF, 0}, {55, 25, 0xFFFFFF, 0}}},
        {"a pen that keeps its width",
         Stage({{kNoFill, Pen(40, true), {0, 100, 0, 600}, Matrix::Scale(8, 1, 200, 200)}}),
         0,
         {{10, 25, 0x000000, 40}, {13, 25, 0xFFFFFF, 0}, {7, 25, 0xFFFFFF, 0}}},
        {"a mask in a sprite mask adds its masked objects whole",
         MaskInSpriteMask(),
         0,
         {{10, 25, 0x00FF00, 0}, {40, 25, 0x00FF00, 0}, {70, 25, 0xFFFFFF, 0}}},
        {"unsmoothed bitmaps keep their pixels; palettes with alpha; DefineBitsJPEG4 alpha",
         Bitmaps(false),
         0,
         {{24, 12, 0xFF0000, 0},
          {26, 12, 0x0000FF, 0},
          {75, 12, 0xFF7F7F, 2},
          {20, 37, 0x3C3C3C, 6},
          {80, 37, 0xFFFFFF, 0}}},
        {"smoothed bitmaps blend their pixels", Bitmaps(true), 0, {{25, 12, 0x800080, 24}}},
        {"a tween at its start", Tween(1), 0, {{10, 10, 0xFF0000, 0}, {10, 35, 0xFFFFFF, 0}, {90, 10, 0xFFFFFF, 0}}},
        {"... halfway: place and colour between, the straight edge half bent",
         Tween(1),
         1,
         {{50, 10, 0x800080, 1}, {10, 10, 0xFFFFFF, 0}, {50, 36, 0x800080, 1}, {50, 40, 0xFFFFFF, 0}}},
        {"... at its end (DefineMorphShape2)",
         Tween(2),
         2,
         {{90, 10, 0x0000FF, 0}, {90, 42, 0x0000FF, 0}, {50, 10, 0xFFFFFF, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = Parse(c.file);
        ASSERT_TRUE(m);
        EXPECT_TRUE(m->problems.empty()) << m->problems.front();
        for (const auto& t : m->tags) EXPECT_NE(TagUseOf(t.code), TagUse::NotDrawn) << TagName(t.code);
        Player p(m);
        for (int i = 0; i < c.ticks; ++i) p.Tick();
        auto px = Pixels(p, 100, 50);
        for (const Probe& probe : c.probes) {
            uint32_t got = PixelAt(px, 100, probe.x, probe.y);
            for (int shift : {16, 8, 0})
                EXPECT_NEAR(int(got >> shift & 255), int(probe.rgb >> shift & 255), probe.tolerance)
                    << "at " << probe.x << "," << probe.y << ": " << std::hex << got;
        }
    }
}

// --- bad input -------------------------------------------------------------------------

namespace {

std::vector<uint8_t> WithTag(uint16_t code, const std::vector<uint8_t>& body, bool placeIt = true) {
    Writer w(8, 2000, 1000, 12);
    w.SetBackgroundColor({0, 0, 255, 255});
    ShapeBuilder s;
    s.Rectangle(0, 0, 1000, 1000, s.AddSolidFill(kRed));
    uint16_t good = w.DefineShape(1, s);  // id 1 on the left half
    w.RawTag(code, body, true);
    Placement p;
    p.depth = 1;
    p.character = good;
    w.PlaceObject2(p);
    if (placeIt) {
        p.depth = 2;
        p.character = 2;
        w.PlaceObject2(p);
    }
    w.ShowFrame();
    return w.Finish();
}

std::vector<uint8_t> U16(std::vector<uint16_t> v) {
    std::vector<uint8_t> b;
    for (uint16_t x : v) {
        b.push_back(uint8_t(x));
        b.push_back(uint8_t(x >> 8));
    }
    return b;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A timeline of `frames` frames whose first places `placed` at depths 1 to `copies`.
TagList Copies(uint16_t placed, uint16_t copies, int frames) {
    TagList t;
    for (uint16_t d = 1; d <= copies; ++d) {
        Placement p;
        p.depth = d;
        p.character = placed;
        t.PlaceObject2(p);
    }
    for (int i = 0; i < frames; ++i) t.ShowFrame();
    return t;
}

// The body of a DefineSprite tag: sprite `id` placing `placed` twice.
std::vector<uint8_t> SpriteTag(uint16_t id, uint16_t placed) {
    TagList t = Copies(placed, 2, 1);
    t.End();
    return Concat(U16({id, 1}), t.bytes());
}

}  // namespace

// Whatever the fault, the reader keeps what it could read: the good shape on the left half
// shows in red, the rest of the stage in the background colour, and nothing hangs.
TEST(Swf, DamagedTagsKeepWhatCouldBeRead) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::string problem;  // the reader's first complaint
    } cases[] = {
        {"undefined character", WithTag(999, {}), ""},
        {"shape records run out",
         WithTag(2, Concat(U16({2}), {0x00, 0x01, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x11, 0x0B, 0x85})),
         "shape records run out"},
        {"fill index past the table", WithTag(22, Concat(U16({2}), {0x00, 0x00, 0x00, 0x11, 0x0B, 0x85, 0x40, 0x00})),
         "fill style index past the table"},
        {"bitmap of 65535 x 65535", WithTag(36, Concat(U16({2}), {5, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x9C, 0x03, 0x00})),
         "bitmap too large"},
        {"bitmap of 0 x 0", WithTag(20, Concat(U16({2}), {5, 0, 0, 0, 0})), "bitmap of size 0"},
        {"JPEG that is not one", WithTag(21, Concat(U16({2}), {0xFF, 0xD8, 0x12, 0x34})),
         "JPEG data could not be decoded"},
        {"JPEG4 alpha offset past the tag", WithTag(90, Concat(U16({2, 100, 0, 0x0100}), {0xFF, 0xD8})),
         "JPEG alpha offset past the end of the tag"},
        {"JPEG4 cut in its deblocking field", WithTag(90, Concat(U16({2, 0, 0}), {0x01})),
         "JPEG alpha offset past the end of the tag"},
        {"JPEG4 that is not one", WithTag(90, Concat(U16({2, 2, 0, 0x0100}), {0xFF, 0xD8, 0x78, 0x9C})),
         "JPEG data could not be decoded"},
        {"sprite placing itself", WithTag(39, SpriteTag(2, 2)), ""},
        {"unknown tag", WithTag(1000, {1, 2, 3}), ""},
        {"tween cut short", WithTag(46, U16({2})), "morph shape cut short"},
        {"tween end edges past the tag",
         WithTag(84, Concat(U16({2}), {0, 0, 0, 0, 0, 0xE8, 3, 0, 0, 0, 0, 0x00, 0x00})),
         "morph end edges past the tag"},
        {"text with a missing font",
         WithTag(11, Concat(U16({2}), {0x00, 0x00, 0x08, 0x08, 0x88, 0x07, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00})),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string problem;
        auto m = Parse(c.file, &problem);
        ASSERT_TRUE(m);
        EXPECT_EQ(problem, c.problem);
        Player p(m);
        for (int i = 0; i < 3; ++i) p.Tick();
        auto px = Pixels(p, 40, 20);
        EXPECT_EQ(PixelAt(px, 40, 5, 10), 0xFF0000u);
        EXPECT_EQ(PixelAt(px, 40, 35, 10), 0x0000FFu);
    }
}

TEST(Swf, DamagedFilesShowWhatCouldBeRead) {
    auto good = ColourFrames({kRed, kGreen});
    auto packed = ColourFrames({kRed, kGreen}, true);
    auto lengthPastEnd = good;
    lengthPastEnd.insert(lengthPastEnd.end() - 2, {0xFF, 0x00, 0x10, 0x00, 0x00, 0x00});  // a tag of 1 MB
    auto badZlib = packed;
    for (size_t i = packed.size() / 2; i < packed.size(); ++i) badZlib[i] ^= 0x5A;
    auto huge = good, empty = good;
    // The stage rectangle: 100,000 x 100,000 twips, then 0 x 0.
    {
        Writer w(6, 100000, 100000, 12);
        w.ShowFrame();
        huge = w.Finish();
        Writer z(6, 0, 0, 12);
        z.ShowFrame();
        empty = z.Finish();
    }
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool movie;  // ParseMovie gives a movie
        bool sound;  // no problem reported
    } cases[] = {
        {"sound", good, true, true},
        {"wrong signature", Concat({'X', 'W', 'S'}, std::vector<uint8_t>(good.begin() + 3, good.end())), false, false},
        {"shorter than a header", std::vector<uint8_t>(good.begin(), good.begin() + 7), false, false},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 8), true, false},
        {"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), true, false},
        {"tag length past the end", lengthPastEnd, true, false},
        {"zlib stream fails", badZlib, true, false},
        {"stage of 100,000 twips", huge, true, true},
        {"stage of 0 x 0", empty, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string problem;
        auto m = Parse(c.file, &problem);
        EXPECT_EQ(bool(m), c.movie);
        EXPECT_EQ(problem.empty(), c.sound) << problem;
        Player p(m);
        p.Tick();
        auto px = Pixels(p, 30, 30);
        EXPECT_EQ(px[3], 255);
    }
}

// Every prefix of a file and every byte changed in turn: the reader and player cope.
TEST(Swf, EveryTruncationAndByteFlipIsSurvived) {
    auto file = samples::All()[1].bytes;  // "lines": shapes, curves, two style tables
    for (size_t n = 0; n <= file.size(); ++n) {
        std::vector<uint8_t> cut(file.begin(), file.begin() + n);
        Player p(Parse(cut));
        p.Tick();
        Pixels(p, 16, 12);
    }
    for (size_t i = 8; i < file.size(); ++i) {
        auto flipped = file;
        flipped[i] ^= 0xFF;
        Player p(Parse(flipped));
        p.Tick();
        Pixels(p, 16, 12);
    }
}

// Timelines that would run for ever or grow without end are cut short.
TEST(Swf, HostileTimelinesStayBounded) {
    // 65,535 frames, and actions that bounce between the first and the last.
    Writer frames(6, 200, 200, 12);
    for (int i = 0; i < 65535; ++i) {
        if (i == 0) frames.DoAction(ActionList().GotoFrame(65535));
        if (i == 65534) frames.DoAction(ActionList().GotoFrame(1).Play());
        frames.ShowFrame();
    }
    auto many = frames.Finish(true);
    // Ten sprites, each placing the one before ten times: 10^10 objects if nothing stopped it.
    Writer nest(6, 200, 200, 12);
    ShapeBuilder s;
    s.Rectangle(0, 0, 10, 10, s.AddSolidFill(kRed));
    uint16_t inner = nest.DefineShape(1, s);
    for (int level = 0; level < 10; ++level) inner = nest.DefineSprite(Copies(inner, 10, 2));
    nest.PlaceObject(inner, 1, Matrix());
    nest.ShowFrame();
    nest.ShowFrame();
    for (const auto& file : {many, nest.Finish()}) {
        auto started = std::chrono::steady_clock::now();
        Player p(Parse(file));
        for (int i = 0; i < 4; ++i) p.Tick();
        p.GotoFrame(65535);
        p.GotoFrame(1);
        Pixels(p, 64, 64);
        // Not a speed test: minutes here would mean a runaway loop.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    }
    Player p(Parse(many));
    EXPECT_EQ(p.FrameCount(), 65535);
}

// Movies that would crash, hang or swell the player are cut where they exceed a limit: the
// red stage each places first still shows after ticks and gotos, and nothing crashes. (Their
// time and memory: scripts/bench-hostile.py.)
TEST(Swf, HostileMoviesAreCutAndTheRestStillPlays) {
    // Full size, and small ones of the same structure (the fuzzer's seeds), which the
    // limits of the reader leave whole for the renderer's.
    auto movies = samples::HostileMovies(), small = samples::HostileMovies(1000);
    movies.insert(movies.end(), small.begin(), small.end());
    for (const auto& m : movies) {
        SCOPED_TRACE(m.name + " of " + std::to_string(m.bytes.size()) + " bytes");
        EXPECT_LE(m.bytes.size(), size_t(1) << 20);
        Player p(Parse(m.bytes));
        for (int i = 0; i < 3; ++i) p.Tick();
        p.GotoFrame(2);
        auto px = Pixels(p, 320, 256);
        EXPECT_EQ(PixelAt(px, 320, 2, 2), 0xFF0000u);
    }
}
