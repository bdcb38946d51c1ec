#pragma once
// The data folder being written: every file goes through here, so that the checks afterwards
// know each picture's expected size and the total.
#include <string>
#include <vector>

#include "raster.h"

namespace course {

struct PictureRecord {
    std::string path;  // relative to the data folder, with '/'
    int width, height;
    bool bmp;
};

class Output {
public:
    explicit Output(std::string root) : root_(std::move(root)) {}
    const std::string& Root() const { return root_; }
    std::string Full(const std::string& rel) const { return root_ + "/" + rel; }

    void Write(const std::string& rel, const std::string& bytes);
    void WriteJpeg(const std::string& rel, const Image& img);
    void WriteBmp(const std::string& rel, const Image& img);

    const std::vector<PictureRecord>& Pictures() const { return pictures_; }
    size_t TotalBytes() const { return total_; }
    size_t FileCount() const { return files_; }

private:
    std::string root_;
    std::vector<PictureRecord> pictures_;
    size_t total_ = 0;
    size_t files_ = 0;
};

}  // namespace course
