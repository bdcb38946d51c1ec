#pragma once
// The back buffer of a window's client area: a 32-bit top-down bitmap in a memory DC, in the
// memory layout of the core's pictures, where the pictures that the core copies to the window
// land; WM_PAINT puts it on the screen.
#include <windows.h>

#include <cstdint>

#include "core/bitmap.h"
#include "win32/scoped.h"

namespace tastora {

// A 32-bit top-down device-independent bitmap of w x h: the memory layout of the core's
// pictures (0x00RRGGBB rows from the top).
BITMAPINFO TopDownInfo(int w, int h);

class BackBuffer {
public:
    // Makes the buffer width x height (at least 1 x 1), keeping what was drawn where it still
    // fits; the rest is filled with background (0x00RRGGBB). False when it cannot be made (the
    // buffer stays as it was).
    bool Resize(int width, int height, uint32_t background);
    bool Empty() const { return bits_ == nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Copies the part (left, top, width, height) of the picture, whose corner is placed at
    // (x, y), clipped to the picture and to the buffer. The rectangle changed; empty when none.
    RECT CopyIn(const Bitmap& picture, int x, int y, int left, int top, int width, int height);
    // Puts the rectangle r of the buffer on dc, at the same place.
    void PaintTo(HDC dc, const RECT& r) const;

private:
    // Declared first, deleted last: the DC that holds it selected goes before it.
    ScopedGdiObject<HBITMAP> bitmap_;
    ScopedDc dc_;
    uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace tastora
