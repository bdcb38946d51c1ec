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
// The same into `room` bytes at `out`: `produced` tells how many were written.
bool InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t room, size_t& produced);

// Decodes a JPEG picture into opaque 0xFFRRGGBB pixels. False for anything that is not a
// JPEG libjpeg can start on, or larger than maxPixels or than the room reserved in `out`
// (out.Reserve(maxPixels) first: running out of memory then happens before libjpeg starts,
// and it cannot leave libjpeg's state behind); a picture that breaks off halfway keeps its
// decoded rows (the rest grey).
bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out);
// Only the size of a JPEG picture, from its header.
bool JpegSize(const uint8_t* data, size_t size, int& width, int& height);

}  // namespace tastora::swf
