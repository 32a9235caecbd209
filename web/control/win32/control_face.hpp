#pragma once
// What a control shows of itself: its area white, with an ellipse inscribed.
#include <windows.h>

namespace kavorin::control {

void DrawControlFace(HDC dc, const RECT& bounds);

}  // namespace kavorin::control
