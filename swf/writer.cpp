#include "swf/writer.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <zlib.h>

#include "swf/bits.h"
#include "swf/tags.h"

namespace tastora::swf {

namespace {

void AppendTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body, bool longForm) {
    BitWriter w;
    if (!longForm && body.size() < 63) {
        w.U16(uint16_t(code << 6 | body.size()));
    } else {
        w.U16(uint16_t(code << 6 | 0x3f));
        w.U32(uint32_t(body.size()));
    }
    out.insert(out.end(), w.bytes().begin(), w.bytes().end());
    out.insert(out.end(), body.begin(), body.end());
}

int32_t Fix16(double v) { return int32_t(std::lround(v * 65536.0)); }
int32_t Twips(double v) { return int32_t(std::lround(v)); }

void WriteRect(BitWriter& w, const Rect& r) {
    int n = std::max({BitWriter::SignedBits(r.left), BitWriter::SignedBits(r.Right()), BitWriter::SignedBits(r.top),
                      BitWriter::SignedBits(r.Bottom())});
    w.Bits(uint32_t(n), 5);
    w.SBits(r.left, n);
    w.SBits(r.Right(), n);
    w.SBits(r.top, n);
    w.SBits(r.Bottom(), n);
    w.Align();
}

void WriteMatrix(BitWriter& w, const Matrix& m) {
    if (m.a != 1 || m.d != 1) {
        int32_t a = Fix16(m.a), d = Fix16(m.d);
        int n = std::max(BitWriter::SignedBits(a), BitWriter::SignedBits(d));
        w.Bits(1, 1);
        w.Bits(uint32_t(n), 5);
        w.SBits(a, n);
        w.SBits(d, n);
    } else {
        w.Bits(0, 1);
    }
    if (m.b != 0 || m.c != 0) {
        int32_t b = Fix16(m.b), c = Fix16(m.c);
        int n = std::max(BitWriter::SignedBits(b), BitWriter::SignedBits(c));
        w.Bits(1, 1);
        w.Bits(uint32_t(n), 5);
        w.SBits(b, n);
        w.SBits(c, n);
    } else {
        w.Bits(0, 1);
    }
    int32_t tx = Twips(m.tx), ty = Twips(m.ty);
    int n = (tx || ty) ? std::max(BitWriter::SignedBits(tx), BitWriter::SignedBits(ty)) : 0;
    w.Bits(uint32_t(n), 5);
    w.SBits(tx, n);
    w.SBits(ty, n);
    w.Align();
}

void WriteColorTransform(BitWriter& w, const ColorTransform& c, bool alpha) {
    int32_t mult[4] = {int32_t(std::lround(c.mr * 256)), int32_t(std::lround(c.mg * 256)),
                       int32_t(std::lround(c.mb * 256)), int32_t(std::lround(c.ma * 256))};
    int32_t add[4] = {int32_t(std::lround(c.ar)), int32_t(std::lround(c.ag)), int32_t(std::lround(c.ab)),
                      int32_t(std::lround(c.aa))};
    int count = alpha ? 4 : 3;
    bool hasMult = false, hasAdd = false;
    int n = 1;
    for (int i = 0; i < count; ++i) {
        if (mult[i] != 256) hasMult = true;
        if (add[i] != 0) hasAdd = true;
    }
    for (int i = 0; i < count; ++i) {
        if (hasMult) n = std::max(n, BitWriter::SignedBits(mult[i]));
        if (hasAdd) n = std::max(n, BitWriter::SignedBits(add[i]));
    }
    w.Bits(hasAdd, 1);
    w.Bits(hasMult, 1);
    w.Bits(uint32_t(n), 4);
    if (hasMult)
        for (int i = 0; i < count; ++i) w.SBits(mult[i], n);
    if (hasAdd)
        for (int i = 0; i < count; ++i) w.SBits(add[i], n);
    w.Align();
}

void WriteColor(BitWriter& w, Rgba c, bool alpha) {
    w.U8(c.r);
    w.U8(c.g);
    w.U8(c.b);
    if (alpha) w.U8(c.a);
}

void WriteCount(BitWriter& w, size_t n, bool extended) {
    if (extended && n >= 255) {
        w.U8(255);
        w.U16(uint16_t(n));
    } else {
        w.U8(uint8_t(std::min<size_t>(n, 255)));
    }
}

void WriteFill(BitWriter& w, const FillStyle& f, int shapeVersion) {
    bool alpha = shapeVersion >= 3;
    FillKind kind = f.kind;
    if (kind == FillKind::Focal && shapeVersion < 4) kind = FillKind::Radial;
    switch (kind) {
        case FillKind::Solid:
            w.U8(0x00);
            WriteColor(w, f.color, alpha);
            break;
        case FillKind::Linear:
        case FillKind::Radial:
        case FillKind::Focal: {
            w.U8(uint8_t(kind));
            WriteMatrix(w, f.matrix);
            size_t n = std::min<size_t>(f.stops.size(), shapeVersion >= 4 ? 15 : 8);
            w.Bits(uint32_t(f.spread), 2);
            w.Bits(f.linearRgb ? 1 : 0, 2);
            w.Bits(uint32_t(n), 4);
            for (size_t i = 0; i < n; ++i) {
                w.U8(f.stops[i].ratio);
                WriteColor(w, f.stops[i].color, alpha);
            }
            if (kind == FillKind::Focal) w.U16(uint16_t(int16_t(std::lround(f.focal * 256))));
            break;
        }
        case FillKind::RepeatingBitmap:
        case FillKind::ClippedBitmap:
            w.U8(uint8_t(uint8_t(kind) | (f.smooth ? 0 : 2)));
            w.U16(f.bitmap);
            WriteMatrix(w, f.matrix);
            break;
    }
}

void WriteStyles(BitWriter& w, const ShapeBuilder::Table& t, int shapeVersion) {
    bool extended = shapeVersion >= 2;
    WriteCount(w, t.fills.size(), extended);
    for (const auto& f : t.fills) WriteFill(w, f, shapeVersion);
    WriteCount(w, t.lines.size(), extended);
    for (const auto& l : t.lines) {
        w.U16(l.width);
        if (shapeVersion >= 4) {
            w.Bits(uint32_t(l.startCap), 2);
            w.Bits(uint32_t(l.join), 2);
            w.Bits(l.hasFill, 1);
            w.Bits(l.noHScale, 1);
            w.Bits(l.noVScale, 1);
            w.Bits(0, 1);  // pixel hinting
            w.Bits(0, 5);
            w.Bits(0, 1);  // no close
            w.Bits(uint32_t(l.endCap), 2);
            if (l.join == Join::Miter) w.U16(uint16_t(std::lround(l.miterLimit * 256)));
            if (l.hasFill)
                WriteFill(w, l.fill, shapeVersion);
            else
                WriteColor(w, l.color, true);
        } else {
            WriteColor(w, l.color, shapeVersion >= 3);
        }
    }
}

// Bits of the fill and line style numbers for a table (one fill, no lines for glyphs).
void StyleBits(const std::vector<ShapeBuilder::Table>& tables, size_t t, bool withStyles, int& fb, int& lb) {
    if (!withStyles) {
        fb = 1;
        lb = 0;
        return;
    }
    fb = BitWriter::UnsignedBits(uint32_t(tables[t].fills.size()));
    lb = BitWriter::UnsignedBits(uint32_t(tables[t].lines.size()));
}

// A straight or curved edge record from the pen at (px, py), which it moves to its end.
void WriteEdge(BitWriter& w, const ShapeBuilder::Record& r, int32_t& px, int32_t& py) {
    if (r.kind == ShapeBuilder::Record::Line) {
        int32_t dx = r.x - px, dy = r.y - py;
        int n = std::max({BitWriter::SignedBits(dx), BitWriter::SignedBits(dy), 2});
        w.Bits(1, 1);
        w.Bits(1, 1);
        w.Bits(uint32_t(n - 2), 4);
        if (dx != 0 && dy != 0) {
            w.Bits(1, 1);
            w.SBits(dx, n);
            w.SBits(dy, n);
        } else {
            w.Bits(0, 1);
            w.Bits(dx == 0 ? 1 : 0, 1);
            w.SBits(dx == 0 ? dy : dx, n);
        }
    } else {
        int32_t cdx = r.cx - px, cdy = r.cy - py, adx = r.x - r.cx, ady = r.y - r.cy;
        int n = std::max({BitWriter::SignedBits(cdx), BitWriter::SignedBits(cdy), BitWriter::SignedBits(adx),
                          BitWriter::SignedBits(ady), 2});
        w.Bits(1, 1);
        w.Bits(0, 1);
        w.Bits(uint32_t(n - 2), 4);
        w.SBits(cdx, n);
        w.SBits(cdy, n);
        w.SBits(adx, n);
        w.SBits(ady, n);
    }
    px = r.x;
    py = r.y;
}

// What one style-change record says (-1: style number unchanged).
struct StyleChange {
    bool newTable = false, move = false;
    int f0 = -1, f1 = -1, ln = -1;
    int32_t mx = 0, my = 0;
};

// Gathers the Styles/Move records from i into one style change; returns the index of the
// first record after them.
size_t GatherStyleChange(const std::vector<ShapeBuilder::Record>& recs, size_t i, StyleChange& c) {
    size_t j = i;
    for (; j < recs.size(); ++j) {
        const auto& q = recs[j];
        if (q.kind == ShapeBuilder::Record::NewTable) {
            // A new table goes in a record of its own: readers differ on which table
            // the style numbers of the same record refer to.
            if (!(c.newTable || c.move || c.f0 >= 0 || c.f1 >= 0 || c.ln >= 0)) {
                c.newTable = true;
                ++j;
            }
            break;
        } else if (q.kind == ShapeBuilder::Record::Styles) {
            if (q.fill0 >= 0) c.f0 = q.fill0;
            if (q.fill1 >= 0) c.f1 = q.fill1;
            if (q.line >= 0) c.ln = q.line;
        } else if (q.kind == ShapeBuilder::Record::Move) {
            c.move = true;
            c.mx = q.x;
            c.my = q.y;
        } else {
            break;
        }
    }
    return j;
}

// A style-change record's flags, move and style numbers (its new table follows it).
void WriteStyleChange(BitWriter& w, const StyleChange& c, int fb, int lb, int32_t& px, int32_t& py) {
    w.Bits(0, 1);
    w.Bits(c.newTable, 1);
    w.Bits(c.ln >= 0, 1);
    w.Bits(c.f1 >= 0, 1);
    w.Bits(c.f0 >= 0, 1);
    w.Bits(c.move, 1);
    if (c.move) {
        int n = std::max(BitWriter::SignedBits(c.mx), BitWriter::SignedBits(c.my));
        w.Bits(uint32_t(n), 5);
        w.SBits(c.mx, n);
        w.SBits(c.my, n);
        px = c.mx;
        py = c.my;
    }
    if (c.f0 >= 0) w.Bits(uint32_t(c.f0), fb);
    if (c.f1 >= 0) w.Bits(uint32_t(c.f1), fb);
    if (c.ln >= 0) w.Bits(uint32_t(c.ln), lb);
}

// Shape records; `tables` null for glyphs (one fill, no lines, no new tables).
void WriteRecords(BitWriter& w, const ShapeBuilder& s, int shapeVersion, bool withStyles) {
    const auto& tables = s.tables();
    size_t table = 0;
    int fb, lb;
    if (withStyles) WriteStyles(w, tables[0], shapeVersion);
    StyleBits(tables, 0, withStyles, fb, lb);
    w.Bits(uint32_t(fb), 4);
    w.Bits(uint32_t(lb), 4);
    int32_t px = 0, py = 0;
    const auto& recs = s.records();
    for (size_t i = 0; i < recs.size(); ++i) {
        const auto& r = recs[i];
        if (r.kind == ShapeBuilder::Record::Line || r.kind == ShapeBuilder::Record::Curve) {
            WriteEdge(w, r, px, py);
            continue;
        }
        // A style-change record gathers the following Styles/Move records.
        StyleChange c;
        i = GatherStyleChange(recs, i, c) - 1;
        if (c.newTable && !withStyles) c.newTable = false;
        if (c.newTable && shapeVersion < 2) c.newTable = false;
        // A record with nothing to say would read as the end of the shape.
        if (!c.newTable && !c.move && c.f0 < 0 && c.f1 < 0 && c.ln < 0) continue;
        WriteStyleChange(w, c, fb, lb, px, py);
        if (c.newTable) {
            ++table;
            w.Align();
            if (table < tables.size()) WriteStyles(w, tables[table], shapeVersion);
            StyleBits(tables, std::min(table, tables.size() - 1), withStyles, fb, lb);
            w.Bits(uint32_t(fb), 4);
            w.Bits(uint32_t(lb), 4);
        }
    }
    w.Bits(0, 6);  // end of shape
    w.Align();
}

// A MorphFillStyle: the start and end of one fill.
void WriteMorphFill(BitWriter& w, const FillStyle& a, const FillStyle& b) {
    w.U8(uint8_t(a.kind == FillKind::RepeatingBitmap || a.kind == FillKind::ClippedBitmap
                     ? uint8_t(a.kind) | (a.smooth ? 0 : 2)
                     : uint8_t(a.kind)));
    switch (a.kind) {
        case FillKind::Solid:
            WriteColor(w, a.color, true);
            WriteColor(w, b.color, true);
            break;
        case FillKind::Linear:
        case FillKind::Radial:
        case FillKind::Focal: {
            WriteMatrix(w, a.matrix);
            WriteMatrix(w, b.matrix);
            size_t n = std::min({a.stops.size(), b.stops.size(), size_t(15)});
            w.Bits(uint32_t(a.spread), 2);
            w.Bits(a.linearRgb ? 1 : 0, 2);
            w.Bits(uint32_t(n), 4);
            for (size_t i = 0; i < n; ++i) {
                w.U8(a.stops[i].ratio);
                WriteColor(w, a.stops[i].color, true);
                w.U8(b.stops[i].ratio);
                WriteColor(w, b.stops[i].color, true);
            }
            if (a.kind == FillKind::Focal) {
                w.U16(uint16_t(int16_t(std::lround(a.focal * 256))));
                w.U16(uint16_t(int16_t(std::lround(b.focal * 256))));
            }
            break;
        }
        case FillKind::RepeatingBitmap:
        case FillKind::ClippedBitmap:
            w.U16(a.bitmap);
            WriteMatrix(w, a.matrix);
            WriteMatrix(w, b.matrix);
            break;
    }
}

// The records of one side of a tween with the given style bits (moves and edges only
// when `styles` is false).
void WriteMorphRecords(BitWriter& w, const ShapeBuilder& s, int fb, int lb, bool styles) {
    w.Bits(uint32_t(fb), 4);
    w.Bits(uint32_t(lb), 4);
    int32_t px = 0, py = 0;
    const auto& recs = s.records();
    for (size_t i = 0; i < recs.size(); ++i) {
        if (recs[i].kind == ShapeBuilder::Record::Line || recs[i].kind == ShapeBuilder::Record::Curve) {
            WriteEdge(w, recs[i], px, py);
            continue;
        }
        StyleChange c;
        i = GatherStyleChange(recs, i, c) - 1;
        c.newTable = false;
        if (!styles) c.f0 = c.f1 = c.ln = -1;
        if (!c.move && c.f0 < 0 && c.f1 < 0 && c.ln < 0) continue;
        WriteStyleChange(w, c, fb, lb, px, py);
    }
    w.Bits(0, 6);
    w.Align();
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in) {
    uLongf size = compressBound(uLong(in.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, in.data(), uLong(in.size()), 9) != Z_OK) return {};
    out.resize(size);
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------

void ShapeBuilder::Touch(int32_t x, int32_t y) {
    if (!any_) {
        box_ = {x, y, 0, 0};
        any_ = true;
        return;
    }
    const int32_t right = std::max(box_.Right(), x), bottom = std::max(box_.Bottom(), y);
    box_.left = std::min(box_.left, x);
    box_.top = std::min(box_.top, y);
    box_.width = right - box_.left;
    box_.height = bottom - box_.top;
}

int ShapeBuilder::AddFill(const FillStyle& fill) {
    tables_.back().fills.push_back(fill);
    return int(tables_.back().fills.size());
}

int ShapeBuilder::AddLine(const LineStyle& line) {
    tables_.back().lines.push_back(line);
    widest_ = std::max(widest_, line.width);
    return int(tables_.back().lines.size());
}

void ShapeBuilder::NewStyles() {
    tables_.emplace_back();
    Record r{};
    r.kind = Record::NewTable;
    records_.push_back(r);
}

void ShapeBuilder::SetStyles(int fill0, int fill1, int line) {
    Record r{};
    r.kind = Record::Styles;
    r.fill0 = fill0;
    r.fill1 = fill1;
    r.line = line;
    records_.push_back(r);
}

void ShapeBuilder::MoveTo(int32_t x, int32_t y) {
    Record r{};
    r.kind = Record::Move;
    r.x = x;
    r.y = y;
    records_.push_back(r);
    penX_ = x;
    penY_ = y;
}

void ShapeBuilder::LineTo(int32_t x, int32_t y) {
    Record r{};
    r.kind = Record::Line;
    r.x = x;
    r.y = y;
    records_.push_back(r);
    Touch(penX_, penY_);
    Touch(x, y);
    penX_ = x;
    penY_ = y;
}

void ShapeBuilder::CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
    Record r{};
    r.kind = Record::Curve;
    r.cx = cx;
    r.cy = cy;
    r.x = x;
    r.y = y;
    records_.push_back(r);
    Touch(penX_, penY_);
    Touch(cx, cy);
    Touch(x, y);
    penX_ = x;
    penY_ = y;
}

void ShapeBuilder::Rectangle(int32_t x, int32_t y, int32_t w, int32_t h, int fill, int line) {
    SetStyles(fill, 0, line);
    MoveTo(x, y);
    LineTo(x + w, y);
    LineTo(x + w, y + h);
    LineTo(x, y + h);
    LineTo(x, y);
}

void ShapeBuilder::Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, int fill, int line) {
    // Eight quadratic curves, each spanning 45 degrees.
    const double pi = 3.14159265358979323846;
    SetStyles(fill, 0, line);
    MoveTo(cx + rx, cy);
    double k = 1 / std::cos(pi / 8);
    for (int i = 1; i <= 8; ++i) {
        double mid = (i - 0.5) * pi / 4, end = i * pi / 4;
        CurveTo(int32_t(std::lround(cx + rx * k * std::cos(mid))), int32_t(std::lround(cy + ry * k * std::sin(mid))),
                int32_t(std::lround(cx + rx * std::cos(end))), int32_t(std::lround(cy + ry * std::sin(end))));
    }
}

Rect ShapeBuilder::Bounds() const {
    const int32_t half = widest_ / 2;
    return Rect{box_.left - half, box_.top - half, box_.width + 2 * half, box_.height + 2 * half};
}

// ---------------------------------------------------------------------------

namespace {
void ActionRecord(std::vector<uint8_t>& out, uint8_t code, const std::vector<uint8_t>& data) {
    out.push_back(code);
    if (code >= 0x80) {
        out.push_back(uint8_t(data.size()));
        out.push_back(uint8_t(data.size() >> 8));
        out.insert(out.end(), data.begin(), data.end());
    }
}
}  // namespace

ActionList& ActionList::Stop() {
    ActionRecord(bytes_, 0x07, {});
    return *this;
}
ActionList& ActionList::Play() {
    ActionRecord(bytes_, 0x06, {});
    return *this;
}
ActionList& ActionList::NextFrame() {
    ActionRecord(bytes_, 0x04, {});
    return *this;
}
ActionList& ActionList::PreviousFrame() {
    ActionRecord(bytes_, 0x05, {});
    return *this;
}
ActionList& ActionList::GotoFrame(int frame) {
    uint16_t index = uint16_t(std::max(frame, 1) - 1);
    ActionRecord(bytes_, 0x81, {uint8_t(index), uint8_t(index >> 8)});
    return *this;
}
ActionList& ActionList::GotoLabel(const std::string& label) {
    std::vector<uint8_t> d(label.begin(), label.end());
    d.push_back(0);
    ActionRecord(bytes_, 0x8C, d);
    return *this;
}

// ---------------------------------------------------------------------------

void TagList::RawTag(uint16_t code, const std::vector<uint8_t>& body, bool longForm) {
    AppendTag(bytes_, code, body, longForm);
    if (code == kShowFrame) ++frames_;
    if (code == kEnd) ended_ = true;
}

void TagList::PlaceObject(uint16_t character, uint16_t depth, const Matrix& matrix) {
    BitWriter w;
    w.U16(character);
    w.U16(depth);
    WriteMatrix(w, matrix);
    RawTag(kPlaceObject, w.bytes());
}

void TagList::PlaceObject2(const Placement& p) {
    BitWriter w;
    uint8_t flags = 0;
    if (p.move) flags |= kPlaceMove;
    if (p.character) flags |= kPlaceHasCharacter;
    if (p.hasMatrix) flags |= kPlaceHasMatrix;
    if (p.hasColor) flags |= kPlaceHasColorTransform;
    if (p.hasRatio) flags |= kPlaceHasRatio;
    if (!p.name.empty()) flags |= kPlaceHasName;
    if (p.clipDepth) flags |= kPlaceHasClipDepth;
    w.U8(flags);
    w.U16(p.depth);
    if (p.character) w.U16(p.character);
    if (p.hasMatrix) WriteMatrix(w, p.matrix);
    if (p.hasColor) WriteColorTransform(w, p.color, true);
    if (p.hasRatio) w.U16(p.ratio);
    if (!p.name.empty()) w.String(p.name);
    if (p.clipDepth) w.U16(p.clipDepth);
    RawTag(kPlaceObject2, w.bytes());
}

void TagList::RemoveObject(uint16_t character, uint16_t depth) {
    BitWriter w;
    w.U16(character);
    w.U16(depth);
    RawTag(kRemoveObject, w.bytes());
}

void TagList::RemoveObject2(uint16_t depth) {
    BitWriter w;
    w.U16(depth);
    RawTag(kRemoveObject2, w.bytes());
}

void TagList::FrameLabel(const std::string& label) {
    BitWriter w;
    w.String(label);
    RawTag(kFrameLabel, w.bytes());
}

void TagList::DoAction(const ActionList& actions) {
    std::vector<uint8_t> b = actions.bytes();
    b.push_back(0);
    RawTag(kDoAction, b);
}

void TagList::ShowFrame() { RawTag(kShowFrame, {}); }
void TagList::End() { RawTag(kEnd, {}); }

// ---------------------------------------------------------------------------

Writer::Writer(int version, int32_t widthTwips, int32_t heightTwips, double frameRate)
    : version_(std::clamp(version, 1, 255)), width_(widthTwips), height_(heightTwips), frameRate_(frameRate) {}

void Writer::FileAttributes(uint32_t flags) {
    BitWriter w;
    w.U32(flags);
    RawTag(kFileAttributes, w.bytes());
}

void Writer::Metadata(const std::string& xml) {
    BitWriter w;
    w.String(xml);
    RawTag(kMetadata, w.bytes());
}

void Writer::SetBackgroundColor(Rgba color) {
    BitWriter w;
    WriteColor(w, color, false);
    RawTag(kSetBackgroundColor, w.bytes());
}

uint16_t Writer::DefineShape(int shapeVersion, const ShapeBuilder& shape) {
    shapeVersion = std::clamp(shapeVersion, 1, 4);
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    Rect bounds = shape.Bounds();
    WriteRect(w, bounds);
    if (shapeVersion == 4) {
        WriteRect(w, bounds);
        w.U8(0);
    }
    WriteRecords(w, shape, shapeVersion, true);
    static const uint16_t codes[] = {kDefineShape, kDefineShape2, kDefineShape3, kDefineShape4};
    RawTag(codes[shapeVersion - 1], w.bytes(), true);
    return id;
}

uint16_t Writer::DefineMorphShape(int morphVersion, const ShapeBuilder& start, const ShapeBuilder& end) {
    morphVersion = std::clamp(morphVersion, 1, 2);
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    WriteRect(w, start.Bounds());
    WriteRect(w, end.Bounds());
    if (morphVersion == 2) {
        WriteRect(w, start.Bounds());
        WriteRect(w, end.Bounds());
        w.U8(0x01);  // scaling strokes
    }
    const auto &a = start.tables()[0], &b = end.tables()[0];
    size_t nf = std::min(a.fills.size(), b.fills.size()), nl = std::min(a.lines.size(), b.lines.size());
    BitWriter body;
    WriteCount(body, nf, true);
    for (size_t i = 0; i < nf; ++i) WriteMorphFill(body, a.fills[i], b.fills[i]);
    WriteCount(body, nl, true);
    for (size_t i = 0; i < nl; ++i) {
        const LineStyle &la = a.lines[i], &lb = b.lines[i];
        body.U16(la.width);
        body.U16(lb.width);
        if (morphVersion == 2) {
            body.Bits(uint32_t(la.startCap), 2);
            body.Bits(uint32_t(la.join), 2);
            body.Bits(la.hasFill, 1);
            body.Bits(la.noHScale, 1);
            body.Bits(la.noVScale, 1);
            body.Bits(0, 7);  // pixel hinting, reserved, no close
            body.Bits(uint32_t(la.endCap), 2);
            if (la.join == Join::Miter) body.U16(uint16_t(std::lround(la.miterLimit * 256)));
        }
        if (morphVersion == 2 && la.hasFill) {
            WriteMorphFill(body, la.fill, lb.fill);
        } else {
            WriteColor(body, la.color, true);
            WriteColor(body, lb.color, true);
        }
    }
    int fb = BitWriter::UnsignedBits(uint32_t(nf)), lbits = BitWriter::UnsignedBits(uint32_t(nl));
    WriteMorphRecords(body, start, fb, lbits, true);
    w.U32(uint32_t(body.bytes().size()));  // to the end edges
    w.Bytes(body.bytes());
    BitWriter edges;
    WriteMorphRecords(edges, end, 0, 0, false);
    w.Bytes(edges.bytes());
    RawTag(morphVersion == 2 ? kDefineMorphShape2 : kDefineMorphShape, w.bytes(), true);
    return id;
}

void Writer::JpegTables(const std::vector<uint8_t>& tables) { RawTag(kJpegTables, tables, true); }

uint16_t Writer::DefineBits(const std::vector<uint8_t>& jpeg) {
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    w.Bytes(jpeg);
    RawTag(kDefineBits, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineBitsJpeg2(const std::vector<uint8_t>& jpeg) {
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    w.Bytes(jpeg);
    RawTag(kDefineBitsJpeg2, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineBitsJpeg3(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha) {
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    w.U32(uint32_t(jpeg.size()));
    w.Bytes(jpeg);
    w.Bytes(Deflate(alpha));
    RawTag(kDefineBitsJpeg3, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineBitsJpeg4(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha,
                                 uint16_t deblock) {
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    w.U32(uint32_t(jpeg.size()));
    w.U16(deblock);
    w.Bytes(jpeg);
    w.Bytes(Deflate(alpha));
    RawTag(kDefineBitsJpeg4, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineBitsLossless(int version, int width, int height, const std::vector<Rgba>& pixels,
                                    bool colormapped) {
    uint16_t id = nextId_++;
    bool alpha = version >= 2;
    size_t count = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    std::vector<Rgba> px(pixels.begin(), pixels.begin() + std::min(count, pixels.size()));
    px.resize(count);
    auto stored = [&](Rgba c) {
        if (!alpha) c.a = 255;
        // DefineBitsLossless2 keeps premultiplied colours.
        return Rgba{uint8_t(c.r * c.a / 255), uint8_t(c.g * c.a / 255), uint8_t(c.b * c.a / 255), c.a};
    };
    std::map<uint32_t, uint8_t> palette;
    std::vector<Rgba> colours;
    if (colormapped) {
        for (const auto& c : px) {
            Rgba s = stored(c);
            uint32_t key = uint32_t(s.r) | uint32_t(s.g) << 8 | uint32_t(s.b) << 16 | uint32_t(s.a) << 24;
            if (palette.count(key)) continue;
            if (colours.size() == 256) {
                colormapped = false;
                break;
            }
            palette[key] = uint8_t(colours.size());
            colours.push_back(s);
        }
        if (colours.empty()) colormapped = false;
    }
    BitWriter w;
    w.U16(id);
    w.U8(colormapped ? 3 : 5);
    w.U16(uint16_t(width));
    w.U16(uint16_t(height));
    std::vector<uint8_t> raw;
    if (colormapped) {
        w.U8(uint8_t(colours.size() - 1));
        for (const auto& c : colours) {
            raw.push_back(c.r);
            raw.push_back(c.g);
            raw.push_back(c.b);
            if (alpha) raw.push_back(c.a);
        }
        size_t row = (size_t(width) + 3) & ~size_t(3);
        for (int y = 0; y < height; ++y) {
            for (size_t x = 0; x < row; ++x) {
                uint8_t index = 0;
                if (x < size_t(width)) {
                    Rgba s = stored(px[size_t(y) * width + x]);
                    index = palette[uint32_t(s.r) | uint32_t(s.g) << 8 | uint32_t(s.b) << 16 | uint32_t(s.a) << 24];
                }
                raw.push_back(index);
            }
        }
    } else {
        for (const auto& c : px) {
            Rgba s = stored(c);
            raw.push_back(alpha ? s.a : 0);
            raw.push_back(s.r);
            raw.push_back(s.g);
            raw.push_back(s.b);
        }
    }
    w.Bytes(Deflate(raw));
    RawTag(alpha ? kDefineBitsLossless2 : kDefineBitsLossless, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineFont(int fontVersion, const std::string& name, const std::vector<Glyph>& glyphs, int ascent,
                            int descent) {
    fontVersion = std::clamp(fontVersion, 1, 3);
    uint16_t id = nextId_++;
    std::vector<std::vector<uint8_t>> shapes;
    for (const auto& g : glyphs) {
        BitWriter s;
        WriteRecords(s, g.outline, 1, false);
        shapes.push_back(s.bytes());
    }
    BitWriter w;
    w.U16(id);
    if (fontVersion == 1) {
        std::vector<uint8_t> offsets, table;
        size_t base = glyphs.size() * 2;
        for (const auto& s : shapes) {
            size_t off = base + table.size();
            offsets.push_back(uint8_t(off));
            offsets.push_back(uint8_t(off >> 8));
            table.insert(table.end(), s.begin(), s.end());
        }
        w.Bytes(offsets);
        w.Bytes(table);
        RawTag(kDefineFont, w.bytes(), true);
        return id;
    }
    w.U8(0x80 | 0x08 | 0x04);  // layout, wide offsets, wide codes
    w.U8(0);
    w.U8(uint8_t(std::min<size_t>(name.size(), 255)));
    w.Bytes(std::vector<uint8_t>(name.begin(), name.begin() + std::min<size_t>(name.size(), 255)));
    w.U16(uint16_t(glyphs.size()));
    size_t base = glyphs.size() * 4 + 4;
    size_t off = base;
    for (const auto& s : shapes) {
        w.U32(uint32_t(off));
        off += s.size();
    }
    w.U32(uint32_t(off));  // code table
    for (const auto& s : shapes) w.Bytes(s);
    for (const auto& g : glyphs) w.U16(g.code);
    w.U16(uint16_t(int16_t(ascent)));
    w.U16(uint16_t(int16_t(descent)));
    w.U16(0);
    for (const auto& g : glyphs) w.U16(uint16_t(g.advance));
    for (const auto& g : glyphs) WriteRect(w, g.outline.Bounds());
    w.U16(0);
    RawTag(fontVersion == 2 ? kDefineFont2 : kDefineFont3, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineText(int textVersion, const Rect& bounds, const Matrix& matrix,
                            const std::vector<TextRecord>& records) {
    uint16_t id = nextId_++;
    bool alpha = textVersion >= 2;
    int glyphBits = 1, advanceBits = 1;
    for (const auto& r : records)
        for (const auto& g : r.glyphs) {
            glyphBits = std::max(glyphBits, BitWriter::UnsignedBits(g.index));
            advanceBits = std::max(advanceBits, BitWriter::SignedBits(g.advance));
        }
    BitWriter w;
    w.U16(id);
    WriteRect(w, bounds);
    WriteMatrix(w, matrix);
    w.U8(uint8_t(glyphBits));
    w.U8(uint8_t(advanceBits));
    for (const auto& r : records) {
        size_t done = 0;
        // A record holds at most 255 glyphs; longer runs continue in further records.
        do {
            size_t n = std::min<size_t>(r.glyphs.size() - done, 255);
            bool first = done == 0;
            w.U8(first ? 0x8F : 0x80);
            if (first) {
                w.U16(r.font);
                WriteColor(w, r.color, alpha);
                w.U16(uint16_t(int16_t(r.x)));
                w.U16(uint16_t(int16_t(r.y)));
                w.U16(r.height);
            }
            w.U8(uint8_t(n));
            for (size_t i = 0; i < n; ++i) {
                w.Bits(r.glyphs[done + i].index, glyphBits);
                w.SBits(r.glyphs[done + i].advance, advanceBits);
            }
            w.Align();
            done += n;
        } while (done < r.glyphs.size());
    }
    w.U8(0);
    RawTag(alpha ? kDefineText2 : kDefineText, w.bytes(), true);
    return id;
}

uint16_t Writer::DefineSprite(const TagList& timeline) {
    uint16_t id = nextId_++;
    BitWriter w;
    w.U16(id);
    w.U16(uint16_t(timeline.frames()));
    w.Bytes(timeline.bytes());
    std::vector<uint8_t> body = w.bytes();
    if (!timeline.ended()) AppendTag(body, kEnd, {}, false);
    RawTag(kDefineSprite, body, true);
    return id;
}

std::vector<uint8_t> Writer::Finish(bool compressed) const {
    BitWriter head;
    WriteRect(head, Rect{0, 0, width_, height_});
    head.U16(uint16_t(std::lround(std::clamp(frameRate_, 0.0, 255.0) * 256)));
    head.U16(uint16_t(frames_));
    std::vector<uint8_t> body = head.bytes();
    body.insert(body.end(), bytes_.begin(), bytes_.end());
    if (!ended_) AppendTag(body, kEnd, {}, false);
    uint32_t length = uint32_t(body.size() + 8);
    std::vector<uint8_t> out = {uint8_t(compressed ? 'C' : 'F'),
                                'W',
                                'S',
                                uint8_t(version_),
                                uint8_t(length),
                                uint8_t(length >> 8),
                                uint8_t(length >> 16),
                                uint8_t(length >> 24)};
    if (compressed) body = Deflate(body);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace tastora::swf
