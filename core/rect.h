#pragma once
// A rectangle as its top left corner and its size: a control's place in pixels in its
// parent's client area, a movie's stage or a shape's bounds in twips.
#include <cstdint>

namespace tastora {

struct Rect {
    int32_t left = 0, top = 0, width = 0, height = 0;

    int32_t Right() const { return left + width; }
    int32_t Bottom() const { return top + height; }
};

}  // namespace tastora
