#include "core/render/canvas.h"

namespace lirovane {

void Canvas::OutlineRectangle(int left, int top, int right, int bottom, int x, int y)
{
    MoveTo(left, top);
    LineTo(right - 1, top);
    LineTo(right - 1, bottom - 1);
    LineTo(left, bottom - 1);
    LineTo(left, top);
    MoveTo(x, y);
}

} // namespace lirovane
