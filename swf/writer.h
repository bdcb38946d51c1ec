#pragma once
// A tag-level SWF writer: the course generator writes its movies with it and the tests
// their sample files. Coordinates are in twips (20 per pixel).
#include <cstdint>
#include <string>
#include <vector>

#include "swf/types.h"

namespace tastora::swf {

// The outline of a shape (or of a font glyph): style tables and path commands, each
// edge with the fill on its left (fill0), on its right (fill1) and its line style.
// Style numbers are 1-based within the current style table; 0 means none.
class ShapeBuilder {
public:
    int AddFill(const FillStyle& fill);  // returns its number in the current table
    int AddSolidFill(Rgba color) { return AddFill(FillStyle::SolidColor(color)); }
    int AddLine(const LineStyle& line);
    int AddLine(uint16_t widthTwips, Rgba color) {
        LineStyle l;
        l.width = widthTwips;
        l.color = color;
        return AddLine(l);
    }
    // Starts a new style table (DefineShape2 and later): later paths are drawn above
    // earlier ones and number their styles in the new table.
    void NewStyles();

    // Styles for the edges that follow; -1 leaves one as it is.
    void SetStyles(int fill0, int fill1, int line);
    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y);  // quadratic Bezier

    // Helpers: a closed rectangle or ellipse (curves) with fill0 = fill, given line.
    void Rectangle(int32_t x, int32_t y, int32_t w, int32_t h, int fill, int line = 0);
    void Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, int fill, int line = 0);

    // The bounds of everything drawn so far (with half the widest line around it).
    Rect Bounds() const;

    struct Record {
        enum Kind : uint8_t { Styles, NewTable, Move, Line, Curve } kind;
        int32_t x = 0, y = 0, cx = 0, cy = 0;
        int fill0 = -1, fill1 = -1, line = -1;
    };
    struct Table {
        std::vector<FillStyle> fills;
        std::vector<LineStyle> lines;
    };
    const std::vector<Table>& tables() const { return tables_; }
    const std::vector<Record>& records() const { return records_; }

private:
    std::vector<Table> tables_{1};
    std::vector<Record> records_;
    int32_t penX_ = 0, penY_ = 0;
    bool any_ = false;
    Rect box_;
    uint16_t widest_ = 0;
    void Touch(int32_t x, int32_t y);
};

// DoAction contents.
class ActionList {
public:
    ActionList& Stop();
    ActionList& Play();
    ActionList& NextFrame();
    ActionList& PreviousFrame();
    ActionList& GotoFrame(int frame);  // 1-based, as in the player
    ActionList& GotoLabel(const std::string& label);
    const std::vector<uint8_t>& bytes() const { return bytes_; }  // without the final 0

private:
    std::vector<uint8_t> bytes_;
};

struct Placement {
    uint16_t depth = 1;
    bool move = false;       // modify the object already at this depth
    uint16_t character = 0;  // 0 = none (a move that keeps the character)
    bool hasMatrix = false;
    Matrix matrix;
    bool hasColor = false;
    ColorTransform color;    // written with alpha (PlaceObject2)
    uint16_t clipDepth = 0;  // 0 = not a mask; else masks depths up to this one
    uint16_t ratio = 0;
    bool hasRatio = false;
    std::string name;
};

// Glyph of a font: its outline in em units (1024 per em for DefineFont/DefineFont2,
// 20480 for DefineFont3), drawn with fill0 = 1 or fill1 = 1 and no line styles.
struct Glyph {
    ShapeBuilder outline;
    uint16_t code = 0;    // UCS-2 code (DefineFont2/3)
    int16_t advance = 0;  // em units (DefineFont2/3 with layout)
};

struct TextGlyph {
    uint16_t index = 0;   // glyph number in the font
    int32_t advance = 0;  // twips to the next glyph
};
struct TextRecord {
    uint16_t font = 0;
    uint16_t height = 240;  // twips
    Rgba color;             // alpha used by DefineText2 only
    int32_t x = 0, y = 0;   // baseline start
    std::vector<TextGlyph> glyphs;
};

// Control tags: the timeline of the movie or of a sprite.
class TagList {
public:
    void PlaceObject(uint16_t character, uint16_t depth, const Matrix& matrix);  // PlaceObject (1)
    void PlaceObject2(const Placement& p);
    void RemoveObject(uint16_t character, uint16_t depth);
    void RemoveObject2(uint16_t depth);
    void FrameLabel(const std::string& label);
    void DoAction(const ActionList& actions);
    void ShowFrame();
    void End();  // appended by Finish/DefineSprite when missing
    // Any tag, as given (tests of damaged files).
    void RawTag(uint16_t code, const std::vector<uint8_t>& body, bool longForm = false);

    int frames() const { return frames_; }
    bool ended() const { return ended_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

protected:
    std::vector<uint8_t> bytes_;
    int frames_ = 0;
    bool ended_ = false;
};

class Writer : public TagList {
public:
    // version 1..10; stage in twips (xmin = ymin = 0); frames per second.
    Writer(int version, int32_t widthTwips, int32_t heightTwips, double frameRate);

    uint16_t NextId() const { return nextId_; }

    void FileAttributes(uint32_t flags = 0);
    void Metadata(const std::string& xml);
    void SetBackgroundColor(Rgba color);

    // shapeVersion 1..4 (DefineShape .. DefineShape4); bounds from the builder.
    uint16_t DefineShape(int shapeVersion, const ShapeBuilder& shape);

    // A shape tween (morphVersion 1: DefineMorphShape, 2: DefineMorphShape2) from its start
    // and end shapes: the same records, edge for edge (a straight edge may pair with a
    // curve), and the same styles in one table, style for style (same kinds, same number of
    // gradient stops); the end's style numbers are not written.
    uint16_t DefineMorphShape(int morphVersion, const ShapeBuilder& start, const ShapeBuilder& end);

    void JpegTables(const std::vector<uint8_t>& tables);
    uint16_t DefineBits(const std::vector<uint8_t>& jpegWithoutTables);
    uint16_t DefineBitsJpeg2(const std::vector<uint8_t>& jpeg);
    // The JPEG's colours must already be multiplied by the alpha plane (width * height
    // bytes), as players take them.
    uint16_t DefineBitsJpeg3(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha);
    // DefineBitsJPEG4: as DefineBitsJpeg3, with a deblocking strength (8.8 fixed point).
    uint16_t DefineBitsJpeg4(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha, uint16_t deblock);
    // Lossless bitmaps from straight (not premultiplied) RGBA pixels, top-down.
    // version 1 = DefineBitsLossless (24-bit, alpha ignored), 2 = DefineBitsLossless2.
    // colormapped: written as a palette of at most 256 colours (format 3) when it fits.
    uint16_t DefineBitsLossless(int version, int width, int height, const std::vector<Rgba>& pixels,
                                bool colormapped = false);

    // fontVersion 1 (DefineFont), 2 (DefineFont2), 3 (DefineFont3).
    uint16_t DefineFont(int fontVersion, const std::string& name, const std::vector<Glyph>& glyphs, int ascent = 0,
                        int descent = 0);
    // textVersion 1 (DefineText, opaque colours) or 2 (DefineText2, with alpha).
    uint16_t DefineText(int textVersion, const Rect& bounds, const Matrix& matrix,
                        const std::vector<TextRecord>& records);

    uint16_t DefineSprite(const TagList& timeline);

    // The whole file: "FWS" or, compressed, "CWS" (zlib, version 6 and later).
    std::vector<uint8_t> Finish(bool compressed = false) const;

private:
    int version_;
    int32_t width_, height_;
    double frameRate_;
    uint16_t nextId_ = 1;
};

}  // namespace tastora::swf
