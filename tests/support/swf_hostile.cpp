#include "tests/support/swf_hostile.h"

#include <zlib.h>

#include <algorithm>
#include <functional>

#include "swf/bits.h"
#include "swf/tags.h"
#include "swf/writer.h"
#include "tests/support/swf_samples.h"

namespace tastora::swf_samples {

namespace {

using namespace tastora::swf;

constexpr int32_t kStageW = 640 * 20, kStageH = 512 * 20;
constexpr uint16_t kStage = 1;  // the red stage, character 1 at depth 1

std::vector<uint8_t> Tag(uint16_t code, const std::vector<uint8_t>& body) {
    BitWriter w;
    w.U16(uint16_t(code << 6 | 0x3f));
    w.U32(uint32_t(body.size()));
    w.Bytes(body);
    return w.bytes();
}

// A movie: the red stage placed in frame 1, then `tags` (whole tags, written by `write`
// into the body as it is built), then End. CWS when compressed.
std::vector<uint8_t> Movie(const std::function<void(Writer&)>& define,
                           const std::function<void(std::vector<uint8_t>&)>& write, bool compressed = false) {
    Writer w(8, kStageW, kStageH, 12);
    ShapeBuilder stage;
    stage.Rectangle(0, 0, kStageW, kStageH, stage.AddSolidFill(Rgba{255, 0, 0, 255}));
    w.DefineShape(1, stage);
    w.PlaceObject(kStage, 1, Matrix());
    if (define) define(w);
    w.End();
    std::vector<uint8_t> file = w.Finish(false);
    file.resize(file.size() - 2);  // the End tag goes after the rest
    if (write) write(file);
    file.push_back(0);
    file.push_back(0);
    const uint32_t length = uint32_t(file.size());
    for (int i = 0; i < 4; ++i) file[size_t(4 + i)] = uint8_t(length >> (8 * i));
    if (!compressed) return file;
    std::vector<uint8_t> packed(compressBound(uLong(file.size() - 8)) + 8);
    uLongf size = uLongf(packed.size() - 8);
    compress2(packed.data() + 8, &size, file.data() + 8, uLong(file.size() - 8), 9);
    packed.resize(size + 8);
    std::copy(file.begin(), file.begin() + 8, packed.begin());
    packed[0] = 'C';
    return packed;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::vector<uint8_t> Remove2(uint16_t depth) {
    BitWriter w;
    w.U16(depth);
    return Tag(kRemoveObject2, w.bytes());
}

// PlaceObject2 of a character at a depth, with a scale and a clip depth when given.
std::vector<uint8_t> Place2(uint16_t character, uint16_t depth, uint16_t clipDepth = 0, double scale = 0) {
    Placement p;
    p.depth = depth;
    p.character = character;
    p.clipDepth = clipDepth;
    if (scale) p.hasMatrix = true, p.matrix = Matrix::Scale(scale, scale);
    TagList t;
    t.PlaceObject2(p);
    return t.bytes();
}

// A DefineShape3 (id 2 unless given) of raw style and record bits.
std::vector<uint8_t> RawShape(uint16_t id, const std::function<void(BitWriter&)>& body) {
    BitWriter w;
    w.U16(id);
    w.Bits(5, 5);  // bounds: 5-bit fields, all 0..stage would not fit: a small box
    w.SBits(0, 5), w.SBits(10, 5), w.SBits(0, 5), w.SBits(10, 5);
    w.Align();
    body(w);
    w.Align();
    return Tag(kDefineShape3, w.bytes());
}

// Straight edge record: general line of (dx, dy) in 17-bit fields.
void Line(BitWriter& w, int32_t dx, int32_t dy) {
    w.Bits(1, 1), w.Bits(1, 1), w.Bits(15, 4), w.Bits(1, 1);
    w.SBits(dx, 17), w.SBits(dy, 17);
}
void Curve(BitWriter& w, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
    w.Bits(1, 1), w.Bits(0, 1), w.Bits(15, 4);
    w.SBits(cx, 17), w.SBits(cy, 17), w.SBits(ax, 17), w.SBits(ay, 17);
}
// One solid fill, one line style of `width`, 1-bit style numbers; a move to (x, y) with fill 1 and line 1.
void OneFillOneLine(BitWriter& w, uint16_t width, int32_t x = 0, int32_t y = 0) {
    w.U8(1), w.U8(0), w.U8(0), w.U8(255), w.U8(0), w.U8(255);       // fill: solid green
    w.U8(1), w.U16(width), w.U8(0), w.U8(0), w.U8(255), w.U8(255);  // line: blue
    w.Bits(1, 4), w.Bits(1, 4);
    w.Bits(0, 1), w.Bits(0x01 | 0x04 | 0x08, 5), w.Bits(17, 5), w.SBits(x, 17), w.SBits(y, 17);
    w.Bits(1, 1), w.Bits(1, 1);
}

std::vector<uint8_t> Sprite(uint16_t id, const std::vector<uint8_t>& tags, int frames) {
    BitWriter w;
    w.U16(id);
    w.U16(uint16_t(frames));
    w.Bytes(tags);
    return Tag(kDefineSprite, w.bytes());
}

std::vector<uint8_t> ShowFrame() { return {0x40, 0x00}; }

}  // namespace

std::vector<uint8_t> ProgressiveJpeg(int width, int height, size_t bytes) {
    std::vector<uint8_t> rgb(8 * 8 * 3, 200);
    std::vector<uint8_t> jpeg = Jpeg(8, 8, rgb, 90);
    // Baseline SOF0 -> progressive SOF2 with the new size; scan data that never ends.
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 1] = 0xC2;
            jpeg[i + 5] = uint8_t(height >> 8), jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8), jpeg[i + 8] = uint8_t(width);
            break;
        }
    jpeg.resize(jpeg.size() - 2);
    jpeg.resize(bytes, 0x11);
    jpeg.push_back(0xFF), jpeg.push_back(0xD9);
    return jpeg;
}

std::vector<HostileMovie> HostileMovies(int divisor) {
    std::vector<HostileMovie> all;
    // A count of the full-size movie, smaller for seeds.
    auto n = [divisor](long count) { return std::max(1L, count / divisor); };
    // A square shape (id 2), placed as masks over the stage.
    auto square = [](Writer& w) {
        ShapeBuilder s;
        s.Rectangle(kStageW / 4, kStageH / 4, kStageW / 2, kStageH / 2, s.AddSolidFill(Rgba{0, 0, 255, 255}));
        w.DefineShape(1, s);
    };
    // 20,000 masks, each masking all that follows.
    all.push_back({"nested_masks", Movie(square, [&](std::vector<uint8_t>& out) {
                       for (long d = 2; d < 2 + n(20000); ++d) Append(out, Place2(2, uint16_t(d), 65000));
                       Append(out, ShowFrame());
                   })});
    // 10,000 masks side by side, each over one square.
    all.push_back({"many_masks", Movie(square, [&](std::vector<uint8_t>& out) {
                       for (long d = 2; d < 2 + 2 * n(10000); d += 2) {
                           Append(out, Place2(2, uint16_t(d), uint16_t(d + 1)));
                           Append(out, Place2(2, uint16_t(d + 1)));
                       }
                       Append(out, ShowFrame());
                   })});
    // A sprite frame of 100,000 removals, placed 20,000 times (and looping).
    all.push_back({"sprite_removals", Movie(
                                          nullptr,
                                          [&](std::vector<uint8_t>& out) {
                                              std::vector<uint8_t> frame;
                                              for (long i = 0; i < n(100000); ++i)
                                                  Append(frame, Remove2(uint16_t(100 + i % 1000)));
                                              Append(frame, ShowFrame());
                                              Append(frame, ShowFrame());
                                              Append(out, Sprite(2, frame, 2));
                                              for (long d = 2; d < 2 + n(20000); ++d)
                                                  Append(out, Place2(2, uint16_t(d)));
                                              Append(out, ShowFrame());
                                              Append(out, ShowFrame());
                                          },
                                          divisor == 1)});
    // 250,000 removals replayed by 2,048 gotos back and forth in every frame.
    all.push_back({"goto_removals", Movie(
                                        nullptr,
                                        [&](std::vector<uint8_t>& out) {
                                            BitWriter a;
                                            for (long i = 0; i < n(1024); ++i) {
                                                a.U8(0x81), a.U16(2), a.U16(1);  // GotoFrame 2
                                                a.U8(0x81), a.U16(2), a.U16(0);  // GotoFrame 1
                                            }
                                            a.U8(0x06), a.U8(0);  // Play
                                            Append(out, Tag(kDoAction, a.bytes()));
                                            Append(out, ShowFrame());
                                            for (long i = 0; i < n(250000); ++i)
                                                Append(out, Remove2(uint16_t(100 + i % 1000)));
                                            Append(out, ShowFrame());
                                        },
                                        divisor == 1)});
    // One shape of 65,535 line styles and 100,000 further style tables of one line style,
    // a stroke in each.
    all.push_back({"style_tables", Movie(
                                       nullptr,
                                       [&](std::vector<uint8_t>& out) {
                                           Append(out, RawShape(2, [&](BitWriter& w) {
                                                      w.U8(0);
                                                      w.U8(0xFF), w.U16(uint16_t(n(65535)));
                                                      for (long i = 0; i < n(65535); ++i)
                                                          w.U16(20), w.U8(0), w.U8(0), w.U8(255), w.U8(255);
                                                      w.Bits(0, 4), w.Bits(16, 4);
                                                      for (long g = 0; g < n(100000); ++g) {
                                                          // Line 1 of the new table, which follows.
                                                          w.Bits(0, 1), w.Bits(0x10 | 0x08, 5), w.Bits(1, 16);
                                                          w.Align();
                                                          w.U8(0), w.U8(1), w.U16(20), w.U8(0), w.U8(0), w.U8(255),
                                                              w.U8(255);
                                                          w.Bits(0, 4), w.Bits(16, 4);
                                                          Line(w, 200, 200);
                                                      }
                                                      w.Bits(0, 6);
                                                  }));
                                           Append(out, Place2(2, 2));
                                           Append(out, ShowFrame());
                                       },
                                       divisor == 1)});
    // A shape of 100,000 edges placed 20,000 times.
    all.push_back({"many_edges", Movie(
                                     nullptr,
                                     [&](std::vector<uint8_t>& out) {
                                         Append(out, RawShape(2, [&](BitWriter& w) {
                                                    OneFillOneLine(w, 20);
                                                    for (long i = 0; i < n(100000); ++i)
                                                        Line(w, i % 2 ? 4000 : -4000, 3);
                                                    w.Bits(0, 6);
                                                }));
                                         for (long d = 2; d < 2 + n(20000); ++d) Append(out, Place2(2, uint16_t(d)));
                                         Append(out, ShowFrame());
                                     },
                                     divisor == 1)});
    // 2,000,000 long curves (each flattened to many points).
    all.push_back({"long_curves", Movie(
                                      nullptr,
                                      [&](std::vector<uint8_t>& out) {
                                          Append(out, RawShape(2, [&](BitWriter& w) {
                                                     OneFillOneLine(w, 20, kStageW / 2,
                                                                    kStageH / 2);  // loops about the centre
                                                     for (long i = 0; i < n(2000000); ++i)
                                                         Curve(w, 5000, 4000, -5000, -4000);
                                                     w.Bits(0, 6);
                                                 }));
                                          Append(out, Place2(2, 2));
                                          Append(out, ShowFrame());
                                      },
                                      divisor == 1)});
    // A text whose glyph fields have no bits: 255 glyphs in every 2 bytes.
    all.push_back({"text_glyphs", Movie(
                                      nullptr,
                                      [&](std::vector<uint8_t>& out) {
                                          BitWriter font;  // DefineFont, one glyph: a square
                                          font.U16(2), font.U16(2);
                                          font.Bits(1, 4), font.Bits(0, 4);
                                          font.Bits(0, 1), font.Bits(0x01 | 0x04, 5), font.Bits(17, 5),
                                              font.SBits(0, 17), font.SBits(0, 17), font.Bits(1, 1);
                                          Line(font, 1000, 0), Line(font, 0, 1000), Line(font, -1000, 0),
                                              Line(font, 0, -1000);
                                          font.Bits(0, 6);
                                          font.Align();
                                          Append(out, Tag(kDefineFont, font.bytes()));
                                          BitWriter text;
                                          text.U16(3);
                                          text.Bits(0, 5), text.Align();                       // bounds
                                          text.Bits(0, 1), text.Bits(0, 1), text.Bits(15, 5);  // matrix: to the centre
                                          text.SBits(kStageW / 2, 15), text.SBits(kStageH / 2, 15), text.Align();
                                          text.U8(0), text.U8(0);  // glyph and advance bits
                                          text.U8(0x88), text.U16(2), text.U16(400), text.U8(255);
                                          for (long i = 0; i < n(400000); ++i) text.U8(0x80), text.U8(255);
                                          text.U8(0);
                                          Append(out, Tag(kDefineText, text.bytes()));
                                          Append(out, Place2(3, 2));
                                          Append(out, ShowFrame());
                                      },
                                      divisor == 1)});
    // 32 million ShowFrame tags, and a DoAction of 64 million Stop actions.
    all.push_back({"show_frames", Movie(
                                      nullptr,
                                      [&](std::vector<uint8_t>& out) {
                                          out.reserve(out.size() + size_t(n(64L << 20)));
                                          for (long i = 0; i < n((32L << 20) - 64); ++i)
                                              out.push_back(0x40), out.push_back(0x00);
                                      },
                                      divisor == 1)});
    all.push_back(
        {"stop_actions", Movie(
                             nullptr,
                             [&](std::vector<uint8_t>& out) {
                                 Append(out, Tag(kDoAction, std::vector<uint8_t>(size_t(n((64L << 20) - 64)), 0x07)));
                                 Append(out, ShowFrame());
                             },
                             divisor == 1)});
    // A progressive JPEG of 4,096 x 4,096 pixels whose scans never come, placed.
    all.push_back({"progressive_jpeg", Movie(nullptr, [&](std::vector<uint8_t>& out) {
                       BitWriter b;
                       b.U16(2);
                       b.Bytes(ProgressiveJpeg(4096, 4096, size_t(n(64 << 10))));
                       Append(out, Tag(kDefineBitsJpeg2, b.bytes()));
                       Append(out, Place2(2, 2));
                       Append(out, ShowFrame());
                   })});
    // A pen moved past the range of 32 bits, and a stroke 65,535 twips wide scaled up
    // 8,000 times twice (through a sprite).
    all.push_back({"far_pen", Movie(nullptr, [&](std::vector<uint8_t>& out) {
                       Append(out, RawShape(2, [&](BitWriter& w) {
                                  OneFillOneLine(w, 65535, 65535, 65535);  // off the stage, and further
                                  for (long i = 0; i < n(70000); ++i) Line(w, 65535, 65535);
                                  Curve(w, 65535, -65535, 65535, 65535);
                                  w.Bits(0, 6);
                              }));
                       Append(out, RawShape(3, [&](BitWriter& w) {
                                  OneFillOneLine(w, 65535, 65535, 65535);
                                  Line(w, 1, 0), Curve(w, 1, 1, 1, -1), Line(w, 0, 1);
                                  w.Bits(0, 6);
                              }));
                       BitWriter text;  // glyph advances of 2^31 - 1 (font 5: one glyph, none drawn)
                       text.U16(6);
                       text.Bits(0, 5), text.Align();
                       text.Bits(0, 1), text.Bits(0, 1), text.Bits(0, 5), text.Align();
                       text.U8(1), text.U8(32);
                       text.U8(0x89), text.U16(5), text.U16(0), text.U16(400), text.U8(255);
                       for (int i = 0; i < 255; ++i) text.Bits(0, 1), text.SBits(0x7FFFFFFF, 32);
                       text.Align();
                       text.U8(0);
                       Append(out, Tag(kDefineFont, {5, 0, 2, 0, 0x10, 0x00}));
                       Append(out, Tag(kDefineText, text.bytes()));
                       Append(out, Place2(6, 4));
                       std::vector<uint8_t> inner = Place2(3, 1, 0, 8000);
                       Append(inner, ShowFrame());
                       Append(out, Sprite(4, inner, 1));
                       Append(out, Place2(2, 2));
                       Append(out, Place2(4, 3, 0, 8000));
                       Append(out, ShowFrame());
                   })});
    return all;
}

}  // namespace tastora::swf_samples
