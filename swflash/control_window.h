#pragma once
// The control's own child window: it paints the current frame double-buffered, drives
// playback from its timer and hands keys on to the hosting window.
#include <windows.h>

namespace tastora {
namespace swflash {

class FlashObject;

HWND CreateControlWindow(FlashObject* owner, HWND parent, const RECT& bounds);
// While the DLL unloads.
void UnregisterControlWindowClass();

}  // namespace swflash
}  // namespace tastora
