#pragma once
// The course movies: a book movie data\pictures\carti\<N>.swf closing every lesson and a
// presentation data\pictures\prezentari\<N>.swf for lessons 1 to 6, composed from the
// sources in content/movies/ as vector artwork (shapes, glyph outlines) and a timeline.
#include <string>
#include <vector>

#include "keytable.h"
#include "lessons.h"
#include "raster.h"
#include "vectorart.h"

namespace course {

constexpr int kStageWidth = 800;
constexpr int kStageHeight = 600;
constexpr int kMovieFps = 12;
constexpr size_t kMovieSizeLimit = 300u * 1024u;
constexpr int kPresentationCount = 6;

// A line of text that the last frame shows, for the check against FreeType.
struct MovieText {
    std::u32string text;
    Font font;
    int size;
    double x, baseline;
    Color color, backdrop;
    std::string where;  // source file and line
};

// One change of the display list.
struct MovieOp {
    enum Kind { Place, Move, Remove } kind;
    int depth;
    int shape;  // index into CourseMovie::shapes (Place)
    double dx, dy;
};

struct CourseMovie {
    std::string path;    // relative to the data folder, "pictures/carti/1.swf"
    std::string source;  // the source file
    Color background;
    std::vector<Art> shapes;
    std::vector<std::vector<MovieOp>> frames;
    std::vector<MovieText> texts;
};

// Reads content/movies and composes all 22 movies; throws CourseError naming the source
// file and line for a glyph the font lacks or text that leaves the stage.
std::vector<CourseMovie> ComposeMovies(const std::string& folder, const KeyTable& keys,
                                       const std::vector<LetterLine>& letters, const std::vector<Lesson>& lessons,
                                       TextRenderer& fonts);

// The SWF file of a movie (version 7, compressed); throws, naming the movie's source, when
// it would take more than `limit` bytes.
std::string EncodeMovie(const CourseMovie& movie, size_t limit = kMovieSizeLimit);

}  // namespace course

namespace course {

class Output;

// Reads every written movie back with the SWF library: it must parse without a fault, have
// the frames it was composed with, and its last frame, as the library's renderer draws it,
// must show each of its texts as FreeType draws the same text (no glyph missing, nothing
// cut off).
void CheckMovies(const Output& out, const std::vector<CourseMovie>& movies, TextRenderer& fonts);

// The first and the last frame of a written movie at the stage size, as the player shows them.
Image RenderMovieFrame(const std::string& bytes, bool last, int width = kStageWidth, int height = kStageHeight);

}  // namespace course
