#include "win32/back_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tastora {

BITMAPINFO TopDownInfo(int w, int h) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

bool BackBuffer::Resize(int width, int height, uint32_t background) {
    const int w = std::max(1, width), h = std::max(1, height);
    if (bits_ && width_ == w && height_ == h) return true;
    const BITMAPINFO bmi = TopDownInfo(w, h);
    void* bits = nullptr;
    ScopedGdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    uint32_t* p = static_cast<uint32_t*>(bits);
    std::fill(p, p + size_t(w) * size_t(h), background);
    if (bits_) {  // keep what was drawn where it still fits
        const int cw = std::min(w, width_), ch = std::min(h, height_);
        for (int y = 0; y < ch; ++y)
            memcpy(p + size_t(y) * size_t(w), bits_ + size_t(y) * size_t(width_), size_t(cw) * 4);
    }
    if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
    if (dc_) SelectObject(dc_.get(), bitmap.get());
    bitmap_ = std::move(bitmap);  // the old bitmap, no longer selected, is deleted
    bits_ = p;
    width_ = w;
    height_ = h;
    return true;
}

RECT BackBuffer::CopyIn(const Bitmap& picture, int x, int y, int left, int top, int width, int height) {
    RECT none = {0, 0, 0, 0};
    if (!bits_ || picture.Empty()) return none;
    // The part, clipped to the picture, then to the buffer.
    left = std::max(0, left), top = std::max(0, top);
    const int right = std::min(picture.Width(), left + width), bottom = std::min(picture.Height(), top + height);
    const int x0 = std::max(0, x + left), y0 = std::max(0, y + top);
    const int x1 = std::min(width_, x + right), y1 = std::min(height_, y + bottom);
    if (x0 >= x1 || y0 >= y1) return none;
    for (int row = y0; row < y1; ++row)
        memcpy(bits_ + size_t(row) * size_t(width_) + size_t(x0),
               picture.Data() + size_t(row - y) * size_t(picture.Width()) + size_t(x0 - x), size_t(x1 - x0) * 4);
    return RECT{x0, y0, x1, y1};
}

void BackBuffer::PaintTo(HDC dc, const RECT& r) const {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, dc_.get(), r.left, r.top, SRCCOPY);
}

}  // namespace tastora
