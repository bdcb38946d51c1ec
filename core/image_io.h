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
// JPEG pictures are kept decoded and read again only when their file's size, write time or
// identity changed.
Bitmap LoadJpeg(const std::string& path);
// The same for a picture that may be left out: a missing file gives an empty picture; a
// file that is there but cannot be read or decoded is an error.
Bitmap LoadOptionalJpeg(const std::string& path);
void ForgetKeptPictures();
Bitmap LoadBmp(const std::string& path);

// 24-bit bottom-up BMP of a bitmap (course data and screenshots).
std::string EncodeBmp(const Bitmap& bitmap);

// Texts of the failures, shared with the other file readers.
std::string CannotOpenMessage(const std::string& path);
std::string DamagedPictureMessage(const std::string& path);

}  // namespace tastora
