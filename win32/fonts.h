#pragma once
// The fonts of the windows and controls, made once per face, height and weight and kept for
// the life of the window layer.
#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "core/form_layout.h"
#include "win32/scoped.h"

namespace tastora {

class FontCache {
public:
    // The font that desc asks for; a desc that asks for nothing takes base (the window's font).
    // Sizes in points are for the given DPI. The system's GUI font when none can be made.
    HFONT For(const FontSpec& desc, const FontSpec& base, int dpi);

private:
    using Key = std::pair<std::wstring, std::pair<int, int>>;  // face, height, weight
    std::map<Key, ScopedGdiObject<HFONT>> fonts_;
};

}  // namespace tastora
