#include "output.h"

#include "imagefile.h"
#include "util.h"

namespace course {

void Output::Write(const std::string& rel, const std::string& bytes) {
    std::string full = Full(rel);
    size_t slash = full.rfind('/');
    if (slash != std::string::npos) MakeDirs(full.substr(0, slash));
    WriteFile(full, bytes);
    total_ += bytes.size();
    ++files_;
}

void Output::WriteJpeg(const std::string& rel, const Image& img) {
    Write(rel, EncodeJpeg(img));
    pictures_.push_back({rel, img.Width(), img.Height(), false});
}

void Output::WriteBmp(const std::string& rel, const Image& img) {
    Write(rel, EncodeBmp24(img));
    pictures_.push_back({rel, img.Width(), img.Height(), true});
}

}  // namespace course
