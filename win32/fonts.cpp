#include "win32/fonts.h"

#include <cwchar>

#include "win32/wide.h"

namespace tastora {

namespace {

// The character height in pixels as LOGFONT takes it (negative: without the internal leading).
int HeightOf(const FontSpec& s, const FontSpec& base, int dpi) {
    if (s.pixelHeight > 0) return -s.pixelHeight;
    if (s.points == 0 && base.pixelHeight > 0 && base.points == 0) return -base.pixelHeight;
    const int points = s.points > 0 ? s.points : (base.points > 0 ? base.points : 8);
    return -MulDiv(points, dpi, 72);
}

}  // namespace

HFONT FontCache::For(const FontSpec& desc, const FontSpec& base, int dpi) {
    const bool inherits = desc.face.empty() && desc.points == 0 && desc.pixelHeight == 0 && !desc.bold;
    const FontSpec& s = inherits ? base : desc;
    std::string face = s.face.empty() ? base.face : s.face;
    if (face.empty()) face = "MS Sans Serif";
    const Key key(Wide(face), std::make_pair(HeightOf(s, base, dpi), s.bold ? FW_BOLD : FW_NORMAL));
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second ? it->second.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf = {};
    lf.lfHeight = key.second.first;
    lf.lfWeight = key.second.second;
    // Cyrillic glyphs whatever the system's code page.
    lf.lfCharSet = RUSSIAN_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcsncpy(lf.lfFaceName, key.first.c_str(), LF_FACESIZE - 1);
    ScopedGdiObject<HFONT>& font = fonts_[key];
    font.reset(CreateFontIndirectW(&lf));
    return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace tastora
