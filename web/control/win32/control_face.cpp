#include "web/control/win32/control_face.hpp"

namespace kavorin::control {

void DrawControlFace(HDC dc, const RECT& bounds) {
  FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const HGDIOBJ old_pen = SelectObject(dc, GetStockObject(BLACK_PEN));
  const HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
}

}  // namespace kavorin::control
