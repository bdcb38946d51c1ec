// Reading the written movies back through the SWF library's reader and renderer.
#include <algorithm>
#include <cmath>

#include "movies.h"
#include "output.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "util.h"

namespace course {

Image RenderMovieFrame(const std::string& bytes, bool last, int width, int height) {
    auto movie = tastora::swf::ParseMovie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    tastora::swf::Player player(movie);
    player.GotoFrame(last ? player.FrameCount() : 1);
    std::vector<uint8_t> bgra(size_t(width) * size_t(height) * 4);
    player.Render(bgra.data(), width, height, width * 4, true);
    Image img(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &bgra[(size_t(y) * size_t(width) + size_t(x)) * 4];
            img.Set(x, y, Rgb(p[2], p[1], p[0]));
        }
    return img;
}

namespace {

int Distance(Color a, Color b) { return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}); }

}  // namespace

void CheckMovies(const Output& out, const std::vector<CourseMovie>& movies, TextRenderer& fonts) {
    for (const CourseMovie& m : movies) {
        const std::string path = out.Full(m.path);
        const std::string bytes = ReadFile(path);
        std::string problem;
        auto parsed = tastora::swf::ParseMovie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &problem);
        if (!parsed) throw CourseError(path, "is not an SWF file");
        if (!problem.empty()) throw CourseError(path, "reads with a fault: " + problem);
        tastora::swf::Player player(parsed);
        if (player.FrameCount() != int(m.frames.size()))
            throw CourseError(path, "has " + std::to_string(player.FrameCount()) + " frames, composed with " +
                                        std::to_string(m.frames.size()));
        // Each text of the last frame against FreeType's drawing of it on its backdrop: the
        // strong ink of the reference must be there in the movie's picture.
        const Image frame = RenderMovieFrame(bytes, true);
        for (const MovieText& t : m.texts) {
            Art outline;
            outline.Text(fonts, t.text, t.font, t.size, t.x, t.baseline, outline.Solid(t.color));
            const Box b = outline.Bounds();
            const int x0 = int(std::floor(b.x0)) - 1, y0 = int(std::floor(b.y0)) - 1;
            const int x1 = int(std::ceil(b.x1)) + 1, y1 = int(std::ceil(b.y1)) + 1;
            if (x0 < 0 || y0 < 0 || x1 > kStageWidth || y1 > kStageHeight)
                throw CourseError(t.where, "the text is cut off at the stage edge");
            Image ref(kStageWidth, kStageHeight, t.backdrop);
            fonts.DrawExact(ref, t.text, t.font, t.size, t.x, t.baseline, t.color);
            const int strong = Distance(t.color, t.backdrop) * 3 / 4;
            int ink = 0, missing = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    if (Distance(ref.Get(x, y), t.backdrop) < strong) continue;
                    ++ink;
                    if (Distance(frame.Get(x, y), ref.Get(x, y)) > strong / 2) ++missing;
                }
            if (ink == 0 || missing * 100 > ink * 4)
                throw CourseError(t.where, path + ": the last frame does not show \"" + EncodeUtf8(t.text) + "\" (" +
                                               std::to_string(missing) + " of " + std::to_string(ink) +
                                               " ink pixels differ from FreeType's drawing)");
        }
    }
}

}  // namespace course
