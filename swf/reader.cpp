// The SWF reader: header, tags, characters and timelines, over hostile input.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "swf/bits.h"
#include "swf/decode.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "swf/tags.h"

namespace tastora::swf {

namespace {

struct Reader {
    explicit Reader(Movie& m) : movie(m) {}
    Movie& movie;
    std::vector<uint8_t> jpegTables;
    size_t pixelsLeft = kMaxBitmapPixels;
    bool backgroundSet = false;  // the first SetBackgroundColor counts, as in Flash
    size_t bytesLeft = kMaxParsedBytes;
    bool full = false;  // the budget ran out: nothing more is read

    void Problem(const std::string& what) {
        if (movie.problems.size() < 100) movie.problems.push_back(what);
    }

    // Takes `bytes` of the memory budget for what is about to be kept; false (and the
    // reading stops) when the budget would run out.
    bool Charge(size_t bytes) {
        if (full) return false;
        if (bytes > bytesLeft) {
            Problem("the movie holds too much to be kept");
            full = true;
            return false;
        }
        bytesLeft -= bytes;
        return true;
    }

    // --- records -----------------------------------------------------------------
    // The pen's caps, join, fill flag and scaling flags of a DefineShape4 line style (the same
    // bits in a DefineMorphShape2 one), with the miter limit when the join asks for it.
    static void ReadPenFlags(BitReader& r, LineStyle& l) {
        l.startCap = Cap(std::min<uint32_t>(r.Bits(2), 2));
        uint32_t join = r.Bits(2);
        l.join = Join(std::min<uint32_t>(join, 2));
        l.hasFill = r.Bits(1);
        l.noHScale = r.Bits(1);
        l.noVScale = r.Bits(1);
        r.Bits(7);  // pixel hinting, reserved, no close
        l.endCap = Cap(std::min<uint32_t>(r.Bits(2), 2));
        if (join == 2) l.miterLimit = r.U16() / 256.0;
    }

    static Rect ReadRect(BitReader& r) {
        int n = int(r.Bits(5));
        // Values of at most 31 bits: the width and height fit.
        const int32_t xmin = r.SBits(n), xmax = r.SBits(n), ymin = r.SBits(n), ymax = r.SBits(n);
        r.Align();
        return Rect{xmin, ymin, xmax - xmin, ymax - ymin};
    }

    static Matrix ReadMatrix(BitReader& r) {
        Matrix m;
        if (r.Bits(1)) {
            int n = int(r.Bits(5));
            m.a = r.SBits(n) / 65536.0;
            m.d = r.SBits(n) / 65536.0;
        }
        if (r.Bits(1)) {
            int n = int(r.Bits(5));
            m.b = r.SBits(n) / 65536.0;
            m.c = r.SBits(n) / 65536.0;
        }
        int n = int(r.Bits(5));
        m.tx = r.SBits(n);
        m.ty = r.SBits(n);
        r.Align();
        return m;
    }

    static ColorTransform ReadColorTransform(BitReader& r, bool alpha) {
        ColorTransform c;
        bool hasAdd = r.Bits(1), hasMult = r.Bits(1);
        int n = int(r.Bits(4));
        if (hasMult) {
            c.mr = r.SBits(n) / 256.0;
            c.mg = r.SBits(n) / 256.0;
            c.mb = r.SBits(n) / 256.0;
            if (alpha) c.ma = r.SBits(n) / 256.0;
        }
        if (hasAdd) {
            c.ar = r.SBits(n);
            c.ag = r.SBits(n);
            c.ab = r.SBits(n);
            if (alpha) c.aa = r.SBits(n);
        }
        r.Align();
        return c;
    }

    static Rgba ReadColor(BitReader& r, bool alpha) {
        Rgba c;
        c.r = r.U8();
        c.g = r.U8();
        c.b = r.U8();
        c.a = alpha ? r.U8() : 255;
        return c;
    }

    // False when the fill type is unknown (the rest of the shape cannot be read).
    bool ReadFill(BitReader& r, int version, FillStyle& f) {
        uint8_t type = r.U8();
        bool alpha = version >= 3;
        switch (type) {
            case 0x00:
                f.kind = FillKind::Solid;
                f.color = ReadColor(r, alpha);
                return true;
            case 0x10:
            case 0x12:
            case 0x13: {
                f.kind = FillKind(type);
                f.matrix = ReadMatrix(r);
                f.spread = Spread(std::min<uint32_t>(r.Bits(2), 2));  // 3 is reserved: pad
                f.linearRgb = r.Bits(2) == 1;
                uint32_t n = r.Bits(4);
                if (!Charge(n * sizeof(GradientStop))) return false;
                for (uint32_t i = 0; i < n; ++i) {
                    GradientStop s;
                    s.ratio = r.U8();
                    s.color = ReadColor(r, alpha);
                    f.stops.push_back(s);
                }
                if (type == 0x13) f.focal = std::clamp(r.Fixed8(), -1.0, 1.0);
                if (f.stops.empty()) {
                    f.kind = FillKind::Solid;
                    f.color = Rgba{0, 0, 0, 0};
                }
                return true;
            }
            case 0x40:
            case 0x41:
            case 0x42:
            case 0x43:
                f.kind = (type & 1) ? FillKind::ClippedBitmap : FillKind::RepeatingBitmap;
                f.smooth = (type & 2) == 0;
                f.bitmap = r.U16();
                f.matrix = ReadMatrix(r);
                return true;
            default: Problem("unknown fill style type " + std::to_string(type)); return false;
        }
    }

    size_t ReadCount(BitReader& r, int version) {
        size_t n = r.U8();
        if (n == 0xFF && version >= 2) n = r.U16();
        return n;
    }

    bool ReadStyles(BitReader& r, int version, Shape& s) {
        size_t nf = ReadCount(r, version);
        for (size_t i = 0; i < nf && !r.overrun(); ++i) {
            if (!Charge(sizeof(FillStyle))) return false;
            FillStyle f;
            if (!ReadFill(r, version, f)) return false;
            s.fills.push_back(f);
        }
        size_t nl = ReadCount(r, version);
        for (size_t i = 0; i < nl && !r.overrun(); ++i) {
            if (!Charge(sizeof(LineStyle))) return false;
            LineStyle l;
            l.width = r.U16();
            if (version >= 4) {
                ReadPenFlags(r, l);
                if (l.hasFill) {
                    if (!ReadFill(r, version, l.fill)) return false;
                } else {
                    l.color = ReadColor(r, true);
                }
            } else {
                l.color = ReadColor(r, version >= 3);
            }
            s.lines.push_back(l);
        }
        return !r.overrun();
    }

    // Where the shape records stand: the pen, the styles in use, the style table they
    // index, and the path being built.
    struct ShapeState {
        size_t fillBase = 0, lineBase = 0;
        size_t fillCount = 1, lineCount = 0;
        int fillBits = 0, lineBits = 0;
        int group = 0;
        int32_t x = 0, y = 0;
        int fill0 = 0, fill1 = 0, line = 0;
        Path path;
    };

    // Ends the path being built (kept when it has edges) and starts one at the pen.
    void StartPath(Shape& s, ShapeState& st) {
        if (!st.path.segments.empty() && Charge(sizeof(Path))) s.paths.push_back(std::move(st.path));
        st.path = Path();
        st.path.fill0 = st.fill0;
        st.path.fill1 = st.fill1;
        st.path.line = st.line;
        st.path.group = st.group;
        st.path.startX = st.x;
        st.path.startY = st.y;
    }

    // A style number of a record into the shape's whole list (0: none).
    int StyleIndex(uint32_t local, size_t base, size_t count, const char* kind) {
        if (local == 0) return 0;
        if (local > count) {
            Problem(std::string(kind) + " style index past the table");
            return 0;
        }
        return int(base + local);
    }

    // A style-change record (flags not 0): move, style numbers, new style tables.
    // False when the new tables run out.
    bool ReadStyleChange(BitReader& r, int version, bool withStyles, uint32_t flags, Shape& s, ShapeState& st) {
        if (flags & 0x01) {
            int n = int(r.Bits(5));
            st.x = r.SBits(n);
            st.y = r.SBits(n);
        }
        uint32_t raw0 = (flags & 0x02) ? r.Bits(st.fillBits) : 0;
        uint32_t raw1 = (flags & 0x04) ? r.Bits(st.fillBits) : 0;
        uint32_t rawLine = (flags & 0x08) ? r.Bits(st.lineBits) : 0;
        if ((flags & 0x10) && withStyles) {
            r.Align();
            st.fillBase = s.fills.size();
            st.lineBase = s.lines.size();
            if (!ReadStyles(r, version, s)) {
                Problem("shape styles run out");
                return false;
            }
            st.fillCount = s.fills.size() - st.fillBase;
            st.lineCount = s.lines.size() - st.lineBase;
            st.fillBits = int(r.Bits(4));
            st.lineBits = int(r.Bits(4));
            ++st.group;
            st.fill0 = st.fill1 = st.line = 0;
        }
        // Style numbers of a record that brings new tables refer to the new ones.
        if (flags & 0x02) st.fill0 = StyleIndex(raw0, st.fillBase, st.fillCount, "fill");
        if (flags & 0x04) st.fill1 = StyleIndex(raw1, st.fillBase, st.fillCount, "fill");
        if (flags & 0x08) st.line = StyleIndex(rawLine, st.lineBase, st.lineCount, "line");
        return true;
    }

    // A pen coordinate moved by d, held within the range of twips.
    static int32_t Move(int32_t at, int32_t d) {
        return int32_t(std::clamp<int64_t>(int64_t(at) + d, INT32_MIN / 2, INT32_MAX / 2));
    }

    // An edge record after its first bit: moves the pen to the edge's end.
    static Segment ReadEdge(BitReader& r, ShapeState& st) {
        bool straight = r.Bits(1);
        int n = int(r.Bits(4)) + 2;
        Segment seg;
        if (straight) {
            int32_t dx = 0, dy = 0;
            if (r.Bits(1)) {
                dx = r.SBits(n);
                dy = r.SBits(n);
            } else if (r.Bits(1)) {
                dy = r.SBits(n);
            } else {
                dx = r.SBits(n);
            }
            st.x = Move(st.x, dx);
            st.y = Move(st.y, dy);
        } else {
            seg.curve = true;
            seg.cx = Move(st.x, r.SBits(n));
            seg.cy = Move(st.y, r.SBits(n));
            st.x = Move(seg.cx, r.SBits(n));
            st.y = Move(seg.cy, r.SBits(n));
        }
        seg.x = st.x;
        seg.y = st.y;
        return seg;
    }

    // Shape records (with their style tables when withStyles). Keeps what was read.
    void ReadShape(BitReader& r, int version, bool withStyles, Shape& s) {
        ShapeState st;
        if (withStyles) {
            if (!ReadStyles(r, version, s)) {
                Problem("shape styles run out");
                return;
            }
            st.fillCount = s.fills.size();
            st.lineCount = s.lines.size();
        }
        st.fillBits = int(r.Bits(4));
        st.lineBits = int(r.Bits(4));
        StartPath(s, st);
        for (;;) {
            uint32_t edge = r.Bits(1);
            if (r.overrun()) break;
            if (!edge) {
                uint32_t flags = r.Bits(5);
                if (flags == 0) {
                    StartPath(s, st);
                    return;
                }
                if (!ReadStyleChange(r, version, withStyles, flags, s, st) || r.overrun()) break;
                StartPath(s, st);
            } else {
                Segment seg = ReadEdge(r, st);
                if (r.overrun()) break;
                if (!Charge(sizeof(Segment))) break;
                st.path.segments.push_back(seg);
            }
        }
        if (!full) Problem("shape records run out");
        StartPath(s, st);
    }

    // The paths with a line style, by style table and line style, for the renderer: each
    // table's line styles follow those of the tables before it, so the line style's number
    // alone gives the order (a counting sort, keeping the paths' order within a style).
    static void OrderLinePaths(Shape& s) {
        std::vector<uint32_t> first(s.lines.size() + 2, 0);
        for (const Path& p : s.paths)
            if (p.line > 0) ++first[size_t(p.line) + 1];
        for (size_t l = 1; l < first.size(); ++l) first[l] += first[l - 1];
        std::vector<uint32_t> order(first.back(), 0);
        for (size_t i = 0; i < s.paths.size(); ++i)
            if (s.paths[i].line > 0) order[first[size_t(s.paths[i].line)]++] = uint32_t(i);
        s.linePaths = std::move(order);
    }

    // --- characters ----------------------------------------------------------------
    bool Claim(uint16_t id, CharacterKind kind) {
        if (movie.kinds.count(id)) {
            Problem("character " + std::to_string(id) + " defined twice");
            return false;
        }
        movie.kinds[id] = kind;
        return true;
    }

    void DefineShape(BitReader& r, int version) {
        uint16_t id = r.U16();
        auto shape = std::make_shared<Shape>();
        shape->bounds = ReadRect(r);
        if (version == 4) {
            ReadRect(r);
            shape->nonZero = r.U8() & 0x04;  // UsesFillWindingRule
        }
        if (r.overrun()) return;
        ReadShape(r, version, true, *shape);
        OrderLinePaths(*shape);
        if (!shape->paths.empty()) {
            int g = 0;
            for (const auto& p : shape->paths) g = std::max(g, p.group);
            shape->groups = g + 1;
        }
        if (Claim(id, CharacterKind::Shape)) movie.shapes[id] = shape;
    }

    // --- shape tweens ----------------------------------------------------------------
    // A MorphFillStyle: the start and end fill of one style. False when its type is unknown.
    bool ReadMorphFill(BitReader& r, FillStyle& a, FillStyle& b) {
        uint8_t type = r.U8();
        switch (type) {
            case 0x00:
                a.color = ReadColor(r, true);
                b.color = ReadColor(r, true);
                return true;
            case 0x10:
            case 0x12:
            case 0x13: {
                a.kind = b.kind = FillKind(type);
                a.matrix = ReadMatrix(r);
                b.matrix = ReadMatrix(r);
                a.spread = b.spread = Spread(std::min<uint32_t>(r.Bits(2), 2));
                a.linearRgb = b.linearRgb = r.Bits(2) == 1;
                uint32_t n = r.Bits(4);
                for (uint32_t i = 0; i < n; ++i) {
                    GradientStop s, e;
                    s.ratio = r.U8();
                    s.color = ReadColor(r, true);
                    e.ratio = r.U8();
                    e.color = ReadColor(r, true);
                    a.stops.push_back(s);
                    b.stops.push_back(e);
                }
                if (type == 0x13) {
                    a.focal = std::clamp(r.Fixed8(), -1.0, 1.0);
                    b.focal = std::clamp(r.Fixed8(), -1.0, 1.0);
                }
                if (n == 0) a = b = FillStyle::SolidColor({0, 0, 0, 0});
                return true;
            }
            case 0x40:
            case 0x41:
            case 0x42:
            case 0x43:
                a.kind = b.kind = (type & 1) ? FillKind::ClippedBitmap : FillKind::RepeatingBitmap;
                a.smooth = b.smooth = (type & 2) == 0;
                a.bitmap = b.bitmap = r.U16();
                a.matrix = ReadMatrix(r);
                b.matrix = ReadMatrix(r);
                return true;
            default: Problem("unknown morph fill style type " + std::to_string(type)); return false;
        }
    }

    bool ReadMorphStyles(BitReader& r, int version, MorphShape& m) {
        size_t nf = ReadCount(r, 2);
        for (size_t i = 0; i < nf && !r.overrun(); ++i) {
            FillStyle a, b;
            if (!ReadMorphFill(r, a, b) || !Charge(2 * sizeof(FillStyle))) return false;
            m.start.fills.push_back(a);
            m.end.fills.push_back(b);
        }
        size_t nl = ReadCount(r, 2);
        for (size_t i = 0; i < nl && !r.overrun(); ++i) {
            if (!Charge(2 * sizeof(LineStyle))) return false;
            LineStyle a;
            a.width = r.U16();
            uint16_t endWidth = r.U16();
            if (version == 2) {
                ReadPenFlags(r, a);
            }
            LineStyle b = a;
            b.width = endWidth;
            if (a.hasFill) {
                if (!ReadMorphFill(r, a.fill, b.fill)) return false;
            } else {
                a.color = ReadColor(r, true);
                b.color = ReadColor(r, true);
            }
            m.start.lines.push_back(a);
            m.end.lines.push_back(b);
        }
        return !r.overrun();
    }

    // The end edges: every edge with the pen before it, and the pen's moves.
    struct EndRecord {
        bool move = false;
        int32_t fromX = 0, fromY = 0;
        Segment seg;
    };

    void ReadEndEdges(BitReader& r, std::vector<EndRecord>& out) {
        ShapeState st;
        st.fillCount = st.lineCount = 0xFFFF;  // the end's style numbers are not used
        st.fillBits = int(r.Bits(4));
        st.lineBits = int(r.Bits(4));
        Shape unused;
        while (!r.overrun()) {
            EndRecord e;
            if (r.Bits(1)) {
                e.fromX = st.x;
                e.fromY = st.y;
                e.seg = ReadEdge(r, st);
            } else {
                uint32_t flags = r.Bits(5);
                if (flags == 0 || !ReadStyleChange(r, 2, false, flags, unused, st)) return;
                if (!(flags & 0x01)) continue;
                e.move = true;
            }
            if (r.overrun() || !Charge(sizeof(EndRecord))) break;
            e.seg.x = st.x;
            e.seg.y = st.y;
            out.push_back(e);
        }
        Problem("morph end edges run out");
    }

    // The start edges, each paired with the next end edge (the end's moves start its
    // paths), into the two shapes' paths.
    void ReadStartEdges(BitReader& r, const std::vector<EndRecord>& ends, MorphShape& m) {
        ShapeState st;
        st.fillCount = m.start.fills.size();
        st.lineCount = m.start.lines.size();
        st.fillBits = int(r.Bits(4));
        st.lineBits = int(r.Bits(4));
        size_t next = 0;
        Path endPath;
        auto startPaths = [&] {
            if (!st.path.segments.empty()) m.end.paths.push_back(std::move(endPath));
            StartPath(m.start, st);
            endPath = st.path;
            endPath.startX = endPath.startY = 0;
        };
        startPaths();
        for (;;) {
            uint32_t edge = r.Bits(1);
            if (r.overrun()) break;
            if (!edge) {
                uint32_t flags = r.Bits(5);
                if (flags == 0) return startPaths();
                if (!ReadStyleChange(r, 2, false, flags, m.start, st) || r.overrun()) break;
                startPaths();
                continue;
            }
            Segment seg = ReadEdge(r, st);
            if (r.overrun()) break;
            while (next < ends.size() && ends[next].move) ++next;
            if (next >= ends.size()) {
                Problem("morph end edges fewer than the start's");
                break;
            }
            if (!Charge(2 * sizeof(Segment))) break;
            const EndRecord& e = ends[next++];
            if (endPath.segments.empty()) {
                endPath.startX = e.fromX;
                endPath.startY = e.fromY;
            }
            st.path.segments.push_back(seg);
            endPath.segments.push_back(e.seg);
        }
        Problem("morph start edges run out");
        startPaths();
    }

    void DefineMorphShape(BitReader& r, int version) {
        uint16_t id = r.U16();
        auto morph = std::make_shared<MorphShape>();
        morph->start.bounds = ReadRect(r);
        morph->end.bounds = ReadRect(r);
        if (version == 2) {
            ReadRect(r);
            ReadRect(r);
            r.U8();  // scaling strokes
        }
        uint32_t offset = r.U32();
        if (r.overrun()) {
            Problem("morph shape cut short");
            return;
        }
        // The end edges start `offset` bytes after the offset field.
        std::vector<EndRecord> ends;
        if (offset <= r.left()) {
            BitReader end(r.here() + offset, r.left() - offset);
            ReadEndEdges(end, ends);
        } else {
            Problem("morph end edges past the tag");
        }
        if (!ReadMorphStyles(r, version, *morph)) {
            Problem("morph styles run out");
            return;
        }
        ReadStartEdges(r, ends, *morph);
        OrderLinePaths(morph->start);
        if (Claim(id, CharacterKind::Morph)) movie.morphs[id] = morph;
    }

    bool TakePixels(size_t n) {
        if (n > pixelsLeft) {
            Problem("bitmap too large");
            return false;
        }
        pixelsLeft -= n;
        return true;
    }

    void AddBitmap(uint16_t id, std::shared_ptr<BitmapCharacter> b) {
        if (Claim(id, CharacterKind::Bitmap)) movie.bitmaps[id] = std::move(b);
    }

    // A JPEG picture (DefineBits*): its size now, its pixels when first drawn. An SWF may
    // put an extra EOI+SOI before the data. alphaZ: the zlib alpha plane of DefineBitsJPEG3.
    void Jpeg(uint16_t id, std::vector<uint8_t> data, std::vector<uint8_t> alphaZ, bool hasAlpha) {
        if (data.size() >= 4 && data[0] == 0xFF && data[1] == 0xD9 && data[2] == 0xFF && data[3] == 0xD8)
            data.erase(data.begin(), data.begin() + 4);
        if (data.size() >= 8 && data[0] == 0x89 && data[1] == 'P') {
            Problem("PNG data in a JPEG tag is not supported");
            return;
        }
        int w = 0, h = 0;
        if (!JpegSize(data.data(), data.size(), w, h)) {
            Problem("JPEG data could not be decoded");
            return;
        }
        // JPEG packs no more than about a thousand pixels into a byte (a flat picture):
        // a header that claims more is refused before its picture is allocated.
        if (size_t(w) * h / 1024 > data.size() + 64) {
            Problem("JPEG data too short for its size");
            return;
        }
        if (!TakePixels(size_t(w) * h)) return;
        auto bitmap = std::make_shared<BitmapCharacter>();
        bitmap->width = w;
        bitmap->height = h;
        bitmap->decode = [data = std::move(data), alphaZ = std::move(alphaZ), hasAlpha](const BitmapCharacter& b) {
            Bitmap decoded;
            size_t count = size_t(b.width) * b.height;
            decoded.Reserve(count);
            if (!DecodeJpeg(data.data(), data.size(), count, decoded) || decoded.Width() != b.width ||
                decoded.Height() != b.height)
                return;
            b.pixels = std::move(decoded);
            if (!hasAlpha) return;
            std::vector<uint8_t> alpha;
            Inflate(alphaZ.data(), alphaZ.size(), count, alpha);
            // As in Flash, the picture's colours are already multiplied by the alpha (a
            // colour above its alpha is clamped, keeping the pixel valid); a short plane
            // leaves the rest opaque.
            uint32_t* pixels = b.pixels.Data();
            for (size_t i = 0; i < alpha.size(); ++i) {
                const uint32_t p = pixels[i];
                pixels[i] = Premultiplied(alpha[i], uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
            }
        };
        AddBitmap(id, bitmap);
    }

    void DefineBits(BitReader& r, int kind) {
        uint16_t id = r.U16();
        if (kind == 1) {
            // Tables from JPEGTables, then the picture without its start marker.
            const uint8_t* p = r.here();
            size_t n = r.left();
            size_t tn = jpegTables.size();
            const uint8_t* t = jpegTables.data();
            if (tn >= 4 && t[0] == 0xFF && t[1] == 0xD9) {
                t += 2;
                tn -= 2;
            }
            if (tn >= 2 && t[tn - 2] == 0xFF && t[tn - 1] == 0xD9) tn -= 2;
            if (n >= 4 && p[0] == 0xFF && p[1] == 0xD9 && p[2] == 0xFF && p[3] == 0xD8) {
                p += 4;
                n -= 4;
            }
            if (tn && n >= 2 && p[0] == 0xFF && p[1] == 0xD8) {
                p += 2;
                n -= 2;
            }
            std::vector<uint8_t> joined(t, t + tn);
            joined.insert(joined.end(), p, p + n);
            Jpeg(id, std::move(joined), {}, false);
            return;
        }
        if (kind == 2) {
            Jpeg(id, std::vector<uint8_t>(r.here(), r.here() + r.left()), {}, false);
            return;
        }
        // DefineBitsJPEG3 and 4: picture, then its alpha plane (zlib); JPEG4's deblocking
        // strength comes between and is not used.
        uint32_t alphaOffset = r.U32();
        if (kind == 4) r.U16();
        if (r.overrun() || alphaOffset > r.left()) {
            Problem("JPEG alpha offset past the end of the tag");
            return;
        }
        const uint8_t* p = r.here();
        Jpeg(id, std::vector<uint8_t>(p, p + alphaOffset), std::vector<uint8_t>(p + alphaOffset, p + r.left()), true);
    }

    // A pixel stored premultiplied; a colour above its alpha is clamped, keeping the pixel valid.
    static uint32_t Premultiplied(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
        return uint32_t(a) << 24 | uint32_t(std::min(r, a)) << 16 | uint32_t(std::min(g, a)) << 8 | std::min(b, a);
    }

    // Palette (format 3) or 15-bit (format 4) rows to premultiplied pixels.
    static void ExpandLossless(const std::vector<uint8_t>& raw, int format, size_t paletteSize, bool alpha,
                               size_t rowBytes, Bitmap& bitmap) {
        const int w = bitmap.Width(), h = bitmap.Height();
        const size_t entry = alpha ? 4 : 3;
        const uint8_t* pixels = raw.data() + paletteSize * entry;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = pixels + rowBytes * y;
            uint32_t* dst = bitmap.Data() + size_t(y) * w;
            for (int x = 0; x < w; ++x) {
                uint8_t c[4] = {0, 0, 0, 255};
                if (format == 3) {
                    size_t i = row[x];
                    if (i < paletteSize) {
                        const uint8_t* e = raw.data() + i * entry;
                        c[0] = e[0];
                        c[1] = e[1];
                        c[2] = e[2];
                        c[3] = alpha ? e[3] : 255;
                    } else {
                        c[3] = 0;
                    }
                } else {
                    unsigned v = unsigned(row[x * 2]) << 8 | row[x * 2 + 1];
                    c[0] = uint8_t(((v >> 10) & 31) * 255 / 31);
                    c[1] = uint8_t(((v >> 5) & 31) * 255 / 31);
                    c[2] = uint8_t((v & 31) * 255 / 31);
                }
                dst[x] = Premultiplied(c[3], c[0], c[1], c[2]);
            }
        }
    }

    void DefineBitsLossless(BitReader& r, bool alpha) {
        uint16_t id = r.U16();
        uint8_t format = r.U8();
        int w = r.U16(), h = r.U16();
        size_t paletteSize = format == 3 ? size_t(r.U8()) + 1 : 0;
        if (r.overrun()) return;
        if (format != 3 && format != 5 && !(format == 4 && !alpha)) {
            Problem("unknown lossless bitmap format " + std::to_string(format));
            return;
        }
        if (w == 0 || h == 0) {
            Problem("bitmap of size 0");
            return;
        }
        size_t entry = alpha ? 4 : 3;
        size_t rowBytes = format == 3   ? (size_t(w) + 3) & ~size_t(3)
                          : format == 4 ? (size_t(w) * 2 + 3) & ~size_t(3)
                                        : size_t(w) * 4;
        size_t need = paletteSize * entry + rowBytes * h;
        // zlib packs at most about 1032 bytes into one: fewer bytes than that cannot hold
        // the picture, and would only make us allocate it.
        if (size_t(w) * h > pixelsLeft) {
            Problem("bitmap too large");
            return;
        }
        if (need / 1032 > r.left() + 64) {
            Problem("bitmap data too short for its size");
            return;
        }
        if (!TakePixels(size_t(w) * h)) return;
        auto bitmap = std::make_shared<BitmapCharacter>();
        bitmap->width = w;
        bitmap->height = h;
        bitmap->pixels.SetSize(w, h);
        if (format == 5) {
            // ARGB rows inflated straight into the pixels (no second picture-sized buffer), and
            // turned into pixels where they are; what the data leaves out counts as zero bytes.
            uint8_t* bytes = reinterpret_cast<uint8_t*>(bitmap->pixels.Data());
            size_t got = 0;
            if (!InflateInto(r.here(), r.left(), bytes, need, got) || got < need) Problem("bitmap data damaged");
            uint32_t* pixels = bitmap->pixels.Data();
            for (size_t i = 0; i < size_t(w) * h; ++i) {
                const uint8_t* argb = bytes + i * 4;
                pixels[i] = Premultiplied(alpha ? argb[0] : 255, argb[1], argb[2], argb[3]);
            }
        } else {
            std::vector<uint8_t> raw;
            if (!Inflate(r.here(), r.left(), need, raw) || raw.size() < need) Problem("bitmap data damaged");
            raw.resize(need, 0);
            ExpandLossless(raw, format, paletteSize, alpha, rowBytes, bitmap->pixels);
        }
        AddBitmap(id, bitmap);
    }

    bool ReadGlyph(const uint8_t* p, size_t n, Font& font) {
        if (!Charge(sizeof(Shape) + sizeof(FillStyle))) return false;
        Shape glyph;
        glyph.fills.push_back(FillStyle());
        BitReader g(p, n);
        ReadShape(g, 1, false, glyph);
        font.glyphs.push_back(std::move(glyph));
        return true;
    }

    void DefineFont(BitReader& r, int version) {
        uint16_t id = r.U16();
        auto font = std::make_shared<Font>();
        if (version == 1) {
            const uint8_t* base = r.here();
            size_t size = r.left();
            BitReader offsets(base, size);
            size_t first = offsets.U16();
            size_t count = offsets.overrun() ? 0 : first / 2;
            std::vector<size_t> offs;
            if (count) offs.push_back(first);
            for (size_t i = 1; i < count && !offsets.overrun(); ++i) offs.push_back(offsets.U16());
            for (size_t i = 0; i < offs.size(); ++i) {
                size_t from = offs[i], to = i + 1 < offs.size() ? offs[i + 1] : size;
                if (from > size || to > size || to < from) {
                    Problem("glyph offset past the end of the font");
                    break;
                }
                if (!ReadGlyph(base + from, to - from, *font)) break;
            }
        } else {
            uint8_t flags = r.U8();
            r.U8();  // language
            size_t nameLength = r.U8();
            r.Skip(nameLength);
            size_t count = r.U16();
            bool wide = flags & 0x08;
            const uint8_t* base = r.here();
            size_t size = r.left();
            std::vector<size_t> offs;
            for (size_t i = 0; i <= count && !r.overrun(); ++i) offs.push_back(wide ? r.U32() : r.U16());
            if (r.overrun()) {
                Problem("font offsets run out");
                offs.clear();
            }
            for (size_t i = 0; i + 1 < offs.size(); ++i) {
                size_t from = offs[i], to = offs[i + 1];
                if (from > size || to > size || to < from) {
                    Problem("glyph offset past the end of the font");
                    break;
                }
                if (!ReadGlyph(base + from, to - from, *font)) break;
            }
            if (version == 3) font->emSize = 20480;
        }
        if (Claim(id, CharacterKind::Font)) movie.fonts[id] = font;
    }

    void DefineText(BitReader& r, int version) {
        uint16_t id = r.U16();
        auto text = std::make_shared<Text>();
        text->bounds = ReadRect(r);
        text->matrix = ReadMatrix(r);
        int glyphBits = r.U8(), advanceBits = r.U8();
        if (glyphBits > 32 || advanceBits > 32) {
            Problem("text glyph fields too wide");
            return;
        }
        TextRun run;
        int32_t x = 0;
        for (;;) {
            uint8_t flags = r.U8();
            if (r.overrun() || flags == 0) break;
            if (!(flags & 0x80)) {
                Problem("text record damaged");
                break;
            }
            TextRun next = run;
            next.glyphs.clear();
            if (flags & 0x08) next.font = r.U16();
            if (flags & 0x04) next.color = ReadColor(r, version >= 2);
            if (flags & 0x01) x = r.S16();
            if (flags & 0x02) next.y = r.S16();
            if (flags & 0x08) next.height = r.U16();
            size_t count = r.U8();
            if (!Charge(sizeof(TextRun) + count * sizeof(PositionedGlyph))) break;
            for (size_t i = 0; i < count; ++i) {
                PositionedGlyph g;
                g.index = uint16_t(r.Bits(glyphBits));
                g.x = x;
                x = Move(x, r.SBits(advanceBits));
                next.glyphs.push_back(g);
            }
            r.Align();
            if (r.overrun()) {
                Problem("text records run out");
                break;
            }
            run = next;
            text->runs.push_back(next);
        }
        if (Claim(id, CharacterKind::Text)) movie.texts[id] = text;
    }

    // --- control tags --------------------------------------------------------------
    void PlaceObject(BitReader& r, Frame& f) {
        DisplayCommand c;
        c.hasCharacter = true;
        c.character = r.U16();
        c.depth = r.U16();
        c.hasMatrix = true;
        c.matrix = ReadMatrix(r);
        if (r.overrun()) return;
        if (!r.AtEnd()) {
            ColorTransform cx = ReadColorTransform(r, false);
            if (!r.overrun()) {
                c.hasColor = true;
                c.color = cx;
            }
        }
        if (Charge(sizeof(DisplayCommand))) f.commands.push_back(c);
    }

    void PlaceObject2(BitReader& r, Frame& f, bool three) {
        DisplayCommand c;
        const uint8_t flags = r.U8();
        const uint8_t flags3 = three ? r.U8() : 0;
        c.depth = r.U16();
        if ((flags3 & kPlaceHasClassName) || ((flags3 & kPlaceHasImage) && (flags & kPlaceHasCharacter))) r.String();
        c.move = flags & kPlaceMove;
        if (flags & kPlaceHasCharacter) {
            c.hasCharacter = true;
            c.character = r.U16();
        }
        if (flags & kPlaceHasMatrix) {
            c.hasMatrix = true;
            c.matrix = ReadMatrix(r);
        }
        if (flags & kPlaceHasColorTransform) {
            c.hasColor = true;
            c.color = ReadColorTransform(r, true);
        }
        if (flags & kPlaceHasRatio) {
            c.hasRatio = true;
            c.ratio = r.U16();
        }
        if (flags & kPlaceHasName) r.String();
        if (flags & kPlaceHasClipDepth) {
            c.hasClip = true;
            c.clipDepth = r.U16();
        }
        if (r.overrun()) return;
        if (Charge(sizeof(DisplayCommand))) f.commands.push_back(c);
    }

    void DoAction(BitReader& r, Frame& f) {
        while (!r.AtEnd()) {
            uint8_t code = r.U8();
            if (code == 0) break;
            size_t length = code >= 0x80 ? r.U16() : 0;
            if (r.overrun() || length > r.left()) break;
            BitReader a(r.here(), length);
            r.Skip(length);
            Action act;
            switch (code) {
                case 0x07: act.op = Action::Stop; break;
                case 0x06: act.op = Action::Play; break;
                case 0x04: act.op = Action::NextFrame; break;
                case 0x05: act.op = Action::PreviousFrame; break;
                case 0x81:
                    act.op = Action::GotoFrame;
                    act.frame = a.U16();
                    if (a.overrun()) continue;
                    break;
                case 0x8C:
                    act.op = Action::GotoLabel;
                    act.label = a.String();
                    break;
                default: continue;  // other actions are not run
            }
            if (!Charge(sizeof(Action) + act.label.size())) break;
            f.actions.push_back(act);
        }
    }

    // One tag's header: its code and the length of its body (cut at the end of the data),
    // noted in the movie's list of tags. False when the header itself is cut.
    bool ReadTagHeader(BitReader& r, size_t baseOffset, int spriteId, uint16_t& code, size_t& length, bool& cut) {
        size_t start = r.pos();
        uint16_t head = r.U16();
        code = head >> 6;
        length = head & 0x3f;
        if (length == 0x3f) length = r.U32();
        if (r.overrun()) {
            Problem("truncated tag header");
            return false;
        }
        cut = false;
        if (length > r.left()) {
            Problem("tag length past the end of the file");
            length = r.left();
            cut = true;
        }
        if (movie.tags.size() < kMaxTagInfos) {
            TagInfo info;
            info.code = code;
            info.offset = uint32_t(baseOffset + start);
            info.length = uint32_t(length);
            info.sprite = spriteId;
            movie.tags.push_back(info);
        }
        return true;
    }

    // A tag that builds the frames (placing, removing, actions, labels, the frame's end).
    // False when the tag is something else.
    bool ControlTag(uint16_t code, BitReader& body, Timeline& t, Frame& frame) {
        switch (code) {
            case kShowFrame:
                if (!Charge(sizeof(Frame) + frame.label.size())) return true;
                t.frames.push_back(std::move(frame));
                frame = Frame();
                return true;
            case kPlaceObject: PlaceObject(body, frame); return true;
            case kPlaceObject2: PlaceObject2(body, frame, false); return true;
            case kPlaceObject3: PlaceObject2(body, frame, true); return true;
            case kRemoveObject:
            case kRemoveObject2: {
                DisplayCommand c;
                c.remove = true;
                if (code == kRemoveObject) body.U16();
                c.depth = body.U16();
                if (!body.overrun() && Charge(sizeof(DisplayCommand))) frame.commands.push_back(c);
                return true;
            }
            case kDoAction: DoAction(body, frame); return true;
            case kFrameLabel: {
                std::string label = body.String();
                if (!Charge(64 + 2 * label.size())) return true;  // the frame's and the map's copies
                if (frame.label.empty()) frame.label = label;
                if (!t.labels.count(label)) t.labels[label] = int(t.frames.size());
                return true;
            }
            default: return false;
        }
    }

    // A tag of the movie's own timeline that defines a character or sets the background;
    // others are skipped by their length.
    void DefinitionTag(uint16_t code, BitReader& body, size_t bodyOffset) {
        switch (code) {
            case kSetBackgroundColor:
                if (backgroundSet) break;
                backgroundSet = true;
                movie.background = ReadColor(body, false);
                movie.background.a = 255;
                break;
            case kDefineShape: DefineShape(body, 1); break;
            case kDefineShape2: DefineShape(body, 2); break;
            case kDefineShape3: DefineShape(body, 3); break;
            case kDefineShape4: DefineShape(body, 4); break;
            case kDefineMorphShape: DefineMorphShape(body, 1); break;
            case kDefineMorphShape2: DefineMorphShape(body, 2); break;
            case kJpegTables: jpegTables.assign(body.here(), body.here() + body.left()); break;
            case kDefineBits: DefineBits(body, 1); break;
            case kDefineBitsJpeg2: DefineBits(body, 2); break;
            case kDefineBitsJpeg3: DefineBits(body, 3); break;
            case kDefineBitsJpeg4: DefineBits(body, 4); break;
            case kDefineBitsLossless: DefineBitsLossless(body, false); break;
            case kDefineBitsLossless2: DefineBitsLossless(body, true); break;
            case kDefineFont: DefineFont(body, 1); break;
            case kDefineFont2: DefineFont(body, 2); break;
            case kDefineFont3: DefineFont(body, 3); break;
            case kDefineText: DefineText(body, 1); break;
            case kDefineText2: DefineText(body, 2); break;
            case kDefineSprite: {
                uint16_t id = body.U16();
                body.U16();  // frame count: the ShowFrame tags count
                auto sprite = std::make_shared<Timeline>();
                ReadTimeline(body, bodyOffset, *sprite, id);  // body positions count from its start
                if (Claim(id, CharacterKind::Sprite)) movie.sprites[id] = sprite;
                break;
            }
            default: break;  // skipped by its length
        }
    }

    // Tags of a timeline (the movie's, or a sprite's when spriteId >= 0).
    void ReadTimeline(BitReader& r, size_t baseOffset, Timeline& t, int spriteId) {
        Frame frame;
        bool ended = false;
        while (!r.AtEnd() && !full) {
            uint16_t code = 0;
            size_t length = 0;
            bool cut = false;
            if (!ReadTagHeader(r, baseOffset, spriteId, code, length, cut)) break;
            size_t bodyOffset = baseOffset + r.pos();
            BitReader body(r.here(), length);
            r.Skip(length);
            if (code == kEnd) {
                ended = true;
                break;
            }
            if (ControlTag(code, body, t, frame)) continue;
            if (spriteId >= 0) continue;  // a sprite holds control tags only
            DefinitionTag(code, body, bodyOffset);
            if (cut) break;
        }
        if (!ended && !full && spriteId < 0) Problem("the file ends without an End tag");
        if (!frame.commands.empty() || !frame.actions.empty() || !frame.label.empty() || t.frames.empty())
            t.frames.push_back(std::move(frame));
    }
};

}  // namespace

std::shared_ptr<const Movie> ParseMovie(const uint8_t* data, size_t size, std::string* problem) {
    if (problem) problem->clear();
    if (!data || size < 8 || data[1] != 'W' || data[2] != 'S' || (data[0] != 'F' && data[0] != 'C')) {
        if (problem) *problem = "not an SWF file";
        return nullptr;
    }
    auto movie = std::make_shared<Movie>();
    movie->version = data[3];
    movie->compressed = data[0] == 'C';
    movie->fileLength = uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 | uint32_t(data[7]) << 24;
    Reader reader(*movie);
    std::vector<uint8_t> inflated;
    const uint8_t* body = data + 8;
    size_t bodySize = size - 8;
    if (movie->compressed) {
        size_t want = movie->fileLength > 8 ? movie->fileLength - 8 : 0;
        if (!Inflate(body, bodySize, std::min(want, kMaxUncompressedBytes), inflated))
            if (inflated.size() < want) reader.Problem("compressed data damaged or cut short");
        body = inflated.data();
        bodySize = inflated.size();
    }
    if (!movie->compressed && movie->fileLength > size) reader.Problem("the file is shorter than its header says");
    BitReader r(body, bodySize);
    movie->stage = Reader::ReadRect(r);
    movie->frameRate = r.U16() / 256.0;
    movie->headerFrameCount = r.U16();
    if (r.overrun()) {
        reader.Problem("header cut short");
        movie->stage = Rect();
    }
    if (!(movie->frameRate > 0)) movie->frameRate = 12;  // 0 means "as fast as possible"
    BitReader tags(r.here(), r.left());
    reader.ReadTimeline(tags, 8 + r.pos(), movie->timeline, -1);
    if (problem && !movie->problems.empty()) *problem = movie->problems.front();
    return movie;
}

TagUse TagUseOf(uint16_t code) {
    for (const TagKind& t : kTagKinds)
        if (t.code == code) return t.use;
    return TagUse::NotDrawn;
}

std::string TagName(uint16_t code) {
    for (const TagKind& t : kTagKinds)
        if (t.code == code) return t.name;
    return "Tag" + std::to_string(code);
}

}  // namespace tastora::swf
