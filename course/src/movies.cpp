#include "movies.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "pictures.h"
#include "texts.h"
#include "util.h"

namespace course {

namespace {

// --- colours and the layout of the stage --------------------------------------------------
const Color kPaper = Rgb(247, 248, 250);
const Color kBandTop = Rgb(48, 92, 160);
const Color kBandBottom = Rgb(30, 62, 118);
const Color kInk = Rgb(30, 36, 46);
const Color kAccent = Rgb(28, 86, 168);
const Color kQuiet = Rgb(104, 112, 124);
const Color kWhite = Rgb(255, 255, 255);
const Color kBody = Rgb(75, 80, 88);
const Color kKeyEdge = Rgb(138, 143, 150);
const Color kKeyFace = Rgb(224, 226, 229);
const Color kLegend = Rgb(62, 68, 78);
const Color kSkin = Rgb(238, 206, 180);
const Color kSkinDark = Rgb(214, 176, 148);

constexpr double kBandHeight = 84;
constexpr double kMargin = 12;  // text keeps this far from the stage edges

// --- sources -----------------------------------------------------------------------------
struct SourceLine {
    std::string key;
    std::u32string value;
    std::string where;
};

class Source {
public:
    Source(const std::string& path, const std::set<std::string>& known) : path_(path) {
        std::string text = ReadFile(path);
        if (StartsWith(text, "\xEF\xBB\xBF")) text.erase(0, 3);  // a byte-order mark from an editor
        std::vector<std::string> lines = SplitLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string l = Trim(lines[i]);
            std::string where = path + ":" + std::to_string(i + 1);
            if (l.empty() || l[0] == '#') continue;
            size_t colon = l.find(':');
            if (colon == std::string::npos) throw CourseError(where, "expected 'name: value'");
            std::string key = Trim(l.substr(0, colon));
            if (!known.count(key)) throw CourseError(where, "unknown entry '" + key + "'");
            std::u32string value = DecodeUtf8(Trim(l.substr(colon + 1)), where);
            if (value.empty()) throw CourseError(where, "'" + key + "' is empty");
            lines_.push_back({key, value, where});
        }
    }
    std::vector<SourceLine> All(const std::string& key, size_t min, size_t max) const {
        std::vector<SourceLine> out;
        for (const SourceLine& l : lines_)
            if (l.key == key) out.push_back(l);
        if (out.size() < min || out.size() > max)
            throw CourseError(
                path_, "needs " +
                           (min == max ? std::to_string(min) : std::to_string(min) + " to " + std::to_string(max)) +
                           " '" + key + "' lines, has " + std::to_string(out.size()));
        return out;
    }
    SourceLine One(const std::string& key) const { return All(key, 1, 1)[0]; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<SourceLine> lines_;
};

std::u32string Replace(std::u32string s, const std::u32string& what, const std::u32string& with) {
    for (size_t p = s.find(what); p != std::u32string::npos; p = s.find(what, p + with.size()))
        s.replace(p, what.size(), with);
    return s;
}

std::u32string Number(int n) {
    std::u32string s;
    for (char c : std::to_string(n)) s += char32_t(c);
    return s;
}

// --- the timeline being built ------------------------------------------------------------
class Timeline {
public:
    explicit Timeline(CourseMovie& m) : m_(m) {}
    int Shape(const Art& art) {
        m_.shapes.push_back(art);
        return int(m_.shapes.size()) - 1;
    }
    // Depths are handed out bottom to top.
    int Depth() { return ++depth_; }
    void Place(int frame, int depth, int shape, double dx = 0, double dy = 0) {
        Ops(frame).push_back({MovieOp::Place, depth, shape, dx, dy});
    }
    void Move(int frame, int depth, double dx, double dy) { Ops(frame).push_back({MovieOp::Move, depth, 0, dx, dy}); }
    void Remove(int frame, int depth) { Ops(frame).push_back({MovieOp::Remove, depth, 0, 0, 0}); }
    // Places artwork on a new depth above everything so far; returns the depth.
    int Show(int frame, const Art& art) {
        int d = Depth();
        Place(frame, d, Shape(art));
        return d;
    }
    void Length(int frames) {
        if (int(m_.frames.size()) < frames) m_.frames.resize(size_t(frames));
    }

private:
    std::vector<MovieOp>& Ops(int frame) {
        Length(frame + 1);
        return m_.frames[size_t(frame)];
    }
    CourseMovie& m_;
    int depth_ = 0;
};

// --- the keyboard, drawn from the key table ----------------------------------------------
struct KeyboardPlace {
    double x, y, s;  // where the 857 x 289 keyboard sits and its scale
};

struct KeyRect {
    double x, y, w, h;
};

KeyRect RectOf(const KeyboardPlace& kp, int key) {
    KeyPlace p = KeyPlaceOf(key);
    return {kp.x + p.x * kp.s, kp.y + p.y * kp.s, p.w * kp.s, p.h * kp.s};
}

bool IsLetter(char32_t c) { return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451; }

bool IsLeftHand(Finger f) { return f == Finger::LP || f == Finger::LR || f == Finger::LM || f == Finger::LI; }

// A line of a lesson's book: its new keys lit one after another, "<characters> | <text>".
struct KeyLine {
    std::vector<int> keys;
    course::Finger finger;
    std::u32string text;
    std::string where;
    std::map<int, char32_t> shifted;  // key -> the shifted character taught on it
};

// Where each finger of the book's hands stands: left hand or not, and its place.
using FingerPlaces = std::map<course::Finger, std::pair<bool, int>>;

class Composer {
public:
    Composer(const KeyTable& keys, const std::vector<LetterLine>& letters, TextRenderer& fonts)
        : keys_(keys), letters_(letters), fonts_(fonts) {}

    CourseMovie Book(const std::string& sourcePath, const Lesson& lesson, const Lesson* next);
    CourseMovie Presentation(const std::string& sourcePath, int number);

private:
    // Text: refused when a glyph is missing or it leaves its room (the stage by default).
    void CheckGlyphs(const std::u32string& text, Font font, const std::string& where);
    Art TextArt(const std::u32string& text, Font font, int size, double x, double baseline, Color color,
                const std::string& where, double right = kStageWidth - kMargin);
    void Caption(Timeline& t, int frame, const std::u32string& text, Font font, int size, double x, double baseline,
                 Color color, Color backdrop, const std::string& where, double right = kStageWidth - kMargin);
    void Centred(Timeline& t, int frame, const std::u32string& text, Font font, int size, double baseline, Color color,
                 Color backdrop, const std::string& where);
    void TitleBand(Timeline& t, const SourceLine& title);

    // Keyboard layers; `face` gives each key's face colour. `reserve` depths are left free
    // between the faces and the legends; returns the first of them.
    int Keyboard(Timeline& t, const KeyboardPlace& kp, const std::function<Color(int)>& face, int reserve = 0);
    Art Legends(const KeyboardPlace& kp, const std::set<int>& which, Color ink);
    Art LitKey(const KeyboardPlace& kp, int key, Color face);

    // A hand seen from above, palm down; (x, y) is the middle of the palm's top edge.
    Art Palm(double x, double y, double s);
    Art Finger(double x, double y, double s, bool left, int place, Color c);
    int KeyOf(char32_t c, bool& shifted);

    // The parts of a lesson's book, in the order they appear.
    std::vector<KeyLine> BookKeyLines(const Source& src, const Lesson& lesson);
    KeyLine ReadKeyLine(const SourceLine& l, const Lesson& lesson, std::set<char32_t>& covered);
    FingerPlaces BookHands(Timeline& t);
    int LightKeys(Timeline& t, const KeyboardPlace& kp, const std::vector<KeyLine>& lines,
                  const FingerPlaces& fingerPlace);
    void BookEnd(Timeline& t, const Source& src, const Lesson* next, int frame);

    // Scenes of the presentations, drawn between the title band and the text.
    int ScenePosture(Timeline& t);
    int SceneHomeRow(Timeline& t);
    int SceneZones(Timeline& t);
    int SceneStrike(Timeline& t);
    int SceneRhythm(Timeline& t, const std::vector<SourceLine>& labels);
    int SceneCourse(Timeline& t, const std::vector<SourceLine>& labels);

    const KeyTable& keys_;
    const std::vector<LetterLine>& letters_;
    TextRenderer& fonts_;
    CourseMovie* movie_ = nullptr;
};

void Composer::CheckGlyphs(const std::u32string& text, Font font, const std::string& where) {
    for (char32_t c : text)
        if (c != U' ' && !fonts_.HasGlyph(c, font))
            throw CourseError(where, "the font has no glyph for " + DescribeChar(c));
}

Art Composer::TextArt(const std::u32string& text, Font font, int size, double x, double baseline, Color color,
                      const std::string& where, double right) {
    CheckGlyphs(text, font, where);
    Art a;
    a.Text(fonts_, text, font, size, x, baseline, a.Solid(color));
    Box b = a.Bounds();
    const double width = fonts_.ExactWidth(text, font, size);
    if (b.x0 < kMargin - 0.01 || b.x1 > right + 0.01 || b.y0 < 0 || b.y1 > kStageHeight - kMargin / 2)
        throw CourseError(where, "the text runs off the stage: \"" + EncodeUtf8(text) + "\" is " +
                                     std::to_string(int(std::lround(width))) + " pixels wide at " +
                                     std::to_string(size) + " pixels, room for " +
                                     std::to_string(int(std::max(0.0, right - std::max(x, kMargin)))));
    return a;
}

void Composer::Caption(Timeline& t, int frame, const std::u32string& text, Font font, int size, double x,
                       double baseline, Color color, Color backdrop, const std::string& where, double right) {
    t.Show(frame, TextArt(text, font, size, x, baseline, color, where, right));
    movie_->texts.push_back({text, font, size, x, baseline, color, backdrop, where});
}

void Composer::Centred(Timeline& t, int frame, const std::u32string& text, Font font, int size, double baseline,
                       Color color, Color backdrop, const std::string& where) {
    double w = fonts_.ExactWidth(text, font, size);
    Caption(t, frame, text, font, size, std::round((kStageWidth - w) / 2), baseline, color, backdrop, where);
}

void Composer::TitleBand(Timeline& t, const SourceLine& title) {
    Art band;
    band.Rect(0, 0, kStageWidth, kBandHeight, band.Gradient(kBandTop, kBandBottom, 0, kBandHeight));
    t.Show(0, band);
    Centred(t, 0, title.value, Font::SansBold, 38, 56, kWhite, Mix(kBandTop, kBandBottom, 0.6), title.where);
}

int Composer::Keyboard(Timeline& t, const KeyboardPlace& kp, const std::function<Color(int)>& face, int reserve) {
    // The keys in one shape: a thin frame round each key and its face inside it.
    Art body, keysArt;
    body.RoundRect(kp.x - 8, kp.y - 8, kKeyboardWidth * kp.s + 16, kKeyboardHeight * kp.s + 16, 10, body.Solid(kBody));
    const int edge = keysArt.Solid(kKeyEdge);
    std::map<uint32_t, int> fills;
    for (int n = 1; n <= kKeyCount; ++n) {
        KeyRect r = RectOf(kp, n);
        keysArt.RoundFrame(r.x, r.y, r.w, r.h, 4, 1.2, edge);
        Color c = face(n);
        uint32_t code = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
        if (!fills.count(code)) fills[code] = keysArt.Solid(c);
        keysArt.RoundRect(r.x + 1.2, r.y + 1.2, r.w - 2.4, r.h - 2.4, 2.8, fills[code]);
    }
    t.Show(0, body);
    t.Show(0, keysArt);
    const int first = t.Depth();
    for (int i = 1; i < reserve; ++i) t.Depth();
    std::set<int> all;
    for (int n = 1; n <= kKeyCount; ++n) all.insert(n);
    t.Show(0, Legends(kp, all, kLegend));
    return first;
}

Art Composer::Legends(const KeyboardPlace& kp, const std::set<int>& which, Color ink) {
    Art a;
    const int fill = a.Solid(ink);
    auto text = [&](const std::u32string& s, Font font, int size, double x, double baseline) {
        CheckGlyphs(s, font, "content/keys.txt");
        a.Text(fonts_, s, font, size, x, baseline, fill);
    };
    for (int n : which) {
        const Key& k = keys_[n];
        KeyRect r = RectOf(kp, n);
        if (n == kSpaceKey) continue;
        if (!k.HasChars()) {
            const int size = 10;
            double w = fonts_.ExactWidth(k.latin, Font::Sans, size);
            text(k.latin, Font::Sans, size, r.x + (r.w - w) / 2, r.y + r.h / 2 + 3.5);
            continue;
        }
        if (IsLetter(k.plain)) {
            const int size = 18;
            std::u32string s(1, k.shifted);
            double w = fonts_.ExactWidth(s, Font::SansBold, size);
            text(s, Font::SansBold, size, r.x + (r.w - w) / 2, r.y + r.h / 2 + 6.5);
        } else {
            std::u32string plain(1, k.plain), shifted(1, k.shifted);
            double w = fonts_.ExactWidth(plain, Font::SansBold, 15);
            text(plain, Font::SansBold, 15, r.x + r.w - w - 6, r.y + r.h - 7);
            text(shifted, Font::Sans, 12, r.x + 5, r.y + 14);
        }
        if (n == 33 || n == 36) a.RoundRect(r.x + r.w / 2 - 5, r.y + r.h - 6, 10, 2.4, 1.2, fill);  // the bumps
    }
    return a;
}

Art Composer::LitKey(const KeyboardPlace& kp, int key, Color face) {
    KeyRect r = RectOf(kp, key);
    Art a;
    a.RoundFrame(r.x - 1, r.y - 1, r.w + 2, r.h + 2, 5, 2.2, a.Solid(Rgb(20, 22, 26)));
    a.RoundRect(r.x + 1.2, r.y + 1.2, r.w - 2.4, r.h - 2.4, 3, a.Gradient(Lighter(face, 0.2), face, r.y, r.y + r.h));
    return a;
}

Art Composer::Palm(double x, double y, double s) {
    Art a;
    a.RoundFrame(x - 37 * s, y, 74 * s, 52 * s, 14 * s, 2 * s, a.Solid(kSkinDark));
    a.RoundRect(x - 35 * s, y + 2 * s, 70 * s, 48 * s, 12 * s, a.Solid(kSkin));
    return a;
}

// place 0..3: the fingers from left to right (little to index on the left hand, index to
// little on the right); 4: the thumb.
Art Composer::Finger(double x, double y, double s, bool left, int place, Color c) {
    Art a;
    const int fill = a.Solid(c);
    if (place == 4) {
        double m = left ? 1 : -1;
        a.Capsule(x + m * 30 * s, y + 30 * s, x + m * 50 * s, y + 6 * s, 8 * s, fill);
        return a;
    }
    const double rootX[4] = {-27, -10, 6, 22};
    const double lenL[4] = {30, 40, 45, 40};
    double fx = x + rootX[place] * s;
    double len = (left ? lenL[place] : lenL[3 - place]) * s;
    a.Capsule(fx, y + 6 * s, fx, y - len, 8 * s, fill);
    return a;
}

int Composer::KeyOf(char32_t c, bool& shifted) {
    LetterHit hit = LookUp(letters_, c);
    shifted = hit.line > 48;
    return hit.key;
}

// The fingers of a hand in their places, left to right.
const course::Finger kLeftFingers[5] = {Finger::LP, Finger::LR, Finger::LM, Finger::LI, Finger::TH};
const course::Finger kRightFingers[5] = {Finger::RI, Finger::RM, Finger::RR, Finger::RP, Finger::TH};

// The hands of the book, to the right of the key lines.
const double kHandY = 396, kHandScale = 0.85, kLeftHandX = 616, kRightHandX = 724;

CourseMovie Composer::Book(const std::string& sourcePath, const Lesson& lesson, const Lesson* next) {
    Source src(sourcePath, {"title", "key", "next", "text", "end"});
    CourseMovie m;
    m.source = sourcePath;
    m.path = "pictures/carti/" + std::to_string(lesson.number) + ".swf";
    m.background = kPaper;
    movie_ = &m;
    Timeline t(m);
    TitleBand(t, src.One("title"));

    const KeyboardPlace kp{117, 100, 0.66};
    Keyboard(t, kp, [](int) { return kKeyFace; });
    const std::vector<KeyLine> lines = BookKeyLines(src, lesson);
    const FingerPlaces fingerPlace = BookHands(t);
    const int frame = LightKeys(t, kp, lines, fingerPlace);
    BookEnd(t, src, next, frame);
    return m;
}

// The new keys, line by line; every new character of the lesson on one of them.
std::vector<KeyLine> Composer::BookKeyLines(const Source& src, const Lesson& lesson) {
    std::vector<KeyLine> lines;
    std::set<char32_t> covered;
    for (const SourceLine& l : src.All("key", 1, 4)) lines.push_back(ReadKeyLine(l, lesson, covered));
    for (char32_t c : lesson.newChars)
        if (!covered.count(c))
            throw CourseError(src.Path(), "the new character " + DescribeChar(c) + " of lesson " +
                                              std::to_string(lesson.number) + " has no 'key' line");
    return lines;
}

// "<characters> | <text>": the characters are new ones of the lesson, or CAPS for its capitals;
// the shift keys they need come last.
KeyLine Composer::ReadKeyLine(const SourceLine& l, const Lesson& lesson, std::set<char32_t>& covered) {
    size_t bar = l.value.find(U'|');
    if (bar == std::u32string::npos) throw CourseError(l.where, "expected '<characters> | <text>'");
    std::u32string chars = l.value.substr(0, bar), text = l.value.substr(bar + 1);
    while (!text.empty() && text.front() == U' ') text.erase(text.begin());
    KeyLine kl{{}, course::Finger::TH, text, l.where, {}};
    std::set<int> shifts;
    bool first = true;
    for (size_t p = 0; p < chars.size();) {
        while (p < chars.size() && chars[p] == U' ') ++p;
        size_t e = p;
        while (e < chars.size() && chars[e] != U' ') ++e;
        std::u32string tok = chars.substr(p, e - p);
        p = e;
        if (tok.empty()) continue;
        if (tok == U"CAPS") {
            for (char32_t c : lesson.newChars) {
                if (!(c >= 0x0410 && c <= 0x042F) && c != 0x0401)
                    throw CourseError(l.where, "CAPS stands for capitals, but lesson " + std::to_string(lesson.number) +
                                                   " also introduces " + DescribeChar(c));
                covered.insert(c);
            }
            kl.keys.push_back(42);
            kl.keys.push_back(53);
            if (first) kl.finger = course::Finger::LP;
            first = false;
            continue;
        }
        if (tok.size() != 1) throw CourseError(l.where, "'" + EncodeUtf8(tok) + "' is not one character");
        bool shifted = false;
        int key = KeyOf(tok[0], shifted);
        if (!lesson.newChars.count(tok[0]))
            throw CourseError(l.where, DescribeChar(tok[0]) + " is not new in lesson " + std::to_string(lesson.number));
        covered.insert(tok[0]);
        kl.keys.push_back(key);
        if (first) kl.finger = keys_[key].finger;
        first = false;
        if (shifted) {
            shifts.insert(IsLeftHand(keys_[key].finger) ? 53 : 42);
            kl.shifted[key] = tok[0];
        }
    }
    for (int s : shifts) kl.keys.push_back(s);
    if (kl.keys.empty()) throw CourseError(l.where, "no characters before '|'");
    return kl;
}

// The two hands with every finger in skin colour; each finger lights later with its key.
FingerPlaces Composer::BookHands(Timeline& t) {
    t.Show(0, Palm(kLeftHandX, kHandY, kHandScale));
    t.Show(0, Palm(kRightHandX, kHandY, kHandScale));
    FingerPlaces fingerPlace;
    for (int i = 0; i < 5; ++i) {
        Art fl = Finger(kLeftHandX, kHandY, kHandScale, true, i, kSkin),
            fr = Finger(kRightHandX, kHandY, kHandScale, false, i, kSkin);
        t.Show(0, fl);
        t.Show(0, fr);
        fingerPlace[kLeftFingers[i]] = {true, i};
        if (i < 4) fingerPlace[kRightFingers[i]] = {false, i};
    }
    return fingerPlace;
}

// Keys light up one after another, each line's text with them; returns the frame after the
// last key.
int Composer::LightKeys(Timeline& t, const KeyboardPlace& kp, const std::vector<KeyLine>& lines,
                        const FingerPlaces& fingerPlace) {
    size_t keyCount = 0;
    for (const KeyLine& kl : lines) keyCount += kl.keys.size();
    const int step = std::max(2, std::min(5, int(40 / std::max<size_t>(keyCount, 1))));
    // A shifted character is small on its key: it is also shown large on a card of its
    // finger's colour beside the keyboard, one card under the other.
    size_t cards = 0;
    for (const KeyLine& kl : lines) cards += kl.shifted.size();
    const double cardTop = kp.y, cardRoom = kKeyboardHeight * kp.s, cardGap = 8;
    const double cardX = kp.x + kKeyboardWidth * kp.s + 16, cardW = kStageWidth - kMargin - cardX;
    const double cardH = cards ? std::min(90.0, (cardRoom - cardGap * double(cards - 1)) / double(cards)) : 0;
    size_t card = 0;
    int frame = 3;
    std::set<std::pair<bool, int>> litFingers;
    for (size_t i = 0; i < lines.size(); ++i) {
        const KeyLine& kl = lines[i];
        const double baseline = 344 + 32 * double(i);
        Art swatch;
        swatch.RoundRect(36, baseline - 18, 22, 22, 4, swatch.Solid(Palette::Strong(kl.finger)));
        t.Show(frame, swatch);
        Caption(t, frame, kl.text, Font::Sans, 22, 68, baseline, kInk, kPaper, kl.where, 576);
        for (int key : kl.keys) {
            Color strong = Palette::Strong(keys_[key].finger);
            t.Show(frame, LitKey(kp, key, strong));
            t.Show(frame, Legends(kp, {key}, kWhite));
            auto sc = kl.shifted.find(key);
            if (sc != kl.shifted.end()) {
                const double y = cardTop + double(card++) * (cardH + cardGap);
                Art c;
                c.RoundRect(cardX, y, cardW, cardH, 8, c.Solid(strong));
                t.Show(frame, c);
                // The sign keeps its place on the line, as in a text: "_" low, " high.
                const int size = int(cardH * 0.72);
                const std::u32string glyph(1, sc->second);
                const double w = fonts_.ExactWidth(glyph, Font::SansBold, size);
                Caption(t, frame, glyph, Font::SansBold, size, std::round(cardX + (cardW - w) / 2),
                        std::round(y + cardH / 2 + size * 0.36), kWhite, strong, kl.where);
            }
            auto fp = fingerPlace.at(keys_[key].finger);
            if (litFingers.insert(fp).second)
                t.Show(frame,
                       Finger(fp.first ? kLeftHandX : kRightHandX, kHandY, kHandScale, fp.first, fp.second, strong));
            frame += step;
        }
    }
    return frame;
}

// The goal of the next lesson (when there is one), the closing text and the last line.
void Composer::BookEnd(Timeline& t, const Source& src, const Lesson* next, int frame) {
    frame += 3;
    const std::vector<SourceLine> nextLines = src.All("next", next ? 1 : 0, next ? 1 : 0);
    if (next) {
        const SourceLine& l = nextLines[0];
        if (l.value.find(U"{speed}") == std::u32string::npos)
            throw CourseError(l.where, "'next' must name the speed: {speed}");
        LessonLimits lim = LimitsFor(*next);
        std::u32string text =
            Replace(Replace(l.value, U"{speed}", Number(lim.targetSpeed)), U"{errors}", Number(lim.errors));
        Centred(t, frame, text, Font::SansBold, 24, 486, kAccent, kPaper, l.where);
        frame += 5;
    }
    double baseline = next ? 522 : 486;
    for (const SourceLine& l : src.All("text", 1, next ? 2 : 3)) {
        Centred(t, frame, l.value, Font::Sans, 21, baseline, kInk, kPaper, l.where);
        baseline += 28;
    }
    frame += 5;
    Centred(t, frame, src.One("end").value, Font::Sans, 19, 584, kQuiet, kPaper, src.One("end").where);
    t.Length(std::max(frame + 4, 2 * kMovieFps));
}

// --- presentations ------------------------------------------------------------------------

const KeyboardPlace kSceneKeyboard{117, 104, 0.66};

int Composer::SceneHomeRow(Timeline& t) {
    Keyboard(t, kSceneKeyboard, [](int) { return kKeyFace; });
    const int order[8] = {30, 31, 32, 33, 36, 37, 38, 39};
    int frame = 3;
    for (int key : order) {
        t.Show(frame, LitKey(kSceneKeyboard, key, Palette::Strong(keys_[key].finger)));
        t.Show(frame, Legends(kSceneKeyboard, {key}, kWhite));
        frame += 4;
    }
    // The bumps on А and О: rings that blink three times, then stay.
    Art rings;
    const int red = rings.Solid(Rgb(222, 60, 40));
    for (int key : {33, 36}) {
        KeyRect r = RectOf(kSceneKeyboard, key);
        rings.Ring(r.x + r.w / 2, r.y + r.h / 2, r.w * 0.78, 3.5, red);
    }
    const int d = t.Depth(), shape = t.Shape(rings);
    for (int i = 0; i < 3; ++i) {
        t.Place(frame + 8 * i, d, shape);
        t.Remove(frame + 8 * i + 4, d);
    }
    t.Place(frame + 24, d, shape);
    return frame + 28;
}

int Composer::SceneZones(Timeline& t) {
    // The keyboard on the left, the legend of the fingers on the right; each zone and its
    // legend entry take their colour together.
    struct Zone {
        course::Finger finger;
        const char32_t* name;
    };
    const Zone order[9] = {
        {Finger::LP, U"левый мизинец"},      {Finger::LR, U"левый безымянный"},    {Finger::LM, U"левый средний"},
        {Finger::LI, U"левый указательный"}, {Finger::RI, U"правый указательный"}, {Finger::RM, U"правый средний"},
        {Finger::RR, U"правый безымянный"},  {Finger::RP, U"правый мизинец"},      {Finger::TH, U"большие пальцы"}};
    const KeyboardPlace kp{24, 106, 0.6};
    const int firstZone = Keyboard(
        t, kp, [](int) { return kKeyFace; }, 9);
    const double legendX = kp.x + kKeyboardWidth * kp.s + 24, rowHeight = 19.5;
    const std::string where = movie_->source + " (the legend)";
    int frame = 3;
    for (int i = 0; i < 9; ++i) {
        const Color colour = Palette::Zone(order[i].finger);
        Art zone;
        const int fill = zone.Solid(colour);
        for (int n = 1; n <= kKeyCount; ++n) {
            if (keys_[n].finger != order[i].finger) continue;
            KeyRect r = RectOf(kp, n);
            zone.RoundRect(r.x + 1.2, r.y + 1.2, r.w - 2.4, r.h - 2.4, 2.8, fill);
        }
        t.Place(frame, firstZone + i, t.Shape(zone));
        const double y = kp.y + i * rowHeight;
        Art swatch;
        swatch.RoundFrame(legendX, y, 20, 15, 3, 1.2, swatch.Solid(kKeyEdge));
        swatch.RoundRect(legendX + 1.2, y + 1.2, 17.6, 12.6, 2.4, swatch.Solid(colour));
        t.Show(frame, swatch);
        Caption(t, frame, order[i].name, Font::Sans, 14, legendX + 27, y + 12.5, kInk, kPaper, where);
        frame += 5;
    }
    return frame + 6;
}

int Composer::SceneStrike(Timeline& t) {
    Keyboard(t, kSceneKeyboard, [&](int n) { return Palette::Zone(keys_[n].finger); });
    const int pressDepth = t.Depth(), pressLegend = t.Depth();
    // Fingertips on the home row; one at a time reaches for a key and comes back.
    auto centre = [&](int key, double& x, double& y) {
        KeyRect r = RectOf(kSceneKeyboard, key);
        x = r.x + r.w / 2;
        y = r.y + r.h / 2;
    };
    std::map<int, int> tipDepth;
    for (int key : {30, 31, 32, 33, 36, 37, 38, 39}) {
        double x, y;
        centre(key, x, y);
        Art tip;
        const int edge = tip.Solid(Rgb(40, 44, 52), 170);
        const int fill = tip.Solid(Palette::Strong(keys_[key].finger), 110);
        tip.Ring(x, y + 4, 13, 2.5, edge);
        tip.Ellipse(x, y + 4, 10.5, 10.5, fill);
        tipDepth[key] = t.Show(0, tip);
    }
    const std::pair<int, int> strikes[3] = {{33, 20}, {36, 48}, {37, 23}};  // А -> Е, О -> Т, Л -> Ш
    int frame = 4;
    for (const auto& s : strikes) {
        double hx, hy, kx, ky;
        centre(s.first, hx, hy);
        centre(s.second, kx, ky);
        const int d = tipDepth[s.first];
        for (int i = 1; i <= 4; ++i) t.Move(frame + i - 1, d, (kx - hx) * i / 4, (ky - hy) * i / 4);
        frame += 4;
        Color pressed = Darker(Palette::Zone(keys_[s.second].finger), 0.25);
        t.Place(frame, pressDepth, t.Shape(LitKey(kSceneKeyboard, s.second, pressed)));
        t.Place(frame, pressLegend, t.Shape(Legends(kSceneKeyboard, {s.second}, kLegend)));
        t.Remove(frame + 3, pressDepth);
        t.Remove(frame + 3, pressLegend);
        frame += 3;
        for (int i = 3; i >= 0; --i) t.Move(frame + 3 - i, d, (kx - hx) * i / 4, (ky - hy) * i / 4);
        frame += 10;
    }
    return frame;
}

int Composer::SceneRhythm(Timeline& t, const std::vector<SourceLine>& labels) {
    // Two rows of strokes on a time line: uneven, then even.
    const double rowY[2] = {150, 250};
    const std::vector<double> xs[2] = {{100, 128, 140, 236, 254, 330, 430, 446, 458, 566, 690},
                                       {100, 159, 218, 277, 336, 395, 454, 513, 572, 631, 690}};
    const Color colours[2] = {Rgb(214, 84, 64), Rgb(46, 150, 90)};
    int last = 0;
    for (int row = 0; row < 2; ++row) {
        Caption(t, 0, labels[size_t(row)].value, Font::SansBold, 22, 60, rowY[row] - 18, colours[row], kPaper,
                labels[size_t(row)].where);
        Art track;
        track.Rect(60, rowY[row] + 24, 680, 3, track.Solid(Rgb(176, 182, 190)));
        t.Show(0, track);
        Art tick;
        tick.Capsule(0, 0, 0, 30, 6, tick.Solid(colours[row]));
        const int shape = t.Shape(tick);
        for (double x : xs[row]) {
            const int frame = 2 + int(std::lround((x - 100) / 590 * 48));
            t.Place(frame, t.Depth(), shape, x, rowY[row] - 4);
            last = std::max(last, frame);
        }
    }
    return last + 8;
}

int Composer::SceneCourse(Timeline& t, const std::vector<SourceLine>& labels) {
    // The road through a lesson: four boxes with arrows, then the two buttons of the window.
    const Color boxColours[4] = {Palette::Zone(Finger::LI), Palette::Zone(Finger::RM), Palette::Zone(Finger::LR),
                                 Palette::Zone(Finger::RR)};
    const double w = 160, h = 76, gap = 36, y = 108, x0 = (kStageWidth - 4 * w - 3 * gap) / 2;
    int frame = 2;
    for (int i = 0; i < 4; ++i) {
        const SourceLine& l = labels[size_t(i)];
        size_t bar = l.value.find(U'|');
        std::u32string main = l.value.substr(0, bar),
                       note = bar == std::u32string::npos ? U"" : l.value.substr(bar + 1);
        while (!main.empty() && main.back() == U' ') main.pop_back();
        while (!note.empty() && note.front() == U' ') note.erase(note.begin());
        const double x = x0 + i * (w + gap);
        Art box;
        box.RoundFrame(x, y, w, h, 10, 2.5, box.Solid(Darker(boxColours[i], 0.4)));
        box.RoundRect(x + 2.5, y + 2.5, w - 5, h - 5, 8, box.Solid(Lighter(boxColours[i], 0.3)));
        t.Show(frame, box);
        const double mw = fonts_.ExactWidth(main, Font::SansBold, 19);
        Caption(t, frame, main, Font::SansBold, 19, std::round(x + (w - mw) / 2), y + h / 2 + 7, kInk,
                Lighter(boxColours[i], 0.3), l.where, x + w - 6);
        if (!note.empty()) {
            const double nw = fonts_.ExactWidth(note, Font::Sans, 15);
            Caption(t, frame, note, Font::Sans, 15, std::round(x + (w - nw) / 2), y + h + 24, kQuiet, kPaper, l.where,
                    x + w + gap / 2);
        }
        if (i < 3) {
            Art arrow;
            const double ax = x + w + 4, ay = y + h / 2;
            arrow.Polygon({{ax, ay - 3},
                           {ax + gap - 20, ay - 3},
                           {ax + gap - 20, ay - 10},
                           {ax + gap - 8, ay},
                           {ax + gap - 20, ay + 10},
                           {ax + gap - 20, ay + 3},
                           {ax, ay + 3}},
                          arrow.Solid(kQuiet));
            t.Show(frame + 5, arrow);
        }
        frame += 10;
    }
    // The window's buttons "Пауза" and "?".
    double bx = 250;
    for (int i = 4; i < 6; ++i) {
        const SourceLine& l = labels[size_t(i)];
        const double tw = fonts_.ExactWidth(l.value, Font::Sans, 18);
        const double bw = std::max(44.0, tw + 36);
        Art button;
        button.RoundFrame(bx, 238, bw, 40, 5, 1.5, button.Solid(Rgb(112, 118, 128)));
        button.RoundRect(bx + 1.5, 239.5, bw - 3, 37, 4,
                         button.Gradient(Rgb(252, 252, 252), Rgb(222, 224, 228), 238, 278));
        t.Show(frame, button);
        Caption(t, frame, l.value, Font::Sans, 18, std::round(bx + (bw - tw) / 2), 264, kInk, Rgb(238, 239, 241),
                l.where, bx + bw);
        bx += bw + 180;
        frame += 5;
    }
    return frame + 6;
}

// The learner at the desk, side view, in stage pixels: furniture, body and the arm in its
// poses from the hands resting on the lap to the forearm level over the keyboard.
struct Rect {
    double x0, y0, x1, y1;
};
struct ArmPose {
    double elbowX, elbowY, angle;  // the forearm's angle below the level, in degrees
};
struct PostureFigure {
    double floorY = 300;
    Rect seat{236, 228, 336, 238}, desk{400, 204, 650, 214}, keyboard{402, 197, 458, 204};
    double shoulderX = 266, shoulderY = 156;
    double thighX0 = 262, thighY0 = 230, thighX1 = 384, thighY1 = 232, thighR = 13;
    double forearmLength = 100, forearmR = 7.5, handRx = 12, handRy = 7;
    ArmPose from{271, 198, 7}, to{294, 192, 0};
    int poses = 7;

    ArmPose Pose(int i) const {
        const double f = double(i) / (poses - 1);
        return {from.elbowX + (to.elbowX - from.elbowX) * f, from.elbowY + (to.elbowY - from.elbowY) * f,
                from.angle + (to.angle - from.angle) * f};
    }
    void ForearmEnd(const ArmPose& p, double along, double& x, double& y) const {
        const double a = p.angle * 3.14159265358979323846 / 180;
        x = p.elbowX + along * std::cos(a);
        y = p.elbowY + along * std::sin(a);
    }
    void Hand(const ArmPose& p, double& x, double& y) const { ForearmEnd(p, forearmLength + 8, x, y); }
};

double DistanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double t = std::clamp(((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

double DistanceToRect(double px, double py, const Rect& r) {
    const double dx = std::max({r.x0 - px, 0.0, px - r.x1}), dy = std::max({r.y0 - py, 0.0, py - r.y1});
    return std::hypot(dx, dy);
}

// What the figure must keep in every pose: the arm never through the seat, the thigh or the
// desk, never below the floor; at the end the forearm level with the hand on the keys.
std::vector<std::string> PostureProblems(const PostureFigure& f) {
    std::vector<std::string> problems;
    for (int i = 0; i < f.poses; ++i) {
        const ArmPose p = f.Pose(i);
        const std::string pose = "pose " + std::to_string(i + 1) + ": ";
        // Points of the forearm (with its radius) and of the hand's outline.
        std::vector<std::array<double, 3>> points;
        for (int k = 0; k <= 20; ++k) {
            double x, y;
            f.ForearmEnd(p, f.forearmLength * k / 20, x, y);
            points.push_back({x, y, f.forearmR});
        }
        double hx, hy;
        f.Hand(p, hx, hy);
        for (int k = 0; k < 16; ++k) {
            const double a = k * 3.14159265358979323846 / 8;
            points.push_back({hx + f.handRx * std::cos(a), hy + f.handRy * std::sin(a), 0});
        }
        bool seat = false, desk = false, floor = false, thigh = false;
        for (const auto& pt : points) {
            seat = seat || DistanceToRect(pt[0], pt[1], f.seat) < pt[2] - 0.5;
            desk = desk || DistanceToRect(pt[0], pt[1], f.desk) < pt[2] - 0.5;
            floor = floor || pt[1] + pt[2] > f.floorY;
            thigh = thigh || DistanceToSegment(pt[0], pt[1], f.thighX0, f.thighY0, f.thighX1, f.thighY1) <
                                 pt[2] + f.thighR - 1.5;
        }
        if (seat) problems.push_back(pose + "the arm goes through the chair's seat");
        if (desk) problems.push_back(pose + "the arm goes through the desk");
        if (floor) problems.push_back(pose + "the arm reaches below the floor");
        if (thigh) problems.push_back(pose + "the arm goes through the thigh");
    }
    const ArmPose last = f.Pose(f.poses - 1);
    double hx, hy;
    f.Hand(last, hx, hy);
    if (std::abs(last.angle) > 0.5) problems.push_back("the forearm ends at an angle, not level");
    if (hx + f.handRx < f.keyboard.x0 + 6 || hx - f.handRx > f.keyboard.x1 || hy + f.handRy < f.keyboard.y0)
        problems.push_back("the hand does not end on the keyboard");
    const double upper0 = std::hypot(f.from.elbowX - f.shoulderX, f.from.elbowY - f.shoulderY),
                 upper1 = std::hypot(f.to.elbowX - f.shoulderX, f.to.elbowY - f.shoulderY);
    if (std::abs(upper0 - upper1) > 4) problems.push_back("the upper arm changes its length");
    return problems;
}

int Composer::ScenePosture(Timeline& t) {
    const PostureFigure f;
    const std::vector<std::string> problems = PostureProblems(f);
    if (!problems.empty()) {
        std::string all = "the posture figure:";
        for (const std::string& p : problems) all += " " + p + ";";
        throw CourseError(movie_->source, all);
    }
    const Color furniture = Rgb(166, 128, 92), chair = Rgb(88, 98, 116), person = Rgb(70, 110, 170),
                arm = Rgb(96, 140, 200), screen = Rgb(52, 58, 70);
    auto rect = [&](double x, double y, double w, double h, Color c) {
        Art a;
        a.RoundRect(x, y, w, h, std::min(w, h) / 3, a.Solid(c));
        t.Show(0, a);
    };
    auto limb = [&](double x0, double y0, double x1, double y1, double r, Color c) {
        Art a;
        a.Capsule(x0, y0, x1, y1, r, a.Solid(c));
        return a;
    };
    const Rect& seat = f.seat;
    const Rect& desk = f.desk;
    rect(150, f.floorY, 560, 4, Rgb(180, 184, 190));                      // floor
    rect(seat.x0, seat.y0, seat.x1 - seat.x0, seat.y1 - seat.y0, chair);  // seat
    rect(seat.x0 + 10, seat.y1, 8, f.floorY - seat.y1, chair);
    rect(seat.x1 - 18, seat.y1, 8, f.floorY - seat.y1, chair);
    rect(seat.x0 - 10, 140, 10, seat.y1 - 140, chair);  // back of the chair
    rect(desk.x0, desk.y0, desk.x1 - desk.x0, desk.y1 - desk.y0, furniture);
    rect(desk.x1 - 26, desk.y1, 10, f.floorY - desk.y1, furniture);
    const double screenX = desk.x1 - 60;
    rect(screenX, 114, 12, 74, screen);  // screen, side view
    rect(screenX + 2, 188, 8, desk.y0 - 188, screen);
    const Rect& kb = f.keyboard;
    rect(kb.x0, kb.y0, kb.x1 - kb.x0, kb.y1 - kb.y0, Rgb(90, 95, 105));
    // Sight line from the eye to the screen.
    Art sight;
    sight.Polygon({{284, 117}, {screenX, 140}, {screenX, 142}, {284, 119}}, sight.Solid(Rgb(150, 170, 205)));
    t.Show(0, sight);
    Art head;
    head.Ellipse(270, 116, 19, 21, head.Solid(kSkin));
    t.Show(0, head);
    t.Show(0, limb(262, 146, 256, 222, 15, person));                                                 // straight back
    t.Show(0, limb(f.thighX0, f.thighY0, f.thighX1, f.thighY1, f.thighR, person));                   // thigh, level
    t.Show(0, limb(f.thighX1, f.thighY1, f.thighX1 + 4, f.floorY - 8, 11, person));                  // shin, upright
    t.Show(0, limb(f.thighX1 + 2, f.floorY - 6, f.thighX1 + 28, f.floorY - 6, 7, Rgb(50, 56, 66)));  // foot
    // The arm rises from the lap to the keyboard: the elbow stays by the body, the forearm
    // ends level with the hand on the keys.
    const int upperDepth = t.Depth(), foreDepth = t.Depth(), handDepth = t.Depth();
    for (int i = 0; i < f.poses; ++i) {
        const ArmPose p = f.Pose(i);
        double ex, ey, hx, hy;
        f.ForearmEnd(p, f.forearmLength, ex, ey);
        f.Hand(p, hx, hy);
        Art hand;
        hand.Ellipse(hx, hy, f.handRx, f.handRy, hand.Solid(kSkin));
        const int frame = i == 0 ? 0 : 4 + 3 * i;
        t.Place(frame, upperDepth, t.Shape(limb(f.shoulderX, f.shoulderY, p.elbowX, p.elbowY, 9, arm)));
        t.Place(frame, foreDepth, t.Shape(limb(p.elbowX, p.elbowY, ex, ey, f.forearmR, arm)));
        t.Place(frame, handDepth, t.Shape(hand));
    }
    return 4 + 3 * (f.poses - 1) + 24;
}

CourseMovie Composer::Presentation(const std::string& sourcePath, int number) {
    Source src(sourcePath, {"title", "scene", "label", "text", "end"});
    CourseMovie m;
    m.source = sourcePath;
    m.path = "pictures/prezentari/" + std::to_string(number) + ".swf";
    m.background = kPaper;
    movie_ = &m;
    Timeline t(m);
    TitleBand(t, src.One("title"));
    const SourceLine scene = src.One("scene");
    const std::string name = EncodeUtf8(scene.value);
    // Each scene and the number of labels it asks for.
    const std::map<std::string, std::pair<size_t, std::function<int(const std::vector<SourceLine>&)>>> scenes = {
        {"posture", {0, [&](const std::vector<SourceLine>&) { return ScenePosture(t); }}},
        {"homerow", {0, [&](const std::vector<SourceLine>&) { return SceneHomeRow(t); }}},
        {"zones", {0, [&](const std::vector<SourceLine>&) { return SceneZones(t); }}},
        {"strike", {0, [&](const std::vector<SourceLine>&) { return SceneStrike(t); }}},
        {"rhythm", {2, [&](const std::vector<SourceLine>& l) { return SceneRhythm(t, l); }}},
        {"course", {6, [&](const std::vector<SourceLine>& l) { return SceneCourse(t, l); }}},
    };
    auto it = scenes.find(name);
    if (it == scenes.end())
        throw CourseError(scene.where,
                          "unknown scene '" + name + "' (posture, homerow, zones, strike, rhythm, course)");
    const int frames = it->second.second(src.All("label", it->second.first, it->second.first));
    // The explanation stays on screen from the first frame: the player may stop the movie
    // at once, and the picture must still read.
    double baseline = 346;
    for (const SourceLine& l : src.All("text", 1, 7)) {
        Caption(t, 0, l.value, Font::Sans, 22, 48, baseline, kInk, kPaper, l.where);
        baseline += 31;
    }
    Centred(t, 0, src.One("end").value, Font::Sans, 19, 584, kQuiet, kPaper, src.One("end").where);
    t.Length(std::max(frames, 2 * kMovieFps));
    return m;
}

}  // namespace

std::vector<CourseMovie> ComposeMovies(const std::string& folder, const KeyTable& keys,
                                       const std::vector<LetterLine>& letters, const std::vector<Lesson>& lessons,
                                       TextRenderer& fonts) {
    Composer c(keys, letters, fonts);
    std::vector<CourseMovie> movies;
    for (size_t i = 0; i < lessons.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/carti/%02d.txt", lessons[i].number);
        movies.push_back(c.Book(folder + name, lessons[i], i + 1 < lessons.size() ? &lessons[i + 1] : nullptr));
    }
    for (int n = 1; n <= kPresentationCount; ++n)
        movies.push_back(c.Presentation(folder + "/prezentari/" + std::to_string(n) + ".txt", n));
    for (const CourseMovie& m : movies) {
        const int seconds10 = int(m.frames.size()) * 10 / kMovieFps;
        if (seconds10 < 20 || seconds10 > 60)
            throw CourseError(m.source,
                              "the animation lasts " + std::to_string(m.frames.size()) + " frames, not 2 to 6 seconds");
    }
    return movies;
}

}  // namespace course
