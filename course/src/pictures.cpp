#include "pictures.h"

#include <algorithm>
#include <cmath>

#include "util.h"

namespace course {

namespace {

const Color kBody = Rgb(75, 80, 88);           // keyboard body behind the keys
const Color kInk = Rgb(28, 32, 38);            // legends
const Color kInkSoft = Rgb(62, 68, 76);        // small legends
const Color kNeutralTop = Rgb(222, 224, 227);  // keys of the empty keyboard
const Color kNeutralBottom = Rgb(199, 202, 206);
const Color kNeutralInk = Rgb(150, 156, 164);
const Color kHelpTitle = Rgb(30, 40, 60), kHelpLabel = Rgb(50, 56, 64);  // help pictures

// Colour helpers in HSL, for the strong "next" highlight of each zone.
void ToHsl(Color c, double& h, double& s, double& l) {
    double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    l = (mx + mn) / 2;
    if (mx == mn) {
        h = s = 0;
        return;
    }
    double d = mx - mn;
    s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == r)
        h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g)
        h = (b - r) / d + 2;
    else
        h = (r - g) / d + 4;
    h /= 6;
}

Color FromHsl(double h, double s, double l) {
    auto hue = [](double p, double q, double t) {
        if (t < 0) t += 1;
        if (t > 1) t -= 1;
        if (t < 1.0 / 6) return p + (q - p) * 6 * t;
        if (t < 0.5) return q;
        if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
        return p;
    };
    double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    double p = 2 * l - q;
    return Rgb(int(std::lround(hue(p, q, h + 1.0 / 3) * 255)), int(std::lround(hue(p, q, h) * 255)),
               int(std::lround(hue(p, q, h - 1.0 / 3) * 255)));
}

Color Vivid(Color c) {
    double h, s, l;
    ToHsl(c, h, s, l);
    if (s < 0.05) return Rgb(70, 78, 90);  // a grey: a dark slate
    return FromHsl(h, 0.80, 0.40);
}

bool IsLetter(char32_t c) { return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451; }

}  // namespace

Color Palette::Zone(Finger f) {
    switch (f) {
        case Finger::LP: return Rgb(246, 168, 166);
        case Finger::LR: return Rgb(248, 198, 140);
        case Finger::LM: return Rgb(242, 226, 136);
        case Finger::LI: return Rgb(180, 222, 152);
        case Finger::RI: return Rgb(146, 214, 206);
        case Finger::RM: return Rgb(158, 192, 242);
        case Finger::RR: return Rgb(196, 178, 240);
        case Finger::RP: return Rgb(238, 172, 216);
        case Finger::TH: return Rgb(200, 180, 150);  // sand: unlike the grey of an unlit key
    }
    return Rgb(200, 200, 200);
}

Color Palette::Strong(Finger f) {
    if (f == Finger::TH) return Rgb(112, 88, 56);  // a deep sand, apart from the orange of the left ring finger
    return Vivid(Zone(f));
}

void HelpPictureSize(int n, int& w, int& h) {
    // Outer window sizes of the picture window less a sizeable frame (16 x 39).
    static const int kOuter[5][2] = {{0, 0}, {910, 338}, {157, 181}, {153, 175}, {148, 176}};
    w = kOuter[n][0] - 16;
    h = kOuter[n][1] - 39;
}

void PictureMaker::DrawKeyFace(Image& img, int key, KeyState state, double ox, double oy, double w, double h,
                               bool neutral) {
    const Key& k = keys_[key];
    const Color zone = Palette::Zone(k.finger);
    Color top, bottom, border, ink, soft;
    double inset = 1, lift = 3, dx = 0, dy = 0;
    bool next = state == KeyState::Next || state == KeyState::NextShifted;
    if (neutral) {
        top = kNeutralTop;
        bottom = kNeutralBottom;
        border = Rgb(138, 143, 150);
        ink = kNeutralInk;
        soft = kNeutralInk;
    } else if (state == KeyState::Pressed) {
        top = Darker(zone, 0.28);
        bottom = Darker(zone, 0.14);
        border = Darker(zone, 0.55);
        ink = kInk;
        soft = kInkSoft;
        lift = 1;
        dx = 1;
        dy = 2;
    } else if (next) {
        Color v = Vivid(zone);
        top = Lighter(v, 0.18);
        bottom = v;
        border = Rgb(20, 22, 26);
        ink = Rgb(255, 255, 255);
        soft = Rgb(240, 240, 240);
        inset = 2.5;
    } else {
        top = Lighter(zone, 0.45);
        bottom = zone;
        border = Darker(zone, 0.42);
        ink = kInk;
        soft = kInkSoft;
    }
    img.FillRect(int(ox), int(oy), int(w), int(h), kBody);
    img.FillRoundRect(ox, oy, w, h, 6, border);
    img.FillRoundRectGradient(ox + inset, oy + inset + (state == KeyState::Pressed && !neutral ? 1 : 0), w - 2 * inset,
                              h - inset - lift - (state == KeyState::Pressed && !neutral ? 1 : 0), 5, top, bottom);
    if (next) img.StrokeRoundRect(ox + inset, oy + inset, w - 2 * inset, h - inset - lift, 5, 1, Rgb(255, 236, 120));

    const double cx = ox + dx, cy = oy + dy;
    if (!k.HasChars()) {
        text_.DrawCentered(img, k.latin, Font::Sans, 13, cx + w / 2, cy + h / 2 - 1, soft);
        return;
    }
    if (key == kSpaceKey) {
        text_.DrawCentered(img, U"пробел", Font::Sans, 13, cx + w / 2, cy + h / 2 - 1, soft);
        return;
    }
    const bool showShifted = state == KeyState::ShiftedFace || state == KeyState::NextShifted;
    const char32_t main = showShifted ? k.shifted : k.plain;
    const char32_t other = showShifted ? k.plain : k.shifted;
    const bool letter = IsLetter(k.plain);
    // Main legend: the character this state types.
    int size = letter ? 23 : 21;
    if (main == U'№') size = 18;
    std::u32string mainText(1, main);
    double mx = cx + w * 0.56, my = cy + h * 0.58;
    text_.DrawCentered(img, mainText, Font::SansBold, size, mx, my, ink);
    // Latin legend, small, top left (not repeated when it equals the main character).
    std::u32string latin = showShifted && !k.latinShifted.empty() ? k.latinShifted : k.latin;
    if (!latin.empty() && latin != mainText && latin != std::u32string(1, other))
        text_.Draw(img, latin, Font::Sans, 11, cx + 6, cy + 15, soft);
    // The other face of a digit or punctuation key, small, top right.
    if (!letter) {
        std::u32string o(1, other);
        double ow = text_.Width(o, Font::SansBold, 12);
        text_.Draw(img, o, Font::SansBold, 12, cx + w - 7 - ow, cy + 16, soft);
    }
    if (showShifted) text_.Draw(img, U"⇧", Font::Sans, 11, cx + 6, cy + h - 8, soft);
    // The raised marks of the home keys of the index fingers.
    if ((key == 33 || key == 36) && !neutral)
        img.FillRoundRect(cx + w / 2 - 7, cy + h - lift - 8, 14, 3, 1.5,
                          next ? Rgb(255, 255, 255) : Darker(zone, 0.45));
}

Image PictureMaker::KeyPicture(int key, KeyState state) {
    KeyPlace p = KeyPlaceOf(key);
    Image img(p.w, p.h, kBody);
    DrawKeyFace(img, key, state, 0, 0, p.w, p.h, false);
    return img;
}

Image PictureMaker::EmptyKeyboard() {
    Image img(kKeyboardWidth, kKeyboardHeight, kBody);
    for (int n = 1; n <= kKeyCount; ++n) {
        KeyPlace p = KeyPlaceOf(n);
        DrawKeyFace(img, n, KeyState::Normal, p.x, p.y, p.w, p.h, true);
    }
    return img;
}

Image PictureMaker::ZoneKeyboard() {
    Image img(kKeyboardWidth, kKeyboardHeight, kBody);
    for (int n = 1; n <= kKeyCount; ++n) {
        KeyPlace p = KeyPlaceOf(n);
        img.Draw(KeyPicture(n, KeyState::Normal), p.x, p.y);
    }
    return img;
}

Color PictureMaker::CellBackground() { return Rgb(255, 255, 255); }

Image PictureMaker::CharCell(int key, bool shifted, int look) {
    const Color bg = look == 2 ? Rgb(255, 214, 214) : CellBackground();
    const Color ink = look == 0 ? Rgb(20, 24, 30) : look == 1 ? Rgb(168, 175, 184) : Rgb(204, 20, 20);
    Image img(18, 30, bg);
    const Key& k = keys_[key];
    const char32_t ch = shifted ? k.shifted : k.plain;
    if (ch == U' ') {
        if (look == 0) img.FillCircle(9, 18, 1.8, Rgb(150, 158, 168));          // a space to type: a dot
        if (look == 2) img.FillRoundRect(3, 24, 12, 2.5, 1, Rgb(204, 20, 20));  // a missed space: a red bar
        return img;
    }
    const Font font = look == 0 ? Font::MonoBold : Font::Mono;
    std::u32string s(1, ch);
    // The largest size at which the glyph's ink stays inside the cell (wide signs such as
    // "№" get a smaller size); centred on its ink.
    int size = 22, box[4];
    for (;; --size) {
        text_.InkBox(ch, font, size, box);
        if (size <= 10 || (box[2] - box[0] <= 16 && 21 + box[1] >= 1 && 21 + box[3] <= 29)) break;
    }
    double left = (18 - (box[2] - box[0])) / 2.0 - box[0];
    text_.Draw(img, s, font, size, std::round(left), 21, ink);
    return img;
}

Image PictureMaker::TextBackground() { return Image(737, 233, CellBackground()); }

Image PictureMaker::SpeedGraph() {
    const Color paper = Rgb(255, 255, 255), band = Rgb(244, 247, 250), grid = Rgb(222, 227, 233),
                axis = Rgb(60, 66, 74), label = Rgb(70, 76, 84);
    Image img(330, 160, paper);
    // Every other lesson shaded; a lesson spans its exercise and test points.
    for (int h = 1; h <= 16; ++h) {
        int x0 = 29 + 16 * (h - 1), x1 = x0 + 15;
        if (h % 2 == 0) img.FillRect(x0, 4, x1 - x0 + 1, 147 - 4, band);
    }
    // Grid every 20 characters per minute (10 pixels), labels every 40.
    for (int v = 20; v <= 280; v += 20) {
        int y = 147 - v / 2;
        img.HLine(33, 300, y, grid);
        img.HLine(29, 32, y, axis);
        if (v % 40 == 0) {
            std::u32string t;
            for (char c : std::to_string(v)) t += char32_t(c);
            double tw = text_.Width(t, Font::Sans, 9);
            text_.Draw(img, t, Font::Sans, 9, 27 - tw, y + 3.5, label);
        }
    }
    img.VLine(32, 2, 149, axis);
    img.HLine(30, 302, 147, axis);
    // A tick under every course point, a longer one between lessons.
    for (int i = 1; i <= 32; ++i) img.VLine(33 + 8 * (i - 1), 148, 149, axis);
    for (int h = 1; h <= 16; ++h) {
        std::u32string t;
        for (char c : std::to_string(h)) t += char32_t(c);
        double tw = text_.Width(t, Font::Sans, 9);
        text_.Draw(img, t, Font::Sans, 9, 37 + 16 * (h - 1) - tw / 2 + 0.5, 158, label);
    }
    text_.Draw(img, U"0", Font::Sans, 9, 27 - text_.Width(U"0", Font::Sans, 9), 150.5, label);
    img.FillRect(35, 2, int(text_.Width(U"зн/мин", Font::Sans, 9)) + 4, 11, paper);
    text_.Draw(img, U"зн/мин", Font::Sans, 9, 37, 10, label);
    text_.Draw(img, U"урок", Font::Sans, 9, 302, 158, label);
    return img;
}

void PictureMaker::DrawHand(Image& img, double x, double y, double s, bool left) {
    // A hand seen from above, palm down, fingers up; each finger in its zone colour.
    // x, y: the middle of the palm's top edge; s: scale (1 = 100 px tall).
    const Finger fingersL[5] = {Finger::LP, Finger::LR, Finger::LM, Finger::LI, Finger::TH};
    const Finger fingersR[5] = {Finger::TH, Finger::RI, Finger::RM, Finger::RR, Finger::RP};
    const Color skin = Rgb(240, 210, 185), outline = Rgb(150, 110, 90);
    // Finger roots across the palm's top (left to right), lengths and widths.
    const double rootX[4] = {-27, -10, 6, 22};
    const double lenL[4] = {30, 40, 45, 40};  // little, ring, middle, index (left hand, left to right)
    img.FillRoundRect(x - 36 * s - 1, y - 1, 74 * s + 2, 50 * s + 2, 14 * s, outline);
    img.FillRoundRect(x - 36 * s, y, 74 * s, 50 * s, 14 * s, skin);
    for (int i = 0; i < 4; ++i) {
        int fi = left ? i : 3 - i;  // which finger stands at this place
        double len = lenL[fi] * s;
        double fx = x + (left ? rootX[i] : -rootX[3 - i]) * s + (left ? 0 : 0);
        Finger f = left ? fingersL[fi] : fingersR[4 - fi];
        img.ThickLine(fx, y + 8 * s, fx, y - len, 15 * s + 2, outline);
        img.ThickLine(fx, y + 8 * s, fx, y - len, 15 * s, Palette::Zone(f));
    }
    // The thumb, slanted towards the space bar.
    double tx0 = x + (left ? 30 : -30) * s, ty0 = y + 30 * s;
    double tx1 = x + (left ? 52 : -52) * s, ty1 = y + 4 * s;
    img.ThickLine(tx0, ty0, tx1, ty1, 16 * s + 2, outline);
    img.ThickLine(tx0, ty0, tx1, ty1, 16 * s, Palette::Zone(Finger::TH));
}

Image PictureMaker::Help(int n) {
    int w, h;
    HelpPictureSize(n, w, h);
    Image img(w, h, Rgb(250, 250, 247));
    if (n == 1)
        HelpFingerZones(img);
    else if (n == 2)
        HelpHomeRow(img, w);
    else if (n == 3)
        HelpPosture(img, w);
    else
        HelpLetterZones(img, w);
    return img;
}

// Finger zones on the keyboard, with the two hands and a legend.
void PictureMaker::HelpFingerZones(Image& img) {
    text_.Draw(img, U"Каждый палец нажимает клавиши своего цвета. Исходная позиция: ФЫВА — ОЛДЖ.", Font::SansBold, 13,
               10, 19, kHelpTitle);
    Image kb = ZoneKeyboard();
    // Rest positions: a ring on each home key and on the space bar.
    for (int key : {30, 31, 32, 33, 36, 37, 38, 39}) {
        KeyPlace p = KeyPlaceOf(key);
        kb.StrokeCircle(p.x + p.w / 2.0, p.y + p.h / 2.0 - 1, 25, 2.5, Rgb(60, 66, 78));
    }
    KeyPlace sp = KeyPlaceOf(kSpaceKey);
    kb.StrokeCircle(sp.x + sp.w / 2.0 - 60, sp.y + sp.h / 2.0 - 1, 22, 2.5, Rgb(60, 66, 78));
    kb.StrokeCircle(sp.x + sp.w / 2.0 + 60, sp.y + sp.h / 2.0 - 1, 22, 2.5, Rgb(60, 66, 78));
    const int kw = 690, kh = int(std::lround(289.0 * kw / 857));
    img.Draw(kb.Scaled(kw, kh), 8, 32);
    // Legend: the fingers and their colours.
    struct Entry {
        Finger f;
        const char32_t* name;
    };
    const Entry entries[] = {
        {Finger::LP, U"левый мизинец"},      {Finger::LR, U"левый безымянный"},  {Finger::LM, U"левый средний"},
        {Finger::LI, U"левый указательный"}, {Finger::TH, U"большие пальцы"},    {Finger::RI, U"правый указательный"},
        {Finger::RM, U"правый средний"},     {Finger::RR, U"правый безымянный"}, {Finger::RP, U"правый мизинец"}};
    int ly = 40;
    for (const Entry& e : entries) {
        img.FillRoundRect(712, ly, 22, 16, 3, Darker(Palette::Zone(e.f), 0.4));
        img.FillRoundRect(713, ly + 1, 20, 14, 3, Palette::Zone(e.f));
        text_.Draw(img, e.name, Font::Sans, 12, 740, ly + 12.5, kHelpLabel);
        ly += 27;
    }
}

// The home row: where the fingers rest.
void PictureMaker::HelpHomeRow(Image& img, int w) {
    text_.DrawCentered(img, U"Основной ряд", Font::SansBold, 12, w / 2.0, 9, kHelpTitle);
    const int left[4] = {30, 31, 32, 33}, right[4] = {36, 37, 38, 39};
    for (int row = 0; row < 2; ++row) {
        const int* ks = row == 0 ? left : right;
        double y = 20 + row * 54;
        for (int i = 0; i < 4; ++i) {
            const Key& k = keys_[ks[i]];
            double x = 5 + i * 33;
            Color z = Palette::Zone(k.finger);
            img.FillRoundRect(x, y, 31, 31, 4, Darker(z, 0.42));
            img.FillRoundRectGradient(x + 1, y + 1, 29, 27, 4, Lighter(z, 0.45), z);
            std::u32string s(1, k.shifted);
            text_.DrawCentered(img, s, Font::SansBold, 15, x + 15.5, y + 14, kInk);
            if (ks[i] == 33 || ks[i] == 36) img.FillRoundRect(x + 10, y + 22, 11, 2.5, 1, Darker(z, 0.5));
        }
        text_.DrawCentered(img, row == 0 ? U"левая рука" : U"правая рука", Font::Sans, 11, w / 2.0, y + 41, kHelpLabel);
    }
    text_.DrawCentered(img, U"на А и О — выступы", Font::Sans, 10, w / 2.0, 131, kHelpLabel);
}

// Posture: side view of a learner at the desk.
void PictureMaker::HelpPosture(Image& img, int w) {
    const Color line = Rgb(60, 70, 90), desk = Rgb(170, 130, 90), person = Rgb(70, 110, 170);
    text_.DrawCentered(img, U"Сидите прямо", Font::SansBold, 12, w / 2.0, 9, kHelpTitle);
    img.ThickLine(10, 126, 127, 126, 2, Rgb(160, 160, 160));  // floor
    img.ThickLine(78, 84, 128, 84, 4, desk);                  // desk top
    img.ThickLine(122, 84, 122, 126, 3, desk);                // desk leg
    img.FillRoundRect(108, 42, 6, 34, 1.5, Rgb(50, 55, 65));  // monitor
    img.ThickLine(114, 70, 114, 84, 3, Rgb(50, 55, 65));      // monitor stand
    img.FillRoundRect(90, 80, 16, 3, 1, Rgb(90, 95, 105));    // keyboard
    img.ThickLine(24, 98, 56, 98, 4, line);                   // chair seat
    img.ThickLine(24, 98, 24, 126, 3, line);                  // chair leg
    img.ThickLine(52, 98, 52, 126, 3, line);
    img.ThickLine(20, 58, 22, 98, 4, line);                 // chair back
    img.FillCircle(40, 34, 9, person);                      // head
    img.ThickLine(38, 46, 36, 92, 9, person);               // straight back
    img.ThickLine(36, 92, 68, 94, 9, person);               // thigh
    img.ThickLine(68, 94, 70, 124, 7, person);              // shin
    img.ThickLine(70, 124, 80, 124, 5, person);             // foot flat on the floor
    img.ThickLine(39, 52, 44, 74, 6, Rgb(90, 135, 195));    // upper arm down
    img.ThickLine(44, 74, 94, 78, 5, Rgb(90, 135, 195));    // forearm level
    img.ThickLine(49, 30, 108, 52, 1, Rgb(150, 170, 200));  // line of sight
}

// Finger zones of the letter rows, and the two hands.
void PictureMaker::HelpLetterZones(Image& img, int w) {
    text_.DrawCentered(img, U"Зоны пальцев", Font::SansBold, 12, w / 2.0, 9, kHelpTitle);
    const int rows[3][12] = {{16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27},
                             {30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0},
                             {43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 0, 0}};
    const double kw = 10.2, off[3] = {2, 5, 9};
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 12; ++i) {
            int key = rows[r][i];
            if (!key) continue;
            const Key& k = keys_[key];
            double x = off[r] + i * kw, y = 20 + r * 15;
            Color z = Palette::Zone(k.finger);
            img.FillRoundRect(x, y, kw - 1, 14, 2, Darker(z, 0.35));
            img.FillRoundRect(x + 0.5, y + 0.5, kw - 2, 13, 2, z);
            char32_t c = (k.shifted >= 0x0410 && k.shifted <= 0x042F) ? k.shifted : k.plain;
            text_.DrawCentered(img, std::u32string(1, c), Font::SansBold, 9, x + (kw - 1) / 2, y + 7, kInk);
        }
    }
    DrawHand(img, 34, 96, 0.45, true);
    DrawHand(img, 98, 96, 0.45, false);
    text_.DrawCentered(img, U"левая", Font::Sans, 10, 34, 130, kHelpLabel);
    text_.DrawCentered(img, U"правая", Font::Sans, 10, 98, 130, kHelpLabel);
}

}  // namespace course
