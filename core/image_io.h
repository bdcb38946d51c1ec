#pragma once
// Reading the pictures of the course: JPEG through libjpeg, BMP with our own reader.
#include <string>

#include "core/bitmap.h"

namespace tastora {

// Decode from memory; false (and an empty bitmap) when the bytes are not a picture of that
// kind or are damaged. Never reads past the buffer.
bool DecodeJpeg(const std::string& bytes, Bitmap& out);
bool DecodeBmp(const std::string& bytes, Bitmap& out);

// Load a file; a missing file or a damaged picture raises TastoraError naming the file.
Bitmap LoadJpeg(const std::string& path);
Bitmap LoadBmp(const std::string& path);

// 24-bit bottom-up BMP of a bitmap (course data and screenshots).
std::string EncodeBmp(const Bitmap& bitmap);

// Texts of the failures, shared with the other file readers.
std::string CannotOpenMessage(const std::string& path);
std::string DamagedPictureMessage(const std::string& path);

}  // namespace tastora
