// The box of a text (textbox.hpp).
#include "host/view/textbox.hpp"

#include "host/view/layout.hpp"

namespace pixmend::host::element {

void textBox(const DPoint3d& origin, const RotMatrix& r, double width, double height, int justification,
             DPoint3d shape[5]) {
  const bool known = justification >= 0 && justification <= 14;
  const int horizontal = !known || justification <= 5 ? 0 : justification <= 8 ? 1 : 2;
  const int vertical = known ? justification % 3 : 2;  // 0 top, 1 middle, 2 bottom
  const double x0 = horizontal == 0 ? 0 : horizontal == 1 ? -width / 2 : -width;
  const double y0 = vertical == 2 ? 0 : vertical == 1 ? -height / 2 : -height;
  const double local[4][2] = {{x0, y0}, {x0 + width, y0}, {x0 + width, y0 + height}, {x0, y0 + height}};
  for (int i = 0; i < 4; ++i) {
    const double x = local[i][0], y = local[i][1];
    shape[i] = {origin.x + r.form3d[0][0] * x + r.form3d[0][1] * y, origin.y + r.form3d[1][0] * x + r.form3d[1][1] * y,
                origin.z + r.form3d[2][0] * x + r.form3d[2][1] * y};
  }
  shape[4] = shape[0];
}

void textShape(const MSElement& text, DPoint3d shape[5]) {
  const double width = getDouble(text, kCharWidth) * static_cast<double>(get32(text, kTextCount));
  textBox(getPoint(text, kTextOrigin), getRotation(text, kRotation), width, getDouble(text, kCharHeight),
          static_cast<int>(get32(text, kJustification)), shape);
}

}  // namespace pixmend::host::element
