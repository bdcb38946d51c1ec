#pragma once
// Picture files of the course: JPEG through libjpeg (high quality, no chroma subsampling) and
// 24-bit BMP; readers to check what was written.
#include <string>

#include "raster.h"

namespace course {

std::string EncodeJpeg(const Image& img, int quality = 95);
// Throws CourseError naming `name` when the bytes are not a decodable JPEG.
Image DecodeJpeg(const std::string& bytes, const std::string& name);

std::string EncodeBmp24(const Image& img);
Image DecodeBmp24(const std::string& bytes, const std::string& name);

// PNG, for the previews of the movies (the program itself reads no PNG).
std::string EncodePng(const Image& img);

}  // namespace course
