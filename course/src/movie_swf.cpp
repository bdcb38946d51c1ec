// The course movies as SWF files, written with the SWF library's tag writer.
#include <cmath>
#include <map>

#include "movies.h"
#include "swf/writer.h"
#include "util.h"

namespace course {

namespace {

namespace swf = tastora::swf;

int32_t Twips(double px) { return int32_t(std::lround(px * 20)); }

swf::Rgba ToRgba(Color c, int alpha = 255) { return swf::Rgba{c.r, c.g, c.b, uint8_t(alpha)}; }

swf::FillStyle ToFill(const VectorFill& f) {
    if (!f.gradient) return swf::FillStyle::SolidColor(ToRgba(f.top, f.alpha));
    swf::FillStyle g;
    g.kind = swf::FillKind::Linear;
    // The gradient square (-16384..16384 twips) turned upright onto y0..y1.
    const double s = (Twips(f.y1) - Twips(f.y0)) / 32768.0;
    g.matrix = swf::Matrix{0, s, -s, 0, 0, (Twips(f.y0) + Twips(f.y1)) / 2.0};
    g.stops = {{0, ToRgba(f.top, f.alpha)}, {255, ToRgba(f.bottom, f.alpha)}};
    return g;
}

swf::ShapeBuilder ToShape(const Art& art) {
    swf::ShapeBuilder b;
    std::vector<int> fills;
    for (const VectorFill& f : art.Fills()) fills.push_back(b.AddFill(ToFill(f)));
    // Every contour runs clockwise on the screen around its ink (holes the other way), so
    // the ink lies on the right of each edge.
    for (const Contour& c : art.Contours()) {
        b.SetStyles(0, fills[size_t(c.fill)], 0);
        for (const OutlineStep& s : c.steps) {
            if (s.kind == 'M')
                b.MoveTo(Twips(s.x), Twips(s.y));
            else if (s.kind == 'L')
                b.LineTo(Twips(s.x), Twips(s.y));
            else
                b.CurveTo(Twips(s.cx), Twips(s.cy), Twips(s.x), Twips(s.y));
        }
    }
    return b;
}

}  // namespace

std::string EncodeMovie(const CourseMovie& movie, size_t limit) {
    swf::Writer w(7, Twips(kStageWidth), Twips(kStageHeight), kMovieFps);
    w.SetBackgroundColor(ToRgba(movie.background));
    // Each shape is defined just before the frame that first shows it.
    std::map<int, uint16_t> ids;
    std::map<int, bool> occupied;
    for (size_t f = 0; f < movie.frames.size(); ++f) {
        for (const MovieOp& op : movie.frames[f])
            if (op.kind == MovieOp::Place && !ids.count(op.shape))
                ids[op.shape] = w.DefineShape(3, ToShape(movie.shapes[size_t(op.shape)]));
        for (const MovieOp& op : movie.frames[f]) {
            if (op.kind == MovieOp::Remove) {
                w.RemoveObject2(uint16_t(op.depth));
                occupied[op.depth] = false;
                continue;
            }
            swf::Placement p;
            p.depth = uint16_t(op.depth);
            p.move = op.kind == MovieOp::Move || occupied[op.depth];
            p.character = op.kind == MovieOp::Place ? ids[op.shape] : 0;
            p.hasMatrix = op.kind == MovieOp::Move || op.dx != 0 || op.dy != 0 || p.move;
            p.matrix = swf::Matrix::Translate(Twips(op.dx), Twips(op.dy));
            w.PlaceObject2(p);
            occupied[op.depth] = true;
        }
        if (f + 1 == movie.frames.size()) w.DoAction(swf::ActionList().Stop());
        w.ShowFrame();
    }
    w.End();
    std::vector<uint8_t> bytes = w.Finish(true);
    if (bytes.size() > limit)
        throw CourseError(movie.source + ":1", "the movie would take " + std::to_string(bytes.size()) +
                                                   " bytes, more than its limit of " + std::to_string(limit));
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace course
