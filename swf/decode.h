#pragma once
// Decoders behind the reader: zlib streams and JPEG pictures.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "swf/movie.h"

namespace tastora::swf {

// Inflates a zlib stream, at most `limit` bytes. True when the stream was complete and
// sound; `out` holds what could be inflated either way.
bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out);

// Decodes a JPEG picture into premultiplied RGBA (alpha 255). False for anything that is
// not a JPEG libjpeg can start on, or larger than maxPixels or than the room reserved in
// out.rgba (reserve maxPixels * 4 bytes first: running out of memory then happens before
// libjpeg starts, and it cannot leave libjpeg's state behind); a picture that breaks off
// halfway keeps its decoded rows (the rest grey).
bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out);
// Only the size of a JPEG picture, from its header.
bool JpegSize(const uint8_t* data, size_t size, int& width, int& height);

}  // namespace tastora::swf
